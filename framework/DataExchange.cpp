#include "framework/DataExchange.h"

#include "framework/Wnd.h"

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hwnd = m_pDlgWnd && m_pDlgWnd->m_hWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (!hwnd)
        m_bFailed = TRUE;
    return hwnd;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND hwnd = pDX->PrepareCtrl(nIDC);
    if (hwnd && !rControl.SubclassWindow(hwnd))
        pDX->m_bFailed = TRUE;
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hwnd = pDX->PrepareCtrl(nIDC);
    if (!hwnd)
        return;
    if (pDX->m_bSaveAndValidate)
    {
        value = static_cast<int>(::SendMessageA(hwnd, BM_GETCHECK, 0, 0));
        return;
    }
    if (value < 0 || value > 2)
        value = 0;
    ::SendMessageA(hwnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}
