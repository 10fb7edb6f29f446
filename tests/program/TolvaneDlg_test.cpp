// The real main dialog under Wine, run modally on the test's main thread
// while a driver thread acts as the user: it presses buttons, answers the
// confirmation box and reads what the window shows. The driver only records;
// every assertion runs on the main thread once the dialog has closed.
//
// Runs wipe a real temporary folder against a simulated free-space figure:
// the volume "has" kFree bytes minus what the run has written, and the
// worker can be held at a chosen point until the driver has acted, so that
// nothing depends on how fast anything is.

#include "app/AppContext.h"
#include "common/Context.h"
#include "common/Files.h"
#include "common/ListRow.h"
#include "common/Log.h"
#include "common/MainWindow.h"
#include "common/RunLines.h"
#include "common/Seams.h"
#include "common/Shell.h"
#include "engine/KoWipeSeam.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "support/KoFormat.h"
#include "ui/TolvaneDlg.h"

#include "controls/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <commctrl.h>

namespace
{

constexpr ULONGLONG kMiB = 1ull << 20;
constexpr DWORD kWaitMs = 60000;

CWinApp g_app;

// An amount as the bar's text shows it.
std::string Bytes(ULONGLONG amount)
{
    CString text;
    FormatBytes(text, static_cast<LONGLONG>(amount));
    return text.c_str();
}

KoWipe& WipeRun()
{
    return g_pAppContext->m_Wipe;
}

// The simulated volume: free space is what is left of `free` after the run's
// writes. When `holdAt` is reached the worker signals `held` and waits for
// `release` before answering.
struct FakeVolume
{
    ULONGLONG free = 0;
    bool windowQueriesFail = false;
    std::vector<std::string> queried; // the paths the free-space query was given
    ULONGLONG holdAt = ~0ull;
    HANDLE held = nullptr;
    HANDLE release = nullptr;
};
FakeVolume g_volume;

BOOL WINAPI FakeFreeSpace(LPCSTR dir, PULARGE_INTEGER avail, PULARGE_INTEGER total,
                          PULARGE_INTEGER totalFree)
{
    if (!WipeRun().m_boolRunning.load())
    {
        g_volume.queried.push_back(dir); // the window's own queries
        if (g_volume.windowQueriesFail)
        {
            ::SetLastError(ERROR_NOT_READY);
            return FALSE;
        }
    }
    const ULONGLONG wiped = WipeRun().m_nWiped.load();
    if (wiped >= g_volume.holdAt)
    {
        g_volume.holdAt = ~0ull;
        ::SetEvent(g_volume.held);
        ::WaitForSingleObject(g_volume.release, kWaitMs);
    }
    // Three different figures, so that a label on the wrong one shows.
    const ULONGLONG left = wiped < g_volume.free ? g_volume.free - wiped : 0;
    avail->QuadPart = left;
    total->QuadPart = g_volume.free + 7 * kMiB;
    totalFree->QuadPart = left + 3 * kMiB;
    return TRUE;
}

// The process command line as the window reads it.
std::string g_commandLine;

LPSTR WINAPI FakeCommandLine()
{
    return &g_commandLine[0];
}

// The window's timer: what it was asked for, then the real one or a failure.
struct FakeTimer
{
    bool fail = false;
    bool silent = false; // granted, but only the test's own ticks come
    UINT_PTR id = 0;
    UINT elapseMs = 0;
};
FakeTimer g_timer;

UINT_PTR WINAPI FakeSetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc)
{
    g_timer.id = id;
    g_timer.elapseMs = elapseMs;
    if (g_timer.fail)
    {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (g_timer.silent)
        return id;
    return ::SetTimer(hwnd, id, elapseMs, proc);
}

// The runs here wipe a folder of the prefix's own drive, which is not full:
// it must not be taken for a full NTFS volume whose file records are free.
BOOL WINAPI NoVolumeName(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPSTR, DWORD)
{
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

// The folder picker's answer and what it was given.
struct FakePicker
{
    std::string answer; // empty: the picker is cancelled
    HWND owner = nullptr;
    int calls = 0;
};
FakePicker g_picker;

BOOL FakeBrowse(CString& path, HWND owner)
{
    ++g_picker.calls;
    g_picker.owner = owner;
    if (g_picker.answer.empty())
        return FALSE;
    path = g_picker.answer.c_str();
    return TRUE;
}

// A visible top-level window owned by `owner` (a box or picker) and made by
// the owner's thread.
HWND FindOwned(HWND owner)
{
    const DWORD thread = ::GetWindowThreadProcessId(owner, nullptr);
    for (HWND hwnd = ::FindWindowExA(nullptr, nullptr, nullptr, nullptr); hwnd;
         hwnd = ::FindWindowExA(nullptr, hwnd, nullptr, nullptr))
        if (::GetWindow(hwnd, GW_OWNER) == owner && ::IsWindowVisible(hwnd) &&
            ::GetWindowThreadProcessId(hwnd, nullptr) == thread)
            return hwnd;
    return nullptr;
}

std::vector<std::string> ChildTexts(HWND parent)
{
    std::vector<std::string> texts;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        texts.push_back(WindowText(child));
    return texts;
}

class MainDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateTestContext();
        g_volume = FakeVolume{};
        g_volume.held = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        g_volume.release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_seams.Set(GetWipeSeam().GetDiskFreeSpaceEx, &FakeFreeSpace);
        m_seams.Set(GetWipeSeam().GetVolumeInformation, &NoVolumeName);
        g_picker = FakePicker{};
        g_picker.answer = m_dir;
        m_seams.Set(GetTolvaneDlgSeam().BrowseForFolder, &FakeBrowse);
        g_timer = FakeTimer{};
        m_seams.Set(GetTolvaneDlgSeam().SetTimer, &FakeSetTimer);
        g_commandLine = "Tolvane.exe";
        m_seams.Set(GetTolvaneDlgSeam().GetCommandLine, &FakeCommandLine);
        ShellOpens().clear();
        m_seams.Set(GetTolvaneDlgSeam().ShellExecute, &RecordShellOpen);
    }

    void TearDown() override
    {
        ::SetEvent(g_volume.release);
        DestroyTestContext();
        m_seams.Restore();
        ::CloseHandle(g_volume.held);
        ::CloseHandle(g_volume.release);
        for (const std::string& file : FilesIn(m_dir, "Tolvane*.WipeFile"))
            ::DeleteFileA((m_dir + "\\" + file).c_str());
    }

    void Restart()
    {
        TearDown();
        SetUp();
    }

    // Runs the dialog modally here while `script` drives it from another
    // thread, given the dialog's window. Whatever the script leaves open is
    // closed, so a failing script cannot hang the test.
    INT_PTR RunDialog(const std::function<void(HWND)>& script)
    {
        std::thread driver(
            [&]()
            {
                // Visible only once WM_INITDIALOG is over and the modal loop runs.
                HWND dlg = WaitForMainWindow(::GetCurrentProcessId());
                if (!dlg)
                    return;
                script(dlg);
                ::SetEvent(g_volume.release);
                ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            });
        m_dlg = std::make_unique<CTolvaneDlg>();
        g_app.m_pMainWnd = m_dlg.get();
        const INT_PTR result = m_dlg->DoModal();
        g_app.m_pMainWnd = nullptr;
        driver.join();
        return result;
    }

    // Runs the dialog on a volume with `free` bytes free, starts a run, holds
    // it once `holdAt` are written and then hands the window to `script`.
    INT_PTR RunHeld(ULONGLONG free, ULONGLONG holdAt, const std::function<void(HWND)>& script)
    {
        g_volume.free = free;
        g_volume.holdAt = holdAt;
        return RunDialog(
            [&](HWND dlg)
            {
                if (StartAndHold(dlg))
                    script(dlg);
            });
    }

    // Presses Wipe without waiting: the press may open a modal box.
    static void PressWipe(HWND dlg)
    {
        ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_WIPE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDC_WIPE)));
    }

    // One timer tick, handled before this returns.
    static void Tick(HWND dlg) { ::SendMessageA(dlg, WM_TIMER, 1, 0); }

    // Presses Wipe and waits for the confirmation box; null when none came.
    static HWND PressWipeForQuestion(HWND dlg)
    {
        PressWipe(dlg);
        HWND box = nullptr;
        WaitFor([&]() { return (box = FindOwned(dlg)) != nullptr; });
        return box;
    }

    static void Answer(HWND box, int answer)
    {
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }

    // Presses Wipe, gives `answer` to the question and waits until it has gone.
    static bool AnswerQuestion(HWND dlg, int answer)
    {
        HWND box = PressWipeForQuestion(dlg);
        if (!box)
            return false;
        Answer(box, answer);
        return WaitFor([&]() { return !::IsWindow(box); });
    }

    // Starts a run with Yes and waits until the worker is held at holdAt.
    static bool StartAndHold(HWND dlg)
    {
        return AnswerQuestion(dlg, IDYES) &&
               ::WaitForSingleObject(g_volume.held, kWaitMs) == WAIT_OBJECT_0;
    }

    TempDir m_temp{"tvd"};
    const std::string m_dir = m_temp.Path();
    SeamOverrides m_seams;
    std::unique_ptr<CTolvaneDlg> m_dlg;
};

