#pragma once

// How the main window turns a run's two counters into a progress position on
// a bar whose range is 0..1000. Pure arithmetic, shared with the tests.

// Returns false when the bar must be left as it is (no measurement yet, or
// fewer than 1000 bytes were available at the start). Otherwise stores the
// position in pos: wiped / (freeAtStart / 1000), truncated to 32 bits and
// not clamped (it passes 1000 when the volume gained free space during the
// run), and exactly 1000 when the whole starting figure has been written.
bool KoWipeProgressPos(unsigned long long freeAtStart, unsigned long long wiped, int& pos);
