#pragma once
// The frames notifier: a pass-through element that the video manager keeps directly in front of
// the video renderer. For every decoded frame (streaming thread) it works out the frame's
// position on the frame grid, keeps a short history of times and position texts, tells the
// video manager (overlay text) and the navigation manager (position) about it, can hold frames
// back, and tells the navigation manager when a seek target has been reached.
//
// Positions: a frame's position is the time, on the frame grid (media/FrameGrid.h), of the
// grid frame whose span holds the middle of the buffer, counted in stream time (the buffer's
// PTS through the current segment) minus the origin. The origin
// is the stream time of the first video frame of the file: learned as the lowest stream time
// among the first frames after ResetOrigin (or creation), kept across seeks, new segments and
// decoder changes. Media time is in 100-ns units throughout, like every position the program
// shows; positions before the origin are negative.
//
// Threads: the owners configure the element on the main thread (frame duration, deliver flag,
// text switch, windows, watches and origin are atomics); the filter hooks run on the streaming
// thread. Sent messages (text, frame duration, target reached) wait for the main thread and end
// unanswered on flush; posted position messages carry their own copy of the text. The rings are
// guarded by a mutex that is never held while sending, posting or pushing.
#include "core/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TFrameCache.h"
#include "media/TVideoData.h"
#include "media/gst/TPassThrough.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

class TFramesNotifier : public TPassThrough
{
public:
    static constexpr int kRingSize = 100;
    // Reported as the frame duration of an input that gives none (10 ms).
    static constexpr int64_t kSubstituteDuration = 100000;
    static constexpr int kWatches = 2;
    // How many frames of the file's first segment take part in finding the origin.
    static constexpr int kOriginFrames = 16;
    static constexpr int64_t kNoOrigin = INT64_MIN;

    TFramesNotifier();
    ~TFramesNotifier() override;

    // --- main thread: written by the owners ------------------------------------------------
    int64_t FrameDuration() const { return m_frameDuration.load(); }
    // Values below 1 count as 1.
    void SetFrameDuration(int64_t d);
    bool Deliver() const { return m_deliver.load(); }
    void SetDeliver(bool on) { m_deliver.store(on); }
    bool NotifyText() const { return m_notifyText.load(); }
    // Switched back on, the windows hear of a frame that passed to the renderer while the
    // texts were off: it is the picture on screen, and a paused graph sends no other.
    void SetNotifyText(bool on);
    // The video manager: position texts (sent).
    TInbox<TFramesTextMsg> *VideoWindow() const { return m_videoWindow.load(); }
    void SetVideoWindow(TInbox<TFramesTextMsg> *w) { m_videoWindow.store(w); }
    // The navigation manager: frame duration (sent) and positions (posted), set together.
    struct TNavTargets
    {
        TInbox<TFrameDurationMsg> *duration = nullptr;
        TInbox<TFramesPositionMsg> *position = nullptr;
        bool operator==(const TNavTargets &) const = default;
    };
    TNavTargets NavWindow() const;
    void SetNavWindow(TNavTargets w);

    // Watch i (0 or 1): fires once, on the first frame whose position reaches time minus half a
    // frame duration, by sending a TFramesReachedMsg (target, position) to its window.
    void SetWatch(int i, int64_t time);
    void SetWatchWindow(int i, TInbox<TFramesReachedMsg> *w);
    bool WatchActive(int i) const;
    int64_t WatchTarget(int i) const;

    // --- read by the owners ----------------------------------------------------------------
    // Position of the last frame, a frame time of the grid of FrameDuration (0 before the
    // first frame).
    int64_t Position() const { return m_position.load(); }
    // Stream time of the first video frame in 100-ns units, kNoOrigin until it is known.
    int64_t Origin() const;
    // A new file: the origin is learned again from its first frames.
    void ResetOrigin();
    // An origin the owner already knows (the same file connected again).
    void SetOrigin(int64_t origin);

    // Description of the input media type.
    TVideoData GetVideoData() const;
    // The rings: slot of the last frame, the one before it, and the entries (slot 0..99). A
    // history entry is the unsnapped middle of the frame, relative to the origin.
    int Slot() const;
    int PrevSlot() const;
    int64_t HistoryAt(int slot) const;
    QString TextAt(int slot) const;
    QString LastText() const;
    // The buffer time stamp (PTS, ns) of the last frame, -1 when it had none: the key under
    // which the sample notifier upstream kept that frame's DV record (TNotifier::FrameDataAt).
    int64_t LastPts() const { return m_lastPtsNs.load(); }
    // Frames seen since creation (withheld ones included).
    int64_t FrameCount() const { return m_frameCount.load(); }

