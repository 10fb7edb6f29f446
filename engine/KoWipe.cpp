#include "engine/KoWipe.h"

// By design the engine reaches the layer above it here and only here: the run
// is a member of the application context, and the worker and the wipe files
// find it there (ApplicationRun). The log it reaches like every layer does,
// through PostToLog.
#include "app/AppContext.h"
#include "engine/KoWipeRecords.h"
#include "engine/KoWipeSeam.h"
#include "support/Handle.h"
#include "support/KoFile.h"
#include "support/KoFormat.h"
#include "support/KoMessages.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <vector>

namespace
{

constexpr UINT kBufferBytes = 2u * 1024 * 1024;
constexpr ULONGLONG kMaxWipeFileBytes = 1ull << 30;

// A volume that stores zeros without taking room for them (compression,
// deduplication, thin provisioning) never runs out of free space. After a
// wipe file of at least kShrinkCheckBytes has been written in full and
// flushed, the available space must have shrunk by at least half of what the
// file received; two such files in a row that did not are taken as proof.
// Another program would have to free more than half a file's worth of space
// during each of two files (512 MiB per full-sized file) to trip it.
constexpr ULONGLONG kShrinkCheckBytes = 64ull << 20;
constexpr int kShrinkStrikes = 2;

// How long Start waits for a worker that has finished its run to return.
constexpr DWORD kWorkerExitMs = 5000;

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool StartsWithNoCase(const char* text, const char* prefix)
{
    for (; *prefix != '\0'; ++text, ++prefix)
    {
        const char a =
            (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (a != *prefix)
            return false;
    }
    return true;
}

// "Tolvane", one or more hexadecimal digits, ".WipeFile", in any case: the
// names a run gives its wipe files.
bool IsWipeFileName(const char* name)
{
    if (!StartsWithNoCase(name, "tolvane"))
        return false;
    const char* p = name + 7;
    const char* digits = p;
    while (IsHexDigit(*p))
        ++p;
    return p != digits && StartsWithNoCase(p, ".wipefile") && p[9] == '\0';
}

// One line for each thing a killed run left: Info when it is gone, Error
// when it stays (the run goes on either way).
void ReportLeftover(BOOL deleted, const char* what, const CString& path)
{
    CString text;
    if (deleted)
        text.Format("KoWipe::StartWipe: Leftover %s deleted: '%s'", what, path.c_str());
    else
        text.Format("KoWipe::StartWipe: Can't delete leftover %s: '%s'", what, path.c_str());
    PostToLog(text, deleted ? KoMessagesContainer::Info : KoMessagesContainer::Error);
}

// A run that was killed (power loss, End task, a crash) leaves its wipe files
// filling the volume, and every later run would find no free space at all.
// They are deleted before the first free-space query; nothing else in the
// folder is touched, and a file that cannot be deleted does not stop the run.
void DeleteLeftoverWipeFiles(const CString& folder)
{
    std::vector<CString> names;
    {
        WIN32_FIND_DATAA data;
        FindHandle search(::FindFirstFileA(folder + "Tolvane*.WipeFile", &data));
        if (!search)
            return;
        do
        {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                IsWipeFileName(data.cFileName))
                names.push_back(folder + data.cFileName);
        } while (::FindNextFileA(search.get(), &data));
    }
    // In name order, whatever order the file system lists them in.
    std::sort(names.begin(), names.end(),
              [](const CString& a, const CString& b) { return std::strcmp(a, b) < 0; });
    for (const CString& path : names)
        ReportLeftover(RemoveFile(path), "wipe file", path);
}

// The same for the items of an interrupted record phase.
void DeleteLeftoverRecords(const CString& folder)
{
    const CString records = folder + kWipeRecordsFolder;
    if (::GetFileAttributesA(records) != INVALID_FILE_ATTRIBUTES)
        ReportLeftover(DeleteWipeRecords(folder), "folder", records);
}

void PostRunCancelled()
{
    PostToLog("KoWipe::StartWipe: Wipe process canceled by user", KoMessagesContainer::Warning);
}

void PostRecordsStarted()
{
    PostToLog("KoWipe::StartWipe: Overwriting free file records", KoMessagesContainer::Info);
}

// On NTFS, the free file records still hold small deleted files; once no
// free cluster is left, they are overwritten too (see KoWipeRecords.h).
void OverwriteFreeRecordsOf(const CString& folder, KoWipe& run)
{
    if (!IsNtfsVolume(folder))
        return;
    const KoWipeRecordsResult records = OverwriteFreeRecords(
        folder, run.m_boolCancel, run.m_pBuffer.get(), run.m_nBufferSize, PostRecordsStarted);
    if (records.applied)
    {
        CString text;
        text.Format("KoWipe::StartWipe: Free file records overwritten: %llu", records.items);
        PostToLog(text, KoMessagesContainer::Info);
    }
    if (records.end == KoWipeRecordsResult::Cancelled)
        PostRunCancelled();
}

// How the fill of the free space ended. Only Failed fails the run; the
// record phase follows Full.
enum class FillEnd
{
    Full,        // no free space left: an answer of 0, or two full files in a row
    Cancelled,   // the run's cancel flag was raised
    QueryFailed, // the free space could not be measured (posted)
    Failed,      // a wipe file failed, or the volume never takes up room (posted)
};

// Wipe files one after another until the volume is full. Each step returns
// nothing to go on, or how the fill ends.
class FreeSpaceFill
{
public:
    FreeSpaceFill(KoWipe& run, const CString& folder) : m_run(run), m_folder(folder) {}

