// The video manager: the expansion of the overlay codes, the message displays, and real corpus
// streams connected through its decoder manager and frames notifier, with the format and
// decoder reports, the aspect modes and the audio of the same file.
#include "../media/MediaTestUtil.h"
#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "core/TDateFormat.h"
#include "media/FrameGrid.h"
#include "media/MediaMessages.h"
#include "media/TDVMan.h"
#include "media/TDecoderLinks.h"
#include "media/TFileDevice.h"
#include "media/TFrameIndex.h"
#include "media/TFramesNotifier.h"
#include "media/TMediaFactory.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "media/gst/MediaGuids.h"
#include "playback/TAudioMan.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"
#include "prefs/TIniPreferencesMan.h"
#include "prefs/TVardoPreferences.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QWidget>

#include <atomic>
#include <thread>

using mediatest::waitUntil;

namespace {

#define REQUIRE_CLIP(var, name)                                                                              \
    const QString var = mediatest::corpus(QStringLiteral(name));                                             \
    if (var.isEmpty())                                                                                       \
    GTEST_SKIP() << name << " missing: build the corpus target"

// A video panel in a shown top-level window.
struct Panel
{
    QWidget top;
    QWidget *panel = new QWidget(&top);
    explicit Panel(QSize size = QSize(640, 480))
    {
        top.resize(size);
        panel->setGeometry(QRect(QPoint(0, 0), size));
        top.show();
    }
};

// A file opened as the media factory does it, its streams belonging to the navigation manager.
struct MediaFile
{
    TNavMan graph;
    std::unique_ptr<TFileDevice> device;

    explicit MediaFile(const QString &path)
    {
        const TElementRec &splitter = path.endsWith(QLatin1String(".dv")) ? TMediaFactory::DvSplitterRec()
                                                                          : TMediaFactory::DefaultSourceRec();
        // A probe that ran out of time on a busy machine is tried again, as the factory does.
        for (int i = 0; i < 3 && (!device || device->ProbeTimedOut || !device->Valid); ++i)
            device = std::make_unique<TFileDevice>(path, splitter, TMediaFactory::FileSourceRec());
        if (TVideoSource *v = video())
            v->OwnerGraph = &graph;
        if (TAudioSource *a = audio())
            a->OwnerGraph = &graph;
    }
    // The device, declared after the manager, goes first: the manager lets its source go
    // before (it clears the source's duration target when it goes).
    ~MediaFile()
    {
        graph.AttachVideoSource(nullptr);
        graph.ClearGraph();
    }
    TVideoSource *video() const { return device ? device->VideoSource(0) : nullptr; }
    TAudioSource *audio() const { return device ? device->AudioSource(0) : nullptr; }
};

// The element fed by e's first source pad.
TGstElement Next(GstElement *e)
{
    TGstPad src = TGstPad::adopt(gst_element_get_static_pad(e, "src"));
    TGstPad peer = TGstPad::adopt(src ? gst_pad_get_peer(src) : nullptr);
    return peer ? TGstElement::adopt(gst_pad_get_parent_element(peer)) : TGstElement();
}

} // namespace

TEST(VideoManOverlay, CodesExpandInOrderIgnoringCaseOnTheTextSoFar)
{
    TOverlayValues v;
    TOverlaySlot slot;
    slot.Pattern = QStringLiteral("[%d|%T|%s|%r|%N|%f|%P|%e]");
    EXPECT_EQ(TVideoMan::ExpandPattern(slot, v, 0), "[|||||||]") << "values never received give empty text";

    v.DvDateValid = true;
    v.RecDate = 37948.5; // 23 November 2003, 12:00
    v.TimecodeValid = true;
    v.TimecodeStr = QStringLiteral("0:12:34:00");
    v.TimestampValid = true;
    v.TimestampText = QStringLiteral("0:00:01:05");
    v.SysDateValid = true;
    v.SysDate = 45000.25;
    v.NumeroValid = true;
    v.NumeroText = QStringLiteral("0042");
    v.FileNameValid = true;
    v.FileBaseName = QStringLiteral("Vacances");
    v.FileFolder = QStringLiteral("/v/");
    v.FileExtension = QStringLiteral(".avi");
    slot.DateFormat = QStringLiteral("yyyy-mm-dd hh'h'nn");
    slot.SysDateFormat = QStringLiteral("yyyy");
    // The offset moves the DV date only: two hours and a half.
    EXPECT_EQ(TVideoMan::ExpandPattern(slot, v, 2.5 / 24),
              "[2003-11-23 14h30|0:12:34:00|0:00:01:05|2023|0042|Vacances|/v/|.avi]");
    // An empty system-date format is the short date and the long time.
    slot.Pattern = QStringLiteral("%R");
    slot.SysDateFormat.clear();
    EXPECT_EQ(TVideoMan::ExpandPattern(slot, v, 0), FormatDateTime(QStringLiteral("c"), 45000.25));

    // A value holding a later code is expanded again; one holding an earlier code is not.
    v.NumeroText = QStringLiteral("n°%f");
    v.FileBaseName = QStringLiteral("%n");
    slot.Pattern = QStringLiteral("%N %F");
    EXPECT_EQ(TVideoMan::ExpandPattern(slot, v, 0), "n°%n %n");
    v.TimecodeStr = QStringLiteral("%D");
    slot.Pattern = QStringLiteral("%T");
    EXPECT_EQ(TVideoMan::ExpandPattern(slot, v, 0), "%D");
    // Missing values take the slot's replacement text.
    v.TimecodeValid = false;
    slot.Missing = QStringLiteral("--");
    EXPECT_EQ(TVideoMan::ExpandPattern(slot, v, 0), "--");
}

