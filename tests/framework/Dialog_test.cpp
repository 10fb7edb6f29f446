#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "support/Handle.h"
#include "framework/WinApp.h"

#include "FrameworkTestRes.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace
{
const UINT kMsgWhileOpen = WM_APP + 1;
const UINT kMsgThrow = WM_APP + 100;

class CountingButton : public CButton
{
public:
    void PreSubclassWindow() override
    {
        ++m_nPreSubclass;
        m_hwndAtPreSubclass = m_hWnd;
        CButton::PreSubclassWindow();
    }
    void DrawItem(LPDRAWITEMSTRUCT pDis) override
    {
        ++m_nDraws;
        m_nLastItemId = pDis->CtlID;
    }
    int m_nPreSubclass = 0;
    HWND m_hwndAtPreSubclass = nullptr;
    int m_nDraws = 0;
    UINT m_nLastItemId = 0;
};

// Takes its own colour and click notifications, as a link label does.
class ColorStatic : public CStatic
{
public:
    ColorStatic() : m_brush(::CreateSolidBrush(RGB(1, 2, 3))) {}
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == WM_CTLCOLORSTATIC)
        {
            *pResult = reinterpret_cast<LRESULT>(m_brush.get());
            return TRUE;
        }
        if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED)
        {
            ++m_nClicks;
            *pResult = 0;
            return TRUE;
        }
        return CStatic::OnChildNotify(message, wParam, lParam, pResult);
    }
    UniqueHandle<HandleTraits::GdiObject<HBRUSH>> m_brush;
    int m_nClicks = 0;
};

// Answers the list view's text requests itself, as the message list does.
class CallbackList : public CListCtrl
{
public:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (message == WM_NOTIFY && hdr->code == LVN_GETDISPINFOA)
        {
            auto* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
            if (info->item.mask & LVIF_TEXT)
                wsprintfA(info->item.pszText, "row %d", static_cast<int>(info->item.lParam));
            ++m_nRequests;
            *pResult = 0;
            return TRUE;
        }
        return CListCtrl::OnChildNotify(message, wParam, lParam, pResult);
    }
    int m_nRequests = 0;
};

class TestDlg : public CDialog
{
public:
    TestDlg() : CDialog(IDD_FW_TEST) {}

