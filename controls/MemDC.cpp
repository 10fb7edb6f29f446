#include "controls/MemDC.h"

CMemDC::CMemDC(CDC* pDC)
{
    Begin(pDC);
}

CMemDC::CMemDC(HDC hdc)
{
    m_targetView.Attach(hdc);
    const int technology = GetDeviceCaps(hdc, TECHNOLOGY);
    m_targetView.m_bPrinting = technology == DT_RASPRINTER || technology == DT_PLOTTER;
    Begin(&m_targetView);
}

void CMemDC::Begin(CDC* pDC)
{
    m_pTargetDC = pDC;
    m_bBuffered = !pDC->IsPrinting();
    if (m_bBuffered)
    {
        pDC->GetClipBox(&m_rcArea);
        // Nothing visible, or no GDI memory for the copy: drawing straight
        // into the target still draws, just without the buffer.
        if (m_rcArea.Width() > 0 && m_rcArea.Height() > 0 && CreateCompatibleDC(pDC) &&
            m_bmpBuffer.CreateCompatibleBitmap(pDC, m_rcArea.Width(), m_rcArea.Height()))
        {
            m_pOldBitmap = SelectObject(&m_bmpBuffer);
            SetWindowOrg(m_rcArea.left, m_rcArea.top);
            return;
        }
        DeleteDC();
        m_bBuffered = FALSE;
    }
    m_hDC = pDC->m_hDC;
    m_bPrinting = pDC->m_bPrinting;
}

CMemDC::~CMemDC()
{
    if (m_bBuffered)
    {
        m_pTargetDC->BitBlt(m_rcArea.left, m_rcArea.top, m_rcArea.Width(), m_rcArea.Height(), this,
                            m_rcArea.left, m_rcArea.top, SRCCOPY);
        SelectObject(m_pOldBitmap);
    }
    else
    {
        // Borrowed from the target: dropped, not deleted.
        m_hDC = nullptr;
    }
    // m_bmpBuffer and the own DC are freed by their owners after this.
}
