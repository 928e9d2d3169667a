#pragma once
// The sample notifier: a pass-through element behind every video and audio source and every DV
// device. For each sample (streaming thread) it keeps the video format and the per-frame
// information (DV recording date and time code, audio format) up to date and tells the managers
// through their message receivers when something they show changed: posted messages carry their
// own copy of the record; the DV-overlay message is sent and its wait ends on flush.
//
// Threads: configuration on the main thread (flags and targets are atomics, the records and the
// date format are guarded by a mutex that is never held while posting, sending or pushing);
// the filter hooks on the streaming thread.
#include "core/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TDvSecondClock.h"
#include "media/TIncrustDV.h"
#include "media/TVideoData.h"
#include "media/TframeData.h"
#include "media/gst/TMediaType.h"
#include "media/gst/TPassThrough.h"

#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class TNotifier : public TPassThrough
{
public:
    static constexpr int kRingSize = 24;

    TNotifier();
    ~TNotifier() override;

    // Main thread configuration.
    void ResetNotifier();
    void SetVideoTarget(TInbox<TVideoFormatMsg> *target) { m_videoTarget.store(target); }
    void SetNotifyVideo(bool on);
    void SetAudioTarget(TInbox<TAudioFormatMsg> *target) { m_audioTarget.store(target); }
    void SetNotifyAudio(bool on);
    void SetDvFrameTarget(TInbox<TDvFrameMsg> *target) { m_dvFrameTarget.store(target); }
    void SetNotifyDvFrame(bool on);
    void SetIncrustTarget(TInbox<TDvIncrustMsg> *target) { m_incrustTarget.store(target); }
    void SetNotifyIncrust(bool on);
    void SetDurationTarget(TInbox<TFrameDurationMsg> *target);
    void ClearDurationTarget();

    QString DateFormat() const;
    void SetDateFormat(const QString &fmt);
    void SetDvType1Name(bool on) { m_dvType1Name.store(on); }
    void SetAudioCodec(const QString &codec);

    TframeData GetFrameData() const;
    // The record of the recent sample whose time stamp (PTS, ns) is nearest to pts, within
    // tolerance ns; false when none of the last kPtsRingSize samples is that close. Lets a
    // consumer downstream (the grab) find the DV date of the very frame it shows, though this
    // element has already analysed the frames queued behind it.
    static constexpr int kPtsRingSize = 64;
    bool FrameDataAt(int64_t pts, int64_t tolerance, TframeData &out) const;
    // The place of a DV frame record within its recording second (0 = its first frame), learned
    // from the frames that passed; -1 when not known (TDvSecondClock).
    int PlaceInSecond(const TframeData &frame) const;
    TVideoData GetVideoData() const;
    bool Armed() const { return m_armed.load(); }
    bool NotifyVideo() const { return m_notifyVideo.load(); }
    bool NotifyAudio() const { return m_notifyAudio.load(); }
    bool NotifyDvFrame() const { return m_notifyDvFrame.load(); }
    bool NotifyIncrust() const { return m_notifyIncrust.load(); }
    int SlotCounter() const;
    // The accepted media type (null identifiers until a connection completed).
    TGuid AcceptMajor() const;
    TGuid AcceptSub() const;
    TGuid AcceptFormat() const;

protected:
    bool checkInputType(GstCaps *caps) override;
    void completeConnect(GstCaps *caps) override;
    void startStreaming() override;
    void mediaTypeChanged(GstCaps *caps) override;
    SampleResult sample(GstBuffer *buffer) override;

private:
    // A message to post once m_mutex is released: the target and its own copy of the record.
    using Outgoing = std::function<void()>;
    template <class M> static Outgoing posting(TInbox<M> *target, M message)
    {
        return [target, m = std::move(message)]() mutable { target->post(std::move(m)); };
    }
    // All below: called with m_mutex held; messages go to `out`, posted after unlocking.
    void applyMediaType(const TMediaType &mt, std::vector<Outgoing> &out);
    void reportVideo(std::vector<Outgoing> &out);
    void reportAudio(std::vector<Outgoing> &out);
    void changeCheckAB(std::vector<Outgoing> &out);
    void changeCheckC(std::vector<Outgoing> &out);
    void analyseMpeg(const uint8_t *data, size_t len);
    void analyseDvVideo(const uint8_t *data, size_t len);
    void analyseDvInterleaved(const uint8_t *data, size_t len);
    void readRecDate(const uint8_t *data, size_t len, const QString &noDateText);
    void readTimecode(const uint8_t *data, size_t len);
    int nextSlot();
    void sendIncrust(TIncrustDV value, bool fromStreaming, bool &abandoned);

    mutable std::mutex m_mutex; // guards the records, the rings, the date format and the types
    TVideoData m_video, m_prevVideo;
    TframeData m_frame, m_prevFrame;
    TGuid m_acceptMajor, m_acceptSub, m_acceptFormat;
    QString m_dateFormat = QStringLiteral("dddddd - tt");
    int32_t m_lastDuration = 0;
    int m_slot = 0;
    std::array<TframeData, kRingSize> m_frameRing;
    std::array<TIncrustDV, kRingSize> m_incrustRing;
    struct TPtsRecord
    {
        int64_t pts = -1;
        TframeData frame;
    };
    std::array<TPtsRecord, kPtsRingSize> m_ptsRing;
    int m_ptsNext = 0;
    TDvSecondClock m_secondClock;
    std::optional<TMediaType> m_pendingType; // a new type to apply with the next sample
    bool m_sampleSeen = false;               // a sample passed since streaming started

    std::atomic<bool> m_armed{false};
    std::atomic<bool> m_firstSample{true};
    std::atomic<bool> m_dvType1Name{false};
    std::atomic<bool> m_notifyVideo{false}, m_notifyAudio{false}, m_notifyDvFrame{false};
    std::atomic<bool> m_notifyIncrust{false}, m_notifyDuration{false};
    std::atomic<TInbox<TVideoFormatMsg> *> m_videoTarget{nullptr};
    std::atomic<TInbox<TAudioFormatMsg> *> m_audioTarget{nullptr};
    std::atomic<TInbox<TDvFrameMsg> *> m_dvFrameTarget{nullptr};
    std::atomic<TInbox<TDvIncrustMsg> *> m_incrustTarget{nullptr};
    std::atomic<TInbox<TFrameDurationMsg> *> m_durationTarget{nullptr};
};
