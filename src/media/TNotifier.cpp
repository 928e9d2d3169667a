#include "media/TNotifier.h"

#include "media/Timecode.h"

#include "core/TDateFormat.h"
#include "core/TMessageReceiver.h"
#include "media/DvCodes.h"
#include "media/MediaFormat.h"
#include "media/MediaMessages.h"
#include "media/MpegHeader.h"
#include "media/TFormatStage.h"

GST_DEBUG_CATEGORY_STATIC(framix_notifier_debug);

namespace {
const QString kNoDatecode = QStringLiteral("Pas de Datecode");
const QString kNoTimecode = QStringLiteral("Pas de Timecode");

// Registered by the first notifier; GStreamer keeps it for the rest of the process.
GstDebugCategory *notifierCategory()
{
    static GstDebugCategory *const category = [] {
        GST_DEBUG_CATEGORY_INIT(framix_notifier_debug, "framixnotifier", 0,
                                "Framix sample notifier (formats, DV dates and time codes)");
        return framix_notifier_debug;
    }();
    return category;
}
} // namespace

TNotifier::TNotifier() : TPassThrough(QStringLiteral("Notifier de Vardo"), notifierCategory())
{
    m_frame.DateStr = kNoDatecode;
    m_frame.TimecodeStr = kNoTimecode;
}

TNotifier::~TNotifier()
{
    // The hooks use the records and the mutex below: no streaming thread may be in one while
    // they are destroyed.
    stopStreaming();
}

// --- configuration (main thread) ---------------------------------------------------------------

void TNotifier::ResetNotifier()
{
    m_notifyVideo.store(false);
    m_notifyAudio.store(false);
    m_notifyDvFrame.store(false);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dateFormat = QStringLiteral("dddddd - tt");
    m_frame.DateValid = false;
    m_frame.TimecodeValid = false;
    m_frame.DateStr = kNoDatecode;
    m_frame.TimecodeStr = kNoTimecode;
    m_ptsRing.fill(TPtsRecord{});
    m_ptsNext = 0;
    m_secondClock.Reset();
    m_video.CodecName.clear();
    m_frame.AudioCodec.clear();
    m_lastDuration = 0;
    m_slot = 0;
}

void TNotifier::SetNotifyVideo(bool on)
{
    m_notifyVideo.store(on);
    m_armed.store(true);
}

void TNotifier::SetNotifyAudio(bool on)
{
    m_notifyAudio.store(on);
    m_armed.store(true);
}

void TNotifier::SetNotifyDvFrame(bool on)
{
    m_notifyDvFrame.store(on);
    m_armed.store(true);
}

void TNotifier::SetNotifyIncrust(bool on)
{
    m_notifyIncrust.store(on);
    TIncrustDV v;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        v.DateValid = m_frame.DateValid;
        v.TimecodeValid = m_frame.TimecodeValid;
        v.RecDate = m_frame.RecDate;
        v.TimecodeStr = m_frame.TimecodeStr;
    }
    bool abandoned = false;
    sendIncrust(v, false, abandoned);
}

void TNotifier::SetDurationTarget(TInbox<TFrameDurationMsg> *target)
{
    m_durationTarget.store(target);
    m_notifyDuration.store(true);
}

void TNotifier::ClearDurationTarget()
{
    m_notifyDuration.store(false);
}

QString TNotifier::DateFormat() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dateFormat;
}

void TNotifier::SetDateFormat(const QString &fmt)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dateFormat = fmt;
}

void TNotifier::SetAudioCodec(const QString &codec)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frame.AudioCodec = codec;
}

TframeData TNotifier::GetFrameData() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frame;
}

bool TNotifier::FrameDataAt(int64_t pts, int64_t tolerance, TframeData &out) const
{
    if (pts < 0)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    const TPtsRecord *best = nullptr;
    int64_t bestDistance = tolerance + 1;
    for (const TPtsRecord &r : m_ptsRing) {
        if (r.pts < 0)
            continue;
        const int64_t distance = r.pts > pts ? r.pts - pts : pts - r.pts;
        if (distance < bestDistance) {
            best = &r;
            bestDistance = distance;
        }
    }
    if (!best)
        return false;
    out = best->frame;
    return true;
}

int TNotifier::PlaceInSecond(const TframeData &frame) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_secondClock.PlaceOf(frame, TDvSecondClock::BaseOf(m_video.Fps));
}

TVideoData TNotifier::GetVideoData() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_video;
}

int TNotifier::SlotCounter() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slot;
}

TGuid TNotifier::AcceptMajor() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_acceptMajor;
}
TGuid TNotifier::AcceptSub() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_acceptSub;
}
TGuid TNotifier::AcceptFormat() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_acceptFormat;
}