TEST_F(MainDialog, StartsWithNoTargetAndTheBuildLine)
{
    std::string caption, target, total, freeText, avail, bar;
    std::vector<std::string> texts;
    ListRow first;
    int rows = -1;
    RunDialog(
        [&](HWND dlg)
        {
            caption = WindowText(dlg);
            texts = ChildTexts(dlg);
            target = WindowText(::GetDlgItem(dlg, IDC_TARGET));
            total = WindowText(::GetDlgItem(dlg, IDC_TOTAL));
            freeText = WindowText(::GetDlgItem(dlg, IDC_FREE));
            avail = WindowText(::GetDlgItem(dlg, IDC_AVAIL));
            bar = WindowText(::GetDlgItem(dlg, IDC_PROGRESS));
            HWND list = ::GetDlgItem(dlg, IDC_MESSAGES);
            rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            first = ReadListRow(list, 0);
        });

    EXPECT_EQ("Tolvane by Orbelin software", caption);
    const std::string description =
        "Tolvane is a FREE utility that wipes away all deleted files from your disk. It will "
        "prevent them from being restored.\n Tolvane WILL NOT DELETE ANY EXISTING FILES\n ON "
        "YOUR DISK!!!";
    EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), description));
    EXPECT_EQ("No disk selected", target);
    EXPECT_EQ("0", total);
    EXPECT_EQ("0", freeText);
    EXPECT_EQ("0", avail);
    // No text of its own: the bar shows the percentage for position 0.
    EXPECT_EQ("", bar);
    EXPECT_EQ(0, m_dlg->m_progress.m_nPos);
    EXPECT_EQ(1, rows);
    EXPECT_EQ("Tolvane build: 170", first.text);
    EXPECT_EQ(static_cast<int>(KoMessagesContainer::Info), first.image);
    EXPECT_EQ(RunOutcome::Clean, m_dlg->GetRunOutcome());
}

