#include "media/TavSource.h"

#include "media/MediaFormat.h"
#include "media/TDVDevice.h"
#include "media/TGrapheMan.h"
#include "media/TMediaDevice.h"
#include "media/TNotifier.h"

TavSource::TavSource(TMediaDevice *device, int index, const QString &name, bool video)
    : TGraphChunk(name.isEmpty() && device ? device->DisplayName() : name, index),
      m_ownNotifier(std::make_unique<TNotifier>()), m_video(video)
{
    Parent = device;
    m_dvNotifier = m_ownNotifier.get();
}

TavSource::~TavSource()
{
    if (Graph)
        disconnectAs(m_video);
}

GstPad *TavSource::OutputPad() const
{
    return Graph ? m_ownNotifier->srcPad() : nullptr;
}

void TavSource::SetDvFrameTarget(TInbox<TDvFrameMsg> *target)
{
    if (m_dvNotifier)
        m_dvNotifier->SetDvFrameTarget(target);
}

void TavSource::SetNotifyDvFrame(bool on)
{
    if (m_dvNotifier)
        m_dvNotifier->SetNotifyDvFrame(on);
}

void TavSource::SetDurationTarget(TInbox<TFrameDurationMsg> *target)
{
    m_ownNotifier->SetDurationTarget(target);
}

void TavSource::ClearDurationTarget()
{
    m_ownNotifier->ClearDurationTarget();
}

bool TavSource::connectAs(TGrapheMan *graph, TFormatTargets targets, bool video)
{
    if (!graph || !Parent)
        return false;
    if (Graph == graph)
        return true;
    if (Graph)
        return false; // connected to another graph: the caller disconnects first
    Graph = graph;
    if (video) {
        if (!graph->VideoSources.contains(static_cast<TVideoSource *>(this)))
            graph->VideoSources.append(static_cast<TVideoSource *>(this));
    } else if (!graph->AudioSources.contains(static_cast<TAudioSource *>(this))) {
        graph->AudioSources.append(static_cast<TAudioSource *>(this));
    }
    auto failed = [&] {
        if (m_ownNotifier->element() && graph->Graph()->contains(m_ownNotifier->element()))
            graph->Graph()->removeElement(m_ownNotifier->element());
        if (video)
            graph->VideoSources.removeAll(static_cast<TVideoSource *>(this));
        else
            graph->AudioSources.removeAll(static_cast<TAudioSource *>(this));
        m_stream = -1;
        Parent->DisconnectChain();
        Graph = nullptr;
        return false;
    };
    if (!Parent->ConnectChain(graph) || !Parent->Hub())
        return failed();
    TNotifier *own = m_ownNotifier.get();
    own->ResetNotifier();
    if (auto *dv = dynamic_cast<TDVDevice *>(Parent)) {
        m_dvNotifier = dv->DeviceNotifier();
        if (video)
            own->SetDvType1Name(true);
    } else {
        m_dvNotifier = own;
    }
    if (video) {
        m_dvNotifier->SetVideoTarget(targets.video);
        m_dvNotifier->SetNotifyVideo(true);
    } else {
        m_dvNotifier->SetAudioTarget(targets.audio);
        m_dvNotifier->SetNotifyAudio(true);
    }
    TPadHub *hub = Parent->Hub();
    const int idx = hub->indexOf(video ? TPadHub::Kind::Video : TPadHub::Kind::Audio, Index - 1);
    if (idx < 0)
        return failed();
    const QString name =
        video ? QStringLiteral("Video Source Notifier") : QStringLiteral("Audio Source Notifier");
    if (graph->Graph()->addElementUnique(own->element(), name).isEmpty())
        return failed();
    gst_element_sync_state_with_parent(own->element());
    if (!hub->claim(idx, own))
        return failed();
    m_stream = idx;
    const TMediaType mt = hub->mediaType(idx);
    if (!video)
        own->SetAudioCodec(AudioCodecName(mt));
    AcceptMajor = mt.majortype;
    AcceptSub = mt.subtype;
    AcceptFormat = mt.formattype;
    return true;
}

bool TavSource::disconnectAs(bool video)
{
    if (!Graph)
        return false;
    TGrapheMan *graph = Graph;
    if (video) {
        graph->VideoSources.removeAll(static_cast<TVideoSource *>(this));
    } else {
        graph->AudioSources.removeAll(static_cast<TAudioSource *>(this));
        m_ownNotifier->SetNotifyAudio(false);
    }
    TPadHub *hub = Parent ? Parent->Hub() : nullptr;
    if (hub && m_stream >= 0)
        hub->release(m_stream);
    m_stream = -1;
    const bool removed = graph->Graph()->removeElement(m_ownNotifier->element());
    if (removed && video)
        m_ownNotifier->SetNotifyVideo(false);
    if (Parent)
        Parent->DisconnectChain();
    Graph = nullptr;
    return removed;
}

bool TVideoSource::ConnectSource(TGrapheMan *graph, TFormatTargets targets)
{
    return connectAs(graph, targets, true);
}

bool TVideoSource::DisconnectSource()
{
    return disconnectAs(true);
}

TframeData TVideoSource::GetFrameData() const
{
    return m_ownNotifier->GetFrameData();
}

bool TAudioSource::ConnectSource(TGrapheMan *graph, TFormatTargets targets)
{
    return connectAs(graph, targets, false);
}

bool TAudioSource::DisconnectSource()
{
    return disconnectAs(false);
}
