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

// Where a text of `text` size starts inside `client` for a static control's
// style: centred vertically for SS_CENTERIMAGE, else at the top; centred,
// right-aligned or left-aligned as FitRectToText places the control.
inline POINT TextOrigin(const RECT& client, SIZE text, LONG style)
{
    POINT at = {client.left, client.top};
    if ((style & SS_CENTERIMAGE) != 0)
        at.y += ((client.bottom - client.top) - text.cy) / 2;
    if ((style & SS_CENTER) != 0)
        at.x += ((client.right - client.left) - text.cx) / 2;
    else if ((style & SS_RIGHT) != 0)
        at.x = client.right - text.cx;
    return at;
}