    void DoDataExchange(CDataExchange* pDX) override
    {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_FW_DRAWN, m_drawn);
        DDX_Control(pDX, IDC_FW_LINK, m_link);
        DDX_Control(pDX, IDC_FW_LIST, m_list);
        DDX_Check(pDX, IDC_FW_THREE_STATE, m_nThree);
        DDX_Check(pDX, IDC_FW_TWO_STATE, m_nTwo);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        m_hwndOwner = ::GetWindow(m_hWnd, GW_OWNER);
        if (m_nTimerResult != 0)
            ::SetTimer(m_hWnd, 7, 10, nullptr);
        if (m_whileOpen)
            PostMessage(kMsgWhileOpen);
        return TRUE;
    }
    void OnCancel() override
    {
        ++m_nCancels;
        CDialog::OnCancel();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message)
        {
        case WM_TIMER:
            KillTimer(wParam);
            OnTimer(wParam);
            return 0;
        case WM_CTLCOLORSTATIC:
            ++m_nParentColors;
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == STN_CLICKED)
                ++m_nParentClicks;
            break;
        case kMsgThrow:
            throw std::runtime_error("handler failed");
        case kMsgWhileOpen:
            m_whileOpen();
            EndDialog(IDOK);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
    void OnTimer(UINT_PTR id)
    {
        m_nTimerId = id;
        if (m_nTimerResult > 0)
            EndDialog(m_nTimerResult);
        else // a real Esc key, through the dialog manager
            ::PostMessageA(::GetDlgItem(m_hWnd, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    }

    CountingButton m_drawn;
    ColorStatic m_link;
    CallbackList m_list;
    int m_nThree = 0;
    int m_nTwo = 0;
    int m_nTimerResult = 0; // >0: end with it; <0: press Esc; 0: no timer
    // Run once the dialog is open (bound, its controls bound), before it
    // shows; the dialog then ends with IDOK.
    std::function<void()> m_whileOpen;
    UINT_PTR m_nTimerId = 0;
    int m_nCancels = 0;
    int m_nParentColors = 0;
    int m_nParentClicks = 0;
    HWND m_hwndOwner = nullptr;
};

// The test dialog, run modally: a test's checks run while it is open.
class DialogTest : public ::testing::Test
{
protected:
    void WhileOpen(std::function<void()> checks)
    {
        m_dlg.m_whileOpen = std::move(checks);
        ASSERT_EQ(IDOK, m_dlg.DoModal());
    }
    TestDlg m_dlg;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A modeless window made from the test template and bound by subclassing:
// the main window, or the owner a modal dialog under test opens over.
class Modeless : public CWnd
{
public:
    Modeless()
    {
        AfxInitCommonControls();
        SubclassWindow(::CreateDialogParamA(::GetModuleHandleA(nullptr),
                                            MAKEINTRESOURCEA(IDD_FW_TEST), nullptr,
                                            &PlainDialogProc, 0));
    }
    ~Modeless() override { Destroy(); }
    void Destroy()
    {
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    }
};

TEST_F(DialogTest, BindingRunsPreSubclassWindowOnceWithTheWindowAttached)
{
    WhileOpen(
        [&]
        {
            EXPECT_EQ(::GetDlgItem(m_dlg.m_hWnd, IDC_FW_DRAWN), m_dlg.m_drawn.m_hWnd);
            EXPECT_EQ(m_dlg.m_drawn.m_hWnd, m_dlg.m_drawn.m_hwndAtPreSubclass);
            EXPECT_EQ(&m_dlg.m_drawn, CWnd::FromHandlePermanent(m_dlg.m_drawn.m_hWnd));
            EXPECT_TRUE(m_dlg.UpdateData(FALSE));
            EXPECT_EQ(1, m_dlg.m_drawn.m_nPreSubclass);
        });
}

TEST_F(DialogTest, UnbindingAtDestructionGivesTheControlItsProcedureBack)
{
    WhileOpen(
        [&]
        {
            HWND button = m_dlg.m_drawn.m_hWnd;
            const LONG_PTR ours = ::GetWindowLongPtrA(button, GWLP_WNDPROC);
            m_dlg.m_drawn.UnsubclassWindow();
            EXPECT_EQ(nullptr, m_dlg.m_drawn.m_hWnd);
            EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(button));
            EXPECT_NE(ours, ::GetWindowLongPtrA(button, GWLP_WNDPROC));
            // Still a working button under its own procedure.
            ::SendMessageA(button, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Again"));
            char text[16] = {};
            ::GetWindowTextA(button, text, sizeof(text));
            EXPECT_STREQ("Again", text);
        });

    // The dialog has ended: every binding ended with its window.
    EXPECT_EQ(nullptr, m_dlg.m_hWnd);
    EXPECT_EQ(nullptr, m_dlg.m_link.m_hWnd);
    EXPECT_EQ(nullptr, m_dlg.m_list.m_hWnd);
}

TEST_F(DialogTest, OwnerDrawRequestsReachTheButton)
{
    WhileOpen(
        [&]
        {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = ODT_BUTTON;
            dis.CtlID = IDC_FW_DRAWN;
            dis.hwndItem = m_dlg.m_drawn.m_hWnd;
            const int before = m_dlg.m_drawn.m_nDraws;
            EXPECT_EQ(TRUE,
                      m_dlg.SendMessage(WM_DRAWITEM, IDC_FW_DRAWN, reinterpret_cast<LPARAM>(&dis)));
            EXPECT_EQ(before + 1, m_dlg.m_drawn.m_nDraws);

            // And the button's own painting asks through its parent the same way.
            m_dlg.m_drawn.Invalidate();
            m_dlg.m_drawn.UpdateWindow();
            ::SendMessageA(m_dlg.m_drawn.m_hWnd, WM_PRINTCLIENT,
                           reinterpret_cast<WPARAM>(ScopedGetDC(m_dlg.m_drawn.m_hWnd).get()),
                           PRF_CLIENT);
            EXPECT_GE(m_dlg.m_drawn.m_nDraws, before + 2);
            EXPECT_EQ(static_cast<UINT>(IDC_FW_DRAWN), m_dlg.m_drawn.m_nLastItemId);
        });
}

TEST_F(DialogTest, ColourAndClickOfABoundLabelGoToTheLabelOnly)
{
    WhileOpen(
        [&]
        {
            HWND link = m_dlg.m_link.m_hWnd;
            ScopedGetDC dc(link);
            const LRESULT brush =
                m_dlg.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                  reinterpret_cast<LPARAM>(link));
            EXPECT_EQ(reinterpret_cast<LRESULT>(m_dlg.m_link.m_brush.get()), brush);
            EXPECT_EQ(0, m_dlg.m_nParentColors);

            // A real click: the static control itself reports STN_CLICKED.
            ::SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            ::SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            EXPECT_EQ(1, m_dlg.m_link.m_nClicks);
            EXPECT_EQ(0, m_dlg.m_nParentClicks);

            // An unbound control's colour request stays with the parent.
            HWND plain = ::GetDlgItem(m_dlg.m_hWnd, IDC_FW_PLAIN);
            m_dlg.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                              reinterpret_cast<LPARAM>(plain));
            EXPECT_EQ(1, m_dlg.m_nParentColors);
        });
}

