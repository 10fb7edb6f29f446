#pragma once

// The message log: every message of the program's life, oldest first, each
// shown as a row of the attached list the moment it is posted.

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
