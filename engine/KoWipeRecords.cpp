// What the phase relies on, all of it documented NTFS behaviour:
// - The data of a small file is resident: it lives in the file's own record.
//   A write that no longer fits the record needs a cluster; on a full volume
//   there is none, and the write fails (disk full) without changing the file.
// - A folder's index starts inside the folder's own record and needs a
//   cluster (an index block) only when it outgrows the record.
// - Every new file or folder takes one free file record, which is written
//   whole. The master file table cannot grow without free clusters, so on a
//   full volume creating items takes free records only, never enlarges the
//   table for good, and fails once no free record is left.
// - A valid 8.3 name in upper case gets no second (short) name, so each item
//   costs its folder one index entry.
// Calls: GetVolumePathNameA, GetVolumeInformationA, CreateDirectoryA,
// CreateFileA, WriteFile, SetFilePointer, FindFirstFileA, DeleteFileA and
// RemoveDirectoryA.

#include "engine/KoWipeRecords.h"

#include "engine/KoWipeSeam.h"
#include "support/Handle.h"
#include "support/KoFileSeam.h"

#include <cstring>
#include <vector>

const char kWipeRecordsFolder[] = "Tolvane.WipeRecords";

namespace
{

// The items form a tree: every folder holds two subfolders and then up to
// three files, all with one-character names. Five such entries keep a
// folder's index inside its own record on the tightest record layout seen
// (no cluster is left for an index block). Where a folder takes fewer, the
// later folders take no more than it did, so no further creation is refused.
constexpr unsigned kSubfolders = 2;
constexpr unsigned kFilesPerFolder = 3;
// Names are one character, the item's slot in its folder.
constexpr char kSlotNames[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// No resident value can be larger than this in a record of 4 KiB, the
// largest record size: the record header and the file's other attributes
// alone take more than 256 bytes.
constexpr DWORD kFirstDataBytes = 4096 - 256;
// Free space is looked at again every so many items.
constexpr ULONGLONG kSpaceCheckItems = 256;

CString Child(const CString& folder, unsigned slot)
{
    CString path = folder;
    if (path.GetLength() != 0 && path[path.GetLength() - 1] != '\\')
        path += '\\';
    path += kSlotNames[slot];
    return path;
}

// Folders are numbered breadth first: 0 is the phase's folder, and folder
// k > 0 is subfolder (k - 1) % 2 of folder (k - 1) / 2. The path is made
// from the number, so no list is kept; its depth grows with the logarithm of
// the count, which keeps paths short.
CString FolderPath(const CString& root, ULONGLONG k)
{
    std::vector<unsigned> slots;
    for (; k != 0; k = (k - 1) / kSubfolders)
        slots.push_back(static_cast<unsigned>((k - 1) % kSubfolders));
    CString path = root;
    for (auto it = slots.rbegin(); it != slots.rend(); ++it)
        path = Child(path, *it);
    return path;
}

// The names the phase gives its items; the phase's own folder may hold a
// tree of them, and nothing else is ever deleted.
bool IsItemName(const char* name)
{
    return name[0] != '\0' && name[1] == '\0' && std::strchr(kSlotNames, name[0]) != nullptr;
}

// Finds the largest data size a file record takes while the files are made:
// a size that does not fit is refused. Starts from the bound for 4 KiB
// records and halves towards the largest size taken, settling within 8 bytes
// (about ten writes, nearly all on the first file).
class DataSizer
{
public:
    DataSizer() : m_fits(0), m_refused(kFirstDataBytes + 1), m_next(kFirstDataBytes) {}
    DWORD Next() const { return m_next; }
    void Taken(DWORD size)
    {
        if (size > m_fits)
            m_fits = size;
        m_next = m_refused - m_fits > 8 ? m_fits + (m_refused - m_fits) / 2 : m_fits;
    }
    // False when not even one byte fits: small files do not live in records.
    bool Refused(DWORD size)
    {
        m_refused = size;
        if (m_fits >= size)
            m_fits = 0; // a size taken before is refused now: search again
        m_next = m_fits + (m_refused - m_fits) / 2;
        return m_next != 0;
    }

private:
    DWORD m_fits;
    DWORD m_refused;
    DWORD m_next;
};

enum class FileOutcome
{
    Made,       // the file holds as much data as its record takes
    NotCreated, // the file system refused the file itself
    NoByteFits, // the file exists, but not even one byte could be written
};

// One file of zeros, as many as its record takes. A refused write is tried
// again on the same file with less: the file is never deleted and made again
// during the phase, since a record freed meanwhile may not be handed out
// again before the file system says it has none left.
FileOutcome MakeFile(const CString& path, const unsigned char* zeros, DataSizer& sizer)
{
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, FALSE};
    KernelHandle file(g_KoFileSeam.pCreateFile(path, GENERIC_WRITE, 0, &security, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return FileOutcome::NotCreated;
    for (;;)
    {
        const DWORD bytes = sizer.Next();
        DWORD done = 0;
        if (g_KoFileSeam.pWriteFile(file.get(), zeros, bytes, &done, nullptr) && done == bytes)
        {
            sizer.Taken(bytes);
            return FileOutcome::Made;
        }
        if (!sizer.Refused(bytes) ||
            ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
            return FileOutcome::NoByteFits;
    }
}

// Lists first and deletes after the search is closed, so that deleting never
// races the listing.
BOOL DeleteTree(const CString& folder)
{
    std::vector<CString> files, folders;
    BOOL clean = TRUE;
    {
        WIN32_FIND_DATAA found;
        FindHandle search(::FindFirstFileA(folder + "\\*", &found));
        if (search)
        {
            do
            {
                const char* name = found.cFileName;
                if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                    continue;
                if (!IsItemName(name))
                    clean = FALSE; // not the phase's: left alone, with its folder
                else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    folders.push_back(folder + "\\" + name);
                else
                    files.push_back(folder + "\\" + name);
            } while (::FindNextFileA(search.get(), &found));
        }
    }
    for (const CString& path : files)
        if (!g_KoFileSeam.pDeleteFile(path) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
            clean = FALSE;
    for (const CString& path : folders)
        if (!DeleteTree(path))
            clean = FALSE;
    return clean && (::RemoveDirectoryA(folder) || ::GetLastError() == ERROR_FILE_NOT_FOUND);
}

// The items of one phase, folder after folder. Each step answers whether
// the phase goes on; the result says how it ended.
class RecordPhase
{
public:
    RecordPhase(const CString& folder, const std::atomic<BOOL>& cancel, const unsigned char* zeros,
                void (*started)())
        : m_seam(GetWipeSeam()), m_folder(folder), m_root(folder + kWipeRecordsFolder),
          m_cancel(cancel), m_zeros(zeros), m_started(started)
    {
    }

    bool Begin()
    {
        if (!m_seam.CreateDirectory(m_root, nullptr))
            return false;
        m_result.items = 1;
        m_result.end = KoWipeRecordsResult::Exhausted;
        m_start = ::GetTickCount64();
        return true;
    }

    // A volume whose small files do not live in records refuses even one
    // byte once it is full, which ends the phase at its first file, however
    // many folders it would still take.
    void Run()
    {
        for (ULONGLONG k = 0;; ++k)
        {
            const CString here = FolderPath(m_root, k);
            if (!MakeSubfolders(here) || !MakeFiles(here))
                return;
        }
    }

    const KoWipeRecordsResult& Result() const { return m_result; }

private:
    // Before every item: cancel, the bounds, and now and then the free space
    // (items made while clusters are free would take them, and could grow
    // the master file table for good).
    bool MayGoOn()
    {
        if (m_cancel.load(std::memory_order_relaxed))
            m_result.end = KoWipeRecordsResult::Cancelled;
        else if (m_result.items >= m_seam.RecordItemLimit ||
                 ::GetTickCount64() - m_start >= m_seam.RecordTimeLimitMs)
            m_result.end = KoWipeRecordsResult::Bounded;
        else if (m_result.items % kSpaceCheckItems == 0 && SpaceFreed())
            m_result.end = KoWipeRecordsResult::SpaceFreed;
        return m_result.end == KoWipeRecordsResult::Exhausted;
    }

    bool SpaceFreed() const
    {
        ULARGE_INTEGER avail, total, totalFree;
        return m_seam.GetDiskFreeSpaceEx(m_folder, &avail, &total, &totalFree) &&
               avail.QuadPart != 0;
    }

    // The subfolders first, while the index has room. An empty folder's
    // index needs no cluster, so a refused folder means no free record.
    bool MakeSubfolders(const CString& here)
    {
        for (unsigned slot = 0; slot < kSubfolders; ++slot)
        {
            if (!MayGoOn() || !m_seam.CreateDirectory(Child(here, slot), nullptr))
                return false;
            ++m_result.items;
        }
        return true;
    }

    // Then files, until the folder's index would outgrow its record: a file
    // refused after others were made sets how many the later folders take.
    bool MakeFiles(const CString& here)
    {
        unsigned made = 0;
        for (unsigned slot = kSubfolders; slot < kSubfolders + m_files; ++slot)
        {
            if (!MayGoOn())
                return false;
            const FileOutcome outcome = MakeFile(Child(here, slot), m_zeros, m_sizer);
            if (outcome != FileOutcome::NotCreated)
                ++m_result.items;
            if (outcome == FileOutcome::NoByteFits ||
                (outcome == FileOutcome::NotCreated && made == 0))
                return false; // no byte fits a record, or no free record is left
            if (outcome == FileOutcome::NotCreated)
            {
                m_files = made;
                return true;
            }
            Applied();
            ++made;
        }
        return true;
    }

    void Applied()
    {
        if (m_result.applied)
            return;
        m_result.applied = true;
        m_started();
    }

    KoWipeSeam& m_seam;
    const CString& m_folder;
    const CString m_root;
    const std::atomic<BOOL>& m_cancel;
    const unsigned char* m_zeros;
    void (*m_started)();
    KoWipeRecordsResult m_result;
    ULONGLONG m_start = 0;
    DataSizer m_sizer;
    unsigned m_files = kFilesPerFolder;
};

} // namespace

BOOL IsNtfsVolume(const CString& folder)
{
    char root[MAX_PATH + 1] = {};
    if (!::GetVolumePathNameA(folder, root, MAX_PATH))
        return FALSE;
    char fileSystem[MAX_PATH + 1] = {};
    if (!GetWipeSeam().GetVolumeInformation(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                            MAX_PATH))
        return FALSE;
    return std::strcmp(fileSystem, "NTFS") == 0;
}

KoWipeRecordsResult OverwriteFreeRecords(const CString& folder, const std::atomic<BOOL>& cancel,
                                         const unsigned char* zeros, DWORD zeroBytes,
                                         void (*started)())
{
    RecordPhase phase(folder, cancel, zeros, started);
    if (zeroBytes >= kFirstDataBytes && phase.Begin())
        phase.Run();
    return phase.Result();
}

BOOL DeleteWipeRecords(const CString& folder)
{
    const CString root = folder + kWipeRecordsFolder;
    const DWORD attributes = ::GetFileAttributesA(root);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return TRUE;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return FALSE;
    return DeleteTree(root);
}
