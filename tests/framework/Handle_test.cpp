#include "framework/Gdi.h"
#include "support/Handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace
{
// A handle kind whose releases are recorded, so ownership can be counted.
std::vector<int> g_released;

struct CountingTraits
{
    using Type = int;
    static bool IsEmpty(int h) { return h == 0; }
    static void Release(int h) { g_released.push_back(h); }
};
using Counted = UniqueHandle<CountingTraits>;

class UniqueHandleTest : public ::testing::Test
{
protected:
    void SetUp() override { g_released.clear(); }
};

TEST_F(UniqueHandleTest, EachHandleIsReleasedExactlyOnceByItsLastOwner)
{
    {
        Counted a(1);
        Counted b(std::move(a));
        EXPECT_FALSE(a.valid());
        Counted c(2);
        c = std::move(b); // 2 released now, 1 moves on
        EXPECT_EQ(std::vector<int>({2}), g_released);
        c = std::move(c); // self-move keeps it
        EXPECT_EQ(1, c.get());
        Counted empty;
    }
    EXPECT_EQ(std::vector<int>({2, 1}), g_released);
}

TEST_F(UniqueHandleTest, ResetAndReleaseHandOverOwnership)
{
    Counted h(5);
    h.reset(5); // the same handle again must not be released
    EXPECT_TRUE(g_released.empty());
    h.reset(6);
    EXPECT_EQ(std::vector<int>({5}), g_released);
    EXPECT_EQ(6, h.release());
    EXPECT_FALSE(h);
    h.reset();
    EXPECT_EQ(std::vector<int>({5}), g_released);
}

TEST(KernelHandleTest, InvalidHandleValueCountsAsEmpty)
{
    KernelHandle failedOpen(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(failedOpen.valid());

    KernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event.valid());
    HANDLE raw = event.get();
    DWORD flags = 0;
    EXPECT_TRUE(::GetHandleInformation(raw, &flags));
    event.reset();
    // The handle was really closed.
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));
}

TEST(ScopedSelectTest, PutsThePreviousObjectBackSoTheOwnerCanDeleteIt)
{
    MemDcHandle dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc.valid());
    HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_FONT);
    LOGFONTA lf{};
    lf.lfHeight = 12;
    FontHandle font(::CreateFontIndirectA(&lf));
    ASSERT_TRUE(font.valid());
    {
        ScopedSelect select(dc.get(), font.get());
        EXPECT_EQ(original, select.previous());
        EXPECT_EQ(font.get(), ::GetCurrentObject(dc.get(), OBJ_FONT));
    }
    EXPECT_EQ(original, ::GetCurrentObject(dc.get(), OBJ_FONT));
    HFONT raw = font.get();
    font.reset();
    EXPECT_EQ(0, ::GetObjectType(raw));
}

TEST(CDCTest, OwnsOnlyTheDeviceContextItCreated)
{
    MemDcHandle borrowed(::CreateCompatibleDC(nullptr));
    HDC owned = nullptr;
    {
        CDC view;
        view.Attach(borrowed.get());
        CDC memory;
        ASSERT_TRUE(memory.CreateCompatibleDC(&view));
        owned = memory.m_hDC;
        EXPECT_EQ(OBJ_MEMDC, ::GetObjectType(owned));
    }
    EXPECT_EQ(OBJ_MEMDC, ::GetObjectType(borrowed.get()));
    EXPECT_EQ(0, ::GetObjectType(owned));
}

TEST(CBitmapTest, DeletesItsBitmap)
{
    HBITMAP dropped = nullptr;
    {
        CDC memory;
        ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&memory, 4, 4));
        dropped = bitmap.GetSafeHandle();
        EXPECT_EQ(OBJ_BITMAP, ::GetObjectType(dropped));
    }
    EXPECT_EQ(0, ::GetObjectType(dropped));
}

TEST(CImageListTest, AppendsIconsAndIsDestroyedOnceByItsOwner)
{
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 24, 32));
    HICON icon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
    EXPECT_EQ(0, list.Add(icon));
    EXPECT_EQ(1, list.Add(icon));
    EXPECT_EQ(2, ::ImageList_GetImageCount(list));
    EXPECT_TRUE(list.DeleteImageList());
    EXPECT_FALSE(list.DeleteImageList());
    EXPECT_EQ(-1, list.Add(icon));
}
} // namespace
