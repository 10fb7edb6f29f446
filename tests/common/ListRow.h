#pragma once

// A row of a list view as the list view answers for it: text and image come
// from the item on request (LVN_GETDISPINFO), data is the item's own value.

#include <string>

#include <windows.h>
#include <commctrl.h>

struct ListRow
{
    bool found = false; // the list view had the row
    std::string text;
    int image = -1;
    LPARAM data = 0;
};

inline ListRow ReadListRow(HWND list, int index)
{
    char buffer[2048] = "";
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    if (!::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return ListRow();
    return {true, item.pszText != nullptr ? item.pszText : "", item.iImage, item.lParam};
}
