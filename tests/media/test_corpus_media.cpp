// The DV readers and the media-type descriptions on the generated corpus: every DV frame reads back
// the recording date and time code the generator wrote, and the caps of every file, as a real
// GStreamer pipeline reports them, describe the manifest's size, rate, aspect and codecs.
#include "CorpusSupport.h"
#include "core/TDateFormat.h"
#include "media/DvCodes.h"
#include "media/MediaFormat.h"
#include "media/gst/TGstHandles.h"
#include "media/gst/TMediaType.h"

#include <QUrl>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>

using namespace corpus;

namespace {

struct TDvFrameRead
{
    QString date; // "yyyy-mm-dd hh:nn:ss", empty without a valid date
    QString timecode;
};

// What the sample notifier does with one frame: the first sequence 0-9 with a date pack, checked
// against the calendar, and the first with a time code.
TDvFrameRead readFrame(const QByteArray &frame)
{
    static const TDateFormat fr(QLocale(QLocale::French, QLocale::France));
    const auto *p = reinterpret_cast<const uint8_t *>(frame.constData());
    const size_t len = size_t(frame.size());
    TDvFrameRead r;
    for (int s = 0; s < kDvSearchedSequences; ++s) {
        TDvRecDate d;
        if (DvRecDate(p, len, s, d)) {
            double dt = 0;
            if (DateTimeFromParts(d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second, 0, dt))
                r.date = fr.format(QStringLiteral("yyyy-mm-dd hh:nn:ss"), dt);
            break;
        }
    }
    for (int s = 0; s < kDvSearchedSequences; ++s) {
        const TDvTimecode tc = DvTimecode(p, len, s);
        if (tc.valid()) {
            r.timecode =
                QString::asprintf("%.2d:%.2d:%.2d:%.2d", tc.Hours, tc.Minutes, tc.Seconds, tc.Frames);
            break;
        }
    }
    return r;
}

bool haveCorpus()
{
    return !files().isEmpty();
}

struct TStreams
{
    std::mutex lock;
    std::vector<TGstPad> pads; // in the order they appeared
    bool noMorePads = false;
};

// Runs on the streaming thread: keeps the new pad and sinks it so that preroll completes.
void onPadAdded(GstElement *, GstPad *pad, gpointer data)
{
    auto *streams = static_cast<TStreams *>(data);
    {
        std::lock_guard<std::mutex> g(streams->lock);
        streams->pads.push_back(TGstPad::ref(pad));
    }
    const TGstElement parse = TGstElement::adopt(gst_pad_get_parent_element(pad));
    const TGstElement pipeline = TGstElement::adopt(GST_ELEMENT(gst_element_get_parent(parse.get())));
    // One queue per branch: a demuxer feeding several branches without one never prerolls.
    GstElement *queue = gst_element_factory_make("queue", nullptr);
    GstElement *sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, nullptr);
    gst_bin_add_many(GST_BIN(pipeline.get()), queue, sink, nullptr);
    gst_element_link(queue, sink);
    gst_element_sync_state_with_parent(sink);
    gst_element_sync_state_with_parent(queue);
    const TGstPad queuePad = TGstPad::adopt(gst_element_get_static_pad(queue, "sink"));
    gst_pad_link(pad, queuePad);
}

void onNoMorePads(GstElement *, gpointer data)
{
    auto *streams = static_cast<TStreams *>(data);
    std::lock_guard<std::mutex> g(streams->lock);
    streams->noMorePads = true;
}

