#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/KoFile.h"
#include "support/KoFileSeam.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/Seams.h"

namespace
{

class FileTest : public ::testing::Test
{
protected:
    TempDir m_dir;
    CapturedLog m_log;
};

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

TEST_F(FileTest, ErrorObjectsPostTheSystemTextAndKeepTheLastError)
{
    ClobberingList list;
    m_log.Log().m_pList = &list;
    const struct
    {
        const char* name; // null: a bare KoError
        std::string line;
    } rows[] = {{nullptr, SystemText(ERROR_DISK_FULL)},
                {"", "File:  , Error: " + SystemText(ERROR_DISK_FULL)},
                {"C:\\x\\y.bin", FileErrorLine("C:\\x\\y.bin", ERROR_DISK_FULL)}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.line);
        ::SetLastError(ERROR_DISK_FULL);
        if (row.name == nullptr)
        {
            KoError error(-1, TRUE);
            EXPECT_EQ(error.m_dwErrorCode, static_cast<DWORD>(ERROR_DISK_FULL));
        }
        else
        {
            KoFileError error(row.name, TRUE);
        }
        // A caller that reports the same failure again must see the same code.
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
        EXPECT_EQ(m_log.Text(m_log.Count() - 1), row.line);
    }
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    KoFileError unnamed(nullptr, TRUE);
    ::SetLastError(0x2000ABCDu); // no system text for this code
    KoError unknown(-1, TRUE);
    KoError notSystem(5, TRUE);
    EXPECT_FALSE(notSystem.m_boolSystemError);
    ASSERT_EQ(m_log.Count(), 6u);
    EXPECT_EQ(m_log.Text(3), FileErrorLine("Unnamed", ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(m_log.Text(4), SystemText(0x2000ABCDu));
    EXPECT_EQ(m_log.Text(5), "");
    EXPECT_EQ(m_log.Image(0), 0);
    m_log.Log().m_pList = nullptr;
}

struct CreateCall
{
    DWORD access, share, disposition, attributes, securityLength;
    BOOL inherit;
    bool descriptor, templateFile;
};
std::vector<CreateCall> g_creates;

HANDLE WINAPI RecordCreate(LPCSTR, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                           DWORD disposition, DWORD attributes, HANDLE templateFile)
{
    g_creates.push_back({access, share, disposition, attributes, security ? security->nLength : 0u,
                         security ? security->bInheritHandle : 2,
                         security && security->lpSecurityDescriptor, templateFile != nullptr});
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

TEST_F(FileTest, OpenFlagsReachCreateFileAsMapped)
{
    const DWORD rw = GENERIC_READ | GENERIC_WRITE, both = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const DWORD rd = GENERIC_READ, ex = OPEN_EXISTING;
    const struct
    {
        UINT flags;
        DWORD access, share;
        BOOL inherit;
        DWORD disposition;
    } rows[] = {
        {KoFile::modeRead, rd, 0, TRUE, ex},
        {KoFile::modeWrite, GENERIC_WRITE, 0, TRUE, ex},
        {KoFile::modeReadWrite, rw, 0, TRUE, ex},
        {0x3, 0, 0, TRUE, ex},
        {KoFile::shareExclusive, rd, 0, TRUE, ex},
        {KoFile::shareDenyWrite, rd, FILE_SHARE_READ, TRUE, ex},
        {KoFile::shareDenyRead, rd, FILE_SHARE_WRITE, TRUE, ex},
        {KoFile::shareDenyNone, rd, both, TRUE, ex},
        {0x50, rd, 0, TRUE, ex},
        {0x60, rd, 0, TRUE, ex},
        {0x70, rd, 0, TRUE, ex},
        {KoFile::modeNoInherit, rd, 0, FALSE, ex},
        {KoFile::modeCreate, rd, 0, TRUE, CREATE_ALWAYS},
        {KoFile::modeCreate | KoFile::modeNoTruncate, rd, 0, TRUE, OPEN_ALWAYS},
        {KoFile::modeNoTruncate, rd, 0, TRUE, ex},
        {KoFile::modeCreate | KoFile::modeReadWrite, rw, 0, TRUE, CREATE_ALWAYS}, // wipe files
        {0xCF00 | KoFile::modeWrite | KoFile::shareDenyNone, GENERIC_WRITE, both, TRUE, ex}};
    SeamOverrides seams;
    seams.Set(g_KoFileSeam.pCreateFile, &RecordCreate);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(::testing::Message() << "flags 0x" << std::hex << row.flags);
        g_creates.clear();
        KoFile file(FALSE, FALSE);
        EXPECT_FALSE(file.Open("some.file", row.flags));
        ASSERT_EQ(g_creates.size(), 1u);
        const CreateCall& call = g_creates[0];
        EXPECT_EQ(call.access, row.access);
        EXPECT_EQ(call.share, row.share);
        EXPECT_EQ(call.inherit, row.inherit);
        EXPECT_EQ(call.disposition, row.disposition);
        EXPECT_EQ(call.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
        EXPECT_EQ(call.securityLength, sizeof(SECURITY_ATTRIBUTES));
        EXPECT_FALSE(call.descriptor);
        EXPECT_FALSE(call.templateFile);
    }
}

int g_calls = 0;
HANDLE g_heldHandle = INVALID_HANDLE_VALUE;

BOOL WINAPI HalfWrite(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED)
{
    ++g_calls;
    return ::WriteFile(file, buffer, count / 2, done, nullptr);
}

BOOL WINAPI FailingRead(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED)
{
    ++g_calls;
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

BOOL WINAPI CountingClose(HANDLE file)
{
    ++g_calls;
    return ::CloseHandle(file);
}

BOOL WINAPI FailingClose(HANDLE file)
{
    ++g_calls;
    g_heldHandle = file;
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

TEST_F(FileTest, RealFilesWriteReadShareAndTruncate)
{
    const std::string path = m_dir / "data.bin", other = m_dir / "other.bin";
    std::string data(100000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + 3);
    SeamOverrides seams;
    seams.Set(g_KoFileSeam.pCloseHandle, &CountingClose);
    g_calls = 0;
    {
        KoFile file(FALSE, TRUE);
        ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeCreate | KoFile::modeReadWrite));
        EXPECT_TRUE(file.Write(data.data(), static_cast<UINT>(data.size())));
        EXPECT_TRUE(file.Flush());
        // A second Open closes the first handle: the file is free again.
        ASSERT_TRUE(file.Open(other.c_str(), KoFile::modeCreate | KoFile::modeReadWrite));
        EXPECT_EQ(g_calls, 1);
        KoFile exclusive(FALSE, TRUE);
        ASSERT_TRUE(exclusive.Open(path.c_str(), KoFile::modeRead | KoFile::shareExclusive));
        // ...and an exclusive open keeps everybody else out.
        KoFile second(FALSE, FALSE);
        EXPECT_FALSE(second.Open(path.c_str(), KoFile::modeRead | KoFile::shareDenyNone));
        std::string back(data.size(), '\0');
        EXPECT_TRUE(exclusive.Read(&back[0], static_cast<UINT>(back.size())));
        EXPECT_TRUE(back == data);
        EXPECT_TRUE(exclusive.Close());
        EXPECT_EQ(exclusive.m_hFile, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(exclusive.m_boolAutoClose);
        EXPECT_TRUE(exclusive.m_strFileName.IsEmpty());
    }
    EXPECT_EQ(g_calls, 3);
    {
        KoFile keep(FALSE, TRUE);
        EXPECT_TRUE(keep.Open(path.c_str(), KoFile::modeCreate | KoFile::modeNoTruncate));
    }
    EXPECT_EQ(ReadText(path).size(), data.size());
    {
        KoFile wipe(FALSE, TRUE);
        EXPECT_TRUE(wipe.Open(path.c_str(), KoFile::modeCreate | KoFile::modeReadWrite));
        EXPECT_TRUE(wipe.Write("new", 3));
        // Reopening under its own name closes first, which empties the name.
        EXPECT_TRUE(wipe.Open(wipe.m_strFileName, KoFile::modeRead));
        EXPECT_EQ(StdString(wipe.m_strFileName), path);
    }
    EXPECT_EQ(ReadText(path), "new");
    EXPECT_EQ(m_log.Count(), 0u);
}

TEST_F(FileTest, OpenFailuresKeepTheNameAndNoHandle)
{
    const std::string missing = m_dir / "missing.bin", folder = m_dir / "sub";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    KoFile file(FALSE, TRUE);
    EXPECT_FALSE(file.Open(missing.c_str(), KoFile::modeRead));
    EXPECT_EQ(file.m_hFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(StdString(file.m_strFileName), missing);
    // No handle: Close succeeds at once and leaves the name.
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(StdString(file.m_strFileName), missing);
    // A folder where a file is expected.
    EXPECT_FALSE(file.Open(folder.c_str(), KoFile::modeCreate | KoFile::modeReadWrite));
    EXPECT_FALSE(RemoveFile(folder.c_str()));
    ASSERT_EQ(m_log.Count(), 3u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(missing, ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(m_log.Text(1), FileErrorLine(folder, ERROR_ACCESS_DENIED));
    EXPECT_EQ(m_log.Text(2), FileErrorLine(folder, ERROR_ACCESS_DENIED));

    KoFile throwing(TRUE, FALSE);
    EXPECT_THROW(throwing.Open(missing.c_str(), KoFile::modeRead), KoFile::ErrorExceptions);
    try
    {
        throwing.Open(missing.c_str(), KoFile::modeRead);
    }
    catch (KoFile::ErrorExceptions error)
    {
        EXPECT_EQ(error, KoFile::OpenError);
    }
    EXPECT_EQ(m_log.Count(), 3u);
}

TEST_F(FileTest, ShortReadsAndWritesFailWithASystemText)
{
    const std::string path = m_dir / "short.bin";
    WriteText(path, "0123456789");
    char buffer[20] = {};
    {
        KoFile file(FALSE, TRUE);
        ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeRead | KoFile::shareDenyNone));
        EXPECT_FALSE(file.Read(buffer, sizeof(buffer)));
        EXPECT_EQ(std::string(buffer), "0123456789");
        EXPECT_NE(file.m_hFile, INVALID_HANDLE_VALUE); // still open
        KoFile throwing(TRUE, FALSE);
        ASSERT_TRUE(throwing.Open(path.c_str(), KoFile::modeRead | KoFile::shareDenyNone));
        EXPECT_THROW(throwing.Read(buffer, sizeof(buffer)), KoFile::ErrorExceptions);
    }
    SeamOverrides seams;
    seams.Set(g_KoFileSeam.pWriteFile, &HalfWrite);
    KoFile file(FALSE, TRUE);
    ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeCreate | KoFile::modeWrite));
    EXPECT_FALSE(file.Write("abcdef", 6));
    ASSERT_EQ(m_log.Count(), 2u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(path, ERROR_HANDLE_EOF));
    EXPECT_EQ(m_log.Text(1), FileErrorLine(path, ERROR_DISK_FULL));
}

TEST_F(FileTest, ZeroCountsAndNeverOpenedObjectsMakeNoSystemCall)
{
    SeamOverrides seams;
    seams.Set(g_KoFileSeam.pWriteFile, &HalfWrite);
    seams.Set(g_KoFileSeam.pReadFile, &FailingRead);
    seams.Set(g_KoFileSeam.pCloseHandle, &CountingClose);
    g_calls = 0;
    {
        KoFile file(TRUE, TRUE);
        char byte = 0;
        EXPECT_TRUE(file.Read(&byte, 0));
        EXPECT_TRUE(file.Write(&byte, 0));
        EXPECT_TRUE(file.Close());
        file.m_boolThrowErrors = FALSE;
        EXPECT_FALSE(file.Read(&byte, 1)); // a real count does reach the system
    }
    EXPECT_EQ(g_calls, 1);
    ASSERT_EQ(m_log.Count(), 1u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine("", ERROR_INVALID_HANDLE));
}

TEST_F(FileTest, FailedCloseForgetsTheHandleOrThrowsAndKeepsIt)
{
    const std::string path = m_dir / "close.bin";
    SeamOverrides seams;
    seams.Set(g_KoFileSeam.pCloseHandle, &FailingClose);
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
    g_calls = 0;
    {
        KoFile file(TRUE, FALSE);
        ASSERT_TRUE(file.Open(path.c_str(), KoFile::modeCreate | KoFile::modeWrite));
        const HANDLE open = file.m_hFile;
        EXPECT_THROW(file.Close(), KoFile::ErrorExceptions);
        EXPECT_EQ(file.m_hFile, open);
        EXPECT_EQ(StdString(file.m_strFileName), path);
        // The destructor closes again and must not throw.
    }
    EXPECT_EQ(g_calls, 2);
    ::CloseHandle(g_heldHandle);
}

// The process's open handles, found by asking for each handle value (Wine
// answers no count of its own). Handle values are multiples of four, and a
// new handle takes a low free one.
int OpenHandles()
{
    int count = 0;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 0x4000; value += 4)
        count += ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    return count;
}

TEST_F(FileTest, PathFunctionsAndWhatTheyLog)
{
    const std::string file = m_dir / "Tolvane1A.WipeFile", missing = m_dir / "gone";
    const std::string locked = m_dir / "readonly.bin";
    WriteText(file, "x");
    WriteText(locked, "r");
    ASSERT_TRUE(::SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    const struct
    {
        std::string path;
        BOOL created, exists;
    } rows[] = {{m_dir / "new", TRUE, TRUE},
                {m_dir / "new", TRUE, TRUE}, // there already
                {m_dir / "no\\such\\parent", FALSE, FALSE},
                {file, FALSE, TRUE}, // a file takes the name: no folder
                {m_dir / "*.WipeFile", FALSE, TRUE},
                {m_dir / "Tolvane?A.*", FALSE, TRUE},
                {m_dir / "*.txt", FALSE, FALSE}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(CreateFolder(row.path.c_str()), row.created);
        EXPECT_EQ(FileExists(row.path.c_str()), row.exists);
    }
    WIN32_FIND_DATAA data{};
    ASSERT_TRUE(FindFile((m_dir / "*.WipeFile").c_str(), &data));
    EXPECT_STREQ(data.cFileName, "Tolvane1A.WipeFile");
    EXPECT_TRUE(IsFolder((m_dir / "new").c_str()));
    EXPECT_FALSE(IsFolder(file.c_str()));
    EXPECT_FALSE(DeleteIfExists(missing.c_str()));
    EXPECT_FALSE(CreateFolder(nullptr) || FileExists(nullptr));
    EXPECT_EQ(m_log.Count(), 0u);
    // Every search is closed again.
    const int handles = OpenHandles();
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(FileExists((m_dir / "*.WipeFile").c_str()) && !DeleteIfExists(missing.c_str()));
    EXPECT_EQ(OpenHandles(), handles);

    EXPECT_FALSE(IsFolder(missing.c_str()));
    EXPECT_FALSE(IsFolder(nullptr));
    EXPECT_FALSE(DeleteIfExists(locked.c_str()));
    EXPECT_TRUE(FileExists(locked.c_str()));
    EXPECT_TRUE(DeleteIfExists(file.c_str()));
    EXPECT_FALSE(FileExists(file.c_str()));
    ASSERT_EQ(m_log.Count(), 3u);
    EXPECT_EQ(m_log.Text(0), FileErrorLine(missing, ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(m_log.Text(1), FileErrorLine("Unnamed", ERROR_INVALID_PARAMETER));
    EXPECT_EQ(m_log.Text(2), FileErrorLine(locked, ERROR_ACCESS_DENIED));
}

TEST(PathTest, IsRootPathTakesBareDrivesAndShares)
{
    const struct
    {
        const char* path;
        BOOL result;
    } rows[] = {{"C:", TRUE},
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
                {"\\\\s\\", FALSE},   // four characters
                {"\\\\a\\b", TRUE},   // the shortest share root: five
                {"\\x\\y\\z", FALSE}, // one backslash in front, not two
                {"x\\\\server\\share", FALSE},
                {nullptr, FALSE}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path ? row.path : "(null)");
        EXPECT_EQ(IsRootPath(row.path), row.result);
    }
    EXPECT_EQ(CountChar("\\\\server\\share", '\\'), 3);
    EXPECT_EQ(CountChar("\xE4\\\\", '\\'), 2);
    EXPECT_EQ(CountChar("", '\\'), 0);
    EXPECT_EQ(CountChar(nullptr, '\\'), 0);
}

} // namespace
