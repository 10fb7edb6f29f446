#include "support/KoMessages.h"

#include <memory>

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