// --- filter hooks ----------------------------------------------------------------------------------

// Any thread (caps queries and negotiation).
bool TNotifier::checkInputType(GstCaps *caps)
{
    const TMediaType mt = TMediaType::fromCaps(caps);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto ok = [](const TGuid &accepted, const TGuid &offered) {
        return accepted == GUID_NULL || accepted == offered;
    };
    return ok(m_acceptMajor, mt.majortype) && ok(m_acceptSub, mt.subtype) &&
           ok(m_acceptFormat, mt.formattype);
}

// Streaming thread.
void TNotifier::completeConnect(GstCaps *caps)
{
    const TMediaType mt = TMediaType::fromCaps(caps);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_acceptMajor = mt.majortype;
    m_acceptSub = mt.subtype;
    m_acceptFormat = mt.formattype;
}

// Streaming thread.
void TNotifier::startStreaming()
{
    TGstCaps caps = inputCaps();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (caps) {
            const TMediaType mt = TMediaType::fromCaps(caps);
            m_acceptMajor = mt.majortype;
            m_acceptSub = mt.subtype;
            m_acceptFormat = mt.formattype;
        }
        m_sampleSeen = false;
    }
    m_firstSample.store(true);
}

void TNotifier::applyMediaType(const TMediaType &mt, std::vector<Outgoing> &out)
{
    m_video = VideoDataFromMediaType(mt);
    if (mt.formattype == FORMAT_DvInfo && mt.cbFormat() >= 32 && m_notifyVideo.load())
        m_video.AspectKind = TAspectKind::NotGiven;
    if (m_video.Known && (m_notifyVideo.load() || m_notifyDvFrame.load()))
        reportVideo(out);
    if (mt.formattype == FORMAT_WaveFormatEx && mt.cbFormat() >= 18) {
        if (AudioFormatFromMediaType(mt, m_frame) && m_notifyAudio.load())
            reportAudio(out);
    }
}

// Streaming thread: a caps event. Before the first sample it is the connection's type and
// applies at once; later it belongs to the next sample.
void TNotifier::mediaTypeChanged(GstCaps *caps)
{
    const TMediaType mt = TMediaType::fromCaps(caps);
    std::vector<Outgoing> out;
    bool pending;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pending = m_sampleSeen;
        if (!m_sampleSeen)
            applyMediaType(mt, out);
        else
            m_pendingType = mt;
    }
    GST_CAT_DEBUG_OBJECT(debugCategory(), element(), "media type %s, %s",
                         pending ? "for the next sample" : "applied",
                         qPrintable(mt.majortype.toString() + u' ' + mt.subtype.toString()));
    for (auto &o : out)
        o();
}

void TNotifier::reportVideo(std::vector<Outgoing> &out)
{
    if (m_notifyDuration.load() && m_video.AvgTimePerFrame != int64_t(m_lastDuration)) {
        if (TInbox<TFrameDurationMsg> *t = m_durationTarget.load()) {
            const uint32_t low = uint32_t(uint64_t(m_video.AvgTimePerFrame) & 0xFFFFFFFFu);
            out.push_back(posting(t, TFrameDurationMsg{low}));
            m_lastDuration = int32_t(low);
        }
    }
    if (m_notifyVideo.load()) {
        if (TInbox<TVideoFormatMsg> *t = m_videoTarget.load()) {
            out.push_back(posting(t, TVideoFormatMsg{TFormatStage::VideoAspect, m_video}));
            out.push_back(posting(t, TVideoFormatMsg{TFormatStage::VideoDescription, m_video}));
        }
    }
}

void TNotifier::reportAudio(std::vector<Outgoing> &out)
{
    if (m_notifyAudio.load())
        if (TInbox<TAudioFormatMsg> *t = m_audioTarget.load())
            out.push_back(posting(t, TAudioFormatMsg{TFormatStage::AudioDescription, m_frame}));
}

void TNotifier::changeCheckAB(std::vector<Outgoing> &out)
{
    if (m_notifyVideo.load()) {
        const TVideoData &v = m_video, &p = m_prevVideo;
        if (v.Width != p.Width || v.Height != p.Height || v.AspectX != p.AspectX || v.AspectY != p.AspectY ||
            v.AspectKind != p.AspectKind)
            reportVideo(out);
    }
    if (m_notifyAudio.load()) {
        const TframeData &f = m_frame, &p = m_prevFrame;
        if (f.AudioCodec != p.AudioCodec || f.AudioChannels != p.AudioChannels ||
            f.AudioBits != p.AudioBits || f.AudioRate != p.AudioRate || f.AudioBitRate != p.AudioBitRate)
            reportAudio(out);
    }
}

