#pragma once

// Shared helpers of the support tests: a real temporary folder, a message
// log that the support layer posts to during one test, and system texts.

#include <fstream>
#include <sstream>
#include <string>

#include <windows.h>

#include "app/AppContext.h"
#include "support/CString.h"
#include "support/KoMessages.h"

// Every byte of `s`, zeros included, for comparing and printing.
inline std::string StdString(const CString& s)
{
    return std::string(s.c_str(), static_cast<size_t>(s.GetLength()));
}

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

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// A fresh folder under the system's temporary folder, removed with its
// contents (read-only files included) when the object goes.
class TempDir
{
public:
    TempDir()
    {
        char base[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, base);
        static int serial = 0;
        do
        {
            m_path = base + std::string("kosup-") + std::to_string(::GetCurrentProcessId()) + "-" +
                     std::to_string(++serial);
        } while (!::CreateDirectoryA(m_path.c_str(), nullptr) && serial < 1000);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { RemoveTree(m_path); }

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    static void RemoveTree(const std::string& folder)
    {
        WIN32_FIND_DATAA data;
        const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &data);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more;
             more = ::FindNextFileA(search, &data))
        {
            const std::string path = folder + "\\" + data.cFileName;
            if (data.cFileName[0] == '.')
            {
                continue;
            }
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            {
                RemoveTree(path);
            }
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        }
        if (search != INVALID_HANDLE_VALUE)
        {
            ::FindClose(search);
        }
        ::RemoveDirectoryA(folder.c_str());
    }

    std::string m_path;
};

// The application's log, which the support layer posts to as the program
// does, with what was posted to it from the moment this object was made. An
// application context is made for the object's lifetime when there is none
// (its data folder lookup made to fail, so no folder is touched).
class CapturedLog
{
public:
    CapturedLog()
    {
        if (g_pAppContext == nullptr)
        {
            GetAppContextSeam().pszFolderDll = "tolvane-no-such-library.dll";
            CreateAppContext();
            ResetAppContextSeam();
            m_ownContext = true;
        }
        m_first = Log().m_arrMessages.GetSize();
    }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;
    ~CapturedLog()
    {
        if (m_ownContext)
            DestroyAppContext();
    }

    static KoMessagesContainer& Log() { return g_pAppContext->m_Messages; }
    UINT Count() const { return Log().m_arrMessages.GetSize() - m_first; }
    std::string Text(UINT index) const
    {
        return StdString(Log().m_arrMessages[m_first + index]->m_strText);
    }
    int Image(UINT index) const { return Log().m_arrMessages[m_first + index]->GetImage(); }

private:
    UINT m_first = 0;
    bool m_ownContext = false;
};
