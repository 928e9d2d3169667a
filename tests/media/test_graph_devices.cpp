// Devices, sources and the media factory on the corpus: probing finds the right streams,
// sources connect and disconnect in any order, the notifiers report formats and DV codes.
#include "MediaTestUtil.h"
#include "core/TDateFormat.h"
#include "media/MediaMessages.h"
#include "media/TDVDevice.h"
#include "media/TDVMan.h"
#include "media/TMediaFactory.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "media/gst/TPadHub.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>

using namespace mediatest;

namespace {

QJsonObject manifest()
{
    QFile f(framixtest::corpusFile("manifest.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value("files").toObject();
}

// Collects what the notifiers post or send to a manager.
struct Inbox
{
    using Receiver = TMessageReceiver<TVideoFormatMsg, TAudioFormatMsg>;
    std::vector<Receiver::Message> messages;
    Receiver receiver{[this](auto &m) { messages.push_back(m); }};
    TFormatTargets targets() { return {&receiver, &receiver}; }
    template <class M> std::vector<M> all() const { return mediatest::messagesOf<M>(messages); }
    std::vector<TVideoData> videoFormats() const
    {
        std::vector<TVideoData> out;
        for (const TVideoFormatMsg &m : all<TVideoFormatMsg>())
            out.push_back(m.video);
        return out;
    }
    std::vector<TframeData> audioFormats() const
    {
        std::vector<TframeData> out;
        for (const TAudioFormatMsg &m : all<TAudioFormatMsg>())
            out.push_back(m.frame);
        return out;
    }
};

// A fakesink behind a source's notifier, standing in for decoder and renderer.
TGstElement attachSink(TGrapheMan &g, TavSource *s)
{
    TGstElement sink = MakeElement("fakesink");
    g_object_set(sink, "sync", FALSE, nullptr);
    g.Graph()->addElementUnique(sink, "test sink");
    TGstPad in = TGstPad::adopt(gst_element_get_static_pad(sink, "sink"));
    EXPECT_TRUE(TGstGraph::link(s->OutputPad(), in));
    gst_element_sync_state_with_parent(sink);
    return sink;
}

class MediaDevices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (manifest().isEmpty())
            GTEST_SKIP() << "corpus not generated";
        factory.SetGrapheMan(&graph);
    }
    TDVMan graph;
    TMediaFactory factory;
};

} // namespace

TEST_F(MediaDevices, EveryCorpusFileGivesItsStreams)
{
    // Timing-sensitive on a loaded machine (probe waits and stalls): run on demand for now.
    if (qEnvironmentVariableIntValue("FRAMIX_LONG") != 1)
        GTEST_SKIP() << "FRAMIX_LONG=1 runs it";
    const QJsonObject files = manifest();
    int checked = 0;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject info = it.value().toObject();
        const QString path = framixtest::corpusFile(it.key());
        if (!info.value("damaged").isNull() || factory.Choices(path).empty())
            continue;
        SCOPED_TRACE(it.key().toStdString());
        QElapsedTimer timer;
        timer.start();
        TFileDevice *dev = factory.OpenFile(path);
        if (timer.elapsed() > 1500)
            std::printf("slow probe: %s %lld ms\n", qPrintable(it.key()), timer.elapsed());
        ASSERT_NE(dev, nullptr);
        EXPECT_TRUE(dev->Valid);
        const bool hasVideo = info.value("video").isObject();
        const int audio = info.value("audio").toArray().size();
        EXPECT_EQ(dev->VideoCount, hasVideo ? 1 : 0);
        EXPECT_EQ(dev->AudioCount, audio);
        const QJsonArray kinds = info.value("kinds").toArray();
        if (kinds.contains("dv-type1")) {
            EXPECT_EQ(dev->DVCount, 1);
            ASSERT_NE(dev->VideoSource(0), nullptr);
            EXPECT_NE(dynamic_cast<TDVDevice *>(dev->VideoSource(0)->Parent), nullptr);
        }
        if (audio == 2) {
            EXPECT_EQ(dev->AudioSource(0)->DisplayName(), dev->DisplayName());
            EXPECT_EQ(dev->AudioSource(1)->DisplayName(), dev->DisplayName() + " #2");
        }
        EXPECT_EQ(dev->OwnerGraph, &graph);
        EXPECT_FALSE(dev->IsConnected());
        ++checked;
    }
    EXPECT_GT(checked, 20);
    // The probes leave nothing in the graph.
    EXPECT_TRUE(graph.Graph()->elements().empty());
}