// The caps of every stream parsebin finds in the file: the caps the program's sources see.
std::vector<TGstCaps> streamCaps(const QString &path)
{
    const TGstElement pipeline = TGstElement::sink(gst_pipeline_new(nullptr));
    GstElement *src = gst_element_factory_make("filesrc", nullptr);
    GstElement *parse = gst_element_factory_make("parsebin", nullptr);
    g_object_set(src, "location", path.toUtf8().constData(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline.get()), src, parse, nullptr);
    gst_element_link(src, parse);
    TStreams streams;
    g_signal_connect(parse, "pad-added", G_CALLBACK(onPadAdded), &streams);
    g_signal_connect(parse, "no-more-pads", G_CALLBACK(onNoMorePads), &streams);
    // Parsed to the end (no clock, nothing decoded): some demuxers add pads late.
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    const TGstBus bus = TGstBus::adopt(gst_element_get_bus(pipeline.get()));
    const TGstMessage msg = TGstMessage::adopt(gst_bus_timed_pop_filtered(
        bus.get(), 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    EXPECT_TRUE(msg && GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_EOS) << path.toStdString();
    // Every pad has carried its final caps by now.
    std::vector<TGstCaps> caps;
    {
        std::lock_guard<std::mutex> g(streams.lock);
        for (const auto &pad : streams.pads) {
            TGstCaps c = TGstCaps::adopt(gst_pad_get_current_caps(pad.get()));
            caps.push_back(c ? std::move(c) : TGstCaps::adopt(gst_pad_query_caps(pad.get(), nullptr)));
        }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    g_signal_handlers_disconnect_by_data(parse, &streams);
    return caps;
}

QString capsText(const GstCaps *caps)
{
    const TGChars t(gst_caps_to_string(caps));
    return QString::fromUtf8(t.get());
}

QString fpsText(const QString &fraction)
{
    const QStringList nd = fraction.split(QLatin1Char('/'));
    const double fps = nd.value(0).toDouble() / nd.value(1, QStringLiteral("1")).toDouble();
    QString t = QString::number(std::nearbyint(fps * 100) / 100, 'f', 2);
    while (t.endsWith(QLatin1Char('0')))
        t.chop(1);
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    return t.replace(QLatin1Char('.'), TDateFormat::regionalLocale().decimalPoint());
}

QString expectedVideoCodec(const QString &codec)
{
    if (codec == "dvvideo")
        return "DV Type 2";
    if (codec == "mpeg2video")
        return "MPEG2";
    if (codec == "mpeg1video")
        return "MPEG1";
    if (codec == "h264")
        return "H264";
    // ProRes: the corpus's is the proxy flavour.
    const QMap<QString, QString> fourcc{{"mpeg4", "MP4V"}, {"msmpeg4v3", "MP43"}, {"vp8", "VP80"},
                                        {"mjpeg", "MJPG"}, {"wmv2", "WMV2"},      {"hevc", "HEVC"},
                                        {"prores", "apco"}};
    return fourcc.value(codec, "?" + codec);
}

QString expectedAudioCodec(const QString &codec)
{
    const QMap<QString, QString> names{{"pcm_s16le", "PCM"}, {"ac3", "AC3"}, {"mp2", "MPEG"},
                                       {"mp3", "MP3"},       {"aac", "AAC"}, {"wmav1", "MSAU"},
                                       {"wmav2", "WMA"}};
    return names.value(codec, "?" + codec);
}

} // namespace

TEST(CorpusMedia, DvFramesReadBackTheDatesAndTimeCodesWritten)
{
    ASSERT_TRUE(haveCorpus()) << "no corpus manifest: cmake --build build --target corpus";
    int checkedFiles = 0, datedFrames = 0;
    const QJsonObject all = files();
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        if (isDamaged(e) || e.value("dv").isNull())
            continue;
        SCOPED_TRACE(it.key().toStdString());
        const QJsonObject dv = e.value("dv").toObject();
        const bool pal = dv.value("system").toString() == "625/50";
        const QJsonArray expected = dv.value("frames").toArray();
        const std::vector<QByteArray> frames =
            dvFrames(framixtest::corpusFile(it.key()), pal ? 144000 : 120000);
        ASSERT_EQ(frames.size(), size_t(expected.size()));
        for (size_t n = 0; n < frames.size(); ++n) {
            const QJsonObject want = expected[qsizetype(n)].toObject();
            const TDvFrameRead got = readFrame(frames[n]);
            ASSERT_EQ(got.date, want.value("date").toString()) << "frame " << n;
            ASSERT_EQ(got.timecode, want.value("timecode").toString()) << "frame " << n;
            datedFrames += !got.date.isEmpty();
            const auto *p = reinterpret_cast<const uint8_t *>(frames[n].constData());
            const size_t len = size_t(frames[n].size());
            ASSERT_EQ(DvSystem(p, len), pal ? 0 : 1);
            ASSERT_EQ(DvIsWide(p, len), dv.value("wide").toBool());
            ASSERT_EQ(DvAudioRate(p, len), dv.value("audio_rate").toInt());
            ASSERT_EQ(DvAudioBits(p, len), dv.value("audio_bits").toInt());
        }
        ++checkedFiles;
    }
    EXPECT_GE(checkedFiles, 15);
    EXPECT_GT(datedFrames, 100);
}

TEST(CorpusMedia, CapsOfEveryFileDescribeItsStreams)
{
    ASSERT_TRUE(haveCorpus()) << "no corpus manifest: cmake --build build --target corpus";
    int checked = 0;
    const QJsonObject all = files();
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        if (isDamaged(e))
            continue;
        const std::vector<TGstCaps> caps = streamCaps(framixtest::corpusFile(it.key()));
        std::vector<TMediaType> video, audio;
        QStringList texts;
        for (const auto &c : caps) {
            texts << capsText(c.get());
            const TMediaType mt = TMediaType::fromCaps(c.get());
            (mt.isAudio() ? audio : video).push_back(mt);
        }
        SCOPED_TRACE((it.key() + " " + texts.join(" | ")).toStdString());
        if (!e.value("video").isNull()) {
            const QJsonObject v = e.value("video").toObject();
            ASSERT_EQ(video.size(), 1u);
            const TVideoData vd = VideoDataFromMediaType(video[0]);
            const QString codec = v.value("codec").toString();
            EXPECT_TRUE(vd.Known);
            // MPEG-4 Part 2 goes by the FourCC its AVI gives (XviD, DivX 5) or by its own name.
            if (codec == "mpeg4") {
                EXPECT_TRUE(QStringList({"MP4V", "XVID", "DX50", "DIVX"}).contains(vd.CodecName))
                    << vd.CodecName.toStdString();
            } else {
                EXPECT_EQ(vd.CodecName, expectedVideoCodec(codec));
            }
            const QString size =
                QStringLiteral("%1x%2").arg(v.value("width").toInt()).arg(v.value("height").toInt());
            // MPEG-2 carries a picture aspect in its block, and so does any other compressed stream
            // whose pixels are not square; DV says its aspect in its frames.
            const QString dar = v.value("dar").toString();
            const QString sar = v.value("sar").toString();
            TAspectKind kind = TAspectKind::NotGiven;
            if (codec == "mpeg2video" || (codec != "dvvideo" && !sar.isEmpty() && sar != "1:1"))
                kind = dar == "4:3"    ? TAspectKind::Aspect4x3
                       : dar == "16:9" ? TAspectKind::Aspect16x9
                                       : TAspectKind::Other;
            EXPECT_EQ(vd.AspectKind, kind) << dar.toStdString();
            if (kind == TAspectKind::Other) {
                EXPECT_EQ(vd.Description, vd.CodecName + " (" + QString(dar).replace(':', 'x') + ")");
            }
            // Some elementary streams reach the description without a frame rate; a variable
            // rate's is the demuxer's average.
            if (v.contains("nominal_fps")) {
                EXPECT_TRUE(vd.SizeText.startsWith(size + " - ")) << vd.SizeText.toStdString();
            } else if (vd.Fps > 0)
                EXPECT_EQ(vd.SizeText, size + " - " + fpsText(v.value("fps").toString()) + " fps");
            else
                EXPECT_EQ(vd.SizeText, size);
        }
        // Audio streams in any order: each manifest stream matches one described stream.
        const QJsonArray wanted = e.value("audio").toArray();
        ASSERT_EQ(audio.size(), size_t(wanted.size()));
        std::vector<TframeData> described;
        for (const TMediaType &mt : audio) {
            TframeData fd;
            fd.AudioCodec = AudioCodecName(mt);
            EXPECT_TRUE(AudioFormatFromMediaType(mt, fd));
            described.push_back(fd);
        }
        for (const QJsonValue &w : wanted) {
            const QJsonObject a = w.toObject();
            const QString name = expectedAudioCodec(a.value("codec").toString());
            const QString channels = a.value("channels").toInt() == 1 ? " mono" : " stéréo";
            const QString start = name + QStringLiteral(" %1Hz ").arg(a.value("rate").toInt());
            const auto match = std::find_if(described.begin(), described.end(), [&](const TframeData &fd) {
                return fd.AudioCodec == name && fd.AudioRate == a.value("rate").toInt() &&
                       fd.AudioChannels == a.value("channels").toInt() && fd.AudioDesc.startsWith(start) &&
                       fd.AudioDesc.endsWith(channels);
            });
            EXPECT_NE(match, described.end()) << name.toStdString() << " among " << [&] {
                QStringList d;
                for (const auto &fd : described)
                    d << fd.AudioDesc;
                return d.join(", ").toStdString();
            }();
            if (match != described.end())
                described.erase(match);
        }
        ++checked;
    }
    EXPECT_GE(checked, 50);
}
