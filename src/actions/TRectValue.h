#pragma once
// A rectangle as its four edges, the form in which rectangle actions hold, record and read
// their value. Right and Bottom are the edges past the last column and row, as in a window's
// bounds: a window at (10, 20) of 300 x 200 is Left 10, Top 20, Right 310, Bottom 220. The
// preference stores keep the same four numbers (QRect: Right = left() + width()).
#include <QRect>

#include <algorithm>
#include <cstdint>

struct TRectValue
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool operator==(const TRectValue &) const = default;

    int Width() const { return Clamp(std::int64_t(Right) - Left); }
    int Height() const { return Clamp(std::int64_t(Bottom) - Top); }

    // The rectangle of these bounds: left() + width() == Right (sizes beyond int are cut).
    QRect toQRect() const { return QRect(Left, Top, Width(), Height()); }
    static TRectValue fromQRect(const QRect &r)
    {
        return {r.left(), r.top(), Clamp(std::int64_t(r.left()) + r.width()),
                Clamp(std::int64_t(r.top()) + r.height())};
    }

private:
    static int Clamp(std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }
};