TEST_F(MediaDevices, FactoryCachesByExactNameAndRebuildsAfterNewDefault)
{
    const QString f = corpus("ext_avi.avi");
    if (f.isEmpty())
        GTEST_SKIP();
    TFileDevice *a = factory.OpenFile(f);
    EXPECT_EQ(factory.OpenFile(f), a);
    EXPECT_EQ(factory.Choices(f).front().first, TMediaFactory::DefaultSourceRec());
    EXPECT_EQ(factory.Choices("x.WAV").front().first, TMediaFactory::WaveParserRec());
    EXPECT_EQ(factory.Choices("x.wav").size(), 1u);
    EXPECT_EQ(factory.Choices("x.dif").front().first, TMediaFactory::DvSplitterRec());
    EXPECT_TRUE(factory.Choices("x.txt").empty());
    EXPECT_EQ(factory.OpenFile("/tmp/whatever.txt"), nullptr);
    factory.SetDefaultSource(TMediaFactory::AviSplitterRec());
    TFileDevice *b = factory.OpenFile(f);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->SplitterRec, TMediaFactory::AviSplitterRec());
    EXPECT_EQ(b->VideoCount, 1);
    TMediaFactory lonely;
    EXPECT_EQ(lonely.OpenFile(f), nullptr);
    EXPECT_EQ(lonely.DeviceCount(), 0);
}

