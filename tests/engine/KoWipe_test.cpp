// Wipe runs against a simulated volume: the free-space query answers from a
// budget, and chunk writes are counted instead of stored, so gigabytes of
// wipe files cost nothing. The wipe files themselves are real (empty) files
// in a temporary folder, created, flushed and deleted through the real calls.

#include "app/AppContext.h"
#include "engine/KoWipe.h"
#include "engine/KoWipeProgress.h"
#include "engine/KoWipeSeam.h"
#include "support/Handle.h"
#include "support/KoFileSeam.h"
#include "common/Context.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/MainWindow.h"
#include "common/RunLines.h"
#include "common/Seams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <new>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <winioctl.h>

// Out of memory on demand: once armed, the next allocation of exactly that
// many bytes (of any size: kAnySize) on the arming thread fails, and the arm
// is cleared.
constexpr size_t kAnySize = ~size_t(0);
std::atomic<size_t> g_failNewOfSize{0};
std::atomic<DWORD> g_failNewThread{0};

void* operator new(size_t bytes)
{
    size_t armed = g_failNewOfSize.load();
    if (bytes != 0 && g_failNewThread.load() == ::GetCurrentThreadId() &&
        (armed == bytes || armed == kAnySize) && g_failNewOfSize.compare_exchange_strong(armed, 0))
        throw std::bad_alloc();
    void* p = ::HeapAlloc(::GetProcessHeap(), 0, bytes != 0 ? bytes : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void operator delete(void* p) noexcept
{
    if (p != nullptr)
        ::HeapFree(::GetProcessHeap(), 0, p);
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

namespace
{

constexpr unsigned long long kMiB = 1ull << 20;
constexpr unsigned long long kGiB = 1ull << 30;

using Line = LogLine;

const UINT E = KoMessagesContainer::Error;
const UINT W = KoMessagesContainer::Warning;
const UINT I = KoMessagesContainer::Info;

// The simulated volume and what the run did to it. Written by the worker,
// read by the test after the run has ended (m_boolRunning falls with release
// order, which the test's acquire load pairs with).
struct FakeVolume
{
    ULONGLONG avail = 0;
    bool neverShrinks = false; // writes take no room (a compressing volume)
    ULONGLONG growAfter = 0;   // once this much is written, growBy more is free
    ULONGLONG growBy = 0;
    ULONGLONG takenAfterFirstWrite = 0; // another writer's share
    int failFreeSpaceCall = 0;          // 1-based; 0 never
    int failWrite = 0;                  // 1-based write call; 0 never
    DWORD writeError = 0;               // 0: that write stores half the bytes
    ULONGLONG hidden = 0;               // of the free space shown, what writes cannot take
    ULONGLONG refuseAbove = 0;          // larger writes are refused; 0: none is
    unsigned roomlessFiles = 0;         // bit i: wipe file i takes no room
    DWORD flushError = 0;               // nonzero: every flush fails so
    int cancelAfterWrite = 0;           // set the run's cancel flag after this write
    std::string cancelAtOpen;           // set it when this file is opened
    int failNewAtFlush = 0;             // after this flush, the next allocation of
    size_t failNewBytes = 0;            // this many bytes fails
    std::string refuseOpen;             // opening this file fails with openError
    DWORD openError = ERROR_ACCESS_DENIED;
    HWND sendTo = nullptr; // every query first waits for the window thread
    // The record phase: the volume names itself NTFS, has this many free
    // file records (-1: no end), each taking up to recordBytes of data;
    // smallDataInClusters: a full volume refuses even one byte.
    bool ntfs = false;
    int freeRecords = -1;
    DWORD recordBytes = 700;
    bool smallDataInClusters = false;
    int cancelAfterRecords = 0;
    int freeAfterRecords = 0; // then growBy is free again
    int failNewAtRecords = 0; // then the next allocation fails

    ULONGLONG written = 0;
    ULONGLONG roomless = 0; // of written, what took no room
    int freeSpaceCalls = 0;
    std::vector<std::string> queried; // the paths the free-space query was given
    int uncompressRequests = 0;
    int writes = 0;
    int flushes = 0;
    std::vector<std::string> opened;
    std::map<HANDLE, size_t> openIndex;
    std::vector<ULONGLONG> sizes;
    std::vector<std::string> deleted;
    std::vector<UINT> logSizeAtDelete;
    int oversizedWrites = 0;  // asked to write more than the run's buffer holds
    std::string vanishAtOpen; // when this file is opened, the file before it is deleted
    int recordItems = 0;      // files and folders the record phase made
    std::map<HANDLE, DWORD> recordFiles;
};

FakeVolume g_vol;
HANDLE g_holdAllocation = nullptr; // manual-reset; unset holds the worker
HANDLE g_allocationReached = nullptr;
bool g_failAllocation = false;

KoWipe& TheRun()
{
    return g_pAppContext->m_Wipe;
}

UINT LogSize()
{
    return g_pAppContext->m_Messages.m_arrMessages.GetSize();
}

BOOL WINAPI FakeFreeSpace(LPCSTR dir, PULARGE_INTEGER avail, PULARGE_INTEGER total,
                          PULARGE_INTEGER totalFree)
{
    g_vol.queried.push_back(dir);
    if (g_vol.sendTo != nullptr)
        ::SendMessageA(g_vol.sendTo, WM_APP, 0, 0);
    if (++g_vol.freeSpaceCalls == g_vol.failFreeSpaceCall)
    {
        ::SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    ULONGLONG all = g_vol.avail;
    if ((g_vol.growAfter != 0 && g_vol.written >= g_vol.growAfter) ||
        (g_vol.freeAfterRecords != 0 && g_vol.recordItems >= g_vol.freeAfterRecords))
        all += g_vol.growBy;
    if (g_vol.writes > 0)
        all -= g_vol.takenAfterFirstWrite;
    avail->QuadPart = g_vol.neverShrinks ? all : all - g_vol.written + g_vol.roomless;
    total->QuadPart = all + g_vol.roomless;
    totalFree->QuadPart = avail->QuadPart;
    return TRUE;
}

bool IsRecordItem(LPCSTR path)
{
    return std::string(path).find("\\Tolvane.WipeRecords") != std::string::npos;
}

// One free file record taken, or none left.
bool TakeRecord()
{
    if (g_vol.freeRecords == 0)
    {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
    }
    if (g_vol.freeRecords > 0)
        --g_vol.freeRecords;
    if (++g_vol.recordItems == g_vol.cancelAfterRecords)
        TheRun().m_boolCancel.store(TRUE);
    if (g_vol.recordItems == g_vol.failNewAtRecords)
    {
        g_failNewThread.store(::GetCurrentThreadId());
        g_failNewOfSize.store(kAnySize);
    }
    return true;
}

BOOL WINAPI FakeVolumeInformation(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPSTR fs,
                                  DWORD fsSize)
{
    if (!g_vol.ntfs)
    {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    ::lstrcpynA(fs, "NTFS", static_cast<int>(fsSize));
    return TRUE;
}

BOOL WINAPI FakeCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES sa)
{
    if (IsRecordItem(path) && !TakeRecord())
        return FALSE;
    return ::CreateDirectoryA(path, sa);
}

HANDLE WINAPI FakeCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                             DWORD disposition, DWORD flags, HANDLE tmpl)
{
    if (IsRecordItem(name))
    {
        if (!TakeRecord())
            return INVALID_HANDLE_VALUE;
        HANDLE h = ::CreateFileA(name, access, share, sa, disposition, flags, tmpl);
        g_vol.recordFiles[h] = 0;
        return h;
    }
    if (g_vol.vanishAtOpen == name && !g_vol.opened.empty())
        ::DeleteFileA(g_vol.opened.back().c_str()); // another program's doing
    g_vol.opened.push_back(name);
    if (g_vol.cancelAtOpen == name)
        TheRun().m_boolCancel.store(TRUE);
    if (g_vol.refuseOpen == name)
    {
        ::SetLastError(g_vol.openError);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = ::CreateFileA(name, access, share, sa, disposition, flags, tmpl);
    if (h != INVALID_HANDLE_VALUE)
    {
        g_vol.openIndex[h] = g_vol.sizes.size();
        g_vol.sizes.push_back(0);
    }
    return h;
}

BOOL WINAPI FakeWriteFile(HANDLE h, LPCVOID, DWORD count, LPDWORD done, LPOVERLAPPED)
{
    *done = 0;
    if (g_vol.recordFiles.count(h) != 0)
    {
        // Data that does not fit the record would need a cluster.
        if (g_vol.smallDataInClusters || count > g_vol.recordBytes)
        {
            ::SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        g_vol.recordFiles[h] = count;
        *done = count;
        return TRUE;
    }
    if (++g_vol.writes == g_vol.failWrite)
    {
        if (g_vol.writeError == 0)
        {
            *done = count / 2;
            return TRUE;
        }
        ::SetLastError(g_vol.writeError);
        return FALSE;
    }
    const ULONGLONG room = g_vol.avail - g_vol.written + g_vol.roomless - g_vol.hidden;
    if ((g_vol.refuseAbove != 0 && count > g_vol.refuseAbove) ||
        (g_vol.hidden != 0 && count > room))
    {
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    if (count > TheRun().m_nBufferSize)
        ++g_vol.oversizedWrites;
    const size_t file = g_vol.openIndex.at(h);
    g_vol.sizes.at(file) += count;
    g_vol.written += count;
    if (file < 32 && (g_vol.roomlessFiles >> file) & 1)
        g_vol.roomless += count;
    *done = count;
    if (g_vol.writes == g_vol.cancelAfterWrite)
        TheRun().m_boolCancel.store(TRUE);
    return TRUE;
}

BOOL WINAPI FakeFlush(HANDLE h)
{
    if (++g_vol.flushes == g_vol.failNewAtFlush)
    {
        g_failNewThread.store(::GetCurrentThreadId());
        g_failNewOfSize.store(g_vol.failNewBytes);
    }
    if (g_vol.flushError != 0)
    {
        ::SetLastError(g_vol.flushError);
        return FALSE;
    }
    return ::FlushFileBuffers(h);
}

// Asked to store a wipe file uncompressed; refused, as most volumes do.
BOOL WINAPI FakeDeviceIoControl(HANDLE h, DWORD code, LPVOID in, DWORD inBytes, LPVOID, DWORD,
                                LPDWORD, LPOVERLAPPED)
{
    if (code == FSCTL_SET_COMPRESSION && inBytes == sizeof(USHORT) &&
        *static_cast<USHORT*>(in) == COMPRESSION_FORMAT_NONE && g_vol.openIndex.count(h) != 0)
        ++g_vol.uncompressRequests;
    ::SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}

BOOL WINAPI FakeDeleteFile(LPCSTR name)
{
    g_vol.deleted.push_back(name);
    g_vol.logSizeAtDelete.push_back(LogSize());
    return ::DeleteFileA(name);
}

unsigned char* HeldAllocation(size_t bytes)
{
    ::SetEvent(g_allocationReached);
    ::WaitForSingleObject(g_holdAllocation, INFINITE);
    if (g_failAllocation)
        return nullptr;
    return new unsigned char[bytes]();
}

// The worker's last step but one: the running flag has fallen, the finished
// flag is not yet set.
HANDLE g_holdEnding = nullptr; // manual-reset; unset holds the worker
HANDLE g_endingReached = nullptr;

void HeldEnding()
{
    ::SetEvent(g_endingReached);
    ::WaitForSingleObject(g_holdEnding, INFINITE);
}

class ContextEnvironment : public testing::Environment
{
public:
    void SetUp() override { CreateTestContext(); }
    void TearDown() override { DestroyTestContext(); }
};
const testing::Environment* const g_env = testing::AddGlobalTestEnvironment(new ContextEnvironment);

class WipeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDir(m_dir));
        SetUpSeam();
        // A cancel requested by an earlier test stays until a run starts.
        TheRun().m_boolCancel.store(FALSE);
        Fresh(0);
    }

    // A new simulated volume with `avail` bytes free; the log is read from now on.
    void Fresh(ULONGLONG avail)
    {
        g_vol = FakeVolume();
        g_vol.avail = avail;
        m_logStart = LogSize();
    }

    // The simulated volume behind every file and volume call.
    void SetUpSeam()
    {
        m_seams.Set(GetWipeSeam().GetDiskFreeSpaceEx, FakeFreeSpace);
        m_seams.Set(GetWipeSeam().DeviceIoControl, FakeDeviceIoControl);
        m_seams.Set(GetWipeSeam().GetVolumeInformation, FakeVolumeInformation);
        m_seams.Set(GetWipeSeam().CreateDirectory, FakeCreateDirectory);
        // Far above any row's need; keeps a fault from filling the disk.
        m_seams.Set(GetWipeSeam().RecordItemLimit, 5000);
        m_seams.Set(g_KoFileSeam.pCreateFile, FakeCreateFile);
        m_seams.Set(g_KoFileSeam.pWriteFile, FakeWriteFile);
        m_seams.Set(g_KoFileSeam.pFlushFileBuffers, FakeFlush);
        m_seams.Set(g_KoFileSeam.pDeleteFile, FakeDeleteFile);
    }

    void TearDown() override
    {
        for (HANDLE event : {g_holdAllocation, g_holdEnding})
            if (event != nullptr)
                ::SetEvent(event);
        TheRun().CancelAndWait();
        m_seams.Restore();
        for (HANDLE* event :
             {&g_holdAllocation, &g_allocationReached, &g_holdEnding, &g_endingReached})
        {
            if (*event != nullptr)
                ::CloseHandle(*event);
            *event = nullptr;
        }
        g_failAllocation = false;
    }

    // Makes the next run stop in its buffer allocation until Release().
    void HoldWorker()
    {
        g_holdAllocation = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        g_allocationReached = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_seams.Set(GetWipeSeam().AllocateBuffer, HeldAllocation);
    }
    void WaitUntilHeld()
    {
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_allocationReached, 30000));
    }
    void Release() { ::SetEvent(g_holdAllocation); }

    static void WaitForRun()
    {
        ASSERT_TRUE(WaitFor(
            []() { return !TheRun().m_boolRunning.load(std::memory_order_acquire); }, 60000, 1));
    }

    // Starts a run on `target`, waits for its end and answers its log lines.
    std::vector<Line> Wipe(const std::string& target)
    {
        m_target = target;
        EXPECT_TRUE(TheRun().Start(m_target.c_str()));
        WaitForRun();
        EXPECT_TRUE(TheRun().m_boolFinished.load(std::memory_order_acquire));
        EXPECT_EQ(0, g_vol.oversizedWrites) << "a chunk larger than the buffer";
        return Lines();
    }

    std::vector<Line> Lines() const { return LinesOf(g_pAppContext->m_Messages, m_logStart); }

    std::string WipePath(const char* name) const { return m_dir + "\\" + name; }
    static std::string Failed(const std::string& path) { return RunLine::CreateFailed(path); }

    TempDir m_temp{"tolvane-engine"};
    const std::string m_dir = m_temp.Path();
    std::string m_target; // alive and unchanged while a run uses it
    UINT m_logStart = 0;
    SeamOverrides m_seams;
};

const Line kStarted{I, RunLine::kStarted};
const Line kNoFreeSpace{I, RunLine::kNoFreeSpace};
const Line kRunCancel{W, RunLine::kRunCancel};
const Line kFileCancel{W, RunLine::kFileCancel};
const Line kCantWrite{E, RunLine::kCantWrite};
const Line kRecordsStarted{I, "KoWipe::StartWipe: Overwriting free file records"};

Line Overwritten(int n)
{
    return {I, "KoWipe::StartWipe: Free file records overwritten: " + std::to_string(n)};
}

Line Wiped(const char* amount)
{
    return {I, RunLine::Wiped(amount)};
}

TEST_F(WipeTest, FillsTheFreeSpaceWithFilesOfAtMostOneGibThenDeletesThemFrontFirst)
{
    g_vol.avail = 5 * kGiB / 2;
    const std::vector<Line> lines = Wipe(m_dir);

    EXPECT_EQ((std::vector<Line>{kStarted, kNoFreeSpace, Wiped("2.500 Gb")}), lines);
    const std::vector<std::string> names = {WipePath("Tolvane0.WipeFile"),
                                            WipePath("Tolvane1.WipeFile"),
                                            WipePath("Tolvane2.WipeFile")};
    EXPECT_EQ(names, g_vol.opened);
    EXPECT_EQ((std::vector<ULONGLONG>{kGiB, kGiB, kGiB / 2}), g_vol.sizes);
    EXPECT_EQ(3, g_vol.flushes); // once per wipe file
    EXPECT_EQ(3, g_vol.uncompressRequests);
    EXPECT_EQ(names, g_vol.deleted);
    for (UINT atDelete : g_vol.logSizeAtDelete)
        EXPECT_EQ(m_logStart + 3, atDelete); // after the wiped-space line
    EXPECT_EQ(5 * kGiB / 2, TheRun().m_nFreeAtStart.load());
    EXPECT_EQ(5 * kGiB / 2, TheRun().m_nWiped.load());
    EXPECT_TRUE(FilesIn(m_dir).empty());
}

TEST_F(WipeTest, EachChunkIsCutToTheFreeSpaceMeasuredJustBeforeIt)
{
    struct Row
    {
        const char* what;
        ULONGLONG avail, taken, growAfter, growBy;
        const char* wiped;
        std::vector<ULONGLONG> sizes;
    };
    const Row rows[] = {
        {"a full volume makes no file", 0, 0, 0, 0, "0.000 b", {}},
        // 2 MiB, 2 MiB, then the 123 bytes left after another writer took 1 MiB.
        {"space taken", 5 * kMiB + 123, kMiB, 0, 0, "4.000 Mb", {4 * kMiB + 123}},
        // 1 GiB, then the 512 MiB freed after it and the 4 MiB left.
        {"space freed", kGiB + 4 * kMiB, 0, kGiB, kGiB / 2, "1.503 Gb", {kGiB, 516 * kMiB}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Fresh(row.avail);
        g_vol.takenAfterFirstWrite = row.taken;
        g_vol.growAfter = row.growAfter;
        g_vol.growBy = row.growBy;
        EXPECT_EQ((std::vector<Line>{kStarted, kNoFreeSpace, Wiped(row.wiped)}), Wipe(m_dir));
        EXPECT_EQ(row.sizes, g_vol.sizes);
    }
    // The volume gained space during the last run: progress passes 1000.
    int pos = 0;
    ASSERT_TRUE(KoWipeProgressPos(TheRun().m_nFreeAtStart.load(), TheRun().m_nWiped.load(), pos));
    EXPECT_GT(pos, 1000);
}

TEST_F(WipeTest, NamesGoOnInUpperCaseHexadecimal)
{
    g_vol.avail = 17 * kGiB + kMiB;
    Wipe(m_dir);
    ASSERT_EQ(18u, g_vol.opened.size());
    EXPECT_EQ(WipePath("Tolvane9.WipeFile"), g_vol.opened[9]);
    EXPECT_EQ(WipePath("TolvaneA.WipeFile"), g_vol.opened[10]);
    EXPECT_EQ(WipePath("TolvaneF.WipeFile"), g_vol.opened[15]);
    EXPECT_EQ(WipePath("Tolvane10.WipeFile"), g_vol.opened[16]);
    EXPECT_EQ(WipePath("Tolvane11.WipeFile"), g_vol.opened[17]);
    EXPECT_EQ(kMiB, g_vol.sizes[17]);
    EXPECT_TRUE(FilesIn(m_dir).empty());
}

TEST_F(WipeTest, CancelEndsTheRunAndDeletesEveryFile)
{
    // A cancelled file is deleted at once, so it is not flushed first: the
    // cancel never waits for up to a whole file to reach the disk. A cancel
    // met at a file's open fails that file.
    struct Row
    {
        const char* what;
        int afterWrite;
        const char* atOpen; // "": none
        const char* wiped;
        size_t filesMade;
        int flushes;
    };
    const Row rows[] = {
        {"after three chunks", 3, "", "6.000 Mb", 1, 0},
        {"before the first chunk of the run", 0, "Tolvane0.WipeFile", "0.000 b", 1, 0},
        {"before the first chunk of the second file", 0, "Tolvane1.WipeFile", "1.000 Gb", 2, 1},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Fresh(3 * kGiB);
        g_vol.cancelAfterWrite = row.afterWrite;
        Line third = kRunCancel;
        if (*row.atOpen)
        {
            g_vol.cancelAtOpen = WipePath(row.atOpen);
            third = {E, Failed(g_vol.cancelAtOpen)};
        }
        EXPECT_EQ((std::vector<Line>{kStarted, kFileCancel, third, Wiped(row.wiped)}), Wipe(m_dir));
        EXPECT_EQ(row.filesMade, g_vol.opened.size());
        EXPECT_EQ(row.flushes, g_vol.flushes);
        // The file that failed goes at once, the listed ones at the end.
        std::vector<std::string> deleted = g_vol.deleted;
        std::sort(deleted.begin(), deleted.end());
        EXPECT_EQ(g_vol.opened, deleted);
        EXPECT_TRUE(FilesIn(m_dir).empty());
    }
}

TEST_F(WipeTest, CancelBetweenStartAndTheWorkersFirstStepMakesNoFile)
{
    g_vol.avail = kGiB;
    HoldWorker();
    m_target = m_dir;
    ASSERT_TRUE(TheRun().Start(m_target.c_str()));
    TheRun().m_boolCancel.store(TRUE);
    Release();
    WaitForRun();
    EXPECT_EQ((std::vector<Line>{kStarted, kRunCancel, Wiped("0.000 b")}), Lines());
    EXPECT_TRUE(g_vol.opened.empty());
}

TEST_F(WipeTest, FailuresEndTheRunWithTheirMessagesAndLeaveNoFile)
{
    const std::string path = WipePath("Tolvane0.WipeFile");
    const Line failed{E, Failed(path)};
    const Line notReady{E, SystemText(ERROR_NOT_READY)};
    const Line runQuery{E, "KoWipe::StartWipe::GetDiskFreeSpaceEx: Can't get free space info"};
    const Line fileQuery{E, "KoWipeFile::GetDiskFreeSpaceEx: Can't get info"};
    const std::vector<Line> writeFailed = {{E, FileErrorLine(path, ERROR_WRITE_FAULT)},
                                           {E, SystemText(ERROR_WRITE_FAULT)},
                                           kCantWrite,
                                           failed};
    const std::vector<Line> openFailed = {{E, FileErrorLine(path, ERROR_ACCESS_DENIED)},
                                          {E, SystemText(ERROR_ACCESS_DENIED)},
                                          {E, "KoWipeFile::CreateFile: Can't open file"},
                                          failed};
    struct Row
    {
        const char* what;
        int failFreeSpaceCall, failWrite;
        DWORD flushError;
        bool refuseOpen;
        std::vector<Line> errors; // the lines between the first and the last
        const char* wiped;
    };
    const Row rows[] = {
        {"first free-space query", 1, 0, 0, false, {notReady, runQuery}, "0.000 b"},
        {"query of the third chunk", 4, 0, 0, false, {notReady, fileQuery, failed}, "4.000 Mb"},
        {"write of the third chunk", 0, 3, 0, false, writeFailed, "4.000 Mb"},
        {"flush after the last chunk", 0, 0, ERROR_WRITE_FAULT, false, writeFailed, "8.000 Mb"},
        {"open", 0, 0, 0, true, openFailed, "0.000 b"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Fresh(8 * kMiB);
        g_vol.failFreeSpaceCall = row.failFreeSpaceCall;
        g_vol.failWrite = row.failWrite;
        g_vol.writeError = ERROR_WRITE_FAULT;
        g_vol.flushError = row.flushError;
        if (row.refuseOpen)
            g_vol.refuseOpen = path;
        std::vector<Line> expected = {kStarted};
        expected.insert(expected.end(), row.errors.begin(), row.errors.end());
        expected.push_back(Wiped(row.wiped));
        EXPECT_EQ(expected, Wipe(m_dir));
        EXPECT_TRUE(FilesIn(m_dir).empty());
        // The failed file goes at once, before the line that reports it.
        if (!g_vol.logSizeAtDelete.empty())
        {
            EXPECT_EQ(m_logStart + expected.size() - 2, g_vol.logSizeAtDelete.front());
        }
    }
}

// The file system may need room for its own data that the free-space figure
// still showed: the volume is then full, which is what the run is after. The
// fill goes on with smaller writes, down to one sector, and one more file;
// either end of the fill leads to the record phase.
TEST_F(WipeTest, AWriteThatFindsTheVolumeFullEndsTheRunNormally)
{
    const Line kVolumeFull{I, "KoWipeFile::Write: The volume is full"};
    const ULONGLONG kRoom = 8 * kMiB - 4096; // what the first rows' writes can take
    struct Row
    {
        const char* what;
        ULONGLONG hidden, refuseAbove; // either makes the volume refuse to the end
        int failWrite;
        DWORD error; // of that write; 0: a short write
        bool refuseSecondFile;
        const char* wiped;
        std::vector<ULONGLONG> sizes;
        int writes;
    };
    const Row rows[] = {
        // 3 chunks, 21 halving writes down to a refused sector, then a second
        // file whose writes of 4096 to 512 bytes are all refused.
        {"4 KiB is the file system's", 4096, 0, 0, 0, false, "7.996 Mb", {kRoom, 0}, 29},
        {"the second file is refused", 4096, 0, 0, 0, true, "7.996 Mb", {kRoom}, 25},
        // After 32 writes a file ends as full, whatever they do: here 3
        // refused halvings and 29 writes of 128 KiB.
        {"32 writes a file", 0, 128 << 10, 0, 0, false, "7.250 Mb", {29 << 17, 29 << 17}, 66},
        // A write refused once: the smaller ones fill the file.
        {"disk full once", 0, 0, 3, ERROR_DISK_FULL, false, "8.000 Mb", {8 * kMiB}, 7},
        {"handle full once", 0, 0, 3, ERROR_HANDLE_DISK_FULL, false, "8.000 Mb", {8 * kMiB}, 7},
        {"a short write once", 0, 0, 3, 0, false, "8.000 Mb", {8 * kMiB}, 7},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Fresh(8 * kMiB);
        g_vol.hidden = row.hidden;
        g_vol.refuseAbove = row.refuseAbove;
        g_vol.failWrite = row.failWrite;
        g_vol.writeError = row.error;
        if (row.refuseSecondFile)
            g_vol.refuseOpen = WipePath("Tolvane1.WipeFile");
        g_vol.openError = ERROR_DISK_FULL;
        g_vol.ntfs = true;
        g_vol.freeRecords = 40;
        const bool full = row.hidden != 0 || row.refuseAbove != 0;
        EXPECT_EQ((std::vector<Line>{kStarted, full ? kVolumeFull : kNoFreeSpace, kRecordsStarted,
                                     Overwritten(40), Wiped(row.wiped)}),
                  Wipe(m_dir));
        EXPECT_EQ(row.sizes, g_vol.sizes);
        EXPECT_EQ(row.writes, g_vol.writes);
        EXPECT_TRUE(FilesIn(m_dir).empty());
    }
}

TEST_F(WipeTest, AWriteFailureIsNotReportedTwiceByTheFlush)
{
    g_vol.avail = 8 * kMiB;
    g_vol.failWrite = 2;
    g_vol.writeError = ERROR_WRITE_FAULT;
    g_vol.flushError = ERROR_WRITE_FAULT;
    const std::vector<Line> lines = Wipe(m_dir);
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ(kCantWrite, lines[3]);
    EXPECT_EQ(1, g_vol.flushes); // the chunk written before still goes to disk
}

TEST_F(WipeTest, ABufferThatCannotBeAllocatedEndsTheRunWithoutAFile)
{
    g_vol.avail = kGiB;
    HoldWorker();
    g_failAllocation = true;
    Release();
    EXPECT_EQ((std::vector<Line>{{E, "KoWipe::StartWipe: Can't allocate write buffer"},
                                 Wiped("0.000 b")}),
              Wipe(m_dir));
    EXPECT_TRUE(g_vol.opened.empty());
    EXPECT_EQ(0u, TheRun().m_nBufferSize);
}

TEST_F(WipeTest, AnExceptionAfterTheFirstFileFailsTheRunAndLeavesNoFile)
{
    // Out of memory in the middle of a run: the list of wipe files cannot
    // grow for the second file (the file it was about to list is deleted with
    // its object, the listed one by the clean-up), or the record phase has
    // made its folder and two more. The run says it failed and leaves nothing.
    const Line kFailed{E, "KoWipe::StartWipe: Wipe process failed: std::bad_alloc"};
    struct Row
    {
        const char* what;
        ULONGLONG avail;
        int failNewAtRecords;
        std::vector<Line> expected;
        size_t opened;
    };
    const Row rows[] = {
        {"the list cannot grow", 3 * kGiB, 0, {kStarted, kFailed}, 2},
        {"in the record phase", 2 * kMiB, 3, {kStarted, kNoFreeSpace, kFailed}, 1},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Fresh(row.avail);
        g_vol.ntfs = true;
        g_vol.failNewAtRecords = row.failNewAtRecords;
        if (row.failNewAtRecords == 0)
        {
            g_vol.failNewAtFlush = 2;
            g_vol.failNewBytes = 5 * sizeof(void*); // the list's growth from 1 to 5 slots
        }
        TheRun().m_arrWipeFiles.SetSize(0); // no block left from earlier runs
        EXPECT_EQ(row.expected, Wipe(m_dir));
        EXPECT_EQ(0u, g_failNewOfSize.exchange(0)) << "no allocation failed where expected";
        EXPECT_EQ(row.opened, g_vol.opened.size());
        EXPECT_TRUE(FilesIn(m_dir).empty());
    }
}

TEST_F(WipeTest, WipeFilesOfAKilledRunAreDeletedFirstAndNothingElse)
{
    const std::vector<std::string> leftovers = {"Tolvane0.WipeFile", "Tolvane3.WipeFile",
                                                "TolvaneFF.WipeFile", "tolvanea.wipefile"};
    const std::vector<std::string> others = {"Tolvane.WipeFile", "TolvaneG.WipeFile",
                                             "Tolvane1.WipeFile.txt", "xTolvane2.WipeFile"};
    for (const auto* names : {&leftovers, &others})
        for (const std::string& name : *names)
            WriteText(WipePath(name.c_str()), "left over");
    ASSERT_TRUE(::CreateDirectoryA(WipePath("Tolvane5.WipeFile").c_str(), nullptr));
    const std::string readOnly = WipePath("Tolvane3.WipeFile");
    ASSERT_TRUE(::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    ::DeleteFileA(readOnly.c_str());
    const std::string denied = SystemText(::GetLastError());
    ASSERT_NE(SystemText(ERROR_SUCCESS), denied);

    std::vector<Line> expected = {kStarted};
    for (const std::string& name : leftovers)
    {
        const std::string path = WipePath(name.c_str());
        if (path != readOnly)
            expected.push_back(
                {I, "KoWipe::StartWipe: Leftover wipe file deleted: '" + path + "'"});
        else
            expected.insert(
                expected.end(),
                {{E, "File: " + path + " , Error: " + denied},
                 {E, "KoWipe::StartWipe: Can't delete leftover wipe file: '" + path + "'"}});
    }
    expected.insert(expected.end(), {kNoFreeSpace, Wiped("0.000 b")});
    EXPECT_EQ(expected, Wipe(m_dir));
    // Deleted before the volume was measured.
    EXPECT_EQ(1u, g_vol.queried.size());

    std::vector<std::string> kept = others;
    kept.insert(kept.end(), {"Tolvane3.WipeFile", "Tolvane5.WipeFile"});
    std::sort(kept.begin(), kept.end());
    std::vector<std::string> left = FilesIn(m_dir);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(kept, left);
    ::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WipeTest, AFolderInTheWayOfAWipeFileStopsTheRun)
{
    const std::string path = WipePath("Tolvane0.WipeFile");
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
    // What the system says when a folder is deleted as a file.
    ASSERT_FALSE(::DeleteFileA(path.c_str()));
    const std::string denied = SystemText(::GetLastError());
    g_vol.avail = 2 * kMiB;
    EXPECT_EQ((std::vector<Line>{
                  kStarted,
                  {I, "KoWipeFile::CreateFile: The file: '" + path + "' already exist"},
                  {E, "File: " + path + " , Error: " + denied},
                  {E, "KoWipeFile::CreateFile: Can't delete file: '" + path + "', wipe aborted"},
                  {E, Failed(path)},
                  Wiped("0.000 b")}),
              Wipe(m_dir));
    EXPECT_TRUE(g_vol.opened.empty());
    EXPECT_EQ(std::vector<std::string>{"Tolvane0.WipeFile"}, FilesIn(m_dir));
}

TEST_F(WipeTest, SpaceThatNeverShrinksEndsTheRunWithAnError)
{
    // A compressing or deduplicating volume stores zeros for free.
    const Line kNoSpaceTaken{
        E, "KoWipe::StartWipe: The volume does not take up space for the written data"};
    struct Row
    {
        const char* what;
        ULONGLONG avail;
        std::vector<ULONGLONG> sizes;
        const char* wiped;
        unsigned roomlessFiles = 0; // 0: no file takes room
    };
    const Row rows[] = {
        {"two full files that took no room", 3 * kGiB, {kGiB, kGiB}, "2.000 Gb"},
        // Too small for the check: stopped by the volume's own size.
        {"never more than the whole volume", 10 * kMiB, {10 * kMiB}, "10.00 Mb"},
        // Only files in a row count: every other one took its room.
        {"files 0 and 2 took no room", 4 * kGiB, std::vector<ULONGLONG>(6, kGiB), "6.000 Gb", 5},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Fresh(row.avail);
        g_vol.neverShrinks = row.roomlessFiles == 0;
        g_vol.roomlessFiles = row.roomlessFiles;
        EXPECT_EQ((std::vector<Line>{kStarted, row.roomlessFiles ? kNoFreeSpace : kNoSpaceTaken,
                                     Wiped(row.wiped)}),
                  Wipe(m_dir));
        EXPECT_EQ(row.sizes, g_vol.sizes);
        EXPECT_TRUE(FilesIn(m_dir).empty());
    }
}

// Small files live in free file records on NTFS; a run that filled the
// volume takes every free record it can get, then deletes what it made.
TEST_F(WipeTest, OnAFullNtfsVolumeTheFreeFileRecordsAreOverwrittenToo)
{
    constexpr ULONGLONG kNoLimit = ~0ull;
    struct Row
    {
        const char* what;
        bool ntfs, smallDataInClusters;
        int freeRecords, cancelAfterRecords, freeAfterRecords;
        ULONGLONG itemLimit, timeLimitMs; // 0, kNoLimit: the phase's own
        int items, overwritten;           // what the phase made; the count it reports (-1: none)
    };
    const Row rows[] = {
        {"records run out", true, false, 40, 0, 0, 0, kNoLimit, 40, 40},
        // A full tmpfs under Wine.
        {"small data in clusters", true, true, -1, 0, 0, 0, kNoLimit, 4, -1},
        {"cancelled within one item", true, false, -1, 30, 0, 0, kNoLimit, 30, 30},
        {"the hard bound", true, false, -1, 0, 0, 25, kNoLimit, 25, 25},
        {"not NTFS", false, false, -1, 0, 0, 0, kNoLimit, 0, -1},
        {"time bound", true, false, -1, 0, 0, 0, 0, 1, -1},
        // Free space is looked at every 256 items.
        {"space back", true, false, -1, 0, 10, 0, kNoLimit, 256, 256},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Fresh(2 * kMiB);
        g_vol.ntfs = row.ntfs;
        g_vol.freeRecords = row.freeRecords;
        g_vol.smallDataInClusters = row.smallDataInClusters;
        g_vol.cancelAfterRecords = row.cancelAfterRecords;
        g_vol.freeAfterRecords = row.freeAfterRecords;
        g_vol.growBy = kMiB;
        if (row.itemLimit != 0)
            m_seams.Set(GetWipeSeam().RecordItemLimit, row.itemLimit);
        if (row.timeLimitMs != kNoLimit)
            m_seams.Set(GetWipeSeam().RecordTimeLimitMs, row.timeLimitMs);
        std::vector<Line> expected = {kStarted, kNoFreeSpace};
        if (row.overwritten >= 0)
            expected.insert(expected.end(), {kRecordsStarted, Overwritten(row.overwritten)});
        if (row.cancelAfterRecords != 0)
            expected.push_back(kRunCancel);
        expected.push_back(Wiped("2.000 Mb"));
        EXPECT_EQ(expected, Wipe(m_dir));
        EXPECT_EQ(row.items, g_vol.recordItems);
        for (const auto& file : g_vol.recordFiles)
            EXPECT_TRUE(row.smallDataInClusters || file.second >= g_vol.recordBytes - 8)
                << "a record not filled with data: " << file.second;
        EXPECT_TRUE(FilesIn(m_dir).empty());
        m_seams.Restore();
        SetUpSeam();
    }
}

TEST_F(WipeTest, NoRecordPhaseAfterACancelOrAFailure)
{
    for (bool cancel : {true, false})
    {
        SCOPED_TRACE(cancel ? "cancel" : "write failure");
        Fresh(8 * kMiB);
        g_vol.ntfs = true;
        g_vol.cancelAfterWrite = cancel ? 1 : 0;
        g_vol.failWrite = cancel ? 0 : 2;
        g_vol.writeError = ERROR_WRITE_FAULT;
        Wipe(m_dir);
        EXPECT_EQ(0, g_vol.recordItems);
    }
}

TEST_F(WipeTest, ItemsOfAKilledRecordPhaseAreDeletedFirst)
{
    const std::string records = WipePath("Tolvane.WipeRecords");
    for (const char* folder : {"", "\\0", "\\1", "\\0\\1"})
        ASSERT_TRUE(::CreateDirectoryA((records + folder).c_str(), nullptr));
    for (const char* file : {"\\2", "\\0\\2", "\\0\\1\\4"})
        WriteText(records + file, std::string(600, '\0'));
    g_vol.avail = 0;
    EXPECT_EQ(
        (std::vector<Line>{kStarted,
                           {I, "KoWipe::StartWipe: Leftover folder deleted: '" + records + "'"},
                           kNoFreeSpace,
                           Wiped("0.000 b")}),
        Wipe(m_dir));
    EXPECT_TRUE(FilesIn(m_dir).empty());

    // A file the phase would never make is not deleted, nor its folders.
    for (const char* folder : {"", "\\0"})
        ASSERT_TRUE(::CreateDirectoryA((records + folder).c_str(), nullptr));
    WriteText(records + "\\0\\notes.txt", "mine");
    m_logStart = LogSize();
    const std::vector<Line> lines = Wipe(m_dir);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ((Line{E, "KoWipe::StartWipe: Can't delete leftover folder: '" + records + "'"}),
              lines[1]);
    EXPECT_EQ("mine", ReadText(records + "\\0\\notes.txt"));
}

TEST_F(WipeTest, AWipeFileThatVanishedUnderTheRunIsPassedOverQuietly)
{
    g_vol.avail = kGiB + kMiB;
    g_vol.vanishAtOpen = WipePath("Tolvane1.WipeFile");
    EXPECT_EQ((std::vector<Line>{kStarted, kNoFreeSpace, Wiped("1.000 Gb")}), Wipe(m_dir));
    EXPECT_TRUE(FilesIn(m_dir).empty());
}

TEST_F(WipeTest, AWipeFileObjectOwnsOneFileAtATime)
{
    // Outside a run; size 0 makes each file without a chunk.
    const std::string first = WipePath("Tolvane0.WipeFile");
    const std::string second = WipePath("Tolvane1.WipeFile");
    {
        KoWipeFile file;
        EXPECT_FALSE(file.CreateFile(0, first.c_str(), m_dir.c_str()));
        EXPECT_EQ(std::vector<std::string>{"Tolvane0.WipeFile"}, FilesIn(m_dir));
        file.CreateFile(0, second.c_str(), m_dir.c_str());
        EXPECT_EQ(std::vector<std::string>{"Tolvane1.WipeFile"}, FilesIn(m_dir));
    }
    EXPECT_TRUE(FilesIn(m_dir).empty());
}

TEST_F(WipeTest, AWipeFileWithoutABufferDoesNotSpin)
{
    // Outside a run: the file loop would never make progress with chunks of
    // 0 bytes. The call runs on a thread so a fault shows as a failure.
    KoWipe& run = TheRun();
    run.m_nBufferSize = 0;
    const std::string path = WipePath("Tolvane0.WipeFile");
    std::atomic<bool> done{false};
    BOOL result = TRUE;
    std::thread call(
        [&]()
        {
            KoWipeFile file;
            result = file.CreateFile(4 * kMiB, path.c_str(), m_dir.c_str());
            done = true;
        });
    for (int i = 0; i < 500 && !done; ++i)
        ::Sleep(10);
    const bool returned = done;
    run.m_boolCancel.store(TRUE); // lets a spinning loop out
    call.join();
    run.m_boolCancel.store(FALSE);
    EXPECT_TRUE(returned);
    EXPECT_FALSE(result);
    EXPECT_TRUE(FilesIn(m_dir).empty());
}

TEST_F(WipeTest, WipeFilePathsAndFreeSpaceQueriesForDrivesSharesAndFolders)
{
    // The drive of the temporary folder: files on its root are refused at
    // the open, so nothing is ever created there. The share does not exist;
    // only the paths the run asks for are looked at. A free-space query needs
    // the trailing backslash, which a share root does not work without.
    const std::string drive = m_dir.substr(0, 2);
    ASSERT_EQ(':', drive[1]);
    const std::string sub = m_dir + "\\Sub";
    const std::string share = "\\\\tolvane-no-server\\share";
    ASSERT_TRUE(::CreateDirectoryA(sub.c_str(), nullptr));
    struct Row
    {
        std::string target, file, query;
    };
    const Row rows[] = {
        {drive, drive + "\\Tolvane0.WipeFile", drive + "\\"},
        {drive + "\\", drive + "\\Tolvane0.WipeFile", drive + "\\"},
        {sub, sub + "\\Tolvane0.WipeFile", sub + "\\"},
        {sub + "\\", sub + "\\Tolvane0.WipeFile", sub + "\\"},
        {share, share + "\\Tolvane0.WipeFile", share + "\\"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.target);
        Fresh(kMiB);
        g_vol.refuseOpen = row.file;
        Wipe(row.target);
        EXPECT_EQ(std::vector<std::string>{row.file}, g_vol.opened);
        ASSERT_FALSE(g_vol.queried.empty());
        EXPECT_EQ(std::vector<std::string>(g_vol.queried.size(), row.query), g_vol.queried);
    }
    EXPECT_TRUE(FilesIn(sub).empty());
}

TEST_F(WipeTest, AWorkerTakingItsLastStepIsWaitedForAndBlocksANewRun)
{
    g_vol.avail = 2 * kMiB;
    g_holdEnding = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_endingReached = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_seams.Set(GetWipeSeam().RunEnding, HeldEnding);
    m_target = m_dir;
    ASSERT_TRUE(TheRun().Start(m_target.c_str()));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_endingReached, 30000));
    ASSERT_FALSE(TheRun().m_boolRunning.load());

    // A new run now would read as finished as soon as the old worker moved on.
    EXPECT_FALSE(TheRun().Start(m_target.c_str()));
    // A close landing now must wait for the worker, or the context could go
    // from under it. Another thread lets the worker go a little later.
    HANDLE worker = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), TheRun().m_hThread.get(),
                                  ::GetCurrentProcess(), &worker, SYNCHRONIZE, FALSE, 0));
    KernelHandle owned(worker);
    std::thread releaser(
        []()
        {
            ::Sleep(200);
            ::SetEvent(g_holdEnding);
        });
    TheRun().CancelAndWait();
    const DWORD ended = ::WaitForSingleObject(worker, 0);
    releaser.join();
    EXPECT_EQ(WAIT_OBJECT_0, ended) << "CancelAndWait returned while the worker was still going";
    EXPECT_TRUE(TheRun().m_boolFinished.load());
    EXPECT_FALSE(TheRun().m_boolCancel.load()) << "no run was going to cancel";
}

