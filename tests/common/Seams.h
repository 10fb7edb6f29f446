#pragma once

// The one way the tests replace what the program asks of the system: every
// seam entry replaced through a SeamOverrides gets its previous value back
// when the object goes, the last replaced first. Replace entries only while
// no worker of the program runs.

#include <functional>
#include <vector>

class SeamOverrides
{
public:
    SeamOverrides() = default;
    SeamOverrides(const SeamOverrides&) = delete;
    SeamOverrides& operator=(const SeamOverrides&) = delete;
    ~SeamOverrides() { Restore(); }

    // An entry of a seam table (a function pointer or a bound).
    template <class T, class U> void Set(T& entry, U value)
    {
        const T saved = entry;
        m_undo.push_back([&entry, saved]() { entry = saved; });
        entry = value;
    }

    // A seam behind a setter that answers the previous value.
    template <class T, class U> void SetThrough(T (*setter)(T), U value)
    {
        const T saved = setter(value);
        m_undo.push_back([setter, saved]() { setter(saved); });
    }

    // Puts every entry back now, the last replaced first.
    void Restore()
    {
        while (!m_undo.empty())
        {
            m_undo.back()();
            m_undo.pop_back();
        }
    }

private:
    std::vector<std::function<void()>> m_undo;
};
