#include "framework/Gdi.h"

BOOL CFont::CreateFontIndirect(const LOGFONTA* plf)
{
    m_font.reset(::CreateFontIndirectA(plf));
    return m_font.valid();
}

BOOL CFont::GetLogFont(LOGFONTA* plf) const
{
    return m_font && ::GetObjectA(m_font.get(), sizeof(LOGFONTA), plf) != 0;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    m_bitmap.reset(::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight));
    return m_bitmap.valid();
}

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitsPerPixel,
                           const void* pBits)
{
    m_bitmap.reset(::CreateBitmap(nWidth, nHeight, nPlanes, nBitsPerPixel, pBits));
    return m_bitmap.valid();
}

int CBitmap::GetBitmap(BITMAP* pBitmap) const
{
    return m_bitmap ? ::GetObjectA(m_bitmap.get(), sizeof(BITMAP), pBitmap) : 0;
}

void CDC::Attach(HDC hdc) noexcept
{
    m_ownDC.reset();
    m_hDC = hdc;
    m_hAttribDC = hdc;
}

HDC CDC::Detach() noexcept
{
    // An owned DC handed out this way becomes the caller's to delete.
    m_ownDC.release();
    HDC hdc = m_hDC;
    m_hDC = nullptr;
    m_hAttribDC = nullptr;
    return hdc;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    m_ownDC.reset(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr));
    m_hDC = m_ownDC.get();
    m_hAttribDC = m_hDC;
    return m_ownDC.valid();
}

void CDC::DeleteDC() noexcept
{
    if (m_hDC == m_ownDC.get())
    {
        m_hDC = nullptr;
        m_hAttribDC = nullptr;
    }
    m_ownDC.reset();
}

CPoint CDC::SetWindowOrg(int x, int y)
{
    POINT old{0, 0};
    ::SetWindowOrgEx(m_hDC, x, y, &old);
    return CPoint(old);
}

BOOL CDC::BitBlt(int x, int y, int w, int h, CDC* pSrc, int xSrc, int ySrc, DWORD rop)
{
    return ::BitBlt(m_hDC, x, y, w, h, pSrc ? pSrc->m_hDC : nullptr, xSrc, ySrc, rop);
}

void CDC::FillSolidRect(LPCRECT rc, COLORREF cr)
{
    // ExtTextOut with ETO_OPAQUE fills with the background colour without
    // needing a brush object.
    const COLORREF old = ::SetBkColor(m_hDC, cr);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, rc, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

int CDC::DrawText(const char* text, int count, LPRECT rc, UINT format)
{
    return ::DrawTextA(m_hDC, text, count, rc, format);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT old{0, 0};
    ::MoveToEx(m_hDC, x, y, &old);
    return CPoint(old);
}

CSize CDC::GetTextExtent(const char* text, int count) const
{
    SIZE size{0, 0};
    ::GetTextExtentPoint32A(m_hAttribDC ? m_hAttribDC : m_hDC, text, count, &size);
    return CSize(size);
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow)
{
    m_list.reset(::ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
    return m_list.valid();
}

int CImageList::Add(HICON hIcon)
{
    return m_list ? ::ImageList_AddIcon(m_list.get(), hIcon) : -1;
}

int CImageList::GetImageCount() const
{
    return m_list ? ::ImageList_GetImageCount(m_list.get()) : 0;
}

BOOL CImageList::DeleteImageList() noexcept
{
    if (!m_list)
        return FALSE;
    m_list.reset();
    return TRUE;
}
