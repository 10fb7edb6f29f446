#include "controls/ButtonST.h"

#include "controls/ButtonSTDraw.h"

#include "support/Handle.h"

#include "Canvas.h"
#include "Host.h"

#include <gtest/gtest.h>

namespace
{
constexpr UINT kIconId = 101; // TestResources.rc
constexpr int kIconSize = 16;
constexpr int kWidth = 60;
constexpr int kHeight = 30;
constexpr int kId = 1005;

// The test icon's colours: every pixel differs (see TestResources.rc).
COLORREF IconPixel(int x, int y)
{
    return RGB((x * 16 + 7) & 255, (y * 16 + 3) & 255, ((x + y) * 8 + 40) & 255);
}

class FlatButton : public testing::Test
{
protected:
    void Open(const char* caption, bool activate = true)
    {
        ASSERT_TRUE(m_host.Open(100, 100, 300, 120, activate));
        HWND button = m_host.AddChild("BUTTON", caption, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, kWidth,
                                      kHeight, kId);
        ASSERT_NE(nullptr, button);
        // A font without antialiasing, so that text pixels have exact colours.
        m_font = CreateFontA(-12, 0, 0, 0, 0, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                             NONANTIALIASED_QUALITY, 0, "Tahoma");
        SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        ASSERT_TRUE(m_button.SubclassWindow(button));
        Host::Pump();
        m_highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
        m_shadow = GetSysColor(COLOR_BTNSHADOW);
        ASSERT_NE(m_highlight, m_shadow);
        ASSERT_NE(m_button.m_crFace, m_highlight);
        ASSERT_NE(m_button.m_crFace, m_shadow);
    }
    void TearDown() override
    {
        m_button.ReleaseIcons();
        m_host.Destroy();
        if (m_font != nullptr)
            DeleteObject(m_font);
    }

    void Render(Canvas& canvas)
    {
        canvas.Fill(RGB(1, 2, 3));
        m_button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    }
    void SetPressed(bool pressed)
    {
        m_button.SendMessage(BM_SETSTATE, pressed ? TRUE : FALSE);
        Host::Pump();
    }
    void Move(int x, int y, WPARAM flags = 0)
    {
        m_button.SendMessage(WM_MOUSEMOVE, flags, MAKELPARAM(x, y));
    }
    static RECT TextBounds(const Canvas& canvas, COLORREF text = GetSysColor(COLOR_BTNTEXT))
    {
        return canvas.Bounds([text](COLORREF c) { return c == text; });
    }

    Host m_host;
    CButtonST m_button;
    HFONT m_font = nullptr;
    COLORREF m_highlight = 0;
    COLORREF m_shadow = 0;
};

TEST_F(FlatButton, FrameFollowsHoverAndPress)
{
    Open("");
    const COLORREF face = m_button.m_crFace;
    struct Row
    {
        const char* name;
        bool hover, pressed;
        COLORREF topLeft, bottomRight;
    } rows[] = {
        {"rest", false, false, face, face},
        {"hover", true, false, m_highlight, m_shadow},
        {"pressed", false, true, m_shadow, m_highlight},
        {"pressed while hovering", true, true, m_shadow, m_highlight},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.name);
        m_button.m_bHover = r.hover;
        SetPressed(r.pressed);
        Canvas canvas(kWidth, kHeight);
        Render(canvas);
        EXPECT_EQ(r.topLeft, canvas.At(kWidth / 2, 0));
        EXPECT_EQ(r.topLeft, canvas.At(0, kHeight / 2));
        EXPECT_EQ(r.bottomRight, canvas.At(kWidth / 2, kHeight - 1));
        EXPECT_EQ(r.bottomRight, canvas.At(kWidth - 1, kHeight / 2));
        // One pixel wide; inside is the face.
        const RECT inside = {1, 1, kWidth - 1, kHeight - 1};
        EXPECT_EQ(0, canvas.Count(inside, [face](COLORREF c) { return c != face; }));
    }
}

