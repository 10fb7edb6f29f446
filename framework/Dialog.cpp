#include "framework/Dialog.h"

#include "framework/WinApp.h"

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
    return ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), OwnerWindow(),
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    if (m_hWnd)
        return FALSE;
    AfxInitCommonControls();
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    HWND hwnd =
        ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDTemplate), OwnerWindow(),
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr && m_hWnd == hwnd;
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEA pTemplate, CWnd* pParentWnd)
{
    if (m_hWnd)
        return FALSE;
    AfxInitCommonControls();
    m_pParentWnd = pParentWnd;
    HWND hwnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), pTemplate, OwnerWindow(),
                                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr && m_hWnd == hwnd;
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
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    return CWnd::WindowProc(message, wParam, lParam);
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