TEST_F(MainDialog, EnterDoesNothingAndEscCloses)
{
    // Both keys go to the message list, in this order: had Enter closed the
    // window, the dialog would end with IDOK and never see the Esc.
    const INT_PTR result = RunDialog(
        [&](HWND dlg)
        {
            HWND list = ::GetDlgItem(dlg, IDC_MESSAGES);
            ::PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
            ::PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
            WaitFor([&]() { return !::IsWindow(dlg); });
        });
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(MainDialog, WipeAsksAndStartsOnlyOnYes)
{
    struct Case
    {
        int answer;
        bool runs;
        const char* folder; // picked inside the test's folder; null: that folder
    };
    // A name in Cyrillic and Japanese (UTF-8, the program's code page).
    const char* scripts = "\xd0\xa4\xd0\xbe\xd1\x82\xd0\xbe \xe5\x86\x99\xe7\x9c\x9f";
    for (const Case& c :
         {Case{IDYES, true, nullptr}, Case{IDNO, false, nullptr}, Case{IDYES, true, scripts}})
    {
        SCOPED_TRACE(c.answer == IDYES ? "Yes" : "No");
        SCOPED_TRACE(c.folder ? c.folder : "the test's folder");
        Restart();
        const std::string picked = c.folder ? m_dir + "\\" + c.folder : m_dir;
        if (c.folder)
        {
            ASSERT_TRUE(::CreateDirectoryA(picked.c_str(), nullptr));
            // The ANSI name is the folder's real name only in UTF-8 (the
            // manifest's code page); in any other it names a garbled one.
            wchar_t wide[MAX_PATH] = {};
            ::MultiByteToWideChar(CP_UTF8, 0, picked.c_str(), -1, wide, MAX_PATH);
            ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(wide)) << "not in UTF-8";
        }
        g_picker.answer = picked;
        g_volume.free = 5 * kMiB;
        std::string question, target, caption, avail, total, freeText;
        bool ownerDisabled = false;
        RunDialog(
            [&](HWND dlg)
            {
                HWND box = PressWipeForQuestion(dlg);
                if (!box)
                    return;
                question = WindowText(::GetDlgItem(box, 0xFFFF));
                avail = WindowText(::GetDlgItem(dlg, IDC_AVAIL));
                total = WindowText(::GetDlgItem(dlg, IDC_TOTAL));
                freeText = WindowText(::GetDlgItem(dlg, IDC_FREE));
                ownerDisabled = !::IsWindowEnabled(dlg);
                Answer(box, c.answer);
                WaitFor([&]() { return !::IsWindow(box); });
                if (c.runs)
                    WaitFor([&]() { return WipeRun().m_boolFinished.load() != FALSE; });
                Tick(dlg);
                target = WindowText(::GetDlgItem(dlg, IDC_TARGET));
                caption = WindowText(::GetDlgItem(dlg, IDC_WIPE));
            });

        EXPECT_EQ("Are you sure want to wipe disk: '" + picked + "' ?  It may take some time.",
                  question);
        EXPECT_TRUE(ownerDisabled) << "the confirmation must be modal to the main window";
        EXPECT_EQ("Avali: 5.000 Mb", avail);
        EXPECT_EQ("Total: 12.00 Mb", total);
        EXPECT_EQ("Free: 8.000 Mb", freeText);
        ASSERT_FALSE(g_volume.queried.empty());
        EXPECT_EQ(picked + "\\", g_volume.queried.front()) << "a share root needs the backslash";
        EXPECT_EQ("Selected: " + picked, target);
        EXPECT_EQ("Wipe Disk", caption);
        EXPECT_EQ(1000, m_dlg->m_progress.m_nUpper);
        EXPECT_EQ(c.runs, Logged(KoMessagesContainer::Info, RunLine::kStarted));
        EXPECT_EQ(c.runs, WipeRun().m_nWiped.load() == 5 * kMiB);
        EXPECT_TRUE(FilesIn(picked, "Tolvane*.WipeFile").empty());
        EXPECT_EQ(RunOutcome::Clean, m_dlg->GetRunOutcome());
        if (c.folder)
        {
            EXPECT_TRUE(::RemoveDirectoryA(picked.c_str())) << "the wipe files are gone";
        }
    }
}

