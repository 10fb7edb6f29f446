#include "framework/Gdi.h"

BOOL CFont::CreateFontIndirect(const LOGFONTA* plf)
{
    m_font.reset(::CreateFontIndirectA(plf));
    return m_font.valid();
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    m_bitmap.reset(::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight));
    return m_bitmap.valid();
}

void CDC::Attach(HDC hdc) noexcept
{
    m_ownDC.reset();
    m_hDC = hdc;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    m_ownDC.reset(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr));
    m_hDC = m_ownDC.get();
    return m_ownDC.valid();
}

void CDC::DeleteDC() noexcept
{
    if (m_hDC == m_ownDC.get())
        m_hDC = nullptr;
    m_ownDC.reset();
}

BOOL CDC::BitBlt(int x, int y, int w, int h, CDC* pSrc, int xSrc, int ySrc, DWORD rop)
{
    return ::BitBlt(m_hDC, x, y, w, h, pSrc ? pSrc->m_hDC : nullptr, xSrc, ySrc, rop);
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

BOOL CImageList::DeleteImageList() noexcept
{
    if (!m_list)
        return FALSE;
    m_list.reset();
    return TRUE;
}