TEST(VideoManOverlay, SlotsFeedTheOverlayLinesFromTheValuesTheMessagesCarry)
{
    TVideoMan man;
    man.OverlaySlot(0).Pattern = QStringLiteral("%s");
    man.OverlaySlot(1).Pattern = QStringLiteral(" \"%F\"");
    man.OverlaySlot(2).Pattern = QStringLiteral("%D");
    man.OverlaySlot(2).DateFormat = QStringLiteral("dd-mm-yyyy");
    man.ExpandOverlay();
    EXPECT_TRUE(man.OverlayLine(0).Enabled);
    EXPECT_EQ(man.OverlayLine(0).Text, "");
    EXPECT_TRUE(man.OverlayLine(1).Enabled);
    EXPECT_EQ(man.OverlayLine(1).Text, " \"\"");
    EXPECT_FALSE(man.OverlayLine(3).Enabled) << "an empty pattern disables its line";

    // The main window sets the file name; the notifiers send theirs from another thread.
    man.SetFileName(TIncrustFileName{true, QStringLiteral("/v/Vacances.avi")});
    TIncrustDV dv;
    dv.DateValid = true;
    dv.RecDate = 37948.0;
    std::atomic<int> answered{0};
    std::thread sender([&] {
        TFramesTextMsg text{3, 0, QStringLiteral("0:00:00:07")};
        answered += man.VideoInbox<TFramesTextMsg>()->send(text);
        TDvIncrustMsg incrust{1, dv};
        answered += man.VideoInbox<TDvIncrustMsg>()->send(incrust);
    });
    EXPECT_TRUE(waitUntil([&] { return answered.load() == 2; }));
    sender.join();
    EXPECT_EQ(man.OverlayLine(0).Text, "0:00:00:07");
    EXPECT_EQ(man.OverlayLine(1).Text, " \"Vacances\"");
    EXPECT_EQ(man.OverlayLine(2).Text, "23-11-2003");
    man.SetDateOffset(1.0);
    EXPECT_EQ(man.OverlayLine(2).Text, "24-11-2003");
    EXPECT_EQ(man.OverlayValues().FileFolder, "/v/");
    EXPECT_EQ(man.OverlayValues().FileExtension, ".avi");

    // A name without extension, a hidden file: the extension starts at the last dot.
    man.SetFileName({true, QStringLiteral("/home/u/.cache/clip")});
    EXPECT_EQ(man.OverlayValues().FileBaseName, "clip");
    EXPECT_EQ(man.OverlayValues().FileExtension, "");
    man.SetFileName({true, QStringLiteral("/a.b/x.tar.gz")});
    EXPECT_EQ(man.OverlayValues().FileBaseName, "x.tar");
    EXPECT_EQ(man.OverlayValues().FileFolder, "/a.b/");

    // Values stay once received: clearing a pattern and setting it again shows them again.
    man.OverlaySlot(0).Pattern.clear();
    man.ExpandOverlay();
    EXPECT_FALSE(man.OverlayLine(0).Enabled);
    EXPECT_EQ(man.OverlayLine(0).Text, "");
    man.OverlaySlot(0).Pattern = QStringLiteral("%S");
    man.ExpandOverlay();
    EXPECT_EQ(man.OverlayLine(0).Text, "0:00:00:07");
}

