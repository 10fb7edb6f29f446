#include "engine/KoWipe.h"

#include "app/AppContext.h"
#include "engine/KoWipeSeam.h"
#include "support/KoFile.h"
#include "support/KoFormat.h"
#include "support/KoMessages.h"

namespace
{

constexpr UINT kBufferBytes = 2u * 1024 * 1024;
constexpr ULONGLONG kMaxWipeFileBytes = 1ull << 30;

void Post(const char* text, UINT kind)
{
    g_pAppContext->m_Messages.AddMessage(text, kind);
}

} // namespace

void KoWipe::HandleCloser::operator()(HANDLE h) const noexcept
{
    if (h != nullptr && h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
}

KoWipe::KoWipe()
    : m_nBufferSize(0), m_boolFinished(FALSE), m_boolCancel(FALSE), m_boolRunning(FALSE),
      m_nFreeAtStart(0), m_nWiped(0)
{
}

KoWipe::~KoWipe()
{
    CancelAndWait();
}

BOOL KoWipe::Start(const char* path)
{
    if (!IsRootPath(path) && !IsFolder(path))
    {
        Post("Command line: Invalid path specified", KoMessagesContainer::Error);
        return FALSE;
    }
    if (m_boolRunning.load(std::memory_order_acquire))
        return FALSE;

    m_boolRunning.store(TRUE, std::memory_order_relaxed);
    m_boolCancel.store(FALSE, std::memory_order_relaxed);
    // CreateThread publishes everything written before it to the new thread.
    HANDLE thread = ::CreateThread(nullptr, 0, WipeThreadProc, const_cast<char*>(path), 0, nullptr);
    if (thread == nullptr)
    {
        m_boolRunning.store(FALSE, std::memory_order_release);
        return FALSE;
    }
    m_hThread.reset(thread);
    return TRUE;
}

BOOL KoWipe::StartWipe(const char* directory)
{
    m_boolFinished.store(FALSE, std::memory_order_relaxed);
    m_nFreeAtStart.store(0, std::memory_order_relaxed);
    m_nWiped.store(0, std::memory_order_relaxed);
    BOOL result = FALSE;

    while (m_arrWipeFiles.GetSize() != 0)
        m_arrWipeFiles.RemoveAt(0);

    KoWipeSeam& seam = GetWipeSeam();
    m_pBuffer.reset(seam.AllocateBuffer(kBufferBytes));
    m_nBufferSize = m_pBuffer ? kBufferBytes : 0;

    if (m_nBufferSize == 0)
    {
        // Without a buffer no chunk could make progress: end the run at once.
        Post("KoWipe::StartWipe: Can't allocate write buffer", KoMessagesContainer::Error);
    }
    else
    {
        result = TRUE;
        Post("KoWipe::StartWipe: Wipe process started", KoMessagesContainer::Info);
        for (;;)
        {
            if (m_boolCancel.load(std::memory_order_relaxed))
            {
                Post("KoWipe::StartWipe: Wipe process canceled by user",
                     KoMessagesContainer::Warning);
                break;
            }
            ULARGE_INTEGER avail, total, totalFree;
            if (!seam.GetDiskFreeSpaceEx(directory, &avail, &total, &totalFree))
            {
                KoError error(-1, TRUE);
                Post("KoWipe::StartWipe::GetDiskFreeSpaceEx: Can't get free space info",
                     KoMessagesContainer::Error);
                break;
            }
            if (m_nFreeAtStart.load(std::memory_order_relaxed) == 0)
                m_nFreeAtStart.store(avail.QuadPart, std::memory_order_relaxed);
            if (avail.QuadPart == 0)
            {
                Post("KoWipe::StartWipe::GetDiskFreeSpaceEx: No free space avail",
                     KoMessagesContainer::Info);
                break;
            }

            const ULONGLONG size =
                avail.QuadPart < kMaxWipeFileBytes ? avail.QuadPart : kMaxWipeFileBytes;
            CString path = directory;
            AddBackslash(path);
            CString name;
            name.Format("Tolvane%X.WipeFile", m_arrWipeFiles.GetSize());
            path += name;

            std::unique_ptr<KoWipeFile> file(new KoWipeFile);
            if (!file->CreateFile(size, path, directory))
            {
                file.reset();
                CString text;
                text.Format("KoWipe::StartWipe::CreateFile: '%s'  Failed", path.c_str());
                Post(text, KoMessagesContainer::Error);
                result = FALSE;
                break;
            }
            m_arrWipeFiles.Add(file.release());
            result = TRUE;
        }
    }

    CString wiped;
    FormatBytes(wiped, static_cast<LONGLONG>(m_nWiped.load(std::memory_order_relaxed)));
    CString text;
    text.Format("KoWipe::StartWipe: Wiped space: %s", wiped.c_str());
    Post(text, KoMessagesContainer::Info);

    m_arrWipeFiles.RemoveAll();
    m_pBuffer.reset();
    m_nBufferSize = 0;

    m_boolRunning.store(FALSE, std::memory_order_release);
    m_boolFinished.store(TRUE, std::memory_order_release);
    return result;
}

void KoWipe::CancelAndWait() noexcept
{
    bool quit = false;
    WPARAM quitCode = 0;
    // A message dispatched while waiting may start another run (a Wipe
    // command, a timer): that run is cancelled and waited for as well.
    while (m_boolRunning.load(std::memory_order_acquire))
    {
        m_boolCancel.store(TRUE, std::memory_order_relaxed);
        // Wait on a copy of the handle: such a Start replaces and closes
        // m_hThread. Wait for the thread itself, not only for the flag: after
        // the flag falls the worker still returns through the run's code.
        HANDLE copy = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), m_hThread.get(), ::GetCurrentProcess(), &copy,
                          SYNCHRONIZE, FALSE, 0);
        std::unique_ptr<void, HandleCloser> thread(copy);
        HANDLE handles[1] = {thread.get()};
        const DWORD count = handles[0] != nullptr ? 1 : 0;
        for (;;)
        {
            // MWMO_INPUTAVAILABLE: also wake for messages that were already
            // queued before the wait began.
            const DWORD waited = ::MsgWaitForMultipleObjectsEx(
                count, handles, count != 0 ? INFINITE : 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (waited == WAIT_OBJECT_0 + count)
            {
                MSG msg;
                while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                {
                    if (msg.message == WM_QUIT)
                    {
                        quit = true;
                        quitCode = msg.wParam;
                        continue;
                    }
                    ::TranslateMessage(&msg);
                    ::DispatchMessageA(&msg);
                }
            }
            else if (count != 0 || waited != WAIT_TIMEOUT)
                break; // the worker has ended (or the handle is unusable)
            if (count == 0 && !m_boolRunning.load(std::memory_order_acquire))
                break;
        }
    }
    // The message loop that follows must still see the quit request.
    if (quit)
        ::PostQuitMessage(static_cast<int>(quitCode));
}

DWORD WINAPI WipeThreadProc(LPVOID path)
{
    KoWipe& run = g_pAppContext->m_Wipe;
    try
    {
        run.StartWipe(static_cast<const char*>(path));
    }
    catch (...)
    {
        // Out of memory in the middle of a run: still leave no wipe file
        // behind and let the window see the run as over.
        try
        {
            run.m_arrWipeFiles.RemoveAll();
        }
        catch (...)
        {
        }
        run.m_pBuffer.reset();
        run.m_nBufferSize = 0;
        run.m_boolRunning.store(FALSE, std::memory_order_release);
        run.m_boolFinished.store(TRUE, std::memory_order_release);
    }
    return 0;
}
