#include "media/TMediaFactory.h"

#include "core/FramixLog.h"
#include "media/TGrapheMan.h"
#include "media/TavSource.h"

#include <QFileInfo>

TGrapheMan *TGrapheComponent::GrapheMan() const
{
    return qobject_cast<TGrapheMan *>(m_grapheMan.data());
}

void TGrapheComponent::SetGrapheMan(TGrapheMan *g)
{
    m_grapheMan = g;
}

TMediaFactory::TMediaFactory(QObject *parent) : TGrapheComponent(parent), m_defaultSource(DefaultSourceRec())
{}

TMediaFactory::~TMediaFactory()
{
    ClearDevices();
}

const TElementRec &TMediaFactory::DefaultSourceRec()
{
    static const TElementRec r{QStringLiteral("Default Source"), "parsebin"};
    return r;
}
const TElementRec &TMediaFactory::FileSourceRec()
{
    static const TElementRec r{QStringLiteral("File Source (Async.)"), "filesrc"};
    return r;
}
const TElementRec &TMediaFactory::AviSplitterRec()
{
    static const TElementRec r{QStringLiteral("AVI Splitter"), "avidemux"};
    return r;
}
const TElementRec &TMediaFactory::AsfReaderRec()
{
    static const TElementRec r{QStringLiteral("WM ASF Reader"), "asfdemux"};
    return r;
}
const TElementRec &TMediaFactory::WaveParserRec()
{
    static const TElementRec r{QStringLiteral("Wave Parser"), "wavparse"};
    return r;
}
const TElementRec &TMediaFactory::Mpeg2SplitterRec()
{
    static const TElementRec r{QStringLiteral("MPEG-2 Splitter"), "mpegpsdemux"};
    return r;
}
const TElementRec &TMediaFactory::MpegTsSplitterRec()
{
    static const TElementRec r{QStringLiteral("MPEG-TS Splitter"), "tsdemux"};
    return r;
}
const TElementRec &TMediaFactory::DvSplitterRec()
{
    static const TElementRec r{QStringLiteral("DV Splitter"), "dvdemux"};
    return r;
}

std::vector<std::pair<TElementRec, TElementRec>> TMediaFactory::Choices(const QString &fileName) const
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    static const QStringList mpeg = {"mts",  "m2ts", "mkv", "mov", "mp4", "3g2", "ts", "mpg",
                                     "mpeg", "m1v",  "mp2", "mpe", "vob", "m4v", "m2v"};
    const TElementRec &src = FileSourceRec();
    if (mpeg.contains(ext))
        return {{m_defaultSource, src}, {Mpeg2SplitterRec(), src}, {MpegTsSplitterRec(), src}};
    if (ext == QLatin1String("avi") || ext == QLatin1String("ivf"))
        return {{m_defaultSource, src}, {AviSplitterRec(), src}};
    if (ext == QLatin1String("wmv") || ext == QLatin1String("asf"))
        return {{m_defaultSource, src}, {AsfReaderRec(), src}};
    if (ext == QLatin1String("wav"))
        return {{WaveParserRec(), src}};
    // Raw DV goes straight to dvdemux: typefinding would hand it on in small chunks, not frames.
    if (ext == QLatin1String("dv") || ext == QLatin1String("dif"))
        return {{DvSplitterRec(), src}};
    return {};
}

namespace {

// The device, its sub-devices and every source they offer work on the factory's graph manager.
void SetOwnerGraph(TMediaDevice *device, TGrapheMan *g)
{
    device->OwnerGraph = g;
    for (TVideoSource *s : device->VideoSourcesList)
        s->OwnerGraph = g;
    for (TAudioSource *s : device->AudioSourcesList)
        s->OwnerGraph = g;
    for (TMediaDevice *d : device->DVDevices)
        SetOwnerGraph(d, g);
    for (TMediaDevice *d : device->StreamDevices)
        SetOwnerGraph(d, g);
}

} // namespace

TFileDevice *TMediaFactory::OpenFile(const QString &fileName)
{
    TGrapheMan *g = GrapheMan();
    if (!g)
        return nullptr;
    auto it = m_devices.find(fileName);
    if (it != m_devices.end() && it->second) {
        qCDebug(lcMedia).noquote() << "open" << fileName << ": the device probed before";
        return it->second.get();
    }
    std::unique_ptr<TFileDevice> device;
    const auto choices = Choices(fileName);
    for (size_t i = 0; i < choices.size(); ++i) {
        device = std::make_unique<TFileDevice>(fileName, choices[i].first, choices[i].second);
        qCDebug(lcMedia).noquote() << "probe" << fileName << "with"
                                   << choices[i].second.Factory + " + " + choices[i].first.Factory + ':'
                                   << (device->Valid           ? "readable"
                                       : device->ProbeTimedOut ? "timed out"
                                                               : "unreadable");
        // A probe that ran out of time met a demuxer that stopped early: one more try.
        if (device->ProbeTimedOut) {
            auto again = std::make_unique<TFileDevice>(fileName, choices[i].first, choices[i].second);
            auto streams = [](const TFileDevice &d) { return d.Valid ? 1 + d.VideoCount + d.AudioCount : 0; };
            if (streams(*again) >= streams(*device))
                device = std::move(again);
        }
        if (device->Valid || i + 1 == choices.size())
            break;
        device.reset();
    }
    if (device)
        SetOwnerGraph(device.get(), g);
    if (device && device->Valid)
        qCInfo(lcMedia).noquote() << "opened" << fileName << "through"
                                  << device->SourceRec.Factory + " + " + device->SplitterRec.Factory + ':'
                                  << device->VideoCount << "video," << device->AudioCount << "audio";
    else
        qCInfo(lcMedia).noquote() << "no splitter reads" << fileName;
    TFileDevice *result = device.get();
    m_devices[fileName] = std::move(device);
    return result;
}

void TMediaFactory::SetDefaultSource(const TElementRec &rec)
{
    m_defaultSource = rec.isNull() ? DefaultSourceRec() : rec;
    ClearDevices();
}

void TMediaFactory::ClearDevices()
{
    m_devices.clear();
}
