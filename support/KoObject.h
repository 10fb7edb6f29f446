#pragma once

// Base object and list row item. An item carries two texts and an image
// index; a list view shows them through callbacks, never holding copies.

#include <windows.h>
#include <commctrl.h>

#include "support/CString.h"

class KoObject
{
public:
    KoObject() = default;
    virtual ~KoObject();

    virtual void SetTag(int tag) { m_nTag = tag; }
    virtual int GetImage() { return m_nImage; }
    virtual void SetImage(int image) { m_nImage = image; }
    // Kept for derived classes; they answer 0 here.
    virtual int Reserved1() { return 0; }
    virtual int Reserved2() { return 0; }

    int m_nTag = 0;
    CString m_strText;  // column 0 of a list
    CString m_strText2; // column 1 of a list
    int m_nImage = -1;  // index into the list's image list; -1 until set
};

class KoListComboItem : public KoObject
{
public:
    // Answers a list view's request for this row (LVN_GETDISPINFO): the text
    // of subitem 0 or 1 as a pointer into this item (valid while the item
    // lives and its texts stay unchanged) and the image from GetImage().
    // Subitems 2 and above keep the request's text. A null request gives FALSE.
    virtual BOOL GetDispInfo(LVITEMA* pItem);

    int m_nRow = -1; // row index set by the list control; -1 when it has none
};
