#include "framework/Dialog.h"

#include "framework/WinApp.h"

namespace
{
// The style in a dialog template resource, in either template format; 0 when
// there is no such template.
DWORD TemplateStyle(HINSTANCE instance, UINT nIDTemplate)
{
    HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(nIDTemplate), RT_DIALOG);
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    const auto* words = loaded ? static_cast<const WORD*>(::LockResource(loaded)) : nullptr;
    if (!words || ::SizeofResource(instance, found) < 16)
        return 0;
    // The extended form starts with version 1 and the signature 0xFFFF, then
    // the help id and the extended style; the style follows at byte 12.
    DWORD style = 0;
    if (words[0] == 1 && words[1] == 0xFFFF)
        CopyMemory(&style, words + 6, sizeof(style));
    else
        CopyMemory(&style, words, sizeof(style));
    return style;
}

// `window` moved so that its centre is that of `over`, then pushed back inside
// `work` where it sticks out (to its left and top edges when it is larger).
RECT CentredInside(const RECT& window, const RECT& over, const RECT& work)
{
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG x = over.left + ((over.right - over.left) - width) / 2;
    LONG y = over.top + ((over.bottom - over.top) - height) / 2;
    if (x + width > work.right)
        x = work.right - width;
    if (x < work.left)
        x = work.left;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (y < work.top)
        y = work.top;
    return {x, y, x + width, y + height};
}
} // namespace

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    // The dialog manager calls this procedure from its default processing.
    // Only WM_INITDIALOG is taken here: it binds the object and puts CWnd's
    // thunk in front of the dialog manager, so from then on every message
    // reaches the object first and "default processing" is the dialog
    // manager's own. Everything else answers FALSE: not handled.
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (!pDlg || FromHandlePermanent(hwnd))
        return FALSE;
    if (!pDlg->Bind(hwnd))
        return FALSE;
    pDlg->m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::ThunkProc)));
    if (!pDlg->m_pfnSuper)
    {
        pDlg->Unbind();
        return FALSE;
    }
    return pDlg->Dispatch(WM_INITDIALOG, 0, lParam);
}

HWND CDialog::OwnerWindow() const
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    CWnd* pMain = AfxGetMainWnd();
    if (pMain && pMain != this && ::IsWindow(pMain->m_hWnd))
        return pMain->m_hWnd;
    return nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    AfxInitCommonControls();
    HINSTANCE instance = AfxGetResourceHandle();
    // The dialog manager creates every dialog hidden and shows a visible
    // template's after WM_INITDIALOG, so the template tells which is which.
    m_bCentreAfterInit = (TemplateStyle(instance, m_nIDTemplate) & WS_VISIBLE) == 0;
    const INT_PTR result =
        ::DialogBoxParamA(instance, MAKEINTRESOURCEA(m_nIDTemplate), OwnerWindow(),
                          &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    m_bCentreAfterInit = false;
    return result;
}

void CDialog::CentreOnOwner()
{
    RECT window;
    GetWindowRect(&window);
    // Over the owner while it can be seen; else over the work area of the
    // monitor the dialog is on.
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    const bool overOwner = owner && ::IsWindowVisible(owner) && !::IsIconic(owner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoA(
            ::MonitorFromWindow(overOwner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    RECT over = monitor.rcWork;
    if (overOwner)
        ::GetWindowRect(owner, &over);
    const RECT placed = CentredInside(window, over, monitor.rcWork);
    SetWindowPos(nullptr, placed.left, placed.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return CWnd::WindowProc(message, wParam, lParam);
    RECT before;
    GetWindowRect(&before);
    const BOOL result = OnInitDialog();
    if (m_bCentreAfterInit && m_hWnd)
    {
        // Where the initialisation put the dialog, it stays.
        RECT after;
        GetWindowRect(&after);
        if (after.left == before.left && after.top == before.top)
            CentreOnOwner();
    }
    return result;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM)
{
    // Enter and Esc arrive as BN_CLICKED of IDOK and IDCANCEL too, also when
    // the template has no such button.
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(wParam))
    {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}
