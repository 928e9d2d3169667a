#include "media/TMediaDevice.h"

#include "media/TDVDevice.h"
#include "media/TGrapheMan.h"
#include "media/TStreamDevice.h"
#include "media/TavSource.h"

const QString TMediaDevice::kNoDV = QStringLiteral("Aucun DV");
const QString TMediaDevice::kNoStream = QStringLiteral("Aucun Stream");
int TMediaDevice::PadTimeoutMs = 5000;

TMediaDevice::TMediaDevice(const QString &name, int index, TMediaDevice *parent) : TGraphChunk(name, index)
{
    Parent = parent;
}

TMediaDevice::~TMediaDevice()
{
    FreeChildren();
}

void TMediaDevice::FreeChildren()
{
    VideoSourcesList.Clear();
    AudioSourcesList.Clear();
    DVDevices.Clear();
    StreamDevices.Clear();
    m_ownedSources.clear();
    m_ownedDevices.clear();
}

bool TMediaDevice::ConnectChain(TGrapheMan *graph)
{
    if (!graph)
        return false;
    if (Parent && !Parent->ConnectChain(graph))
        return false;
    if (Graph == graph && m_hub)
        return true;
    if (Graph && Graph != graph)
        return false; // connected to another graph: the caller disconnects first
    Graph = graph;
    if (!Connect() || !m_hub) {
        Disconnect();
        Graph = nullptr;
        return false;
    }
    return true;
}

void TMediaDevice::DisconnectChain()
{
    if (Graph && m_hub) {
        for (int i = 0; i < m_hub->count(); ++i)
            if (m_hub->isClaimed(i))
                return;
    }
    if (Graph) {
        Disconnect();
        Graph = nullptr;
    }
    if (Parent)
        Parent->DisconnectChain();
}

void TMediaDevice::Probe()
{
    if (Name == kNoDV || Name == kNoStream)
        return;
    // A sub-device is probed while its parent is connected; a top device gets a graph of its own.
    std::unique_ptr<TGrapheMan> temporary;
    TGrapheMan *g = Parent ? Parent->Graph : nullptr;
    if (!g) {
        temporary = std::make_unique<TGrapheMan>();
        g = temporary.get();
    }
    if (Graph != g || !m_hub) {
        Graph = g;
        if (!Connect() || !m_hub) {
            ProbeTimedOut = m_hub && m_hub->timedOut();
            ProbeSettled = m_hub ? m_hub->settledOn() : TPadHub::Settled::NotYet;
            Disconnect();
            Graph = nullptr;
            return;
        }
    }
    TPadHub *hub = m_hub.get();
    ProbeTimedOut = hub->timedOut();
    ProbeSettled = hub->settledOn();
    // A stream still without caps means the probe saw only part of the file: let the caller
    // try its next choice of reader.
    for (int i = 0; i < hub->count(); ++i) {
        if (!hub->caps(i)) {
            Disconnect();
            Graph = nullptr;
            return;
        }
    }
    const QString parentName = DisplayName();
    for (int n = 0; hub->indexOf(TPadHub::Kind::Interleaved, n) >= 0; ++n) {
        auto dv = std::make_unique<TDVDevice>(parentName, n + 1, this);
        for (auto *v : dv->VideoSourcesList) {
            VideoSourcesList.Add(v);
            ++VideoCount;
        }
        for (auto *a : dv->AudioSourcesList) {
            AudioSourcesList.Add(a);
            ++AudioCount;
        }
        DVDevices.Add(dv.get());
        ++DVCount;
        m_ownedDevices.push_back(std::move(dv));
    }
    for (int n = 0; hub->indexOf(TPadHub::Kind::Stream, n) >= 0; ++n) {
        auto sd = std::make_unique<TStreamDevice>(parentName, n + 1, this);
        StreamDevices.Add(sd.get());
        ++StreamCount;
        m_ownedDevices.push_back(std::move(sd));
    }
    if (DVCount == 0 && StreamCount == 0) {
        for (int n = 0; hub->indexOf(TPadHub::Kind::Video, n) >= 0; ++n) {
            auto v = std::make_unique<TVideoSource>(this, n + 1, parentName);
            VideoSourcesList.Add(v.get());
            ++VideoCount;
            m_ownedSources.push_back(std::move(v));
        }
        for (int n = 0; hub->indexOf(TPadHub::Kind::Audio, n) >= 0; ++n) {
            auto a = std::make_unique<TAudioSource>(this, n + 1, parentName);
            AudioSourcesList.Add(a.get());
            ++AudioCount;
            m_ownedSources.push_back(std::move(a));
        }
    }
    Disconnect();
    Graph = nullptr;
    Valid = true;
}

namespace {
struct Placeholders
{
    std::unique_ptr<TVideoSource> video =
        std::make_unique<TVideoSource>(nullptr, 1, QStringLiteral("Aucune Vidéo"));
    std::unique_ptr<TAudioSource> audio =
        std::make_unique<TAudioSource>(nullptr, 1, QStringLiteral("Aucun Audio"));
    std::unique_ptr<TDVDevice> dv = std::make_unique<TDVDevice>(TMediaDevice::kNoDV, 1, nullptr);
    std::unique_ptr<TStreamDevice> stream =
        std::make_unique<TStreamDevice>(TMediaDevice::kNoStream, 1, nullptr);
};
Placeholders &placeholders()
{
    static Placeholders p;
    return p;
}
} // namespace

TVideoSource *TMediaPlaceholders::NoVideo()
{
    return placeholders().video.get();
}
TAudioSource *TMediaPlaceholders::NoAudio()
{
    return placeholders().audio.get();
}
TMediaDevice *TMediaPlaceholders::NoDV()
{
    return placeholders().dv.get();
}
TMediaDevice *TMediaPlaceholders::NoStream()
{
    return placeholders().stream.get();
}
