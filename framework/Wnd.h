#pragma once

// CWnd: a C++ object bound to one window, and how a message reaches a handler.
//
// Binding. A window is bound to an object either when a dialog is created
// (CDialog does it at WM_INITDIALOG) or by subclassing an existing control,
// which a dialog does with DDX_Control in its DoDataExchange:
//     DDX_Control(pDX, IDC_WIPE, m_btnWipe);
// Subclassing attaches m_hWnd, calls the virtual PreSubclassWindow(), then
// routes the window's messages through CWnd's static thunk. The binding ends
// by itself at WM_NCDESTROY (m_hWnd becomes NULL again) or in ~CWnd. Child
// controls are views: a CWnd never destroys a window it only subclassed.
// An object outlives every message of its window and is never deleted from a
// handler: the thunk still touches it when a handler returns, also one that
// destroyed the window.
//
// Dispatch. For every message the thunk
//   1. offers WM_COMMAND (from a control), WM_NOTIFY, WM_DRAWITEM and
//      WM_CTLCOLOR* to the object bound to the control that sent it:
//      child->OnChildNotify(message, wParam, lParam, &result). When that
//      answers TRUE, result is the answer and the parent never sees it
//      (reflection: the link label, the flat button and the message list
//      handle their own clicks, colours, drawing and display requests);
//   2. otherwise calls the virtual WindowProc, which each class overrides with
//      one switch into its On... handlers and hands the rest to its base:
//
//     LRESULT CMyDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
//     {
//         switch (message)
//         {
//         case WM_TIMER:
//             OnTimer(wParam);
//             return Default();               // default processing afterwards
//         case WM_COMMAND:
//             if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_WIPE)
//             {
//                 OnWipe();
//                 return 0;
//             }
//             break;
//         }
//         return CDialog::WindowProc(message, wParam, lParam);
//     }
//
// CWnd::WindowProc gives WM_COMMAND to the virtual OnCommand, and everything
// else (or what OnCommand declines) to DefWindowProc, which calls the
// window's original procedure. Default() is DefWindowProc for the message
// being handled. A control overrides DefWindowProc to change what default
// processing means for it (e.g. a double click passed on as a press).
//
// Exceptions never leave the thunk: a handler that throws answers 0.
//
// Controls (CButton, CStatic, CProgressCtrl, CListCtrl) are in
// framework/Controls.h, dialogs in framework/Dialog.h.

#include "support/CString.h"

#include <windows.h>

class CWnd
{
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    // The object bound to hwnd, or NULL.
    static CWnd* FromHandlePermanent(HWND hwnd) noexcept;

    // Binds this object to an existing window (see above). FALSE when this
    // object is already bound, hwnd is not a window or is bound elsewhere.
    BOOL SubclassWindow(HWND hwnd);
    // Gives the window its original procedure back and unbinds.
    HWND UnsubclassWindow() noexcept;

    // Message routing (see the notes at the top).
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default();
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // A notification of this control that its parent received. TRUE: handled,
    // *pResult is the parent's answer.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Called by SubclassWindow after m_hWnd is set, before the thunk is installed.
    virtual void PreSubclassWindow() {}

    // Thin forms of the user32 calls on m_hWnd.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void SetWindowText(const char* text);
    void GetWindowText(CString& text) const;
    void SetDlgItemText(int nID, const char* text);
    HWND GetParent() const;
    DWORD GetStyle() const;
    // Like the classic call: SetWindowPos with nFlags only when nFlags != 0.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    void GetClientRect(LPRECT rc) const;
    void GetWindowRect(LPRECT rc) const;
    BOOL SetWindowPos(HWND hwndAfter, int x, int y, int cx, int cy, UINT nFlags);
    void Invalidate(BOOL bErase = TRUE);
    void UpdateWindow();
    BOOL RedrawWindow(LPCRECT rc = nullptr, HRGN rgn = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    HFONT GetFont() const;
    HICON SetIcon(HICON icon, BOOL bBigIcon);
    BOOL KillTimer(UINT_PTR nIDEvent);

private:
    friend class CDialog;
    static LRESULT CALLBACK ThunkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Runs one message through reflection and WindowProc, remembering it for Default().
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Binds without subclassing (the procedure is installed by the caller).
    BOOL Bind(HWND hwnd);
    void Unbind() noexcept;

    WNDPROC m_pfnSuper = nullptr;
    struct
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } m_current{0, 0, 0};
};
