// The decoder manager on real files: the video and audio of corpus files reach a renderer-like
// sink through the decoder it chose, NextDecoder steps through every decoder GStreamer offers
// for the stream and leaves the graph as it was, post filters sit behind the decoder (and a
// post filter that does not fit undoes the whole chain), private filters come first.
#include "MediaTestUtil.h"
#include "media/TDecoderMan.h"
#include "media/TGrapheMan.h"
#include "media/TMediaFactory.h"
#include "media/TNotifier.h"
#include "media/TPrivateFilters.h"
#include "media/TavSource.h"
#include "media/gst/TPassThrough.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

using namespace mediatest;

namespace {

// The renderer's place: a converter and a sink, so that only decoded samples are taken. Counts
// the samples that reach it.
struct TestRenderer
{
    TGstElement bin;
    std::shared_ptr<std::atomic<int>> samples = std::make_shared<std::atomic<int>>(0);

    TestRenderer(TGrapheMan &g, bool video, const QString &name = QStringLiteral("Renderer"))
    {
        bin = TGstElement::sink(gst_bin_new(nullptr));
        TGstElement conv = MakeElement(video ? "videoconvert" : "audioconvert");
        TGstElement sink = MakeElement("fakesink");
        g_object_set(sink, "sync", TRUE, nullptr); // real time while playing
        gst_bin_add_many(GST_BIN(bin.get()), conv.get(), sink.get(), nullptr);
        gst_element_link(conv, sink);
        TGstPad target = TGstPad::adopt(gst_element_get_static_pad(conv, "sink"));
        GstPad *ghost = gst_ghost_pad_new("sink", target);
        gst_element_add_pad(bin, ghost);
        auto counter = new std::shared_ptr<std::atomic<int>>(samples);
        TGstPad in = TGstPad::adopt(gst_element_get_static_pad(sink, "sink"));
        gst_pad_add_probe(
            in, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad *, GstPadProbeInfo *, gpointer d) {
                (*static_cast<std::shared_ptr<std::atomic<int>> *>(d))->fetch_add(1);
                return GST_PAD_PROBE_OK;
            },
            counter, [](gpointer d) { delete static_cast<std::shared_ptr<std::atomic<int>> *>(d); });
        EXPECT_TRUE(g.Graph()->addElement(bin, name));
        gst_element_sync_state_with_parent(bin);
    }
    GstPad *input() const
    {
        return GST_ELEMENT_PADS(bin.get()) ? GST_PAD(GST_ELEMENT_PADS(bin.get())->data) : nullptr;
    }
    bool receives(int atLeast = 1, int ms = 15000) const
    {
        return waitUntil([&] { return samples->load() >= atLeast; }, ms);
    }
};

// A file opened through the default source, its first video or audio stream connected.
struct Stream
{
    TGrapheMan graph;
    std::unique_ptr<TFileDevice> device;
    TavSource *source = nullptr;
    TDecoderLinks defaults, learned;
    TDecoderMan man;
    std::unique_ptr<TestRenderer> renderer;

    bool open(const QString &path, bool video,
              const TElementRec &splitter = TMediaFactory::DefaultSourceRec())
    {
        const QString ext = QFileInfo(path).suffix();
        const TElementRec &reader = TMediaFactory::FileSourceRec();
        // A probe that ran out of time on a busy machine is tried again, as the factory does.
        for (int i = 0; i < 3 && (!device || device->ProbeTimedOut || !device->Valid); ++i)
            device = std::make_unique<TFileDevice>(
                path, ext == "dv" ? TMediaFactory::DvSplitterRec() : splitter, reader);
        source = video ? static_cast<TavSource *>(device->VideoSource(0)) : device->AudioSource(0);
        if (!source || !source->ConnectSource(&graph, {}))
            return false;
        man.Configure(&defaults, &learned,
                      video ? TDecoderLists::NoVideoDecoder() : TDecoderLists::NoAudioDecoder());
        man.Graph = &graph;
        renderer = std::make_unique<TestRenderer>(graph, video);
        return true;
    }
    bool connect() { return man.ConnectDecoder(source->OwnNotifier()->element(), renderer->bin); }
    ~Stream()
    {
        man.DisconnectDecoder();
        if (source)
            source->DisconnectSource();
        renderer.reset();
        graph.ClearGraph();
    }
};

