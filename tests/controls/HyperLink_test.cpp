#include "controls/HyperLink.h"

#include "controls/HyperLinkGeometry.h"
#include "support/Handle.h"
#include "common/Seams.h"
#include "common/Shell.h"

#include "Canvas.h"
#include "Host.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
TEST(LinkGeometry, FitsRectangleToText)
{
    const RECT rc = {10, 20, 111, 51}; // 101 x 31
    const SIZE text = {40, 12};
    struct Row
    {
        const char* name;
        LONG style;
        RECT fitted;
    } rows[] = {
        {"left, top", SS_LEFT, {10, 20, 50, 32}},
        {"centre, top", SS_CENTER, {40, 20, 81, 32}}, // (101 - 40) / 2 = 30 off each side
        {"right, top", SS_RIGHT, {71, 20, 111, 32}},
        {"left, middle", SS_LEFT | SS_CENTERIMAGE, {10, 29, 50, 42}}, // (31 - 12) / 2 = 9
        {"centre, middle", SS_CENTER | SS_CENTERIMAGE, {40, 29, 81, 42}},
        {"right, middle", SS_RIGHT | SS_CENTERIMAGE, {71, 29, 111, 42}},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.name);
        const RECT got = FitRectToText(rc, text, r.style);
        EXPECT_TRUE(EqualRect(&r.fitted, &got))
            << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

std::vector<UINT> g_beeps;

BOOL WINAPI FakeBeep(UINT type)
{
    g_beeps.push_back(type);
    return TRUE;
}

class Link : public testing::Test
{
protected:
    void SetUp() override
    {
        ShellOpens().clear();
        g_beeps.clear();
        m_seams.SetThrough(&HyperLinkSeam::SetShellExecute, &RecordShellOpen);
        m_seams.SetThrough(&HyperLinkSeam::SetMessageBeep, &FakeBeep);
        // A large font without antialiasing: its extent is far from the system
        // font's, and the text's pixels have exact colours.
        m_font = CreateFontA(-20, 0, 0, 0, 0, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                             NONANTIALIASED_QUALITY, 0, "Tahoma");
        ASSERT_TRUE(m_host.Open(100, 100, 400, 200));
    }
    void TearDown() override
    {
        m_host.Destroy();
        DeleteObject(m_font);
        m_seams.Restore();
    }

    // A static control at (10, 20), 300 x 41, in `font` (else the large one),
    // bound to `link`.
    void Bind(CHyperLink& link, const char* text, DWORD style, HFONT font = nullptr)
    {
        HWND hwnd = m_host.AddChild("STATIC", text, style, 10, 20, 300, 41, 1013);
        ASSERT_NE(nullptr, hwnd);
        SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : m_font), FALSE);
        ASSERT_TRUE(link.SubclassWindow(hwnd));
    }
    SIZE Extent(const char* text) const
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, m_font);
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return size;
    }
    RECT PlaceInHost(const CHyperLink& link) const
    {
        RECT rc;
        link.GetWindowRect(&rc);
        MapWindowPoints(nullptr, m_host.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    int CountRendered(CHyperLink& link, COLORREF colour)
    {
        const Canvas canvas(link.m_hWnd, RGB(255, 255, 255));
        const RECT all = {0, 0, canvas.Width(), canvas.Height()};
        return canvas.Count(all, [colour](COLORREF c) { return c == colour; });
    }
    void Click(CHyperLink& link)
    {
        link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    Host m_host;
    HFONT m_font = nullptr;
    SeamOverrides m_seams;
};

TEST_F(Link, FitsToItsTextInItsOwnFont)
{
    // Centred both ways, as in the main window; the large font's extent is far
    // from the system font's.
    const char* text = "www.example.test";
    const SIZE ext = Extent(text);
    CHyperLink link;
    Bind(link, text, SS_CENTER | SS_CENTERIMAGE);
    const RECT rc = PlaceInHost(link);
    const RECT expected = {10 + (300 - ext.cx) / 2, 20 + (41 - ext.cy) / 2,
                           310 - (300 - ext.cx) / 2, 61 - (41 - ext.cy) / 2};
    EXPECT_TRUE(EqualRect(&expected, &rc))
        << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
}

// The font of the main window's link: 8 pt Tahoma at the screen's DPI.
FontHandle MainWindowLinkFont()
{
    LOGFONTA lf = {};
    {
        ScopedGetDC screen(nullptr);
        lf.lfHeight = -MulDiv(8, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
    }
    lstrcpyA(lf.lfFaceName, "Tahoma");
    return FontHandle(CreateFontIndirectA(&lf));
}

TEST_F(Link, ShowsItsWholeTextInTheDialogFont)
{
    // The main window's link: 8 pt Tahoma, centred both ways. Fitted to its
    // text, it must show every pixel of it: the same text drawn with room to
    // spare in the font the control draws with lights as many pixels.
    FontHandle font = MainWindowLinkFont();
    const char* text = "www.orbelin.example";
    CHyperLink link;
    Bind(link, text, SS_CENTER | SS_CENTERIMAGE, font.get());
    const COLORREF colour = link.m_crLink;
    const int shown = CountRendered(link, colour); // the first paint picks the drawing font

    Canvas roomy(400, 60);
    roomy.Fill(RGB(255, 255, 255));
    ScopedSelect drawing(roomy.Dc(), link.GetFont());
    SetTextColor(roomy.Dc(), colour);
    SetBkMode(roomy.Dc(), TRANSPARENT);
    TextOutA(roomy.Dc(), 10, 10, text, lstrlenA(text));
    const RECT all = {0, 0, roomy.Width(), roomy.Height()};
    EXPECT_EQ(roomy.Count(all, [colour](COLORREF c) { return c == colour; }), shown);
}

TEST_F(Link, UnderlineEndsWhereItsTextEnds)
{
    // The main window's link in 8 pt Tahoma: the line under the text is as
    // wide as the glyphs drawn above it, and both fill the fitted control.
    FontHandle font = MainWindowLinkFont();
    CHyperLink link;
    Bind(link, "www.orbelin.example", SS_CENTER | SS_CENTERIMAGE, font.get());
    const COLORREF white = RGB(255, 255, 255);
    const Canvas canvas(link.m_hWnd, white);
    const RECT rc = {0, 0, canvas.Width(), canvas.Height()};
    const auto inked = [white](COLORREF c) { return c != white; };
    const RECT all = canvas.Bounds(inked);
    ASSERT_FALSE(IsRectEmpty(&all));
    // The underline is the lowest inked row; the glyphs are everything above
    // the row over it.
    const RECT line = {0, all.bottom - 1, rc.right, all.bottom};
    Canvas glyphsOnly(rc.right, all.bottom - 2);
    BitBlt(glyphsOnly.Dc(), 0, 0, rc.right, all.bottom - 2, canvas.Dc(), 0, 0, SRCCOPY);
    const RECT glyphs = glyphsOnly.Bounds(inked);
    int lineRight = 0;
    for (int x = 0; x < rc.right; ++x)
        lineRight = inked(canvas.At(x, line.top)) ? x + 1 : lineRight;
    // Two pixels: the last glyph's advance ends a little after its ink.
    EXPECT_LE(lineRight - glyphs.right, 2) << "the underline sticks out past the text";
    EXPECT_GE(glyphs.right, rc.right - 2) << "the control is wider than what it draws";
}

TEST_F(Link, BindingTakesTextAsTargetAndAsksForClicks)
{
    CHyperLink link;
    Bind(link, "www.example.test", SS_LEFT);
    EXPECT_EQ(CString("www.example.test"), link.m_strUrl);
    EXPECT_NE(0u, link.GetStyle() & SS_NOTIFY);

    // A new target re-fits the control to its current text.
    link.SetWindowText("a somewhat longer text");
    link.SetTargetUrl("https://host.test/products/tolvane/?inref=tolvane");
    RECT rc = PlaceInHost(link);
    EXPECT_EQ(Extent("a somewhat longer text").cx, rc.right - rc.left);
    CString text;
    link.GetWindowText(text);
    EXPECT_EQ(CString("a somewhat longer text"), text);
}

TEST_F(Link, DrawsUnderlinedInLinkColourOverItsParent)
{
    CHyperLink link;
    Bind(link, "www.example.test", SS_LEFT);
    ASSERT_GT(CountRendered(link, link.m_crLink), 0);
    EXPECT_EQ(0, CountRendered(link, link.m_crVisited));

    // Over the parent's background, which shows between the glyphs.
    const COLORREF parent = RGB(0, 160, 80);
    const Canvas canvas(link.m_hWnd, parent);
    const RECT rc = {0, 0, canvas.Width(), canvas.Height()};
    const COLORREF linkColour = link.m_crLink;
    const RECT text = canvas.Bounds([linkColour](COLORREF c) { return c == linkColour; });
    EXPECT_GT(canvas.Count(text, [parent](COLORREF c) { return c == parent; }), 0);

    // The underline: one row of link colour nearly as wide as the text.
    int widest = 0;
    for (int y = 0; y < rc.bottom; ++y)
    {
        const RECT row = {0, y, rc.right, y + 1};
        const int n = canvas.Count(row, [linkColour](COLORREF c) { return c == linkColour; });
        widest = n > widest ? n : widest;
    }
    EXPECT_GE(widest, rc.right - 2);
}

TEST_F(Link, SuccessfulOpenTurnsVisited)
{
    CHyperLink link;
    Bind(link, "www.example.test", SS_LEFT);
    link.SetTargetUrl("https://host.test/products/tolvane/?inref=tolvane");
    link.UpdateWindow();
    ShellOpenResult() = 33;
    Click(link);
    const std::vector<ShellOpen>& opens = ShellOpens();
    ASSERT_EQ(1u, opens.size());
    EXPECT_EQ(nullptr, opens[0].owner);
    EXPECT_EQ("open", opens[0].verb);
    EXPECT_EQ("https://host.test/products/tolvane/?inref=tolvane", opens[0].file);
    EXPECT_TRUE(opens[0].noParameters);
    EXPECT_TRUE(opens[0].noDirectory);
    EXPECT_EQ(SW_SHOW, opens[0].show);
    EXPECT_TRUE(g_beeps.empty());
    EXPECT_TRUE(link.m_bVisited);
    RECT dirty;
    EXPECT_TRUE(GetUpdateRect(link.m_hWnd, &dirty, FALSE)); // repaints in the new colour
    EXPECT_GT(CountRendered(link, link.m_crVisited), 0);
    EXPECT_EQ(0, CountRendered(link, link.m_crLink));

    Click(link); // opening again keeps it visited
    EXPECT_TRUE(link.m_bVisited);
    EXPECT_GT(CountRendered(link, link.m_crVisited), 0);
}

TEST_F(Link, FailedOpenBeepsAndClearsVisited)
{
    CHyperLink link;
    Bind(link, "www.example.test", SS_LEFT);
    ShellOpenResult() = 33;
    Click(link);
    ASSERT_TRUE(link.m_bVisited);
    link.UpdateWindow();

    ShellOpenResult() = 32; // 32 and below are the shell's failures
    Click(link);
    EXPECT_FALSE(link.m_bVisited);
    ASSERT_EQ(1u, g_beeps.size());
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), g_beeps[0]);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(link.m_hWnd, &dirty, FALSE)); // no repaint of its own
    EXPECT_GT(CountRendered(link, link.m_crLink), 0);        // the next paint is unvisited
    EXPECT_EQ(0, CountRendered(link, link.m_crVisited));
}

TEST_F(Link, ShowsItsCursor)
{
    CHyperLink link;
    Bind(link, "www.example.test", SS_LEFT);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), link.m_hCursor);
    link.m_hCursor = LoadCursorA(nullptr, IDC_HAND);
    SetCursor(nullptr);
    EXPECT_EQ(TRUE, link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd),
                                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(link.m_hCursor, GetCursor());
}
} // namespace