// A target too long for its line is shortened in its middle: the start of
// "Selected: " and the end of the path stay whole, nothing is cut at an edge.
TEST_F(MainDialog, ALongTargetIsShortenedInItsMiddle)
{
    g_picker.answer = m_dir + "\\a folder with a long name\\and another long one\\last";
    g_volume.free = 5 * kMiB;
    RECT ink = {};
    int width = 0;
    std::string target;
    RunDialog(
        [&](HWND dlg)
        {
            if (!AnswerQuestion(dlg, IDNO))
                return;
            HWND line = ::GetDlgItem(dlg, IDC_TARGET);
            target = WindowText(line);
            const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
            const Canvas canvas(line, face);
            width = canvas.Width();
            ink = canvas.Bounds([face](COLORREF c) { return c != face; });
        });
    EXPECT_EQ("Selected: " + g_picker.answer, target) << "the text itself is whole";
    ASSERT_FALSE(::IsRectEmpty(&ink));
    EXPECT_GT(ink.left, 0) << "cut at the left";
    EXPECT_LT(ink.right, width) << "cut at the right";
}

TEST_F(MainDialog, PickerIsOwnedByTheWindowAndCancellingItClearsOnlyTheTarget)
{
    std::string targetAfterNo, targetAfterCancel;
    int boxesAfterCancel = -1;
    HWND window = nullptr;
    RunDialog(
        [&](HWND dlg)
        {
            window = dlg;
            if (!AnswerQuestion(dlg, IDNO))
                return;
            targetAfterNo = WindowText(::GetDlgItem(dlg, IDC_TARGET));

            g_picker.answer.clear();
            // Sent: the picker answers at once and no box may follow.
            ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_WIPE, BN_CLICKED), 0);
            boxesAfterCancel = FindOwned(dlg) ? 1 : 0;
            targetAfterCancel = WindowText(::GetDlgItem(dlg, IDC_TARGET));
        });

    EXPECT_EQ(2, g_picker.calls);
    EXPECT_EQ(window, g_picker.owner) << "the picker needs the main window as owner";
    EXPECT_EQ("Selected: " + m_dir, targetAfterNo);
    EXPECT_EQ(0, boxesAfterCancel);
    EXPECT_EQ("Selected: " + m_dir, targetAfterCancel);
    EXPECT_TRUE(m_dlg->m_strPath.IsEmpty());
    EXPECT_FALSE(WipeRun().m_boolFinished.load());
}

TEST_F(MainDialog, ProgressFollowsTheRun)
{
    // holdAt: the worker is held once this much is written; pos and text are
    // what one tick then shows. The last row's start figure makes plain
    // division give 1009 for the whole amount: the bar must show 1000.
    struct Case
    {
        ULONGLONG free, holdAt;
        int pos;
    };
    const Case cases[] = {
        {10 * kMiB, 4 * kMiB, 400},
        {10 * kMiB, 10 * kMiB, 1000},
        {100999, 100999, 1000},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.free) + " free, held at " + std::to_string(c.holdAt));
        Restart();
        std::string caption, bar, finalBar;
        int pos = -1, finalPos = -1;
        RunHeld(c.free, c.holdAt,
                [&](HWND dlg)
                {
                    Tick(dlg);
                    caption = WindowText(::GetDlgItem(dlg, IDC_WIPE));
                    bar = WindowText(::GetDlgItem(dlg, IDC_PROGRESS));
                    pos = m_dlg->m_progress.m_nPos;
                    ::SetEvent(g_volume.release);
                    WaitFor([&]() { return WipeRun().m_boolFinished.load() != FALSE; });
                    // The first tick after the run shows where it really ended.
                    Tick(dlg);
                    finalBar = WindowText(::GetDlgItem(dlg, IDC_PROGRESS));
                    finalPos = m_dlg->m_progress.m_nPos;
                });

        EXPECT_EQ("Cancel Wipe", caption);
        EXPECT_EQ(c.pos, pos);
        EXPECT_EQ(Bytes(c.holdAt), bar);
        EXPECT_EQ(1000, finalPos);
        EXPECT_EQ(Bytes(c.free), finalBar);
        EXPECT_EQ(RunOutcome::Clean, m_dlg->GetRunOutcome());
    }
}