void TNotifier::changeCheckC(std::vector<Outgoing> &out)
{
    if (m_notifyAudio.load()) {
        const TframeData &f = m_frame, &p = m_prevFrame;
        if (f.AudioCodec != p.AudioCodec || f.AudioChannels != p.AudioChannels ||
            f.AudioBits != p.AudioBits || f.AudioRate != p.AudioRate || f.AudioBitRate != p.AudioBitRate ||
            f.AudioDesc != p.AudioDesc)
            reportAudio(out);
    }
    if (m_notifyVideo.load()) {
        const TVideoData &v = m_video, &p = m_prevVideo;
        if (v.Width != p.Width || v.Height != p.Height || v.BitCount != p.BitCount ||
            v.AvgTimePerFrame != p.AvgTimePerFrame || v.CodecName != p.CodecName || v.AspectX != p.AspectX ||
            v.AspectY != p.AspectY || v.Fps != p.Fps)
            reportVideo(out);
    }
}

int TNotifier::nextSlot()
{
    m_slot = m_slot >= kRingSize ? 1 : m_slot + 1;
    return m_slot;
}

void TNotifier::analyseMpeg(const uint8_t *data, size_t len)
{
    if (!MpegIsSequenceHeader(data, len))
        return;
    m_video.Width = MpegWidth(data, len);
    m_video.Height = MpegHeight(data, len);
    const int aspect = MpegAspect(data, len);
    // A sequence header's aspect other than 4:3 and 16:9 counts as none given.
    m_video.AspectKind = aspect == 0   ? TAspectKind::Aspect4x3
                         : aspect == 1 ? TAspectKind::Aspect16x9
                                       : TAspectKind::NotGiven;
    m_video.Fps = MpegFrameRate(data, len);
    m_video.Description = QStringLiteral("MPEG2");
    if (aspect == 0)
        m_video.Description += QStringLiteral(" (4x3)");
    else if (aspect == 1)
        m_video.Description += QStringLiteral(" (16x9)");
}

void TNotifier::readRecDate(const uint8_t *data, size_t len, const QString &noDateText)
{
    TDvRecDate rd;
    if (!DvFrameRecDate(data, len, rd)) {
        m_frame.RecDate = 0;
        m_frame.DateValid = false;
    } else {
        double dt = 0;
        m_frame.DateValid =
            DateTimeFromParts(rd.Year, rd.Month, rd.Day, rd.Hour, rd.Minute, rd.Second, 0, dt);
        if (m_frame.DateValid)
            m_frame.RecDate = dt;
    }
    m_frame.DateStr = m_frame.DateValid ? FormatDateTime(m_dateFormat, m_frame.RecDate) : noDateText;
}

void TNotifier::readTimecode(const uint8_t *data, size_t len)
{
    const TDvTimecode tc = DvFrameTimecode(data, len);
    m_frame.TimecodeValid = tc.valid();
    if (!tc.valid()) {
        m_frame.TimecodeStr = kNoTimecode;
        return;
    }
    m_frame.TcHours = tc.Hours;
    m_frame.TcMinutes = tc.Minutes;
    m_frame.TcSeconds = tc.Seconds;
    m_frame.TcFrames = tc.Frames;
    m_frame.TimecodeStr = DvTimecodeText(tc);
}

void TNotifier::analyseDvVideo(const uint8_t *data, size_t len)
{
    bool pal;
    if (len == kDvFrameSize625)
        pal = true;
    else if (len == kDvFrameSize525)
        pal = false;
    else
        return;
    m_video.Description = m_dvType1Name.load() ? QStringLiteral("DV type 1") : m_video.CodecName;
    if (pal) {
        m_video.Description += QStringLiteral(" Pal");
        m_video.Fps = 25;
    } else {
        m_video.Description += QStringLiteral(" NTSC");
        m_video.Fps = 30000.0 / 1001.0;
    }
    m_video.AspectKind = DvIsWide(data, len) ? TAspectKind::Aspect16x9 : TAspectKind::Aspect4x3;
    m_video.Description +=
        m_video.AspectKind == TAspectKind::Aspect4x3 ? QStringLiteral(" (4x3)") : QStringLiteral(" (16x9)");
    readRecDate(data, len, QStringLiteral("N/A"));
    readTimecode(data, len);
}