    FillEnd Run()
    {
        for (;;)
        {
            std::optional<FillEnd> end = Cancelled();
            ULARGE_INTEGER avail, total;
            if (!end)
                end = Measure(avail, total);
            if (!end)
                end = NeverShrinks(avail, total);
            if (!end)
                end = AddFile(avail, total);
            if (end)
                return *end;
        }
    }

private:
    std::optional<FillEnd> Cancelled() const
    {
        if (!m_run.m_boolCancel.load(std::memory_order_relaxed))
            return std::nullopt;
        PostRunCancelled();
        return FillEnd::Cancelled;
    }

    std::optional<FillEnd> Measure(ULARGE_INTEGER& avail, ULARGE_INTEGER& total)
    {
        ULARGE_INTEGER totalFree;
        if (!GetWipeSeam().GetDiskFreeSpaceEx(m_folder, &avail, &total, &totalFree))
        {
            KoError error(-1, TRUE);
            PostToLog("KoWipe::StartWipe::GetDiskFreeSpaceEx: Can't get free space info",
                      KoMessagesContainer::Error);
            return FillEnd::QueryFailed;
        }
        if (m_run.m_nFreeAtStart.load(std::memory_order_relaxed) == 0)
            m_run.m_nFreeAtStart.store(avail.QuadPart, std::memory_order_relaxed);
        if (avail.QuadPart != 0)
            return std::nullopt;
        PostToLog("KoWipe::StartWipe::GetDiskFreeSpaceEx: No free space avail",
                  KoMessagesContainer::Info);
        return FillEnd::Full;
    }

    // Counts the checked files in a row whose data took no room, and ends
    // the fill at the second; nor is more than the whole volume ever written.
    std::optional<FillEnd> NeverShrinks(const ULARGE_INTEGER& avail, const ULARGE_INTEGER& total)
    {
        if (m_checkedBytes != 0)
        {
            const ULONGLONG shrunk =
                m_availBeforeChecked > avail.QuadPart ? m_availBeforeChecked - avail.QuadPart : 0;
            m_strikes = shrunk < m_checkedBytes / 2 ? m_strikes + 1 : 0;
        }
        if (m_strikes != kShrinkStrikes &&
            m_run.m_nWiped.load(std::memory_order_relaxed) < total.QuadPart)
            return std::nullopt;
        PostToLog("KoWipe::StartWipe: The volume does not take up space for the written data",
                  KoMessagesContainer::Error);
        return FillEnd::Failed;
    }