TEST_F(MediaDevices, DamagedAndUnsupportedFilesGiveInvalidDevices)
{
    QTemporaryDir dir;
    // Text and nothing under the extensions of each way in: the default reader (parsebin), the
    // AVI demuxer's row, the DV demuxer and the wave parser; and a file that is not there.
    QStringList bad;
    for (const char *ext : {"avi", "mkv", "dv", "wav", "mpg"}) {
        const QString text = dir.filePath(QStringLiteral("text.") + ext);
        const QString empty = dir.filePath(QStringLiteral("empty.") + ext);
        QFile t(text);
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        for (int i = 0; i < 200; ++i)
            t.write("this is not a video file at all\n");
        QFile e(empty);
        ASSERT_TRUE(e.open(QIODevice::WriteOnly));
        bad << text << empty;
    }
    bad << dir.filePath("gone.avi");
    for (const QString &f : bad) {
        SCOPED_TRACE(f.toStdString());
        TFileDevice *dev = factory.OpenFile(f);
        ASSERT_NE(dev, nullptr);
        EXPECT_FALSE(dev->Valid);
        EXPECT_EQ(dev->VideoCount + dev->AudioCount, 0);
        EXPECT_EQ(dev->VideoSource(0), nullptr);
    }
    // The normal run takes one cut and the noise variant of each container; FRAMIX_LONG=1 all.
    const bool all = qEnvironmentVariableIntValue("FRAMIX_LONG") == 1;
    const int savedTimeout = TMediaDevice::PadTimeoutMs;
    TMediaDevice::PadTimeoutMs = 2000;
    const QJsonObject files = manifest();
    int damaged = 0;
    QStringList errors;
    graph.OnGraphError = [&](const QString &e) { errors << e; };
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (it.value().toObject().value("damaged").isNull())
            continue;
        if (!all && !it.key().contains("cut4k") && !it.key().contains("noise"))
            continue;
        SCOPED_TRACE(it.key().toStdString());
        ++damaged;
        TFileDevice *dev = factory.OpenFile(framixtest::corpusFile(it.key()));
        if (!dev || !dev->Valid) {
            EXPECT_TRUE(!dev || dev->VideoCount + dev->AudioCount == 0);
            continue;
        }
        // Whatever was found must play or fail cleanly: errors come as values, on this thread.
        for (TavSource *s :
             {static_cast<TavSource *>(dev->VideoSource(0)), static_cast<TavSource *>(dev->AudioSource(0))}) {
            Inbox inbox;
            if (!s || !s->ConnectSource(&graph, inbox.targets()))
                continue;
            TGstElement sink = attachSink(graph, s);
            graph.Play();
            pump(100);
            graph.Stop();
            EXPECT_TRUE(s->DisconnectSource());
            graph.Graph()->removeElement(sink);
            EXPECT_TRUE(graph.Graph()->elements().empty());
        }
    }
    EXPECT_GT(damaged, 10);
    // A file that vanishes between probe and connect: both sources refuse to connect and leave
    // nothing behind.
    const QString src = corpus("ext_avi.avi");
    if (!src.isEmpty()) {
        const QString copy = dir.filePath("vanishing.avi");
        ASSERT_TRUE(QFile::copy(src, copy));
        TFileDevice *dev = factory.OpenFile(copy);
        ASSERT_TRUE(dev && dev->Valid && dev->VideoSource(0) && dev->AudioSource(0));
        QFile::remove(copy);
        Inbox inbox;
        EXPECT_FALSE(dev->VideoSource(0)->ConnectSource(&graph, inbox.targets()));
        EXPECT_FALSE(dev->AudioSource(0)->ConnectSource(&graph, inbox.targets()));
        EXPECT_FALSE(dev->IsConnected());
        EXPECT_TRUE(graph.VideoSources.isEmpty() && graph.AudioSources.isEmpty());
    }
    TMediaDevice::PadTimeoutMs = savedTimeout;
    // Nothing was left in the graph by any of them.
    EXPECT_TRUE(graph.Graph()->elements().empty());
    pump(50);
    std::printf("%lld errors reported as values\n", static_cast<long long>(errors.size()));
}

TEST_F(MediaDevices, SourcesConnectAndDisconnectInBothOrdersAndReportFormats)
{
    const QString f = corpus("dv_pal_alternate_type2.avi");
    if (f.isEmpty())
        GTEST_SKIP();
    TFileDevice *dev = factory.OpenFile(f);
    ASSERT_TRUE(dev && dev->VideoCount == 1 && dev->AudioCount == 1);
    TVideoSource *v = dev->VideoSource(0);
    TAudioSource *a = dev->AudioSource(0);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Inbox inbox;
        ASSERT_TRUE(v->ConnectSource(&graph, inbox.targets()));
        EXPECT_TRUE(v->ConnectSource(&graph, inbox.targets())); // already there
        TGstElement vs = attachSink(graph, v);
        ASSERT_TRUE(a->ConnectSource(&graph, inbox.targets()));
        TGstElement as = attachSink(graph, a);
        EXPECT_EQ(graph.VideoSources.size(), 1);
        EXPECT_EQ(graph.AudioSources.size(), 1);
        EXPECT_TRUE(graph.Graph()->findElement("Video Source Notifier"));
        EXPECT_TRUE(graph.Graph()->findElement("Audio Source Notifier"));
        ASSERT_TRUE(graph.Play());
        ASSERT_TRUE(
            waitUntil([&] { return !inbox.videoFormats().empty() && !inbox.audioFormats().empty(); }));
        ASSERT_TRUE(waitUntil([&] {
            auto vids = inbox.videoFormats();
            return vids.back().Description == "DV Type 2 Pal (4x3)";
        }));
        const TVideoData vd = inbox.videoFormats().back();
        EXPECT_EQ(vd.Width, 720);
        EXPECT_EQ(vd.Height, 576);
        EXPECT_DOUBLE_EQ(vd.Fps, 25.0);
        EXPECT_EQ(inbox.audioFormats().back().AudioDesc, QStringLiteral("PCM 48000Hz 16bits  stéréo"));
        // Disconnect in one order, then the other; the file's elements stay while one source is in.
        TavSource *first = round == 0 ? static_cast<TavSource *>(v) : a;
        TavSource *second = round == 0 ? static_cast<TavSource *>(a) : v;
        TGstElement firstSink = round == 0 ? vs : as, secondSink = round == 0 ? as : vs;
        EXPECT_TRUE(first->DisconnectSource());
        graph.Graph()->removeElement(firstSink);
        EXPECT_TRUE(dev->IsConnected());
        EXPECT_TRUE(graph.Graph()->findElement("File Source (Async.)"));
        pump(200);
        EXPECT_EQ(graph.Graph()->errorCount(), 0);
        EXPECT_TRUE(second->DisconnectSource());
        graph.Graph()->removeElement(secondSink);
        EXPECT_FALSE(dev->IsConnected());
        EXPECT_TRUE(graph.Graph()->elements().empty());
        EXPECT_TRUE(graph.VideoSources.isEmpty() && graph.AudioSources.isEmpty());
        graph.Stop();
    }
    EXPECT_EQ(graph.Graph()->errorCount(), 0);
}

