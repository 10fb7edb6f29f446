#include "app/AppContext.h"
#include "app/OptionsDlg.h"
#include "framework/WinApp.h"
#include "res/resource.h"

#include "common/Context.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/MainWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// What the test saw of the running dialog, and how it answered it.
enum class Answer
{
    EnterKey,
    EscapeKey,
    CloseBox,
};

struct Observed
{
    bool seen = false;
    int checks[4] = {-1, -1, -1, -1}; // 1008, 1000, 1006, 1009
    bool anyEnabled = true;
    bool focusOnOk = false;
    bool fileBeforeAnswer = true;
    std::string fontFace, caption;
    std::vector<std::string> texts; // boxes 1008, 1000, 1006, 1009, then OK
    LONG okStyle = 0;
};

const int kBoxes[4] = {IDC_OPTIONS_BACKGROUND, IDC_OPTIONS_WIPE_TWICE, IDC_OPTIONS_CHECK_ERRORS,
                       IDC_OPTIONS_RANDOM};

KoOptionsDlg* g_pDlg = nullptr;
Answer g_answer = Answer::EscapeKey;
Observed g_observed;
std::string g_iniPath;

// Runs inside the dialog's modal loop: looks at the dialog, then answers it
// the way a user would.
void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dlg = g_pDlg->m_hWnd;
    if (!dlg || !::IsWindowVisible(dlg))
        return;
    ::KillTimer(nullptr, id);
    g_observed.seen = true;
    g_observed.anyEnabled = false;
    for (int i = 0; i < 4; ++i)
    {
        HWND box = ::GetDlgItem(dlg, kBoxes[i]);
        g_observed.checks[i] = static_cast<int>(::SendMessageA(box, BM_GETCHECK, 0, 0));
        g_observed.anyEnabled = g_observed.anyEnabled || ::IsWindowEnabled(box);
    }
    HWND ok = ::GetDlgItem(dlg, IDOK);
    g_observed.focusOnOk = ::GetFocus() == ok;
    g_observed.fileBeforeAnswer =
        ::GetFileAttributesA(g_iniPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    LOGFONTA lf{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(dlg, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    g_observed.fontFace = lf.lfFaceName;
    g_observed.caption = WindowText(dlg);
    for (int control : {kBoxes[0], kBoxes[1], kBoxes[2], kBoxes[3], IDOK})
        g_observed.texts.push_back(WindowText(::GetDlgItem(dlg, control)));
    g_observed.okStyle = ::GetWindowLongA(ok, GWL_STYLE);

    switch (g_answer)
    {
    case Answer::EnterKey:
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
        break;
    case Answer::EscapeKey:
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
        break;
    case Answer::CloseBox:
        ::PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

class OptionsDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateTestContext(m_dir.Path());
        ASSERT_NE(nullptr, g_pAppContext);
        g_iniPath = StdString(g_pAppContext->GetSettingsFilePath());
        ASSERT_EQ(m_dir.Path() + "\\Orbelin software\\Tolvane\\Tolvane.ini", g_iniPath);
        m_app.SetProfileName(g_iniPath.c_str());
    }
    void TearDown() override { DestroyTestContext(); }

    void SetSettings(int background, int twice, int check, int random)
    {
        g_pAppContext->m_boolWipeInBackground = background;
        g_pAppContext->m_boolWipeTwice = twice;
        g_pAppContext->m_boolCheckForErrors = check;
        g_pAppContext->m_boolRandom = random;
    }

    // Opens the dialog modally and answers it from a timer; the result of DoModal.
    INT_PTR Run(Answer answer)
    {
        KoOptionsDlg dlg;
        g_pDlg = &dlg;
        g_answer = answer;
        g_observed = Observed();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &AnswerDialog);
        const INT_PTR result = dlg.DoModal();
        ::KillTimer(nullptr, timer);
        g_pDlg = nullptr;
        return result;
    }

    TempDir m_dir;
    CWinApp m_app{"Tolvane"};
};

TEST_F(OptionsDlgTest, ShowsTheSettingsInFourDisabledBoxesWithTheFocusOnOk)
{
    struct Row
    {
        int settings[4]; // background, twice, check, random
        int shown[4];    // boxes 1008, 1000, 1006, 1009
    } rows[] = {
        {{0, 0, 0, 0}, {0, 0, 0, 0}},
        {{1, 0, 0, 1}, {1, 0, 0, 1}},
        {{0, 1, 1, 0}, {0, 1, 1, 0}},
        // Outside 0..2 shows unchecked; 2 in a two-state box shows checked.
        {{7, -1, 2, 3}, {0, 0, 1, 0}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message()
                     << row.settings[0] << row.settings[1] << row.settings[2] << row.settings[3]);
        SetSettings(row.settings[0], row.settings[1], row.settings[2], row.settings[3]);
        EXPECT_EQ(IDCANCEL, Run(Answer::EscapeKey));
        ASSERT_TRUE(g_observed.seen);
        EXPECT_EQ(std::vector<int>(row.shown, row.shown + 4),
                  std::vector<int>(g_observed.checks, g_observed.checks + 4));
        EXPECT_FALSE(g_observed.anyEnabled);
        EXPECT_TRUE(g_observed.focusOnOk);
        EXPECT_EQ("Tahoma", g_observed.fontFace);
    }
    EXPECT_EQ("Options", g_observed.caption);
    EXPECT_EQ((std::vector<std::string>{"Work in background mode ( less CPU usage )",
                                        "Erase information twice",
                                        "Check the disk for write erros ( simply disk test )",
                                        "Fill with the random data instead of 0x00", "OK"}),
              g_observed.texts);
    EXPECT_EQ(BS_DEFPUSHBUTTON, g_observed.okStyle & 0xF);
}

TEST_F(OptionsDlgTest, EscapeAndTheCloseBoxWriteNothing)
{
    for (Answer answer : {Answer::EscapeKey, Answer::CloseBox})
    {
        SCOPED_TRACE(static_cast<int>(answer));
        SetSettings(7, 1, 0, 1);
        EXPECT_EQ(IDCANCEL, Run(answer));
        ASSERT_TRUE(g_observed.seen);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(g_iniPath.c_str()));
        EXPECT_EQ(7, g_pAppContext->m_boolWipeInBackground);
        EXPECT_EQ(1, g_pAppContext->m_boolRandom);
    }
}