TEST_F(WipeTest, StartRefusesAMissingTargetWithoutAThread)
{
    const std::string missing = m_dir + "\\missing";
    ::GetFileAttributesA(missing.c_str());
    const std::string text = SystemText(::GetLastError());
    m_target = missing;
    EXPECT_FALSE(TheRun().Start(m_target.c_str()));
    EXPECT_FALSE(TheRun().m_boolRunning.load());
    EXPECT_EQ((std::vector<Line>{{E, "File: " + missing + " , Error: " + text},
                                 {E, "Command line: Invalid path specified"}}),
              Lines());
}

TEST_F(WipeTest, StartDuringARunIsRefusedAndASecondRunStartsAfresh)
{
    g_vol.avail = 4 * kMiB;
    Wipe(m_dir);
    ASSERT_EQ(4 * kMiB, TheRun().m_nWiped.load());

    Fresh(2 * kMiB);
    HoldWorker();
    m_target = m_dir;
    ASSERT_TRUE(TheRun().Start(m_target.c_str()));
    WaitUntilHeld();
    // The worker has taken its first step: the earlier run's state is gone.
    EXPECT_FALSE(TheRun().m_boolFinished.load());
    EXPECT_EQ(0u, TheRun().m_nWiped.load());
    EXPECT_EQ(0u, TheRun().m_nFreeAtStart.load());
    EXPECT_FALSE(TheRun().Start(m_target.c_str()));
    EXPECT_EQ(m_logStart, LogSize());
    Release();
    WaitForRun();
    EXPECT_EQ((std::vector<Line>{kStarted, kNoFreeSpace, Wiped("2.000 Mb")}), Lines());
    EXPECT_EQ(2 * kMiB, TheRun().m_nWiped.load());
    EXPECT_EQ(2 * kMiB, TheRun().m_nFreeAtStart.load());
}