TEST(VideoMan, ActionAndDecoderCyclingAction)
{
    TVideoMan man;
    ASSERT_TRUE(man.naNextDecoderVideo);
    EXPECT_EQ(man.naNextDecoderVideo->ScriptName(), "NextDecoderVideo");
    EXPECT_EQ(man.naNextDecoderVideo->Caption(), "Décodeur Video Suivant");
    EXPECT_EQ(man.naNextDecoderVideo->Hint(), "Cliquez pour passer au Décodeur Video Suivant");
    EXPECT_EQ(man.naNextDecoderVideo->ShortCut(), QKeySequence(QStringLiteral("Ctrl+F8")));
    EXPECT_FALSE(man.naNextDecoderVideo->ApplyWhenLoad());
    EXPECT_TRUE(man.naNextDecoderVideo->IncludePrefs());
    // The renderer manager's actions belong to this manager too.
    ASSERT_TRUE(man.caInsertTextOn);
    EXPECT_EQ(man.caInsertTextOn->ScriptName(), "InsertTextOn");
    QString decoder;
    man.OnNotifyVideoDecoder = [&](const QString &t) { decoder = t; };
    man.naNextDecoderVideo->Apply();
    EXPECT_EQ(decoder, TVideoMan::NoDecoderText()) << "without a stream there is no decoder to change";
}

TEST(VideoMan, PreferencesKeepTheActionsAndTheLearnedVideoDecodersInTheirSection)
{
    QTemporaryDir dir;
    TVardoPreferences gp{nullptr, dir.path()};
    auto owned = std::make_unique<TIniPreferencesMan>(QString());
    TIniPreferencesMan *store = owned.get();
    gp.UseStore(spPortable, std::move(owned));
    TDecoderLinks &learned = TDecoderLists::VideoLearned();
    const TMediaKey key{MEDIATYPE_Video, MEDIASUBTYPE_dvsd, FORMAT_VideoInfo};
    TFilterRec *dvdec =
        TFilterRecs::Global().FindOrAddFactory("avdec_dvvideo", "avdec_dvvideo", fkRegistered);
    learned.SetDecoder(key, dvdec);
    {
        TVideoMan man;
        man.caFlipVertical->SetChecked(true);
        ASSERT_TRUE(gp.OpenKey(QStringLiteral("ShowForm")));
        EXPECT_TRUE(man.SavePrefs(gp));
        gp.CloseKey();
    }
    const QString text = store->Lines().join(QLatin1Char('\n'));
    EXPECT_TRUE(text.contains(QStringLiteral("[ShowForm\\VideoDecoders\\dc"), Qt::CaseInsensitive))
        << text.toStdString();
    learned.Remove(key);

    TVideoMan man;
    ASSERT_TRUE(gp.OpenKey(QStringLiteral("ShowForm")));
    EXPECT_TRUE(man.LoadPrefs(gp));
    gp.CloseKey();
    EXPECT_EQ(learned.GetDecoder(key), dvdec);
    EXPECT_TRUE(man.FlipVertical()) << "applied at load";
    learned.Remove(key);
}

TEST(VideoMan, NoVideoDisplayInTheBoundWindow)
{
    Panel w;
    TVideoMan man;
    man.SetWindow(w.panel);
    // A new manager has no video: the window shows it from the start.
    TLinkEdit *label = man.MessageLabel();
    QLabel *picture = man.MessagePicture();
    ASSERT_TRUE(label && picture);
    EXPECT_EQ(label->RichText(), TVideoMan::DefaultNoVideoText());
    // A file without video hands over no video source.
    const QString audioOnly = mediatest::corpus(QStringLiteral("audio_layer3.mp3"));
    if (!audioOnly.isEmpty()) {
        MediaFile f(audioOnly);
        ASSERT_TRUE(f.audio());
        EXPECT_FALSE(man.ConnectVideoSource(f.video()));
    }
    EXPECT_FALSE(man.ConnectVideoSource(TMediaPlaceholders::NoVideo()));
    EXPECT_EQ(man.VideoState(), TVideoState::NoVideo)
        << "the placeholder of a file without video is no video";
    EXPECT_EQ(man.CurrentSource(), nullptr);
    EXPECT_FALSE(man.ConnectVideoSource(nullptr));
    EXPECT_EQ(man.VideoState(), TVideoState::NoVideo);
    EXPECT_EQ(label->parentWidget(), w.panel);
    EXPECT_EQ(label->RichText(), "<color blue>Aucun flux vidéo n'a été connecté</color><br center>");
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->geometry(), QRect(8, 480 - 32 - 8, 640 - 16, 32));
    EXPECT_TRUE(picture->isVisible());
    EXPECT_EQ(picture->geometry(), QRect((640 - 192) / 2, (440 - 192) / 2, 192, 192));
    EXPECT_EQ(picture->pixmap().toImage(), TVideoMan::NoVideoPicture().toImage());
    EXPECT_NE(TVideoMan::NoVideoPicture().toImage(), TVideoMan::BadVideoPicture().toImage());
    EXPECT_EQ(TVideoMan::NoVideoPicture().size(), QSize(192, 192));
    QImage none;
    EXPECT_FALSE(man.CaptureImage(none));

    // The layout follows the window; a window of 16 pixels or less shows no label.
    w.top.resize(300, 300);
    w.panel->resize(300, 300);
    EXPECT_EQ(label->geometry(), QRect(8, 300 - 40, 300 - 16, 32));
    w.panel->resize(16, 300);
    EXPECT_FALSE(label->isVisible());
    EXPECT_TRUE(picture->isVisible());

    // The owner's text replaces the default.
    man.OnNoVideoStream = [] { return QStringLiteral("Ouvrez une vidéo"); };
    man.DisconnectVideo(true);
    EXPECT_EQ(label->RichText(), "Ouvrez une vidéo");
}

