// Wipes one drive or folder through the engine and prints what happened, for
// the real-volume tests and the demo script:
//
//     wipe_driver.exe <target>
//
// stdout, one item per line:
//     msg <kind> <text>      every log line of the run, in order; a line
//                            break inside a text is written as \n
//     freeAtStart <bytes>    the run's first free-space figure
//     wiped <bytes>          bytes written into wipe files
//     finished <0|1>
//     ms <milliseconds>      from Start to the end of the run
//     systext.112 <text>     the system's text for ERROR_DISK_FULL, so a
//                            script can recognise it in any language
// Exit code: 0 when the run started and finished, 2 when Start refused it.

#include "app/AppContext.h"
#include "common/Context.h"
#include "common/Files.h"

#include <cstdio>
#include <string>

#include <windows.h>

namespace
{

std::string OneLine(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p)
    {
        if (*p == '\r')
            continue;
        if (*p == '\n')
            out += "\\n";
        else
            out += *p;
    }
    return out;
}

// Waits for the worker while dispatching messages, as a window thread must.
void WaitForRun(KoWipe& run)
{
    while (run.m_boolRunning.load(std::memory_order_acquire))
    {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
    }
}

int Main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: wipe_driver <target>\n");
        return 64;
    }
    // The driver keeps no settings: no per-user data folder.
    CreateTestContext();
    KoWipe& run = g_pAppContext->m_Wipe;

    const std::string target = argv[1];
    const ULONGLONG start = ::GetTickCount64();
    const BOOL started = run.Start(target.c_str());
    if (started)
        WaitForRun(run);
    const ULONGLONG ms = ::GetTickCount64() - start;

    const auto& messages = g_pAppContext->m_Messages.m_arrMessages;
    for (UINT i = 0; i < messages.GetSize(); ++i)
        std::printf("msg %d %s\n", messages[i]->GetImage(),
                    OneLine(messages[i]->m_strText).c_str());
    std::printf("freeAtStart %llu\n", run.m_nFreeAtStart.load());
    std::printf("wiped %llu\n", run.m_nWiped.load());
    std::printf("finished %d\n", run.m_boolFinished.load() ? 1 : 0);
    std::printf("ms %llu\n", ms);
    std::printf("systext.112 %s\n", OneLine(SystemText(ERROR_DISK_FULL).c_str()).c_str());
    std::fflush(stdout);
    DestroyTestContext();
    return started ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        return Main(argc, argv);
    }
    catch (...)
    {
        std::fprintf(stderr, "wipe_driver: unexpected exception\n");
        return 70;
    }
}
