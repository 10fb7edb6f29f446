#pragma once

#include <windows.h>

// Flicker-free drawing: everything drawn through this object goes into an
// off-screen bitmap covering the target's clip box, in the target's own
// coordinates, and is copied onto the target in one step when the object ends.
// Over a printer the drawing goes straight to the target instead.
class CMemDC
{
public:
    // Printing is detected from the target's technology (raster printer or
    // plotter).
    explicit CMemDC(HDC target);
    CMemDC(HDC target, BOOL printing);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL IsBuffered() const { return m_bBuffered; }
    const RECT& GetArea() const { return m_rcArea; }

private:
    HDC m_hDC = nullptr;           // where callers draw: own memory DC or the target
    HBITMAP m_bmpBuffer = nullptr; // the off-screen bitmap (owned)
    HGDIOBJ m_pOldBitmap = nullptr;
    HDC m_pTargetDC = nullptr; // borrowed
    RECT m_rcArea = {0, 0, 0, 0};
    BOOL m_bBuffered = FALSE;
};