TEST(VideoMan, StreamConnectsThroughDecoderAndFramesNotifierAndReportsItsFormat)
{
    REQUIRE_CLIP(file, "dv_pal_wide_date_type2.avi");
    Panel w;
    TVideoMan man;
    man.SetWindow(w.panel);
    QStringList decoders, formats;
    man.OnNotifyVideoDecoder = [&](const QString &t) { decoders << t; };
    man.OnNotifyVideoFormat = [&](const QString &t) { formats << t; };
    MediaFile f(file);
    ASSERT_TRUE(f.video());
    ASSERT_TRUE(man.ConnectVideoSource(f.video()));
    EXPECT_EQ(man.VideoState(), TVideoState::Shown);
    EXPECT_FALSE(man.MessageLabel() && man.MessageLabel()->isVisible());
    ASSERT_FALSE(decoders.isEmpty());
    EXPECT_NE(decoders.last(), TVideoMan::NoDecoderText());
    EXPECT_EQ(decoders.last(), man.CurrentDecoderName());
    EXPECT_EQ(f.graph.DVCodeSource(), f.video()) << "the video is the DV manager's source of DV codes";

    // source notifier, decoder, frames notifier, renderer
    GstElement *own = f.video()->OwnNotifier()->element();
    TGstElement e = Next(own);
    EXPECT_EQ(e.get(), man.Decoders()->DecoderElement());
    while (e && e.get() != man.FramesNotifier()->element())
        e = Next(e);
    ASSERT_TRUE(e) << "the frames notifier is in the chain";
    EXPECT_EQ(Next(e).get(), man.Renderer());

    ASSERT_TRUE(f.graph.Pause());
    ASSERT_TRUE(waitUntil([&] { return man.HasFrame() && man.AspectSize() == QSize(16, 9); }, 20000));
    ASSERT_TRUE(waitUntil([&] { return !formats.isEmpty(); }));
    EXPECT_TRUE(formats.last().endsWith(man.SizeText())) << formats.last().toStdString();
    EXPECT_TRUE(formats.last().startsWith(man.FormatText() + " - ")) << formats.last().toStdString();
    QImage img;
    ASSERT_TRUE(man.CaptureImage(img));
    EXPECT_EQ(img.size(), QSize(720, 576)) << "a 16:9 DV frame captures at its stored size";

    // Forced aspects, at once, and back to the format's own.
    man.SetForcedAspect(TForcedAspect::Force4x3);
    EXPECT_EQ(man.AspectSize(), QSize(4, 3));
    man.SetForcedAspect(TForcedAspect::NativeSize);
    EXPECT_EQ(man.AspectSize(), QSize(720, 576));
    man.SetForcedAspect(TForcedAspect::Force16x9);
    EXPECT_EQ(man.AspectSize(), QSize(16, 9));
    man.SetForcedAspect(TForcedAspect::FormatOwn);
    EXPECT_EQ(man.AspectSize(), QSize(16, 9));

    // A format without a description reports its size alone.
    TVideoData bare = man.VideoFormat();
    bare.Description = QStringLiteral("    ");
    TVideoFormatMsg report{TFormatStage::VideoDescription, bare};
    man.VideoInbox<TVideoFormatMsg>()->send(report);
    EXPECT_EQ(formats.last(), bare.SizeText);

    // The same source again changes nothing.
    const int reports = int(decoders.size());
    EXPECT_TRUE(man.ConnectVideoSource(f.video()));
    EXPECT_EQ(decoders.size(), reports);

    man.DisconnectVideo(true);
    EXPECT_EQ(decoders.last(), TVideoMan::NoDecoderText());
    EXPECT_EQ(formats.last(), TVideoMan::NoVideoText());
    EXPECT_EQ(man.VideoState(), TVideoState::NoVideo);
    EXPECT_TRUE(man.MessageLabel()->isVisible());
    EXPECT_EQ(f.graph.DVCodeSource(), nullptr);
    EXPECT_FALSE(f.graph.Graph()->contains(man.Renderer()));
    EXPECT_FALSE(f.graph.Graph()->contains(man.FramesNotifier()->element()));
    EXPECT_FALSE(man.CaptureImage(img)) << "nothing to grab once the video is gone";
    // A format report still on its way changes nothing.
    TVideoFormatMsg late{TFormatStage::VideoDescription, man.VideoFormat()};
    man.VideoInbox<TVideoFormatMsg>()->send(late);
    EXPECT_EQ(formats.last(), TVideoMan::NoVideoText());
}