// What a 32-bit build can get wrong and a 64-bit one cannot: the run's 64-bit
// counter read in two halves while the worker stores it, and pointers carried
// in the window's data and messages. The worker is held, and this thread takes
// its place as the one writer: it stores two amounts whose halves both differ,
// so a torn read puts a third amount on the bar (8 GiB, at 500). It also posts
// lines as the worker does; each row must hold its own message and show it.
TEST_F(MainDialog, CountersAndPointersCrossTheThreadsWhole)
{
    constexpr ULONGLONG kLow = 4ull << 30;         // 0x1'00000000
    constexpr ULONGLONG kHigh = (12ull << 30) - 1; // 0x2'FFFFFFFF
    constexpr int kLoads = 500000;                 // as the window loads them, without pause
    constexpr int kTicks = 300;
    constexpr int kLines = 50;
    g_timer.silent = true; // a tick of its own between two reads would mix them
    std::vector<std::string> bars;
    std::vector<int> positions;
    std::vector<ListRow> rows;
    int rowsBefore = -1;
    UINT messagesBefore = 0;
    int tornLoads = 0;
    ULONGLONG firstTorn = 0;
    RunHeld(16ull << 30, 2 * kMiB,
            [&](HWND dlg)
            {
                KoWipe& run = WipeRun();
                const ULONGLONG held = run.m_nWiped.load();
                std::atomic<bool> stop{false};
                run.m_nWiped.store(kLow); // before the first tick
                std::thread writer(
                    [&]()
                    {
                        for (unsigned i = 0; !stop.load(std::memory_order_relaxed); ++i)
                            run.m_nWiped.store(i & 1 ? kHigh : kLow, std::memory_order_relaxed);
                    });
                for (int i = 0; i < kLoads; ++i)
                {
                    // Out of this core's cache, as it is when a tick comes: a load
                    // that must fetch the counter is the one a store can split.
                    asm volatile(
                        "clflush %0" ::"m"(*reinterpret_cast<const volatile char*>(&run.m_nWiped)));
                    const ULONGLONG wiped = run.LoadCounters().wiped;
                    if (wiped != kLow && wiped != kHigh && tornLoads++ == 0)
                        firstTorn = wiped;
                }
                HWND bar = ::GetDlgItem(dlg, IDC_PROGRESS);
                for (int i = 0; i < kTicks; ++i)
                {
                    Tick(dlg);
                    bars.push_back(WindowText(bar));
                    positions.push_back(m_dlg->m_progress.m_nPos);
                }
                stop = true;
                writer.join();
                run.m_nWiped.store(held);

                HWND list = ::GetDlgItem(dlg, IDC_MESSAGES);
                rowsBefore = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
                messagesBefore = g_pAppContext->m_Messages.m_arrMessages.GetSize();
                for (int i = 0; i < kLines; ++i)
                    g_pAppContext->m_Messages.AddMessage(("line " + std::to_string(i)).c_str(),
                                                         KoMessagesContainer::Info);
                for (int i = 0; i < rowsBefore + kLines; ++i)
                    rows.push_back(ReadListRow(list, i));
                PressWipe(dlg); // cancel: the simulated 16 GiB are never written
                ::SetEvent(g_volume.release);
                WaitFor([&]() { return run.m_boolFinished.load() != FALSE; });
            });

    const std::string low = Bytes(kLow), high = Bytes(kHigh);
    EXPECT_EQ(0, tornLoads) << "first: " << firstTorn;
    ASSERT_EQ(static_cast<size_t>(kTicks), bars.size());
    int torn = 0;
    for (size_t i = 0; i < bars.size(); ++i)
    {
        const bool whole =
            (bars[i] == low && positions[i] == 250) || (bars[i] == high && positions[i] == 750);
        if (!whole && ++torn == 1)
            ADD_FAILURE() << "tick " << i << " showed " << bars[i] << " at " << positions[i];
    }
    EXPECT_EQ(0, torn);

    const auto& messages = g_pAppContext->m_Messages.m_arrMessages;
    ASSERT_EQ(static_cast<size_t>(rowsBefore + kLines), rows.size());
    ASSERT_LE(messagesBefore + kLines, messages.GetSize());
    for (int i = 0; i < kLines; ++i)
    {
        SCOPED_TRACE("line " + std::to_string(i));
        const ListRow& row = rows[rowsBefore + i];
        EXPECT_EQ(reinterpret_cast<LPARAM>(messages.GetAt(messagesBefore + i)), row.data);
        EXPECT_EQ("line " + std::to_string(i), row.text);
    }
}

// Text changes and synchronous paints sent to the wipe button (0) and the bar
// (1), counted on the window thread while the driver arms the counting.
std::atomic<HWND> g_counted[2] = {};
std::atomic<int> g_redraws[2] = {};

