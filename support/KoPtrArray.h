#pragma once

// Growable arrays of pointers. KoPtrArray<T*> only holds the pointers;
// KoPtrAutoArray<T*> owns the objects and deletes them, front first, when
// they leave the array. Null elements are counted but never deleted.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include <windows.h>

// The capacity a full array grows to when it must hold newSize elements.
// growBy above 0 is a fixed step; otherwise the step is an eighth of the
// count, between 4 and 1024. Computed in 64 bits and capped at the largest
// 32-bit count, so it never wraps below newSize.
inline std::uint64_t KoPtrArrayGrowCapacity(UINT maxSize, UINT size, UINT newSize, int growBy)
{
    UINT step = 0;
    if (growBy > 0)
    {
        step = static_cast<UINT>(growBy);
    }
    else
    {
        step = size / 8;
        if (step < 4)
        {
            step = 4;
        }
        else if (step > 1024)
        {
            step = 1024;
        }
    }
    std::uint64_t capacity = static_cast<std::uint64_t>(maxSize) + step;
    if (capacity < newSize)
    {
        capacity = newSize;
    }
    if (capacity > UINT_MAX)
    {
        capacity = UINT_MAX;
    }
    return capacity;
}

template <class T> class KoPtrArray;
template <class T> class KoPtrAutoArray;

template <class T> class KoPtrArray<T*>
{
public:
    KoPtrArray() = default;
    KoPtrArray(const KoPtrArray&) = delete;
    KoPtrArray& operator=(const KoPtrArray&) = delete;
    virtual ~KoPtrArray() { FreeBlock(); }

    UINT GetSize() const { return m_nSize; }
    UINT GetMaxSize() const { return m_nMaxSize; }
    T* const* GetData() const { return m_pData; }

    // Index checks are the caller's duty.
    T* GetAt(UINT index) const { return m_pData[index]; }
    T*& operator[](UINT index) { return m_pData[index]; }
    T* operator[](UINT index) const { return m_pData[index]; }

    // Resizes without deleting elements. growBy -1 keeps the stored step; a
    // step of 0 (or below) grows by an eighth of the count, between 4 and
    // 1024 slots. A block that cannot be sized throws std::bad_alloc and
    // leaves the array as it was.
    void SetSize(UINT newSize, int growBy = -1)
    {
        if (growBy != -1)
        {
            m_nGrowBy = growBy;
        }
        if (newSize == 0)
        {
            FreeBlock();
            m_nSize = 0;
            m_nMaxSize = 0;
            return;
        }
        if (m_pData == nullptr)
        {
            m_pData = AllocateBlock(newSize);
            for (UINT i = 0; i < newSize; ++i)
            {
                m_pData[i] = nullptr;
            }
            m_nSize = newSize;
            m_nMaxSize = newSize;
            return;
        }
        if (newSize <= m_nMaxSize)
        {
            for (UINT i = m_nSize; i < newSize; ++i)
            {
                m_pData[i] = nullptr;
            }
            m_nSize = newSize;
            return;
        }

        const std::uint64_t capacity =
            KoPtrArrayGrowCapacity(m_nMaxSize, m_nSize, newSize, m_nGrowBy);
        T** block = AllocateBlock(capacity);
        if (m_nSize != 0)
        {
            std::memcpy(block, m_pData, static_cast<size_t>(m_nSize) * sizeof(T*));
        }
        for (UINT i = m_nSize; i < newSize; ++i)
        {
            block[i] = nullptr;
        }
        ::operator delete(m_pData);
        m_pData = block;
        m_nMaxSize = static_cast<UINT>(capacity);
        m_nSize = newSize;
    }

    // Appends one element. A full array (UINT_MAX elements) throws std::bad_alloc.
    void Add(T* element)
    {
        const UINT index = m_nSize;
        if (index == UINT_MAX)
        {
            throw std::bad_alloc();
        }
        SetSize(index + 1);
        m_pData[index] = element;
    }

protected:
    // Takes element `index` out, moving the later ones down; answers it.
    T* Detach(UINT index)
    {
        T* element = m_pData[index];
        const UINT after = m_nSize - index - 1;
        if (after != 0)
        {
            std::memmove(m_pData + index, m_pData + index + 1,
                         static_cast<size_t>(after) * sizeof(T*));
        }
        --m_nSize;
        return element;
    }

    T** m_pData = nullptr;
    UINT m_nSize = 0;
    UINT m_nMaxSize = 0;
    int m_nGrowBy = 0;

private:
    static T** AllocateBlock(std::uint64_t slots)
    {
        // On a 32-bit build slots * sizeof(T*) can exceed the address space.
        if (slots > SIZE_MAX / sizeof(T*))
        {
            throw std::bad_alloc();
        }
        return static_cast<T**>(::operator new(static_cast<size_t>(slots) * sizeof(T*)));
    }

    void FreeBlock()
    {
        ::operator delete(m_pData);
        m_pData = nullptr;
    }
};

template <class T> class KoPtrAutoArray<T*> : public KoPtrArray<T*>
{
public:
    KoPtrAutoArray() = default;
    ~KoPtrAutoArray() override { RemoveAll(); }

    // Deletes element `index`; an index at or past the count does nothing.
    // The block keeps its size.
    void RemoveAt(UINT index)
    {
        if (index >= this->m_nSize)
        {
            return;
        }
        // Out of the array before its destructor runs, so a destructor that
        // looks at the array sees it without this element.
        delete this->Detach(index);
    }

    // Deletes every element, oldest first. The block stays allocated.
    void RemoveAll()
    {
        while (this->m_nSize != 0)
        {
            delete this->Detach(0);
        }
    }
};
