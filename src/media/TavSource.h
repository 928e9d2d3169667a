#pragma once
// A video or audio stream of a device. Connecting it builds the device chain into the graph
// and puts the source's own sample notifier behind the stream; the notifier's output is left
// for the managers to connect decoders and renderers to. Main thread only.
#include "core/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TGraphChunk.h"
#include "media/TframeData.h"
#include "media/gst/TGuid.h"
#include "media/gst/TPadHub.h"

#include <memory>

class TNotifier;

// Where a connected source reports its formats (a video source uses video, an audio source
// audio; none: not reported).
struct TFormatTargets
{
    TInbox<TVideoFormatMsg> *video = nullptr;
    TInbox<TAudioFormatMsg> *audio = nullptr;
};

class TavSource : public TGraphChunk
{
public:
    TavSource(TMediaDevice *device, int index, const QString &name, bool video);
    ~TavSource() override;

    TNotifier *OwnNotifier() const { return m_ownNotifier.get(); }
    // The notifier that carries the DV information (the DV device's, or the own one).
    TNotifier *DvNotifier() const { return m_dvNotifier; }
    TGuid AcceptMajor, AcceptSub, AcceptFormat;

    // True when the source is (already or now) connected to graph; targets receive the
    // format notifications.
    virtual bool ConnectSource(TGrapheMan *graph, TFormatTargets targets) = 0;
    virtual bool DisconnectSource() = 0;

    // The notifier output the managers connect to (while connected).
    GstPad *OutputPad() const;
    // The hub stream claimed (while connected), else -1.
    int StreamIndex() const { return m_stream; }

    // Targets set through the source (DV manager, navigation manager).
    void SetDvFrameTarget(TInbox<TDvFrameMsg> *target);
    void SetNotifyDvFrame(bool on);
    void SetDurationTarget(TInbox<TFrameDurationMsg> *target);
    void ClearDurationTarget();

    bool Connect() override { return true; }
    bool Disconnect() override { return true; }

protected:
    bool connectAs(TGrapheMan *graph, TFormatTargets targets, bool video);
    bool disconnectAs(bool video);

    std::unique_ptr<TNotifier> m_ownNotifier;
    TNotifier *m_dvNotifier = nullptr;
    int m_stream = -1;
    bool m_video;
};

class TVideoSource : public TavSource
{
public:
    TVideoSource(TMediaDevice *device, int index, const QString &name = QString())
        : TavSource(device, index, name, true)
    {}
    bool ConnectSource(TGrapheMan *graph, TFormatTargets targets) override;
    bool DisconnectSource() override;
    TframeData GetFrameData() const;
};

class TAudioSource : public TavSource
{
public:
    TAudioSource(TMediaDevice *device, int index, const QString &name = QString())
        : TavSource(device, index, name, false)
    {}
    bool ConnectSource(TGrapheMan *graph, TFormatTargets targets) override;
    bool DisconnectSource() override;
};
