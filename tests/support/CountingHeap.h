#pragma once

// The support tests' global operator new and delete: every block is filled
// with 0xCD when it is handed out, so a slot left unset never reads as null,
// and while a CountingHeap lives on a thread that thread's blocks are counted
// and blocks of one size can be refused.

#include <cstddef>

class CountingHeap
{
public:
    CountingHeap();
    ~CountingHeap();
    CountingHeap(const CountingHeap&) = delete;
    CountingHeap& operator=(const CountingHeap&) = delete;

    // Blocks this thread allocated and has not freed since the object was made.
    long Live() const;
    // Allocations of exactly this many bytes throw std::bad_alloc from now on.
    void Refuse(size_t bytes);
};
