// What the main window draws in pixels of its own, read from the running
// window at the prefix's DPI: the banner, the help icon, the message-kind
// icons and the bar's text. Run twice by dpi-scaling.sh: at 96 DPI it
// records its figures (TOLVANE_DPI_RECORD names the file), at another DPI it
// compares them with that record (TOLVANE_DPI_BASELINE): every size scales
// with the DPI, and every place stays where it is in proportion to the
// window, each within a pixel.

#include "app/AppContext.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "ui/TolvaneDlg.h"

#include "common/Context.h"
#include "common/MainWindow.h"
#include "controls/Canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include <windows.h>
#include <commctrl.h>

namespace
{
CWinApp g_app;

using Figures = std::map<std::string, double>;

RECT InClient(HWND dlg, HWND child)
{
    RECT rc;
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Everything is read on the driver thread while the dialog's own thread
// runs its modal loop; painting requests are sent to it.
Figures Measure(HWND dlg)
{
    Figures f;
    HDC screen = ::GetDC(dlg);
    f["dpi"] = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(dlg, screen);
    RECT client;
    ::GetClientRect(dlg, &client);
    f["client width"] = client.right;
    f["client height"] = client.bottom;

    // The banner: the bitmap the static shows, and where the static is.
    for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
            continue;
        BITMAP bm = {};
        auto shown =
            reinterpret_cast<HBITMAP>(::SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (shown && ::GetObjectA(shown, sizeof bm, &bm) == sizeof bm)
        {
            f["banner width"] = bm.bmWidth;
            f["banner height"] = bm.bmHeight;
        }
        const RECT rc = InClient(dlg, child);
        f["banner centre x"] = (rc.left + rc.right) / 2.0;
        f["banner top"] = rc.top;
    }

    // The help icon as the button draws it: what is not the face colour.
    HWND help = ::GetDlgItem(dlg, IDC_PRODUCT_PAGE);
    if (help)
    {
        const RECT rc = InClient(dlg, help);
        Canvas canvas(rc.right - rc.left, rc.bottom - rc.top);
        const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
        canvas.Fill(face);
        ::SendMessageA(help, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
        const RECT ink = canvas.Bounds([face](COLORREF c) { return c != face; });
        f["help icon width"] = ink.right - ink.left;
        f["help icon height"] = ink.bottom - ink.top;
        f["help icon centre x"] = rc.left + (ink.left + ink.right) / 2.0;
        f["help icon centre y"] = rc.top + (ink.top + ink.bottom) / 2.0;
    }

    // The kind icons: the list's small-image list.
    HWND list = ::GetDlgItem(dlg, IDC_MESSAGES);
    auto images =
        reinterpret_cast<HIMAGELIST>(::SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    int cx = 0;
    int cy = 0;
    if (images && ::ImageList_GetIconSize(images, &cx, &cy))
    {
        f["kind icon width"] = cx;
        f["kind icon height"] = cy;
    }

    // The bar's text as the fresh bar shows it ("0%" over the empty part).
    HWND bar = ::GetDlgItem(dlg, IDC_PROGRESS);
    if (bar)
    {
        RECT rc;
        ::GetClientRect(bar, &rc);
        Canvas canvas(rc.right, rc.bottom);
        ::SendMessageA(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
        const COLORREF back = ::GetSysColor(COLOR_WINDOW);
        const RECT ink = canvas.Bounds([back](COLORREF c) { return c != back; });
        f["bar text height"] = ink.bottom - ink.top;
        // Above the bar's centre is negative.
        f["bar text centre y - bar centre y"] = (ink.top + ink.bottom) / 2.0 - rc.bottom / 2.0;
    }
    return f;
}

Figures MeasureRunningDialog()
{
    CreateAppContext();
    SeamOverrides seams;
    seams.Set(GetTolvaneDlgSeam().GetCommandLine, &PlainCommandLine);
    Figures figures;
    CTolvaneDlg dlg;
    std::thread driver(
        [&]()
        {
            if (HWND hwnd = WaitForMainWindow(::GetCurrentProcessId(), 30000))
            {
                figures = Measure(hwnd);
                ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        });
    dlg.DoModal();
    driver.join();
    seams.Restore();
    DestroyAppContext();
    return figures;
}

bool Write(const char* path, const Figures& f)
{
    FILE* out = std::fopen(path, "w");
    for (const auto& [name, value] : f)
        if (out)
            std::fprintf(out, "%s=%.1f\n", name.c_str(), value);
    return out && std::fclose(out) == 0;
}

Figures Read(const char* path)
{
    Figures f;
    FILE* in = std::fopen(path, "r");
    char line[256];
    while (in && std::fgets(line, sizeof line, in))
        if (const char* eq = std::strchr(line, '='))
            f[std::string(line, static_cast<size_t>(eq - line))] = std::atof(eq + 1);
    if (in)
        std::fclose(in);
    return f;
}

TEST(DpiScaling, DrawnPartsScaleWithTheDpiAndKeepTheirPlaces)
{
    const Figures now = MeasureRunningDialog();
    ASSERT_FALSE(now.empty()) << "the dialog did not show";

    if (const char* record = std::getenv("TOLVANE_DPI_RECORD"))
    {
        ASSERT_EQ(96, now.at("dpi")) << "the record is made at 96 DPI";
        ASSERT_TRUE(Write(record, now)) << record;
        return;
    }
    const char* baselinePath = std::getenv("TOLVANE_DPI_BASELINE");
    ASSERT_NE(nullptr, baselinePath) << "run by dpi-scaling.sh";
    const Figures base = Read(baselinePath);
    ASSERT_FALSE(base.empty()) << baselinePath;
    ASSERT_NE(96, now.at("dpi")) << "this prefix must not be at 96 DPI";
    const double ratio = now.at("dpi") / 96.0;
    // Places are compared in proportion to the client area, whose size in
    // dialog units rounds a little differently from the DPI's ratio.
    const double across = now.at("client width") / base.at("client width");
    const double down = now.at("client height") / base.at("client height");

    struct Row
    {
        const char* figure;
        double scale; // what the 96-DPI figure is multiplied by
    };
    const Row rows[] = {
        {"banner width", ratio},        {"banner height", ratio},
        {"banner centre x", across},    {"banner top", down},
        {"help icon width", ratio},     {"help icon height", ratio},
        {"help icon centre x", across}, {"help icon centre y", down},
        {"kind icon width", ratio},     {"kind icon height", ratio},
        {"bar text height", ratio},     {"bar text centre y - bar centre y", ratio},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(testing::Message() << r.figure << " at " << now.at("dpi") << " DPI");
        ASSERT_EQ(1u, base.count(r.figure)) << "not measured at 96 DPI";
        ASSERT_EQ(1u, now.count(r.figure)) << "not measured now";
        const double expected = base.at(r.figure) * r.scale;
        std::printf("%-34s 96 DPI %6.1f, now %6.1f, expected %6.1f\n", r.figure, base.at(r.figure),
                    now.at(r.figure), expected);
        EXPECT_LE(std::fabs(now.at(r.figure) - expected), 1.0)
            << "96 DPI: " << base.at(r.figure) << ", now " << now.at(r.figure) << ", expected "
            << expected;
    }
}

} // namespace
