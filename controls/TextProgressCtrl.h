#pragma once

#include "framework/Controls.h"
#include "support/CString.h"

#include <windows.h>

// A progress bar that keeps its own range and position and paints itself: a
// filled and an empty part, and a centred text (the last window text set, or
// else the percentage) drawn in inverted colours where it crosses the fill.
// The native control's range and position are not used.
class CTextProgressCtrl : public CProgressCtrl
{
public:
    CTextProgressCtrl();
    ~CTextProgressCtrl() override;

    // Stores the bounds; nothing is redrawn.
    void SetRange(int nLower, int nUpper);
    // -1 without a window; otherwise the previous position. Redraws at once
    // only when the filled width in pixels changes.
    int SetPos(int nPos);
    // Both at once, with at most one repaint; an unchanged text is not set
    // again (no WM_SETTEXT), so unchanged figures cost nothing.
    void SetPosText(const char* text, int nPos);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int m_nPos = 0;
    int m_nUpper = 100;
    int m_nLower = 0;
    CString m_strBarText;
    BOOL m_bShowText = TRUE;
    int m_nLastBarWidth = -1; // -1 forces the next SetPos to redraw
    COLORREF m_crBar;
    COLORREF m_crBack;
    COLORREF m_crTextOnBack;
    COLORREF m_crTextOnBar;

protected:
    BOOL OnEraseBkgnd(HDC hdc);
    void OnPaint();
    void OnSize(UINT nType, int cx, int cy);
    LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetText(WPARAM wParam, LPARAM lParam);

private:
    // Draws the whole control into `hdc` through an off-screen buffer; serves
    // WM_PAINT and WM_PRINTCLIENT alike.
    void Paint(HDC hdc);
};