TEST_F(MediaDevices, NtscDvIsDescribedAsNtscInEveryContainer)
{
    // 720x480 at 29.97 fps, whatever the container says first: raw, type-2 and type-1 AVI.
    for (const char *name : {"fi_dv_ntsc_wide.dv", "fi_dv_ntsc_wide_type2.avi", "fi_dv_ntsc_wide_type1.avi",
                             "dv_ntsc_date_type2.avi", "dv_ntsc_nopacks_type1.avi"}) {
        SCOPED_TRACE(name);
        const QString f = corpus(QString::fromLatin1(name));
        if (f.isEmpty())
            GTEST_SKIP();
        TFileDevice *dev = factory.OpenFile(f);
        ASSERT_TRUE(dev && dev->VideoCount == 1);
        TVideoSource *v = dev->VideoSource(0);
        Inbox inbox;
        ASSERT_TRUE(v->ConnectSource(&graph, inbox.targets()));
        TGstElement vs = attachSink(graph, v);
        ASSERT_TRUE(graph.Play());
        // The format of the first frames analysed (the container's own comes before).
        EXPECT_TRUE(waitUntil([&] {
            const auto vids = inbox.videoFormats();
            return !vids.empty() && vids.back().Description.contains(QStringLiteral("NTSC"));
        })) << (inbox.videoFormats().empty() ? std::string("no format")
                                             : inbox.videoFormats().back().Description.toStdString());
        const auto vids = inbox.videoFormats();
        ASSERT_FALSE(vids.empty());
        for (const TVideoData &vd : vids) {
            EXPECT_FALSE(vd.Description.contains(QStringLiteral("Pal"))) << vd.Description.toStdString();
            if (vd.Width > 0) {
                EXPECT_EQ(vd.Width, 720);
                EXPECT_EQ(vd.Height, 480);
            }
            if (vd.Fps > 0) {
                EXPECT_NEAR(vd.Fps, 30000.0 / 1001.0, 0.001);
            }
            if (!vd.SizeText.isEmpty()) {
                EXPECT_TRUE(vd.SizeText.startsWith(QStringLiteral("720x480"))) << vd.SizeText.toStdString();
            }
        }
        graph.Stop();
        EXPECT_TRUE(v->DisconnectSource());
        graph.Graph()->removeElement(vs);
    }
}

