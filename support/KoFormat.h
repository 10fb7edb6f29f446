#pragma once

// Path and size texts. Pure string work: no system calls.

#include <windows.h>

#include "support/CString.h"

// Appends a backslash when `path` has more than one character and does not
// already end in one. "C:" becomes "C:\"; "" and "C" stay unchanged.
void AddBackslash(CString& path);

// Replaces `out` with a short text for a byte count such as "465.6 Gb": the
// unit is chosen by decimal thresholds (above 999, 999,999, ...) but divides by
// powers of 1024, and the number is cut, never rounded, to five characters.
void FormatBytes(CString& out, LONGLONG bytes);
