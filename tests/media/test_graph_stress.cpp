// Threads and faults: random flushing seeks, pauses, plays and stops from the main thread on a
// playing graph while the notifiers' sent messages are answered slowly (0 to 50 ms each), then
// the graph is closed. Every operation must come back within 5 s (a watchdog prints every
// thread's stack and aborts otherwise), the pipeline never reports an error, GLib criticals are
// fatal, and after each seek the first frame that reaches the picture sink is the frame sought
// (the clips draw their own frame number into every picture).
//
// The normal run does 60 operations per file; FRAMIX_LONG=1 does 1000 (FRAMIX_STRESS_OPS and
// FRAMIX_STRESS_SEED override the count and the random seed; FRAMIX_STRESS_LIMIT_MS the 5 s limit,
// for sanitizer builds only, whose race reports alone can hold a streaming lock for seconds).
#include "MediaTestUtil.h"
#include "media/MediaMessages.h"
#include "media/TDVMan.h"
#include "media/TFrameIndex.h"
#include "media/TMediaFactory.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include <unistd.h>

using namespace mediatest;
using SteadyClock = std::chrono::steady_clock;

namespace {

// Fails the run when an operation of the main thread does not return in time. The main thread
// is stuck then, so the test cannot go on: the watchdog prints every thread's stack and aborts.
class Watchdog
{
public:
    explicit Watchdog(std::chrono::milliseconds limit) : m_limit(limit), m_thread([this] { run(); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    void arm(std::string what)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_what = std::move(what);
        m_deadline = SteadyClock::now() + m_limit;
        m_armed = true;
        m_changed.notify_all();
    }
    void disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
    }

