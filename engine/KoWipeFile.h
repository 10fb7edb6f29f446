#pragma once

// One temporary wipe file of a run: created in the target folder, filled with
// the run's zero buffer chunk by chunk up to a size or until the volume is
// full, flushed, closed, and deleted again when the object goes.
//
// A write that fails because the volume is full (the file system needed room
// for its own data that the free-space figure still showed as free) is tried
// again with less, halving down to one sector of 512 bytes, and at most 32
// times after the first refusal. When not even that fits, the file ends like
// a free-space answer of 0 would end it: what was written is kept, nothing is
// posted, and m_boolVolumeFull tells the run.

#include "support/CString.h"

#include <windows.h>

class KoWipeFile
{
public:
    KoWipeFile();
    ~KoWipeFile();
    KoWipeFile(const KoWipeFile&) = delete;
    KoWipeFile& operator=(const KoWipeFile&) = delete;

    // Deletes the owned file, if any. TRUE when there was none.
    BOOL Remove();
    // Creates path (deleting a leftover of that name first) and fills it with
    // up to size bytes, never more than the free space of directory's volume
    // measured before each chunk. Runs on the wipe worker thread only.
    // (windows.h maps the name to CreateFileA; callers see the same mapping.)
    BOOL CreateFile(ULONGLONG size, const char* path, const char* directory);

    CString m_strFilePath; // the file this object owns; empty when none
    ULONGLONG m_nWritten;  // bytes written to it by the last CreateFile
    BOOL m_boolVolumeFull; // the last CreateFile met a full volume
};
