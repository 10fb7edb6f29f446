#include "engine/KoWipeProgress.h"

#include <gtest/gtest.h>

TEST(KoWipeProgressPos, PositionFollowsTheWipedShareOfTheStartingFigure)
{
    const unsigned long long gib = 1ull << 30;
    struct Row
    {
        unsigned long long freeAtStart, wiped;
        bool moves;
        int pos;
    };
    const Row rows[] = {
        {0, 0, false, 0},         // no measurement yet
        {999, 500, false, 0},     // under 1000 bytes: the bar stays
        {1000, 0, true, 0},       // smallest figure that moves the bar
        {1999, 1998, true, 1998}, // unit 1: the quotient is not capped
        {1999, 1999, true, 1000}, // everything written is exactly 1000
        {5 * gib / 2, 5 * gib / 4, true, 500},
        {2000000, 1999999, true, 999},       // truncated, never rounded up
        {gib, 2 * gib, true, 2000},          // the volume gained space meanwhile
        {1000, 0x100000000ull + 7, true, 7}, // taken as a 32-bit value
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << row.freeAtStart << " / " << row.wiped);
        int pos = -12345;
        EXPECT_EQ(row.moves, KoWipeProgressPos(row.freeAtStart, row.wiped, pos));
        EXPECT_EQ(row.moves ? row.pos : -12345, pos);
    }
}