// What every element of the graph is doing (printed when a stream stalls).
void dumpGraph(TGrapheMan &g)
{
    for (auto &e : g.Graph()->elements()) {
        GstState st = GST_STATE_VOID_PENDING, pending = GST_STATE_VOID_PENDING;
        gst_element_get_state(e, &st, &pending, 0);
        std::fprintf(stderr, "  %s: %s%s%s\n", GST_OBJECT_NAME(e.get()), gst_element_state_get_name(st),
                     pending != GST_STATE_VOID_PENDING ? " -> " : "",
                     pending != GST_STATE_VOID_PENDING ? gst_element_state_get_name(pending) : "");
        for (auto &p : TGstGraph::pins(e)) {
            TGChars caps(p.caps ? gst_caps_to_string(p.caps) : nullptr);
            std::fprintf(stderr, "    %s %s%s %.80s\n", GST_OBJECT_NAME(p.pad.get()),
                         p.connected() ? "linked" : "open", gst_pad_is_blocked(p.pad) ? " blocked" : "",
                         caps.get());
        }
    }
}

// Opens, connects and runs (or pauses) a stream until its first sample reaches the renderer.
// prepare() sets the manager up before the connection. A stream that stalls (no sample although
// the chain is in place) fails the test with the state of every element.
std::unique_ptr<Stream> start(const QString &path, bool video, bool playing = false,
                              const TElementRec &splitter = TMediaFactory::DefaultSourceRec(),
                              const std::function<void(Stream &)> &prepare = {})
{
    auto s = std::make_unique<Stream>();
    if (prepare)
        prepare(*s);
    if (!s->open(path, video, splitter)) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return nullptr;
    }
    if (!s->connect()) {
        ADD_FAILURE() << "no decoder connected";
        return nullptr;
    }
    if (playing)
        s->graph.Play();
    else
        s->graph.Pause();
    if (s->renderer->receives())
        return s;
    dumpGraph(s->graph);
    ADD_FAILURE() << "no sample reached the renderer";
    return nullptr;
}

QJsonObject manifestFiles()
{
    QFile f(framixtest::corpusFile("manifest.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value("files").toObject();
}

bool haveCorpus()
{
    return !manifestFiles().isEmpty();
}

bool longRun()
{
    return qEnvironmentVariableIntValue("FRAMIX_LONG") == 1;
}

// Walks NextDecoder until the first decoder comes back; the factories met in order.
QStringList cycle(Stream &s, bool playing)
{
    QStringList seen;
    seen << QString::fromUtf8(s.man.CurrentFactory());
    for (int i = 0; i < 8; ++i) {
        const int before = s.renderer->samples->load();
        const bool ok = s.man.NextDecoder();
        EXPECT_TRUE(ok);
        EXPECT_EQ(s.graph.State(), playing ? TGrapheManState::gmPlaying : TGrapheManState::gmPaused);
        // The new decoder delivers (from the position the stream had).
        EXPECT_TRUE(s.renderer->receives(before + 1)) << s.man.CurrentFactory().constData();
        // What serves the type is learned again at once.
        EXPECT_EQ(s.learned.GetDecoder(s.man.Key()), s.man.Current);
        const QString f = QString::fromUtf8(s.man.CurrentFactory());
        if (f == seen.front())
            return seen;
        if (seen.contains(f)) {
            ADD_FAILURE() << "decoder came back out of turn: " << f.toStdString();
            return seen;
        }
        seen << f;
    }
    ADD_FAILURE() << "the cycle never came back to the first decoder";
    return seen;
}

class DecoderMan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!haveCorpus())
            GTEST_SKIP() << "corpus not generated";
    }
};

} // namespace