TEST_F(MediaDevices, DvManagerRaisesTheRecordingDateAndTimeCodeOfEachFrame)
{
    // Timing-sensitive on a loaded machine (probe waits and stalls): run on demand for now.
    if (qEnvironmentVariableIntValue("FRAMIX_LONG") != 1)
        GTEST_SKIP() << "FRAMIX_LONG=1 runs it";
    const QJsonObject files = manifest();
    for (const char *name : {"dv_pal_alternate_type1.avi", "dv_pal_alternate.dv"}) {
        SCOPED_TRACE(name);
        const QString f = corpus(name);
        if (f.isEmpty())
            continue;
        TFileDevice *dev = factory.OpenFile(f);
        ASSERT_TRUE(dev && dev->VideoSource(0));
        TVideoSource *v = dev->VideoSource(0);
        Inbox inbox;
        ASSERT_TRUE(v->ConnectSource(&graph, inbox.targets()));
        TGstElement sink = attachSink(graph, v);
        std::vector<std::pair<QString, QString>> codes;
        graph.DVCodeEnabled = true;
        graph.OnDVcode = [&](const QString &d, const QString &t) { codes.emplace_back(d, t); };
        graph.SetDVCodeSource(v);
        bool done = false;
        graph.OnGraphCompleted = [&] { done = true; };
        ASSERT_TRUE(graph.Play());
        ASSERT_TRUE(waitUntil([&] { return done; }, 20000));
        pump(100);
        const QJsonArray frames =
            files.value(name).toObject().value("dv").toObject().value("frames").toArray();
        // Frames that passed before the manager attached are not reported; each notification
        // carries the values of the frame before it, so the last one is that of frame N-2.
        const int n = frames.size(), m = int(codes.size());
        ASSERT_GE(m, n / 2);
        ASSERT_LE(m, n);
        const QString fmt = v->DvNotifier()->DateFormat();
        for (int j = 0; j < m; ++j) {
            const int fi = n - 1 - (m - j);
            // The first notification may still carry the values the notifier was reset to.
            if (fi < 0 || (j == 0 && codes[j].second == QStringLiteral("Pas de Timecode"))) {
                EXPECT_EQ(codes[j].second, QStringLiteral("Pas de Timecode"));
                continue;
            }
            const QJsonObject fr = frames[fi].toObject();
            const QStringList tc = fr.value("timecode").toString().split(':');
            const QString expectTc = QString::asprintf("%d:%s:%s:%s", tc[0].toInt(), qPrintable(tc[1]),
                                                       qPrintable(tc[2]), qPrintable(tc[3]));
            EXPECT_EQ(codes[j].second.toStdString(), expectTc.toStdString()) << fi;
            if (fr.value("date").isNull()) {
                EXPECT_EQ(codes[j].first.toStdString(), "Pas de Datecode") << fi;
            } else {
                const QDateTime d = QDateTime::fromString(fr.value("date").toString(), "yyyy-MM-dd HH:mm:ss");
                double dt = 0;
                ASSERT_TRUE(DateTimeFromParts(d.date().year(), d.date().month(), d.date().day(),
                                              d.time().hour(), d.time().minute(), d.time().second(), 0, dt));
                EXPECT_EQ(codes[j].first.toStdString(), FormatDateTime(fmt, dt).toStdString()) << fi;
            }
        }
        graph.SetDVCodeSource(nullptr);
        graph.Stop();
        EXPECT_TRUE(v->DisconnectSource());
        graph.Graph()->removeElement(sink);
        EXPECT_TRUE(graph.Graph()->elements().empty());
    }
}

// Debugging aid: FRAMIX_PROBE_FILE=<corpus file> probes one file and prints its streams.
TEST_F(MediaDevices, ProbeOneFileOnDemand)
{
    const QString name = qEnvironmentVariable("FRAMIX_PROBE_FILE");
    if (name.isEmpty())
        GTEST_SKIP();
    TFileDevice *dev = factory.OpenFile(framixtest::corpusFile(name));
    ASSERT_NE(dev, nullptr);
    std::printf("valid=%d video=%d audio=%d dv=%d\n", dev->Valid, dev->VideoCount, dev->AudioCount,
                dev->DVCount);
}

