#pragma once

// The message log as the tests read it: what was posted to the attached log
// (the one every layer posts to through PostToLog) from a given moment on.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/CString.h"
#include "support/KoMessages.h"

// Every byte of `s`, zeros included, for comparing and printing.
inline std::string StdString(const CString& s)
{
    return std::string(s.c_str(), static_cast<size_t>(s.GetLength()));
}

// One message: its kind (the image index) and its text.
struct LogLine
{
    UINT kind;
    std::string text;
    bool operator==(const LogLine& other) const { return kind == other.kind && text == other.text; }
};

inline void PrintTo(const LogLine& line, std::ostream* os)
{
    *os << "{" << line.kind << ", \"" << line.text << "\"}";
}

// The messages of `log` from index `first` on.
inline std::vector<LogLine> LinesOf(const KoMessagesContainer& log, UINT first)
{
    std::vector<LogLine> lines;
    for (UINT i = first; i < log.m_arrMessages.GetSize(); ++i)
        lines.push_back({static_cast<UINT>(log.m_arrMessages[i]->GetImage()),
                         StdString(log.m_arrMessages[i]->m_strText)});
    return lines;
}

// What is posted to the attached log from the moment this object is made.
// When no log is attached, one of its own is, for the object's lifetime.
class CapturedLog
{
public:
    CapturedLog()
    {
        if (AttachedLog() == nullptr)
            m_binding.emplace(m_own);
        m_log = AttachedLog();
        m_first = m_log->m_arrMessages.GetSize();
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    KoMessagesContainer& Log() const { return *m_log; }
    UINT Count() const { return m_log->m_arrMessages.GetSize() - m_first; }
    std::string Text(UINT index) const
    {
        return StdString(m_log->m_arrMessages[m_first + index]->m_strText);
    }
    int Image(UINT index) const { return m_log->m_arrMessages[m_first + index]->GetImage(); }
    std::vector<LogLine> Lines() const { return LinesOf(*m_log, m_first); }

private:
    KoMessagesContainer m_own;
    std::optional<KoLogBinding> m_binding;
    KoMessagesContainer* m_log = nullptr;
    UINT m_first = 0;
};

// Whether the attached log holds a message of `kind` and `text`, posted at
// any time.
inline bool Logged(UINT kind, const std::string& text)
{
    const KoMessagesContainer* log = AttachedLog();
    if (log == nullptr)
        return false;
    for (UINT i = 0; i < log->m_arrMessages.GetSize(); ++i)
        if (log->m_arrMessages.GetAt(i)->m_nImage == static_cast<int>(kind) &&
            text == log->m_arrMessages.GetAt(i)->m_strText.c_str())
            return true;
    return false;
}
