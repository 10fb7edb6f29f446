#pragma once

#include "framework/Controls.h"
#include "framework/Gdi.h"
#include "support/CString.h"

#include <windows.h>

// A static text control turned into a web link: drawn in the link colour and
// underlined, with its own cursor; a click opens the target with the shell,
// and after a successful open the text takes the visited colour. It can
// shrink itself to the size of its text.
class CHyperLink : public CStatic
{
public:
    CHyperLink();
    ~CHyperLink() override;

    void PreSubclassWindow() override;
    // Stores the target and re-fits the control; the window text stays.
    void SetTargetUrl(const CString& url);
    // The shell's answer: above 32 means the target was opened.
    HINSTANCE OpenUrl(const char* url, int nShowCmd);
    void FitToText();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    COLORREF m_crLink = RGB(0, 0, 238);
    COLORREF m_crVisited = RGB(85, 26, 139);
    BOOL m_bVisited = FALSE;
    BOOL m_bUnderline = TRUE;
    BOOL m_bFitToText = TRUE;
    CString m_strUrl;
    CFont m_fontUnderline;       // made from the control's font at the first paint
    HCURSOR m_hCursor = nullptr; // not owned

protected:
    HBRUSH CtlColor(HDC hdc);
    // Draws the text as the static would, with every glyph at its measured
    // advance; serves WM_PAINT and WM_PRINTCLIENT.
    void Paint(HDC hdc);
    BOOL OnSetCursor();
    void OnClicked();
};

// The two system calls a test needs to control: the shell's open and the beep.
namespace HyperLinkSeam
{
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
using MessageBeepFn = BOOL(WINAPI*)(UINT);
// Each answers the previous function; null restores the system's.
ShellExecuteFn SetShellExecute(ShellExecuteFn fn);
MessageBeepFn SetMessageBeep(MessageBeepFn fn);
} // namespace HyperLinkSeam
