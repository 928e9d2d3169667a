#include "media/TDvSecondClock.h"

#include <cmath>
#include <cstdlib>

namespace {

// How far from the mark a place is trusted, in seconds. 525/60 time code counts 30 frames in
// 1.001 s, so its places drift by a frame every 33 s; 625/50 time code keeps real time.
int WindowSeconds(int base)
{
    return base == 30 ? 10 : 600;
}

bool Usable(const TframeData &f)
{
    return f.DateValid && f.TimecodeValid;
}

} // namespace

int64_t TDvSecondClock::TimecodeFrames(const TframeData &f, int base)
{
    return ((int64_t(f.TcHours) * 60 + f.TcMinutes) * 60 + f.TcSeconds) * base + f.TcFrames;
}

int64_t TDvSecondClock::DateSeconds(const TframeData &f)
{
    return std::llround(f.RecDate * 86400.0);
}

void TDvSecondClock::Observe(const TframeData &prev, const TframeData &cur, int base)
{
    if (!Usable(prev) || !Usable(cur))
        return;
    if (TimecodeFrames(cur, base) != TimecodeFrames(prev, base) + 1)
        return;
    if (DateSeconds(cur) != DateSeconds(prev) + 1)
        return;
    m_valid = true;
    m_base = base;
    m_markFrames = TimecodeFrames(cur, base);
    m_markSeconds = DateSeconds(cur);
}

int TDvSecondClock::PlaceOf(const TframeData &frame, int base) const
{
    if (!m_valid || base != m_base || !Usable(frame))
        return -1;
    const int64_t delta = TimecodeFrames(frame, base) - m_markFrames;
    if (std::llabs(delta) > int64_t(WindowSeconds(base)) * base)
        return -1;
    // Floor division: a frame before the mark belongs to an earlier second.
    int64_t seconds = delta / base;
    if (delta % base < 0)
        --seconds;
    if (DateSeconds(frame) != m_markSeconds + seconds)
        return -1; // another recording, or a clock that jumped
    return int(delta - seconds * base);
}
