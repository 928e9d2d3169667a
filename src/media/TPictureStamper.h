#pragma once
// Display times from the pictures themselves, for the streams whose containers give none that
// can be trusted. The frames notifier names each frame after its time stamp and the decoder
// drops what lies before a seek's target by it, so a wrong stamp shows the wrong frame under
// the right name.
//
// - MPEG-4 Part 2 (XviD, DivX) in AVI: the container stores decode order with one time a chunk
//   and no presentation time, the chunks of B-frames packed two VOPs to a chunk or left empty,
//   and the decoder's guesses repeat or skip stamps. Every VOP header carries its own display
//   time (whole seconds since the previous reference plus ticks of the layer's resolution), so
//   each buffer gets the time of the VOP it makes the decoder start: its first coded VOP, or for
//   a placeholder the second VOP of the packed chunk before it. Buffers that start no picture
//   (not-coded VOPs with nothing pending) are dropped. The VOP clock is anchored at the start of
//   the file (its first VOP is frame 0) and, after a seek, the first VOP's second is the one
//   that puts it nearest the time the demuxer gave the chunk.
// - MPEG-1 and MPEG-2 video: program and transport streams give a time only to the first
//   picture that starts in a packet, and the parser's interpolation between them goes wrong
//   across B-frames. A picture without a time gets the time of a stamped picture of its group
//   moved by the difference of their temporal references (display ranks), or, before any of
//   its group has one, the time that follows the group before; pictures with a time keep it.
//
// Stamps go on buffers of streams that need them only: an MPEG-4 stream whose delta buffers
// carry a presentation time (MP4, Matroska) is left as it is.
//
// Threads: Attach and the returned probe's reset on the main thread; the probe's state lives
// with the probe and is used only by the streaming thread of the pad.
#include "media/PictureHeaders.h"
#include "media/gst/TGstHandles.h"

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

class TPictureStamper
{
public:
    enum class Codec { None, Mpeg4Part2, MpegVideo };
    // The codec of a stream's caps that this class stamps, None for the others.
    static Codec CodecOf(GstCaps *caps);
    // What the stampers of one stream share: the clock's anchor, learned from the file's first
    // VOP by the first of them. A decoder change puts a new stamper on the stream wherever it
    // stands; without the anchor it would take its first VOP for frame 0.
    struct TStreamClock
    {
        static constexpr int64_t kUnknown = INT64_MIN;
        std::atomic<int64_t> originTicks{kUnknown}; // written once, by a streaming thread
    };
    // Main thread: stamps the buffers that pass pad (a decoder's input) from now on; the probe
    // owns the stamper. Empty when the caps need no stamps. clock: the stream's, shared with
    // the stampers before and after this one (none: the stream starts here).
    static TGstProbe Attach(GstPad *pad, GstCaps *caps, std::shared_ptr<TStreamClock> clock = {});

    // framerate: the stream's (0/0 when unknown: MPEG video then keeps the parser's stamps).
    TPictureStamper(Codec codec, int fpsNum, int fpsDen, std::shared_ptr<TStreamClock> clock = {});

    enum class Verdict { Pass, Drop };
    // Streaming thread: sets the buffer's presentation time (the buffer may be replaced by a
    // writable copy).
    Verdict Stamp(GstBuffer *&buffer);
    // Streaming thread: a flush or a new segment; the next buffer starts afresh.
    void Restart();

private:
    Verdict stampMpeg4(GstBuffer *&buffer);
    Verdict stampMpegVideo(GstBuffer *&buffer);
    static void setPts(GstBuffer *&buffer, GstClockTime pts);

    Codec m_codec;
    int m_fpsNum;
    int m_fpsDen;
    std::shared_ptr<TStreamClock> m_clock;

    // MPEG-4 Part 2.
    TMpeg4Vol m_vol;
    bool m_haveVol = false;
    bool m_decided = false;           // whether the stream's delta buffers come without a time
    bool m_stamping = false;          // they do: every buffer is stamped
    bool m_anchored = false;          // the VOP clock's seconds are known since the last restart
    std::optional<int64_t> m_origin;  // VOP ticks of the file's first VOP (frame 0)
    int64_t m_timeBase = 0;           // seconds of the latest reference VOP
    int64_t m_lastTimeBase = 0;       // seconds of the reference before it (B-VOPs count from it)
    std::optional<int64_t> m_pending; // ticks of a packed VOP the next buffer makes the decoder start

    // MPEG-1/2 video.
    bool m_groupKnown = false;
    int64_t m_groupPts = 0;    // the time of temporal reference 0 of the current group (ns)
    int64_t m_groupFrames = 0; // pictures of the current group seen so far (highest rank + 1)
};
