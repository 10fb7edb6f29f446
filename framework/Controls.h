#pragma once

// Views of the standard controls a dialog template creates. Bind them with
// DDX_Control; they never create or destroy the window.
//
//   CButton       owner-drawn buttons override DrawItem: the parent's
//                 WM_DRAWITEM for the button is reflected to it.
//   CStatic       a derived label overrides OnChildNotify to take its own
//                 WM_CTLCOLORSTATIC and STN_CLICKED (set SS_NOTIFY for clicks).
//   CProgressCtrl a progress bar; the text progress bar derives from it and
//                 keeps its own range and position.
//   CListCtrl     a list view; a derived list overrides OnChildNotify to
//                 answer its own LVN_GETDISPINFO.

#include "framework/Wnd.h"

#include <windows.h>
#include <commctrl.h>

class CButton : public CWnd
{
public:
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);

    // Owner-draw request from the parent (reflected WM_DRAWITEM).
    virtual void DrawItem(LPDRAWITEMSTRUCT pDis);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CStatic : public CWnd
{
};

class CProgressCtrl : public CWnd
{
};

class CListCtrl : public CWnd
{
public:
    int GetItemCount() const;
    int InsertItem(const LVITEMA* pItem);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    LPARAM GetItemData(int nItem) const;
    int InsertColumn(int nCol, const char* heading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                     int nSubItem = -1);
    BOOL SetColumnWidth(int nCol, int cx);
    int GetColumnWidth(int nCol) const;
    HWND GetHeaderCtrl() const;
    DWORD SetExtendedStyle(DWORD dwNewStyle);
    // Answers the previous list of that kind.
    HIMAGELIST SetImageList(HIMAGELIST list, int nImageListType);
};
