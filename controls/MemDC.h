#pragma once

#include "framework/Gdi.h"

#include <windows.h>

// Flicker-free drawing: everything drawn through this DC goes into an
// off-screen bitmap covering the target's clip box, in the target's own
// coordinates, and is copied onto the target in one step when the object ends.
// Over a printer the drawing goes straight to the target instead.
class CMemDC : public CDC
{
public:
    // Buffered unless pDC->IsPrinting().
    explicit CMemDC(CDC* pDC);
    // A raw target counts as printing when it is a raster printer or plotter.
    explicit CMemDC(HDC hdc);
    ~CMemDC() override;

    BOOL IsBuffered() const { return m_bBuffered; }

private:
    void Begin(CDC* pDC);

    CDC m_targetView; // wraps a raw target handle; borrowed, never deleted
    CBitmap m_bmpBuffer;
    HGDIOBJ m_pOldBitmap = nullptr;
    CDC* m_pTargetDC = nullptr;
    CRect m_rcArea;
    BOOL m_bBuffered = FALSE;
};
