#include "CountingHeap.h"

#include <cstring>
#include <new>

#include <windows.h>

namespace
{
thread_local bool t_counting = false;
thread_local long t_live = 0;
thread_local size_t t_refuseSize = 0;
} // namespace

CountingHeap::CountingHeap()
{
    t_live = 0;
    t_refuseSize = 0;
    t_counting = true;
}

CountingHeap::~CountingHeap()
{
    t_counting = false;
}

long CountingHeap::Live() const
{
    return t_live;
}

void CountingHeap::Refuse(size_t bytes)
{
    t_refuseSize = bytes;
}

void* operator new(size_t size)
{
    if (t_counting && size == t_refuseSize)
        throw std::bad_alloc();
    void* block = ::HeapAlloc(::GetProcessHeap(), 0, size != 0 ? size : 1);
    if (block == nullptr)
        throw std::bad_alloc();
    std::memset(block, 0xCD, size);
    if (t_counting)
        ++t_live;
    return block;
}

void operator delete(void* block) noexcept
{
    if (block == nullptr)
        return;
    if (t_counting)
        --t_live;
    ::HeapFree(::GetProcessHeap(), 0, block);
}

void operator delete(void* block, size_t) noexcept
{
    operator delete(block);
}
