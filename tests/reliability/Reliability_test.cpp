// Reliability of whole runs of Tolvane.exe on real volumes, driven from
// outside as a user would drive it. Started by run-reliability, which mounts
// the volumes, maps them to drive letters of this test's own Wine prefix and
// passes their names in the environment:
//   TOLVANE_RELI_RUN   a writable tmpfs (R:), TOLVANE_RELI_RUN_UNIX its mount point
//   TOLVANE_RELI_RO    a read-only tmpfs holding one file
//   TOLVANE_RELI_FULL  a tmpfs with no free space left
// TOLVANE_RELI_VERBOSE=1 prints the message list of every run.
// Every case checks that the process ended, that no wipe file is left (by
// name and by the free space coming back), that every file that was there
// before is byte-identical, and that the message list held the lines the
// program must post for that case.
#include "common/RunLines.h"
#include "reliability/TolvaneRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

using namespace reliability;

namespace
{

constexpr int kError = 0;
constexpr int kWarning = 1;
constexpr int kInfo = 2;
constexpr DWORD kEndTimeoutMs = 120000;

using namespace RunLine;
const std::string kWipedNothing = Wiped("0.000 b");

struct Outcome
{
    bool launched = false;
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
    bool dumped = false;
    std::vector<LogRow> rows;
    std::vector<std::string> dismissed;
};

// Starts Tolvane.exe with `args`, lets `during` act on the running program,
// then waits for the end and collects the message list.
Outcome RunTolvane(const std::string& args, const std::function<void(TolvaneRun&)>& during)
{
    Outcome out;
    TolvaneRun run;
    std::string why;
    out.launched = run.Launch(args, why);
    if (!out.launched)
    {
        ADD_FAILURE() << why;
        return out;
    }
    if (during)
        during(run);
    out.ended = run.WaitEnd(kEndTimeoutMs);
    out.exitCode = run.ExitCode();
    out.dumped = run.ReadLog(out.rows);
    out.dismissed = run.Dismissed();
    if (!Env("TOLVANE_RELI_VERBOSE").empty())
    {
        std::printf("Tolvane.exe %s -> exit %lu\n%s", args.c_str(),
                    static_cast<unsigned long>(out.exitCode), DescribeLog(out.rows).c_str());
        for (const std::string& title : out.dismissed)
            std::printf("  dismissed window: %s\n", title.c_str());
    }
    return out;
}

bool IsThere(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Waits until `path` exists or the program has ended; true when it exists.
bool WaitForPath(const TolvaneRun& run, const std::string& path, DWORD timeoutMs = 30000)
{
    bool seen = false;
    WaitFor([&]() { return (seen = IsThere(path)) || run.Ended(); }, timeoutMs, 1);
    return seen;
}

bool WaitForGone(const std::string& path, DWORD timeoutMs = 10000)
{
    return WaitFor([&]() { return !IsThere(path); }, timeoutMs, 1);
}

// Wine's server closes a deleted file's last descriptor a moment after the
// program that deleted it has gone, and only then does the volume count the
// space as free again: give it a few seconds to reach `expected`.
std::uint64_t AvailBytesSettled(const std::string& volume, std::uint64_t expected)
{
    std::uint64_t avail = 0;
    WaitFor([&]() { return (avail = AvailBytes(volume)) == expected; }, 5000, 10);
    return avail;
}

// The number in a "Wiped space" line, read back in bytes (units of 1024).
double WipedBytes(const std::string& row)
{
    const std::string text = row.substr(kWiped.size());
    const double value = std::atof(text.c_str());
    const std::size_t blank = text.find(' ');
    const std::string unit = blank == std::string::npos ? "" : text.substr(blank + 1);
    const char* units[] = {"b", "Kb", "Mb", "Gb", "Tb"};
    double scale = 1;
    for (const char* u : units)
    {
        if (unit == u)
            return value * scale;
        scale *= 1024;
    }
    return -1;
}

// Rows from `first` on must be exactly `expected` (text and kind), in order.
void ExpectRowsFrom(const std::vector<LogRow>& rows, int first, const std::vector<LogRow>& expected)
{
    ASSERT_GE(first, 0) << "first expected row missing; log:\n" << DescribeLog(rows);
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        SCOPED_TRACE("expected row " + std::to_string(i) + ": " + expected[i].text);
        const std::size_t at = first + i;
        ASSERT_LT(at, rows.size()) << DescribeLog(rows);
        EXPECT_EQ(rows[at].text, expected[i].text) << DescribeLog(rows);
        EXPECT_EQ(rows[at].kind, expected[i].kind) << DescribeLog(rows);
    }
}

int CountKind(const std::vector<LogRow>& rows, int kind, int from = 0)
{
    int n = 0;
    for (int i = from; i < static_cast<int>(rows.size()); ++i)
        n += rows[i].kind == kind;
    return n;
}

// A cancelled run: started, then either the run's cancel Warning or (cancel
// seen before a new file's first chunk) the file's cancel Warning and that
// file's failure, then the wiped-space Info; no other Error.
void ExpectCancelledLog(const std::vector<LogRow>& rows)
{
    const int started = FindRow(rows, kStarted);
    const int wiped = FindRow(rows, kWiped, true, started < 0 ? 0 : started);
    ASSERT_GE(started, 0) << DescribeLog(rows);
    ASSERT_GT(wiped, started) << DescribeLog(rows);
    EXPECT_EQ(rows[wiped].kind, kInfo);
    EXPECT_EQ(FindRow(rows, kNoFreeSpace), -1) << DescribeLog(rows);
    const int runCancel = FindRow(rows, kRunCancel, false, started);
    const int fileCancel = FindRow(rows, kFileCancel, false, started);
    if (runCancel >= 0)
    {
        EXPECT_LT(runCancel, wiped);
        EXPECT_EQ(rows[runCancel].kind, kWarning);
        EXPECT_EQ(CountKind(rows, kError, started), 0) << DescribeLog(rows);
        if (fileCancel >= 0)
        {
            EXPECT_EQ(fileCancel + 1, runCancel) << DescribeLog(rows);
        }
    }
    else
    {
        ASSERT_GE(fileCancel, 0) << "no cancel line in a cancelled run:\n" << DescribeLog(rows);
        EXPECT_EQ(rows[fileCancel].kind, kWarning);
        ASSERT_LT(fileCancel + 2, static_cast<int>(rows.size()));
        EXPECT_EQ(rows[fileCancel + 1].kind, kError);
        EXPECT_EQ(rows[fileCancel + 1].text.rfind("KoWipe::StartWipe::CreateFile: '", 0), 0u)
            << DescribeLog(rows);
        EXPECT_EQ(fileCancel + 2, wiped) << DescribeLog(rows);
        EXPECT_EQ(CountKind(rows, kError, started), 1) << DescribeLog(rows);
    }
}

// The entries that were added, removed or changed between two snapshots;
// empty when the volume is as it was.
std::string SnapshotDiff(const TreeSnapshot& before, const TreeSnapshot& after)
{
    std::string diff;
    for (const auto& entry : before)
    {
        const auto it = after.find(entry.first);
        if (it == after.end())
            diff += "removed " + entry.first + "\n";
        else if (it->second != entry.second)
            diff += "changed " + entry.first + "\n";
    }
    for (const auto& entry : after)
        if (before.count(entry.first) == 0)
            diff += "added " + entry.first + "\n";
    return diff;
}

class Reliability : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_run = Env("TOLVANE_RELI_RUN");
        if (m_run.empty() || Env("TOLVANE_EXE").empty())
            GTEST_SKIP() << "needs the volumes that tests/reliability/run-reliability mounts";
        // Files that every run must leave alone: several sizes, a nested
        // folder and a read-only file.
        m_keep = m_run + "\\keep";
        RemoveTree(m_keep);
        ASSERT_TRUE(CreateDirectoryA(m_keep.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((m_keep + "\\nested").c_str(), nullptr));
        ASSERT_TRUE(WriteText(m_keep + "\\big.bin", RandomBytes(3 << 20, 1)));
        ASSERT_TRUE(WriteText(m_keep + "\\page.bin", RandomBytes(4096, 2)));
        ASSERT_TRUE(WriteText(m_keep + "\\odd.bin", RandomBytes(12345, 3)));
        ASSERT_TRUE(WriteText(m_keep + "\\empty.bin", ""));
        ASSERT_TRUE(WriteText(m_keep + "\\nested\\deep.bin", RandomBytes(70000, 4)));
        ASSERT_TRUE(WriteText(m_keep + "\\readonly.bin", RandomBytes(5000, 5)));
        ASSERT_TRUE(
            SetFileAttributesA((m_keep + "\\readonly.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    }

    void TearDown() override
    {
        if (!m_keep.empty())
            RemoveTree(m_keep);
    }

    // Takes the state every run must leave as it found.
    void Remember(const std::string& volume)
    {
        m_volume = volume;
        m_before = Snapshot(volume);
        m_availBefore = AvailBytes(volume);
        ASSERT_NE(m_availBefore, ~0ull);
    }

    // The process ended, nothing of the run is left, everything else is as it was.
    void ExpectCleanEnd(const Outcome& out)
    {
        ASSERT_TRUE(out.launched);
        EXPECT_TRUE(out.ended) << "Tolvane.exe still running after " << kEndTimeoutMs << " ms";
        EXPECT_TRUE(out.dumped) << "no message list captured: the window never went";
        EXPECT_EQ(NewWipeFiles(), std::vector<std::string>{});
        EXPECT_EQ(SnapshotDiff(m_before, Snapshot(m_volume)), "");
        // Free space fully back: no wipe file hides anywhere, not even
        // deleted but still open.
        EXPECT_EQ(AvailBytesSettled(m_volume, m_availBefore), m_availBefore);
    }

    // Wipe-file names on the volume that were not there before the run (a
    // case may put an obstacle of that name there on purpose).
    std::vector<std::string> NewWipeFiles() const
    {
        std::vector<std::string> found;
        for (const std::string& path : FindWipeFiles(m_volume))
            if (m_before.count(path.substr(m_volume.size())) == 0)
                found.push_back(path);
        return found;
    }

    std::string m_run;
    std::string m_keep;
    std::string m_volume;
    TreeSnapshot m_before;
    std::uint64_t m_availBefore = 0;
};

unsigned Seed()
{
    const std::string fixed = Env("TOLVANE_RELI_SEED");
    return fixed.empty() ? static_cast<unsigned>(GetTickCount())
                         : std::strtoul(fixed.c_str(), nullptr, 10);
}

// Cancel by Wipe button (cancel = true) or close by WM_CLOSE at `landings`
// random moments of a run; requests that arrive once the run is over are not
// counted, and the span of moments shrinks after each.
void InterruptAtRandomMoments(const std::string& run, std::uint64_t availBytes, bool cancel,
                              int landings, const std::function<void(const Outcome&)>& expectClean)
{
    const unsigned seed = Seed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (TOLVANE_RELI_SEED reruns it)");
    std::mt19937 gen(seed);
    const std::string first = run + "\\Tolvane0.WipeFile";

    // An uninterrupted run first: it must end normally, and its length sets
    // the span of moments.
    DWORD runMs = 0;
    Outcome full = RunTolvane("/P:" + run + " /A",
                              [&](TolvaneRun& r)
                              {
                                  if (WaitForPath(r, first))
                                  {
                                      const DWORD t0 = GetTickCount();
                                      r.WaitEnd(kEndTimeoutMs);
                                      runMs = GetTickCount() - t0;
                                  }
                              });
    expectClean(full);
    EXPECT_EQ(full.exitCode, 0u);
    ASSERT_GE(FindRow(full.rows, kNoFreeSpace), 0) << DescribeLog(full.rows);
    EXPECT_EQ(CountKind(full.rows, kError), 0) << DescribeLog(full.rows);
    ASSERT_GT(runMs, 0u) << "the first wipe file never showed";
    // It wrote the whole free space (the text keeps four digits, hence 0.2 %).
    const int wiped = FindRow(full.rows, kWiped, true);
    ASSERT_GE(wiped, 0) << DescribeLog(full.rows);
    EXPECT_NEAR(WipedBytes(full.rows[wiped].text), static_cast<double>(availBytes),
                availBytes * 0.002)
        << full.rows[wiped].text;

    double spanMs = runMs;
    int landed = 0;
    int attempts = 0;
    while (landed < landings && attempts < landings * 3)
    {
        ++attempts;
        const DWORD delayMs =
            std::uniform_int_distribution<DWORD>(0, static_cast<DWORD>(spanMs))(gen);
        SCOPED_TRACE("attempt " + std::to_string(attempts) + ", " + std::to_string(delayMs) +
                     " ms after the first wipe file showed");
        Outcome out = RunTolvane("/P:" + run + " /A",
                                 [&](TolvaneRun& r)
                                 {
                                     if (!WaitForPath(r, first))
                                         return;
                                     Sleep(delayMs);
                                     if (cancel)
                                         r.PressWipe();
                                     else
                                         r.Close();
                                 });
        expectClean(out);
        if (FindRow(out.rows, kNoFreeSpace) >= 0)
        {
            // Arrived after the run had finished: not an interruption.
            spanMs *= 0.8;
            continue;
        }
        ++landed;
        EXPECT_EQ(out.exitCode, 1u) << "a cancelled run ends with exit code 1";
        ExpectCancelledLog(out.rows);
        EXPECT_EQ(out.dismissed, std::vector<std::string>{});
        if (::testing::Test::HasFailure())
            break;
    }
    EXPECT_EQ(landed, landings) << "only " << landed << " of " << attempts
                                << " requests landed during a run";
    std::printf("%d of %d requests landed during a run (uninterrupted run %lu ms)\n", landed,
                attempts, static_cast<unsigned long>(runMs));
}

} // namespace

TEST_F(Reliability, CancelAtTwentyRandomMomentsOfARun)
{
    Remember(m_run);
    InterruptAtRandomMoments(m_run, m_availBefore, true, 20,
                             [this](const Outcome& o) { ExpectCleanEnd(o); });
}

TEST_F(Reliability, CloseTheWindowTenTimesDuringARun)
{
    Remember(m_run);
    // The folder form of the root this time (a path with its backslash).
    InterruptAtRandomMoments(m_run + "\\", m_availBefore, false, 10,
                             [this](const Outcome& o) { ExpectCleanEnd(o); });
}

TEST_F(Reliability, AnotherProcessWritingDuringTheRun)
{
    // This test process is the other writer: from the moment the first wipe
    // file shows until the program has gone it appends a known pattern in
    // 256 KiB writes, and when the volume is full it keeps trying, so the two
    // fight over the last free blocks. A short write is resumed where it
    // stopped: byte n of the file is always byte n % 256 Ki of the pattern.
    const std::string other = m_run + "\\other-writer.bin";
    Remember(m_run);
    const std::string pattern = RandomBytes(256 << 10, 6);
    constexpr std::uint64_t kCapBytes = 256u << 20;
    std::atomic<bool> stop{false};
    std::uint64_t written = 0;
    int failedWrites = 0;
    KernelHandle file(CreateFileA(other.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    std::thread writer;
    Outcome out = RunTolvane(
        "/P:" + m_run + " /A",
        [&](TolvaneRun& r)
        {
            if (!WaitForPath(r, m_run + "\\Tolvane0.WipeFile"))
                return;
            writer = std::thread(
                [&]
                {
                    while (!stop.load() && written < kCapBytes)
                    {
                        const std::size_t at = static_cast<std::size_t>(written % pattern.size());
                        DWORD done = 0;
                        if (!WriteFile(file.get(), pattern.data() + at,
                                       static_cast<DWORD>(pattern.size() - at), &done, nullptr))
                        {
                            ++failedWrites;
                            Sleep(1);
                        }
                        written += done;
                    }
                });
        });
    stop.store(true);
    if (writer.joinable())
        writer.join();
    file.reset();
    std::printf("other writer: %llu bytes, %d failed writes\n",
                static_cast<unsigned long long>(written), failedWrites);

    ASSERT_TRUE(out.ended);
    EXPECT_GT(written, 0u) << "the other writer never wrote during the run";
    // The other process's file holds exactly what it wrote: its reads of the
    // pattern's size each start at the pattern's start.
    std::ifstream in(other, std::ios::binary);
    std::string chunk(pattern.size(), '\0');
    std::uint64_t offset = 0;
    while (in.read(&chunk[0], static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
    {
        const auto got = static_cast<std::size_t>(in.gcount());
        ASSERT_EQ(0, chunk.compare(0, got, pattern, 0, got))
            << "the other writer's data changed near offset " << offset;
        offset += got;
    }
    in.close();
    EXPECT_EQ(offset, written);
    // Apart from that file, nothing is left and nothing changed.
    TreeSnapshot after = Snapshot(m_run);
    after.erase("\\other-writer.bin");
    EXPECT_EQ(SnapshotDiff(m_before, after), "");
    EXPECT_EQ(FindWipeFiles(m_run), std::vector<std::string>{});
    const std::uint64_t pages = (written + 4095) / 4096 * 4096;
    EXPECT_EQ(AvailBytesSettled(m_run, m_availBefore - pages) + pages, m_availBefore);
    ASSERT_TRUE(out.dumped);
    const int started = FindRow(out.rows, kStarted);
    ASSERT_GE(started, 0) << DescribeLog(out.rows);
    EXPECT_GT(FindRow(out.rows, kWiped, true, started), started) << DescribeLog(out.rows);
    if (FindRow(out.rows, kNoFreeSpace) >= 0)
    {
        // The run measured before each chunk and still ended normally.
        EXPECT_EQ(out.exitCode, 0u);
        EXPECT_EQ(CountKind(out.rows, kError), 0) << DescribeLog(out.rows);
    }
    else
    {
        // The other writer took space between a measurement and a write:
        // that write fails and the run stops, reporting it.
        EXPECT_EQ(out.exitCode, 1u);
        EXPECT_GE(FindRow(out.rows, "KoWipeFile::Write: Can't write to file", false, started), 0)
            << DescribeLog(out.rows);
    }
    RemoveTree(other);
}

TEST_F(Reliability, ReadOnlyVolume)
{
    const std::string ro = Env("TOLVANE_RELI_RO");
    ASSERT_FALSE(ro.empty());
    Remember(ro);
    const std::string path = ro + "\\Tolvane0.WipeFile";
    // What the system answers when a file is created there, for the texts.
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD code = GetLastError();
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE) << "the volume is not read-only";
    const std::string text = SystemText(code);

    Outcome out = RunTolvane("/P:" + ro + " /A", nullptr);
    ExpectCleanEnd(out);
    EXPECT_EQ(out.exitCode, 1u);
    ExpectRowsFrom(out.rows, FindRow(out.rows, kStarted),
                   {{kInfo, kStarted},
                    {kError, "File: " + path + " , Error: " + text},
                    {kError, text},
                    {kError, "KoWipeFile::CreateFile: Can't open file"},
                    {kError, CreateFailed(path)},
                    {kInfo, kWipedNothing}});
}

TEST_F(Reliability, VolumeWithNoFreeSpace)
{
    const std::string full = Env("TOLVANE_RELI_FULL");
    ASSERT_FALSE(full.empty());
    Remember(full);
    ASSERT_EQ(m_availBefore, 0u) << "the volume is not full";
    Outcome out = RunTolvane("/P:" + full + " /A", nullptr);
    ExpectCleanEnd(out);
    EXPECT_EQ(out.exitCode, 0u) << "no free space is a clean end, not a failure";
    ExpectRowsFrom(out.rows, FindRow(out.rows, kStarted),
                   {{kInfo, kStarted}, {kInfo, kNoFreeSpace}, {kInfo, kWipedNothing}});
    EXPECT_EQ(CountKind(out.rows, kError), 0) << DescribeLog(out.rows);
}

TEST_F(Reliability, WipeFileNameAlreadyTaken)
{
    struct Row
    {
        const char* what;
        // Makes the obstacle at `path`; `sibling` is a scratch name beside the
        // target for learning the system's answer without touching the obstacle.
        std::function<void(const std::string& path)> make;
        // A file is taken for a killed run's leftover and tried first.
        bool leftover;
    };
    const Row table[] = {
        {"a folder",
         [](const std::string& path)
         {
             ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
             ASSERT_TRUE(WriteText(path + "\\inside.bin", RandomBytes(1000, 7)));
         },
         false},
        {"a read-only file",
         [](const std::string& path)
         {
             ASSERT_TRUE(WriteText(path, RandomBytes(9000, 8)));
             ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
         },
         true},
    };
    for (const Row& row : table)
    {
        SCOPED_TRACE(std::string("name taken by ") + row.what);
        const std::string target = m_run + "\\taken";
        const std::string scratch = m_run + "\\taken-probe";
        RemoveTree(target);
        RemoveTree(scratch);
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(scratch.c_str(), nullptr));
        const std::string path = target + "\\Tolvane0.WipeFile";
        row.make(path);
        // The system's answer to deleting such an obstacle, learnt on a twin.
        const std::string twin = scratch + "\\Tolvane0.WipeFile";
        row.make(twin);
        ASSERT_FALSE(DeleteFileA(twin.c_str())) << "the obstacle can be deleted";
        const std::string text = SystemText(GetLastError());
        RemoveTree(scratch);

        Remember(m_run);
        Outcome out = RunTolvane("/P:" + target + " /A", nullptr);
        ExpectCleanEnd(out);
        EXPECT_EQ(out.exitCode, 1u);
        std::vector<LogRow> expected = {{kInfo, kStarted}};
        if (row.leftover)
        {
            expected.push_back({kError, "File: " + path + " , Error: " + text});
            expected.push_back(
                {kError, "KoWipe::StartWipe: Can't delete leftover wipe file: '" + path + "'"});
        }
        expected.insert(
            expected.end(),
            {{kInfo, "KoWipeFile::CreateFile: The file: '" + path + "' already exist"},
             {kError, "File: " + path + " , Error: " + text},
             {kError, "KoWipeFile::CreateFile: Can't delete file: '" + path + "', wipe aborted"},
             {kError, CreateFailed(path)},
             {kInfo, kWipedNothing}});
        ExpectRowsFrom(out.rows, FindRow(out.rows, kStarted), expected);
        RemoveTree(target);
    }
}

TEST_F(Reliability, TargetFolderDeletedDuringTheRun)
{
    const std::string unixRoot = Env("TOLVANE_RELI_RUN_UNIX");
    ASSERT_FALSE(unixRoot.empty());
    const std::string target = m_run + "\\doomed";
    // Tried a few times: on a fast machine the run may finish before the
    // folder goes.
    for (int attempt = 1; attempt <= 3; ++attempt)
    {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        RemoveTree(target);
        Remember(m_run);
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        bool deleted = false;
        Outcome out = RunTolvane("/P:" + target + " /A",
                                 [&](TolvaneRun& r)
                                 {
                                     if (!WaitForPath(r, target + "\\Tolvane0.WipeFile"))
                                         return;
                                     // Windows will not remove a folder with an open file in it;
                                     // Linux will.
                                     ASSERT_TRUE(RunUnix("/bin/rm -rf " + unixRoot + "/doomed"));
                                     deleted = WaitForGone(target);
                                 });
        ASSERT_TRUE(deleted) << "the folder could not be removed";
        ExpectCleanEnd(out);
        if (FindRow(out.rows, kNoFreeSpace) >= 0)
            continue; // the run was over before the folder went
        EXPECT_EQ(out.exitCode, 1u);
        const int started = FindRow(out.rows, kStarted);
        ASSERT_GE(started, 0) << DescribeLog(out.rows);
        const int wiped = FindRow(out.rows, kWiped, true, started);
        ASSERT_GT(wiped, started) << DescribeLog(out.rows);
        // Which step meets the missing folder first depends on the moment.
        int failure = -1;
        for (const char* line :
             {"KoWipeFile::GetDiskFreeSpaceEx: Can't get info",
              "KoWipe::StartWipe::GetDiskFreeSpaceEx: Can't get free space info",
              "KoWipeFile::CreateFile: Can't open file", "KoWipeFile::Write: Can't write to file"})
        {
            const int at = FindRow(out.rows, line, false, started);
            if (at >= 0 && (failure < 0 || at < failure))
                failure = at;
        }
        ASSERT_GE(failure, 0) << DescribeLog(out.rows);
        EXPECT_EQ(out.rows[failure].kind, kError);
        EXPECT_LT(failure, wiped);
        EXPECT_EQ(FindRow(out.rows, kRunCancel), -1);
        return;
    }
    FAIL() << "every run finished before its folder was deleted";
}