TEST_F(DialogTest, ListViewTextRequestsAreAnsweredByTheList)
{
    WhileOpen(
        [&]
        {
            LVCOLUMNA column{};
            column.mask = LVCF_WIDTH;
            column.cx = 100;
            ASSERT_EQ(0, m_dlg.m_list.SendMessage(LVM_INSERTCOLUMNA, 0,
                                                  reinterpret_cast<LPARAM>(&column)));
            LVITEMA item{};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.pszText = LPSTR_TEXTCALLBACKA;
            item.lParam = 42;
            ASSERT_EQ(0, m_dlg.m_list.InsertItem(&item));

            char text[32] = {};
            LVITEMA query{};
            query.pszText = text;
            query.cchTextMax = sizeof(text);
            m_dlg.m_list.SendMessage(LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&query));
            EXPECT_STREQ("row 42", text);
            EXPECT_GE(m_dlg.m_list.m_nRequests, 1);
        });
}

TEST_F(DialogTest, CheckExchangeShowsOutOfRangeValuesAsUnchecked)
{
    WhileOpen(
        [&]
        {
            struct Row
            {
                int member;
                int shown;       // the box's state afterwards
                int memberAfter; // the member after the exchange towards the box
                int readBackTwo; // a two-state box given the same value, read back
            } rows[] = {
                {0, BST_UNCHECKED, 0, 0}, {1, BST_CHECKED, 1, 1},   {2, BST_INDETERMINATE, 2, 1},
                {3, BST_UNCHECKED, 0, 0}, {7, BST_UNCHECKED, 0, 0}, {-1, BST_UNCHECKED, 0, 0},
            };
            for (const Row& row : rows)
            {
                SCOPED_TRACE(row.member);
                m_dlg.m_nThree = row.member;
                m_dlg.m_nTwo = row.member;
                ASSERT_TRUE(m_dlg.UpdateData(FALSE));
                EXPECT_EQ(row.memberAfter, m_dlg.m_nThree);
                EXPECT_EQ(row.shown,
                          static_cast<int>(::SendMessageA(
                              ::GetDlgItem(m_dlg.m_hWnd, IDC_FW_THREE_STATE), BM_GETCHECK, 0, 0)));
                m_dlg.m_nThree = -5;
                m_dlg.m_nTwo = -5;
                ASSERT_TRUE(m_dlg.UpdateData(TRUE));
                EXPECT_EQ(row.shown, m_dlg.m_nThree);
                EXPECT_EQ(row.readBackTwo, m_dlg.m_nTwo);
            }
        });
}

TEST_F(DialogTest, AnExceptionInAHandlerStopsAtTheWindowProcedure)
{
    WhileOpen(
        [&]
        {
            EXPECT_EQ(0, m_dlg.SendMessage(kMsgThrow));
            // The window still works afterwards.
            m_dlg.SetWindowText("Still here");
            CString text;
            m_dlg.GetWindowText(text);
            EXPECT_STREQ("Still here", text);
        });
}

TEST(DialogModalTest, EndDialogValueComesBackFromDoModal)
{
    TestDlg dlg;
    dlg.m_nTimerResult = 42;
    EXPECT_EQ(42, dlg.DoModal());
    EXPECT_EQ(7u, dlg.m_nTimerId);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(nullptr, dlg.m_drawn.m_hWnd);
    EXPECT_EQ(1, dlg.m_drawn.m_nPreSubclass);

    // The same object can run again: its controls are bound anew.
    EXPECT_EQ(42, dlg.DoModal());
    EXPECT_EQ(2, dlg.m_drawn.m_nPreSubclass);
}

TEST(DialogModalTest, EscapeEndsTheDialogThroughOnCancel)
{
    TestDlg dlg;
    dlg.m_nTimerResult = -1;
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(1, dlg.m_nCancels);
}

TEST(DialogModalTest, WithoutAParentTheMainWindowOwnsTheDialog)
{
    CWinApp app;
    Modeless main;
    ASSERT_NE(nullptr, main.m_hWnd);
    app.m_pMainWnd = &main;

    TestDlg dlg;
    dlg.m_nTimerResult = 1;
    EXPECT_EQ(1, dlg.DoModal());
    EXPECT_EQ(main.m_hWnd, dlg.m_hwndOwner);

    app.m_pMainWnd = nullptr;
    main.Destroy();
    TestDlg alone;
    alone.m_nTimerResult = 1;
    EXPECT_EQ(1, alone.DoModal());
    EXPECT_EQ(nullptr, alone.m_hwndOwner);
}

