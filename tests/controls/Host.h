#pragma once

#include "framework/Wnd.h"

#include <windows.h>

#include <vector>

// A modeless dialog made from an empty in-memory template, placed on the
// screen in pixels, into which a test creates the controls it binds. Bound to
// this object by subclassing, it is a framework window and reflects the
// controls' notifications back to them. It counts the WM_COMMAND
// notifications that reach it.
class Host : public CWnd
{
public:
    Host() = default;
    ~Host() override { Destroy(); }

    void Destroy()
    {
        if (m_hWnd != nullptr)
            ::DestroyWindow(m_hWnd);
    }

    // With `activate` false the thread is left without an active window, as
    // when another application is in front.
    bool Open(int x, int y, int width, int height, bool activate = true)
    {
        struct
        {
            DLGTEMPLATE dlg;
            WORD menu, cls, title;
        } tpl = {};
        tpl.dlg.style = WS_POPUP;
        HWND hwnd = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &tpl.dlg, nullptr,
                                               &Host::PlainDialogProc, 0);
        if (hwnd == nullptr || !SubclassWindow(hwnd))
            return false;
        SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(m_hWnd, activate ? SW_SHOW : SW_SHOWNA);
        // The dialog manager activates even a dialog shown without activation.
        SetActiveWindow(activate ? m_hWnd : nullptr);
        Pump();
        return true;
    }

    HWND AddChild(const char* cls, const char* text, DWORD style, int x, int y, int width,
                  int height, int id)
    {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                               m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
    }

    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        m_commands.push_back(wParam);
        return CWnd::OnCommand(wParam, lParam);
    }

    std::vector<WPARAM> m_commands; // wParam of every WM_COMMAND, in order

private:
    // The dialog manager's defaults only: Enter and Esc close nothing.
    static INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
};
