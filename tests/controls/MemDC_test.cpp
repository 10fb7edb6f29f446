#include "controls/MemDC.h"

#include "Canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace
{
const COLORREF kBefore = RGB(10, 20, 30);
const COLORREF kDrawn = RGB(200, 100, 50);

TEST(MemDC, BufferedDrawingAppearsAtTheEndInTargetCoordinates)
{
    const COLORREF kSpot = RGB(0, 250, 0);
    Canvas canvas(40, 40);
    canvas.Fill(kBefore);
    IntersectClipRect(canvas.Dc(), 10, 10, 30, 30);
    {
        CMemDC dc(canvas.Dc());
        EXPECT_TRUE(dc.IsBuffered());
        Canvas::Fill(dc, {0, 0, 40, 40}, kDrawn);
        Canvas::Fill(dc, {12, 14, 20, 16}, kSpot);
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
        Canvas::Fill(dc, {2, 2, 4, 4}, kDrawn);
        EXPECT_EQ(kDrawn, canvas.At(2, 2));
    }
    // The borrowed handle is still alive and unchanged by the end.
    EXPECT_EQ(kDrawn, canvas.At(3, 3));
    EXPECT_NE(0, GetDeviceCaps(canvas.Dc(), BITSPIXEL));
}

// How many bitmaps this program deletes, and how many of those outlive the
// call: one still selected into a DC does (Windows refuses to delete it and
// it leaks; Wine deletes it with the DC).
int g_bitmapsDeleted = 0;
int g_bitmapsSurviving = 0;
decltype(&::DeleteObject) g_systemDeleteObject = nullptr;

BOOL WINAPI WatchedDeleteObject(HGDIOBJ object)
{
    const bool bitmap = GetObjectType(object) == OBJ_BITMAP;
    const BOOL result = g_systemDeleteObject(object);
    g_bitmapsDeleted += bitmap ? 1 : 0;
    g_bitmapsSurviving += bitmap && GetObjectType(object) != 0 ? 1 : 0;
    return result;
}

// The slot of this program's import table through which it calls `function`.
ULONG_PTR* ImportSlot(const char* function)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports);
         dll->Name != 0; ++dll)
    {
        auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot)
        {
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) &&
                std::strcmp(byName->Name, function) == 0)
                return &slot->u1.Function;
        }
    }
    return nullptr;
}

TEST(MemDC, DeletesItsBufferOutOfTheDc)
{
    Canvas canvas(20, 20);
    ULONG_PTR* slot = ImportSlot("DeleteObject");
    DWORD access = 0;
    ASSERT_TRUE(slot != nullptr && VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &access));
    g_systemDeleteObject = reinterpret_cast<decltype(&::DeleteObject)>(
        std::exchange(*slot, reinterpret_cast<ULONG_PTR>(&WatchedDeleteObject)));
    g_bitmapsDeleted = g_bitmapsSurviving = 0;
    bool buffered = false;
    {
        CMemDC dc(canvas.Dc());
        buffered = dc.IsBuffered() != FALSE;
    }
    *slot = reinterpret_cast<ULONG_PTR>(g_systemDeleteObject);
    EXPECT_TRUE(buffered);
    EXPECT_EQ(1, g_bitmapsDeleted);
    EXPECT_EQ(0, g_bitmapsSurviving);
}
} // namespace
