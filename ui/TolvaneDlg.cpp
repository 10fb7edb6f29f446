#include "ui/TolvaneDlg.h"

#include "app/AppContext.h"
#include "app/CmdLineParser.h"
#include "app/OptionsDlg.h"
#include "controls/Dpi.h"
#include "engine/KoWipeProgress.h"
#include "engine/KoWipeSeam.h"
#include "framework/WinApp.h"
#include "res/Version.h"
#include "res/resource.h"
#include "support/KoFile.h"
#include "support/KoFormat.h"
#include "support/KoMessages.h"

#include <shellapi.h>
#include <shlobj.h>

#include <utility>
#include <vector>

namespace
{
const char kProductPage[] = "https://www.orbelin.example/products/tolvane/?inref=tolvane";

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 500;
constexpr int kProgressRange = 1000;

TolvaneDlgSeam DefaultSeam()
{
    TolvaneDlgSeam seam;
    seam.BrowseForFolder = &BrowseForFolder;
    seam.SetTimer = &::SetTimer;
    seam.GetCommandLine = &::GetCommandLineA;
    seam.ShellExecute = &::ShellExecuteA;
    return seam;
}
TolvaneDlgSeam g_seam = DefaultSeam();

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data != 0)
        ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

// An image of cx x cy that shows nothing: all mask, no colour.
IconHandle TransparentIcon(int cx, int cy)
{
    const int stride = ((cx + 15) / 16) * 2; // monochrome rows are word-aligned
    std::vector<BYTE> andBits(static_cast<size_t>(stride * cy), 0xFF);
    std::vector<BYTE> xorBits(andBits.size(), 0);
    return IconHandle(::CreateIcon(nullptr, cx, cy, 1, 1, andBits.data(), xorBits.data()));
}

// The banner drawn for 100, 150 and 200 % scaling, smallest first.
struct BannerSource
{
    UINT id;
    int width;
    int height;
};
constexpr BannerSource kBanners[] = {
    {IDB_BANNER, 200, 70}, {IDB_BANNER_150, 300, 105}, {IDB_BANNER_200, 400, 140}};

KoMessagesContainer& Log()
{
    return g_pAppContext->m_Messages;
}

KoWipe& Run()
{
    return g_pAppContext->m_Wipe;
}
} // namespace

BOOL BrowseForFolder(CString& path, HWND owner)
{
    char display[MAX_PATH] = {};
    BROWSEINFOA bi = {};
    // An owner makes the picker modal: the main window cannot start a second
    // picker or a run, so the target cannot change under a running wipe.
    bi.hwndOwner = owner;
    bi.pidlRoot = nullptr;
    bi.pszDisplayName = display;
    bi.lpszTitle = "Please select the drive or folder";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    bi.lpfn = &BrowseCallback;
    bi.lParam = 0;

    BOOL result = FALSE;
    // The shell's allocator is the COM task allocator: the caller frees the
    // item list with CoTaskMemFree.
    const CoTaskMemHandle<ITEMIDLIST> items(::SHBrowseForFolderA(&bi));
    if (items && ::SHGetPathFromIDListA(items.get(), display))
    {
        path = display;
        result = TRUE;
    }
    return result;
}

TolvaneDlgSeam& GetTolvaneDlgSeam() noexcept
{
    return g_seam;
}

void ResetTolvaneDlgSeam() noexcept
{
    g_seam = DefaultSeam();
}

BOOL AddIconsInOrder(CImageList& list, HINSTANCE module, const UINT* ids, int count)
{
    int cx = 16;
    int cy = 16;
    ::ImageList_GetIconSize(list, &cx, &cy);
    BOOL all = TRUE;
    for (int i = 0; i < count; ++i)
    {
        // The image list keeps its own copy of the icon. The icon file's
        // image of the list's size is taken (the nearest one scaled if none).
        IconHandle icon(static_cast<HICON>(
            ::LoadImageA(module, MAKEINTRESOURCEA(ids[i]), IMAGE_ICON, cx, cy, 0)));
        if (icon && list.Add(icon.get()) != -1)
            continue;
        all = FALSE;
        // A missing picture must not shift every later kind onto the wrong one.
        IconHandle blank = TransparentIcon(cx, cy);
        if (!blank || list.Add(blank.get()) == -1)
            return FALSE;
    }
    return all;
}

