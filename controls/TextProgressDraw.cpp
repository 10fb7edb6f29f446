#include "controls/TextProgressDraw.h"

#include "support/Handle.h"

#include <climits>
#include <cstdint>

namespace
{
int ClampToInt(std::int64_t value)
{
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// scale * (pos - lower) / (upper - lower) without overflow for any int inputs
// the bar can hold; C++ division truncates towards zero like the double cast.
int ScaleFraction(std::int64_t scale, int pos, int lower, int upper)
{
    if (upper <= lower)
        return 0;
    const std::int64_t span = static_cast<std::int64_t>(upper) - lower;
    const std::int64_t done = static_cast<std::int64_t>(pos) - lower;
    // |done| < 2^32 and scale is a client width or 100, so the product fits.
    return ClampToInt(scale * done / span);
}

void FillSolid(HDC dc, const RECT& rc, COLORREF colour)
{
    if (rc.right <= rc.left || rc.bottom <= rc.top)
        return;
    // ExtTextOut with ETO_OPAQUE fills with the background colour and needs
    // no brush object.
    const COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void DrawClippedText(HDC dc, const RECT& clip, const RECT& client, const char* text,
                     COLORREF colour)
{
    if (clip.right <= clip.left)
        return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    SetTextColor(dc, colour);
    RECT area = client;
    DrawTextA(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RestoreDC(dc, saved);
}
} // namespace

int ProgressFilledWidth(int clientWidth, int pos, int lower, int upper)
{
    return ScaleFraction(clientWidth, pos, lower, upper);
}

int ProgressPercent(int pos, int lower, int upper)
{
    return ScaleFraction(100, pos, lower, upper);
}

void PaintTextProgress(HDC dc, const RECT& client, int filledWidth, const char* text,
                       const ProgressColours& colours, HFONT font)
{
    // A position outside the range still draws inside the control: below the
    // range nothing is filled, above it everything is.
    std::int64_t split = static_cast<std::int64_t>(client.left) + filledWidth;
    if (split < client.left)
        split = client.left;
    if (split > client.right)
        split = client.right;

    RECT filled = client;
    filled.right = static_cast<LONG>(split);
    RECT empty = client;
    empty.left = static_cast<LONG>(split);

    FillSolid(dc, filled, colours.bar);
    FillSolid(dc, empty, colours.back);

    if (text == nullptr)
        return;
    const ScopedSelect useFont(dc, font); // a null font keeps the DC's
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = GetTextColor(dc);
    DrawClippedText(dc, filled, client, text, colours.textOnBar);
    DrawClippedText(dc, empty, client, text, colours.textOnBack);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}
