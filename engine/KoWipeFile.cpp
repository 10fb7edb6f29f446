#include "engine/KoWipeFile.h"

#include "engine/KoWipe.h"
#include "engine/KoWipeSeam.h"
#include "support/KoFile.h"
#include "support/KoMessages.h"

#include <algorithm>

#include <winioctl.h>

namespace
{

// A write refused for a full volume is tried again with less, halving down
// to one sector: the file system may still take a smaller amount (the rest
// of a partly used block, or room it had set aside for its own data and then
// did not need). At most kMaxSmallWrites such writes per file.
constexpr ULONGLONG kSectorBytes = 512;
constexpr int kMaxSmallWrites = 32;

bool IsVolumeFull(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// Zeros stored compressed (a compressed folder or volume) take no room, so
// the free space would never shrink. Most file systems refuse the request,
// which is fine: their files are never compressed anyway.
void AskForUncompressedStorage(HANDLE file)
{
    USHORT format = COMPRESSION_FORMAT_NONE;
    DWORD returned = 0;
    GetWipeSeam().DeviceIoControl(file, FSCTL_SET_COMPRESSION, &format, sizeof(format), nullptr, 0,
                                  &returned, nullptr);
}

} // namespace

KoWipeFile::KoWipeFile() : m_nWritten(0), m_boolVolumeFull(FALSE) {}

KoWipeFile::~KoWipeFile()
{
    Remove();
}

BOOL KoWipeFile::Remove()
{
    BOOL result = TRUE;
    if (!m_strFilePath.IsEmpty())
    {
        result = DeleteIfExists(m_strFilePath);
        m_strFilePath.Empty();
    }
    m_nWritten = 0;
    return result;
}

BOOL KoWipeFile::CreateFile(ULONGLONG size, const char* path, const char* directory)
{
    KoWipe& run = ApplicationRun();

    Remove(); // the file of an earlier call goes first
    m_boolVolumeFull = FALSE;

    if (FileExists(path))
    {
        PostToLog("KoWipeFile::CreateFile: The file: '%s' already exist", path,
                  KoMessagesContainer::Info);
        if (!DeleteIfExists(path))
        {
            PostToLog("KoWipeFile::CreateFile: Can't delete file: '%s', wipe aborted", path,
                      KoMessagesContainer::Error);
            return FALSE;
        }
        PostToLog("KoWipeFile::CreateFile: The file: '%s' has been deleted", path,
                  KoMessagesContainer::Info);
    }

    // A full volume may refuse the new file itself (no room for its folder
    // entry or record): that ends the fill too, and is not logged as a failure.
    KoFile file(FALSE, FALSE);
    const BOOL opened = file.Open(path, KoFile::modeCreate | KoFile::modeReadWrite);
    file.m_boolLogErrors = TRUE;
    if (!opened)
    {
        const DWORD openError = ::GetLastError();
        if (IsVolumeFull(openError))
        {
            m_boolVolumeFull = TRUE;
            return TRUE;
        }
        ::SetLastError(openError);
        KoFileError fileError(path, TRUE);
        KoError systemError(-1, TRUE);
        PostToLog("KoWipeFile::CreateFile: Can't open file", KoMessagesContainer::Error);
        return FALSE;
    }
    m_strFilePath = path;
    AskForUncompressedStorage(file.m_hFile);

    ULONGLONG remaining = size;
    ULONGLONG largest = run.m_nBufferSize; // the largest chunk; shrinks on a full volume
    int smallWrites = 0;
    BOOL result = FALSE;
    bool failed = false;
    bool cancelled = false;
    while (remaining != 0)
    {
        if (run.m_boolCancel.load(std::memory_order_relaxed))
        {
            PostToLog("KoWipeFile::CreateFile: Wipe process canceled by user",
                      KoMessagesContainer::Warning);
            cancelled = true;
            break;
        }
        ULONGLONG chunk = largest;
        if (remaining < chunk)
            chunk = remaining;
        if (chunk == 0)
        {
            // Without a buffer no chunk could ever make progress.
            PostToLog("KoWipeFile::Write: No write buffer", KoMessagesContainer::Error);
            result = FALSE;
            failed = true;
            break;
        }

        ULARGE_INTEGER avail, total, totalFree;
        if (!GetWipeSeam().GetDiskFreeSpaceEx(directory, &avail, &total, &totalFree))
        {
            KoError error(-1, TRUE);
            PostToLog("KoWipeFile::GetDiskFreeSpaceEx: Can't get info", KoMessagesContainer::Error);
            result = FALSE;
            failed = true;
            break;
        }
        if (avail.QuadPart < chunk)
        {
            chunk = avail.QuadPart;
            remaining = avail.QuadPart;
        }

        // A full volume is what the run is after, so that failure is not
        // logged as one: the file's own error line comes only for the others.
        file.m_boolLogErrors = FALSE;
        const BOOL written = file.Write(run.m_pBuffer.get(), static_cast<UINT>(chunk));
        file.m_boolLogErrors = TRUE;
        if (largest < run.m_nBufferSize)
            ++smallWrites;
        if (!written)
        {
            const DWORD error = ::GetLastError();
            if (IsVolumeFull(error))
            {
                // Not even a sector fits: the file is as full as it gets.
                if (chunk > kSectorBytes && smallWrites < kMaxSmallWrites)
                {
                    largest = std::max(kSectorBytes, chunk / 2 / kSectorBytes * kSectorBytes);
                    continue;
                }
                m_boolVolumeFull = TRUE;
                result = TRUE;
                break;
            }
            KoFileError fileError(m_strFilePath, TRUE);
            KoError systemError(-1, TRUE);
            PostToLog("KoWipeFile::Write: Can't write to file", KoMessagesContainer::Error);
            result = FALSE;
            failed = true;
            break;
        }
        m_nWritten += chunk;
        // The worker is the only writer of the run's counter: a plain load and
        // store keeps the reader's view whole without a locked add.
        run.m_nWiped.store(run.m_nWiped.load(std::memory_order_relaxed) + chunk,
                           std::memory_order_relaxed);
        remaining -= chunk;
        result = TRUE;
        if (smallWrites == kMaxSmallWrites)
        {
            m_boolVolumeFull = TRUE;
            break;
        }
    }

    // Written data must reach the disk before the file is closed and later
    // deleted: a file system may drop still-cached data of a deleted file, and
    // the free space it stood for would never be overwritten. A failed flush
    // is a failed write, unless this call has already reported a failure. A
    // cancelled file is deleted at once, so it is not flushed: the cancel
    // must not wait for up to a whole file to reach the disk.
    if (m_nWritten != 0 && !cancelled)
    {
        file.m_boolLogErrors = !failed;
        if (!file.Flush() && !failed)
        {
            KoError error(-1, TRUE);
            PostToLog("KoWipeFile::Write: Can't write to file", KoMessagesContainer::Error);
            result = FALSE;
        }
        file.m_boolLogErrors = TRUE;
    }
    return result;
}