    // The decoded frames that passed (withheld ones included), by position. Emptied here when
    // positions change meaning: a new stream or input link, another origin or frame duration,
    // other caps.
    TFrameCache &FrameCache() { return m_cache; }
    // Main thread: the frame at position (time stamp pts) was painted from the cache. Position,
    // time stamp and texts become that frame's, and the windows hear of it as of a frame that
    // passed.
    void Replay(int64_t position, int64_t pts);

    // The frame-grid rounding of a relative time (nanoseconds) into media time with frame
    // duration d (100-ns units): the time of the grid frame whose start is nearest, an exact
    // half rounding down. Pure.
    static int64_t SnapToFrame(int64_t relativeNs, int64_t d);

protected:
    void completeConnect(GstCaps *caps) override;
    void startStreaming() override;
    void newSegment(const GstSegment &segment) override;
    void mediaTypeChanged(GstCaps *caps) override;
    SampleResult sample(GstBuffer *buffer) override;

private:
    struct Watch
    {
        std::atomic<int64_t> target{0};
        // Generation << 1 | active: a frame fires a watch only if the target it compared
        // belongs to the generation it deactivates.
        std::atomic<uint64_t> state{0};
        std::atomic<TInbox<TFramesReachedMsg> *> window{nullptr};
    };
    // Streaming thread: stream time of the buffer in ns (false when it has none).
    bool streamTime(GstBuffer *buffer, int64_t &ns) const;
    void learnOrigin(int64_t streamNs);
    // Streaming thread: false when a send was abandoned by a flush.
    bool checkWatches(int64_t position, int64_t end, int64_t d);
    // Any thread: the frame at position becomes the last one (rings, texts); false when a
    // send was abandoned by a flush.
    bool publish(int64_t position, int64_t middle, int64_t d);

    std::atomic<int64_t> m_frameDuration{1};
    std::atomic<int64_t> m_position{0};
    std::atomic<bool> m_deliver{true};
    std::atomic<bool> m_notifyText{false};
    std::atomic<TInbox<TFramesTextMsg> *> m_videoWindow{nullptr};
    std::atomic<TInbox<TFrameDurationMsg> *> m_navDuration{nullptr};
    std::atomic<TInbox<TFramesPositionMsg> *> m_navPosition{nullptr};
    std::array<Watch, kWatches> m_watches;
    std::atomic<int64_t> m_originNs{kNoOrigin};
    // Streaming thread: start - time of the first segment of the file (ns), until it moved the
    // origin; m_resetShift (any thread) asks for it to be learned again.
    int64_t m_firstShiftNs = 0;
    bool m_haveShift = false;
    std::atomic<bool> m_resetShift{false};
    std::atomic<int64_t> m_frameCount{0};
    std::atomic<int64_t> m_lastPtsNs{-1};

    // Streaming thread only.
    GstSegment m_segment;
    int m_originFramesLeft = 0; // frames that may still lower a freshly learned origin
    int64_t m_learnedNs = 0;    // the origin this element learned last
    int64_t m_lastStreamNs = 0; // stream time of the previous frame
    // No frame yet since streaming started or the last segment (also written by the thread
    // that starts streaming, before the streaming thread runs).
    std::atomic<bool> m_firstSample{true};
    TGstCaps m_streamCaps; // the input's caps (streaming thread)
    TFrameCache m_cache;

    mutable std::mutex m_mutex; // guards the rings, the texts and the video description
    TVideoData m_video;
    int m_slot = 0;
    int m_prevSlot = 0;
    std::array<int64_t, kRingSize> m_history{};
    std::array<QString, kRingSize> m_texts;
    QString m_lastText;
    // The last text the video window heard: a frame held back or passed with the texts off
    // named another frame than the one it shows (a precise seek's target would be left untold).
    QString m_heardText;
    // The last frame published passed to the renderer with the texts off (a later frame, told
    // of or held back to be replaced, clears it).
    bool m_unheard = false;
    int64_t m_publishedPosition = 0; // of the last frame published
};
