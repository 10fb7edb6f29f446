#include "controls/ButtonSTDraw.h"

#include "controls/Dpi.h"
#include "support/Handle.h"

#include <cstring>

namespace
{
void Line(HDC dc, COLORREF colour, POINT from, POINT via, POINT to)
{
    const PenHandle pen(CreatePen(PS_SOLID, 1, colour));
    if (!pen)
        return;
    // Declared after the pen, so the pen is deselected before it is deleted.
    const ScopedSelect use(dc, pen.get());
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, via.x, via.y);
    LineTo(dc, to.x, to.y);
}

void DrawFrame(HDC dc, const RECT& rc, COLORREF topLeft, COLORREF bottomRight)
{
    // The left/top line ends on the top edge; the bottom/right one runs up to
    // (but, LineTo being end-exclusive, not onto) the row above the top.
    Line(dc, topLeft, {rc.left, rc.bottom - 1}, {rc.left, rc.top}, {rc.right, rc.top});
    Line(dc, bottomRight, {rc.left, rc.bottom - 1}, {rc.right - 1, rc.bottom - 1},
         {rc.right - 1, rc.top - 1});
}
} // namespace

HICON MakeGrayIcon(HICON icon)
{
    ICONINFO info;
    std::memset(&info, 0, sizeof(info));
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return nullptr;
    // GetIconInfo hands out copies of the icon's bitmaps, which are ours to delete.
    const BitmapHandle colour(info.hbmColor);
    const BitmapHandle mask(info.hbmMask);

    const ScopedGetDC screen(nullptr);
    if (screen.get() == nullptr)
        return nullptr;
    const MemDcHandle source(CreateCompatibleDC(screen.get()));
    const MemDcHandle target(CreateCompatibleDC(screen.get()));
    if (!source || !target)
        return nullptr;

    BITMAP description;
    if (!colour ||
        GetObjectA(colour.get(), sizeof(description), &description) != sizeof(description))
        return nullptr;

    // An icon's hot spot is its centre, so twice it is the icon's size.
    const int width = 2 * static_cast<int>(info.xHotspot);
    const int height = 2 * static_cast<int>(info.yHotspot);
    const BitmapHandle gray(
        CreateBitmap(width, height, description.bmPlanes, description.bmBitsPixel, nullptr));
    if (!gray)
        return nullptr;
    {
        const ScopedSelect readFrom(source.get(), colour.get());
        const ScopedSelect writeTo(target.get(), gray.get());
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                const COLORREF c = GetPixel(source.get(), x, y);
                const BYTE g =
                    static_cast<BYTE>(GrayLevel(GetRValue(c), GetGValue(c), GetBValue(c)));
                SetPixelV(target.get(), x, y, RGB(g, g, g));
            }
        }
    }

    // CreateIconIndirect copies the bitmaps, so all three are deleted here.
    ICONINFO grayInfo = info;
    grayInfo.hbmColor = gray.get();
    return CreateIconIndirect(&grayInfo);
}

ButtonOffsets ButtonOffsetsForDpi(int dpi)
{
    // Never less than a pixel: a pressed button must move.
    const int shift = ScaleForDpi(1, dpi);
    return {ScaleForDpi(3, dpi), shift > 0 ? shift : 1};
}

ButtonIconPlace PlaceButtonIcon(const RECT& item, int cx, int cy, bool hasText, bool pressed,
                                const ButtonOffsets& offsets)
{
    ButtonIconPlace place;
    place.textRect = item;
    RECT icon = item;
    if (hasText)
    {
        icon.left += offsets.iconMargin;
        place.textRect.left += cx + offsets.iconMargin;
    }
    else
    {
        icon.left += (icon.right - icon.left - cx) / 2;
    }
    icon.top += (icon.bottom - icon.top - cy) / 2;
    if (pressed)
        OffsetRect(&icon, offsets.pressShift, offsets.pressShift);
    place.icon = {icon.left, icon.top};
    return place;
}

RECT CentreMeasured(const RECT& area, const RECT& measured)
{
    RECT result = measured;
    OffsetRect(&result, ((area.right - area.left) - (measured.right - measured.left)) / 2,
               ((area.bottom - area.top) - (measured.bottom - measured.top)) / 2);
    return result;
}

void PaintFlatButton(HDC dc, const RECT& item, const char* caption, HFONT font,
                     const FlatButtonLook& look, const FlatButtonState& state, HICON icon,
                     HICON grayIcon, int cx, int cy)
{
    const COLORREF oldBk = SetBkColor(dc, look.face);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &item, nullptr, 0, nullptr);

    switch (ButtonFrameFor(state.pressed, state.hover))
    {
    case ButtonFrame::Sunken:
        DrawFrame(dc, item, look.shadow, look.highlight);
        break;
    case ButtonFrame::Raised:
        DrawFrame(dc, item, look.highlight, look.shadow);
        break;
    case ButtonFrame::None:
        break;
    }

    const char* text = caption != nullptr ? caption : "";
    const ButtonOffsets offsets = ButtonOffsetsForDpi(state.dpi);
    RECT textRect = item;
    if (icon != nullptr)
    {
        const ButtonIconPlace place =
            PlaceButtonIcon(item, cx, cy, text[0] != '\0', state.pressed, offsets);
        textRect = place.textRect;
        HICON drawn = state.disabled ? grayIcon : icon;
        DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(drawn), 0, place.icon.x,
                   place.icon.y, 0, 0, DST_ICON | DSS_NORMAL);
    }
    if (state.pressed)
        OffsetRect(&textRect, offsets.pressShift, offsets.pressShift);

    const ScopedSelect useFont(dc, font); // a null font keeps the DC's
    const COLORREF oldText = SetTextColor(dc, look.text);
    RECT measured = textRect;
    DrawTextA(dc, text, -1, &measured, DT_SINGLELINE | DT_CALCRECT);
    measured = CentreMeasured(textRect, measured);

    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const UINT disabled = state.disabled ? DSS_DISABLED : DSS_NORMAL;
    DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(text), 0, measured.left, measured.top,
               measured.right - measured.left, measured.bottom - measured.top,
               DST_PREFIXTEXT | disabled);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
}
