#include "support/KoFormat.h"

#include <cstdio>

void AddBackslash(CString& path)
{
    const int length = path.GetLength();
    if (length > 1 && path[length - 1] != '\\')
    {
        path += '\\';
    }
}

void FormatBytes(CString& out, LONGLONG bytes)
{
    out.Empty();
    const double v = static_cast<double>(bytes);

    // Decimal thresholds keep the shown number below 1000 of the unit in
    // most cases; the divisors are the binary units (exact powers of two).
    double value = v;
    const char* unit = " b";
    if (v > 999999999999.0)
    {
        value = v * (1.0 / 1099511627776.0);
        unit = " Tb";
    }
    else if (v > 999999999.0)
    {
        value = v * (1.0 / 1073741824.0);
        unit = " Gb";
    }
    else if (v > 999999.0)
    {
        value = v * (1.0 / 1048576.0);
        unit = " Mb";
    }
    else if (v > 999.0)
    {
        value = v * (1.0 / 1024.0);
        unit = " Kb";
    }

    // "%f" of the largest count (2^63 / 2^40) needs 14 characters.
    char text[64];
    std::snprintf(text, sizeof(text), "%f", value);
    // Cut to five characters: truncates, never rounds.
    text[5] = '\0';
    out = text;
    out += unit;
}
