#pragma once

// One free-space wipe of the volume that holds a target folder, run on a
// worker thread: wipe files of at most 1 GiB are filled until no free space
// is left, then all are deleted. The main window starts runs, sets the
// cancel flag and polls the flags and counters below on its timer; see
// KoWipeProgress.h for how it turns them into a progress position.
//
// Threads: each shared field names its writer. Flags and counters are only
// ever loaded and stored (no read-modify-write); m_boolRunning falls with
// release order after the clean-up, so a reader that loads it (acquire) as 0
// may rely on every wipe file being deleted and the buffer freed.

#include "engine/KoWipeFile.h"
#include "support/Handle.h"
#include "support/KoPtrArray.h"

#include <atomic>
#include <memory>

#include <windows.h>

class KoWipe
{
public:
    KoWipe();
    // Cancels a run still in progress and waits for its worker (pumping
    // messages), then deletes any wipe file still listed.
    ~KoWipe();
    KoWipe(const KoWipe&) = delete;
    KoWipe& operator=(const KoWipe&) = delete;

    // Window thread. Checks path (a drive or share root, or an existing
    // folder) and starts the worker, unless a run is going or the previous
    // worker has not yet ended. The text must stay alive and unchanged
    // until m_boolRunning is 0 again: the worker uses it, not a copy.
    BOOL Start(const char* path);
    // The run itself; worker thread only.
    BOOL StartWipe(const char* directory);
    // Its last two steps, also taken when an exception ends the run: deletes
    // every wipe file and the record phase's folder (TRUE when that folder
    // is gone), then frees the buffer and lets the window see the run over.
    BOOL DeleteRunItems(const char* directory);
    void EndRun() noexcept;
    // Window thread (safe from a destructor): requests cancellation of a run
    // still going and waits until the worker thread of the last Start has
    // ended, dispatching window messages meanwhile, since the worker's log
    // posts wait for the window thread. A WM_QUIT met while waiting is posted
    // again afterwards. Returns at once when no worker is alive.
    void CancelAndWait() noexcept;

    // Any thread: the two counters as the main window shows them. Each is one
    // 64-bit load, whole even on a 32-bit build while the worker stores it.
    struct Counters
    {
        ULONGLONG freeAtStart;
        ULONGLONG wiped;
    };
    Counters LoadCounters() const noexcept { return {m_nFreeAtStart.load(), m_nWiped.load()}; }

    struct BufferDeleter
    {
        void operator()(unsigned char* p) const noexcept { delete[] p; }
    };

    std::unique_ptr<unsigned char[], BufferDeleter> m_pBuffer; // worker only
    UINT m_nBufferSize;                                        // worker only; 0 without buffer
    std::atomic<BOOL> m_boolFinished;                          // writer: worker
    std::atomic<BOOL> m_boolCancel;                            // writer: window thread
    std::atomic<BOOL> m_boolRunning; // writers: Start (before the worker exists), then the worker
    KernelHandle m_hThread;          // window thread; worker of the last Start
    std::atomic<ULONGLONG> m_nFreeAtStart;      // writer: worker
    std::atomic<ULONGLONG> m_nWiped;            // writer: worker
    KoPtrAutoArray<KoWipeFile*> m_arrWipeFiles; // worker while running, else window thread

private:
    void PrepareRun();
    BOOL WipeFreeSpace(const CString& folder);
};

// The application's run: the one in the application context.
KoWipe& ApplicationRun();

// Worker thread entry: runs StartWipe of the application's run on the path
// given to Start. Never lets an exception out.
DWORD WINAPI WipeThreadProc(LPVOID path);
