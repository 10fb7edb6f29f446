#pragma once

// Shared helpers of the support tests: a real temporary folder, a message
// log that the support layer posts to during one test, and system texts.

#include <string>

#include <windows.h>

#include "support/CString.h"
#include "support/KoMessages.h"

// The system's own text for `code`, as FormatMessageA gives it.
inline std::string SystemText(DWORD code)
{
    char text[1024] = {};
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text) - 1, nullptr);
    return std::string(text, length);
}

inline std::string FileErrorLine(const std::string& name, DWORD code)
{
    return "File: " + name + " , Error: " + SystemText(code);
}

// A fresh folder under the system's temporary folder, removed with all its
// contents (read-only files included) when the object goes.
class TempDir
{
public:
    TempDir()
    {
        char base[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, base);
        static int serial = 0;
        for (int attempt = 0; attempt < 1000; ++attempt)
        {
            CString candidate;
            candidate.Format("%skosup-%lu-%d", base, ::GetCurrentProcessId(), ++serial);
            if (::CreateDirectoryA(candidate, nullptr))
            {
                m_path = candidate.str();
                return;
            }
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        if (!m_path.empty())
        {
            RemoveTree(m_path);
        }
    }

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

    // Creates (or replaces) a file holding `content`.
    static void WriteFileText(const std::string& path, const std::string& content)
    {
        const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
        {
            return;
        }
        DWORD done = 0;
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
        ::CloseHandle(file);
    }

    static std::string ReadFileText(const std::string& path)
    {
        const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
        {
            return "<missing>";
        }
        std::string content(4096, '\0');
        DWORD done = 0;
        ::ReadFile(file, &content[0], static_cast<DWORD>(content.size()), &done, nullptr);
        ::CloseHandle(file);
        content.resize(done);
        return content;
    }

private:
    static void RemoveTree(const std::string& folder)
    {
        WIN32_FIND_DATAA data;
        const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &data);
        if (search != INVALID_HANDLE_VALUE)
        {
            do
            {
                const std::string name = data.cFileName;
                if (name == "." || name == "..")
                {
                    continue;
                }
                const std::string path = folder + "\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                {
                    RemoveTree(path);
                }
                else
                {
                    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileA(path.c_str());
                }
            } while (::FindNextFileA(search, &data));
            ::FindClose(search);
        }
        ::RemoveDirectoryA(folder.c_str());
    }

    std::string m_path;
};

// Makes a log of its own the one the support layer posts to, for its lifetime.
class CapturedLog
{
public:
    CapturedLog() : m_previous(KoGetMessageLog()) { KoSetMessageLog(&m_log); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;
    ~CapturedLog() { KoSetMessageLog(m_previous); }

    UINT Count() const { return m_log.m_arrMessages.GetSize(); }
    std::string Text(UINT index) const { return m_log.m_arrMessages[index]->m_strText.str(); }
    int Kind(UINT index) const { return m_log.m_arrMessages[index]->GetImage(); }

    KoMessagesContainer m_log;

private:
    KoMessagesContainer* m_previous;
};
