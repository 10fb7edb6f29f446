#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "CountingHeap.h"
#include "support/KoPtrArray.h"

namespace
{

// Records the order of destruction and what the owning array held then.
struct Tracked
{
    Tracked(int id, std::vector<int>* log, const KoPtrArray<Tracked*>* owner = nullptr)
        : m_id(id), m_log(log), m_owner(owner)
    {
    }
    ~Tracked()
    {
        m_log->push_back(m_id);
        if (m_owner != nullptr)
        {
            // The array must already be without this element.
            for (UINT i = 0; i < m_owner->GetSize(); ++i)
                EXPECT_NE(m_owner->GetAt(i), this);
        }
    }
    int m_id;
    std::vector<int>* m_log;
    const KoPtrArray<Tracked*>* m_owner;
};

TEST(PtrArrayTest, AddGrowsByFourThenAnEighthOfTheCountThenAtMost1024)
{
    KoPtrArray<int*> array;
    std::vector<UINT> capacities;
    for (UINT i = 0; i < 20000; ++i)
    {
        array.Add(nullptr);
        if (capacities.empty() || capacities.back() != array.GetMaxSize())
            capacities.push_back(array.GetMaxSize());
    }
    // Steps of 4 below 32, then count / 8, then 1024 from a count of 8192.
    const std::vector<UINT> start = {1,  5,  9,  13, 17, 21, 25, 29, 33,
                                     37, 41, 46, 51, 57, 64, 72, 81, 91};
    ASSERT_GT(capacities.size(), start.size());
    EXPECT_EQ(std::vector<UINT>(capacities.begin(), capacities.begin() + start.size()), start);
    const std::vector<UINT> top = {7715, 8679, 9703, 10727}; // 964 = 7715 / 8, then 1024
    EXPECT_NE(std::search(capacities.begin(), capacities.end(), top.begin(), top.end()),
              capacities.end());
    EXPECT_EQ(array.GetSize(), 20000u);

    // The step follows the count, not the capacity: 10 in a block of 200
    // grows by 4 (an eighth of 10 raised to 4), not by 25.
    KoPtrArray<int*> shrunk;
    shrunk.SetSize(200);
    shrunk.SetSize(10);
    shrunk.SetSize(201);
    EXPECT_EQ(shrunk.GetMaxSize(), 204u);
    shrunk.SetSize(205, 100); // a fixed step
    EXPECT_EQ(shrunk.GetMaxSize(), 304u);
}

TEST(PtrArrayTest, SetSizeKeepsTheBlockWhenShrinkingAndNullsWhenGrowingBack)
{
    int a = 1, b = 2, c = 3;
    KoPtrArray<int*> array;
    array.Add(&a);
    array.Add(&b);
    array.Add(&c);
    int* const* block = array.GetData();
    array.SetSize(1);
    EXPECT_EQ(array.GetSize(), 1u);
    EXPECT_EQ(array.GetMaxSize(), 5u);
    EXPECT_EQ(array.GetData(), block);
    array.SetSize(4);
    EXPECT_EQ(array.GetData(), block);
    EXPECT_EQ(array[0], &a);
    EXPECT_EQ(array[1], nullptr);
    EXPECT_EQ(array[2], nullptr);
    EXPECT_EQ(array[3], nullptr);
    // Growing past the block keeps the elements in order.
    array.SetSize(7);
    EXPECT_EQ(array[0], &a);
    EXPECT_EQ(array[6], nullptr);
    EXPECT_EQ(array.GetMaxSize(), 9u);
    array.SetSize(0);
    EXPECT_EQ(array.GetData(), nullptr);
}

TEST(PtrArrayTest, TheTopOfTheRangeNeverWrapsBelowTheSizeAskedFor)
{
    // Too large to allocate here; the capacity rule alone is checked.
    const struct
    {
        UINT maxSize, size, newSize;
        int growBy;
        unsigned long long capacity;
    } rows[] = {
        {UINT_MAX - 1, UINT_MAX - 1, UINT_MAX, 0, UINT_MAX},
        {UINT_MAX - 2000, UINT_MAX - 2000, UINT_MAX - 1999, 0, UINT_MAX - 976ull},
        {UINT_MAX - 10, 5, UINT_MAX - 9, 1000, UINT_MAX},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.maxSize);
        EXPECT_EQ(KoPtrArrayGrowCapacity(row.maxSize, row.size, row.newSize, row.growBy),
                  row.capacity);
    }
}

TEST(PtrArrayTest, BlocksAreFreedWithTheArray)
{
    CountingHeap heap;
    {
        KoPtrArray<int*> array;
        for (int i = 0; i < 100; ++i)
            array.Add(nullptr);
        std::vector<int> deleted;
        KoPtrAutoArray<Tracked*> owning;
        for (int id = 1; id <= 7; ++id)
            owning.Add(new Tracked(id, &deleted));
    }
    EXPECT_EQ(heap.Live(), 0);
}

TEST(PtrAutoArrayTest, RemoveAtDeletesOneElementAndKeepsTheBlock)
{
    std::vector<int> deleted;
    KoPtrAutoArray<Tracked*> array;
    array.Add(new Tracked(1, &deleted, &array));
    array.RemoveAt(1);
    array.RemoveAt(UINT_MAX);
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(array.GetSize(), 1u);

    array.RemoveAt(0);
    EXPECT_EQ(deleted, std::vector<int>({1}));
    EXPECT_EQ(array.GetSize(), 0u);
    EXPECT_NE(array.GetData(), nullptr);

    array.Add(new Tracked(2, &deleted, &array));
    array.Add(new Tracked(3, &deleted, &array));
    array.Add(new Tracked(4, &deleted, &array));
    array.RemoveAt(1);
    EXPECT_EQ(deleted, std::vector<int>({1, 3}));
    ASSERT_EQ(array.GetSize(), 2u);
    EXPECT_EQ(array[0]->m_id, 2);
    EXPECT_EQ(array[1]->m_id, 4);
}

TEST(PtrAutoArrayTest, RemoveAllAndTheDestructorDeleteOldestFirstSkippingNulls)
{
    std::vector<int> deleted;
    {
        KoPtrAutoArray<Tracked*> array;
        for (int id = 1; id <= 3; ++id)
            array.Add(new Tracked(id, &deleted, &array));
        array.Add(nullptr);
        array.Add(new Tracked(5, &deleted, &array));
        EXPECT_EQ(array.GetSize(), 5u);
        array.RemoveAll();
        EXPECT_EQ(deleted, std::vector<int>({1, 2, 3, 5}));
        EXPECT_EQ(array.GetSize(), 0u);
        EXPECT_NE(array.GetData(), nullptr);

        array.Add(new Tracked(6, &deleted, &array));
        array.Add(nullptr);
        array.Add(new Tracked(8, &deleted, &array));
    }
    EXPECT_EQ(deleted, std::vector<int>({1, 2, 3, 5, 6, 8}));
    Tracked kept(9, &deleted);
    {
        KoPtrAutoArray<Tracked*> array;
        array.Add(&kept);
        array.SetSize(0); // forgets the element without deleting it
    }
    EXPECT_EQ(deleted.size(), 6u);
}

} // namespace
