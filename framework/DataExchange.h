#pragma once

// Data exchange between a dialog's members and its controls, run by
// CDialog::UpdateData through the dialog's DoDataExchange:
//
//     void CMyDlg::DoDataExchange(CDataExchange* pDX)
//     {
//         CDialog::DoDataExchange(pDX);
//         DDX_Control(pDX, IDC_LINK, m_link);     // binds once, runs PreSubclassWindow
//         DDX_Check(pDX, IDC_TWICE, m_boolTwice);
//     }
//
// pDX->m_bSaveAndValidate: TRUE copies controls -> members, FALSE members ->
// controls. A missing control id marks the exchange failed, and UpdateData
// answers FALSE.

#include <windows.h>

class CWnd;

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) noexcept
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
    {
    }

    // The control nIDC of the dialog, or NULL (and the exchange marked failed).
    HWND PrepareCtrl(int nIDC);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    BOOL m_bFailed = FALSE;
};

// Subclasses control nIDC into rControl the first time (rControl not yet
// bound); later exchanges leave the binding alone.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// Check box state. Towards the control a value below 0 or above 2 is first
// set to 0 (in the member too), so it shows unchecked. From the control the
// member gets BM_GETCHECK's answer (0, 1, or 2 for an indeterminate 3-state box).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
