#pragma once

// A small string class for 8-bit text in the system code page. It keeps the
// usual Windows string-class conventions (int lengths, a const char*
// conversion, GetBuffer/ReleaseBuffer, Format) over a plain std::string. Bytes are kept exactly;
// nothing is ever converted.

#include <cstdarg>
#include <string>

#include <windows.h>

#if defined(__MINGW_PRINTF_FORMAT)
#define KO_PRINTF_FORMAT(fmt, args) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, args)))
#else
#define KO_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#endif

class CString
{
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    // A null pointer gives an empty string.
    CString(const char* psz);
    // The first nLength bytes of pch (which may hold zeros); a negative length is 0.
    CString(const char* pch, int nLength);
    CString(char ch, int nRepeat = 1);
    explicit CString(std::string s) : m_str(std::move(s)) {}

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* psz);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    // Index checks are the caller's duty, as with a plain array.
    char GetAt(int nIndex) const { return m_str[static_cast<size_t>(nIndex)]; }
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch) { m_str[static_cast<size_t>(nIndex)] = ch; }

    // Valid until the string is next changed.
    operator LPCSTR() const { return m_str.c_str(); }
    const char* c_str() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

    CString& operator+=(const CString& s);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);
    friend CString operator+(char a, const CString& b);

    // Byte-wise comparison like strcmp: <0, 0 or >0. A null pointer counts as "".
    int Compare(const char* psz) const;
    // Case-insensitive comparison in the system code page (_stricmp semantics).
    int CompareNoCase(const char* psz) const;

    // Out-of-range arguments are clipped, as in the classic class: Mid(100) of
    // a shorter string is empty, Left(-1) is empty, Right(100) is the whole string.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    // Index of the first match at or after nStart, or -1.
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    // Case folding through the C runtime's multibyte functions, so the trail
    // byte of a double-byte character is never changed.
    CString& MakeUpper();
    CString& MakeLower();

    // Without an argument these remove blanks, tabs, CR, LF, VT and FF.
    CString& TrimLeft();
    CString& TrimLeft(char chTarget);
    CString& TrimLeft(const char* pszTargets);
    CString& TrimRight();
    CString& TrimRight(char chTarget);
    CString& TrimRight(const char* pszTargets);
    CString& Trim();

    // Number of replacements made.
    int Replace(char chOld, char chNew);
    int Replace(const char* pszOld, const char* pszNew);
    // These answer the new length.
    int Insert(int nIndex, char ch);
    int Insert(int nIndex, const char* psz);
    int Delete(int nIndex, int nCount = 1);

    // C99 printf formats, checked by the compiler: 64-bit counts take %lld or
    // %llu. A CString argument must be passed as s.c_str() or (LPCSTR)s.
    void Format(const char* pszFormat, ...) KO_PRINTF_FORMAT(2, 3);
    void FormatV(const char* pszFormat, va_list args);

    // A writable buffer of at least nMinBufLength characters plus the
    // terminating zero; the current text is kept at its start. Call
    // ReleaseBuffer before any other operation on the string.
    char* GetBuffer(int nMinBufLength = 0);
    char* GetBufferSetLength(int nNewLength);
    // nNewLength -1: the text ends at the first zero byte of the buffer.
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_str;
};

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const char* b);
bool operator<(const char* a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, const char* b);
bool operator>(const char* a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, const char* b);
bool operator<=(const char* a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, const char* b);
bool operator>=(const char* a, const CString& b);
