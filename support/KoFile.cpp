#include "support/KoFile.h"

#include <cstring>

#include "support/Handle.h"
#include "support/KoFileSeam.h"
#include "support/KoMessages.h"

KoError::KoError(int code, BOOL report)
{
    if (code == -1)
    {
        FormatLastError();
        m_boolSystemError = TRUE;
    }
    if (report)
    {
        Report();
    }
    // Formatting and posting may overwrite the thread's last error; a caller
    // that reports the same failure again must still see the original code.
    if (m_boolSystemError)
    {
        ::SetLastError(m_dwErrorCode);
    }
}

KoError::~KoError() = default;

void KoError::Report()
{
    PostToLog(m_strError, KoMessagesContainer::Error);
}

void KoError::FormatLastError()
{
    m_strError.Empty();
    m_dwErrorCode = ::GetLastError();
    char text[1024];
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, m_dwErrorCode,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text) - 1, nullptr);
    text[length < sizeof(text) ? length : sizeof(text) - 1] = '\0';
    m_strError = text;
}

KoFileError::KoFileError(const char* fileName, BOOL report) : KoError(-1, FALSE)
{
    CString text;
    text.Format("File: %s , Error: %s", fileName != nullptr ? fileName : "Unnamed",
                m_strError.c_str());
    m_strError = text;
    if (report)
    {
        Report();
    }
    ::SetLastError(m_dwErrorCode);
}

KoFileError::~KoFileError() = default;

KoOpenArgs KoMapOpenFlags(UINT openFlags)
{
    KoOpenArgs args{};
    switch (openFlags & 0x3)
    {
    case KoFile::modeRead:
        args.access = GENERIC_READ;
        break;
    case KoFile::modeWrite:
        args.access = GENERIC_WRITE;
        break;
    case KoFile::modeReadWrite:
        args.access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        args.access = 0;
        break;
    }
    switch (openFlags & 0x70)
    {
    case KoFile::shareDenyWrite:
        args.shareMode = FILE_SHARE_READ;
        break;
    case KoFile::shareDenyRead:
        args.shareMode = FILE_SHARE_WRITE;
        break;
    case KoFile::shareDenyNone:
        args.shareMode = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:
        // Compatibility, exclusive and the undefined values 0x50..0x70.
        args.shareMode = 0;
        break;
    }
    args.inheritHandle = (openFlags & KoFile::modeNoInherit) ? FALSE : TRUE;
    if ((openFlags & KoFile::modeCreate) == 0)
    {
        args.disposition = OPEN_EXISTING;
    }
    else if ((openFlags & KoFile::modeNoTruncate) == 0)
    {
        args.disposition = CREATE_ALWAYS;
    }
    else
    {
        args.disposition = OPEN_ALWAYS;
    }
    return args;
}

KoFile::KoFile(BOOL throwErrors, BOOL logErrors)
    : m_boolThrowErrors(throwErrors), m_boolLogErrors(logErrors)
{
}

KoFile::~KoFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE && m_boolAutoClose)
    {
        // An exception must not leave a destructor.
        m_boolThrowErrors = FALSE;
        Close();
    }
}

BOOL KoFile::Fail(ErrorExceptions error)
{
    KoFileError failure(m_strFileName, m_boolLogErrors);
    if (m_boolThrowErrors)
    {
        throw error;
    }
    return FALSE;
}

BOOL KoFile::Open(const char* fileName, UINT openFlags)
{
    // Copied first: the name may be this object's own m_strFileName, which
    // Close() empties.
    const CString name(fileName);
    if (m_hFile != INVALID_HANDLE_VALUE && m_boolAutoClose)
    {
        Close();
    }
    m_hFile = INVALID_HANDLE_VALUE;
    m_strFileName.Empty();
    m_strFileName = name;

    const KoOpenArgs args = KoMapOpenFlags(openFlags);
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = args.inheritHandle;
    const HANDLE file =
        g_KoFileSeam.pCreateFile(m_strFileName, args.access, args.shareMode, &security,
                                 args.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return Fail(OpenError);
    }
    m_hFile = file;
    m_boolAutoClose = TRUE;
    return TRUE;
}

