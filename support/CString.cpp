#include "support/CString.h"

#include <cstdio>
#include <cstring>

namespace
{

// The one comparison behind every equality operator: the same number of
// bytes, and the same bytes (zeros and bytes above 127 like any other).
bool SameBytes(const CString& a, const char* b, size_t bLength)
{
    return static_cast<size_t>(a.GetLength()) == bLength && std::memcmp(a.c_str(), b, bLength) == 0;
}

} // namespace

CString::CString(const char* psz)
{
    if (psz != nullptr)
    {
        m_str = psz;
    }
}

CString::CString(const char* pch, int nLength)
{
    if (pch != nullptr && nLength > 0)
    {
        m_str.assign(pch, static_cast<size_t>(nLength));
    }
}

CString& CString::operator=(const char* psz)
{
    // psz may point into this string.
    if (psz == nullptr)
    {
        m_str.clear();
    }
    else
    {
        m_str = std::string(psz);
    }
    return *this;
}

CString& CString::operator+=(const CString& s)
{
    m_str += s.m_str;
    return *this;
}

CString& CString::operator+=(const char* psz)
{
    if (psz != nullptr)
    {
        m_str += std::string(psz);
    }
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const char* b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const char* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

void CString::Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const char* pszFormat, va_list args)
{
    if (pszFormat == nullptr)
    {
        m_str.clear();
        return;
    }
    va_list probe;
    va_copy(probe, args);
    const int length = std::vsnprintf(nullptr, 0, pszFormat, probe);
    va_end(probe);
    if (length <= 0)
    {
        m_str.clear();
        return;
    }
    // The arguments may point into this string, so format into a new one.
    std::string result(static_cast<size_t>(length), '\0');
    std::vsnprintf(&result[0], result.size() + 1, pszFormat, args);
    m_str.swap(result);
}

char* CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
    {
        m_str.resize(static_cast<size_t>(nMinBufLength), '\0');
    }
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
    {
        nNewLength = static_cast<int>(std::strlen(m_str.c_str()));
    }
    if (nNewLength > GetLength())
    {
        nNewLength = GetLength();
    }
    m_str.resize(static_cast<size_t>(nNewLength));
}

bool operator==(const CString& a, const CString& b)
{
    return SameBytes(a, b.c_str(), static_cast<size_t>(b.GetLength()));
}
bool operator==(const CString& a, const char* b)
{
    const char* text = b != nullptr ? b : "";
    return SameBytes(a, text, std::strlen(text));
}
bool operator==(const char* a, const CString& b)
{
    return b == a;
}
bool operator!=(const CString& a, const CString& b)
{
    return !(a == b);
}
bool operator!=(const CString& a, const char* b)
{
    return !(a == b);
}
bool operator!=(const char* a, const CString& b)
{
    return !(a == b);
}