TEST(VideoMan, NonSquarePixelsOfACompressedStreamGiveItsDisplayAspect)
{
    // 720 x 576 H.264 whose 16:9 lives only in its pixel aspect (64/45): grabs must be stretched
    // to 16:9, not saved at the stored size.
    REQUIRE_CLIP(file, "fi_h264_576w.mp4");
    Panel w;
    TVideoMan man;
    man.SetWindow(w.panel);
    QStringList formats;
    man.OnNotifyVideoFormat = [&](const QString &t) { formats << t; };
    MediaFile f(file);
    ASSERT_TRUE(f.video());
    ASSERT_TRUE(man.ConnectVideoSource(f.video()));
    ASSERT_TRUE(f.graph.Pause());
    ASSERT_TRUE(waitUntil([&] { return man.HasFrame() && !formats.isEmpty(); }, 20000));
    EXPECT_EQ(man.AspectSize(), QSize(16, 9));
    EXPECT_TRUE(formats.last().startsWith(QStringLiteral("H264 (16x9) - 720x576")))
        << formats.last().toStdString();
    man.SetForcedAspect(TForcedAspect::NativeSize);
    EXPECT_EQ(man.AspectSize(), QSize(720, 576));
}

TEST(VideoMan, AStreamThatCannotBeDecodedShowsTheBadVideoDisplay)
{
    REQUIRE_CLIP(file, "fi_mjpeg.avi");
    Panel w;
    TVideoMan man;
    man.SetWindow(w.panel);
    QString decoder, format;
    man.OnNotifyVideoDecoder = [&](const QString &t) { decoder = t; };
    man.OnNotifyVideoFormat = [&](const QString &t) { format = t; };
    MediaFile f(file);
    ASSERT_TRUE(f.video());
    const size_t before = f.graph.Graph()->elements().size();
    // An audio element cannot follow a video decoder: every decoder fails behind it.
    man.Decoders()->PostFilter1 =
        TFilterRecs::Global().FindOrAddFactory("audioconvert", "test misfit", fkRegistered);
    EXPECT_FALSE(man.ConnectVideoSource(f.video()));
    EXPECT_EQ(man.VideoState(), TVideoState::NotDecodable);
    EXPECT_EQ(man.MessageLabel()->RichText(), "Le flux vidéo n'a pas pu être décompressé<br center>");
    EXPECT_EQ(man.MessagePicture()->pixmap().toImage(), TVideoMan::BadVideoPicture().toImage());
    EXPECT_TRUE(man.MessagePicture()->isVisible());
    EXPECT_EQ(decoder, TVideoMan::NoDecoderText());
    EXPECT_EQ(format, TVideoMan::NoVideoText());
    EXPECT_EQ(man.CurrentSource(), nullptr);
    EXPECT_LE(f.graph.Graph()->elements().size(), before) << "nothing of the attempt stays in the graph";
    EXPECT_FALSE(f.graph.Graph()->contains(man.Renderer()));

    // Connected properly afterwards, the video display returns.
    man.Decoders()->PostFilter1 = nullptr;
    man.ResetCounters();
    ASSERT_TRUE(man.ConnectVideoSource(f.video()));
    EXPECT_EQ(man.VideoState(), TVideoState::Shown);
    EXPECT_FALSE(man.MessagePicture()->isVisible());
    ASSERT_TRUE(f.graph.Pause());
    ASSERT_TRUE(waitUntil([&] { return man.HasFrame() && !man.AspectSize().isEmpty(); }, 20000));
    QImage img;
    ASSERT_TRUE(man.CaptureImage(img));
    EXPECT_EQ(FrameIndexFromImage(img), 0);
    EXPECT_EQ(man.AspectSize(), QSize(640, 480)) << "a format without aspect keeps its pixel size";
}