    std::optional<FillEnd> AddFile(const ULARGE_INTEGER& avail, const ULARGE_INTEGER& total)
    {
        const ULONGLONG size =
            std::min(std::min(avail.QuadPart, kMaxWipeFileBytes),
                     total.QuadPart - m_run.m_nWiped.load(std::memory_order_relaxed));
        CString name;
        name.Format("Tolvane%X.WipeFile", m_run.m_arrWipeFiles.GetSize());
        CString path = m_folder;
        path += name;

        std::unique_ptr<KoWipeFile> file(new KoWipeFile);
        if (!file->CreateFile(size, path, m_folder))
        {
            file.reset();
            PostToLog("KoWipe::StartWipe::CreateFile: '%s'  Failed", path,
                      KoMessagesContainer::Error);
            return FillEnd::Failed;
        }
        // Listed before the object is let go: should the array fail to grow,
        // the object still deletes its file.
        m_run.m_arrWipeFiles.Add(file.get());
        const KoWipeFile& made = *file.release();
        // A file that met a full volume while the free space still showed
        // room is followed by one more (small) file: the file system may give
        // a new file room that it kept from the old one, such as a block set
        // aside for its extent list. After two in a row the volume is full.
        if (made.m_boolVolumeFull && m_fullBefore)
        {
            PostToLog("KoWipeFile::Write: The volume is full", KoMessagesContainer::Info);
            return FillEnd::Full;
        }
        m_fullBefore = made.m_boolVolumeFull != FALSE;
        m_checkedBytes = made.m_nWritten == size && size >= kShrinkCheckBytes ? size : 0;
        m_availBeforeChecked = avail.QuadPart;
        return std::nullopt;
    }

    KoWipe& m_run;
    const CString& m_folder;
    bool m_fullBefore = false;    // the last file met a full volume
    ULONGLONG m_checkedBytes = 0; // the last file, when written in full and big enough
    ULONGLONG m_availBeforeChecked = 0;
    int m_strikes = 0;
};

// In the handler of an exception that ended a run: posts that the run
// failed, with the exception's text where it has one. Never throws.
void PostRunFailure() noexcept
{
    try
    {
        CString text = "KoWipe::StartWipe: Wipe process failed";
        try
        {
            throw;
        }
        catch (const std::exception& failure)
        {
            text += ": ";
            text += failure.what();
        }
        catch (...)
        {
        }
        PostToLog(text, KoMessagesContainer::Error);
    }
    catch (...)
    {
    }
}

} // namespace

KoWipe::KoWipe()
    : m_nBufferSize(0), m_boolFinished(FALSE), m_boolCancel(FALSE), m_boolRunning(FALSE),
      m_nFreeAtStart(0), m_nWiped(0)
{
}

KoWipe::~KoWipe()
{
    CancelAndWait();
}

BOOL KoWipe::Start(const char* path)
{
    if (!IsRootPath(path) && !IsFolder(path))
    {
        PostToLog("Command line: Invalid path specified", KoMessagesContainer::Error);
        return FALSE;
    }
    if (m_boolRunning.load(std::memory_order_acquire))
        return FALSE;
    // The previous worker clears the running flag a step before its very
    // end; a new run must not begin while it still sets its finished flag.
    // Once that is set the worker touches nothing more and only has to
    // return, so it is waited for (it cannot be waiting for this thread).
    if (m_hThread && ::WaitForSingleObject(m_hThread.get(), 0) == WAIT_TIMEOUT &&
        (!m_boolFinished.load(std::memory_order_acquire) ||
         ::WaitForSingleObject(m_hThread.get(), kWorkerExitMs) != WAIT_OBJECT_0))
        return FALSE;

    m_boolRunning.store(TRUE, std::memory_order_relaxed);
    m_boolCancel.store(FALSE, std::memory_order_relaxed);
    // CreateThread publishes everything written before it to the new thread.
    HANDLE thread = ::CreateThread(nullptr, 0, WipeThreadProc, const_cast<char*>(path), 0, nullptr);
    if (thread == nullptr)
    {
        m_boolRunning.store(FALSE, std::memory_order_release);
        return FALSE;
    }
    m_hThread.reset(thread);
    return TRUE;
}

