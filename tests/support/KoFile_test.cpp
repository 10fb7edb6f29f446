#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/KoFile.h"
#include "support/KoFileSeam.h"
#include "SupportTestUtil.h"

namespace
{

class FileTest : public ::testing::Test
{
protected:
    TempDir m_dir;
    CapturedLog m_log;
};

// --- Error objects ---------------------------------------------------------

TEST_F(FileTest, FileErrorNamesTheFileOrUnnamedAndKeepsTheLastError)
{
    const struct
    {
        const char* name;
        const char* shown;
    } rows[] = {{nullptr, "Unnamed"}, {"", ""}, {"C:\\x\\y.bin", "C:\\x\\y.bin"}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.shown);
        CapturedLog log;
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        {
            KoFileError error(row.name, TRUE);
            EXPECT_EQ(error.m_dwErrorCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
            EXPECT_TRUE(error.m_boolSystemError);
        }
        // A caller that reports the failure again must see the same code.
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
        ASSERT_EQ(log.Count(), 1u);
        EXPECT_EQ(log.Text(0), FileErrorLine(row.shown, ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(log.Kind(0), static_cast<int>(KoMessagesContainer::Error));
    }
    // An empty name leaves two blanks between "File:" and the comma.
    ::SetLastError(ERROR_ACCESS_DENIED);
    KoFileError quiet("", FALSE);
    EXPECT_EQ(quiet.m_strError.str().rfind("File:  , Error: ", 0), 0u);
    EXPECT_EQ(m_log.Count(), 0u);
}

// A list whose rows, like window messages, overwrite the thread's last error.
class ClobberingList : public KoItemList
{
public:
    BOOL AddItem(KoListComboItem*) override
    {
        ::SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
};

TEST_F(FileTest, ErrorPostsTheBareSystemTextOnlyForTheLastError)
{
    ClobberingList list;
    m_log.m_log.m_pList = &list;
    ::SetLastError(ERROR_DISK_FULL);
    KoError system(-1, TRUE);
    EXPECT_EQ(system.m_strError.str(), SystemText(ERROR_DISK_FULL));
    EXPECT_FALSE(system.m_strError.IsEmpty());
    // Posting did not lose the code for a caller that reports it again.
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    KoFileError file("f", TRUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    ::SetLastError(ERROR_DISK_FULL);
    KoError other(5, TRUE);
    EXPECT_FALSE(other.m_boolSystemError);
    EXPECT_TRUE(other.m_strError.IsEmpty());

    // A code the system has no text for gives an empty text.
    ::SetLastError(0x2000ABCDu);
    KoError unknown(-1, FALSE);
    EXPECT_EQ(unknown.m_strError.str(), SystemText(0x2000ABCDu));

    ASSERT_EQ(m_log.Count(), 3u);
    EXPECT_EQ(m_log.Text(0), SystemText(ERROR_DISK_FULL));
    EXPECT_EQ(m_log.Text(2), "");
    m_log.m_log.m_pList = nullptr;
}

// --- Open flags ------------------------------------------------------------

struct CreateCall
{
    std::string name;
    DWORD access, share, disposition, attributes;
    bool hasSecurity;
    DWORD securityLength;
    bool descriptor;
    BOOL inherit;
    bool hasTemplate;
};
std::vector<CreateCall> g_creates;

HANDLE WINAPI RecordCreate(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                           DWORD disposition, DWORD attributes, HANDLE templateFile)
{
    CreateCall call{name,
                    access,
                    share,
                    disposition,
                    attributes,
                    security != nullptr,
                    security ? security->nLength : 0,
                    security && security->lpSecurityDescriptor != nullptr,
                    security ? security->bInheritHandle : FALSE,
                    templateFile != nullptr};
    g_creates.push_back(call);
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

TEST_F(FileTest, OpenFlagsReachCreateFileAsMapped)
{
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    const DWORD shareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const struct
    {
        UINT flags;
        DWORD access, share;
        BOOL inherit;
        DWORD disposition;
    } rows[] = {
        {KoFile::modeRead, GENERIC_READ, 0, TRUE, OPEN_EXISTING},
        {KoFile::modeWrite, GENERIC_WRITE, 0, TRUE, OPEN_EXISTING},
        {KoFile::modeReadWrite, rw, 0, TRUE, OPEN_EXISTING},
        {0x3, 0, 0, TRUE, OPEN_EXISTING},
        {KoFile::shareExclusive, GENERIC_READ, 0, TRUE, OPEN_EXISTING},
        {KoFile::shareDenyWrite, GENERIC_READ, FILE_SHARE_READ, TRUE, OPEN_EXISTING},
        {KoFile::shareDenyRead, GENERIC_READ, FILE_SHARE_WRITE, TRUE, OPEN_EXISTING},
        {KoFile::shareDenyNone, GENERIC_READ, shareBoth, TRUE, OPEN_EXISTING},
        {0x50, GENERIC_READ, 0, TRUE, OPEN_EXISTING},
        {0x60, GENERIC_READ, 0, TRUE, OPEN_EXISTING},
        {0x70, GENERIC_READ, 0, TRUE, OPEN_EXISTING},
        {KoFile::modeNoInherit, GENERIC_READ, 0, FALSE, OPEN_EXISTING},
        {KoFile::modeCreate, GENERIC_READ, 0, TRUE, CREATE_ALWAYS},
        {KoFile::modeCreate | KoFile::modeNoTruncate, GENERIC_READ, 0, TRUE, OPEN_ALWAYS},
        {KoFile::modeNoTruncate, GENERIC_READ, 0, TRUE, OPEN_EXISTING},
        // The wipe file's flags.
        {KoFile::modeCreate | KoFile::modeReadWrite, rw, 0, TRUE, CREATE_ALWAYS},
        // Bits outside the table are ignored.
        {0xC000 | 0x0F00 | KoFile::modeWrite | KoFile::shareDenyNone, GENERIC_WRITE, shareBoth,
         TRUE, OPEN_EXISTING},
    };
    KoFileSeamScope seam;
    g_KoFileSeam.pCreateFile = &RecordCreate;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << "flags 0x" << std::hex << row.flags);
        g_creates.clear();
        KoFile file(FALSE, FALSE);
        EXPECT_FALSE(file.Open("some.file", row.flags));
        ASSERT_EQ(g_creates.size(), 1u);
        const CreateCall& call = g_creates[0];
        EXPECT_EQ(call.name, "some.file");
        EXPECT_EQ(call.access, row.access);
        EXPECT_EQ(call.share, row.share);
        EXPECT_EQ(call.disposition, row.disposition);
        EXPECT_EQ(call.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
        ASSERT_TRUE(call.hasSecurity);
        EXPECT_EQ(call.securityLength, sizeof(SECURITY_ATTRIBUTES));
        EXPECT_FALSE(call.descriptor);
        EXPECT_EQ(call.inherit, row.inherit);
        EXPECT_FALSE(call.hasTemplate);
    }
}

TEST_F(FileTest, OpenFlagsBehaveOnRealFiles)
{
    const std::string path = m_dir / "data.bin";
    TempDir::WriteFileText(path, "old content");

    // Created or opened without truncation: the content stays.
    {
        KoFile keep(FALSE, TRUE);
        ASSERT_TRUE(keep.Open(path.c_str(),
                              KoFile::modeCreate | KoFile::modeNoTruncate | KoFile::modeReadWrite));
    }
    EXPECT_EQ(TempDir::ReadFileText(path), "old content");

    // Exclusive: nobody else may open it while it is open; deny-none lets both in.
    {
        KoFile first(FALSE, FALSE);
        ASSERT_TRUE(first.Open(path.c_str(), KoFile::modeRead | KoFile::shareExclusive));
        KoFile second(FALSE, FALSE);
        EXPECT_FALSE(second.Open(path.c_str(), KoFile::modeRead | KoFile::shareDenyNone));
    }
    {
        KoFile first(FALSE, FALSE);
        ASSERT_TRUE(first.Open(path.c_str(), KoFile::modeRead | KoFile::shareDenyNone));
        KoFile second(FALSE, FALSE);
        EXPECT_TRUE(second.Open(path.c_str(), KoFile::modeRead | KoFile::shareDenyNone));
    }

    // The wipe file's flags truncate an existing file.
    {
        KoFile wipe(FALSE, TRUE);
        ASSERT_TRUE(wipe.Open(path.c_str(), KoFile::modeCreate | KoFile::modeReadWrite));
        EXPECT_TRUE(wipe.Write("new", 3));
    }
    EXPECT_EQ(TempDir::ReadFileText(path), "new");
    EXPECT_EQ(m_log.Count(), 0u);
}

// --- Open, Read, Write, Close on real files ---------------------------------

TEST_F(FileTest, WrittenBytesReadBack)
{
    const std::string path = m_dir / "round.bin";
    std::string data(100000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
    {
        data[i] = static_cast<char>(i * 7 + 3);
    }
    {
        KoFile file(FALSE, TRUE);
        ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeCreate | KoFile::modeWrite));
        EXPECT_TRUE(file.Write(data.data(), static_cast<UINT>(data.size())));
        EXPECT_TRUE(file.Flush());
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(file.m_hFile, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(file.m_boolAutoClose);
        EXPECT_TRUE(file.m_strFileName.IsEmpty());
    }
    KoFile file(FALSE, TRUE);
    ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeRead));
    std::string back(data.size(), '\0');
    EXPECT_TRUE(file.Read(&back[0], static_cast<UINT>(back.size())));
    EXPECT_TRUE(back == data);
    EXPECT_EQ(m_log.Count(), 0u);
}

TEST_F(FileTest, OpenOfAMissingFileFailsAndKeepsTheName)
{
    const std::string path = m_dir / "missing.bin";
    KoFile file(FALSE, TRUE);
    EXPECT_FALSE(file.Open(path.c_str(), KoFile::modeRead));
    EXPECT_EQ(file.m_hFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(file.m_strFileName.str(), path);
    ASSERT_EQ(m_log.Count(), 1u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(path, ERROR_FILE_NOT_FOUND));
    // No handle: Close succeeds at once and leaves the name.
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(file.m_strFileName.str(), path);

    KoFile quietThrowing(TRUE, FALSE);
    try
    {
        quietThrowing.Open(path.c_str(), KoFile::modeRead);
        ADD_FAILURE() << "no exception";
    }
    catch (KoFile::ErrorExceptions error)
    {
        EXPECT_EQ(error, KoFile::OpenError);
    }
    EXPECT_EQ(m_log.Count(), 1u);
}

TEST_F(FileTest, AFolderIsNoFile)
{
    const std::string folder = m_dir / "sub";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    KoFile file(FALSE, TRUE);
    EXPECT_FALSE(file.Open(folder.c_str(), KoFile::modeCreate | KoFile::modeReadWrite));
    EXPECT_FALSE(RemoveFile(folder.c_str()));
    EXPECT_TRUE(IsFolder(folder.c_str()));
    ASSERT_EQ(m_log.Count(), 2u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(folder, ERROR_ACCESS_DENIED));
    EXPECT_EQ(m_log.Text(1), FileErrorLine(folder, ERROR_ACCESS_DENIED));
}

TEST_F(FileTest, ShortReadAtTheEndOfTheFileFails)
{
    const std::string path = m_dir / "short.bin";
    TempDir::WriteFileText(path, "0123456789");
    char buffer[20] = {};
    {
        KoFile file(FALSE, TRUE);
        ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeRead));
        EXPECT_FALSE(file.Read(buffer, sizeof(buffer)));
        // The file stays open after a failed read.
        EXPECT_NE(file.m_hFile, INVALID_HANDLE_VALUE);
        EXPECT_EQ(std::string(buffer, 10), "0123456789");
        // At the end nothing is left at all.
        EXPECT_FALSE(file.Read(buffer, 1));
    }
    ASSERT_EQ(m_log.Count(), 2u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(path, ERROR_HANDLE_EOF));
    EXPECT_EQ(m_log.Text(1), FileErrorLine(path, ERROR_HANDLE_EOF));

    KoFile throwing(TRUE, FALSE);
    ASSERT_TRUE(throwing.Open(path.c_str(), KoFile::modeRead));
    EXPECT_THROW(throwing.Read(buffer, sizeof(buffer)), KoFile::ErrorExceptions);
    EXPECT_EQ(m_log.Count(), 2u);
}

int g_seamCalls = 0;
HANDLE g_heldHandle = INVALID_HANDLE_VALUE;

BOOL WINAPI HalfWrite(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED)
{
    ++g_seamCalls;
    ::SetLastError(ERROR_SUCCESS);
    return ::WriteFile(file, buffer, count / 2, done, nullptr);
}

BOOL WINAPI CountingRead(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED)
{
    ++g_seamCalls;
    return FALSE;
}

BOOL WINAPI FailingClose(HANDLE file)
{
    ++g_seamCalls;
    g_heldHandle = file;
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

BOOL WINAPI CountingClose(HANDLE file)
{
    ++g_seamCalls;
    return ::CloseHandle(file);
}

TEST_F(FileTest, ShortWriteReportsAFullDisk)
{
    const std::string path = m_dir / "full.bin";
    KoFileSeamScope seam;
    g_KoFileSeam.pWriteFile = &HalfWrite;
    KoFile file(FALSE, TRUE);
    ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeCreate | KoFile::modeWrite));
    EXPECT_FALSE(file.Write("abcdef", 6));
    ASSERT_EQ(m_log.Count(), 1u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(path, ERROR_DISK_FULL));
    EXPECT_NE(file.m_hFile, INVALID_HANDLE_VALUE);
}

TEST_F(FileTest, ZeroCountsSucceedWithoutASystemCall)
{
    KoFileSeamScope seam;
    g_KoFileSeam.pWriteFile = &HalfWrite;
    g_KoFileSeam.pReadFile = &CountingRead;
    g_KoFileSeam.pCloseHandle = &CountingClose;
    g_seamCalls = 0;
    {
        KoFile file(TRUE, TRUE);
        char byte = 0;
        EXPECT_TRUE(file.Read(&byte, 0));
        EXPECT_TRUE(file.Write(&byte, 0));
        EXPECT_TRUE(file.Close());
        // A closed object's Read does reach the system, and fails.
        file.m_boolThrowErrors = FALSE;
        EXPECT_FALSE(file.Read(&byte, 1));
    }
    EXPECT_EQ(g_seamCalls, 1);
    EXPECT_EQ(m_log.Count(), 1u);
}

TEST_F(FileTest, ASecondOpenClosesTheFirstHandle)
{
    const std::string first = m_dir / "first.bin";
    const std::string second = m_dir / "second.bin";
    KoFileSeamScope seam;
    g_KoFileSeam.pCloseHandle = &CountingClose;
    g_seamCalls = 0;
    KoFile file(FALSE, TRUE);
    ASSERT_TRUE(file.Open(first.c_str(), KoFile::modeCreate | KoFile::modeReadWrite));
    ASSERT_TRUE(file.Open(second.c_str(), KoFile::modeCreate | KoFile::modeReadWrite));
    EXPECT_EQ(g_seamCalls, 1);
    EXPECT_EQ(file.m_strFileName.str(), second);
    // The first file is free again: an exclusive open of it succeeds.
    KoFile other(FALSE, TRUE);
    EXPECT_TRUE(other.Open(first.c_str(), KoFile::modeRead | KoFile::shareExclusive));
    EXPECT_EQ(m_log.Count(), 0u);
}

TEST_F(FileTest, FailedCloseForgetsTheHandleOrThrowsAndKeepsIt)
{
    const std::string path = m_dir / "close.bin";
    KoFileSeamScope seam;
    g_KoFileSeam.pCloseHandle = &FailingClose;
    {
        KoFile file(FALSE, TRUE);
        ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeCreate | KoFile::modeWrite));
        EXPECT_FALSE(file.Close());
        EXPECT_EQ(file.m_hFile, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(file.m_strFileName.IsEmpty());
        ::CloseHandle(g_heldHandle);
    }
    ASSERT_EQ(m_log.Count(), 1u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(path, ERROR_INVALID_HANDLE));

