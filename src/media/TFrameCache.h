#pragma once
// The decoded-frame cache: pictures that passed the frames notifier, in the decoder's own format
// (no conversion), keyed by their position on the frame grid. A step back onto a cached frame
// paints it at once instead of decoding its group of pictures again from the key frame.
//
// Bounded by bytes: when an insertion goes over the limit, the entries farthest from the one
// just inserted go first, so the cache follows the place being worked on. All entries share one
// media type; a frame of another type clears the cache first. The owner clears it when the
// positions stop meaning the same pictures (a new file or origin, another decoder, another frame
// duration) and when the video closes.
//
// Buffers are kept by reference when their pool grows without limit (the usual decoder pool),
// else copied, so that a decoder with a fixed pool never waits for buffers the cache holds.
//
// Threading: Offer runs on the streaming thread, everything else on any thread (the main thread
// in practice); one mutex guards the entries and is never held while calling out.
#include "media/gst/TGstHandles.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

class TFrameCache
{
public:
    struct TEntry
    {
        int64_t Position = 0;
        TGstBuffer Buffer;
        TGstCaps Caps;
        int64_t Pts = -1; // the buffer's time stamp in ns, -1 when it had none
    };

    // 0 turns the cache off (and empties it).
    void SetLimit(std::size_t bytes);
    std::size_t Limit() const;
    bool Enabled() const;

    // Streaming thread: keeps the frame at position (replacing one already there). A frame
    // larger than the whole limit is not kept, nor one the decoder flags as corrupted.
    void Offer(int64_t position, GstBuffer *buffer, GstCaps *caps, int64_t pts);

    // Frames are about to be decoded on up to position `target` in place of a seek: those before
    // it are not kept (nor copied), as the seek's decoder would not have given them.
    // ClearHorizon ends it.
    void SetHorizon(int64_t target);
    void ClearHorizon();

    std::optional<TEntry> Find(int64_t position) const;
    // The first and last cached positions; false when empty.
    bool Span(int64_t &first, int64_t &last) const;
    void Clear();
    std::size_t Bytes() const;
    int Count() const;

private:
    struct TStored
    {
        TGstBuffer Buffer;
        int64_t Pts = -1;
        std::size_t Bytes = 0;
    };
    // Under m_mutex.
    void clearLocked();
    void evictLocked(int64_t focus);

    mutable std::mutex m_mutex;
    std::size_t m_limit = 0;
    std::size_t m_bytes = 0;
    TGstCaps m_caps;
    std::map<int64_t, TStored> m_entries;
    bool m_hasHorizon = false;
    int64_t m_horizon = 0;
};
