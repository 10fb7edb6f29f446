#pragma once

// Small drawing helpers with the names the window code uses.
//
//   CRect rc; GetClientRect(hwnd, &rc); rc.Width(); rc.OffsetRect(1, 1);
//   CDC dc;  dc.Attach(hdc)            borrows a DC (never deleted by CDC)
//            dc.CreateCompatibleDC(&o) owns a memory DC (DeleteDC at the end)
//            dc.m_hDC / m_hAttribDC / m_bPrinting are public, so a derived
//            off-screen DC can borrow a target's handles and drop them again.
//   CFont / CBitmap own one GDI object each (DeleteObject at the end);
//            Attach takes ownership, Detach gives it up.
//   CImageList owns an image list (ImageList_Destroy at the end); Detach it
//            when a control is to destroy it instead.
// For anything else call GDI directly on dc.m_hDC.

#include "support/Handle.h"

#include <windows.h>
#include <commctrl.h>

class CPoint : public POINT
{
public:
    CPoint() noexcept : POINT{0, 0} {}
    CPoint(int px, int py) noexcept : POINT{px, py} {}
    CPoint(POINT pt) noexcept : POINT(pt) {}
};

class CSize : public SIZE
{
public:
    CSize() noexcept : SIZE{0, 0} {}
    CSize(int cx_, int cy_) noexcept : SIZE{cx_, cy_} {}
    CSize(SIZE sz) noexcept : SIZE(sz) {}
};

class CRect : public RECT
{
public:
    CRect() noexcept : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) noexcept : RECT{l, t, r, b} {}
    CRect(const RECT& rc) noexcept : RECT(rc) {}

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    CPoint TopLeft() const noexcept { return CPoint(left, top); }
    CPoint BottomRight() const noexcept { return CPoint(right, bottom); }
    BOOL IsRectEmpty() const noexcept { return ::IsRectEmpty(this); }

    void SetRect(int l, int t, int r, int b) noexcept
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void OffsetRect(int dx, int dy) noexcept { ::OffsetRect(this, dx, dy); }
    void DeflateRect(int dx, int dy) noexcept { ::InflateRect(this, -dx, -dy); }
    void InflateRect(int dx, int dy) noexcept { ::InflateRect(this, dx, dy); }

    operator LPRECT() noexcept { return this; }
    operator LPCRECT() const noexcept { return this; }

    bool operator==(const RECT& rc) const noexcept { return ::EqualRect(this, &rc) != FALSE; }
    bool operator!=(const RECT& rc) const noexcept { return !(*this == rc); }
};

class CFont
{
public:
    CFont() = default;
    BOOL CreateFontIndirect(const LOGFONTA* plf);
    // Fills *plf from the font; answers FALSE when there is none.
    BOOL GetLogFont(LOGFONTA* plf) const;

    HFONT GetSafeHandle() const noexcept { return m_font.get(); }
    operator HFONT() const noexcept { return m_font.get(); }
    void Attach(HFONT h) noexcept { m_font.reset(h); }
    HFONT Detach() noexcept { return m_font.release(); }
    void DeleteObject() noexcept { m_font.reset(); }

private:
    FontHandle m_font;
};

class CDC;

class CBitmap
{
public:
    CBitmap() = default;
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitsPerPixel, const void* pBits);
    int GetBitmap(BITMAP* pBitmap) const;

    HBITMAP GetSafeHandle() const noexcept { return m_bitmap.get(); }
    operator HBITMAP() const noexcept { return m_bitmap.get(); }
    void Attach(HBITMAP h) noexcept { m_bitmap.reset(h); }
    HBITMAP Detach() noexcept { return m_bitmap.release(); }
    void DeleteObject() noexcept { m_bitmap.reset(); }

private:
    BitmapHandle m_bitmap;
};

class CDC
{
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Borrowed: the caller keeps ownership of hdc.
    void Attach(HDC hdc) noexcept;
    HDC Detach() noexcept;
    // Owned: deleted by DeleteDC or at the end of this object.
    BOOL CreateCompatibleDC(CDC* pDC);
    void DeleteDC() noexcept;

    HDC GetSafeHdc() const noexcept { return m_hDC; }
    operator HDC() const noexcept { return m_hDC; }
    BOOL IsPrinting() const noexcept { return m_bPrinting; }

    HGDIOBJ SelectObject(HGDIOBJ obj) { return ::SelectObject(m_hDC, obj); }
    HGDIOBJ SelectObject(CFont* pFont) { return ::SelectObject(m_hDC, pFont->GetSafeHandle()); }
    HGDIOBJ SelectObject(CBitmap* pBmp) { return ::SelectObject(m_hDC, pBmp->GetSafeHandle()); }
    int GetClipBox(LPRECT rc) const { return ::GetClipBox(m_hDC, rc); }
    CPoint SetWindowOrg(int x, int y);
    BOOL BitBlt(int x, int y, int w, int h, CDC* pSrc, int xSrc, int ySrc, DWORD rop);
    void FillSolidRect(LPCRECT rc, COLORREF cr);
    COLORREF SetTextColor(COLORREF cr) { return ::SetTextColor(m_hDC, cr); }
    COLORREF SetBkColor(COLORREF cr) { return ::SetBkColor(m_hDC, cr); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int DrawText(const char* text, int count, LPRECT rc, UINT format);
    CPoint MoveTo(int x, int y);
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    CSize GetTextExtent(const char* text, int count) const;

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
    BOOL m_bPrinting = FALSE;

private:
    MemDcHandle m_ownDC;
};

class CImageList
{
public:
    CImageList() = default;
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    // Index of the new image, or -1.
    int Add(HICON hIcon);
    int GetImageCount() const;
    BOOL DeleteImageList() noexcept;

    HIMAGELIST GetSafeHandle() const noexcept { return m_list.get(); }
    operator HIMAGELIST() const noexcept { return m_list.get(); }
    HIMAGELIST Detach() noexcept { return m_list.release(); }

private:
    ImageListHandle m_list;
};
