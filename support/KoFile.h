#pragma once

// File access and error objects. Failures become Error lines of the
// attached message log (PostToLog, support/KoMessages.h).

#include <windows.h>

#include "support/CString.h"

// Captures the calling thread's last system error and its system text. Build
// it on the stack right after the failing call, on the same thread, since
// anything in between may change GetLastError().
class KoError
{
public:
    // code -1 captures the last system error (the only value the program
    // uses); any other code leaves the text empty. A nonzero `report` posts
    // the text to the log as an Error.
    KoError(int code, BOOL report);
    virtual ~KoError();

    // Posts m_strError to the log with kind Error.
    virtual void Report();

    // Stores GetLastError() and the system's text for it, exactly as the
    // system gives it (line break included); empty when there is none.
    void FormatLastError();

    BOOL m_boolSystemError = FALSE;
    CString m_strError;
    DWORD m_dwErrorCode = 0;
};

// "File: <name> , Error: <system text>"; a null name reads "Unnamed".
class KoFileError : public KoError
{
public:
    KoFileError(const char* fileName, BOOL report);
    ~KoFileError() override;
};

// Owns at most one Win32 file handle. Failures post a KoFileError when
// m_boolLogErrors is set, then return FALSE, or throw an ErrorExceptions
// value when m_boolThrowErrors is set.
class KoFile
{
public:
    enum ErrorExceptions : int
    {
        ReadError = 1,
        WriteError = 2,
        OpenError = 3,
        CloseError = 4
    };

    // The open flags. The values are the customary Windows file-open bits.
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000
    };

    KoFile(BOOL throwErrors, BOOL logErrors);
    KoFile(const KoFile&) = delete;
    KoFile& operator=(const KoFile&) = delete;
    // Closes an owned handle; never throws, whatever m_boolThrowErrors says.
    virtual ~KoFile();

    // Closes the previous handle first when owned. The name stays set after a
    // failed open.
    virtual BOOL Open(const char* fileName, UINT openFlags);
    // Both succeed only when all `count` bytes moved; a count of 0 succeeds
    // with no system call. A read that meets the end of the file reports
    // ERROR_HANDLE_EOF, a write that stores fewer bytes ERROR_DISK_FULL. The
    // file stays open after a failure.
    virtual BOOL Read(void* buffer, UINT count);
    virtual BOOL Write(const void* buffer, UINT count);
    // Writes the system's cached data of the file to the disk
    // (FlushFileBuffers). Fails like Write, with WriteError when throwing.
    BOOL Flush();
    // TRUE at once when no handle is open. A failed close that does not throw
    // still forgets the handle.
    BOOL Close();

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    CString m_strFileName;
    BOOL m_boolAutoClose = TRUE;
    BOOL m_boolThrowErrors = FALSE;
    BOOL m_boolLogErrors = FALSE;

private:
    BOOL Fail(ErrorExceptions error);
};

// The CreateFileA arguments that a set of open flags stands for.
struct KoOpenArgs
{
    DWORD access;
    DWORD shareMode;
    BOOL inheritHandle;
    DWORD disposition;
};
KoOpenArgs KoMapOpenFlags(UINT openFlags);

// TRUE when the folder exists afterwards: created now or already there.
// One level only; logs nothing.
BOOL CreateFolder(const char* path);
// The attributes, or INVALID_FILE_ATTRIBUTES after logging a KoFileError.
DWORD GetAttributes(const char* path);
// TRUE when FindFirstFileA finds an entry (wildcards honoured); `data` gets
// the first match. Logs nothing.
BOOL FindFile(const char* path, WIN32_FIND_DATAA* data);
BOOL FileExists(const char* path);
// A missing path logs an Error through GetAttributes.
BOOL IsFolder(const char* path);
// DeleteFileA; a failure logs a KoFileError.
BOOL RemoveFile(const char* path);
// FALSE without a log line when nothing is there.
BOOL DeleteIfExists(const char* path);
// A bare drive ("C:") or a bare share ("\\server\share"); null gives FALSE.
BOOL IsRootPath(const char* path);
// How many bytes of `s` equal `c`; 0 for null or empty.
int CountChar(const char* s, char c);
