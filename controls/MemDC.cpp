#include "controls/MemDC.h"

namespace
{
BOOL IsPrinterDC(HDC dc)
{
    const int technology = GetDeviceCaps(dc, TECHNOLOGY);
    return technology == DT_RASPRINTER || technology == DT_PLOTTER;
}
} // namespace

CMemDC::CMemDC(HDC target) : CMemDC(target, IsPrinterDC(target)) {}

CMemDC::CMemDC(HDC target, BOOL printing) : m_hDC(target), m_pTargetDC(target)
{
    if (printing || target == nullptr)
        return;
    GetClipBox(target, &m_rcArea);
    const int width = m_rcArea.right - m_rcArea.left;
    const int height = m_rcArea.bottom - m_rcArea.top;
    if (width <= 0 || height <= 0)
        return; // nothing visible: drawing straight costs nothing

    HDC memory = CreateCompatibleDC(target);
    if (memory == nullptr)
        return;
    m_bmpBuffer = CreateCompatibleBitmap(target, width, height);
    if (m_bmpBuffer == nullptr)
    {
        // Out of GDI memory: drawing straight into the target still draws.
        DeleteDC(memory);
        return;
    }
    m_pOldBitmap = SelectObject(memory, m_bmpBuffer);
    SetWindowOrgEx(memory, m_rcArea.left, m_rcArea.top, nullptr);
    m_hDC = memory;
    m_bBuffered = TRUE;
}

CMemDC::~CMemDC()
{
    if (!m_bBuffered)
        return; // the target's handle is only borrowed
    BitBlt(m_pTargetDC, m_rcArea.left, m_rcArea.top, m_rcArea.right - m_rcArea.left,
           m_rcArea.bottom - m_rcArea.top, m_hDC, m_rcArea.left, m_rcArea.top, SRCCOPY);
    SelectObject(m_hDC, m_pOldBitmap);
    DeleteObject(m_bmpBuffer);
    DeleteDC(m_hDC);
}