    // Every thread of this process: gdb's backtraces, else the kernel's view of each thread.
    static void dumpStacks()
    {
        const std::string gdb = "gdb -batch -nx -p " + std::to_string(getpid()) +
                                " -ex 'set pagination off' -ex 'thread apply all bt' 1>&2";
        if (std::system(gdb.c_str()) == 0)
            return;
        std::system(("for t in /proc/" + std::to_string(getpid()) +
                     "/task/*; do echo \"== $t $(cat $t/comm) $(cat $t/wchan)\"; cat $t/stack; done 1>&2")
                        .c_str());
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_quit) {
            if (!m_armed) {
                m_changed.wait(lock);
                continue;
            }
            const auto deadline = m_deadline;
            m_changed.wait_until(lock, deadline);
            if (m_armed && !m_quit && m_deadline == deadline && SteadyClock::now() >= deadline) {
                std::fprintf(stderr, "\nWATCHDOG: \"%s\" did not return within %lld ms\n", m_what.c_str(),
                             static_cast<long long>(m_limit.count()));
                dumpStacks();
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    std::chrono::milliseconds m_limit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_what;
    SteadyClock::time_point m_deadline;
    bool m_armed = false;
    bool m_quit = false;
    std::thread m_thread;
};

// Reads the number of the first picture that reaches the sink after each flush.
struct FrameTap
{
    std::atomic<int> flushes{0};    // FLUSH_STOP events seen
    std::atomic<int> readAfter{-1}; // the flush count when the last picture was read
    std::atomic<int> index{-1};     // the number that picture shows (-1: unreadable)
    std::atomic<bool> awaiting{false};
    std::atomic<int> frames{0}; // pictures that reached the sink

    // Streaming thread (the sink's), or the seeking thread for the flush.
    static GstPadProbeReturn probe(GstPad *pad, GstPadProbeInfo *info, gpointer data)
    {
        auto *tap = static_cast<FrameTap *>(data);
        if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_FLUSH) {
            if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP) {
                ++tap->flushes;
                tap->awaiting = true;
            }
            return GST_PAD_PROBE_OK;
        }
        ++tap->frames;
        if (!tap->awaiting.exchange(false))
            return GST_PAD_PROBE_OK;
        const int after = tap->flushes.load();
        int n = -1;
        GstVideoInfo vi;
        TGstCaps caps = TGstCaps::adopt(gst_pad_get_current_caps(pad));
        GstBuffer *buf = GST_PAD_PROBE_INFO_BUFFER(info);
        GstVideoFrame frame;
        if (caps && gst_video_info_from_caps(&vi, caps) &&
            gst_video_frame_map(&frame, &vi, buf, GST_MAP_READ)) {
            const QImage img(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                             GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                             GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
            n = FrameIndexFromImage(img);
            gst_video_frame_unmap(&frame);
        }
        tap->index = n;
        tap->readAfter = after;
        return GST_PAD_PROBE_OK;
    }
};

// The main window's side of the sent DV-overlay messages, answering each after 0 to 50 ms.
struct SlowOverlay
{
    QRandomGenerator rnd;
    int handled = 0;
    TMessageReceiver<TDvIncrustMsg> receiver{[this](TDvIncrustMsg &) {
        ++handled;
        QThread::msleep(rnd.bounded(51));
    }};
    explicit SlowOverlay(quint32 seed) : rnd(seed) {}
};

QJsonObject manifestEntry(const QString &name)
{
    QFile f(framixtest::corpusFile("manifest.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value("files").toObject().value(name).toObject();
}

// The highest-ranked decoder for what comes out of pad.
TGstElement decoderFor(GstPad *pad)
{
    TGstCaps caps = TGstCaps::adopt(gst_pad_query_caps(pad, nullptr));
    GList *all = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER, GST_RANK_MARGINAL);
    GList *fit = gst_element_factory_list_filter(all, caps, GST_PAD_SINK, FALSE);
    fit = g_list_sort(fit, gst_plugin_feature_rank_compare_func);
    TGstElement dec;
    if (fit)
        dec = TGstElement::sink(gst_element_factory_create(GST_ELEMENT_FACTORY(fit->data), nullptr));
    gst_plugin_feature_list_free(fit);
    gst_plugin_feature_list_free(all);
    return dec;
}

// Adds and links elements behind from, in order, and starts them.
bool chainBehind(TGstGraph &g, GstPad *from, std::vector<TGstElement> &elements, const QString &prefix)
{
    GstPad *out = from;
    TGstPad keep;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (!elements[i] || g.addElementUnique(elements[i], prefix + QString::number(i)).isEmpty())
            return false;
        TGstPad in = TGstPad::adopt(gst_element_get_static_pad(elements[i], "sink"));
        if (!TGstGraph::link(out, in))
            return false;
        keep = TGstPad::adopt(gst_element_get_static_pad(elements[i], "src"));
        out = keep;
    }
    for (auto it = elements.rbegin(); it != elements.rend(); ++it)
        gst_element_sync_state_with_parent(*it);
    return true;
}

int opCount()
{
    if (qEnvironmentVariableIsSet("FRAMIX_STRESS_OPS"))
        return qEnvironmentVariableIntValue("FRAMIX_STRESS_OPS");
    return qEnvironmentVariableIntValue("FRAMIX_LONG") == 1 ? 1000 : 60;
}

quint32 seed()
{
    if (qEnvironmentVariableIsSet("FRAMIX_STRESS_SEED"))
        return quint32(qEnvironmentVariableIntValue("FRAMIX_STRESS_SEED"));
    return QRandomGenerator::global()->generate();
}

class GraphStress : public ::testing::TestWithParam<const char *>
{
protected:
    void SetUp() override
    {
        // As G_DEBUG=fatal-criticals does (GLib reads that variable only when it starts).
        m_savedFatal = g_log_set_always_fatal(GLogLevelFlags(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL));
    }
    void TearDown() override { g_log_set_always_fatal(m_savedFatal); }

private:
    GLogLevelFlags m_savedFatal = GLogLevelFlags(0);
};

} // namespace

TEST_P(GraphStress, RandomSeeksPausesPlaysAndStopsNeverFreezeAndShowTheFrameSought)
{
    const QString name = QString::fromLatin1(GetParam());
    const QString path = corpus(name);
    const QJsonObject info = manifestEntry(name);
    if (path.isEmpty() || info.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    const QJsonObject video = info.value("video").toObject();
    const int frameCount = video.value("frames").toInt();
    const QStringList fps = video.value("fps").toString().split('/');
    ASSERT_EQ(fps.size(), 2);
    // The start of frame n in 100-ns units, rounded up so that the seek lands inside frame n.
    const int64_t num = fps[0].toLongLong(), den = fps[1].toLongLong();
    auto frameStart = [&](int n) { return (int64_t(n) * 10000000LL * den + num - 1) / num; };
    ASSERT_GT(frameCount, 10);

    const quint32 s = seed();
    const int ops = opCount();
    SCOPED_TRACE("FRAMIX_STRESS_SEED=" + std::to_string(s));
    QRandomGenerator rnd(s);
    const int limitMs = qEnvironmentVariableIsSet("FRAMIX_STRESS_LIMIT_MS")
                            ? qEnvironmentVariableIntValue("FRAMIX_STRESS_LIMIT_MS")
                            : 5000;
    Watchdog watchdog{std::chrono::milliseconds(limitMs)};
    SlowOverlay overlay(s ^ 0x5a5a5a5au);

    // The format reports go where a manager would take them, and are dropped there.
    TMessageReceiver<TVideoFormatMsg, TAudioFormatMsg> formats{[](auto &) {}};
    auto graph = std::make_unique<TDVMan>();
    TMediaFactory factory;
    factory.SetGrapheMan(graph.get());
    QStringList errors;
    graph->OnGraphError = [&](const QString &e) { errors << e; };
    int dvCodes = 0;
    graph->DVCodeEnabled = true;
    graph->OnDVcode = [&](const QString &, const QString &) { ++dvCodes; };

    watchdog.arm("open " + name.toStdString());
    TFileDevice *dev = factory.OpenFile(path);
    watchdog.disarm();
    ASSERT_TRUE(dev && dev->Valid && dev->VideoSource(0) && dev->AudioSource(0));
    TVideoSource *v = dev->VideoSource(0);
    TAudioSource *a = dev->AudioSource(0);
    ASSERT_TRUE(v->ConnectSource(graph.get(), {&formats, &formats}));
    ASSERT_TRUE(a->ConnectSource(graph.get(), {&formats, &formats}));
    graph->SetDVCodeSource(v);

    // Behind the video: a decoder, the conversion the picture widget takes, and an appsink that
    // keeps only the newest picture; behind the audio, a sink that keeps time.
    std::vector<TGstElement> vchain{decoderFor(v->OutputPad()), MakeElement("videoconvert"),
                                    MakeElement("capsfilter"), MakeElement("appsink")};
    TGstCaps bgrx = TGstCaps::adopt(gst_caps_from_string("video/x-raw,format=BGRx"));
    g_object_set(vchain[2], "caps", bgrx.get(), nullptr);
    g_object_set(vchain[3], "sync", TRUE, "max-buffers", 1u, "drop", TRUE, "emit-signals", FALSE, nullptr);
    ASSERT_TRUE(chainBehind(*graph->Graph(), v->OutputPad(), vchain, "test video "));
    std::vector<TGstElement> achain{MakeElement("fakesink")};
    g_object_set(achain[0], "sync", TRUE, nullptr);
    ASSERT_TRUE(chainBehind(*graph->Graph(), a->OutputPad(), achain, "test audio "));
    FrameTap tap;
    TGstPad tapPad = TGstPad::adopt(gst_element_get_static_pad(vchain[3], "sink"));
    gst_pad_add_probe(tapPad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                      &FrameTap::probe, &tap, nullptr);

    // The overlay channel of every notifier on the way: each sample waits for the slow answer.
    std::set<TNotifier *> notifiers{v->OwnNotifier(), v->DvNotifier(), a->OwnNotifier(), a->DvNotifier()};
    for (TNotifier *n : notifiers) {
        n->SetIncrustTarget(&overlay.receiver);
        n->SetNotifyIncrust(true);
    }

    long long slowest = 0;
    std::string slowestOp;
    auto timed = [&](const std::string &what, const std::function<bool()> &op) {
        const auto t0 = SteadyClock::now();
        watchdog.arm(what);
        const bool ok = op();
        watchdog.disarm();
        const long long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - t0).count();
        if (ms > slowest)
            slowest = ms, slowestOp = what;
        return ok;
    };

    ASSERT_TRUE(timed("first play", [&] { return graph->Play(); }));
    pump(200);
    int seeks = 0, checked = 0, wrong = 0, unseen = 0;
    std::vector<int> kinds(4, 0);
    for (int i = 0; i < ops; ++i) {
        const int kind = int(rnd.bounded(4));
        ++kinds[kind];
        const std::string tag = "op " + std::to_string(i) + ": ";
        switch (kind) {
        case 0: {
            const int target = int(rnd.bounded(frameCount));
            const int before = tap.flushes.load();
            ++seeks;
            const bool ok = timed(tag + "seek to frame " + std::to_string(target),
                                  [&] { return graph->Graph()->seek(frameStart(target)); });
            EXPECT_TRUE(ok) << tag << "seek refused";
            if (!ok)
                break;
            // Not a speed check: a picture that never comes is a stall.
            if (!waitUntil([&] { return tap.readAfter.load() > before; }, 60000)) {
                ++unseen;
                ADD_FAILURE() << tag << "no picture after the seek to frame " << target;
                break;
            }
            ++checked;
            if (tap.index.load() != target && wrong++ < 10)
                ADD_FAILURE() << tag << "seek to frame " << target << " shows frame " << tap.index.load();
            break;
        }
        case 1:
            EXPECT_TRUE(timed(tag + "pause", [&] { return graph->Pause(); }));
            break;
        case 2:
            EXPECT_TRUE(timed(tag + "play", [&] { return graph->Play(); }));
            break;
        case 3:
            EXPECT_TRUE(timed(tag + "stop", [&] { return graph->Stop(); }));
            break;
        }
        // Let the streams run a little between operations, answering messages meanwhile.
        pump(int(rnd.bounded(80)));
        ASSERT_EQ(graph->Graph()->errorCount(), 0) << tag << graph->Graph()->lastError().toStdString();
    }

    // Close the graph while the streams still run and the overlay is still being sent.
    if (rnd.bounded(2))
        timed("play before closing", [&] { return graph->Play(); });
    timed("close the graph", [&] {
        graph->SetDVCodeSource(nullptr);
        v->DisconnectSource();
        a->DisconnectSource();
        for (auto *chain : {&vchain, &achain})
            for (auto &e : *chain)
                graph->Graph()->removeElement(e);
        factory.ClearDevices();
        graph.reset();
        return true;
    });
    EXPECT_TRUE(errors.isEmpty()) << errors.join(" | ").toStdString();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(unseen, 0);
    EXPECT_GT(overlay.handled, 0);
    std::printf("%s: %d operations (seek %d, pause %d, play %d, stop %d), %d seeks checked, %d wrong, "
                "%d overlay messages answered slowly, %d DV codes, %d pictures, slowest operation %lld ms "
                "(%s), seed %u\n",
                qPrintable(name), ops, kinds[0], kinds[1], kinds[2], kinds[3], checked, wrong,
                overlay.handled, dvCodes, tap.frames.load(), slowest, slowestOp.c_str(), s);
}

INSTANTIATE_TEST_SUITE_P(CorpusClips, GraphStress,
                         ::testing::Values("fi_dv_pal_type1.avi", "fi_h264_576w.mp4"),
                         [](const ::testing::TestParamInfo<const char *> &p) {
                             return p.index == 0 ? std::string("DvType1Avi") : std::string("H264LongGop");
                         });
