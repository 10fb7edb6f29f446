#pragma once

// Message boxes recorded instead of shown: while a RecordedBoxes lives,
// AfxMessageBox notes every box in Shown() and answers `answer` at once.

#include <string>
#include <vector>

#include "common/Seams.h"
#include "framework/WinApp.h"

struct ShownBox
{
    HWND owner;
    std::string text, caption;
    UINT type;
};

class RecordedBoxes
{
public:
    explicit RecordedBoxes(int answer = IDOK)
    {
        static int s_answer;
        s_answer = answer;
        Shown().clear();
        m_seams.SetThrough(&AfxSetMessageBoxFunc,
                           [](HWND owner, const char* text, const char* caption, UINT type)
                           {
                               Shown().push_back({owner, text, caption, type});
                               return s_answer;
                           });
    }
    static std::vector<ShownBox>& Shown()
    {
        static std::vector<ShownBox> boxes;
        return boxes;
    }

private:
    SeamOverrides m_seams;
};