TEST_F(OptionsDlgTest, OkSavesEachSettingAtOnceAsItsBoxShowsIt)
{
    // Each setting reaches its own key; a stored 7 shows unchecked and is
    // saved as 0, a stored 2 shows checked and is saved as 1.
    struct Row
    {
        int settings[4]; // background, twice, check, random
        const char* saved;
    } rows[] = {
        // Every setting in turn stored as 7 and as 2, so that a value the
        // dialog does not copy back shows in the file.
        {{7, 2, 0, 1}, "0101"},
        {{1, 0, 2, 7}, "1010"},
        {{0, 1, 7, 2}, "0101"},
        {{2, 7, 1, 0}, "1010"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.saved);
        ::DeleteFileA(g_iniPath.c_str()); // as on a machine without the file
        SetSettings(row.settings[0], row.settings[1], row.settings[2], row.settings[3]);
        EXPECT_EQ(IDOK, Run(Answer::EnterKey));
        ASSERT_TRUE(g_observed.seen);
        EXPECT_FALSE(g_observed.fileBeforeAnswer);
        const std::string expected =
            std::string("[Wipe Settings]\r\n") + "m_boolWipeInBackground=" + row.saved[0] + "\r\n" +
            "m_boolWipeTwice=" + row.saved[1] + "\r\n" + "m_boolCheckForErrors=" + row.saved[2] +
            "\r\n" + "m_boolRandom=" + row.saved[3] + "\r\n";
        EXPECT_EQ(expected, ReadText(g_iniPath));
        EXPECT_EQ(row.saved[3] - '0', g_pAppContext->m_boolRandom);
    }
}

} // namespace
