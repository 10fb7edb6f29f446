#pragma once

#include "framework/Controls.h"
#include "support/KoMessages.h"
#include "support/KoObject.h"

#include <windows.h>
#include <commctrl.h>

// The message list: a one-column report list whose rows point to list items
// owned elsewhere (the message log) and ask them for their text and icon
// whenever a row is painted. Column 0 can be kept as wide as the client area.
class KoListCtrl : public CListCtrl, public KoItemList
{
public:
    KoListCtrl() = default;
    ~KoListCtrl() override;

    // Appends a row for `item` with text and image on request and the item as
    // the row's parameter; repaints at once and re-fits the column. Any
    // thread: from another one the list's messages are handled by the
    // window's thread while the caller waits.
    BOOL AddItem(KoListComboItem* item) override;
    // Both hide CListCtrl's: they re-fit the column afterwards. The items are
    // not deleted; after DeleteAllItems their m_nRow is -1.
    virtual BOOL DeleteAllItems();
    virtual BOOL DeleteItem(int nItem);

    // Grid lines and full-row selection, replacing every other extended style.
    void SetFullRowGrid();
    int GetColumnCount() const;
    int GetColumnsWidth() const;
    // With m_boolAutoFitColumn: column 0 takes the client width if the
    // columns together are not already that wide.
    void AdjustColumnWidth();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    BOOL m_boolAutoFitColumn = FALSE;

protected:
    LRESULT OnGetDispInfo(NMLVDISPINFOA* pInfo);
    void OnWindowPosChanged(const WINDOWPOS* pPos);
};
