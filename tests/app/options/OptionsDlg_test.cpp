#include "app/AppContext.h"
#include "app/OptionsDlg.h"
#include "framework/WinApp.h"
#include "res/resource.h"

#include "support/SupportTestUtil.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace
{
std::string g_appDataFolder;

HRESULT WINAPI TempFolderPath(HWND, int csidl, HANDLE, DWORD, LPSTR path)
{
    if ((csidl & 0xFF) != CSIDL_APPDATA)
        return E_FAIL;
    lstrcpynA(path, g_appDataFolder.c_str(), MAX_PATH);
    return S_OK;
}

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
    std::string fontFace;
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
        g_appDataFolder = m_dir.Path();
        GetAppContextSeam().pGetFolderPath = &TempFolderPath;
        CreateAppContext();
        ASSERT_NE(nullptr, g_pAppContext);
        g_iniPath = StdString(g_pAppContext->GetSettingsFilePath());
        ASSERT_EQ(m_dir.Path() + "\\Orbelin software\\Tolvane\\Tolvane.ini", g_iniPath);
        m_app.SetProfileName(g_iniPath.c_str());
    }
    void TearDown() override
    {
        DestroyAppContext();
        ResetAppContextSeam();
    }

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

TEST_F(OptionsDlgTest, OkSavesTheSettingsAtOnceAndAStoredSevenBecomesZero)
{
    ASSERT_TRUE(
        ::WritePrivateProfileStringA("Wipe Settings", "m_boolRandom", "7", g_iniPath.c_str()));
    g_pAppContext->LoadSettings(m_app);
    ASSERT_EQ(7, g_pAppContext->m_boolRandom);
    ASSERT_TRUE(::DeleteFileA(g_iniPath.c_str())); // as on a machine without the file
    g_pAppContext->m_boolWipeInBackground = 1;
    g_pAppContext->m_boolCheckForErrors = 1;

    EXPECT_EQ(IDOK, Run(Answer::EnterKey));
    ASSERT_TRUE(g_observed.seen);
    EXPECT_FALSE(g_observed.fileBeforeAnswer);
    EXPECT_EQ(0, g_observed.checks[3]);
    EXPECT_EQ(0, g_pAppContext->m_boolRandom);
    EXPECT_EQ("[Wipe Settings]\r\n"
              "m_boolWipeInBackground=1\r\n"
              "m_boolWipeTwice=0\r\n"
              "m_boolCheckForErrors=1\r\n"
              "m_boolRandom=0\r\n",
              ReadText(g_iniPath));
}

// Reads the dialog template resource the way the dialog manager does.
class TemplateReader
{
public:
    explicit TemplateReader(const BYTE* p) : m_p(p) {}
    DWORD Dword()
    {
        DWORD v;
        memcpy(&v, m_p, 4);
        m_p += 4;
        return v;
    }
    int Word()
    {
        WORD v;
        memcpy(&v, m_p, 2);
        m_p += 2;
        return v;
    }
    short Short() { return static_cast<short>(Word()); }
    // A text, or "#n" for an ordinal.
    std::string SzOrOrd()
    {
        std::string text;
        int c = Word();
        if (c == 0xFFFF)
            return "#" + std::to_string(Word());
        for (; c != 0; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    void AlignDword()
    {
        m_p = reinterpret_cast<const BYTE*>((reinterpret_cast<UINT_PTR>(m_p) + 3) & ~UINT_PTR(3));
    }

private:
    const BYTE* m_p;
};

struct Item
{
    DWORD style;
    int x, y, cx, cy;
    int id;
    std::string cls;
    std::string text;
};

// A predefined class may be written by name or by its ordinal.
std::string ClassName(std::string cls)
{
    if (cls == "#128")
        return "BUTTON";
    if (cls == "#130")
        return "STATIC";
    for (char& c : cls)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return cls;
}

TEST(OptionsTemplateTest, Template136IsExactlyTheOptionsWindow)
{
    HRSRC res = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_OPTIONS), MAKEINTRESOURCEA(5));
    ASSERT_NE(nullptr, res);
    TemplateReader r(static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, res))));

    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
              r.Dword());
    EXPECT_EQ(0u, r.Dword()); // no extended style
    const int count = r.Word();
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(218, r.Short());
    EXPECT_EQ(108, r.Short());
    EXPECT_EQ("", r.SzOrOrd()); // no menu
    EXPECT_EQ("", r.SzOrOrd()); // the standard dialog class
    EXPECT_EQ("Options", r.SzOrOrd());
    EXPECT_EQ(8, r.Word());
    EXPECT_EQ("Tahoma", r.SzOrOrd());

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD box = child | WS_DISABLED | WS_TABSTOP | BS_AUTOCHECKBOX;
    const Item expected[] = {
        {child | WS_TABSTOP | BS_DEFPUSHBUTTON, 164, 91, 50, 14, IDOK, "BUTTON", "OK"},
        {child | SS_ETCHEDHORZ, 0, 85, 216, 1, 0xFFFF, "STATIC", ""},
        {box, 4, 4, 210, 12, 1000, "BUTTON", "Erase information twice"},
        {box, 4, 20, 210, 12, 1006, "BUTTON",
         "Check the disk for write erros ( simply disk test )"},
        {box, 4, 36, 210, 12, 1008, "BUTTON", "Work in background mode ( less CPU usage )"},
        {box, 4, 52, 210, 12, 1009, "BUTTON", "Fill with the random data instead of 0x00"},
    };
    ASSERT_EQ(6, count);
    for (const Item& item : expected)
    {
        SCOPED_TRACE(item.text);
        r.AlignDword();
        EXPECT_EQ(item.style, r.Dword());
        EXPECT_EQ(0u, r.Dword());
        EXPECT_EQ(item.x, r.Short());
        EXPECT_EQ(item.y, r.Short());
        EXPECT_EQ(item.cx, r.Short());
        EXPECT_EQ(item.cy, r.Short());
        EXPECT_EQ(item.id, r.Word());
        EXPECT_EQ(item.cls, ClassName(r.SzOrOrd()));
        EXPECT_EQ(item.text, r.SzOrOrd());
        EXPECT_EQ(0, r.Word()); // no creation data
    }
}
} // namespace
