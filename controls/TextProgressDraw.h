#pragma once

#include <windows.h>

// Geometry and painting of the text progress bar, kept apart from the window
// so that both WM_PAINT and WM_PRINTCLIENT draw the same way.

struct ProgressColours
{
    COLORREF bar;        // filled part
    COLORREF back;       // empty part
    COLORREF textOnBar;  // text over the filled part
    COLORREF textOnBack; // text over the empty part
};

// Filled width in pixels: clientWidth * (pos - lower) / (upper - lower),
// truncated towards zero. Integer arithmetic, so that exact fractions stay
// exact (in double, 29 / 100 * 100 is 28.999...). An empty range fills nothing.
int ProgressFilledWidth(int clientWidth, int pos, int lower, int upper);

// Percentage of the range covered, truncated towards zero (999 of 1000 is 99).
int ProgressPercent(int pos, int lower, int upper);

// Paints the bar over `client`: [left, left + filledWidth) in the bar colour,
// the rest in the background colour, and, when `text` is not null, the text
// centred on one line in inverted colours on either side of the split, in
// `font` (null keeps the DC's).
void PaintTextProgress(HDC dc, const RECT& client, int filledWidth, const char* text,
                       const ProgressColours& colours, HFONT font);