// A modal dialog that notes where it is when its OnInitDialog is done and
// once it is shown, and can move itself in OnInitDialog.
class PlacedDlg : public CDialog
{
public:
    PlacedDlg(UINT nIDTemplate, CWnd* pOwner) : CDialog(nIDTemplate, pOwner) {}
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_bMove)
            SetWindowPos(nullptr, m_ptMoveTo.x, m_ptMoveTo.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(&m_rcAfterInit);
        ::SetTimer(m_hWnd, 1, 10, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_TIMER)
            return CDialog::WindowProc(message, wParam, lParam);
        KillTimer(wParam);
        GetWindowRect(&m_rcShown);
        EndDialog(IDOK);
        return 0;
    }

    bool m_bMove = false;
    POINT m_ptMoveTo{0, 0};
    RECT m_rcAfterInit{};
    RECT m_rcShown{};
};

TEST(DialogModalTest, OpensCentredOnItsOwnerInsideTheWorkArea)
{
    RECT work;
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    enum Where
    {
        Centred,           // its centre on that of the owner (or of the work area)
        LeftTopOfWork,     // pushed back inside at the work area's left and top
        RightBottomOfWork, // pushed back inside at its right and bottom
        WhereInitPutIt,    // where OnInitDialog left it
    };
    const struct Row
    {
        const char* name;
        UINT id;
        bool owned;
        RECT owner; // relative to the work area; negative: from its right or bottom
        bool move;
        Where where;
    } rows[] = {
        {"hidden template", IDD_FW_TEST, true, {100, 80, 600, 480}, false, Centred},
        {"no owner", IDD_FW_TEST, false, {}, false, Centred},
        {"owner at top left", IDD_FW_TEST, true, {0, 0, 40, 30}, false, LeftTopOfWork},
        {"owner at bottom right", IDD_FW_TEST, true, {-40, -30, 0, 0}, false, RightBottomOfWork},
        {"moved by OnInitDialog", IDD_FW_TEST, true, {100, 80, 600, 480}, true, WhereInitPutIt},
        {"visible template", IDD_FW_VISIBLE, true, {100, 80, 600, 480}, false, WhereInitPutIt},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        Modeless owner;
        ASSERT_NE(nullptr, owner.m_hWnd);
        RECT at = row.owner;
        if (at.left < 0)
            OffsetRect(&at, work.right, work.bottom);
        else
            OffsetRect(&at, work.left, work.top);
        owner.SetWindowPos(nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                           SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);

        PlacedDlg dlg(row.id, row.owned ? &owner : nullptr);
        dlg.m_bMove = row.move;
        dlg.m_ptMoveTo = {work.left + 7, work.top + 9};
        ASSERT_EQ(IDOK, dlg.DoModal());
        const RECT& got = dlg.m_rcShown;
        const RECT over = row.owned ? at : work;
        switch (row.where)
        {
        case Centred:
            EXPECT_LE(std::abs((got.left + got.right) - (over.left + over.right)), 1);
            EXPECT_LE(std::abs((got.top + got.bottom) - (over.top + over.bottom)), 1);
            break;
        case LeftTopOfWork:
            EXPECT_EQ(work.left, got.left);
            EXPECT_EQ(work.top, got.top);
            break;
        case RightBottomOfWork:
            EXPECT_EQ(work.right, got.right);
            EXPECT_EQ(work.bottom, got.bottom);
            break;
        case WhereInitPutIt:
            EXPECT_TRUE(EqualRect(&dlg.m_rcAfterInit, &got))
                << got.left << "," << got.top << " after init " << dlg.m_rcAfterInit.left << ","
                << dlg.m_rcAfterInit.top;
            break;
        }
        owner.Destroy();
    }
}

TEST(DialogModalTest, MissingTemplateAnswersMinusOne)
{
    CDialog dlg(9999);
    EXPECT_EQ(-1, dlg.DoModal());
}

TEST(ManifestTest, CommonControlsVersionSixIsLoaded)
{
    AfxInitCommonControls();
    // The program's manifest redirects comctl32.dll to the side-by-side
    // version 6 assembly (Wine's copy reports 5.81 from DllGetVersion even
    // there, so the redirection and the loaded file are what is checked).
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof(data);
    EXPECT_TRUE(::FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                           "comctl32.dll", &data));
    char path[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetModuleFileNameA(::GetModuleHandleA("comctl32.dll"), path, MAX_PATH));
    std::string lower(path);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(std::string::npos, lower.find("common-controls")) << path;
}
} // namespace
