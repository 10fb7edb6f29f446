#pragma once

// Files and system texts for the tests: real temporary folders, whole files
// as text, folder listings, and the system's own error texts. Win32 only, so
// any test program can use it.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

// The system's own text for `code`, as FormatMessageA gives it.
inline std::string SystemText(DWORD code)
{
    char text[1024] = {};
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text) - 1, nullptr);
    return std::string(text, length);
}

// The line a file error posts: "File: <name> , Error: <system text>".
inline std::string FileErrorLine(const std::string& name, DWORD code)
{
    return "File: " + name + " , Error: " + SystemText(code);
}

// False when the file could not be written whole.
inline bool WriteText(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    return !file.fail();
}

// False when the file could not be opened.
inline bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream all;
    all << file.rdbuf();
    text = all.str();
    return file.is_open();
}

inline std::string ReadText(const std::string& path)
{
    std::string text;
    ReadText(path, text);
    return text;
}

inline bool IsDir(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The names in `folder` that match `pattern`, without "." and "..".
inline std::vector<std::string> FilesIn(const std::string& folder, const char* pattern = "*")
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    const HANDLE find = ::FindFirstFileA((folder + "\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return names;
}

// Deletes a file, or a folder with everything below it, clearing read-only
// marks first. A path that is not there is no error.
inline void RemoveTree(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
    {
        ::DeleteFileA(path.c_str());
        return;
    }
    for (const std::string& name : FilesIn(path))
        RemoveTree(path + "\\" + name);
    ::RemoveDirectoryA(path.c_str());
}

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir
{
public:
    explicit TempDir(const char* prefix = "tolvane-test")
    {
        char base[MAX_PATH + 1] = {};
        ::GetTempPathA(MAX_PATH, base);
        static int serial = 0;
        do
        {
            m_path = base + std::string(prefix) + "-" + std::to_string(::GetCurrentProcessId()) +
                     "-" + std::to_string(++serial);
        } while (!::CreateDirectoryA(m_path.c_str(), nullptr) && serial < 1000);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { RemoveTree(m_path); }

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};
