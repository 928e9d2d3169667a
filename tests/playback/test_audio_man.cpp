// The audio manager without a stream: volume scale and its mapping to the renderer's gain,
// mute, the gauge and track bar, status pictures, the audio format notification, and a
// renderer that plays (into a fake sink when the machine has no audio device).
#include "../media/MediaTestUtil.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "media/MediaMessages.h"
#include "media/TFileDevice.h"
#include "media/TMediaFactory.h"
#include "media/TavSource.h"
#include "media/TframeData.h"
#include "media/gst/TGstGraph.h"
#include "playback/TAudioMan.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

TEST(AudioSink, LogarithmicAttenuationOfTheLinearScale)
{
    EXPECT_EQ(TAudioSink::Attenuation(10000), 0);
    EXPECT_EQ(TAudioSink::Attenuation(0), -10000);
    EXPECT_EQ(TAudioSink::Attenuation(5000), -752);
    EXPECT_EQ(TAudioSink::Attenuation(20000), 0) << "clamped";
    EXPECT_EQ(TAudioSink::Attenuation(-5), -10000);
    EXPECT_DOUBLE_EQ(TAudioSink::Gain(0), 1.0);
    EXPECT_NEAR(TAudioSink::Gain(-2000), 0.1, 1e-12); // -20 dB

    TAudioSink sink;
    ASSERT_TRUE(sink.IsValid());
    sink.SetLinearVolume(5000);
    EXPECT_NEAR(sink.CurrentGain(), TAudioSink::Gain(-752), 1e-6);
    EXPECT_EQ(sink.LinearVolume(), 5000) << "no drift through the logarithm and back";
    sink.SetLinearVolume(0);
    EXPECT_LT(sink.CurrentGain(), 1e-4);
}

TEST(AudioSink, PlaysToTheEndWithOrWithoutAnAudioDevice)
{
    TAudioSink sink;
    ASSERT_TRUE(sink.IsValid());
    TGstGraph graph;
    TGstElement src = MakeElement("audiotestsrc");
    ASSERT_TRUE(src);
    g_object_set(src.get(), "num-buffers", 10, nullptr);
    ASSERT_TRUE(graph.addElement(src, QStringLiteral("src")));
    ASSERT_TRUE(graph.addElement(sink.Element(), QStringLiteral("VD Audio Renderer")));
    TGstPad out = TGstPad::adopt(gst_element_get_static_pad(src, "src"));
    ASSERT_TRUE(TGstGraph::link(out, sink.SinkPad()));
    bool ended = false;
    QObject::connect(&graph, &TGstGraph::completed, [&] { ended = true; });
    graph.setClockEnabled(false);
    ASSERT_TRUE(graph.run());
    EXPECT_TRUE(mediatest::waitUntil([&] { return ended; }, 20000));
    EXPECT_EQ(graph.errorCount(), 0) << graph.lastError().toStdString();
    // The device in use is known now; a fake one is reported, never an error of the graph.
    const bool fake = sink.UsesFakeDevice();
    std::cout << "audio output: " << (fake ? "fake sink (no device)" : "device") << std::endl;
    graph.clear();
}

TEST(AudioMan, VolumeStepsClampAndShowOnGaugeAndTrackBar)
{
    TAudioMan man;
    TTextGauge gauge;
    QSlider slider;
    man.SetAudioGauge(&gauge);
    man.SetAudioSlider(&slider);
    EXPECT_EQ(gauge.MaxValue(), 10000);
    EXPECT_EQ(gauge.AlertValue(), 11000);
    EXPECT_EQ(slider.maximum(), 10000);
    int shown = -1;
    man.OnVolume = [&](int v) { shown = v; };

    man.iaVolume->SetValue(9500);
    man.naIncVolume->Apply();
    EXPECT_EQ(man.Volume(), 10000);
    EXPECT_EQ(man.iaVolume->Value, 10000);
    EXPECT_EQ(gauge.Progress(), 10000);
    EXPECT_EQ(slider.value(), 10000);
    EXPECT_EQ(shown, 10000);

    man.SetVolume(500);
    man.naDecVolume->Apply();
    EXPECT_EQ(man.Volume(), 0);
    EXPECT_EQ(man.iaVolume->Value, 0);

    // The user's track bar sets the volume.
    slider.setValue(4200);
    EXPECT_EQ(man.Volume(), 4200);
    EXPECT_EQ(gauge.Progress(), 4200);
    EXPECT_EQ(man.Renderer()->LinearVolume(), 4200);
}

