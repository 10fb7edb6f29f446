#include "framework/Wnd.h"

#include <commctrl.h>

namespace
{
// The window property that points from a window to its bound object.
const char kObjectProp[] = "Tolvane.CWnd";

// The control a parent's message comes from, for messages a control may
// handle itself; NULL for every other message.
HWND ReflectSource(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_COMMAND:
        // lParam 0: a menu or accelerator command, not from a control.
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM:
    {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return dis && dis->CtlType != ODT_MENU ? dis->hwndItem : nullptr;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        return reinterpret_cast<HWND>(lParam);
    default:
        (void)wParam;
        return nullptr;
    }
}
} // namespace

CWnd::~CWnd()
{
    // A view must not leave the window calling into a dead object.
    UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) noexcept
{
    return hwnd ? static_cast<CWnd*>(::GetPropA(hwnd, kObjectProp)) : nullptr;
}

BOOL CWnd::Bind(HWND hwnd)
{
    if (m_hWnd || !::IsWindow(hwnd) || FromHandlePermanent(hwnd))
        return FALSE;
    if (!::SetPropA(hwnd, kObjectProp, this))
        return FALSE;
    m_hWnd = hwnd;
    return TRUE;
}

void CWnd::Unbind() noexcept
{
    if (m_hWnd)
        ::RemovePropA(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!Bind(hwnd))
        return FALSE;
    PreSubclassWindow();
    // PreSubclassWindow may have failed in a way that destroyed the window.
    if (!::IsWindow(hwnd))
    {
        Unbind();
        return FALSE;
    }
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::ThunkProc)));
    if (!m_pfnSuper)
    {
        Unbind();
        return FALSE;
    }
    return TRUE;
}

HWND CWnd::UnsubclassWindow() noexcept
{
    HWND hwnd = m_hWnd;
    if (!hwnd)
        return nullptr;
    // Only put the old procedure back while ours is still installed: another
    // layer may have subclassed on top of us, and cutting it out would break it.
    if (m_pfnSuper && ::IsWindow(hwnd) &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) == &CWnd::ThunkProc)
    {
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    }
    Unbind();
    return hwnd;
}

LRESULT CALLBACK CWnd::ThunkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hwnd);
    if (!pWnd || !pWnd->m_pfnSuper)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    const LRESULT result = pWnd->Dispatch(message, wParam, lParam);
    // The object outlives its window (a dialog's member or local), so it is
    // still there to be unbound; nothing of it is used after this.
    if (message == WM_NCDESTROY && pWnd->m_hWnd == hwnd)
        pWnd->UnsubclassWindow();
    return result;
}

LRESULT CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    // Saved and restored: a handler may send messages that come back here.
    const auto saved = m_current;
    m_current = {message, wParam, lParam};
    LRESULT result = 0;
    try
    {
        HWND source = ReflectSource(message, wParam, lParam);
        CWnd* pChild = source && source != m_hWnd ? FromHandlePermanent(source) : nullptr;
        LRESULT childResult = 0;
        if (pChild && pChild->OnChildNotify(message, wParam, lParam, &childResult))
            result = childResult;
        else
            result = WindowProc(message, wParam, lParam);
    }
    catch (...)
    {
        result = 0;
    }
    m_current = saved;
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && OnCommand(wParam, lParam))
        return 0;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

BOOL CWnd::OnCommand(WPARAM, LPARAM)
{
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(const char* text)
{
    ::SetWindowTextA(m_hWnd, text);
}

void CWnd::GetWindowText(CString& text) const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    char* buffer = text.GetBuffer(length);
    const int copied = ::GetWindowTextA(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer(copied > 0 ? copied : 0);
}

void CWnd::SetDlgItemText(int nID, const char* text)
{
    ::SetDlgItemTextA(m_hWnd, nID, text);
}

HWND CWnd::GetParent() const
{
    return ::GetParent(m_hWnd);
}

DWORD CWnd::GetStyle() const
{
    return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD style = GetStyle();
    const DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(newStyle));
    if (nFlags != 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

void CWnd::GetClientRect(LPRECT rc) const
{
    ::GetClientRect(m_hWnd, rc);
}

void CWnd::GetWindowRect(LPRECT rc) const
{
    ::GetWindowRect(m_hWnd, rc);
}

BOOL CWnd::SetWindowPos(HWND hwndAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, hwndAfter, x, y, cx, cy, nFlags);
}

void CWnd::Invalidate(BOOL bErase)
{
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}

void CWnd::UpdateWindow()
{
    ::UpdateWindow(m_hWnd);
}

BOOL CWnd::RedrawWindow(LPCRECT rc, HRGN rgn, UINT flags)
{
    return ::RedrawWindow(m_hWnd, rc, rgn, flags);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

HFONT CWnd::GetFont() const
{
    return reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
}

HICON CWnd::SetIcon(HICON icon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(::SendMessageA(
        m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    return ::KillTimer(m_hWnd, nIDEvent);
}
