#pragma once

#include "framework/Controls.h"
#include "support/Handle.h"

#include <windows.h>

// A flat push button with an optional icon: no frame at rest, a thin raised
// frame while the mouse is over it, a thin sunken frame while pressed, and a
// grey copy of its icon while disabled. Drawn off screen.
class CButtonST : public CButton
{
public:
    CButtonST();
    ~CButtonST() override;

    // Loads icon resource nIcon of this program at its own size, redraws,
    // and makes the grey copy. A second call replaces the first icons.
    void SetIcon(UINT nIcon);
    // The same at `size` (the system's small-icon size for a small button).
    void SetIcon(UINT nIcon, SIZE size);
    // Destroys the icons this button owns and forgets both.
    void ReleaseIcons();

    void PreSubclassWindow() override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(LPDRAWITEMSTRUCT pDis) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    BOOL m_bHover = FALSE; // the mouse is over the button, which holds the capture
    // A raw handle with m_bOwnIcon rather than an IconHandle: whether the
    // button owns its icon is a state of its own (a shared icon must never be
    // destroyed), which an owner that always destroys cannot express.
    HICON m_hButtonIcon = nullptr;
    IconHandle m_hGrayIcon; // always made by the button
    BYTE m_cyIcon = 0;
    BYTE m_cxIcon = 0;
    BOOL m_bOwnIcon = TRUE; // m_hButtonIcon is destroyed by ReleaseIcons
    COLORREF m_crFace;
    COLORREF m_crText;

protected:
    void OnMouseMove(UINT nFlags, POINT point);
    void OnKillFocus(HWND hNewWnd);
    void OnCaptureChanged(HWND hWnd);
};
