#include "controls/MemDC.h"

#include "Canvas.h"

#include <gtest/gtest.h>

namespace
{
const COLORREF kBefore = RGB(10, 20, 30);
const COLORREF kDrawn = RGB(200, 100, 50);

void FillRect(HDC dc, RECT rc, COLORREF colour)
{
    const COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

TEST(MemDC, BufferedDrawingAppearsAtTheEndInTargetCoordinates)
{
    const COLORREF kSpot = RGB(0, 250, 0);
    Canvas canvas(40, 40);
    canvas.Fill(kBefore);
    IntersectClipRect(canvas.Dc(), 10, 10, 30, 30);
    {
        CMemDC dc(canvas.Dc());
        EXPECT_TRUE(dc.IsBuffered());
        FillRect(dc, {0, 0, 40, 40}, kDrawn);
        FillRect(dc, {12, 14, 20, 16}, kSpot);
        EXPECT_EQ(kBefore, canvas.At(12, 14)); // nothing reaches the target yet
    }
    // The clip box is copied in one piece, at the place it was drawn.
    const RECT all = {0, 0, 40, 40};
    EXPECT_EQ(8 * 2, canvas.Count(all, [&](COLORREF c) { return c == kSpot; }));
    EXPECT_EQ(kSpot, canvas.At(12, 14));
    EXPECT_EQ(kSpot, canvas.At(19, 15));
    EXPECT_EQ(20 * 20 - 8 * 2, canvas.Count(all, [](COLORREF c) { return c == kDrawn; }));
    EXPECT_EQ(kDrawn, canvas.At(10, 10));
    EXPECT_EQ(kBefore, canvas.At(9, 10)); // outside the clip box
}

TEST(MemDC, OverAPrinterDrawsStraightIntoTheTarget)
{
    Canvas canvas(20, 20);
    canvas.Fill(kBefore);
    CDC printer;
    printer.Attach(canvas.Dc());
    printer.m_bPrinting = TRUE;
    {
        CMemDC dc(&printer);
        EXPECT_FALSE(dc.IsBuffered());
        EXPECT_EQ(canvas.Dc(), dc.m_hDC);
        FillRect(dc, {2, 2, 4, 4}, kDrawn);
        EXPECT_EQ(kDrawn, canvas.At(2, 2));
    }
    // The borrowed handle is still alive and unchanged by the end.
    EXPECT_EQ(kDrawn, canvas.At(3, 3));
    EXPECT_NE(0, GetDeviceCaps(canvas.Dc(), BITSPIXEL));
}
} // namespace
