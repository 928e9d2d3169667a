#pragma once
// The DV values handed to the video overlay for one frame.
#include <QString>

struct TIncrustDV
{
    bool DateValid = false;
    bool TimecodeValid = false;
    double RecDate = 0; // days since 30 December 1899
    QString TimecodeStr;

    bool operator==(const TIncrustDV &) const = default;
};
