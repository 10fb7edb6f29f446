#include "engine/KoWipeProgress.h"

#include <cstdint>

bool KoWipeProgressPos(unsigned long long freeAtStart, unsigned long long wiped, int& pos)
{
    const unsigned long long unit = freeAtStart / 1000;
    if (unit == 0)
        return false;
    if (wiped == freeAtStart)
        pos = 1000;
    else
        pos = static_cast<int>(static_cast<std::uint32_t>(wiped / unit));
    return true;
}