LRESULT CALLBACK CountRedraws(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && (msg->message == WM_SETTEXT || msg->message == WM_PAINT))
        for (int i = 0; i < 2; ++i)
            if (msg->hwnd == g_counted[i].load())
                ++g_redraws[i];
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainDialog, ATickWithTheSameFiguresRedrawsNothing)
{
    HHOOK hook =
        ::SetWindowsHookExA(WH_CALLWNDPROC, &CountRedraws, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    std::vector<int> redraws;
    std::vector<bool> dirty;
    std::vector<std::string> texts;
    RunHeld(
        10 * kMiB, 4 * kMiB,
        [&](HWND dlg)
        {
            const HWND windows[2] = {::GetDlgItem(dlg, IDC_WIPE), ::GetDlgItem(dlg, IDC_PROGRESS)};
            RECT rect;
            auto isDirty = [&](int i) { return ::GetUpdateRect(windows[i], &rect, FALSE) != 0; };
            Tick(dlg); // "Cancel Wipe" and 4 MiB, painted by the window's loop
            WaitFor([&]() { return !isDirty(0) && !isDirty(1); });
            for (int i = 0; i < 2; ++i)
            {
                g_redraws[i] = 0;
                g_counted[i] = windows[i];
            }
            Tick(dlg); // the worker is held: the same caption and figures
            for (int i = 0; i < 2; ++i)
            {
                redraws.push_back(g_redraws[i].load());
                g_counted[i] = nullptr;
                dirty.push_back(isDirty(i));
                texts.push_back(WindowText(windows[i]));
            }
        });
    ::UnhookWindowsHookEx(hook);

    EXPECT_EQ((std::vector<std::string>{"Cancel Wipe", Bytes(4 * kMiB)}), texts);
    EXPECT_EQ((std::vector<int>{0, 0}), redraws);
    EXPECT_EQ((std::vector<bool>{false, false}), dirty);
}

TEST_F(MainDialog, WipePressedDuringARunCancelsIt)
{
    std::string running, cancelling, ended;
    bool cancelRequested = false;
    int boxes = -1;
    RunHeld(10 * kMiB, 2 * kMiB,
            [&](HWND dlg)
            {
                Tick(dlg);
                running = WindowText(::GetDlgItem(dlg, IDC_WIPE));
                // The worker is held: this press lands during the run for certain.
                ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_WIPE, BN_CLICKED), 0);
                boxes = FindOwned(dlg) ? 1 : 0;
                cancelRequested = WipeRun().m_boolCancel.load() != FALSE;
                Tick(dlg);
                cancelling = WindowText(::GetDlgItem(dlg, IDC_WIPE));
                ::SetEvent(g_volume.release);
                WaitFor([&]() { return !WipeRun().m_boolRunning.load(); });
                Tick(dlg);
                ended = WindowText(::GetDlgItem(dlg, IDC_WIPE));
            });

    EXPECT_EQ("Cancel Wipe", running);
    EXPECT_EQ(0, boxes) << "no question when cancelling";
    EXPECT_TRUE(cancelRequested);
    EXPECT_EQ("Cancel Wipe", cancelling);
    EXPECT_EQ("Wipe Disk", ended);
    EXPECT_LT(WipeRun().m_nWiped.load(), 10 * kMiB);
    EXPECT_TRUE(FilesIn(m_dir, "Tolvane*.WipeFile").empty());
    EXPECT_EQ(RunOutcome::FailedOrCancelled, m_dlg->GetRunOutcome());
}

TEST_F(MainDialog, ClosingDuringARunWaitsForTheWorkerToFinish)
{
    bool heldWithFile = false;
    const INT_PTR result =
        RunHeld(10 * kMiB, 2 * kMiB,
                [&](HWND dlg)
                {
                    heldWithFile = !FilesIn(m_dir, "Tolvane*.WipeFile").empty();
                    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
                    // Release the worker only once the close has asked it to stop.
                    WaitFor([&]() { return WipeRun().m_boolCancel.load() != FALSE; });
                    ::SetEvent(g_volume.release);
                    WaitFor([&]() { return !::IsWindow(dlg); });
                });

    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(heldWithFile);
    // The run was over before the window went: its last lines were posted
    // and its files deleted, and the log no longer points at the list.
    EXPECT_FALSE(WipeRun().m_boolRunning.load());
    EXPECT_TRUE(Logged(KoMessagesContainer::Warning, RunLine::kRunCancel) ||
                Logged(KoMessagesContainer::Warning, RunLine::kFileCancel));
    EXPECT_TRUE(FilesIn(m_dir, "Tolvane*.WipeFile").empty());
    EXPECT_EQ(nullptr, g_pAppContext->m_Messages.m_pList);
    EXPECT_EQ(RunOutcome::FailedOrCancelled, m_dlg->GetRunOutcome());
}

TEST_F(MainDialog, ClosingWhileTheQuestionIsOpenStartsNothing)
{
    g_volume.free = 5 * kMiB;
    bool hidden = false;
    const INT_PTR result = RunDialog(
        [&](HWND dlg)
        {
            HWND box = PressWipeForQuestion(dlg);
            if (!box)
                return;
            ::PostMessageA(dlg, WM_CLOSE, 0, 0);
            // Ending the dialog hides it; only then is Yes given.
            hidden = WaitFor([&]() { return !::IsWindowVisible(dlg); });
            Answer(box, IDYES);
            WaitFor([&]() { return !::IsWindow(dlg); });
        });

    EXPECT_TRUE(hidden);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_FALSE(Logged(KoMessagesContainer::Info, RunLine::kStarted));
    EXPECT_FALSE(WipeRun().m_boolFinished.load());
    EXPECT_TRUE(FilesIn(m_dir, "Tolvane*.WipeFile").empty());
}

