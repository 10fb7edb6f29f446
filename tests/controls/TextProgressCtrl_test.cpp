#include "controls/TextProgressCtrl.h"

#include "controls/TextProgressDraw.h"
#include "support/Handle.h"

#include "Canvas.h"
#include "Host.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace
{
constexpr int kWidth = 200;
constexpr int kHeight = 18;

// Counts the paints that reach the control.
class CountingProgress : public CTextProgressCtrl
{
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_PAINT)
            ++m_paints;
        return CTextProgressCtrl::WindowProc(message, wParam, lParam);
    }
    int m_paints = 0;
};

class TextProgress : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_host.Open(100, 100, 300, 100));
        HWND bar = m_host.AddChild(PROGRESS_CLASSA, "", PBS_SMOOTH, 0, 0, kWidth, kHeight, 1012);
        ASSERT_NE(nullptr, bar);
        ASSERT_TRUE(m_bar.SubclassWindow(bar));
        Host::Pump();
    }

    // What the control draws, against what the paint routine draws for the
    // filled width and text the control should have chosen, in the system's
    // colours: the bar and the text over the empty part in the highlight
    // colour, the empty part and the text over the bar in the window colour.
    void ExpectShows(int filledWidth, const char* text, HFONT font = nullptr)
    {
        Canvas actual(kWidth, kHeight);
        Canvas expected(kWidth, kHeight);
        m_bar.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(actual.Dc()), PRF_CLIENT);
        const RECT client = {0, 0, kWidth, kHeight};
        const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
        const COLORREF window = GetSysColor(COLOR_WINDOW);
        PaintTextProgress(expected.Dc(), client, filledWidth, text,
                          {highlight, window, window, highlight}, font);
        int differing = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                differing += actual.At(x, y) != expected.At(x, y) ? 1 : 0;
        EXPECT_EQ(0, differing);
    }

    Host m_host;
    CountingProgress m_bar;
};

TEST_F(TextProgress, DrawsItsTextInTheFontTheDialogGaveIt)
{
    // Larger than any DC's default, so a text in the wrong font differs.
    FontHandle font(CreateFontA(-22, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                NONANTIALIASED_QUALITY, 0, "Tahoma"));
    ASSERT_TRUE(font);
    m_bar.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    m_bar.SetPosText("12.5 Mb", 50);
    ExpectShows(kWidth / 2, "12.5 Mb", font.get());
    m_bar.SendMessage(WM_SETFONT, 0, FALSE);
}

TEST_F(TextProgress, ShowsTruncatedPercentageAndSplit)
{
    ASSERT_NE(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW));
    ExpectShows(0, "0%"); // fresh
    m_bar.SetRange(0, 1000);
    struct Row
    {
        int pos, filled;
        const char* text;
    } rows[] = {{999, 199, "99%"},
                {1000, 200, "100%"},
                {290, 58, "29%"},
                {500, 100, "50%"}, // the text straddles the split
                {5, 1, "0%"}};
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.pos);
        m_bar.SetPos(r.pos);
        ExpectShows(r.filled, r.text);
    }
}

TEST_F(TextProgress, RedrawsOnlyWhenFilledWidthChanges)
{
    m_bar.SetRange(0, 1000);
    struct Step
    {
        int pos;
        bool repaint;
    } steps[] = {
        {1, true},    // first SetPos: -1 -> 0 px
        {2, false},   // still 0 px
        {4, false},   // 0.8 px
        {5, true},    // 1 px
        {9, false},   // 1.8 px
        {500, true},  // 100 px
        {500, false}, // same
        {0, true},
    };
    int previous = 0;
    for (const Step& s : steps)
    {
        SCOPED_TRACE(s.pos);
        const int before = m_bar.m_paints;
        EXPECT_EQ(previous, m_bar.SetPos(s.pos));
        previous = s.pos;
        EXPECT_EQ(s.repaint ? 1 : 0, m_bar.m_paints - before);
    }

    // After a resize the next SetPos repaints even at the same position.
    m_bar.SetWindowPos(nullptr, 0, 0, kWidth, kHeight + 2, SWP_NOZORDER | SWP_NOMOVE);
    Host::Pump();
    const int before = m_bar.m_paints;
    m_bar.SetPos(0);
    EXPECT_EQ(1, m_bar.m_paints - before);
}

TEST_F(TextProgress, SetTextReplacesPercentageUntilEmptied)
{
    m_bar.SetRange(0, 1000);
    m_bar.SetPosText("1.5 Gb", 500);
    ExpectShows(100, "1.5 Gb");
    CString text;
    m_bar.GetWindowText(text);
    EXPECT_EQ(CString("1.5 Gb"), text);

    // A new text invalidates, the same text again does not.
    Host::Pump();
    m_bar.UpdateWindow();
    RECT dirty;
    m_bar.SetWindowText("1.5 Gb");
    EXPECT_FALSE(GetUpdateRect(m_bar.m_hWnd, &dirty, FALSE));
    m_bar.SetWindowText("1.6 Gb");
    EXPECT_TRUE(GetUpdateRect(m_bar.m_hWnd, &dirty, FALSE));
    m_bar.UpdateWindow();

    m_bar.SetPos(750); // the text stays while the bar moves
    ExpectShows(150, "1.6 Gb");

    m_bar.SetWindowText(nullptr); // null counts as empty
    ExpectShows(150, "75%");
    m_bar.UpdateWindow();
    m_bar.SetWindowText(""); // no change, no repaint
    EXPECT_FALSE(GetUpdateRect(m_bar.m_hWnd, &dirty, FALSE));
    ExpectShows(150, "75%");
}

TEST_F(TextProgress, GetTextTruncatesToTheBuffer)
{
    m_bar.SetWindowText("123456");
    struct Row
    {
        WPARAM size;
        LRESULT copied;
        const char* text;
    } rows[] = {{64, 6, "123456"}, {7, 6, "123456"}, {6, 5, "12345"}, {1, 0, ""}};
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.size);
        char buffer[64];
        memset(buffer, 'x', sizeof(buffer));
        EXPECT_EQ(r.copied,
                  m_bar.SendMessage(WM_GETTEXT, r.size, reinterpret_cast<LPARAM>(buffer)));
        EXPECT_STREQ(r.text, buffer);
    }
}

TEST(TextProgressUnbound, SetPosWithoutWindowAnswersMinusOne)
{
    CTextProgressCtrl bar;
    EXPECT_EQ(-1, bar.SetPos(10));
}
} // namespace
