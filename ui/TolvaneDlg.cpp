#include "ui/TolvaneDlg.h"

#include "app/AppContext.h"
#include "app/CmdLineParser.h"
#include "app/OptionsDlg.h"
#include "engine/KoWipeProgress.h"
#include "framework/WinApp.h"
#include "res/Version.h"
#include "res/resource.h"
#include "support/KoFile.h"
#include "support/KoFormat.h"
#include "support/KoMessages.h"

#include <shellapi.h>
#include <shlobj.h>

namespace
{
const char kProductPage[] = "https://www.orbelin.example/products/tolvane/?inref=tolvane";

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 500;
constexpr int kProgressRange = 1000;

BrowseForFolderFunc g_browseForFolder = &BrowseForFolder;

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data != 0)
        ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

// Releases what the shell allocator handed out, and the allocator itself.
struct ShellMalloc
{
    IMalloc* p = nullptr;
    ShellMalloc() = default;
    ShellMalloc(const ShellMalloc&) = delete;
    ShellMalloc& operator=(const ShellMalloc&) = delete;
    ~ShellMalloc()
    {
        if (p)
            p->Release();
    }
};

struct ItemList
{
    IMalloc* alloc;
    LPITEMIDLIST p;
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    ~ItemList()
    {
        if (p)
            alloc->Free(p);
    }
};

// A 16 x 16 image of an icon resource; the image list keeps its own copy.
int AddIcon(CImageList& list, UINT id)
{
    IconHandle icon(static_cast<HICON>(
        ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0)));
    return icon ? list.Add(icon.get()) : -1;
}

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
    ShellMalloc alloc;
    if (FAILED(::SHGetMalloc(&alloc.p)) || !alloc.p)
        return FALSE;

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
    ItemList items{alloc.p, ::SHBrowseForFolderA(&bi)};
    if (items.p && ::SHGetPathFromIDListA(items.p, display))
    {
        path = display;
        result = TRUE;
    }
    return result;
}

BrowseForFolderFunc SetBrowseForFolderFunc(BrowseForFolderFunc func) noexcept
{
    BrowseForFolderFunc previous = g_browseForFolder;
    g_browseForFolder = func ? func : &BrowseForFolder;
    return previous;
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
    m_imageList.Create(16, 16, ILC_COLOR32 | ILC_MASK, 24, 32);
    for (UINT id : {IDI_MSG_ERROR, IDI_MSG_WARNING, IDI_MSG_INFO, IDI_MSG_QUESTION, IDI_MSG_ACTION})
        AddIcon(m_imageList, id);
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

    m_btnProductPage.SetIcon(IDI_PRODUCT_PAGE);

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
    Log().AddMessage(build, KoMessagesContainer::Info);

    ReadCommandLine();

    m_nTimer = SetTimer(kTimerId, kTimerMs);
    return TRUE;
}

void CTolvaneDlg::ReadCommandLine()
{
    const char* commandLine = ::GetCommandLineA();
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
        m_nExitCode = kExitRunFailed;
    }
    else
    {
        Log().AddMessage("Command line: Invalid path specified", KoMessagesContainer::Error);
        m_strPath.Empty();
        m_nExitCode = kExitBadPath;
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
    if (Run().m_boolRunning.load())
    {
        const BOOL wasEnabled = IsWindowEnabled();
        EnableWindow(FALSE);
        Run().CancelAndWait();
        if (wasEnabled)
            EnableWindow(TRUE);
    }
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
    m_nExitCode = clean ? kExitSuccess : kExitRunFailed;
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
    ::ShellExecuteA(nullptr, "open", kProductPage, nullptr, nullptr, SW_SHOWNORMAL);
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
        g_browseForFolder(picked, m_hWnd);
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
    }
    else
    {
        m_nExitCode = fromCommandLine ? kExitBadPath : kExitRunFailed;
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

void CTolvaneDlg::OnTimer(UINT_PTR)
{
    KoWipe& run = Run();
    // Loaded once, so the caption and the outcome agree within this tick.
    const BOOL running = run.m_boolRunning.load();
    if (running)
    {
        m_btnWipe.SetWindowText("Cancel Wipe");
        int pos = 0;
        const ULONGLONG wiped = run.m_nWiped.load();
        if (KoWipeProgressPos(run.m_nFreeAtStart.load(), wiped, pos))
        {
            CString text;
            FormatBytes(text, static_cast<LONGLONG>(wiped));
            m_progress.SetPosText(text, pos);
        }
    }
    else
    {
        m_btnWipe.SetWindowText("Wipe Disk");
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
        ULARGE_INTEGER avail, total, totalFree;
        if (::GetDiskFreeSpaceExA(m_strPath, &avail, &total, &totalFree))
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