void TNotifier::analyseDvInterleaved(const uint8_t *data, size_t len)
{
    m_video.Description = QStringLiteral("DV type1 ");
    switch (DvSystem(data, len)) {
    case 0:
        m_video.Width = 720;
        m_video.Height = 576;
        m_video.Fps = 25;
        m_video.Description += QStringLiteral("Pal ");
        m_video.SizeText = QStringLiteral("720x576 - 25 fps");
        break;
    case 1:
        m_video.Width = 720;
        m_video.Height = 480;
        m_video.Fps = 30000.0 / 1001.0;
        m_video.Description += QStringLiteral("NTSC ");
        m_video.SizeText = QStringLiteral("720x480 - 29.97 fps");
        break;
    default:
        break;
    }
    m_video.AspectKind = DvIsWide(data, len) ? TAspectKind::Aspect16x9 : TAspectKind::Aspect4x3;
    m_video.Description +=
        m_video.AspectKind == TAspectKind::Aspect4x3 ? QStringLiteral(" (4x3) ") : QStringLiteral(" (16x9) ");
    m_frame.AudioRate = DvAudioRate(data, len);
    m_frame.AudioBits = DvAudioBits(data, len);
    m_frame.AudioDesc = QStringLiteral("DV ") + QString::number(m_frame.AudioRate) + QStringLiteral("Hz ") +
                        QString::number(m_frame.AudioBits) + QStringLiteral("bits stéréo");
    readRecDate(data, len, kNoDatecode);
    readTimecode(data, len);
}

// Main thread (switching the channel) or streaming thread (per sample).
void TNotifier::sendIncrust(TIncrustDV value, bool fromStreaming, bool &abandoned)
{
    TInbox<TDvIncrustMsg> *t = m_incrustTarget.load();
    if (!t)
        return;
    int slot;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        slot = nextSlot();
        m_incrustRing[slot - 1] = value;
    }
    TDvIncrustMsg m{slot, std::move(value)};
    const bool handled = t->send(m, fromStreaming ? &gate() : nullptr);
    abandoned = !handled;
}

// Streaming thread: one sample, in the documented order.
TPassThrough::SampleResult TNotifier::sample(GstBuffer *buffer)
{
    if (!m_armed.load(std::memory_order_acquire))
        return SampleResult::Pass;
    std::vector<Outgoing> out;
    TIncrustDV incrust;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sampleSeen = true;
        // Change check A.
        changeCheckAB(out);
        // The DV-frame channel reports the values of the previous sample.
        if (m_notifyDvFrame.load()) {
            if (TInbox<TDvFrameMsg> *t = m_dvFrameTarget.load()) {
                const int slot = nextSlot();
                m_frameRing[slot - 1] = m_frame;
                out.push_back(posting(t, TDvFrameMsg{slot, m_frameRing[slot - 1]}));
            }
        }
        m_prevFrame = m_frame;
        m_prevVideo = m_video;
        {
            TGstMap map(buffer);
            const uint8_t *data = map.data();
            const size_t len = map.size();
            if (data) {
                if (m_acceptFormat == FORMAT_MPEG2Video && m_acceptSub == MEDIASUBTYPE_MPEG2_VIDEO)
                    analyseMpeg(data, len);
                else if ((m_acceptFormat == FORMAT_VideoInfo || m_acceptFormat == FORMAT_VideoInfo2) &&
                         (m_acceptSub == MEDIASUBTYPE_dvsd || m_acceptSub == MEDIASUBTYPE_dvcp))
                    analyseDvVideo(data, len);
                else if (m_acceptFormat == FORMAT_DvInfo)
                    analyseDvInterleaved(data, len);
            }
        }
        // Change check B: changes made by the analysis.
        changeCheckAB(out);
        if (m_firstSample.load()) {
            reportAudio(out);
            reportVideo(out);
        } else if (m_pendingType) {
            applyMediaType(*m_pendingType, out);
            m_pendingType.reset();
        }
        changeCheckC(out);
        m_firstSample.store(false);
        m_secondClock.Observe(m_prevFrame, m_frame, TDvSecondClock::BaseOf(m_video.Fps));
        if (GST_CLOCK_TIME_IS_VALID(GST_BUFFER_PTS(buffer))) {
            m_ptsRing[size_t(m_ptsNext)] = TPtsRecord{int64_t(GST_BUFFER_PTS(buffer)), m_frame};
            m_ptsNext = (m_ptsNext + 1) % kPtsRingSize;
        }
        incrust.DateValid = m_frame.DateValid;
        incrust.TimecodeValid = m_frame.TimecodeValid;
        incrust.RecDate = m_frame.RecDate;
        incrust.TimecodeStr = m_frame.TimecodeStr;
    }
    for (auto &o : out)
        o();
    if (m_notifyIncrust.load()) {
        bool abandoned = false;
        sendIncrust(std::move(incrust), true, abandoned);
        if (abandoned)
            return SampleResult::Flushing;
    }
    return SampleResult::Pass;
}