TEST_F(DecoderMan, StreamsReachTheRendererThroughTheDecoderChosen)
{
    struct Case
    {
        const char *file;
        bool video;
        const char *decoder; // factory expected, "" for no decoder
    };
    const Case cases[] = {
        {"fi_dv_pal_type2.avi", true, "avdec_dvvideo"},
        {"fi_dv_pal_type2.avi", false, ""},
        {"ext_vob.vob", true, "avdec_mpeg2video"},
        {"ext_vob.vob", false, "a52dec"},
        {"ext_mkv.mkv", true, "avdec_h264"},
        {"ext_mkv.mkv", false, "avdec_aac"},
        {"audio_pcm.wav", false, ""},
        {"fi_dv_pal.dv", true, "avdec_dvvideo"}, // raw DV through dvdemux
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.video ? " video" : " audio"));
        const QString path = corpus(c.file);
        ASSERT_FALSE(path.isEmpty());
        auto s =
            start(path, c.video, false,
                  path.endsWith(".wav") ? TMediaFactory::WaveParserRec() : TMediaFactory::DefaultSourceRec());
        ASSERT_TRUE(s);
        EXPECT_EQ(s->man.CurrentFactory(), QByteArray(c.decoder));
        ASSERT_NE(s->man.Current, nullptr);
        if (!*c.decoder)
            EXPECT_EQ(s->man.Current, s->man.NoneRec);
        else
            EXPECT_EQ(s->man.Current->Name, QString::fromUtf8(c.decoder)); // its name in the graph
        EXPECT_EQ(s->man.Phase, 2);
        EXPECT_EQ(s->learned.GetDecoder(s->man.Key()), s->man.Current);
    }
}

TEST_F(DecoderMan, EveryCorpusStreamConnects)
{
    if (!longRun())
        GTEST_SKIP() << "FRAMIX_LONG=1 runs it over the whole corpus";
    const QJsonObject files = manifestFiles();
    TMediaFactory factory;
    int checked = 0;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject info = it.value().toObject();
        const QString path = framixtest::corpusFile(it.key());
        if (!info.value("damaged").isNull() || it.key().startsWith("damaged/"))
            continue;
        const bool hasVideo = info.value("video").isObject();
        const bool hasAudio = !info.value("audio").toArray().isEmpty();
        const auto choices = factory.Choices(path);
        for (bool video : {true, false}) {
            if (video ? !hasVideo : !hasAudio)
                continue;
            SCOPED_TRACE(it.key().toStdString() + (video ? " video" : " audio"));
            auto s = start(path, video, false,
                           choices.empty() ? TMediaFactory::DefaultSourceRec() : choices.front().first);
            ASSERT_TRUE(s);
            std::printf("%s %s: %s\n", qPrintable(it.key()), video ? "video" : "audio",
                        qPrintable(s->man.Current->Name));
            ++checked;
        }
    }
    EXPECT_GT(checked, 40);
}

