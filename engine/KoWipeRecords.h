#pragma once

// Free file records on NTFS. NTFS keeps a small file (up to about 700 bytes
// with 1 KiB file records) inside its file record in the master file table,
// not in a cluster. Deleting the file only marks the record free, so its data
// and its name stay on the disk until the record is reused, and filling the
// free clusters never reaches them. Once a run has left no free cluster, this
// phase takes every free file record it can get by creating small items in a
// folder of its own, each overwriting a whole record, until the file system
// accepts no more; the run then deletes them with its wipe files.
//
// Runs on the wipe worker thread. File calls go through the file seam and the
// volume queries through the wipe seam, so tests can play a volume.

#include "support/CString.h"

#include <atomic>

#include <windows.h>

// The phase's folder in the target folder. A later run recognises it by this
// name and deletes what a killed run left in it.
extern const char kWipeRecordsFolder[];

struct KoWipeRecordsResult
{
    enum End
    {
        NoFolder,   // the phase's folder could not be made
        Exhausted,  // the file system took no more items: the normal end
        Cancelled,  // the run's cancel flag was raised
        Bounded,    // the hard bound on items or time was reached
        SpaceFreed, // free space came back: items would now take clusters
    };
    End end = NoFolder;
    ULONGLONG items = 0;  // folders and files made, one file record each
    bool applied = false; // a file record took data (`started` was called)
};

// TRUE when the volume that holds `folder` names itself NTFS.
BOOL IsNtfsVolume(const CString& folder);

// Creates the items in `folder` (which ends in a backslash) until the file
// system refuses a new item or even a one-byte write, `cancel` is raised
// (checked before every item), free space appears, or a bound of the wipe
// seam is reached. Call it only when the volume has no free space left. The
// items stay until DeleteWipeRecords. `zeros` is the run's zero buffer.
// `started` is called once the first file record has taken data: a volume
// that only calls itself NTFS (small data in clusters, as Wine's tmpfs) never
// gets that far, and the phase then ends at its first file, having applied
// to nothing.
KoWipeRecordsResult OverwriteFreeRecords(const CString& folder, const std::atomic<BOOL>& cancel,
                                         const unsigned char* zeros, DWORD zeroBytes,
                                         void (*started)());

// Deletes the phase's folder in `folder` with everything this or a killed
// earlier run made in it. Entries whose names the phase never uses are left
// alone, and the folders that hold them. TRUE when no such folder is left.
BOOL DeleteWipeRecords(const CString& folder);
