#pragma once
// The frame grid of a video: the one rule that maps a frame index to a media time (100-ns
// units), a time to a frame index, and a decoded buffer's time (nanoseconds) to the frame it
// holds. Positions, seek targets, steps and the position texts all go through it.
//
// The grid is built from the frame duration the program passes around (100-ns units, rounded
// to the nearest unit). Many rates have no whole duration in 100-ns units: 30 fps (333,333.33)
// and the NTSC family 24000/1001, 30000/1001 (333,666.67), 60000/1001, ... A duration that
// rounds from a whole number of frames per second, or else from m frames per 1.001 s, is taken
// as that exact rate, so frame k of a 29.97 fps video starts at k * 1001 / 30000 s and not at
// k * 333,667 units (which drifts by a third of a unit a frame). Any other duration is taken
// as it is.
//
// Frame k's time is its exact start rounded down to 100 ns. GStreamer's time stamp of the frame
// is the same start rounded down to the nanosecond, so a seek to the frame's time never lands
// after the frame (dvdemux behind avidemux starts at the first frame at or after the target)
// and never more than 100 ns into the frame before, whose clipped remnant the buffer rule below
// still gives to the earlier frame.
//
// Plain value type, any thread.
#include <cstdint>

class TFrameGrid
{
public:
    // d: the frame duration in 100-ns units; values below 1 count as 1.
    explicit TFrameGrid(int64_t d);

    // The frame duration as reported (rounded to 100 ns).
    int64_t Duration() const { return m_duration; }
    // The start of frame k, rounded down to 100 ns (negative k before the origin).
    int64_t TimeOf(int64_t k) const;
    // The frame whose start lies nearest t (an exact half goes to the earlier frame).
    int64_t IndexAt(int64_t t) const;
    // The same for a time in nanoseconds.
    int64_t IndexAtNs(int64_t ns) const;
    // t moved to the start of the nearest frame.
    int64_t Snap(int64_t t) const { return TimeOf(IndexAt(t)); }
    // The frame a decoded buffer holds: the one whose span holds the middle of the buffer
    // [startNs, startNs + durationNs) (nanoseconds from the origin). A buffer cut short by a
    // seek's segment keeps only the end of its frame and still counts as that frame. A buffer
    // longer than a frame (variable rate: its frame stands for the empty slots after it) is the
    // frame it starts on. Without a duration (0) it is IndexAtNs(startNs).
    int64_t IndexOfBuffer(int64_t startNs, int64_t durationNs) const;

private:
    int64_t m_duration = 1;
    // A frame lasts m_p / m_q units of 100 ns.
    int64_t m_p = 1;
    int64_t m_q = 1;
};
