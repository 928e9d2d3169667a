#pragma once
// Conversions between a media time (100-ns units) and the "H:MM:SS:FF" position text.
#include <QString>
#include <cstdint>

struct TDvTimecode;

// "%d:%.2d:%.2d:%.2d" of hours (not wrapped at 24), minutes, seconds and frame number for media time t
// with frame duration d (d <= 0 counts as 1 ms); the frame number is the nearest frame of the grid
// of d since the second began. A remainder within half a frame of the next second rounds up to
// that second.
QString TimecodeText(int64_t t, int64_t d);
// Reads back "H:MM:SS:FF" (any number of hour digits) with frame duration d; parts that are not
// numbers count as 0. The frames count on the frame grid of d (media/FrameGrid.h); the time
// lies within a frame of the named one, which TFrameGrid::Snap finds.
int64_t TimecodeToTime(const QString &text, int64_t d);
// "%d:%.2d:%.2d:%.2d" of a DV frame's time code.
QString DvTimecodeText(const TDvTimecode &tc);
