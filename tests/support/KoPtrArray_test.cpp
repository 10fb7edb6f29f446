#include <gtest/gtest.h>

#include <climits>
#include <vector>

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
            {
                EXPECT_NE(m_owner->GetAt(i), this);
            }
        }
    }
    int m_id;
    std::vector<int>* m_log;
    const KoPtrArray<Tracked*>* m_owner;
};

TEST(PtrArrayTest, AddGrowsByFourThenAnEighthThenAtMost1024)
{
    KoPtrArray<int*> array;
    std::vector<UINT> capacities;
    for (UINT i = 0; i < 20000; ++i)
    {
        array.Add(nullptr);
        if (capacities.empty() || capacities.back() != array.GetMaxSize())
        {
            capacities.push_back(array.GetMaxSize());
        }
    }
    const std::vector<UINT> start = {1,  5,  9,  13, 17, 21, 25, 29, 33,
                                     37, 41, 46, 51, 57, 64, 72, 81, 91};
    ASSERT_GT(capacities.size(), start.size());
    EXPECT_EQ(std::vector<UINT>(capacities.begin(), capacities.begin() + start.size()), start);
    for (size_t i = 1; i < capacities.size(); ++i)
    {
        const UINT count = capacities[i - 1]; // the array was full when it grew
        const UINT step = capacities[i] - count;
        SCOPED_TRACE(count);
        if (count >= 8192)
        {
            EXPECT_EQ(step, 1024u);
        }
        else if (count >= 32)
        {
            EXPECT_EQ(step, count / 8);
        }
    }
    EXPECT_EQ(array.GetSize(), 20000u);
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

TEST(PtrArrayTest, GrowthStepsAndTheTopOfTheRange)
{
    const struct
    {
        UINT maxSize, size, newSize;
        int growBy;
        unsigned long long capacity;
    } rows[] = {
        {UINT_MAX - 1, UINT_MAX - 1, UINT_MAX, 0, UINT_MAX},
        {UINT_MAX - 2000, UINT_MAX - 2000, UINT_MAX - 1999, 0, UINT_MAX - 976ull},
        {UINT_MAX - 10, 5, UINT_MAX - 9, 1000, UINT_MAX},
        {100, 100, 101, 0, 112},
        {10, 10, 50, 0, 50},
        {1, 1, 2, 100, 101}, // a fixed step
        {1, 1, 2, -7, 5}     // a negative step other than -1 counts as automatic
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.maxSize);
        EXPECT_EQ(KoPtrArrayGrowCapacity(row.maxSize, row.size, row.newSize, row.growBy),
                  row.capacity);
    }
}

// Reaches the end of the 32-bit count without allocating 32 GiB.
class FullArray : public KoPtrArray<int*>
{
public:
    explicit FullArray(int** block)
    {
        m_pData = block;
        m_nSize = UINT_MAX;
        m_nMaxSize = UINT_MAX;
    }
    ~FullArray() override
    {
        m_pData = nullptr;
        m_nSize = 0;
        m_nMaxSize = 0;
    }
};

TEST(PtrArrayTest, AddToAFullArrayThrowsInsteadOfWrapping)
{
    int* block[1] = {nullptr};
    FullArray array(block);
    EXPECT_THROW(array.Add(nullptr), std::bad_alloc);
    EXPECT_EQ(array.GetSize(), UINT_MAX);
    EXPECT_EQ(array.GetData(), block);
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
        {
            array.Add(new Tracked(id, &deleted, &array));
        }
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
