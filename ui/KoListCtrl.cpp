#include "ui/KoListCtrl.h"

#include "framework/Gdi.h"

#include <algorithm>
#include <vector>

KoListCtrl::~KoListCtrl() = default;

BOOL KoListCtrl::AddItem(KoListComboItem* item)
{
    // Once the window is gone every message to it would answer 0, which
    // would read as "inserted at row 0".
    if (m_hWnd == nullptr || item == nullptr)
        return FALSE;
    LVITEMA row = {};
    row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    row.iItem = GetItemCount();
    row.iSubItem = 0;
    row.pszText = LPSTR_TEXTCALLBACKA;
    row.iImage = I_IMAGECALLBACK;
    row.lParam = reinterpret_cast<LPARAM>(item);
    const int index = InsertItem(&row);
    BOOL result = FALSE;
    if (index != -1)
    {
        item->m_nRow = index;
        result = TRUE;
    }
    UpdateWindow();
    AdjustColumnWidth();
    return result;
}

BOOL KoListCtrl::DeleteAllItems()
{
    // Taken before the rows go, when their parameters can still be read.
    std::vector<KoListComboItem*> items(static_cast<size_t>(std::max(GetItemCount(), 0)));
    for (size_t i = 0; i < items.size(); ++i)
        items[i] = reinterpret_cast<KoListComboItem*>(GetItemData(static_cast<int>(i)));
    const BOOL result = CListCtrl::DeleteAllItems();
    if (result)
    {
        for (KoListComboItem* item : items)
            if (item != nullptr)
                item->m_nRow = -1;
    }
    AdjustColumnWidth();
    return result;
}

BOOL KoListCtrl::DeleteItem(int nItem)
{
    const BOOL result = CListCtrl::DeleteItem(nItem);
    AdjustColumnWidth();
    return result;
}

void KoListCtrl::SetFullRowGrid()
{
    SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
}

int KoListCtrl::GetColumnCount() const
{
    HWND header = GetHeaderCtrl();
    const int count = header != nullptr ? Header_GetItemCount(header) : 0;
    return count < 0 ? 0 : count;
}

int KoListCtrl::GetColumnsWidth() const
{
    int width = 0;
    const int count = GetColumnCount();
    for (int i = 0; i < count; ++i)
        width += GetColumnWidth(i);
    return width;
}

void KoListCtrl::AdjustColumnWidth()
{
    if (!m_boolAutoFitColumn || m_hWnd == nullptr)
        return;
    CRect client;
    GetClientRect(&client);
    // The client area leaves out a vertical scroll bar once one shows.
    if (client.Width() != GetColumnsWidth())
        SetColumnWidth(0, LOWORD(client.Width()));
}

LRESULT KoListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WINDOWPOSCHANGED)
    {
        // The list view lays itself out first (it learns its new size here).
        const LRESULT result = Default();
        OnWindowPosChanged(reinterpret_cast<const WINDOWPOS*>(lParam));
        return result;
    }
    return CListCtrl::WindowProc(message, wParam, lParam);
}

BOOL KoListCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_NOTIFY)
    {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (header != nullptr && header->code == LVN_GETDISPINFOA)
        {
            *pResult = OnGetDispInfo(reinterpret_cast<NMLVDISPINFOA*>(lParam));
            return TRUE;
        }
    }
    return CListCtrl::OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT KoListCtrl::OnGetDispInfo(NMLVDISPINFOA* pInfo)
{
    KoListComboItem* item = reinterpret_cast<KoListComboItem*>(pInfo->item.lParam);
    if (item != nullptr)
        item->GetDispInfo(&pInfo->item);
    return 0;
}

void KoListCtrl::OnWindowPosChanged(const WINDOWPOS* pPos)
{
    if (!m_boolAutoFitColumn || m_hWnd == nullptr || pPos == nullptr)
        return;
    if ((pPos->flags & (SWP_NOSIZE | SWP_SHOWWINDOW)) != 0)
        return;
    SendMessage(WM_SETREDRAW, FALSE);
    AdjustColumnWidth();
    SendMessage(WM_SETREDRAW, TRUE);
}
