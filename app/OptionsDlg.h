#pragma once

// The "Options" dialog (template 136): the four wipe settings of the
// application context as check boxes. The boxes are disabled in the template,
// so the dialog only shows the settings; OK copies them back to the context
// and saves the settings file at once, Esc or the close box change nothing.

#include "framework/Dialog.h"

class KoOptionsDlg : public CDialog
{
public:
    explicit KoOptionsDlg(CWnd* pParent = nullptr);
    ~KoOptionsDlg() override;

    BOOL m_boolWipeInBackground;
    BOOL m_boolWipeTwice;
    BOOL m_boolCheckForErrors;
    BOOL m_boolRandom;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
};
