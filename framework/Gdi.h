#pragma once

// The drawing helpers the controls use.
//
//   CRect rc; GetClientRect(&rc); rc.Width(); rc.Height();
//   CDC dc;  dc.Attach(hdc)            borrows a DC (never deleted by CDC)
//            dc.CreateCompatibleDC(&o) owns a memory DC (DeleteDC at the end)
//            dc.m_hDC / m_bPrinting are public, so a derived off-screen DC
//            can borrow a target's handle and drop it again.
//   CFont / CBitmap own one GDI object each (DeleteObject at the end).
//   CImageList owns an image list (ImageList_Destroy at the end).
// For anything else call GDI directly on dc.m_hDC.

#include "support/Handle.h"

#include <windows.h>
#include <commctrl.h>

class CRect : public RECT
{
public:
    CRect() noexcept : RECT{0, 0, 0, 0} {}

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
};

class CFont
{
public:
    CFont() = default;
    BOOL CreateFontIndirect(const LOGFONTA* plf);

    HFONT GetSafeHandle() const noexcept { return m_font.get(); }

private:
    FontHandle m_font;
};

class CDC;

class CBitmap
{
public:
    CBitmap() = default;
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);

    HBITMAP GetSafeHandle() const noexcept { return m_bitmap.get(); }

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
    // Owned: deleted by DeleteDC or at the end of this object.
    BOOL CreateCompatibleDC(CDC* pDC);
    void DeleteDC() noexcept;

    operator HDC() const noexcept { return m_hDC; }
    BOOL IsPrinting() const noexcept { return m_bPrinting; }

    HGDIOBJ SelectObject(HGDIOBJ obj) { return ::SelectObject(m_hDC, obj); }
    HGDIOBJ SelectObject(CBitmap* pBmp) { return ::SelectObject(m_hDC, pBmp->GetSafeHandle()); }
    int GetClipBox(LPRECT rc) const { return ::GetClipBox(m_hDC, rc); }
    void SetWindowOrg(int x, int y) { ::SetWindowOrgEx(m_hDC, x, y, nullptr); }
    BOOL BitBlt(int x, int y, int w, int h, CDC* pSrc, int xSrc, int ySrc, DWORD rop);

    HDC m_hDC = nullptr;
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
    BOOL DeleteImageList() noexcept;

    operator HIMAGELIST() const noexcept { return m_list.get(); }

private:
    ImageListHandle m_list;
};
