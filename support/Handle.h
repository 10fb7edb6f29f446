#pragma once

// Ownership of Win32 handles and GDI objects.
//
//   UniqueHandle<Traits>  one move-only owner for any handle kind; Traits says
//                         what "empty" is and how to release. Aliases below:
//     KernelHandle  (CloseHandle; NULL and INVALID_HANDLE_VALUE both empty)
//     FindHandle    (FindClose; INVALID_HANDLE_VALUE empty)
//     FontHandle, BitmapHandle, PenHandle (DeleteObject)
//     IconHandle (DestroyIcon), CursorHandle (DestroyCursor), MemDcHandle (DeleteDC)
//     ModuleHandle (FreeLibrary), ImageListHandle (ImageList_Destroy)
//     CoTaskMemHandle<T> (CoTaskMemFree: a T* the COM task allocator handed
//                   out, e.g. the item list of the shell's folder picker)
//
//   FontHandle font(CreateFontIndirectA(&lf));   // released when font ends
//   HFONT raw = font.get();  font.reset(other);  HFONT mine = font.release();
//
// Scoped helpers for the pairs that must be undone in the same scope:
//   ScopedGetDC dc(hwnd);                 GetDC / ReleaseDC        dc.get()
//   ScopedPaint paint(hwnd);              BeginPaint / EndPaint    paint.get(), paint.ps()
//   ScopedSelect sel(hdc, font.get());    SelectObject and restore on scope end
//
// A test (or a new handle kind) supplies its own Traits:
//   struct Traits { using Type = H; static bool IsEmpty(H); static void Release(H); };

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

template <typename Traits> class UniqueHandle
{
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type h) noexcept : m_h(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Type get() const noexcept { return m_h; }
    bool valid() const noexcept { return !Traits::IsEmpty(m_h); }
    explicit operator bool() const noexcept { return valid(); }

    // Gives up ownership without releasing.
    Type release() noexcept { return std::exchange(m_h, Empty()); }

    // Releases what is held (if anything) and takes h. Resetting to the
    // handle already held does nothing, so it is never released twice.
    void reset(Type h = Empty()) noexcept
    {
        if (h == m_h)
            return;
        Type old = std::exchange(m_h, h);
        if (!Traits::IsEmpty(old))
            Traits::Release(old);
    }

private:
    static Type Empty() noexcept { return Type{}; }
    Type m_h = Empty();
};

namespace HandleTraits
{
struct Kernel
{
    using Type = HANDLE;
    // CreateFile answers INVALID_HANDLE_VALUE, most other calls NULL.
    static bool IsEmpty(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void Release(HANDLE h) { ::CloseHandle(h); }
};

struct Find
{
    using Type = HANDLE;
    // FindFirstFile answers INVALID_HANDLE_VALUE on failure.
    static bool IsEmpty(HANDLE h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void Release(HANDLE h) { ::FindClose(h); }
};

template <typename H> struct GdiObject
{
    using Type = H;
    static bool IsEmpty(H h) { return h == nullptr; }
    static void Release(H h) { ::DeleteObject(h); }
};

struct Icon
{
    using Type = HICON;
    static bool IsEmpty(HICON h) { return h == nullptr; }
    static void Release(HICON h) { ::DestroyIcon(h); }
};

struct Cursor
{
    using Type = HCURSOR;
    static bool IsEmpty(HCURSOR h) { return h == nullptr; }
    static void Release(HCURSOR h) { ::DestroyCursor(h); }
};

struct MemDc
{
    using Type = HDC;
    static bool IsEmpty(HDC h) { return h == nullptr; }
    static void Release(HDC h) { ::DeleteDC(h); }
};

struct Module
{
    using Type = HMODULE;
    static bool IsEmpty(HMODULE h) { return h == nullptr; }
    static void Release(HMODULE h) { ::FreeLibrary(h); }
};

struct ImageList
{
    using Type = HIMAGELIST;
    static bool IsEmpty(HIMAGELIST h) { return h == nullptr; }
    static void Release(HIMAGELIST h) { ::ImageList_Destroy(h); }
};

template <typename T> struct CoTaskMem
{
    using Type = T*;
    static bool IsEmpty(T* p) { return p == nullptr; }
    static void Release(T* p) { ::CoTaskMemFree(p); }
};
} // namespace HandleTraits

using KernelHandle = UniqueHandle<HandleTraits::Kernel>;
using FindHandle = UniqueHandle<HandleTraits::Find>;
using FontHandle = UniqueHandle<HandleTraits::GdiObject<HFONT>>;
using BitmapHandle = UniqueHandle<HandleTraits::GdiObject<HBITMAP>>;
using PenHandle = UniqueHandle<HandleTraits::GdiObject<HPEN>>;
using IconHandle = UniqueHandle<HandleTraits::Icon>;
using CursorHandle = UniqueHandle<HandleTraits::Cursor>;
using MemDcHandle = UniqueHandle<HandleTraits::MemDc>;
using ModuleHandle = UniqueHandle<HandleTraits::Module>;
using ImageListHandle = UniqueHandle<HandleTraits::ImageList>;
template <typename T> using CoTaskMemHandle = UniqueHandle<HandleTraits::CoTaskMem<T>>;

// GetDC/ReleaseDC. hwnd NULL gives the screen's device context.
class ScopedGetDC
{
public:
    explicit ScopedGetDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~ScopedGetDC()
    {
        if (m_hdc)
            ::ReleaseDC(m_hwnd, m_hdc);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;

    HDC get() const noexcept { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// BeginPaint/EndPaint for a WM_PAINT handler.
class ScopedPaint
{
public:
    explicit ScopedPaint(HWND hwnd) noexcept : m_hwnd(hwnd), m_ps{} { ::BeginPaint(hwnd, &m_ps); }
    ~ScopedPaint() { ::EndPaint(m_hwnd, &m_ps); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;

    HDC get() const noexcept { return m_ps.hdc; }
    const PAINTSTRUCT& ps() const noexcept { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps;
};

// Selects an object into a DC and puts the previous one back at scope end,
// so the object can be deleted afterwards (a selected object cannot be).
class ScopedSelect
{
public:
    ScopedSelect(HDC hdc, HGDIOBJ obj) noexcept
        : m_hdc(hdc), m_old(obj ? ::SelectObject(hdc, obj) : nullptr)
    {
    }
    ~ScopedSelect()
    {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_hdc, m_old);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

    HGDIOBJ previous() const noexcept { return m_old; }

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};
