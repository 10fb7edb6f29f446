#include "support/CString.h"

#include <cstdio>
#include <cstring>
#include <mbstring.h>

namespace
{

const char kWhitespace[] = " \t\r\n\v\f";

int Sign(int n)
{
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
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

CString::CString(char ch, int nRepeat)
{
    if (nRepeat > 0)
    {
        m_str.assign(static_cast<size_t>(nRepeat), ch);
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

CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
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

CString operator+(const CString& a, const CString& b)
{
    return CString(a.m_str + b.m_str);
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

CString operator+(const CString& a, char b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(char a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

int CString::Compare(const char* psz) const
{
    return Sign(std::strcmp(m_str.c_str(), psz != nullptr ? psz : ""));
}

int CString::CompareNoCase(const char* psz) const
{
    return Sign(_stricmp(m_str.c_str(), psz != nullptr ? psz : ""));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    const int length = GetLength();
    if (nFirst < 0)
    {
        nFirst = 0;
    }
    if (nCount < 0 || nFirst >= length)
    {
        return CString();
    }
    if (nCount > length - nFirst)
    {
        nCount = length - nFirst;
    }
    return CString(m_str.substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}

CString CString::Left(int nCount) const
{
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const
{
    const int length = GetLength();
    if (nCount < 0)
    {
        nCount = 0;
    }
    if (nCount > length)
    {
        nCount = length;
    }
    return Mid(length - nCount, nCount);
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0)
    {
        nStart = 0;
    }
    if (nStart >= GetLength())
    {
        return -1;
    }
    const size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* pszSub, int nStart) const
{
    if (pszSub == nullptr)
    {
        return -1;
    }
    if (nStart < 0)
    {
        nStart = 0;
    }
    if (nStart > GetLength())
    {
        return -1;
    }
    const size_t pos = m_str.find(pszSub, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const
{
    const size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString& CString::MakeUpper()
{
    if (!m_str.empty())
    {
        _mbsupr(reinterpret_cast<unsigned char*>(&m_str[0]));
    }
    return *this;
}

CString& CString::MakeLower()
{
    if (!m_str.empty())
    {
        _mbslwr(reinterpret_cast<unsigned char*>(&m_str[0]));
    }
    return *this;
}

CString& CString::TrimLeft()
{
    return TrimLeft(kWhitespace);
}

CString& CString::TrimLeft(char chTarget)
{
    const char targets[2] = {chTarget, '\0'};
    return TrimLeft(targets);
}

CString& CString::TrimLeft(const char* pszTargets)
{
    if (pszTargets == nullptr || *pszTargets == '\0')
    {
        return *this;
    }
    const size_t first = m_str.find_first_not_of(pszTargets);
    m_str.erase(0, first == std::string::npos ? m_str.size() : first);
    return *this;
}

CString& CString::TrimRight()
{
    return TrimRight(kWhitespace);
}

CString& CString::TrimRight(char chTarget)
{
    const char targets[2] = {chTarget, '\0'};
    return TrimRight(targets);
}

CString& CString::TrimRight(const char* pszTargets)
{
    if (pszTargets == nullptr || *pszTargets == '\0')
    {
        return *this;
    }
    const size_t last = m_str.find_last_not_of(pszTargets);
    m_str.erase(last == std::string::npos ? 0 : last + 1);
    return *this;
}

CString& CString::Trim()
{
    TrimRight();
    return TrimLeft();
}

int CString::Replace(char chOld, char chNew)
{
    int count = 0;
    for (char& ch : m_str)
    {
        if (ch == chOld)
        {
            ch = chNew;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* pszOld, const char* pszNew)
{
    if (pszOld == nullptr || *pszOld == '\0')
    {
        return 0;
    }
    const std::string from(pszOld);
    const std::string to(pszNew != nullptr ? pszNew : "");
    std::string result;
    int count = 0;
    size_t start = 0;
    for (size_t pos = m_str.find(from); pos != std::string::npos; pos = m_str.find(from, start))
    {
        result.append(m_str, start, pos - start);
        result += to;
        start = pos + from.size();
        ++count;
    }
    if (count != 0)
    {
        result.append(m_str, start, std::string::npos);
        m_str.swap(result);
    }
    return count;
}

int CString::Insert(int nIndex, char ch)
{
    const char text[2] = {ch, '\0'};
    return Insert(nIndex, text);
}

int CString::Insert(int nIndex, const char* psz)
{
    if (nIndex < 0)
    {
        nIndex = 0;
    }
    if (nIndex > GetLength())
    {
        nIndex = GetLength();
    }
    if (psz != nullptr)
    {
        m_str.insert(static_cast<size_t>(nIndex), std::string(psz));
    }
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    if (nIndex < 0)
    {
        nIndex = 0;
    }
    if (nCount > 0 && nIndex < GetLength())
    {
        m_str.erase(static_cast<size_t>(nIndex), static_cast<size_t>(nCount));
    }
    return GetLength();
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

char* CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize(nNewLength > 0 ? static_cast<size_t>(nNewLength) : 0, '\0');
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
    return a.str() == b.str();
}
bool operator==(const CString& a, const char* b)
{
    return a.Compare(b) == 0;
}
bool operator==(const char* a, const CString& b)
{
    return b.Compare(a) == 0;
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
bool operator<(const CString& a, const CString& b)
{
    return a.Compare(b) < 0;
}
bool operator<(const CString& a, const char* b)
{
    return a.Compare(b) < 0;
}
bool operator<(const char* a, const CString& b)
{
    return b.Compare(a) > 0;
}
bool operator>(const CString& a, const CString& b)
{
    return a.Compare(b) > 0;
}
bool operator>(const CString& a, const char* b)
{
    return a.Compare(b) > 0;
}
bool operator>(const char* a, const CString& b)
{
    return b.Compare(a) < 0;
}
bool operator<=(const CString& a, const CString& b)
{
    return a.Compare(b) <= 0;
}
bool operator<=(const CString& a, const char* b)
{
    return a.Compare(b) <= 0;
}
bool operator<=(const char* a, const CString& b)
{
    return b.Compare(a) >= 0;
}
bool operator>=(const CString& a, const CString& b)
{
    return a.Compare(b) >= 0;
}
bool operator>=(const CString& a, const char* b)
{
    return a.Compare(b) >= 0;
}
bool operator>=(const char* a, const CString& b)
{
    return b.Compare(a) <= 0;
}
