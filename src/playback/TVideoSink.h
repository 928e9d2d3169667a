#pragma once
// The video renderer element: a bin of videoconvert + appsink that turns whatever the decoder
// chain delivers into 32-bit BGRx pictures and drops each one into a latest-frame mailbox.
// Paused frames (the preroll after a seek) and playing frames arrive alike. The bin has one
// sink pad, "sink", which the video chain links to; the renderer manager puts the bin into a
// graph and takes it out again.
//
// TVideoFrame is one delivered picture as the main thread uses it: the sample, a QImage over
// its pixels (no copy; valid while the frame lives) and the picture's display aspect.
#include "media/gst/TGstHandles.h"
#include "playback/TFrameMailbox.h"

#include <QImage>
#include <QSize>

#include <atomic>
#include <memory>

struct TVideoFrame
{
    TGstSample Sample;
    QImage Image;       // RGB32 over the sample's pixels, native size
    QSize Aspect{0, 0}; // display aspect (width x pixel aspect : height), (0, 0) when unknown

    bool IsNull() const { return Image.isNull(); }
    QSize NativeSize() const { return Image.size(); }

    // A frame over a BGRx sample; null for any other format or an unreadable buffer.
    static TVideoFrame FromSample(const TGstSample &sample);
};

class TVideoSink
{
public:
    TVideoSink();
    ~TVideoSink();
    TVideoSink(const TVideoSink &) = delete;
    TVideoSink &operator=(const TVideoSink &) = delete;

    // False when an element could not be made (the bin is then empty).
    bool IsValid() const { return bool(m_bin); }
    GstElement *Element() const { return m_bin.get(); }
    GstPad *SinkPad() const { return m_sinkPad.get(); }
    // The appsink inside the bin (for its sync and clock settings).
    GstElement *AppSink() const { return m_appsink.get(); }

    const std::shared_ptr<TFrameMailbox> &Mailbox() const { return m_mailbox; }
    // Samples delivered since creation (preroll and playing; any thread).
    int SamplesReceived() const { return m_stats->received.load(std::memory_order_relaxed); }
    // The caps negotiated on the sink pad (empty before negotiation).
    TGstCaps CurrentCaps() const;

    // The sink whose bin is element; null for any other element.
    static TVideoSink *FromElement(GstElement *element);
    // Main thread: converts a picture of the chain's format (caps, as the sink's input has
    // now) into a BGRx sample the way the bin's converter does, and drops it into the mailbox
    // as a delivered frame. False when the sink has not negotiated or caps differ from its
    // input's.
    bool ShowPicture(GstBuffer *buffer, GstCaps *caps);

    // Shared with the streaming callbacks, which may outlive this object.
    struct Stats
    {
        std::atomic<int> received{0};
    };
    struct CallbackData;

private:
    TGstElement m_bin;
    TGstElement m_convert;
    TGstElement m_appsink;
    // ShowPicture's converter, made for m_converterCaps (main thread).
    struct TConverter;
    std::unique_ptr<TConverter> m_converter;
    TGstPad m_sinkPad;
    std::shared_ptr<TFrameMailbox> m_mailbox = std::make_shared<TFrameMailbox>();
    std::shared_ptr<Stats> m_stats = std::make_shared<Stats>();
};