TEST_F(FlatButton, IconAndTextPlacement)
{
    struct Row
    {
        const char* caption;
        bool pressed;
        POINT icon;
    } rows[] = {
        {"", false, {(kWidth - kIconSize) / 2, (kHeight - kIconSize) / 2}},
        {"", true, {(kWidth - kIconSize) / 2 + 1, (kHeight - kIconSize) / 2 + 1}},
        {"Go", false, {3, (kHeight - kIconSize) / 2}},
        {"Go", true, {4, (kHeight - kIconSize) / 2 + 1}},
    };
    Open("");
    m_button.SetIcon(kIconId);
    ASSERT_NE(nullptr, m_button.m_hButtonIcon);
    EXPECT_EQ(kIconSize, m_button.m_cxIcon);
    EXPECT_EQ(kIconSize, m_button.m_cyIcon);
    RECT restingText = {};
    for (const Row& r : rows)
    {
        SCOPED_TRACE(testing::Message() << "'" << r.caption << "' pressed " << r.pressed);
        m_button.SetWindowText(r.caption);
        SetPressed(r.pressed);
        Canvas canvas(kWidth, kHeight);
        Render(canvas);
        // The whole icon, at its own size, where it belongs.
        int wrong = 0;
        for (int y = 0; y < kIconSize; ++y)
            for (int x = 0; x < kIconSize; ++x)
                wrong += canvas.At(r.icon.x + x, r.icon.y + y) != IconPixel(x, y) ? 1 : 0;
        EXPECT_EQ(0, wrong);

        const RECT text = TextBounds(canvas);
        if (r.caption[0] == '\0')
        {
            EXPECT_TRUE(IsRectEmpty(&text));
            continue;
        }
        ASSERT_FALSE(IsRectEmpty(&text));
        // Centred in what the icon leaves: from 16 + 3 to the right edge.
        const int left = kIconSize + 3 + (r.pressed ? 1 : 0);
        EXPECT_LE(std::abs((text.left - left) - (kWidth - text.right)), 3);
        EXPECT_GT(text.left, r.icon.x + kIconSize);
        if (!r.pressed)
            restingText = text;
        else
        {
            EXPECT_EQ(restingText.left + 1, text.left);
            EXPECT_EQ(restingText.top + 1, text.top);
        }
    }
}

TEST(FlatButtonOffsets, FollowTheDpi)
{
    struct Row
    {
        int dpi, iconMargin, pressShift;
    } rows[] = {
        {96, 3, 1}, {120, 4, 1}, {144, 5, 2}, {192, 6, 2}, {288, 9, 3}, {24, 1, 1},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(testing::Message() << r.dpi << " DPI");
        const ButtonOffsets offsets = ButtonOffsetsForDpi(r.dpi);
        EXPECT_EQ(r.iconMargin, offsets.iconMargin);
        EXPECT_EQ(r.pressShift, offsets.pressShift);
        const RECT item = {0, 0, 60, 30};
        const ButtonIconPlace place = PlaceButtonIcon(item, 24, 24, true, true, offsets);
        EXPECT_EQ(r.iconMargin + r.pressShift, place.icon.x);
        EXPECT_EQ(3 + r.pressShift, place.icon.y);
        EXPECT_EQ(24 + r.iconMargin, place.textRect.left);
    }
}

TEST_F(FlatButton, CaptionInItsColourAndFontCentred)
{
    Open("Go");
    // The caption as the button's font draws it at (0, 0).
    Canvas alone(kWidth, kHeight);
    alone.Fill(RGB(255, 255, 255));
    SIZE extent = {};
    {
        ScopedSelect font(alone.Dc(), m_font);
        GetTextExtentPoint32A(alone.Dc(), "Go", 2, &extent);
        TextOutA(alone.Dc(), 0, 0, "Go", 2);
    }
    const RECT ink = TextBounds(alone, RGB(0, 0, 0));
    ASSERT_FALSE(IsRectEmpty(&ink));

    for (const COLORREF colour : {GetSysColor(COLOR_BTNTEXT), RGB(0, 128, 255)})
    {
        SCOPED_TRACE(colour);
        Canvas canvas(kWidth, kHeight);
        Render(canvas);
        const RECT text = TextBounds(canvas, colour);
        // The same glyphs, whose measured box is centred both ways.
        EXPECT_EQ(ink.right - ink.left, text.right - text.left);
        EXPECT_EQ(ink.bottom - ink.top, text.bottom - text.top);
        const int x = text.left - ink.left;
        const int y = text.top - ink.top;
        EXPECT_LE(std::abs(x - (kWidth - extent.cx - x)), 1);
        EXPECT_LE(std::abs(y - (kHeight - extent.cy - y)), 1);
        m_button.m_crText = RGB(0, 128, 255); // next: a text colour of its own
    }
}

