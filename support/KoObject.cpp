#include "support/KoObject.h"

KoObject::~KoObject() = default;

BOOL KoListComboItem::GetDispInfo(LVITEMA* pItem)
{
    if (pItem == nullptr)
    {
        return FALSE;
    }
    if ((pItem->mask & LVIF_TEXT) != 0)
    {
        // The list view only reads the text; it points into this item, which
        // outlives its row.
        if (pItem->iSubItem == 0)
        {
            pItem->pszText = const_cast<char*>(m_strText.c_str());
        }
        else if (pItem->iSubItem == 1)
        {
            pItem->pszText = const_cast<char*>(m_strText2.c_str());
        }
    }
    if ((pItem->mask & LVIF_IMAGE) != 0)
    {
        pItem->iImage = GetImage();
    }
    return TRUE;
}