TEST(VideoMan, TimeStampOverlayComesFromTheFramesNotifierAndIsBurntIntoTheCapture)
{
    REQUIRE_CLIP(file, "fi_dv_pal_type2.avi");
    Panel w;
    TVideoMan man;
    man.SetWindow(w.panel);
    MediaFile f(file);
    ASSERT_TRUE(man.ConnectVideoSource(f.video()));
    EXPECT_EQ(f.graph.FramesNotifier(), man.FramesNotifier());
    EXPECT_EQ(f.graph.AttachedVideoSource(), f.video());
    EXPECT_EQ(f.graph.RendererFilter(), man.Renderer());
    man.OverlaySlot(0).Pattern = QStringLiteral("%S");
    man.SetInsertPosition(QPoint(5000, 8200));
    man.SetInsertAutoSize(true);
    man.SetInsertTransparentColor(TColors::clFuchsia);
    man.caInsertTextOn->SetChecked(true);
    ASSERT_TRUE(f.graph.Pause());
    ASSERT_TRUE(waitUntil([&] { return man.OverlayLine(0).Text == "0:00:00:00" && man.HasFrame(); }, 20000))
        << man.OverlayLine(0).Text.toStdString();
    QImage with;
    ASSERT_TRUE(man.CaptureImage(with));
    EXPECT_EQ(FrameIndexFromImage(with), 0) << "the pattern area stays clear of the overlay";
    man.caInsertTextOn->SetChecked(false);
    QImage without;
    ASSERT_TRUE(man.CaptureImage(without));
    // The text hangs from the anchor (360, 472); the rest of the picture is untouched (the key
    // colour is transparent).
    int changedBelow = 0, changedAbove = 0;
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x)
            if (with.pixel(x, y) != without.pixel(x, y))
                ++(y >= 472 && x >= 360 ? changedBelow : changedAbove);
    EXPECT_GT(changedBelow, 100);
    EXPECT_EQ(changedAbove, 0);

    // A step of the navigation manager: the time stamp follows the frame shown.
    man.caInsertTextOn->SetChecked(true);
    f.graph.caSeekPrecision->SetChecked(true);
    f.graph.naAvance10Frames->Apply();
    ASSERT_TRUE(waitUntil([&] { return man.OverlayLine(0).Text == "0:00:00:10"; }, 20000))
        << man.OverlayLine(0).Text.toStdString();
    ASSERT_TRUE(man.CaptureImage(with));
    EXPECT_EQ(FrameIndexFromImage(with), 10);

    man.DisconnectVideo(true);
    EXPECT_EQ(f.graph.AttachedVideoSource(), nullptr);
    EXPECT_EQ(f.graph.FramesNotifier(), man.FramesNotifier()) << "the notifier stays attached";
}

TEST(VideoMan, VideoAndAudioOfOneFilePlayToTheEndWithOrWithoutAnAudioDevice)
{
    REQUIRE_CLIP(file, "fi_dv_pal_type2.avi");
    Panel w;
    TVideoMan video;
    TAudioMan audio;
    video.SetWindow(w.panel);
    MediaFile f(file);
    ASSERT_TRUE(f.audio());
    // In the order the main window connects them.
    ASSERT_TRUE(audio.ConnectAudioSource(f.audio()));
    ASSERT_TRUE(video.ConnectVideoSource(f.video()));
    EXPECT_EQ(audio.Status(),
              audio.Renderer()->UsesFakeDevice() ? TAudioStatus::asErrorAudio : TAudioStatus::asAudioOn)
        << "without a device the status tells it, the streams still play";
    bool ended = false;
    f.graph.OnGraphCompleted = [&] { ended = true; };
    f.graph.Graph()->setClockEnabled(false);
    ASSERT_TRUE(f.graph.Play());
    ASSERT_TRUE(waitUntil([&] { return ended; }, 60000));
    QImage img;
    ASSERT_TRUE(video.CaptureImage(img));
    EXPECT_EQ(FrameIndexFromImage(img), 99) << "the last frame is shown";
    EXPECT_EQ(f.graph.Graph()->errorCount(), 0) << f.graph.Graph()->lastError().toStdString();

    // The video goes, the audio of the same file still reaches its end.
    video.DisconnectVideo(true);
    ended = false;
    ASSERT_TRUE(f.graph.Stop());
    ASSERT_TRUE(f.graph.Graph()->seek(0));
    ASSERT_TRUE(f.graph.Play());
    EXPECT_TRUE(waitUntil([&] { return ended; }, 60000)) << "no renderer left behind holds the graph";
    // Stopped first, as the main window closes a file.
    f.graph.Stop();
    audio.DisconnectAudio();
}