CTolvaneDlg::CTolvaneDlg(CWnd* pParent) : CDialog(IDD_TOLVANE_DIALOG, pParent)
{
    HINSTANCE res = AfxGetResourceHandle();
    m_hIcon = ::LoadIconA(res, MAKEINTRESOURCEA(IDR_MAINFRAME));
    // A cursor of our own (not the shared copy LoadCursor gives), so that
    // destroying it when the window goes is correct.
    m_hLinkCursor.reset(static_cast<HCURSOR>(
        ::LoadImageA(res, MAKEINTRESOURCEA(IDC_LINK_CURSOR), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE)));
    // Image index = message kind: Error, Warning, Info, Question, Action.
    static const UINT kKindIcons[] = {IDI_MSG_ERROR, IDI_MSG_WARNING, IDI_MSG_INFO,
                                      IDI_MSG_QUESTION, IDI_MSG_ACTION};
    // The system's small-icon size, which follows the DPI.
    const SIZE small = SmallIconSize();
    m_boolIconsMissing = !m_imageList.Create(small.cx, small.cy, ILC_COLOR32 | ILC_MASK, 24, 32) ||
                         !AddIconsInOrder(m_imageList, res, kKindIcons, 5);
}

CTolvaneDlg::~CTolvaneDlg() = default;

void CTolvaneDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WIPE, m_btnWipe);
    DDX_Control(pDX, IDC_SITE, m_linkSite);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_MESSAGES, m_listMessages);
    DDX_Control(pDX, IDC_PRODUCT_PAGE, m_btnProductPage);
}

BOOL CTolvaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    ShowBanner();
    m_btnProductPage.SetIcon(IDI_PRODUCT_PAGE, SmallIconSize());

    m_linkSite.SetTargetUrl(kProductPage);
    m_linkSite.m_hCursor = m_hLinkCursor.get();

    UpdateSpaceInfo();

    m_listMessages.SetImageList(m_imageList, LVSIL_SMALL);
    Log().m_pList = &m_listMessages;

    RECT rc;
    m_listMessages.GetWindowRect(&rc);
    const int width = (rc.right - rc.left) - 2 * ::GetSystemMetrics(SM_CXEDGE);
    m_listMessages.SetFullRowGrid();
    m_listMessages.InsertColumn(0, "Messages", LVCFMT_LEFT, width);
    m_listMessages.m_boolAutoFitColumn = TRUE;
    m_listMessages.AdjustColumnWidth();
    m_listMessages.UpdateWindow();

    CString build;
    build.Format("Tolvane build: %d", TOLVANE_BUILD);
    PostToLog(build, KoMessagesContainer::Info);
    if (m_boolIconsMissing)
        PostToLog("CTolvaneDlg::CTolvaneDlg: Can't load the message icons",
                  KoMessagesContainer::Error);

    ReadCommandLine();

    // Without the timer nothing polls the run: no automatic start, no
    // caption change and no automatic close. The user must hear of it.
    m_nTimer = g_seam.SetTimer(m_hWnd, kTimerId, kTimerMs, nullptr);
    if (m_nTimer == 0)
        PostToLog("CTolvaneDlg::OnInitDialog: Can't start the timer", KoMessagesContainer::Error);
    return TRUE;
}

BannerChoice ChooseBanner(int dpi)
{
    const int width = ScaleForDpi(kBanners[0].width, dpi);
    const int height = ScaleForDpi(kBanners[0].height, dpi);
    // The smallest drawing at least that large: scaling down keeps it sharp.
    const BannerSource* source = &kBanners[sizeof(kBanners) / sizeof(kBanners[0]) - 1];
    for (const BannerSource& b : kBanners)
    {
        if (b.width >= width)
        {
            source = &b;
            break;
        }
    }
    return {source->id, width, height, source->width == width && source->height == height};
}

