#pragma once

#include <windows.h>

// Geometry, the grey icon and the painting of the flat icon button, kept apart
// from the window so that WM_DRAWITEM in any device context draws the same.

// Grey level of a colour with the ITU-R BT.601 luma weights, computed in
// double precision and truncated.
inline int GrayLevel(BYTE red, BYTE green, BYTE blue)
{
    return static_cast<int>(0.587 * green + 0.114 * blue + 0.299 * red);
}

// A new icon of the same size and mask whose colours are the grey levels of
// `icon`'s; null when the icon cannot be read. The caller owns the result.
HICON MakeGrayIcon(HICON icon);

enum class ButtonFrame
{
    None,
    Raised, // hover: light on the left and top, dark on the bottom and right
    Sunken, // pressed: dark on the left and top, light on the bottom and right
};

inline ButtonFrame ButtonFrameFor(bool pressed, bool hover)
{
    if (pressed)
        return ButtonFrame::Sunken;
    return hover ? ButtonFrame::Raised : ButtonFrame::None;
}

struct ButtonIconPlace
{
    POINT icon;    // top-left corner of the icon
    RECT textRect; // what is left for the caption
};

// The button's offsets in pixels at `dpi`: the icon's margin (3 at 96 DPI)
// and the shift of a pressed icon and caption (1 at 96 DPI).
struct ButtonOffsets
{
    int iconMargin;
    int pressShift;
};
ButtonOffsets ButtonOffsetsForDpi(int dpi);

// Places an icon of cx x cy in `item`: the margin from the left edge when
// there is a caption (which then starts cx + the margin further right), else
// centred; always centred vertically; moved down and right by the press
// shift when pressed.
ButtonIconPlace PlaceButtonIcon(const RECT& item, int cx, int cy, bool hasText, bool pressed,
                                const ButtonOffsets& offsets);

// Centres a measured rectangle (its top-left at area's) inside `area`,
// halving the differences with truncation towards zero.
RECT CentreMeasured(const RECT& area, const RECT& measured);

struct FlatButtonLook
{
    COLORREF face;
    COLORREF text;
    COLORREF highlight; // raised edge
    COLORREF shadow;    // sunken edge
};

struct FlatButtonState
{
    bool pressed;
    bool disabled;
    bool hover;
    int dpi; // the offsets follow it
};

// Draws the whole button into `dc` over `item`: face, frame, icon (`grayIcon`
// when disabled) and the caption as prefix text in `font` (null keeps the DC's).
// `icon` may be null; cx and cy are its size.
void PaintFlatButton(HDC dc, const RECT& item, const char* caption, HFONT font,
                     const FlatButtonLook& look, const FlatButtonState& state, HICON icon,
                     HICON grayIcon, int cx, int cy);
