#include "reliability/TolvaneRun.h"

#include <cstdio>
#include <memory>
#include <random>

namespace reliability
{

namespace
{

constexpr int kWipeButtonId = 1004;

// The visible top-level windows of process `pid` but its main window.
std::vector<HWND> OtherWindows(DWORD pid)
{
    const HWND main = FindMainWindow(pid);
    std::vector<HWND> others;
    for (HWND hwnd = FindWindowExA(nullptr, nullptr, nullptr, nullptr); hwnd;
         hwnd = FindWindowExA(nullptr, hwnd, nullptr, nullptr))
    {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == pid && hwnd != main && IsWindowVisible(hwnd))
            others.push_back(hwnd);
    }
    return others;
}

std::string Unescape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i)
    {
        if (s[i] != '\\' || i + 1 == s.size())
        {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

// Calls visit(path, key, data) for every entry below folder, a folder's own
// entry before its contents; key is the path relative to the walk's start.
template <typename Visit>
void WalkTree(const std::string& folder, const std::string& rel, Visit&& visit)
{
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    const std::unique_ptr<void, decltype(&FindClose)> closer(find, &FindClose);
    do
    {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "\\" + name;
        const std::string key = rel + "\\" + name;
        visit(path, key, data);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            WalkTree(path, key, visit);
    } while (FindNextFileA(find, &data));
}

} // namespace

bool IsWipeFileName(const std::string& name)
{
    const std::string head = "Tolvane", tail = ".WipeFile";
    return name.size() > head.size() + tail.size() && name.compare(0, head.size(), head) == 0 &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Env(const char* name)
{
    char buf[1024];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n == 0 || n >= sizeof buf ? std::string() : std::string(buf, n);
}

std::string WinePath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

TolvaneRun::TolvaneRun()
{
    char tmp[MAX_PATH];
    char name[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    GetTempFileNameA(tmp, "tpr", 0, name);
    m_dumpPath = name;
    DeleteFileA(m_dumpPath.c_str());
}

TolvaneRun::~TolvaneRun()
{
    if (m_process && !Ended())
    {
        // Only the process this harness started, and only after a test gave up.
        TerminateProcess(m_process.get(), 255);
        WaitForSingleObject(m_process.get(), 10000);
    }
    DeleteFileA(m_dumpPath.c_str());
}

bool TolvaneRun::Launch(const std::string& args, std::string& why)
{
    const std::string exe = WinePath(Env("TOLVANE_EXE"));
    const std::string probe = WinePath(Env("TOLVANE_PROBE_DLL"));
    if (exe.empty() || probe.empty())
    {
        why = "TOLVANE_EXE / TOLVANE_PROBE_DLL not set";
        return false;
    }
    m_probe.reset(LoadLibraryA(probe.c_str()));
    HOOKPROC hookProc = m_probe ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                      GetProcAddress(m_probe.get(), "ProbeHook")))
                                : nullptr;
    if (hookProc == nullptr)
    {
        why = "cannot load the list probe " + probe;
        return false;
    }
    // The child inherits the environment: that is how the probe learns where
    // to write.
    SetEnvironmentVariableA("TOLVANE_PROBE_OUT", m_dumpPath.c_str());
    std::string cmd = "\"" + exe + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &si, &pi))
    {
        why = "CreateProcess failed: " + SystemText(GetLastError());
        return false;
    }
    m_process.reset(pi.hProcess);
    KernelHandle thread(pi.hThread);
    m_pid = pi.dwProcessId;
    // Hooked while suspended, so no window of the program exists unwatched.
    m_hook.reset(SetWindowsHookExA(WH_CALLWNDPROC, hookProc, m_probe.get(), pi.dwThreadId));
    const bool hooked = m_hook.valid();
    ResumeThread(thread.get());
    if (!hooked)
    {
        why = "SetWindowsHookEx failed";
        return false;
    }
    return true;
}