TEST_F(FlatButton, DisabledDrawsGreyIconAndDisabledText)
{
    Open("Go");
    m_button.SetIcon(kIconId);
    m_button.EnableWindow(FALSE);
    Host::Pump();
    Canvas canvas(kWidth, kHeight);
    Render(canvas);
    const POINT at = {3, (kHeight - kIconSize) / 2};
    int wrong = 0;
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x)
        {
            const COLORREF c = IconPixel(x, y);
            const BYTE g = static_cast<BYTE>(0.587 * GetGValue(c) + 0.114 * GetBValue(c) +
                                             0.299 * GetRValue(c));
            wrong += canvas.At(at.x + x, at.y + y) != RGB(g, g, g) ? 1 : 0;
        }
    EXPECT_EQ(0, wrong);
    // The disabled text is embossed, not drawn in the text colour, and there
    // is no frame.
    const RECT disabledText = TextBounds(canvas);
    EXPECT_TRUE(IsRectEmpty(&disabledText));
    const RECT textArea = {kIconSize + 3, 1, kWidth - 1, kHeight - 1};
    EXPECT_GT(canvas.Count(textArea, [](COLORREF c) { return c == GetSysColor(COLOR_BTNSHADOW); }),
              0);
    EXPECT_EQ(m_button.m_crFace, canvas.At(kWidth / 2, 0));

    m_button.EnableWindow(TRUE);
    Render(canvas);
    const RECT enabledText = TextBounds(canvas);
    EXPECT_FALSE(IsRectEmpty(&enabledText));
    EXPECT_EQ(IconPixel(0, 0), canvas.At(at.x, at.y));
}

TEST_F(FlatButton, DoubleClickCountsAsTwoPresses)
{
    Open("Go");
    const LPARAM inside = MAKELPARAM(5, 5);
    m_button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, inside);
    m_button.SendMessage(WM_LBUTTONUP, 0, inside);
    m_button.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    m_button.SendMessage(WM_LBUTTONUP, 0, inside);
    Host::Pump();
    int clicks = 0;
    for (WPARAM w : m_host.m_commands)
        clicks += (LOWORD(w) == kId && HIWORD(w) == BN_CLICKED) ? 1 : 0;
    EXPECT_EQ(2, clicks);
}

TEST_F(FlatButton, NoHoverWhileApplicationInactive)
{
    Open("Go", false);
    ASSERT_EQ(nullptr, GetActiveWindow());
    Move(5, 5);
    EXPECT_FALSE(m_button.m_bHover);
    EXPECT_NE(m_button.m_hWnd, GetCapture());
}

TEST_F(FlatButton, HoverTakesCaptureUntilTheMouseLeaves)
{
    Open("Go");
    ASSERT_NE(nullptr, GetActiveWindow());
    m_button.UpdateWindow();
    RECT dirty;
    ASSERT_FALSE(GetUpdateRect(m_button.m_hWnd, &dirty, FALSE));
    Move(5, 5);
    EXPECT_TRUE(m_button.m_bHover);
    EXPECT_EQ(m_button.m_hWnd, GetCapture());
    EXPECT_TRUE(GetUpdateRect(m_button.m_hWnd, &dirty, FALSE)); // the frame is drawn
    m_button.UpdateWindow();
    Move(6, 5); // still over the button
    EXPECT_TRUE(m_button.m_bHover);
    Move(-40, -40); // off the button
    EXPECT_FALSE(m_button.m_bHover);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_TRUE(GetUpdateRect(m_button.m_hWnd, &dirty, FALSE)); // and taken away
}

TEST_F(FlatButton, LeavingWithLeftButtonDownKeepsCapture)
{
    Open("Go");
    Move(5, 5);
    ASSERT_TRUE(m_button.m_bHover);
    Move(-40, -40, MK_LBUTTON);
    EXPECT_FALSE(m_button.m_bHover);
    EXPECT_EQ(m_button.m_hWnd, GetCapture());
    ReleaseCapture();
}

TEST_F(FlatButton, CaptureTakenElsewhereIsLeftAlone)
{
    Open("Go");
    Move(5, 5);
    ASSERT_EQ(m_button.m_hWnd, GetCapture());
    SetCapture(m_host.m_hWnd);
    EXPECT_EQ(m_host.m_hWnd, GetCapture());
    ReleaseCapture();
}

TEST_F(FlatButton, LosingFocusClearsHover)
{
    Open("Go");
    ::SetFocus(m_button.m_hWnd);
    Move(5, 5);
    ASSERT_TRUE(m_button.m_bHover);
    ::SetFocus(m_host.m_hWnd);
    EXPECT_FALSE(m_button.m_bHover);
}

} // namespace
