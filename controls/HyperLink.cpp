#include "controls/HyperLink.h"

#include "controls/HyperLinkGeometry.h"
#include "support/Handle.h"

#include <shellapi.h>

#include <utility>
#include <vector>

namespace
{
HyperLinkSeam::ShellExecuteFn g_shellExecute = ::ShellExecuteA;
HyperLinkSeam::MessageBeepFn g_messageBeep = ::MessageBeep;
} // namespace

HyperLinkSeam::ShellExecuteFn HyperLinkSeam::SetShellExecute(ShellExecuteFn fn)
{
    return std::exchange(g_shellExecute, fn != nullptr ? fn : ::ShellExecuteA);
}

HyperLinkSeam::MessageBeepFn HyperLinkSeam::SetMessageBeep(MessageBeepFn fn)
{
    return std::exchange(g_messageBeep, fn != nullptr ? fn : ::MessageBeep);
}

CHyperLink::CHyperLink() = default;

CHyperLink::~CHyperLink() = default; // m_fontUnderline deletes its font

void CHyperLink::PreSubclassWindow()
{
    ModifyStyle(0, SS_NOTIFY); // so that clicks are reported
    if (m_strUrl.IsEmpty())
        GetWindowText(m_strUrl);
    FitToText();
    m_hCursor = LoadCursorA(nullptr, IDC_ARROW);
    CStatic::PreSubclassWindow();
}

void CHyperLink::SetTargetUrl(const CString& url)
{
    m_strUrl = url;
    FitToText();
}

HINSTANCE CHyperLink::OpenUrl(const char* url, int nShowCmd)
{
    return g_shellExecute(nullptr, "open", url, nullptr, nullptr, nShowCmd);
}

void CHyperLink::FitToText()
{
    if (!m_bFitToText || m_hWnd == nullptr)
        return;
    CRect rc;
    GetWindowRect(&rc);
    if (HWND parent = GetParent())
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);

    CString text;
    GetWindowText(text);
    SIZE extent = {0, 0};
    {
        ScopedGetDC dc(m_hWnd);
        if (dc.get() == nullptr)
            return;
        // Measured in the font the text is drawn in; a fresh DC of the control
        // would measure in the system font and misfit any other font.
        ScopedSelect font(dc.get(), GetFont());
        GetTextExtentPoint32A(dc.get(), text.c_str(), text.GetLength(), &extent);
    }
    const RECT fitted = FitRectToText(rc, extent, static_cast<LONG>(GetStyle()));
    SetWindowPos(nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                 fitted.bottom - fitted.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CHyperLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_SETCURSOR:
        return OnSetCursor();
    case WM_PAINT:
    {
        ScopedPaint paint(m_hWnd);
        Paint(paint.get());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    }
    return CStatic::WindowProc(message, wParam, lParam);
}

void CHyperLink::Paint(HDC hdc)
{
    CRect client;
    GetClientRect(&client);
    CString text;
    GetWindowText(text);
    const int length = text.GetLength();

    const int saved = SaveDC(hdc);
    if (HFONT font = GetFont())
        SelectObject(hdc, font);
    // Colours, font and background as a static control gets them: from its
    // parent, which hands the request back to CtlColor.
    HBRUSH brush = nullptr;
    if (HWND parent = GetParent())
        brush = reinterpret_cast<HBRUSH>(::SendMessageA(parent, WM_CTLCOLORSTATIC,
                                                        reinterpret_cast<WPARAM>(hdc),
                                                        reinterpret_cast<LPARAM>(m_hWnd)));
    if (brush != nullptr && brush != GetStockObject(NULL_BRUSH))
        FillRect(hdc, &client, brush);

    // Each glyph is placed at the advance the measurement gives it. Left to
    // itself, Wine draws some fonts (its Tahoma among them) narrower than it
    // measures them, while the underline runs the measured width: the line
    // would then stick out past the text, and the fitted control would not
    // fit what is drawn.
    std::vector<int> ends(static_cast<size_t>(length > 0 ? length : 1));
    SIZE extent = {0, 0};
    if (length > 0 &&
        GetTextExtentExPointA(hdc, text.c_str(), length, 0, nullptr, ends.data(), &extent))
    {
        std::vector<int> advances(ends.size());
        for (int i = 0; i < length; ++i)
            advances[static_cast<size_t>(i)] =
                ends[static_cast<size_t>(i)] - (i > 0 ? ends[static_cast<size_t>(i - 1)] : 0);
        const POINT at = TextOrigin(client, extent, static_cast<LONG>(GetStyle()));
        ExtTextOutA(hdc, at.x, at.y, ETO_CLIPPED, &client, text.c_str(), static_cast<UINT>(length),
                    advances.data());
    }
    RestoreDC(hdc, saved);
}

BOOL CHyperLink::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_CTLCOLORSTATIC)
    {
        *pResult = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(wParam)));
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED)
    {
        OnClicked();
        *pResult = 0;
        return TRUE;
    }
    return CStatic::OnChildNotify(message, wParam, lParam, pResult);
}

HBRUSH CHyperLink::CtlColor(HDC hdc)
{
    SetTextColor(hdc, m_bVisited ? m_crVisited : m_crLink);
    if (m_bUnderline)
    {
        if (m_fontUnderline.GetSafeHandle() == nullptr)
        {
            HFONT base = GetFont();
            if (base == nullptr)
                base = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
            LOGFONTA lf = {};
            if (GetObjectA(base, sizeof(lf), &lf) != 0)
            {
                lf.lfUnderline = TRUE;
                // The static control may select its own font after asking for
                // its colours (Wine's does), which would drop the underline;
                // as the control's font too, the copy is used in either order.
                if (m_fontUnderline.CreateFontIndirect(&lf))
                    SendMessage(WM_SETFONT,
                                reinterpret_cast<WPARAM>(m_fontUnderline.GetSafeHandle()), FALSE);
            }
        }
        if (m_fontUnderline.GetSafeHandle() != nullptr)
            SelectObject(hdc, m_fontUnderline.GetSafeHandle());
    }
    SetBkMode(hdc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnSetCursor()
{
    ::SetCursor(m_hCursor);
    return TRUE;
}

void CHyperLink::OnClicked()
{
    const INT_PTR result = reinterpret_cast<INT_PTR>(OpenUrl(m_strUrl.c_str(), SW_SHOW));
    m_bVisited = result > 32;
    if (!m_bVisited)
    {
        g_messageBeep(MB_ICONEXCLAMATION);
        return;
    }
    Invalidate(TRUE); // repaint in the visited colour
}
