#pragma once

// The main window: target selection, the target's space figures, the wipe
// button, the progress bar and the message list. A 500 ms timer polls the
// application's wipe run; the command line can name a target, which starts a
// run at the first tick and may close the window when it is over.

#include "controls/ButtonST.h"
#include "controls/HyperLink.h"
#include "controls/TextProgressCtrl.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "support/Handle.h"
#include "support/CString.h"
#include "ui/KoListCtrl.h"

#include <windows.h>

// What the window's runs came to, for the program's exit code.
enum class RunOutcome
{
    // No run was asked for on the command line, or the last run ended with
    // no Error line and no cancel.
    Clean,
    // The last run failed or was cancelled (also: a run asked for on the
    // command line never got to run).
    FailedOrCancelled,
    // The command-line path was rejected and nothing ran.
    PathRejected,
};

// Shows the shell's folder picker owned by `owner` (which it disables while
// open) and on success writes the chosen path into `path` and answers TRUE;
// otherwise leaves `path` unchanged and answers FALSE. The calling thread must
// be in a single-threaded COM apartment (start-up enters one).
BOOL BrowseForFolder(CString& path, HWND owner);

// What the main window asks of the system that tests replace. Every member
// starts as the real call; ResetTolvaneDlgSeam puts them back. (Its space
// display asks for free space through the wipe run's seam.)
struct TolvaneDlgSeam
{
    BOOL (*BrowseForFolder)(CString& path, HWND owner);
    UINT_PTR(WINAPI* SetTimer)(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
    LPSTR(WINAPI* GetCommandLine)();
    HINSTANCE(WINAPI* ShellExecute)
    (HWND hwnd, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);
};
TolvaneDlgSeam& GetTolvaneDlgSeam() noexcept;
void ResetTolvaneDlgSeam() noexcept;

// Appends the icons `ids` of `module` to `list` at 16 x 16, in order. An icon
// that cannot be loaded or added leaves a transparent image in its place, so
// every later one keeps its index; the answer is then FALSE.
BOOL AddIconsInOrder(CImageList& list, HINSTANCE module, const UINT* ids, int count);

// Which banner bitmap to show at `dpi`, and at what size: 200 x 70 pixels
// at 96 DPI, scaled. `exact` when the bitmap is drawn at that size, else it
// is scaled down from the next larger drawing.
struct BannerChoice
{
    UINT id;
    int width;
    int height;
    bool exact;
};
BannerChoice ChooseBanner(int dpi);

class CTolvaneDlg : public CDialog
{
public:
    explicit CTolvaneDlg(CWnd* pParent = nullptr);
    ~CTolvaneDlg() override;

    // What the runs came to, so far (settled when a run is over).
    RunOutcome GetRunOutcome() const noexcept { return m_outcome; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnSysCommand(WPARAM nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnProductPage();
    void OnWipe();
    void OnDestroy();
    void OnOptions();
    void OnTimer(UINT_PTR nIDEvent);

    void UpdateSpaceInfo();

public:
    CButton m_btnWipe;
    CHyperLink m_linkSite;
    CTextProgressCtrl m_progress;
    KoListCtrl m_listMessages;
    CButtonST m_btnProductPage;
    UINT_PTR m_nTimer = 0;
    CImageList m_imageList;
    CString m_strPath;
    BOOL m_boolAutoStart = FALSE;
    BOOL m_boolPathFromCommandLine = FALSE;
    BOOL m_boolCloseWhenDone = FALSE;
    HICON m_hIcon = nullptr; // shared icon from LoadIcon: never destroyed
    CursorHandle m_hLinkCursor;
    BitmapHandle m_bmpBanner; // shown by the banner static, which does not own it

private:
    void ReadCommandLine();
    // Shows the banner at the window's DPI, centred across the window.
    void ShowBanner();
    // Gives the wipe button this caption unless it already has it.
    void ShowCaption(const char* caption);
    // Shows the run's counters on the bar by the progress rule.
    void ShowRunProgress();
    // Cancels a run still going and waits for its worker to end, pumping
    // messages meanwhile so its log posts reach the list; then settles the
    // outcome. The window stays disabled while waiting.
    void StopRunAndWait();
    // Once the run this window started has ended, turns its messages into
    // the outcome.
    void SettleRunOutcome();

    RunOutcome m_outcome = RunOutcome::Clean;
    // A run this window started whose outcome is not yet in m_outcome.
    BOOL m_boolOutcomePending = FALSE;
    // Messages in the log before that run started.
    UINT m_nRunFirstMessage = 0;
    // Set once closing has begun: nothing new may start, and a second close
    // request while waiting for the run is ignored.
    BOOL m_boolClosing = FALSE;
    // A run was started or a tick has shown it going: the first tick that
    // finds it over shows its final counters once more.
    BOOL m_boolBarFollowsRun = FALSE;
    // Not every message-kind icon could be had (reported once the list shows).
    BOOL m_boolIconsMissing = FALSE;
};