TEST_F(DecoderMan, NextDecoderCyclesThroughEveryDecoderAndKeepsTheState)
{
    struct Case
    {
        const char *file;
        bool video;
        QStringList decoders;
        bool playing;
    };
    const Case cases[] = {
        {"fi_dv_pal_type2.avi", true, {"avdec_dvvideo", "dvdec"}, false},
        {"mpeg2_es_4x3_25.m2v", true, {"avdec_mpeg2video", "mpeg2dec"}, false},
        {"fi_h264_576w.mp4", false, {"avdec_aac", "faad"}, true},
        {"fi_h264_576w.m2ts", false, {"avdec_ac3", "a52dec"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = corpus(c.file);
        ASSERT_FALSE(path.isEmpty());
        auto started = start(path, c.video, c.playing);
        ASSERT_TRUE(started);
        Stream &s = *started;
        const QStringList seen = cycle(s, c.playing);
        for (const QString &d : c.decoders)
            EXPECT_TRUE(seen.contains(d)) << d.toStdString() << " not in " << seen.join(' ').toStdString();
        // Back at the first decoder: the cycle started again with nothing excluded.
        EXPECT_TRUE(s.man.Excluded.isEmpty());
        EXPECT_EQ(s.man.Phase, 2);
        // Every other decoder is excluded once its turn is over.
        ASSERT_TRUE(s.man.NextDecoder());
        EXPECT_EQ(s.man.Excluded, QStringList{FactoryGuid(seen.front().toUtf8()).toString()});
    }
}

// A decoder change stops the graph, and the stop's notifications (and the messages streaming
// threads send meanwhile) may disconnect the stream, which takes the graph from the manager:
// the change must end there, not go on with a graph it no longer has (a crash the monkey found).
TEST_F(DecoderMan, ADecoderChangeWhoseGraphIsTakenMidwayEndsThere)
{
    const QString path = corpus("fi_h264_576w.mp4");
    ASSERT_FALSE(path.isEmpty());
    auto started = start(path, false);
    ASSERT_TRUE(started);
    Stream &s = *started;
    bool taken = false;
    s.graph.OnStateChange = [&](TGrapheManState state) {
        if (state == TGrapheManState::gmStopped && s.man.Graph) {
            s.man.DisconnectDecoder();
            s.man.Graph = nullptr;
            taken = true;
        }
    };
    EXPECT_FALSE(s.man.NextDecoder());
    EXPECT_TRUE(taken);
    s.graph.OnStateChange = nullptr;
    s.man.Graph = &s.graph;
}

TEST(DecoderManIdle, NothingToStepFromBeforeTheFirstConnection)
{
    TGrapheMan graph;
    TDecoderMan man;
    man.Configure(&TDecoderLists::VideoDefaults(), &TDecoderLists::VideoLearned(),
                  TDecoderLists::NoVideoDecoder());
    man.Graph = &graph;
    EXPECT_FALSE(man.NextDecoder());
    EXPECT_EQ(graph.State(), TGrapheManState::gmPaused);
    EXPECT_EQ(man.Current, nullptr);
    EXPECT_FALSE(man.ConnectDecoder(nullptr, nullptr));
}

TEST_F(DecoderMan, CandidatesComeFirstAndDefaultLinksAreKeptOut)
{
    const QString path = corpus("fi_dv_pal_type2.avi");
    TFilterRec *wrong = TFilterRecs::Global().FindOrAddFactory("avdec_aac", "avdec_aac", fkRegistered);
    TFilterRec *dvdec = TFilterRecs::Global().FindOrAddFactory("dvdec", "test dvdec", fkRegistered);
    // The automatic connection keeps the default decoder of the type out.
    TFilterRec *libav =
        TFilterRecs::Global().FindOrAddFactory("avdec_dvvideo", "avdec_dvvideo", fkRegistered);
    auto started = start(path, true, false, TMediaFactory::DefaultSourceRec(), [&](Stream &st) {
        st.man.Candidates = {wrong, dvdec};
        st.defaults.SetDecoder({MEDIATYPE_Video, GUID_NULL, GUID_NULL}, libav);
    });
    ASSERT_TRUE(started);
    Stream &s = *started;
    EXPECT_EQ(s.man.Current, dvdec); // the candidate that cannot take DV was skipped
    EXPECT_EQ(s.man.Phase, 1);
    EXPECT_EQ(s.man.Next, 2);
    // Phase 1 done: the automatic connection with the default decoder excluded gives dvdec.
    ASSERT_TRUE(s.man.NextDecoder());
    EXPECT_EQ(s.man.Phase, 2);
    EXPECT_EQ(s.man.CurrentFactory(), QByteArray("dvdec"));
    EXPECT_NE(s.man.Current, dvdec); // found by the walk: a record of its own
    EXPECT_TRUE(s.man.Excluded.contains(libav->ClsidText()));
    // Nothing left: the cycle restarts with the first candidate that connects.
    const int before = s.renderer->samples->load();
    ASSERT_TRUE(s.man.NextDecoder());
    EXPECT_EQ(s.man.Current, dvdec);
    EXPECT_EQ(s.man.Phase, 1);
    EXPECT_TRUE(s.renderer->receives(before + 1));
}

TEST_F(DecoderMan, PostFiltersSitBehindTheDecoderAndAMisfitUndoesTheChain)
{
    const QString path = corpus("fi_dv_pal_type2.avi");
    {
        TPassThrough notifier;
        TFilterRec *pf2 =
            TFilterRecs::Global().FindOrAdd(FactoryGuid("framix-test-notifier"), "Frames test", fkExternal);
        ReleaseInstance(pf2, notifier.element());
        TFilterRec *pf1 = TFilterRecs::Global().FindOrAddFactory("videoflip", "test flip", fkRegistered);
        auto started = start(path, true, false, TMediaFactory::DefaultSourceRec(), [&](Stream &st) {
            st.man.PostFilter1 = pf1;
            st.man.PostFilter2 = pf2;
        });
        ASSERT_TRUE(started);
        Stream &s = *started;
        // upstream, decoder, post filter 1, post filter 2, renderer
        auto next = [](GstElement *e) {
            TGstPad src = TGstPad::adopt(gst_element_get_static_pad(e, "src"));
            TGstPad peer = TGstPad::adopt(gst_pad_get_peer(src));
            return peer ? TGstElement::adopt(gst_pad_get_parent_element(peer)) : TGstElement();
        };
        TGstElement e = next(s.source->OwnNotifier()->element());
        EXPECT_EQ(e.get(), s.man.DecoderElement());
        e = next(e);
        EXPECT_EQ(TDecoderWalk::FactoryName(e), QByteArray("videoflip"));
        e = next(e);
        EXPECT_EQ(e.get(), notifier.element());
        e = next(e);
        EXPECT_EQ(e.get(), s.renderer->bin.get());
        // Disconnecting takes the whole chain out; the external element stays its owner's.
        const size_t withChain = s.graph.Graph()->elements().size();
        EXPECT_TRUE(s.man.DisconnectDecoder());
        EXPECT_EQ(s.man.Current, s.man.NoneRec);
        EXPECT_EQ(s.graph.Graph()->elements().size(), withChain - 3);
        EXPECT_FALSE(gst_pad_is_linked(s.renderer->input()));
        EXPECT_EQ(pf2->Instance.get(), notifier.element());
    }
    {
        Stream s;
        ASSERT_TRUE(s.open(path, true));
        const size_t before = s.graph.Graph()->elements().size();
        // An audio element cannot sit behind a video decoder.
        s.man.PostFilter1 =
            TFilterRecs::Global().FindOrAddFactory("audioconvert", "test misfit", fkRegistered);
        EXPECT_FALSE(s.connect());
        EXPECT_EQ(s.graph.Graph()->elements().size(), before);
        EXPECT_FALSE(gst_pad_is_linked(s.renderer->input()));
        EXPECT_FALSE(gst_pad_is_linked(s.source->OutputPad()));
        EXPECT_TRUE(s.man.Excluded.contains(FactoryGuid("avdec_dvvideo").toString()));
    }
}

TEST_F(DecoderMan, PrivateFiltersComeFromTheSettingsOfThePrivateFolder)
{
    TPrivateFilters priv;
    const QString folder = QStringLiteral(FRAMIX_BINARY_DIR "/private");
    EXPECT_TRUE(priv.Install(folder).isEmpty());
    TMediaFactory factory;
    {
        TDecoderMan video, audio;
        priv.Use(true, &factory, &video, &audio);
        EXPECT_EQ(factory.DefaultSource(), (TElementRec{"Private Splitter Source", "parsebin"}));
        EXPECT_EQ(video.Candidates, QList<TFilterRec *>{priv.VideoDecoder});
        EXPECT_EQ(audio.Candidates, QList<TFilterRec *>{priv.AudioDecoder});
        EXPECT_EQ(video.PostFilter1, nullptr);
        const QString path = corpus("ext_vob.vob");
        auto v = start(path, true, false, factory.DefaultSource(),
                       [&](Stream &st) { st.man.Candidates = video.Candidates; });
        ASSERT_TRUE(v);
        EXPECT_EQ(v->man.Current, priv.VideoDecoder);
        EXPECT_EQ(v->man.Current->Name, "Private Video Decoder");
        EXPECT_EQ(v->man.CurrentFactory(), QByteArray("avdec_mpeg2video"));
        v.reset();
        // The private decoder wins over a decoder of better rank (a52dec for AC-3).
        auto a = start(path, false, false, factory.DefaultSource(),
                       [&](Stream &st) { st.man.Candidates = audio.Candidates; });
        ASSERT_TRUE(a);
        EXPECT_EQ(a->man.CurrentFactory(), QByteArray("avdec_ac3"));
        EXPECT_EQ(a->learned.GetDecoder(a->man.Key())->Kind, fkPrivate);
        a.reset();
        priv.Use(false, &factory, &video, &audio);
        EXPECT_TRUE(video.Candidates.isEmpty());
        EXPECT_TRUE(audio.Candidates.isEmpty());
        EXPECT_EQ(factory.DefaultSource(), TMediaFactory::DefaultSourceRec());
    }

    // Settings of our own: element properties, and a post-processor family from which only
    // raw-video elements are kept.
    QTemporaryDir dir;
    {
        QFile f(dir.filePath(TPrivateFilters::kSettingsFile));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Roles]\nVideoDecoder=dvdec\nAudioDecoder=\nVideoPostProcessor=avdec_dvvideo;videoflip\n"
                "[Properties dvdec]\nclamp-luma=true\n");
    }
    EXPECT_TRUE(priv.Install(dir.path()).isEmpty());
    EXPECT_EQ(priv.VideoPostProcessor->Factory, QByteArray("videoflip"));
    {
        auto started = start(corpus("fi_dv_pal_type2.avi"), true, false, TMediaFactory::DefaultSourceRec(),
                             [&](Stream &st) {
                                 priv.Use(true, nullptr, &st.man, nullptr);
                                 EXPECT_EQ(st.man.PostFilter1, priv.VideoPostProcessor);
                             });
        ASSERT_TRUE(started);
        Stream &s = *started;
        EXPECT_EQ(s.man.CurrentFactory(), QByteArray("dvdec"));
        gboolean clamp = FALSE;
        g_object_get(s.man.DecoderElement(), "clamp-luma", &clamp, nullptr);
        EXPECT_TRUE(clamp);
        EXPECT_EQ(TDecoderWalk::FactoryName(TGstElement::adopt(
                      gst_pad_get_parent_element(TGstPad::adopt(gst_pad_get_peer(s.renderer->input()))))),
                  QByteArray("videoflip"));
        priv.Use(false, nullptr, &s.man, nullptr);
        EXPECT_EQ(s.man.PostFilter1, nullptr);
    }
}

TEST_F(DecoderMan, MissingSettingsAreReportedAndTheAutomaticConnectionPlays)
{
    QTemporaryDir dir;
    TPrivateFilters priv;
    const QStringList messages = priv.Install(dir.path());
    const QString settings = QDir(dir.path()).filePath("PrivateFilters.ini");
    EXPECT_EQ(messages, QStringList{"Impossible d'installer les filtres privés " + settings});
    TMediaFactory factory;
    TDecoderMan video;
    priv.Use(true, &factory, &video, nullptr);
    // Without settings the private source makes nothing: the factory keeps its own.
    EXPECT_EQ(factory.DefaultSource(), TMediaFactory::DefaultSourceRec());
    EXPECT_EQ(video.Candidates, QList<TFilterRec *>{priv.VideoDecoder});
    auto s = start(corpus("fi_dv_pal_type2.avi"), true, false, factory.DefaultSource(),
                   [&](Stream &st) { st.man.Candidates = video.Candidates; });
    ASSERT_TRUE(s);
    EXPECT_EQ(s->man.Phase, 2);
    EXPECT_EQ(s->man.CurrentFactory(), QByteArray("avdec_dvvideo"));
    priv.Use(false, &factory, &video, nullptr);
}