    g_seamCalls = 0;
    {
        KoFile file(TRUE, FALSE);
        ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeCreate | KoFile::modeWrite));
        const HANDLE open = file.m_hFile;
        EXPECT_THROW(file.Close(), KoFile::ErrorExceptions);
        EXPECT_EQ(file.m_hFile, open);
        EXPECT_EQ(file.m_strFileName.str(), path);
        // The destructor closes again, and must not throw although the
        // object throws its errors.
    }
    EXPECT_EQ(g_seamCalls, 2);
    ::CloseHandle(g_heldHandle);
    EXPECT_EQ(m_log.Count(), 1u);
}

// --- Path functions ---------------------------------------------------------

TEST_F(FileTest, CreateFolderSucceedsOnlyWhereAFolderEnds)
{
    const std::string file = m_dir / "plain.txt";
    TempDir::WriteFileText(file, "x");
    const struct
    {
        std::string path;
        BOOL result;
    } rows[] = {
        {m_dir / "new", TRUE}, {m_dir / "new", TRUE}, // exists now
        {m_dir.Path(), TRUE},  {m_dir / "no\\such\\parent", FALSE},
        {file, FALSE}, // a file takes the name
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(CreateFolder(row.path.c_str()), row.result);
    }
    EXPECT_TRUE(IsFolder((m_dir / "new").c_str()));
    EXPECT_FALSE(CreateFolder(nullptr));
    EXPECT_EQ(m_log.Count(), 0u);
}

