#pragma once

// A small string class for 8-bit text in the system code page. It keeps the
// usual Windows string-class conventions (int lengths, a const char*
// conversion, GetBuffer/ReleaseBuffer, Format) over a plain std::string.
// Bytes are kept exactly, zeros included; nothing is ever converted.
//
// Equality is one comparison of bytes: a CString equals another when both
// hold the same bytes, and equals a C string when it holds exactly that
// string's bytes (so one with a zero byte inside never equals a C string).

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

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* psz);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    // Index checks are the caller's duty, as with a plain array.
    char operator[](int nIndex) const { return m_str[static_cast<size_t>(nIndex)]; }

    // Valid until the string is next changed.
    operator LPCSTR() const { return m_str.c_str(); }
    const char* c_str() const { return m_str.c_str(); }

    CString& operator+=(const CString& s);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

    // C99 printf formats, checked by the compiler: 64-bit counts take %lld or
    // %llu. A CString argument must be passed as s.c_str() or (LPCSTR)s.
    void Format(const char* pszFormat, ...) KO_PRINTF_FORMAT(2, 3);

    // A writable buffer of at least nMinBufLength characters plus the
    // terminating zero; the current text is kept at its start. Call
    // ReleaseBuffer before any other operation on the string.
    char* GetBuffer(int nMinBufLength = 0);
    // nNewLength -1: the text ends at the first zero byte of the buffer.
    void ReleaseBuffer(int nNewLength = -1);

private:
    void FormatV(const char* pszFormat, va_list args);

    std::string m_str;
};

CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
// Not offered: through the const char* conversion a char would be added to
// the pointer instead.
CString operator+(const CString& a, char b) = delete;
CString operator+(char a, const CString& b) = delete;

// The same bytes (see above). A null pointer counts as "".
bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
