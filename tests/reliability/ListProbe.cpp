// Test-only hook DLL. The reliability harness installs ProbeHook as a
// WH_CALLWNDPROC hook on the main thread of a Tolvane.exe it started; the
// system then loads this DLL into that process. When the main window gets
// WM_DESTROY (its children still exist at that point), the hook copies every
// row of the message list (control 1007) into the file named by the
// environment variable TOLVANE_PROBE_OUT, one row a line: the row's image
// index (the message kind), a tab, and the text with backslash, CR and LF
// escaped as \\, \r and \n. The rows are asked for through the list view, so
// texts supplied on request (LVN_GETDISPINFO) come back as painted.
#include "common/ListRow.h"

#include <cstdio>
#include <string>

namespace
{

constexpr int kMessageListId = 1007;

std::string Escape(const char* text)
{
    std::string out;
    for (const char* p = text; *p != '\0'; ++p)
    {
        switch (*p)
        {
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += *p;
        }
    }
    return out;
}

void DumpRows(HWND list)
{
    char outPath[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("TOLVANE_PROBE_OUT", outPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    std::string dump;
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row)
    {
        const ListRow shown = ReadListRow(list, row);
        dump += std::to_string(shown.image) + '\t' + Escape(shown.text.c_str()) + '\n';
    }
    // Written whole and then renamed, so a reader never sees half a dump.
    const std::string tmpPath = std::string(outPath) + ".part";
    FILE* f = std::fopen(tmpPath.c_str(), "wb");
    if (f == nullptr)
        return;
    const bool ok = std::fwrite(dump.data(), 1, dump.size(), f) == dump.size();
    if (std::fclose(f) == 0 && ok)
        MoveFileExA(tmpPath.c_str(), outPath, MOVEFILE_REPLACE_EXISTING);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION)
    {
        const CWPSTRUCT* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (msg->message == WM_DESTROY && GetParent(msg->hwnd) == nullptr)
        {
            HWND list = GetDlgItem(msg->hwnd, kMessageListId);
            if (list != nullptr)
                DumpRows(list);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
