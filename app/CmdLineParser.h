#pragma once

// Splits a command line into switches: a key after "-" or "/", optionally
// followed by ":" and a value ("quoted" when it holds blanks). A blank ends a
// key or an unquoted value; the first occurrence of a key wins. Keys are
// folded to lower case unless the parser is case-sensitive. The text is
// scanned as multibyte characters of the C runtime's code page, so the second
// byte of a double-byte character is never taken for a switch, separator or
// quote.

#include "support/CString.h"

#include <map>

class CCmdLineParser
{
public:
    // pszCmdLine may be NULL: nothing is scanned.
    explicit CCmdLineParser(const char* pszCmdLine = nullptr, bool bCaseSensitive = false);
    virtual ~CCmdLineParser();

    // A NULL text changes nothing; otherwise the previous result is replaced.
    void Scan(const char* pszCmdLine);

    bool ContainsKey(const char* pszKey) const;
    // The key's value ("" for a key without one), or NULL when the key is
    // absent. Valid until the next Scan or the parser's end.
    const char* FindValue(const char* pszKey) const;
    // Number of distinct keys found by the last Scan.
    int GetCount() const { return static_cast<int>(m_mapValues.size()); }

private:
    // The multibyte byte-wise order (_mbscmp).
    struct MbsLess
    {
        bool operator()(const CString& a, const CString& b) const;
    };
    using ValueMap = std::map<CString, CString, MbsLess>;

    CString Fold(const CString& key) const;
    void Store(const CString& key, const CString& value);
    ValueMap::const_iterator Find(const char* pszKey) const;

    CString m_strCommandLine;
    ValueMap m_mapValues;
    bool m_boolCaseSensitive;
};
