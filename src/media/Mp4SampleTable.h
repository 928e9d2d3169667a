#pragma once
// The nominal frame duration of a variable-frame-rate video in an ISO base media file (MP4, MOV,
// M4V, 3GP). A phone records on a fixed grid (30 fps, say) and leaves slots empty when it falls
// behind; the demuxer then reports the average rate, a grid no frame sits on. The video track's
// sample durations (its 'stts' table) tell the grid: the duration most samples have, the others
// being whole multiples of it (the empty slots), with a recorder's jitter of a few ticks.
//
// Pure reading of the file, any thread; the moov box is read whole (a few MB at most for hours
// of video), wherever it lies in the file.
#include <QString>

#include <cstdint>
#include <vector>

struct TSampleDurations
{
    int64_t Timescale = 0;                         // ticks per second of the track
    std::vector<std::pair<int64_t, int64_t>> Runs; // (sample count, duration in ticks), in order
    // The sync samples ('stss', numbered from 1); without the table every sample is one.
    bool HasSyncTable = false;
    std::vector<uint32_t> SyncSamples;
    // Composition offsets ('ctts': sample count, offset in ticks), empty when presentation
    // and decoding times agree.
    std::vector<std::pair<int64_t, int64_t>> CompositionRuns;
    // Media time of the track's first edit that shows media ('elst'), -1 without one.
    int64_t EditMediaTime = -1;
};

// The first video track's sample durations; false when the file is no ISO media file or has no
// video track with a time-to-sample table.
bool Mp4VideoSampleDurations(const QString &path, TSampleDurations &out);
// The nominal frame duration (100-ns units) of durations that vary, 0 when every sample lasts
// the same (the demuxer's rate is then exact) or when there is no grid they fit.
int64_t NominalFrameDuration(const TSampleDurations &d);
// The presentation times (100-ns units) of the key frames, counted from the first frame shown
// (the first edit's media time, else the earliest presentation time), in order; empty when
// every sample is a key frame or the tables disagree. The seeks use it to tell whether a
// target lies in the group of pictures already being decoded.
std::vector<int64_t> KeyFrameTimes(const TSampleDurations &d);
