#include "app/OptionsDlg.h"

#include "app/AppContext.h"
#include "framework/WinApp.h"
#include "res/resource.h"

KoOptionsDlg::KoOptionsDlg(CWnd* pParent)
    : CDialog(IDD_OPTIONS, pParent), m_boolWipeInBackground(0), m_boolWipeTwice(0),
      m_boolCheckForErrors(0), m_boolRandom(0)
{
    if (!g_pAppContext)
        return;
    m_boolWipeInBackground = g_pAppContext->m_boolWipeInBackground;
    m_boolWipeTwice = g_pAppContext->m_boolWipeTwice;
    m_boolCheckForErrors = g_pAppContext->m_boolCheckForErrors;
    m_boolRandom = g_pAppContext->m_boolRandom;
}

KoOptionsDlg::~KoOptionsDlg() = default;

void KoOptionsDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_OPTIONS_BACKGROUND, m_boolWipeInBackground);
    DDX_Check(pDX, IDC_OPTIONS_WIPE_TWICE, m_boolWipeTwice);
    DDX_Check(pDX, IDC_OPTIONS_CHECK_ERRORS, m_boolCheckForErrors);
    DDX_Check(pDX, IDC_OPTIONS_RANDOM, m_boolRandom);
}

BOOL KoOptionsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // TRUE: the dialog manager focuses the first enabled tab stop, which with
    // every check box disabled is OK.
    return TRUE;
}

void KoOptionsDlg::OnOK()
{
    UpdateData(TRUE);
    if (!g_pAppContext)
        return CDialog::OnOK();
    g_pAppContext->m_boolWipeInBackground = m_boolWipeInBackground;
    g_pAppContext->m_boolWipeTwice = m_boolWipeTwice;
    g_pAppContext->m_boolCheckForErrors = m_boolCheckForErrors;
    g_pAppContext->m_boolRandom = m_boolRandom;
    if (CWinApp* app = AfxGetApp())
        SaveSettings(*app);
    CDialog::OnOK();
}

void KoOptionsDlg::OnCancel()
{
    CDialog::OnCancel();
}
