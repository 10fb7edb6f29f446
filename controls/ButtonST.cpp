#include "controls/ButtonST.h"

#include "controls/ButtonSTDraw.h"
#include "controls/Dpi.h"
#include "controls/MemDC.h"
#include "framework/WinApp.h"
#include "support/CString.h"

#include <windowsx.h>

CButtonST::CButtonST() : m_crFace(GetSysColor(COLOR_BTNFACE)), m_crText(GetSysColor(COLOR_BTNTEXT))
{
}

CButtonST::~CButtonST()
{
    ReleaseIcons();
}

void CButtonST::ReleaseIcons()
{
    if (m_hButtonIcon != nullptr && m_bOwnIcon)
    {
        DestroyIcon(m_hButtonIcon);
        m_bOwnIcon = FALSE;
    }
    m_hButtonIcon = nullptr;
    m_hGrayIcon.reset();
    m_cxIcon = 0;
    m_cyIcon = 0;
}

void CButtonST::SetIcon(UINT nIcon)
{
    SetIcon(nIcon, SIZE{0, 0});
}

void CButtonST::SetIcon(UINT nIcon, SIZE size)
{
    ReleaseIcons();
    // A size of 0 x 0 takes the resource's own; any other picks the image of
    // that size the icon file carries (scaling the nearest one otherwise).
    m_hButtonIcon = static_cast<HICON>(LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIcon),
                                                  IMAGE_ICON, size.cx, size.cy, LR_DEFAULTCOLOR));
    m_bOwnIcon = TRUE;
    ICONINFO info = {};
    if (m_hButtonIcon != nullptr && GetIconInfo(m_hButtonIcon, &info))
    {
        // The bitmaps are copies made for the caller.
        const BitmapHandle colour(info.hbmColor);
        const BitmapHandle mask(info.hbmMask);
        // An icon's hot spot is its centre.
        m_cxIcon = static_cast<BYTE>(2 * info.xHotspot);
        m_cyIcon = static_cast<BYTE>(2 * info.yHotspot);
    }
    m_hGrayIcon.reset(MakeGrayIcon(m_hButtonIcon));
    // Redrawn once both icons exist, so a disabled button shows its grey icon
    // at once rather than at its next repaint.
    if (m_hWnd != nullptr)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CButtonST::PreSubclassWindow()
{
    SetButtonStyle((GetStyle() & 0xFF) | BS_OWNERDRAW, TRUE);
    CButton::PreSubclassWindow();
}

LRESULT CButtonST::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A double click arrives instead of the second press; passing it on as a
    // press makes fast repeated clicks all count.
    if (message == WM_LBUTTONDBLCLK)
        message = WM_LBUTTONDOWN;
    return CButton::DefWindowProc(message, wParam, lParam);
}

LRESULT CButtonST::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_MOUSEMOVE:
        OnMouseMove(static_cast<UINT>(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_CAPTURECHANGED:
        OnCaptureChanged(reinterpret_cast<HWND>(lParam));
        return 0;
    }
    return CButton::WindowProc(message, wParam, lParam);
}

void CButtonST::DrawItem(LPDRAWITEMSTRUCT pDis)
{
    CMemDC dc(pDis->hDC);
    CString caption;
    GetWindowText(caption);
    const FlatButtonLook look = {m_crFace, m_crText, GetSysColor(COLOR_BTNHIGHLIGHT),
                                 GetSysColor(COLOR_BTNSHADOW)};
    const FlatButtonState state = {(pDis->itemState & ODS_SELECTED) != 0,
                                   (pDis->itemState & ODS_DISABLED) != 0, m_bHover != FALSE,
                                   WindowDpi(m_hWnd)};
    PaintFlatButton(dc, pDis->rcItem, caption.c_str(), GetFont(), look, state, m_hButtonIcon,
                    m_hGrayIcon.get(), m_cxIcon, m_cyIcon);
}

void CButtonST::OnMouseMove(UINT nFlags, POINT point)
{
    Default();
    const bool leftDown = (nFlags & MK_LBUTTON) != 0;
    if (leftDown && !m_bHover)
        return;

    if (GetCapture() != m_hWnd && GetActiveWindow() != nullptr &&
        (::GetWindow(m_hWnd, GW_OWNER) != nullptr || GetParent() != nullptr))
    {
        m_bHover = TRUE;
        SetCapture(m_hWnd);
        Invalidate();
        return;
    }

    ::ClientToScreen(m_hWnd, &point);
    if (WindowFromPoint(point) == m_hWnd)
        return;

    // The mouse has left.
    if (m_bHover)
    {
        m_bHover = FALSE;
        Invalidate();
    }
    if (!leftDown)
        ReleaseCapture();
}

void CButtonST::OnKillFocus(HWND)
{
    Default();
    if (m_bHover)
    {
        m_bHover = FALSE;
        Invalidate();
    }
}

void CButtonST::OnCaptureChanged(HWND)
{
    if (m_bHover)
    {
        // Only our own capture is given up: by now another window of this
        // thread may hold it, and releasing that would break its drag.
        if (GetCapture() == m_hWnd)
            ReleaseCapture();
        Invalidate();
    }
    Default();
}
