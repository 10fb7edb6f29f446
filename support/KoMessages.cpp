#include "support/KoMessages.h"

#include <memory>

namespace
{
std::atomic<KoMessagesContainer*> g_attachedLog{nullptr};
} // namespace

KoMessagesContainer::~KoMessagesContainer() = default;

void KoMessagesContainer::AddMessage(const char* text, UINT kind)
{
    KoListComboItem* item = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto message = std::make_unique<KoListComboItem>();
        message->m_strText = text;
        // The kind is the row's icon index; it is stored unchecked.
        message->SetImage(static_cast<int>(kind));
        // If the array cannot grow, the item is freed with the exception.
        m_arrMessages.Add(message.get());
        item = message.release();
    }
    KoItemList* const list = m_pList.load();
    if (list != nullptr)
    {
        list->AddItem(item);
    }
}

void AttachLog(KoMessagesContainer* log)
{
    g_attachedLog.store(log);
}

void DetachLog(KoMessagesContainer* log)
{
    if (g_attachedLog.load() == log)
        g_attachedLog.store(nullptr);
}

KoMessagesContainer* AttachedLog()
{
    return g_attachedLog.load();
}

void PostToLog(const char* text, UINT kind)
{
    KoMessagesContainer* const log = g_attachedLog.load();
    if (log != nullptr)
        log->AddMessage(text, kind);
}

void PostToLog(const char* format, const char* path, UINT kind)
{
    CString text;
    text.Format(format, path);
    PostToLog(text, kind);
}