TEST_F(FileTest, IsFolderLogsOnlyAMissingPath)
{
    const std::string file = m_dir / "plain.txt";
    TempDir::WriteFileText(file, "x");
    EXPECT_FALSE(IsFolder(file.c_str()));
    EXPECT_TRUE(IsFolder(m_dir.Path().c_str()));
    EXPECT_EQ(m_log.Count(), 0u);

    const std::string missing = m_dir / "gone";
    EXPECT_FALSE(IsFolder(missing.c_str()));
    EXPECT_EQ(GetAttributes(missing.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(IsFolder(nullptr));
    ASSERT_EQ(m_log.Count(), 3u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(missing, ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(m_log.Text(2), FileErrorLine("Unnamed", ERROR_INVALID_PARAMETER));
}

TEST_F(FileTest, FileExistsHonoursWildcards)
{
    TempDir::WriteFileText(m_dir / "Tolvane1A.WipeFile", "");
    const struct
    {
        std::string pattern;
        BOOL result;
    } rows[] = {
        {m_dir / "Tolvane1A.WipeFile", TRUE}, {m_dir / "*.WipeFile", TRUE},
        {m_dir / "Tolvane?A.*", TRUE},        {m_dir / "*.txt", FALSE},
        {m_dir / "Tolvane2.WipeFile", FALSE},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.pattern);
        EXPECT_EQ(FileExists(row.pattern.c_str()), row.result);
    }
    WIN32_FIND_DATAA data{};
    ASSERT_TRUE(FindFile((m_dir / "*.WipeFile").c_str(), &data));
    EXPECT_STREQ(data.cFileName, "Tolvane1A.WipeFile");
    EXPECT_FALSE(FileExists(nullptr));
    EXPECT_EQ(m_log.Count(), 0u);
}

TEST_F(FileTest, DeleteIfExistsRemovesOrReports)
{
    const std::string present = m_dir / "present.bin";
    const std::string locked = m_dir / "readonly.bin";
    TempDir::WriteFileText(present, "p");
    TempDir::WriteFileText(locked, "r");
    ASSERT_TRUE(::SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_FALSE(DeleteIfExists((m_dir / "absent.bin").c_str()));
    EXPECT_EQ(m_log.Count(), 0u);

    EXPECT_TRUE(DeleteIfExists(present.c_str()));
    EXPECT_FALSE(FileExists(present.c_str()));

    EXPECT_FALSE(DeleteIfExists(locked.c_str()));
    EXPECT_TRUE(FileExists(locked.c_str()));
    ASSERT_EQ(m_log.Count(), 1u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(locked, ERROR_ACCESS_DENIED));
}

TEST(PathTest, IsRootPathTakesBareDrivesAndShares)
{
    const struct
    {
        const char* path;
        BOOL result;
    } rows[] = {
        {"C:", TRUE},
        {"1:", TRUE},
        {"\\\\server\\share", TRUE},
        {"C:\\", FALSE},
        {"\\\\server\\share\\", FALSE},
        {"\\\\server", FALSE},
        {"\\\\server\\share\\dir", FALSE},
        {"C:\\Windows", FALSE},
        {"C", FALSE},
        {"", FALSE},
        {"C;", FALSE},
        {"\\\\s\\", FALSE}, // four characters
        {"x\\\\server\\share", FALSE},
        {nullptr, FALSE},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path ? row.path : "(null)");
        EXPECT_EQ(IsRootPath(row.path), row.result);
    }
}

TEST(PathTest, CountCharCountsBytes)
{
    const struct
    {
        const char* s;
        char c;
        int count;
    } rows[] = {
        {"\\\\server\\share", '\\', 3}, {"", '\\', 0},   {nullptr, '\\', 0}, {"aaa", 'a', 3},
        {"\xE4\x5C\x5C", '\\', 2},      {"abc", 'd', 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.s ? row.s : "(null)");
        EXPECT_EQ(CountChar(row.s, row.c), row.count);
    }
}

} // namespace