BOOL KoFile::Read(void* buffer, UINT count)
{
    if (count == 0)
    {
        return TRUE;
    }
    DWORD done = 0;
    const BOOL ok = g_KoFileSeam.pReadFile(m_hFile, buffer, count, &done, nullptr);
    if (ok && done == count)
    {
        return TRUE;
    }
    if (ok)
    {
        // ReadFile succeeds at the end of the file with fewer bytes and
        // leaves no error code, which would report as success.
        ::SetLastError(ERROR_HANDLE_EOF);
    }
    return Fail(ReadError);
}

BOOL KoFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
    {
        return TRUE;
    }
    DWORD done = 0;
    const BOOL ok = g_KoFileSeam.pWriteFile(m_hFile, buffer, count, &done, nullptr);
    if (ok && done == count)
    {
        return TRUE;
    }
    if (ok)
    {
        // A short write without an error code means the disk filled up.
        ::SetLastError(ERROR_DISK_FULL);
    }
    return Fail(WriteError);
}

BOOL KoFile::Flush()
{
    if (g_KoFileSeam.pFlushFileBuffers(m_hFile))
    {
        return TRUE;
    }
    return Fail(WriteError);
}

BOOL KoFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
    {
        return TRUE;
    }
    BOOL result = TRUE;
    if (!g_KoFileSeam.pCloseHandle(m_hFile))
    {
        // Throws before anything changes, so the object still holds the handle.
        result = Fail(CloseError);
    }
    m_hFile = INVALID_HANDLE_VALUE;
    m_boolAutoClose = FALSE;
    m_strFileName.Empty();
    return result;
}

BOOL CreateFolder(const char* path)
{
    if (path == nullptr)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (::CreateDirectoryA(path, nullptr))
    {
        return TRUE;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS)
    {
        return FALSE;
    }
    // The name may be taken by a file, which is no folder to put files in.
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        return TRUE;
    }
    ::SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
}

DWORD GetAttributes(const char* path)
{
    const DWORD attributes = path != nullptr ? ::GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        if (path == nullptr)
        {
            ::SetLastError(ERROR_INVALID_PARAMETER);
        }
        KoFileError failure(path, TRUE);
    }
    return attributes;
}

BOOL FindFile(const char* path, WIN32_FIND_DATAA* data)
{
    if (path == nullptr || data == nullptr)
    {
        return FALSE;
    }
    const FindHandle search(::FindFirstFileA(path, data));
    return search.valid() ? TRUE : FALSE;
}

BOOL FileExists(const char* path)
{
    WIN32_FIND_DATAA data;
    return FindFile(path, &data);
}

BOOL IsFolder(const char* path)
{
    const DWORD attributes = GetAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

BOOL RemoveFile(const char* path)
{
    if (path != nullptr && g_KoFileSeam.pDeleteFile(path))
    {
        return TRUE;
    }
    if (path == nullptr)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
    }
    KoFileError failure(path, TRUE);
    return FALSE;
}

BOOL DeleteIfExists(const char* path)
{
    return FileExists(path) ? RemoveFile(path) : FALSE;
}

BOOL IsRootPath(const char* path)
{
    if (path == nullptr)
    {
        return FALSE;
    }
    const size_t length = std::strlen(path);
    if (length == 2 && path[1] == ':')
    {
        return TRUE;
    }
    return length > 4 && path[0] == '\\' && path[1] == '\\' && CountChar(path, '\\') == 3;
}

int CountChar(const char* s, char c)
{
    int count = 0;
    if (s != nullptr)
    {
        for (; *s != '\0'; ++s)
        {
            if (*s == c)
            {
                ++count;
            }
        }
    }
    return count;
}