// A file cut right after its headers: its stream exists and has ended before it carried a
// frame. The probe must see the end instead of waiting out its time limit for data, on the
// stream and on the DV splitter behind it (the main thread waits there: four time-outs were
// twenty seconds of a frozen window).
TEST_F(MediaDevices, ProbesOfCutFilesNeverWaitOutTheirLimit)
{
    const int savedTimeout = TMediaDevice::PadTimeoutMs;
    TMediaDevice::PadTimeoutMs = 20000;
    QTemporaryDir copies;
    ASSERT_TRUE(copies.isValid());
    int tried = 0;
    // And files whose demuxer fails at once, inside parsebin: qtdemux's "no playable streams"
    // is parsebin's to pass on, and now and then it did not (a third of the opens of a MOV cut
    // in its media data, after a DV file had played), so the wait sat out its limit. The
    // demuxer's paused reading task ends the wait then. Each is probed several times, under
    // names of its own (the factory keeps a device per name), since it came and went.
    for (const char *name :
         {"damaged/dv_ntsc_nopacks_type1_cut1.avi", "damaged/ext_mov_cut4k.mov", "damaged/ext_avi_cut1.avi",
          "damaged/ext_ivf_cut1.ivf", "damaged/ext_ts_cut50.ts", "damaged/ext_mov_cut50.mov"}) {
        const QString path = framixtest::corpusFile(QString::fromLatin1(name));
        if (!QFileInfo::exists(path))
            continue;
        SCOPED_TRACE(name);
        const bool failsAtOnce =
            QByteArray(name).contains("ext_mov") || QByteArray(name).contains("ext_avi_cut1");
        for (int round = 0; round < (failsAtOnce ? 6 : 1); ++round) {
            const QString copy =
                copies.filePath(QStringLiteral("%1_%2").arg(round).arg(QFileInfo(path).fileName()));
            ASSERT_TRUE(QFile::copy(path, copy));
            ++tried;
            // The limit is 20 s: half of it is a wait that ran out, not a slow machine.
            QElapsedTimer timer;
            timer.start();
            TFileDevice *dev = factory.OpenFile(copy);
            EXPECT_LT(timer.elapsed(), 10000) << "a probe waited for its time limit, round " << round;
            ASSERT_NE(dev, nullptr);
            if (QByteArray(name).contains("_cut1.")) {
                EXPECT_EQ(dev->VideoCount + dev->AudioCount, 0);
            }
        }
    }
    TMediaDevice::PadTimeoutMs = savedTimeout;
    EXPECT_GT(tried, 0);
}

// parsebin exposes a whole group of streams at once and never says no-more-pads: its probe
// must end when every exposed pad has caps and data, not after the 300 ms of quiet that
// demuxers without a no-more-pads are given (which was most of an open's time on MP4, MKV,
// M2TS and AVI, paid twice: probe and connection).
TEST_F(MediaDevices, ParsebinProbesEndOnTheExposedGroupNotOnQuiet)
{
    int tried = 0;
    for (const char *name : {"fi_h264_1080.mp4", "fi_h264_1080.mkv", "fi_h264_1080.m2ts",
                             "fi_xvid_packed.avi", "dual_audio.mkv"}) {
        const QString path = framixtest::corpusFile(QString::fromLatin1(name));
        if (!QFileInfo::exists(path))
            continue;
        SCOPED_TRACE(name);
        ++tried;
        TFileDevice *dev = factory.OpenFile(path);
        ASSERT_NE(dev, nullptr);
        ASSERT_TRUE(dev->Valid);
        EXPECT_EQ(dev->SplitterRec.Factory, QByteArray("parsebin"));
        EXPECT_TRUE(dev->ProbeSettled == TPadHub::Settled::GroupExposed ||
                    dev->ProbeSettled == TPadHub::Settled::NoMorePads)
            << "settled on " << int(dev->ProbeSettled);
        EXPECT_EQ(dev->VideoCount + dev->AudioCount, QByteArray(name) == "dual_audio.mkv" ? 3 : 2);
    }
    EXPECT_GT(tried, 0);
}

