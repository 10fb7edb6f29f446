#pragma once

// Dialogs from resource templates.
//
//     class CMyDlg : public CDialog
//     {
//     public:
//         explicit CMyDlg(CWnd* pParent = nullptr) : CDialog(IDD_MY, pParent) {}
//     protected:
//         void DoDataExchange(CDataExchange* pDX) override;
//         BOOL OnInitDialog() override;   // call CDialog::OnInitDialog() first
//         void OnOK() override;            // IDOK command (Enter, the OK button)
//         void OnCancel() override;        // IDCANCEL (Esc, the close box)
//     };
//     CMyDlg dlg; INT_PTR r = dlg.DoModal();
//
// DoModal runs the system's modal loop (DialogBoxParamA) and answers the
// value given to EndDialog, or -1 when the dialog could not be created.
// Without a parent the owner is the application's main window when it has
// one. The window is bound to the object from WM_INITDIALOG on (messages
// before it get the dialog manager's default treatment), and OnInitDialog
// answers TRUE to let the dialog manager put the focus on the first
// enabled tab stop.
//
// A modal dialog whose template is not visible (no WS_VISIBLE) is centred on
// its owner once OnInitDialog has returned, or on the work area when it has
// no owner to show it over, and kept inside the work area; not when
// OnInitDialog moved it. One whose template is visible keeps the template's
// position.
//
// CDialog::OnInitDialog runs UpdateData(FALSE); CDialog::OnOK runs
// UpdateData(TRUE) and ends the dialog with IDOK when it succeeds;
// CDialog::OnCancel ends it with IDCANCEL.

#include "framework/DataExchange.h"
#include "framework/Wnd.h"

#include <windows.h>

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr) noexcept
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
    {
    }

    virtual INT_PTR DoModal();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    void EndDialog(int nResult);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND OwnerWindow() const;
    void CentreOnOwner();

    const UINT m_nIDTemplate;
    CWnd* const m_pParentWnd;
    bool m_bCentreAfterInit = false; // set by DoModal for a hidden template
};
