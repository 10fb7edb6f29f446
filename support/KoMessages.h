#pragma once

// The message log: every message of the program's life, oldest first, each
// shown as a row of the attached list the moment it is posted, and the entry
// point every layer posts through (PostToLog), bound to the log by whoever
// owns it.

#include <atomic>
#include <mutex>

#include <windows.h>

#include "support/KoObject.h"
#include "support/KoPtrArray.h"

// What the log hands its new messages to. The main window's message list
// control derives from this and is attached through m_pList.
class KoItemList
{
public:
    virtual ~KoItemList() = default;

    // Appends one row for `item` at the end of the list and answers whether
    // the list took it. May be called on the wipe worker thread: an
    // implementation that sends window messages to the window thread relies
    // on that thread never waiting for the worker without pumping messages.
    // The item outlives its row; its texts and image never change afterwards.
    virtual BOOL AddItem(KoListComboItem* item) = 0;
};

class KoMessagesContainer
{
public:
    enum MessageTypes : UINT
    {
        Error = 0,
        Warning = 1,
        Info = 2,
        Question = 3,
        Action = 4
    };

    KoMessagesContainer() = default;
    KoMessagesContainer(const KoMessagesContainer&) = delete;
    KoMessagesContainer& operator=(const KoMessagesContainer&) = delete;
    virtual ~KoMessagesContainer();

    // Stores a copy of `text` (null counts as "") with `kind` as its image
    // index, unchecked, and hands it to the attached list. The message is kept
    // whether or not the list takes it. Only the window thread, or during a run
    // only the worker, posts; storing is serialised anyway, but the hand-over to
    // the list runs outside the lock so a worker waiting on the window thread
    // can never hold it.
    void AddMessage(const char* text, UINT kind);

    // Not owned. Set once by the main window after it has given the list its
    // image list; messages posted before get no row. The window may set it
    // back to null when its list goes away. Written only by the window
    // thread, read by whichever thread posts (plain loads and stores).
    std::atomic<KoItemList*> m_pList{nullptr};
    // Every message posted, oldest first. Read it only while nobody posts.
    KoPtrAutoArray<KoListComboItem*> m_arrMessages;

private:
    std::mutex m_lock;
};

// The log PostToLog reaches. Its owner attaches it when the log is made and
// detaches it before the log goes; the application context does this for the
// application's log. Written only by the window thread, while no other thread
// posts; read by whichever thread posts (plain loads and stores).
void AttachLog(KoMessagesContainer* log);
// Detaches `log` if it is the one attached; another log stays attached.
void DetachLog(KoMessagesContainer* log);
KoMessagesContainer* AttachedLog();

// Attaches a log for the lifetime of this object.
class KoLogBinding
{
public:
    explicit KoLogBinding(KoMessagesContainer& log) : m_log(log) { AttachLog(&m_log); }
    KoLogBinding(const KoLogBinding&) = delete;
    KoLogBinding& operator=(const KoLogBinding&) = delete;
    ~KoLogBinding() { DetachLog(&m_log); }

private:
    KoMessagesContainer& m_log;
};

// Posts a line to the attached log; with none attached the line is dropped.
void PostToLog(const char* text, UINT kind);
// The same, with `path` in place of the one %s of `format`.
void PostToLog(const char* format, const char* path, UINT kind);
