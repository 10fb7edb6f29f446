#include "controls/TextProgressDraw.h"

#include "Canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace
{
struct FractionRow
{
    int width, pos, lower, upper;
    int filled, percent;
};

TEST(ProgressFraction, WidthAndPercentTruncate)
{
    const FractionRow rows[] = {
        {200, 0, 0, 100, 0, 0},
        {200, 999, 0, 1000, 199, 99}, // 199.8 px, 99.9 %
        {200, 1000, 0, 1000, 200, 100},
        {100, 29, 0, 100, 29, 29}, // 0.29 * 100 is 28.999... in double
        {1000, 290, 0, 1000, 290, 29},
        {300, 1, 0, 3, 100, 33},
        {208, 50, 25, 75, 104, 50},     // a range that does not start at 0
        {200, 1500, 0, 1000, 300, 150}, // past the range: overfilled, clamped when drawn
        {200, -10, 0, 100, -20, -10},
        {200, 5, 10, 10, 0, 0}, // empty range
        {200, 5, 10, 0, 0, 0},  // reversed range
        {200, INT_MAX, INT_MIN, INT_MAX, 200, 100},
    };
    for (const FractionRow& r : rows)
    {
        SCOPED_TRACE(testing::Message()
                     << r.width << " px, " << r.pos << " in " << r.lower << ".." << r.upper);
        EXPECT_EQ(r.filled, ProgressFilledWidth(r.width, r.pos, r.lower, r.upper));
        EXPECT_EQ(r.percent, ProgressPercent(r.pos, r.lower, r.upper));
    }
}

// Colours chosen so that a blend of the text into its background stays
// recognisable per channel if the font is antialiased: everything on the
// filled side has no red, everything on the empty side full red.
const ProgressColours kColours = {RGB(0, 0, 255), RGB(255, 255, 255), RGB(0, 255, 0),
                                  RGB(255, 0, 0)};

TEST(ProgressPaint, SplitsAtFilledWidth)
{
    const int filledWidths[] = {0, 1, 57, 199, 200, 350, -5};
    for (int filled : filledWidths)
    {
        SCOPED_TRACE(filled);
        Canvas canvas(200, 16);
        canvas.Fill(RGB(1, 2, 3));
        const RECT client = {0, 0, 200, 16};
        PaintTextProgress(canvas.Dc(), client, filled, nullptr, kColours, nullptr);
        const int split = filled < 0 ? 0 : (filled > 200 ? 200 : filled);
        EXPECT_EQ(split * 16, canvas.Count(client, [](COLORREF c) { return c == kColours.bar; }));
        EXPECT_EQ((200 - split) * 16,
                  canvas.Count(client, [](COLORREF c) { return c == kColours.back; }));
    }
}

TEST(ProgressPaint, TextInvertsAcrossTheSplit)
{
    Canvas canvas(200, 20);
    const RECT client = {0, 0, 200, 20};
    PaintTextProgress(canvas.Dc(), client, 100, "MMMMMMMM", kColours, nullptr);
    const RECT left = {0, 0, 100, 20};
    const RECT right = {100, 0, 200, 20};
    auto onBar = [](COLORREF c) { return GetGValue(c) > 0; };
    auto onBack = [](COLORREF c) { return GetGValue(c) < 255; };
    EXPECT_EQ(0, canvas.Count(left, [](COLORREF c) { return GetRValue(c) != 0; }));
    EXPECT_EQ(0, canvas.Count(right, [](COLORREF c) { return GetRValue(c) != 255; }));
    EXPECT_GT(canvas.Count(left, onBar), 0);
    EXPECT_GT(canvas.Count(right, onBack), 0);

    // Centred on one line: the text's extent is symmetric around the middle.
    const RECT textLeft = canvas.Bounds([&](COLORREF c) { return GetRValue(c) == 0 && onBar(c); });
    const RECT textRight =
        canvas.Bounds([&](COLORREF c) { return GetRValue(c) == 255 && onBack(c); });
    EXPECT_LE(std::abs((100 - textLeft.left) - (textRight.right - 100)), 2);
    EXPECT_LE(std::abs(textLeft.top - (20 - textLeft.bottom)), 2);
}

} // namespace
