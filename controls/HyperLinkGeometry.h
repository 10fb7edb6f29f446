#pragma once

#include <windows.h>

// The rectangle a link label shrinks to around a text of `text` size, given its
// window rectangle and static-control style: centred vertically when the style
// has SS_CENTERIMAGE, else top-aligned; centred horizontally for SS_CENTER,
// right-aligned for SS_RIGHT, else left-aligned. Halved differences truncate
// towards zero.
inline RECT FitRectToText(RECT rc, SIZE text, LONG style)
{
    if ((style & SS_CENTERIMAGE) != 0)
    {
        const LONG dy = ((rc.bottom - rc.top) - text.cy) / 2;
        rc.top += dy;
        rc.bottom -= dy;
    }
    else
    {
        rc.bottom = rc.top + text.cy;
    }

    if ((style & SS_CENTER) != 0)
    {
        const LONG dx = ((rc.right - rc.left) - text.cx) / 2;
        rc.left += dx;
        rc.right -= dx;
    }
    else if ((style & SS_RIGHT) != 0)
    {
        rc.left = rc.right - text.cx;
    }
    else
    {
        rc.right = rc.left + text.cx;
    }
    return rc;
}
