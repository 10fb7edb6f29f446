#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

// A 32-bit top-down DIB section selected into a memory DC: controls paint into
// it through WM_PRINTCLIENT or their paint routines, and tests read exact pixels.
class Canvas
{
public:
    Canvas(int width, int height) : m_width(width), m_height(height)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<std::uint32_t*>(bits);
        m_old = SelectObject(m_dc, m_bitmap);
    }
    // The client area of `window` as the window paints it over `background`.
    Canvas(HWND window, COLORREF background)
        : Canvas(ClientRect(window).right, ClientRect(window).bottom)
    {
        Fill(background);
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(m_dc), PRF_CLIENT);
    }
    ~Canvas()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Valid() const { return m_bits != nullptr; }
    // Every pixel as stored, alpha byte included, row by row from the top.
    std::uint32_t* Bits() const { return m_bits; }

    COLORREF At(int x, int y) const
    {
        GdiFlush();
        const std::uint32_t p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    void Fill(COLORREF colour) { Fill(m_dc, {0, 0, m_width, m_height}, colour); }
    // Fills `rc` of any DC with `colour`, leaving the DC's settings as they were.
    static void Fill(HDC dc, RECT rc, COLORREF colour)
    {
        const COLORREF old = SetBkColor(dc, colour);
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        SetBkColor(dc, old);
    }
    // Number of pixels in `area` for which `test` holds.
    int Count(const RECT& area, const std::function<bool(COLORREF)>& test) const
    {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                n += test(At(x, y)) ? 1 : 0;
        return n;
    }
    // Bounding box of the pixels for which `test` holds; empty when none does.
    RECT Bounds(const std::function<bool(COLORREF)>& test) const
    {
        RECT r = {m_width, m_height, 0, 0};
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (test(At(x, y)))
                {
                    r.left = x < r.left ? x : r.left;
                    r.top = y < r.top ? y : r.top;
                    r.right = x + 1 > r.right ? x + 1 : r.right;
                    r.bottom = y + 1 > r.bottom ? y + 1 : r.bottom;
                }
        if (r.right == 0)
            SetRectEmpty(&r);
        return r;
    }

private:
    static RECT ClientRect(HWND window)
    {
        RECT rc = {};
        GetClientRect(window, &rc);
        return rc;
    }

    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    std::uint32_t* m_bits = nullptr;
};
