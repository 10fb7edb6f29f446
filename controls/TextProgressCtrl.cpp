#include "controls/TextProgressCtrl.h"

#include "controls/MemDC.h"
#include "controls/TextProgressDraw.h"
#include "support/Handle.h"

#include <cstring>

CTextProgressCtrl::CTextProgressCtrl()
    : m_crBar(GetSysColor(COLOR_HIGHLIGHT)), m_crBack(GetSysColor(COLOR_WINDOW)),
      m_crTextOnBack(GetSysColor(COLOR_HIGHLIGHT)), m_crTextOnBar(GetSysColor(COLOR_WINDOW))
{
}

CTextProgressCtrl::~CTextProgressCtrl() = default;

void CTextProgressCtrl::SetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
}

int CTextProgressCtrl::SetPos(int nPos)
{
    if (m_hWnd == nullptr)
        return -1;
    const int previous = m_nPos;
    m_nPos = nPos;
    CRect client;
    GetClientRect(&client);
    const int barWidth = ProgressFilledWidth(client.Width(), m_nPos, m_nLower, m_nUpper);
    if (barWidth != m_nLastBarWidth)
    {
        m_nLastBarWidth = barWidth;
        // No erase: painting covers the whole client area anyway.
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    return previous;
}

void CTextProgressCtrl::SetPosText(const char* text, int nPos)
{
    // The text first: a new one only invalidates, and a position that moves
    // the fill then paints both in one pass. The same text is not set
    // again, so a call that changes nothing sends the control nothing.
    const char* shown = text != nullptr ? text : "";
    if (m_strBarText != shown)
        SetWindowText(shown);
    SetPos(nPos);
}

LRESULT CTextProgressCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETTEXT:
        return OnSetText(wParam, lParam);
    case WM_GETTEXT:
        return OnGetText(wParam, lParam);
    }
    return CProgressCtrl::WindowProc(message, wParam, lParam);
}

BOOL CTextProgressCtrl::OnEraseBkgnd(HDC)
{
    return TRUE; // painting covers the whole client area
}

void CTextProgressCtrl::OnPaint()
{
    ScopedPaint paint(m_hWnd);
    Paint(paint.get());
}

void CTextProgressCtrl::Paint(HDC hdc)
{
    CRect client;
    GetClientRect(&client);
    const ProgressColours colours = {m_crBar, m_crBack, m_crTextOnBar, m_crTextOnBack};
    CString text;
    if (m_bShowText)
    {
        if (!m_strBarText.IsEmpty())
            text = m_strBarText;
        else
            text.Format("%d%%", ProgressPercent(m_nPos, m_nLower, m_nUpper));
    }
    // A fresh memory DC holds the system font, which neither matches the
    // dialog nor follows the DPI: the text is drawn in the control's font,
    // which the dialog gives every control (or else in the dialog's own).
    HFONT font = GetFont();
    if (font == nullptr)
        if (HWND parent = ::GetParent(m_hWnd))
            font = reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0));
    CMemDC dc(hdc);
    PaintTextProgress(dc, client, ProgressFilledWidth(client.Width(), m_nPos, m_nLower, m_nUpper),
                      m_bShowText ? text.c_str() : nullptr, colours, font);
}

void CTextProgressCtrl::OnSize(UINT, int, int)
{
    Default();
    m_nLastBarWidth = -1;
}

LRESULT CTextProgressCtrl::OnSetText(WPARAM, LPARAM lParam)
{
    const LRESULT result = Default();
    const char* text = reinterpret_cast<const char*>(lParam);
    // A null text counts as empty.
    if (m_strBarText != (text != nullptr ? text : ""))
    {
        m_strBarText = text;
        Invalidate(FALSE);
    }
    return result;
}

LRESULT CTextProgressCtrl::OnGetText(WPARAM wParam, LPARAM lParam)
{
    char* buffer = reinterpret_cast<char*>(lParam);
    const size_t size = static_cast<size_t>(wParam);
    if (buffer == nullptr || size == 0)
        return 0;
    size_t count = static_cast<size_t>(m_strBarText.GetLength());
    if (count > size - 1)
        count = size - 1;
    std::memcpy(buffer, m_strBarText.c_str(), count);
    buffer[count] = '\0';
    return static_cast<LRESULT>(count);
}