// Frame steps of a paused graph move only the video on; the prerolled audio sink takes
// nothing. The audio that the demuxer reads beside each step must not pile up until it stops
// the demuxer (every 350th step of a DV file then waited out a 5 s time-out, and an interval
// run of an hour held 64 MB of it): past half a minute the oldest goes. The video's queue
// reads a few seconds ahead, not 64 MB.
TEST_F(MediaDevices, FrameStepsOfAPausedGraphLeaveTheAudioQueueBounded)
{
    const QString clip = corpus("fi_dv_pal.dv"); // 100 frames of PAL DV with sound
    if (clip.isEmpty())
        GTEST_SKIP();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString looped = dir.filePath("looped.dv");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-stream_loop", "11", "-i", clip, "-c", "copy",
                            "-f", "dv", looped});
    ASSERT_TRUE(ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0);

    TFileDevice *dev = factory.OpenFile(looped);
    ASSERT_TRUE(dev && dev->VideoCount == 1 && dev->AudioCount == 1);
    Inbox inbox;
    ASSERT_TRUE(dev->VideoSource(0)->ConnectSource(&graph, inbox.targets()));
    TGstElement vs = attachSink(graph, dev->VideoSource(0));
    ASSERT_TRUE(dev->AudioSource(0)->ConnectSource(&graph, inbox.targets()));
    TGstElement as = attachSink(graph, dev->AudioSource(0));
    std::atomic<int> prerolled{0};
    g_object_set(vs, "signal-handoffs", TRUE, nullptr);
    g_signal_connect(vs.get(), "preroll-handoff",
                     G_CALLBACK(+[](GstElement *, GstBuffer *, GstPad *, gpointer count) {
                         ++*static_cast<std::atomic<int> *>(count);
                     }),
                     &prerolled);
    ASSERT_TRUE(graph.Pause());
    ASSERT_TRUE(waitUntil([&] { return prerolled.load() >= 1; }, 10000));

    std::vector<GstElement *> videoQueues, audioQueues;
    for (GstElement *e : graph.Graph()->elements()) {
        GstElementFactory *f = gst_element_get_factory(e);
        if (!f || g_strcmp0(GST_OBJECT_NAME(f), "queue") != 0)
            continue;
        TGstPad src = TGstPad::adopt(gst_element_get_static_pad(e, "src"));
        TGstCaps caps = TGstCaps::adopt(gst_pad_get_current_caps(src));
        if (!caps)
            continue;
        const TPadHub::Kind kind = TPadHub::kindOfCaps(caps);
        (kind == TPadHub::Kind::Audio ? audioQueues : videoQueues).push_back(e);
    }
    ASSERT_EQ(audioQueues.size(), 1u);
    ASSERT_EQ(videoQueues.size(), 1u);

    auto levelSeconds = [](GstElement *q) {
        guint64 ns = 0;
        g_object_get(q, "current-level-time", &ns, nullptr);
        return double(ns) / GST_SECOND;
    };
    // 1,100 frames of 40 ms: 44 s of sound beside them.
    int stuck = 0;
    for (int step = 0; step < 1100 && stuck == 0; ++step) {
        const int before = prerolled.load();
        gst_element_send_event(vs, gst_event_new_step(GST_FORMAT_BUFFERS, 1, 1.0, TRUE, FALSE));
        if (!waitUntil([&] { return prerolled.load() > before; }, 10000))
            stuck = step + 1;
    }
    EXPECT_EQ(stuck, 0) << "a frame step stopped coming";
    EXPECT_LE(levelSeconds(audioQueues[0]), 31.0);
    EXPECT_LE(levelSeconds(videoQueues[0]), 4.0);
    graph.Stop();
    EXPECT_TRUE(dev->AudioSource(0)->DisconnectSource());
    EXPECT_TRUE(dev->VideoSource(0)->DisconnectSource());
    graph.Graph()->removeElement(vs);
    graph.Graph()->removeElement(as);
    EXPECT_EQ(graph.Graph()->errorCount(), 0);
}