// A window on the test thread stands for the message list: the worker waits
// in SendMessage until this thread handles the message, as it does for every
// log line shown in the main window.
class WindowThreadTest : public WipeTest
{
protected:
    void SetUp() override
    {
        WipeTest::SetUp();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ListProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "TolvaneEngineTestList";
        ::RegisterClassA(&wc);
        m_hwnd = ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 wc.hInstance, nullptr);
        ASSERT_NE(nullptr, m_hwnd);
        s_sends = 0;
        g_vol.sendTo = m_hwnd;
        g_vol.avail = 1ull << 40; // never ends by itself
    }
    void TearDown() override
    {
        WipeTest::TearDown();
        ::DestroyWindow(m_hwnd);
    }
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_APP)
            ++s_sends;
        if (msg == WM_APP + 1)
        {
            // A Wipe command that lands just after the run has ended: starts
            // another one. Sent messages are served meanwhile, as the worker
            // may be waiting in one.
            while (TheRun().m_boolRunning.load(std::memory_order_acquire))
            {
                MSG pending;
                ::PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE);
                ::Sleep(1);
            }
            s_restarted = TheRun().Start(reinterpret_cast<const char*>(lp));
        }
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    }
    // Pumps until the worker has been served a few times: it is mid-run.
    void PumpUntilRunning()
    {
        m_target = m_dir;
        ASSERT_TRUE(TheRun().Start(m_target.c_str()));
        for (int i = 0; i < 3000 && s_sends < 5; ++i)
        {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
        }
        ASSERT_GE(s_sends, 5);
    }

    HWND m_hwnd = nullptr;
    static inline int s_sends = 0;
    static inline BOOL s_restarted = FALSE;
};