TEST(AudioMan, MuteSilencesTheRendererButKeepsTheVolumeShown)
{
    TAudioMan man;
    TTextGauge gauge;
    man.SetAudioGauge(&gauge);
    man.SetVolume(6000);
    man.caMute->SetChecked(true);
    EXPECT_TRUE(man.Muted());
    EXPECT_EQ(man.Renderer()->LinearVolume(), 0);
    EXPECT_EQ(gauge.Progress(), 6000);
    EXPECT_EQ(man.caMute->Caption(), "Remettre le son");
    int saved = -1;
    EXPECT_TRUE(man.iaVolume->InternalBeforeSave(saved));
    EXPECT_EQ(saved, 6000) << "the volume kept while muted is saved, not 0";

    man.caMute->SetChecked(false);
    EXPECT_EQ(man.Renderer()->LinearVolume(), 6000);
    EXPECT_EQ(man.caMute->Caption(), "Couper le Son");
}

TEST(AudioMan, StatusPicturesAndFormatNotification)
{
    TAudioMan man;
    EXPECT_EQ(TAudioMan::ImageIndex(TAudioStatus::asNoAudio), 0);
    EXPECT_EQ(TAudioMan::ImageIndex(TAudioStatus::asErrorAudio), 2);
    EXPECT_EQ(TAudioMan::ImageIndex(TAudioStatus::asBadAudio), 1);
    EXPECT_EQ(TAudioMan::ImageIndex(TAudioStatus::asMuted), 3);
    EXPECT_EQ(TAudioMan::ImageIndex(TAudioStatus::asAudioOn), 4);
    // Without a device the manager says so from the start.
    EXPECT_EQ(man.Status() == TAudioStatus::asErrorAudio, man.Renderer()->UsesFakeDevice());

    TImageList images;
    for (int i = 0; i < 5; ++i) {
        QPixmap pm(8, 8);
        pm.fill(QColor(i * 50, 0, 0));
        images.Add(QIcon(pm));
    }
    QLabel label;
    label.resize(8, 8);
    // The manager's own pictures: one for each status, all different.
    ASSERT_TRUE(man.AudioImages());
    ASSERT_EQ(man.AudioImages()->Count(), 5);
    QList<QImage> own;
    for (int i = 0; i < 5; ++i) {
        const QImage img = man.AudioImages()->Icon(i).pixmap(24, 24).toImage();
        EXPECT_FALSE(own.contains(img)) << i;
        own << img;
    }
    man.SetAudioImages(&images);
    man.SetAudioImage(&label);
    QList<TAudioStatus> seen;
    man.OnStatus = [&](TAudioStatus s) { seen << s; };
    man.SetStatus(TAudioStatus::asMuted);
    EXPECT_EQ(label.pixmap().toImage().pixelColor(2, 2), QColor(150, 0, 0));
    man.SetAudioImages(nullptr);
    man.SetStatus(TAudioStatus::asBadAudio);
    EXPECT_TRUE(label.pixmap().isNull()) << "cleared when no pictures are bound";
    EXPECT_EQ(seen, (QList<TAudioStatus>{TAudioStatus::asMuted, TAudioStatus::asBadAudio}));

    QString format;
    man.OnNotifyAudioFormat = [&](const QString &t) { format = t; };
    TframeData frame;
    frame.AudioDesc = QStringLiteral("MPEG1 Layer 2, 48000 Hz, stéréo");
    man.AudioInbox()->post({TFormatStage::VideoDescription, frame}); // not an audio report: ignored
    man.AudioInbox()->post({TFormatStage::AudioDescription, frame});
    EXPECT_TRUE(mediatest::waitUntil([&] { return !format.isEmpty(); }));
    EXPECT_EQ(format, frame.AudioDesc);
}