void CTolvaneDlg::ShowBanner()
{
    // The banner static is the template's one bitmap control.
    HWND banner = nullptr;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT))
    {
        if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
        {
            banner = child;
            break;
        }
    }
    if (banner == nullptr)
        return;
    const BannerChoice choice = ChooseBanner(WindowDpi(m_hWnd));
    BitmapHandle bitmap(static_cast<HBITMAP>(
        ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(choice.id), IMAGE_BITMAP,
                     choice.exact ? 0 : choice.width, choice.exact ? 0 : choice.height, 0)));
    if (!bitmap)
        return; // the template's own picture stays
    // The static loaded the template's picture itself and never deletes it:
    // it is handed back here, and ours is deleted with the dialog object,
    // after the static is gone.
    const BitmapHandle previous(reinterpret_cast<HBITMAP>(::SendMessageA(
        banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get()))));
    m_bmpBanner = std::move(bitmap);
    // Centred across the window, at the template's top, as at 96 DPI.
    RECT client;
    GetClientRect(&client);
    RECT place;
    ::GetWindowRect(banner, &place);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
    ::SetWindowPos(banner, nullptr, (client.right - choice.width) / 2, place.top, choice.width,
                   choice.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTolvaneDlg::ReadCommandLine()
{
    const char* commandLine = g_seam.GetCommandLine();
    if (!commandLine || !*commandLine)
        return;
    CCmdLineParser parser(commandLine, false);
    const char* path = parser.FindValue("P");
    if (!path)
        return;
    m_strPath = path;
    if (IsRootPath(m_strPath) || IsFolder(m_strPath))
    {
        AppContext& ctx = *g_pAppContext;
        ctx.m_boolWipeInBackground = parser.ContainsKey("B") ? 1 : 0;
        ctx.m_boolWipeTwice = parser.ContainsKey("T") ? 1 : 0;
        ctx.m_boolCheckForErrors = parser.ContainsKey("C") ? 1 : 0;
        ctx.m_boolRandom = parser.ContainsKey("R") ? 1 : 0;
        m_boolCloseWhenDone = parser.ContainsKey("A") ? TRUE : FALSE;
        m_boolAutoStart = TRUE;
        m_boolPathFromCommandLine = TRUE;
        // Until that run has ended cleanly, a run was asked for and not done.
        m_outcome = RunOutcome::FailedOrCancelled;
    }
    else
    {
        PostToLog("Command line: Invalid path specified", KoMessagesContainer::Error);
        m_strPath.Empty();
        m_outcome = RunOutcome::PathRejected;
    }
}

void CTolvaneDlg::OnOK()
{
    // Enter must never close the window.
}

void CTolvaneDlg::OnCancel()
{
    // Esc, the close box and the automatic close after a command-line run
    // all end here. A run still going would outlive the window and the
    // application context, so it is cancelled first and its worker allowed
    // to finish its posts and delete its wipe files.
    if (m_boolClosing)
        return;
    m_boolClosing = TRUE;
    StopRunAndWait();
    CDialog::OnCancel();
}

void CTolvaneDlg::StopRunAndWait()
{
    // Waited for even when the running flag has fallen: the worker may still
    // be taking its very last step.
    const bool running = Run().m_boolRunning.load() != FALSE;
    const BOOL wasEnabled = IsWindowEnabled();
    if (running)
        EnableWindow(FALSE);
    Run().CancelAndWait();
    if (running && wasEnabled)
        EnableWindow(TRUE);
    SettleRunOutcome();
}

void CTolvaneDlg::SettleRunOutcome()
{
    if (!m_boolOutcomePending || Run().m_boolRunning.load())
        return;
    m_boolOutcomePending = FALSE;
    // The worker has stopped posting: the log can be read. A run that was
    // cancelled posts a Warning (run or wipe file cancelled); one that failed
    // posts an Error.
    BOOL clean = TRUE;
    const KoPtrAutoArray<KoListComboItem*>& messages = Log().m_arrMessages;
    for (UINT i = m_nRunFirstMessage; i < messages.GetSize(); ++i)
    {
        const int kind = messages.GetAt(i)->m_nImage;
        if (kind == KoMessagesContainer::Error || kind == KoMessagesContainer::Warning)
            clean = FALSE;
    }
    m_outcome = clean ? RunOutcome::Clean : RunOutcome::FailedOrCancelled;
}

LRESULT CTolvaneDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_SYSCOMMAND:
        OnSysCommand(wParam, lParam);
        return 0;
    case WM_PAINT:
        if (::IsIconic(m_hWnd))
        {
            OnPaint();
            return 0;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return Default();
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CTolvaneDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED)
    {
        switch (LOWORD(wParam))
        {
        case IDC_PRODUCT_PAGE:
            OnProductPage();
            return TRUE;
        case IDC_WIPE:
            OnWipe();
            return TRUE;
        case IDC_OPTIONS:
            OnOptions();
            return TRUE;
        default:
            break;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CTolvaneDlg::OnSysCommand(WPARAM, LPARAM)
{
    Default();
}

void CTolvaneDlg::OnPaint()
{
    ScopedPaint paint(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
    RECT rc;
    GetClientRect(&rc);
    const int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(paint.get(), x, y, m_hIcon);
}

HCURSOR CTolvaneDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

void CTolvaneDlg::OnProductPage()
{
    g_seam.ShellExecute(nullptr, "open", kProductPage, nullptr, nullptr, SW_SHOWNORMAL);
}

void CTolvaneDlg::OnWipe()
{
    if (m_boolClosing)
        return;
    KoWipe& run = Run();
    if (run.m_boolRunning.load())
    {
        run.m_boolCancel.store(TRUE);
        return;
    }
    if (!m_boolPathFromCommandLine)
    {
        CString picked;
        g_seam.BrowseForFolder(picked, m_hWnd);
        // The picker ran a nested message loop: the window may have begun to close.
        if (m_boolClosing)
            return;
        m_strPath = picked;
    }
    if (m_strPath.IsEmpty())
        return;
    UpdateSpaceInfo();

    CString question;
    question.Format("Are you sure want to wipe disk: '%s' ?  It may take some time.",
                    m_strPath.c_str());
    m_progress.SetRange(0, kProgressRange);
    const BOOL fromCommandLine = m_boolPathFromCommandLine;
    if (!fromCommandLine && AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (m_boolClosing)
        return;

    m_boolPathFromCommandLine = FALSE;
    SettleRunOutcome();
    const UINT firstMessage = Log().m_arrMessages.GetSize();
    if (run.Start(m_strPath))
    {
        m_nRunFirstMessage = firstMessage;
        m_boolOutcomePending = TRUE;
        m_boolBarFollowsRun = TRUE;
    }
    else
    {
        m_outcome = fromCommandLine ? RunOutcome::PathRejected : RunOutcome::FailedOrCancelled;
    }
}

void CTolvaneDlg::OnDestroy()
{
    // However the window goes, the worker must not post to this list after
    // it is gone: end the run while the list still exists (children are
    // destroyed after their parent's WM_DESTROY), then detach the list.
    m_boolClosing = TRUE;
    StopRunAndWait();
    Log().m_pList = nullptr;

    Default();
    KillTimer(m_nTimer);
    // The list view was not created with shared image lists, so it would
    // destroy the list it holds when it goes; take it back first, so that
    // the image list is destroyed here and only here.
    if (m_listMessages.GetSafeHwnd())
        m_listMessages.SetImageList(nullptr, LVSIL_SMALL);
    m_imageList.DeleteImageList();
    m_hLinkCursor.reset();
}

void CTolvaneDlg::OnOptions()
{
    if (m_boolClosing)
        return;
    KoOptionsDlg dlg;
    dlg.DoModal();
}

void CTolvaneDlg::ShowRunProgress()
{
    KoWipe& run = Run();
    int pos = 0;
    const KoWipe::Counters counters = run.LoadCounters();
    if (KoWipeProgressPos(counters.freeAtStart, counters.wiped, pos))
    {
        CString text;
        FormatBytes(text, static_cast<LONGLONG>(counters.wiped));
        m_progress.SetPosText(text, pos);
    }
}

void CTolvaneDlg::ShowCaption(const char* caption)
{
    // Setting a button's text repaints it; every tick sets the caption, so
    // only a change is passed on.
    CString current;
    m_btnWipe.GetWindowText(current);
    if (current != caption)
        m_btnWipe.SetWindowText(caption);
}

void CTolvaneDlg::OnTimer(UINT_PTR)
{
    KoWipe& run = Run();
    // Loaded once, so the caption and the outcome agree within this tick.
    const BOOL running = run.m_boolRunning.load();
    if (running)
    {
        ShowCaption("Cancel Wipe");
        ShowRunProgress();
        m_boolBarFollowsRun = TRUE;
    }
    else
    {
        ShowCaption("Wipe Disk");
        // The counters are final now (the flag fell after the last write):
        // without this the bar would keep whatever the last tick of the run
        // saw, as if the wipe had stopped there.
        if (m_boolBarFollowsRun)
        {
            m_boolBarFollowsRun = FALSE;
            ShowRunProgress();
        }
        SettleRunOutcome();
    }

    if (m_boolAutoStart)
    {
        m_boolAutoStart = FALSE;
        PostMessage(WM_COMMAND, MAKEWPARAM(IDC_WIPE, BN_CLICKED), 0);
    }
    if (m_boolCloseWhenDone && run.m_boolFinished.load())
    {
        m_boolCloseWhenDone = FALSE;
        PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

void CTolvaneDlg::UpdateSpaceInfo()
{
    if (!m_strPath.IsEmpty())
    {
        SetDlgItemText(IDC_TARGET, "Selected: " + m_strPath);
        // A share root is only understood with its trailing backslash.
        CString root = m_strPath;
        AddBackslash(root);
        ULARGE_INTEGER avail, total, totalFree;
        if (GetWipeSeam().GetDiskFreeSpaceEx(root, &avail, &total, &totalFree))
        {
            CString text;
            FormatBytes(text, static_cast<LONGLONG>(avail.QuadPart));
            SetDlgItemText(IDC_AVAIL, "Avali: " + text);
            FormatBytes(text, static_cast<LONGLONG>(total.QuadPart));
            SetDlgItemText(IDC_TOTAL, "Total: " + text);
            FormatBytes(text, static_cast<LONGLONG>(totalFree.QuadPart));
            SetDlgItemText(IDC_FREE, "Free: " + text);
            return;
        }
    }
    else
    {
        SetDlgItemText(IDC_TARGET, "No disk selected");
    }
    SetDlgItemText(IDC_AVAIL, "0");
    SetDlgItemText(IDC_TOTAL, "0");
    SetDlgItemText(IDC_FREE, "0");
    m_progress.SetPos(0);
}
