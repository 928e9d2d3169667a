#include "media/FrameGrid.h"

#include <algorithm>
#include <cmath>

namespace {

// Floor division of 128-bit values by a positive divisor.
int64_t floorDiv(__int128 a, __int128 b)
{
    __int128 q = a / b;
    if (a % b != 0 && a < 0)
        --q;
    return int64_t(q);
}

} // namespace

TFrameGrid::TFrameGrid(int64_t d)
{
    m_duration = std::max<int64_t>(d, 1);
    m_p = m_duration;
    m_q = 1;
    // A whole number of frames per second (30 fps lasts 333,333.33 units), then m frames per
    // 1.001 s (m * 1000 / 1001 fps): the rate whose rounded duration is d.
    for (const int64_t span : {int64_t(10000000), int64_t(10010000)}) {
        const int64_t m = std::llround(double(span) / double(m_duration));
        if (m >= 1 && m <= 1000 && std::llround(double(span) / double(m)) == m_duration) {
            m_p = span;
            m_q = m;
            return;
        }
    }
}

int64_t TFrameGrid::TimeOf(int64_t k) const
{
    return floorDiv(__int128(k) * m_p, m_q);
}

namespace {

// round(num / den) for den > 0, an exact half rounding down.
int64_t nearest(__int128 num, __int128 den)
{
    int64_t k = floorDiv(num, den);
    const __int128 r = num - __int128(k) * den; // 0 .. den - 1
    if (2 * r > den)
        ++k;
    return k;
}

} // namespace

int64_t TFrameGrid::IndexAt(int64_t t) const
{
    return nearest(__int128(t) * m_q, m_p);
}

int64_t TFrameGrid::IndexAtNs(int64_t ns) const
{
    return nearest(__int128(ns) * m_q, __int128(m_p) * 100);
}

int64_t TFrameGrid::IndexOfBuffer(int64_t startNs, int64_t durationNs) const
{
    // Without a duration the start alone tells, rounded: stamps lie a little before the exact start.
    if (durationNs <= 0)
        return IndexAtNs(startNs);
    // Half a frame after the start, or half a frame before the end when that comes first: a
    // whole frame is told by its middle, a remnant cut short by a seek by where it ends (even
    // when stamps rounded to the millisecond make it overlap the next frame's exact start), a
    // buffer longer than a frame (a variable rate's frame standing for empty slots of the grid)
    // by where it starts.
    const __int128 halfFrameNs = __int128(m_p) * 50 / m_q;
    const __int128 mid =
        std::min<__int128>(__int128(startNs) + halfFrameNs, __int128(startNs) + durationNs - halfFrameNs);
    return floorDiv(mid * m_q, __int128(m_p) * 100);
}