TEST(VideoMan, AnotherStreamTakesTheRendererFromTheOneShown)
{
    REQUIRE_CLIP(first, "fi_mjpeg.avi");
    REQUIRE_CLIP(second, "fi_dv_pal_type2.avi");
    Panel w;
    TVideoMan man;
    man.SetWindow(w.panel);
    MediaFile a(first), b(second);
    ASSERT_TRUE(man.ConnectVideoSource(a.video()));
    ASSERT_TRUE(man.ConnectVideoSource(b.video())) << "the renderer was still linked to the first stream";
    EXPECT_FALSE(a.graph.Graph()->contains(man.Renderer()));
    EXPECT_EQ(a.graph.RendererFilter(), nullptr);
    EXPECT_EQ(a.graph.AttachedVideoSource(), nullptr);
    ASSERT_TRUE(b.graph.Pause());
    ASSERT_TRUE(waitUntil([&] { return man.HasFrame(); }, 20000));
    QImage img;
    ASSERT_TRUE(man.CaptureImage(img));
    EXPECT_EQ(img.size(), QSize(720, 576));
    EXPECT_EQ(FrameIndexFromImage(img), 0);
    man.DisconnectVideo(true);
}

// The packed XviD clip in a paused window with precise seeking on, on frame `frame`: the frame
// shown is read from the picture.
class VideoManFrameCache : public testing::Test
{
protected:
    static QString Name() { return QStringLiteral("fi_xvid_packed.avi"); }
    Panel w;
    TVideoMan man;
    std::unique_ptr<MediaFile> f;
    TFrameGrid grid{1};

    void Open(int frame)
    {
        man.SetWindow(w.panel);
        f = std::make_unique<MediaFile>(mediatest::corpus(Name()));
        ASSERT_TRUE(f->video());
        ASSERT_TRUE(man.ConnectVideoSource(f->video()));
        ASSERT_TRUE(f->graph.Pause());
        ASSERT_TRUE(waitUntil([&] { return man.HasFrame() && f->graph.FrameDuration > 1; }, 20000));
        f->graph.caSeekPrecision->SetChecked(true);
        grid = TFrameGrid(f->graph.FrameDuration);
        f->graph.SeekPrecise(grid.TimeOf(frame));
        ASSERT_TRUE(waitUntil([&] { return Shown() == frame; }));
    }
    int Shown()
    {
        QImage img;
        return man.CaptureImage(img) ? FrameIndexFromImage(img) : -1;
    }
};

// The video manager empties the decoded-frame cache when another decoder takes over and when
// the video closes; stepping goes on exactly after a decoder change.
TEST_F(VideoManFrameCache, ADecoderChangeAndAClosedVideoEmptyTheCache)
{
    ASSERT_NO_FATAL_FAILURE(Open(60));
    f->graph.naReculeFrame->trigger();
    ASSERT_TRUE(waitUntil([&] { return Shown() == 59; }));
    TFrameCache &cache = man.FramesNotifier()->FrameCache();
    ASSERT_GT(cache.Count(), 1);

    // The step back left the graph on a segment begun at the key frame: the new decoder still
    // starts on the frame shown.
    const int64_t timed = man.FramesNotifier()->FrameCount();
    man.NextDecoder();
    EXPECT_LE(int64_t(cache.Count()), man.FramesNotifier()->FrameCount() - timed)
        << "another decoder's pictures may differ: only the new decoder's own are kept";
    EXPECT_TRUE(waitUntil([&] { return Shown() == 59; })) << Shown();
    f->graph.naReculeFrame->trigger();
    EXPECT_TRUE(waitUntil([&] { return Shown() == 58; })) << Shown();
    f->graph.naReculeFrame->trigger();
    EXPECT_TRUE(waitUntil([&] { return Shown() == 57; })) << Shown();
    EXPECT_GT(cache.Count(), 0);

    man.DisconnectVideo(true);
    EXPECT_EQ(cache.Count(), 0) << "a closed video gives its pictures back";
}