namespace {

// An audio file opened through the default source, as the media factory would hand it over.
struct AudioFile
{
    TGrapheMan graph;
    std::unique_ptr<TFileDevice> device;
    TAudioSource *source = nullptr;

    explicit AudioFile(const QString &path)
    {
        const TElementRec &reader = TMediaFactory::FileSourceRec();
        // A probe that ran out of time on a busy machine is tried again, as the factory does.
        for (int i = 0; i < 3 && (!device || device->ProbeTimedOut || !device->Valid); ++i)
            device = std::make_unique<TFileDevice>(path, TMediaFactory::DefaultSourceRec(), reader);
        source = device->AudioSource(0);
        if (source)
            source->OwnerGraph = &graph;
    }
    ~AudioFile() { graph.ClearGraph(); }
};

} // namespace

TEST(AudioMan, ConnectsAStreamThroughADecoderAndPlaysIt)
{
    const QString file = mediatest::corpus(QStringLiteral("audio_layer3.mp3"));
    if (file.isEmpty())
        GTEST_SKIP() << "corpus missing";
    TAudioMan man;
    QString decoder, format;
    man.OnNotifyAudioDecoder = [&](const QString &t) { decoder = t; };
    man.OnNotifyAudioFormat = [&](const QString &t) { format = t; };
    man.SetVolume(7000);
    {
        AudioFile f(file);
        ASSERT_TRUE(f.source);
        ASSERT_TRUE(man.ConnectAudioSource(f.source));
        EXPECT_TRUE(man.AudioConnected());
        EXPECT_NE(decoder, TAudioMan::NoDecoderText());
        EXPECT_EQ(decoder, man.CurrentDecoderName());
        EXPECT_EQ(man.Status(),
                  man.Renderer()->UsesFakeDevice() ? TAudioStatus::asErrorAudio : TAudioStatus::asAudioOn);
        EXPECT_EQ(man.Renderer()->LinearVolume(), 7000) << "the volume is applied at every connection";
        EXPECT_TRUE(f.graph.Graph()->contains(man.Renderer()->Element()));
        EXPECT_TRUE(man.ConnectAudioSource(f.source)) << "the same source again: nothing to do";

        bool ended = false;
        f.graph.OnGraphCompleted = [&] { ended = true; };
        f.graph.Graph()->setClockEnabled(false);
        ASSERT_TRUE(f.graph.Play());
        EXPECT_TRUE(mediatest::waitUntil([&] { return ended; }, 30000)) << "the audio plays to its end";
        EXPECT_FALSE(format.isEmpty()) << "the source's notifier reports the format";

        man.caMute->SetChecked(true);
        EXPECT_EQ(man.Status(),
                  man.Renderer()->UsesFakeDevice() ? TAudioStatus::asErrorAudio : TAudioStatus::asMuted);
        EXPECT_EQ(man.Renderer()->LinearVolume(), 0);
        man.caMute->SetChecked(false);

        man.DisconnectAudio();
        EXPECT_FALSE(man.AudioConnected());
        EXPECT_EQ(decoder, TAudioMan::NoDecoderText());
        EXPECT_EQ(format, TAudioMan::NoAudioText());
        EXPECT_EQ(man.Status(), TAudioStatus::asNoAudio);
        EXPECT_FALSE(f.graph.Graph()->contains(man.Renderer()->Element()));
    }

    // A source that belongs to no graph cannot be connected.
    AudioFile orphan(file);
    ASSERT_TRUE(orphan.source);
    orphan.source->OwnerGraph = nullptr;
    EXPECT_FALSE(man.ConnectAudioSource(orphan.source));
    EXPECT_EQ(man.Status(), TAudioStatus::asBadAudio);
    EXPECT_EQ(decoder, TAudioMan::NoDecoderText());
    EXPECT_FALSE(man.ConnectAudioSource(TMediaPlaceholders::NoAudio()));
    EXPECT_EQ(man.Status(), TAudioStatus::asNoAudio) << "the placeholder of a file without audio is no audio";
    EXPECT_FALSE(man.ConnectAudioSource(nullptr));
    EXPECT_EQ(man.Status(), TAudioStatus::asNoAudio);
}
