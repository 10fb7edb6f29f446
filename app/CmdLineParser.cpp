#include "app/CmdLineParser.h"

#include <mbstring.h>

#include <vector>

namespace
{
const unsigned char kSwitchChars[] = "-/";
const unsigned char kValueSeparators[] = " :";
const unsigned char kQuote = '"';

// The C runtime's multibyte scanners step over a lead byte and the byte after
// it together, also when that byte is the terminating zero: a text that ends
// in a lone lead byte would be read past its end. Every buffer they see ends
// in two zero bytes, so such a step lands on the second one.
std::vector<unsigned char> PaddedCopy(const char* psz, size_t length)
{
    std::vector<unsigned char> buffer(length + 2, 0);
    for (size_t i = 0; i < length; ++i)
        buffer[i] = static_cast<unsigned char>(psz[i]);
    return buffer;
}

CString Text(const unsigned char* begin, const unsigned char* end)
{
    return CString(reinterpret_cast<const char*>(begin), static_cast<int>(end - begin));
}

CString Text(const unsigned char* begin)
{
    return CString(reinterpret_cast<const char*>(begin));
}
} // namespace

bool CCmdLineParser::MbsLess::operator()(const CString& a, const CString& b) const
{
    return _mbscmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                   reinterpret_cast<const unsigned char*>(b.c_str())) < 0;
}

CCmdLineParser::CCmdLineParser(const char* pszCmdLine, bool bCaseSensitive)
    : m_boolCaseSensitive(bCaseSensitive)
{
    if (pszCmdLine)
        Scan(pszCmdLine);
}

CCmdLineParser::~CCmdLineParser() = default;

CString CCmdLineParser::Fold(const CString& key) const
{
    if (m_boolCaseSensitive)
        return key;
    std::vector<unsigned char> buffer =
        PaddedCopy(key.c_str(), static_cast<size_t>(key.GetLength()));
    _mbslwr(buffer.data());
    return Text(buffer.data());
}

void CCmdLineParser::Store(const CString& key, const CString& value)
{
    // emplace keeps the pair already there: the first occurrence wins.
    if (!key.IsEmpty())
        m_mapValues.emplace(key, value);
}

void CCmdLineParser::Scan(const char* pszCmdLine)
{
    if (!pszCmdLine)
        return;
    m_strCommandLine = pszCmdLine;
    m_mapValues.clear();

    std::vector<unsigned char> buffer =
        PaddedCopy(m_strCommandLine.c_str(), static_cast<size_t>(m_strCommandLine.GetLength()));
    const unsigned char* cursor = buffer.data();

    // Every _mbsinc below steps over a character just found by its value
    // (switch, separator, quote, blank), which is always a single byte.
    while (*cursor != 0)
    {
        const unsigned char* switchChar = _mbspbrk(cursor, kSwitchChars);
        if (!switchChar)
            return;
        const unsigned char* keyStart = _mbsinc(switchChar);
        if (*keyStart == 0)
            return;

        const unsigned char* separator = _mbspbrk(keyStart, kValueSeparators);
        if (!separator)
        {
            Store(Fold(Text(keyStart)), CString());
            return;
        }
        const unsigned char* afterSeparator = _mbsinc(separator);
        if (*separator == ' ' || *afterSeparator == 0)
        {
            Store(Fold(Text(keyStart, separator)), CString());
            cursor = afterSeparator;
            continue;
        }

        // A colon with a value after it.
        const CString key = Fold(Text(keyStart, separator));
        const unsigned char* valueStart = afterSeparator;
        const unsigned char* valueEnd = nullptr;
        if (*valueStart == kQuote)
        {
            valueStart = _mbsinc(valueStart);
            valueEnd = _mbschr(valueStart, kQuote);
        }
        else
        {
            valueEnd = _mbschr(valueStart, ' ');
        }
        if (!valueEnd)
        {
            Store(key, Text(valueStart));
            return;
        }
        Store(key, Text(valueStart, valueEnd));
        cursor = _mbsinc(valueEnd);
    }
}

CCmdLineParser::ValueMap::const_iterator CCmdLineParser::Find(const char* pszKey) const
{
    if (!pszKey)
        return m_mapValues.end();
    return m_mapValues.find(Fold(CString(pszKey)));
}

bool CCmdLineParser::ContainsKey(const char* pszKey) const
{
    return Find(pszKey) != m_mapValues.end();
}

const char* CCmdLineParser::FindValue(const char* pszKey) const
{
    auto it = Find(pszKey);
    return it == m_mapValues.end() ? nullptr : it->second.c_str();
}