// What the command line does, given the stored settings all 7: a valid path
// starts a run on the first tick without picker or question and sets each
// setting from its own key; anything else leaves the settings as stored.
TEST_F(MainDialog, CommandLineRules)
{
    struct Case
    {
        const char* what;
        std::string args; // %s: the test's folder
        int settings[4];  // background, twice, check, random
        bool runs, closes;
        RunOutcome outcome;
    };
    const Case rows[] = {
        {"path, B, C and A", "/P:%s /B /C /A", {1, 0, 1, 0}, true, true, RunOutcome::Clean},
        {"path, T and R", "-p:\"%s\" -t -R", {0, 1, 0, 1}, true, false, RunOutcome::Clean},
        {"missing", "/P:%s\\missing /B /A", {7, 7, 7, 7}, false, false, RunOutcome::PathRejected},
        {"no path", "/B /T /A", {7, 7, 7, 7}, false, false, RunOutcome::Clean},
    };
    for (const Case& row : rows)
    {
        SCOPED_TRACE(row.what);
        Restart();
        g_volume.free = 5 * kMiB;
        std::string args = row.args;
        if (args.find("%s") != std::string::npos)
            args.replace(args.find("%s"), 2, m_dir);
        g_commandLine = "\"C:\\Program Files\\Tolvane\\Tolvane.exe\" " + args;
        AppContext& ctx = *g_pAppContext;
        ctx.m_boolWipeInBackground = ctx.m_boolWipeTwice = 7;
        ctx.m_boolCheckForErrors = ctx.m_boolRandom = 7;
        bool closedByItself = false, askedAgain = false;
        int boxes = 0;
        RunDialog(
            [&](HWND dlg)
            {
                Tick(dlg); // the first tick: an automatic run starts now
                WaitFor([&]() { return !row.runs || WipeRun().m_boolFinished.load(); });
                boxes += FindOwned(dlg) ? 1 : 0;
                Tick(dlg);
                // A close the tick asked for comes at once; 1.5 s is three
                // ticks of the real timer as well.
                closedByItself =
                    WaitFor([&]() { return !::IsWindow(dlg); }, row.closes ? kWaitMs : 1500);
                if (closedByItself || !row.runs)
                    return;
                // After an automatic run, Wipe picks and asks again.
                HWND box = PressWipeForQuestion(dlg);
                askedAgain = box != nullptr && g_picker.calls == 1;
                if (box)
                    Answer(box, IDNO);
            });
        EXPECT_EQ((std::vector<int>{row.settings, row.settings + 4}),
                  (std::vector<int>{ctx.m_boolWipeInBackground, ctx.m_boolWipeTwice,
                                    ctx.m_boolCheckForErrors, ctx.m_boolRandom}));
        EXPECT_EQ(row.runs, Logged(KoMessagesContainer::Info, RunLine::kStarted));
        EXPECT_EQ(0, boxes) << "no question for a command-line run";
        EXPECT_EQ(row.closes, closedByItself);
        EXPECT_EQ(row.runs && !row.closes, askedAgain);
        EXPECT_EQ(row.outcome == RunOutcome::PathRejected,
                  Logged(KoMessagesContainer::Error, "Command line: Invalid path specified"));
        EXPECT_EQ(row.outcome, m_dlg->GetRunOutcome());
    }
}

TEST_F(MainDialog, TheProductPageAndAFailedSpaceQuery)
{
    g_volume.free = 5 * kMiB;
    std::string total, bar;
    int pos = -1;
    RunDialog(
        [&](HWND dlg)
        {
            ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PRODUCT_PAGE, BN_CLICKED), 0);
            // A run fills the bar; a target whose space cannot be read empties it.
            if (!AnswerQuestion(dlg, IDYES))
                return;
            WaitFor([&]() { return WipeRun().m_boolFinished.load() != FALSE; });
            Tick(dlg);
            g_volume.windowQueriesFail = true;
            HWND box = PressWipeForQuestion(dlg);
            total = WindowText(::GetDlgItem(dlg, IDC_TOTAL));
            pos = m_dlg->m_progress.m_nPos;
            if (box)
                Answer(box, IDNO);
        });
    const std::string page = "/products/tolvane/?inref=tolvane";
    ASSERT_EQ(1u, ShellOpens().size());
    const std::string opened = ShellOpens()[0].file;
    EXPECT_EQ("open", ShellOpens()[0].verb);
    ASSERT_GT(opened.size(), page.size());
    EXPECT_EQ(page, opened.substr(opened.size() - page.size()));
    EXPECT_EQ(0u, opened.rfind("https://", 0));
    EXPECT_EQ(opened, m_dlg->m_linkSite.m_strUrl.c_str());
    EXPECT_EQ("0", total);
    EXPECT_EQ(0, pos);
}

TEST_F(MainDialog, PollsEveryHalfSecondAndSaysSoWhenItCannot)
{
    for (bool fail : {false, true})
    {
        SCOPED_TRACE(fail ? "no timer" : "timer");
        Restart();
        g_timer.fail = fail;
        RunDialog([](HWND) {});
        EXPECT_EQ(500u, g_timer.elapseMs);
        EXPECT_EQ(fail, Logged(KoMessagesContainer::Error,
                               "CTolvaneDlg::OnInitDialog: Can't start the timer"));
    }
}

// The image's pixels drawn over a fixed background: colour and mask both count.
std::vector<DWORD> Pixels(const std::function<void(HDC)>& draw)
{
    Canvas canvas(16, 16);
    std::fill_n(canvas.Bits(), 256, 0x00808080u);
    draw(canvas.Dc());
    ::GdiFlush();
    return std::vector<DWORD>(canvas.Bits(), canvas.Bits() + 256);
}

std::vector<DWORD> IconPixels(UINT id)
{
    HICON icon = static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    std::vector<DWORD> pixels =
        Pixels([&](HDC dc) { ::DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL); });
    ::DestroyIcon(icon);
    return pixels;
}

std::vector<DWORD> ImagePixels(HIMAGELIST list, int index)
{
    return Pixels([&](HDC dc) { ::ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL); });
}

// The two ways of drawing blend the edges with a rounding of their own.
bool SamePicture(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
        {
            const int x = static_cast<int>((a[i] >> shift) & 0xFF);
            const int y = static_cast<int>((b[i] >> shift) & 0xFF);
            if (x - y > 2 || y - x > 2)
                return false;
        }
    return true;
}