// Makes buffer number `failing` (from 0) that leaves `pad` from now on fail with
// GST_FLOW_ERROR, once, as a decoder or queue of a stream that stops on an error does. The probe
// goes with the object.
class OneFailingBuffer
{
public:
    OneFailingBuffer(GstPad *pad, int failing) : m_pad(TGstPad::ref(pad)), m_failing(failing)
    {
        m_id = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &OneFailingBuffer::probe, this, nullptr);
    }
    ~OneFailingBuffer() { gst_pad_remove_probe(m_pad, m_id); }
    int Buffers() const { return m_buffers.load(); }

private:
    // Streaming thread.
    static GstPadProbeReturn probe(GstPad *, GstPadProbeInfo *info, gpointer user)
    {
        auto *self = static_cast<OneFailingBuffer *>(user);
        if (self->m_buffers.fetch_add(1) != self->m_failing)
            return GST_PAD_PROBE_OK;
        gst_buffer_unref(GST_PAD_PROBE_INFO_BUFFER(info));
        GST_PAD_PROBE_INFO_DATA(info) = nullptr;
        GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
        return GST_PAD_PROBE_HANDLED;
    }
    TGstPad m_pad;
    const int m_failing;
    std::atomic<int> m_buffers{0};
    gulong m_id = 0;
};

// A streaming thread that stops on an error in the middle of an exact move (the decoder's
// output takes GST_FLOW_ERROR for one frame, as a decoder just put in gave one) does not end the
// move on the frame where it stopped: the frame asked for is shown.
TEST_F(VideoManFrameCache, AStreamErrorInTheMiddleOfAnExactMoveDoesNotStopItShort)
{
    ASSERT_NO_FATAL_FAILURE(Open(60));

    TGstElement decoder;
    for (const TGstElement &e : f->graph.Graph()->elements())
        if (GstElementFactory *fac = gst_element_get_factory(e);
            fac && g_str_has_prefix(GST_OBJECT_NAME(fac), "avdec_"))
            decoder = e;
    ASSERT_TRUE(decoder);
    TGstPad out = TGstPad::adopt(gst_element_get_static_pad(decoder, "src"));
    // The third frame decoded after the seek fails, after two have reached the frames
    // notifier (the key frame is 7 frames before the target).
    {
        const OneFailingBuffer fault(out, 2);
        const int errors = f->graph.Graph()->errorCount();
        f->graph.SeekPrecise(grid.TimeOf(58));
        EXPECT_GT(f->graph.Graph()->errorCount(), errors) << "the fault was not met";
    }
    EXPECT_TRUE(waitUntil([&] { return Shown() == 58; })) << Shown();
    EXPECT_EQ(grid.IndexAt(f->graph.GetPosition()), 58);
    f->graph.naReculeFrame->trigger();
    EXPECT_TRUE(waitUntil([&] { return Shown() == 57; })) << Shown();
    man.DisconnectVideo(true);
}

// A decoder change whose seek meets a stream error (the new decoder's first buffer fails, as a
// flush among its first buffers made it do) still leaves the frame shown before, and the steps
// after it go on exactly.
TEST_F(VideoManFrameCache, ADecoderChangeThatMeetsAStreamErrorKeepsTheFrameShown)
{
    ASSERT_NO_FATAL_FAILURE(Open(59));

    TGstElement queue =
        f->graph.Graph()->findElement(VideoManFrameCache::Name() + QStringLiteral(" queue 0"));
    ASSERT_TRUE(queue);
    TGstPad out = TGstPad::adopt(gst_element_get_static_pad(queue, "src"));
    // The first buffer the new decoder is given fails.
    {
        const OneFailingBuffer fault(out, 0);
        const int errors = f->graph.Graph()->errorCount();
        man.NextDecoder();
        EXPECT_GT(f->graph.Graph()->errorCount(), errors) << "the fault was not met";
    }
    EXPECT_EQ(Shown(), 59);
    EXPECT_EQ(grid.IndexAt(f->graph.GetPosition()), 59);
    f->graph.naReculeFrame->trigger();
    EXPECT_TRUE(waitUntil([&] { return Shown() == 58; })) << Shown();
    f->graph.naAvanceFrame->trigger();
    EXPECT_TRUE(waitUntil([&] { return Shown() == 59; })) << Shown();
    man.DisconnectVideo(true);
}