TEST_F(WindowThreadTest, CancelAndWaitServesTheWorkerUntilItHasEnded)
{
    PumpUntilRunning();
    TheRun().CancelAndWait();
    EXPECT_FALSE(TheRun().m_boolRunning.load(std::memory_order_acquire));
    EXPECT_TRUE(TheRun().m_boolFinished.load(std::memory_order_acquire));
    const std::vector<Line> lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(kFileCancel, lines[lines.size() - 3]);
    EXPECT_EQ(kRunCancel, lines[lines.size() - 2]);
    EXPECT_TRUE(FilesIn(m_dir).empty());
    EXPECT_EQ(g_vol.opened, g_vol.deleted);
}

TEST_F(WindowThreadTest, ARunStartedByAMessageDispatchedWhileWaitingIsWaitedForToo)
{
    PumpUntilRunning();
    s_restarted = FALSE;
    ::PostMessageA(m_hwnd, WM_APP + 1, 0, reinterpret_cast<LPARAM>(m_target.c_str()));
    TheRun().CancelAndWait();
    EXPECT_TRUE(s_restarted);
    EXPECT_FALSE(TheRun().m_boolRunning.load(std::memory_order_acquire));
    const std::vector<Line> lines = Lines();
    EXPECT_EQ(2, std::count(lines.begin(), lines.end(), kStarted));
    // Both runs went through their end: one wiped-space line each.
    EXPECT_EQ(2, std::count_if(lines.begin(), lines.end(),
                               [](const Line& line)
                               { return line.text.rfind(RunLine::kWiped, 0) == 0; }));
    EXPECT_TRUE(FilesIn(m_dir).empty());
}

TEST_F(WindowThreadTest, DestroyingTheContextDuringARunWaitsForTheWorker)
{
    PumpUntilRunning();
    DestroyAppContext();
    EXPECT_EQ(nullptr, g_pAppContext);
    EXPECT_TRUE(FilesIn(m_dir).empty());
    EXPECT_EQ(g_vol.opened, g_vol.deleted);
    CreateTestContext(); // for the tests that follow
    m_logStart = LogSize();
}

TEST_F(WindowThreadTest, AQuitRequestMetWhileWaitingIsKeptForTheMessageLoop)
{
    PumpUntilRunning();
    ::PostQuitMessage(7);
    TheRun().CancelAndWait();
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}

TEST_F(WindowThreadTest, CancelAndWaitWithoutARunReturnsAtOnce)
{
    TheRun().CancelAndWait();
    EXPECT_FALSE(TheRun().m_boolCancel.load());
    EXPECT_EQ(0, s_sends);
}

} // namespace