bool TolvaneRun::Ended() const
{
    return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_OBJECT_0;
}

HWND TolvaneRun::MainWindow() const
{
    return FindMainWindow(m_pid);
}

bool TolvaneRun::PressWipe() const
{
    HWND main = MainWindow();
    if (main == nullptr)
        return false;
    HWND button = GetDlgItem(main, kWipeButtonId);
    return PostMessageA(main, WM_COMMAND, MAKEWPARAM(kWipeButtonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool TolvaneRun::Close() const
{
    HWND main = MainWindow();
    return main != nullptr && PostMessageA(main, WM_CLOSE, 0, 0) != FALSE;
}

std::string TolvaneRun::WipeCaption() const
{
    HWND main = MainWindow();
    return main != nullptr ? WindowText(GetDlgItem(main, kWipeButtonId)) : "";
}

bool TolvaneRun::WaitEnd(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!Ended())
    {
        if (GetTickCount() - start > timeoutMs)
            return false;
        for (HWND other : OtherWindows(m_pid))
        {
            m_dismissed.push_back(WindowText(other));
            PostMessageA(other, WM_CLOSE, 0, 0);
        }
        Sleep(200);
    }
    GetExitCodeProcess(m_process.get(), &m_exitCode);
    return true;
}

bool TolvaneRun::ReadLog(std::vector<LogRow>& rows) const
{
    std::string bytes;
    if (!ReadText(m_dumpPath, bytes))
        return false;
    rows.clear();
    std::size_t pos = 0;
    while (pos < bytes.size())
    {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = bytes.substr(pos, end - pos);
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos)
            rows.push_back(
                {std::atoi(line.substr(0, tab).c_str()), Unescape(line.substr(tab + 1))});
        pos = end + 1;
    }
    return true;
}

int FindRow(const std::vector<LogRow>& rows, const std::string& text, bool prefix, int from)
{
    for (int i = from; i < static_cast<int>(rows.size()); ++i)
    {
        const std::string& t = rows[i].text;
        if (prefix ? t.compare(0, text.size(), text) == 0 : t == text)
            return i;
    }
    return -1;
}

std::string DescribeLog(const std::vector<LogRow>& rows)
{
    std::string out;
    for (const LogRow& row : rows)
    {
        std::string text = row.text;
        for (char& c : text)
            if (c == '\r' || c == '\n')
                c = '|';
        out += "  [" + std::to_string(row.kind) + "] " + text + "\n";
    }
    return out;
}

TreeSnapshot Snapshot(const std::string& folder)
{
    TreeSnapshot out;
    WalkTree(folder, "",
             [&](const std::string& path, const std::string& key, const WIN32_FIND_DATAA& data)
             {
                 // The read-only mark matters as much as the bytes.
                 const bool readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
                 if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                 {
                     out[key] = readOnly ? "<dir ro>" : "<dir>";
                     return;
                 }
                 std::string bytes;
                 if (!ReadText(path, bytes))
                     bytes = "<unreadable>";
                 out[key] = (readOnly ? "ro:" : "rw:") + bytes;
             });
    return out;
}

std::vector<std::string> FindWipeFiles(const std::string& folder)
{
    std::vector<std::string> out;
    WalkTree(folder, "",
             [&](const std::string& path, const std::string&, const WIN32_FIND_DATAA& data)
             {
                 if (IsWipeFileName(data.cFileName))
                     out.push_back(path);
             });
    return out;
}

std::uint64_t AvailBytes(const std::string& path)
{
    ULARGE_INTEGER avail{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExA(path.c_str(), &avail, &total, &totalFree))
        return ~0ull;
    return avail.QuadPart;
}

std::string RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(gen() & 0xFF);
    return out;
}

bool RunUnix(const std::string& commandLine)
{
    // Wine execs a non-PE program directly; its process handle cannot be
    // waited on, so callers poll for the command's effect instead.
    std::string cmd = commandLine;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

} // namespace reliability