BOOL KoWipe::StartWipe(const char* directory)
{
    PrepareRun();
    // The folder with a backslash: wipe file paths start with it, and the
    // free-space query needs it for a share root ("\\server\share\").
    CString folder = directory;
    AddBackslash(folder);

    BOOL result = FALSE;
    if (m_nBufferSize == 0)
        // Without a buffer no chunk could make progress: end the run at once.
        PostToLog("KoWipe::StartWipe: Can't allocate write buffer", KoMessagesContainer::Error);
    else
        result = WipeFreeSpace(folder);

    CString wiped;
    FormatBytes(wiped, static_cast<LONGLONG>(m_nWiped.load(std::memory_order_relaxed)));
    PostToLog("KoWipe::StartWipe: Wiped space: %s", wiped, KoMessagesContainer::Info);
    if (!DeleteRunItems(directory))
        PostToLog("KoWipe::StartWipe: Can't delete folder: '%s'", folder + kWipeRecordsFolder,
                  KoMessagesContainer::Error);
    EndRun();
    return result;
}

void KoWipe::PrepareRun()
{
    m_boolFinished.store(FALSE, std::memory_order_relaxed);
    m_nFreeAtStart.store(0, std::memory_order_relaxed);
    m_nWiped.store(0, std::memory_order_relaxed);
    while (m_arrWipeFiles.GetSize() != 0)
        m_arrWipeFiles.RemoveAt(0);
    m_pBuffer.reset(GetWipeSeam().AllocateBuffer(kBufferBytes));
    m_nBufferSize = m_pBuffer ? kBufferBytes : 0;
}

BOOL KoWipe::WipeFreeSpace(const CString& folder)
{
    PostToLog("KoWipe::StartWipe: Wipe process started", KoMessagesContainer::Info);
    DeleteLeftoverWipeFiles(folder);
    DeleteLeftoverRecords(folder);
    const FillEnd end = FreeSpaceFill(*this, folder).Run();
    if (end == FillEnd::Full && !m_boolCancel.load(std::memory_order_relaxed))
        OverwriteFreeRecordsOf(folder, *this);
    return end != FillEnd::Failed;
}

BOOL KoWipe::DeleteRunItems(const char* directory)
{
    m_arrWipeFiles.RemoveAll();
    CString folder = directory;
    AddBackslash(folder);
    return DeleteWipeRecords(folder);
}

void KoWipe::EndRun() noexcept
{
    m_pBuffer.reset();
    m_nBufferSize = 0;
    m_boolRunning.store(FALSE, std::memory_order_release);
    KoWipeSeam& seam = GetWipeSeam();
    if (seam.RunEnding != nullptr)
        seam.RunEnding();
    m_boolFinished.store(TRUE, std::memory_order_release);
}

void KoWipe::CancelAndWait() noexcept
{
    bool quit = false;
    WPARAM quitCode = 0;
    // The worker's thread is waited for, not only the running flag: the flag
    // falls a step before the worker is done with the run. A message
    // dispatched while waiting may start another run (a Wipe command, a
    // timer), which replaces m_hThread; that run is cancelled and waited for
    // as well. The handle is read afresh before every wait, since a Start
    // can only happen while messages are dispatched between the waits.
    for (;;)
    {
        HANDLE thread = m_hThread.get();
        if (thread == nullptr)
            break;
        if (m_boolRunning.load(std::memory_order_acquire))
            m_boolCancel.store(TRUE, std::memory_order_relaxed);
        // MWMO_INPUTAVAILABLE: also wake for messages that were already
        // queued before the wait began.
        const DWORD waited =
            ::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (waited == WAIT_OBJECT_0)
            break;
        if (waited != WAIT_OBJECT_0 + 1)
        {
            // An unusable handle: fall back on the flag, still pumping.
            if (!m_boolRunning.load(std::memory_order_acquire))
                break;
            ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    // The message loop that follows must still see the quit request.
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
}

KoWipe& ApplicationRun()
{
    return g_pAppContext->m_Wipe;
}

DWORD WINAPI WipeThreadProc(LPVOID path)
{
    KoWipe& run = ApplicationRun();
    try
    {
        run.StartWipe(static_cast<const char*>(path));
    }
    catch (...)
    {
        // Out of memory in the middle of a run: say that the run failed, so
        // the window and the exit code do not report success, then still
        // leave nothing behind and let the window see the run as over.
        PostRunFailure();
        try
        {
            run.DeleteRunItems(static_cast<const char*>(path));
        }
        catch (...)
        {
        }
        run.EndRun();
    }
    return 0;
}
