#pragma once
// Where a DV frame lies within the second of its recording time. The recording time has whole
// seconds only and the time code's frame number is not in step with it (a tape's time code
// starts wherever the recording started), so the place is learned: two consecutive frames whose
// time codes follow each other and whose recording times differ by one second mark the first
// frame of a second. Any later frame of the same recording is then placed from its time code,
// and checked against its own recording time. Frames too far from the mark, of another
// recording, or before any mark has been seen have no known place.
//
// Not thread-safe: the sample notifier keeps one under its mutex (observed on the streaming
// thread, asked on the main thread).
#include "media/TframeData.h"

#include <cstdint>

class TDvSecondClock
{
public:
    // Time code frames a second: 25 (625/50) or 30 (525/60, whose seconds hold 29.97 frames).
    static int BaseOf(double fps) { return fps > 26 ? 30 : 25; }

    void Reset() { m_valid = false; }
    // cur is the frame that came right after prev in the stream.
    void Observe(const TframeData &prev, const TframeData &cur, int base);
    // The frame's number within its recording second (0 = the first), -1 when not known.
    int PlaceOf(const TframeData &frame, int base) const;

    static int64_t TimecodeFrames(const TframeData &f, int base);
    static int64_t DateSeconds(const TframeData &f);

private:
    bool m_valid = false;
    int m_base = 25;
    int64_t m_markFrames = 0;  // time code of the first frame of a second, in frames
    int64_t m_markSeconds = 0; // that second's recording time, seconds since 1899-12-30
};