TEST(Banner, TheDrawingForTheDpiOrTheNextLargerScaledDown)
{
    struct Case
    {
        int dpi;
        UINT id;
        int width, height;
        bool exact;
    } rows[] = {
        {96, IDB_BANNER, 200, 70, true},        {120, IDB_BANNER_150, 250, 88, false},
        {144, IDB_BANNER_150, 300, 105, true},  {192, IDB_BANNER_200, 400, 140, true},
        {288, IDB_BANNER_200, 600, 210, false}, // larger than any: the largest
    };
    for (const Case& r : rows)
    {
        SCOPED_TRACE(testing::Message() << r.dpi << " DPI");
        const BannerChoice got = ChooseBanner(r.dpi);
        EXPECT_EQ(r.id, got.id);
        EXPECT_EQ(r.width, got.width);
        EXPECT_EQ(r.height, got.height);
        EXPECT_EQ(r.exact, got.exact);
    }
}

TEST(KindIcons, AMissingIconKeepsEveryLaterOneAtItsIndex)
{
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 24, 32));
    const UINT ids[] = {IDI_MSG_ERROR, 999, IDI_MSG_INFO};
    EXPECT_FALSE(AddIconsInOrder(list, ::GetModuleHandleA(nullptr), ids, 3));
    ASSERT_EQ(3, ::ImageList_GetImageCount(list));
    EXPECT_TRUE(SamePicture(IconPixels(IDI_MSG_ERROR), ImagePixels(list, 0)));
    EXPECT_TRUE(SamePicture(IconPixels(IDI_MSG_INFO), ImagePixels(list, 2)));
}

// The list view would destroy the image list it holds when it goes (it is
// not made with shared image lists); the dialog destroys its own as well.
// Exactly one of them may do it: the dialog, after taking it back.
HWND g_listToWatch = nullptr;
HIMAGELIST g_imageListAtListDestroy = reinterpret_cast<HIMAGELIST>(-1);

LRESULT CALLBACK WatchListDestroy(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && msg->hwnd == g_listToWatch && msg->message == WM_DESTROY)
        g_imageListAtListDestroy = reinterpret_cast<HIMAGELIST>(
            ::SendMessageA(msg->hwnd, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainDialog, ImageListHoldsTheKindIconsAndIsDestroyedOnce)
{
    HHOOK hook =
        ::SetWindowsHookExA(WH_CALLWNDPROC, &WatchListDestroy, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    HIMAGELIST shown = nullptr;
    int images = -1;
    std::vector<std::vector<DWORD>> pictures;
    RunDialog(
        [&](HWND dlg)
        {
            g_listToWatch = ::GetDlgItem(dlg, IDC_MESSAGES);
            shown = reinterpret_cast<HIMAGELIST>(
                ::SendMessageA(g_listToWatch, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
            images = ::ImageList_GetImageCount(shown);
            for (int i = 0; i < images; ++i)
                pictures.push_back(ImagePixels(shown, i));
        });
    ::UnhookWindowsHookEx(hook);

    EXPECT_NE(nullptr, shown);
    ASSERT_EQ(5, images);
    // The image index is the message kind: Error, Warning, Info, Question, Action.
    const UINT kinds[] = {IDI_MSG_ERROR, IDI_MSG_WARNING, IDI_MSG_INFO, IDI_MSG_QUESTION,
                          IDI_MSG_ACTION};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            EXPECT_EQ(i == j, SamePicture(IconPixels(kinds[i]), pictures[j]))
                << "icon " << kinds[i] << ", image " << j;
    EXPECT_EQ(nullptr, g_imageListAtListDestroy) << "the list view still held the image list";
    EXPECT_EQ(nullptr, static_cast<HIMAGELIST>(m_dlg->m_imageList));
}

TEST(Resources, RecordTheProgramFileAndBuild170)
{
    // The test program carries the same resources as Tolvane.exe.
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    DWORD ignored = 0;
    std::vector<char> info(::GetFileVersionInfoSizeA(self, &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(::GetFileVersionInfoA(self, 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(170u, LOWORD(fixed->dwFileVersionLS));
    char* name = nullptr;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\StringFileInfo\\040904b0\\OriginalFilename",
                                 reinterpret_cast<void**>(&name), &size));
    EXPECT_EQ(std::string("Tolvane.exe"), name);
}

TEST(BrowseForFolder, IsModalToItsOwnerAndKeepsThePathWhenCancelled)
{
    HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    std::atomic<bool> sawPicker{false}, ownerDisabled{false};
    std::thread driver(
        [&]()
        {
            HWND picker = nullptr;
            if (!WaitFor([&]() { return (picker = FindOwned(owner)) != nullptr; }))
                return;
            sawPicker = true;
            ownerDisabled = !::IsWindowEnabled(owner);
            ::PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
    CString path("unchanged");
    const BOOL picked = BrowseForFolder(path, owner);
    driver.join();
    ::DestroyWindow(owner);

    EXPECT_TRUE(sawPicker);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_FALSE(picked);
    EXPECT_EQ(std::string("unchanged"), path.c_str());
}

} // namespace
