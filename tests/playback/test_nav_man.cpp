// The navigation manager without media: its actions, the position texts, clamping and the
// Shift-dependent steps (seen through onAbsolutePosition), the frame duration message, the
// bound position edit and track bar, the speed modes and the length of MPEG streams.
#include "../media/MediaTestUtil.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "media/MediaMessages.h"
#include "playback/TNavMan.h"
#include "widgets/TImageList.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>

namespace {

constexpr int64_t kD = 400000; // 25 frames per second
constexpr int64_t kSec = TNavMan::OneSecond;

// A manager whose Shift key the test holds, with every absolute seek recorded.
class TTestNav : public TNavMan
{
public:
    bool shift = false;
    std::vector<int64_t> seeks;

    // Two hours of 25 fps media.
    explicit TTestNav(int64_t duration = 7200 * kSec)
    {
        onAbsolutePosition = [this](int64_t rt) { seeks.push_back(rt); };
        MediaDuration = duration;
        SetFrameDuration(kD);
    }
    int64_t last() const { return seeks.empty() ? -1 : seeks.back(); }

protected:
    bool ShiftHeld() const override { return shift; }
};

} // namespace

TEST(NavMan, ActionsCarryTheirNamesShortcutsImagesAndTexts)
{
    TNavMan nav;
    struct Row
    {
        const char *id, *script, *shortcut;
        int image;
        bool atLoad;
    };
    const Row rows[] = {
        {"caPlay", "Play", "Ctrl+Space", 9, false},
        {"naReculeDebut", "ReculeDebut", "Ctrl+Shift+Home", 7, false},
        {"naReculeTrack", "ReculeTrack", "Ctrl+Home", 7, false},
        {"naRecule10Minutes", "Recule10Minutes", "Ctrl+Shift+PgDown", -1, false},
        {"naReculeMinute", "ReculeMinute", "Ctrl+PgDown", 0, false},
        {"naReculeHigh", "ReculeHigh", "", 0, false},
        {"naRecule10Secondes", "Recule10Secondes", "Ctrl+Shift+Down", -1, false},
        {"naReculeSeconde", "ReculeSeconde", "Ctrl+Down", 1, false},
        {"naReculeMedium", "ReculeMedium", "", 1, false},
        {"naRecule10Frames", "Recule10Frames", "Ctrl+Shift+Left", -1, false},
        {"naReculeFrame", "ReculeFrame", "Ctrl+Left", 2, false},
        {"naReculeLow", "ReculeLow", "", 2, false},
        {"naAvanceFin", "AvanceFin", "Ctrl+Shift+End", 6, false},
        {"naAvanceTrack", "AvanceTrack", "Ctrl+End", 6, false},
        {"naAvance10Minutes", "Avance10Minutes", "Ctrl+Shift+PgUp", -1, false},
        {"naAvanceMinute", "AvanceMinute", "Ctrl+PgUp", 5, false},
        {"naAvanceHigh", "AvanceHigh", "", 5, false},
        {"naAvance10Secondes", "Avance10Secondes", "Ctrl+Shift+Up", -1, false},
        {"naAvanceSeconde", "AvanceSeconde", "Ctrl+Up", 4, false},
        {"naAvanceMedium", "AvanceMedium", "", 4, false},
        {"naAvance10Frames", "Avance10Frames", "Ctrl+Shift+Right", -1, false},
        {"naAvanceFrame", "AvanceFrame", "Ctrl+Right", 3, false},
        {"naAvanceLow", "AvanceLow", "", 3, false},
        {"caVitesseCompatible", "VitesseCompatible", "Ctrl+B", -1, true},
        {"caSeekPrecision", "SeekPrecision", "", -1, true},
        {"iaSeekPrepos", "SeekPrepos", "", -1, true},
        {"iaFrameCache", "FrameCache", "", -1, true},
        {"waStrPosition", "Position", "", -1, false},
    };
    EXPECT_EQ(nav.ActionCount(), int(std::size(rows)));
    for (const Row &r : rows) {
        SCOPED_TRACE(r.id);
        auto *a = nav.FindByInternalId(QString::fromLatin1(r.id));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->ScriptName(), QString::fromLatin1(r.script));
        EXPECT_EQ(a->ShortCut(), QKeySequence(QString::fromLatin1(r.shortcut)));
        EXPECT_EQ(a->ImageIndex(), r.image);
        EXPECT_EQ(a->ApplyWhenLoad(), r.atLoad);
        EXPECT_TRUE(a->IncludePrefs());
        EXPECT_TRUE(a->Switch().isEmpty());
        EXPECT_EQ(a->Category(), QStringLiteral("internal"));
    }
    EXPECT_EQ(nav.NavImages()->Count(), 10);
    EXPECT_EQ(nav.caPlay->Caption(), QStringLiteral("Play"));
    EXPECT_EQ(nav.caPlay->Hint(), QStringLiteral("Jouer le flux vidéo et/ou audio"));
    EXPECT_EQ(nav.caPlay->TrueImageIndex(), 8);
    EXPECT_EQ(nav.naReculeTrack->Caption(), QString());
    EXPECT_EQ(nav.naReculeTrack->Hint(),
              QStringLiteral("Reculer à la scène précédente\r\nou tenez Shift pour Reculer au Début"));
    EXPECT_EQ(nav.naAvanceTrack->Caption(), QStringLiteral("Scène suivante"));
    EXPECT_EQ(
        nav.naAvanceMedium->Hint(),
        QStringLiteral("Cliquez pour avancer d'une seconde.\r\nSi vous pressez Shift vous avancerez de dix "
                       "secondes"));
    EXPECT_EQ(nav.caVitesseCompatible->Caption(), QStringLiteral("Vitesse Normale"));
    EXPECT_EQ(nav.waStrPosition->Hint(),
              QStringLiteral("Sélectionnez la position en hh:mm:ss:ff et tapez Entrée"));
    EXPECT_EQ(nav.waStrPosition->DefaultValue, QStringLiteral("0:00:00:00"));
    EXPECT_EQ(nav.iaSeekPrepos->DefaultValue, 1000);
    EXPECT_EQ(nav.SeekPrepos, kSec);
    EXPECT_EQ(nav.iaFrameCache->DefaultValue, 256);
    EXPECT_EQ(nav.FrameCacheBytes, std::size_t(256) << 20);
    // Megabytes, clamped: a negative bound is none, an absurd one 64 GB.
    nav.iaFrameCache->SetValue(-5);
    EXPECT_EQ(nav.FrameCacheBytes, 0u);
    nav.iaFrameCache->SetValue(INT32_MAX);
    EXPECT_EQ(nav.FrameCacheBytes, std::size_t(65536) << 20);
    EXPECT_EQ(nav.EndPosition, TNavMan::MaxPosition);
}

TEST(NavMan, PositionTextsAndTypedPositions)
{
    TTestNav nav;
    EXPECT_EQ(nav.PositionText(0), QStringLiteral("0:00:00:00"));
    EXPECT_EQ(nav.PositionText(9800000), QStringLiteral("0:00:00:24"));
    EXPECT_EQ(nav.PositionText(9900000), QStringLiteral("0:00:01:00"));
    EXPECT_EQ(nav.PositionText(3723040000000), QStringLiteral("103:25:04:00"));

    nav.SeekToText(QStringLiteral("1:02:03:04"));
    EXPECT_EQ(nav.last(), 37231600000);
    nav.waStrPosition->SetValue(QStringLiteral("0:10:00:00"));
    EXPECT_EQ(nav.last(), 6000000000);
    // A short text is not refused: its fields are the ones it has, counted from its end (the
    // characters "12" are seconds only, never minutes as well).
    nav.SeekToText(QStringLiteral("12:14"));
    EXPECT_EQ(nav.last(), 12 * kSec + 14 * kD);
    // Frame 34 of a 25-frame second is a typo: refused, the position stays.
    EXPECT_FALSE(nav.SeekToText(QStringLiteral("12:34")));
    EXPECT_EQ(nav.last(), 12 * kSec + 14 * kD);
    // Beyond the end: the start of the last frame.
    nav.SeekToText(QStringLiteral("10:00:00:00"));
    EXPECT_EQ(nav.last(), nav.MediaDuration - kD);
}

TEST(NavMan, StepsClampAndReadShiftWhenApplied)
{
    TTestNav nav;
    nav.naAvanceHigh->trigger();
    EXPECT_EQ(nav.last(), 60 * kSec);
    nav.shift = true;
    nav.naAvanceHigh->trigger();
    EXPECT_EQ(nav.last(), 600 * kSec) << "Shift read when the action is applied";
    nav.naAvanceMedium->trigger();
    EXPECT_EQ(nav.last(), 10 * kSec);
    nav.naAvanceLow->trigger();
    EXPECT_EQ(nav.last(), 10 * kD);
    nav.naReculeTrack->trigger(); // Shift: the start
    EXPECT_EQ(nav.last(), 0);
    nav.naAvanceTrack->trigger(); // Shift: the end
    EXPECT_EQ(nav.last(), nav.MediaDuration - kD);
    nav.shift = false;
    nav.naAvanceTrack->trigger(); // no scene list: the end as well
    EXPECT_EQ(nav.last(), nav.MediaDuration - kD);
    nav.naRecule10Minutes->trigger(); // past the start (the position reads 0 without media)
    EXPECT_EQ(nav.last(), 0);
    // The steps from a script apply the same way.
    nav.naAvanceMinute->trigger();
    EXPECT_EQ(nav.last(), 60 * kSec);

    // Nothing announced yet: a frame is one unit.
    TNavMan fresh;
    int64_t seen = -1;
    fresh.onAbsolutePosition = [&](int64_t rt) { seen = rt; };
    fresh.naAvanceFrame->trigger();
    EXPECT_EQ(seen, 1);
}

TEST(NavMan, FrameDurationMessagesAndPreposition)
{
    TTestNav nav(100 * kSec);
    QString duration;
    nav.OnDuration = [&](const QString &s) { duration = s; };
    // The sample notifier passes the low 32 bits; a 0 is ignored.
    nav.NavInbox<TFrameDurationMsg>()->post({0xFFFFFFFF00051615ull}); // 333,333
    mediatest::waitUntil([&] { return nav.FrameDuration == 333333; }, 2000);
    EXPECT_EQ(nav.FrameDuration, 333333);
    // The start of the last frame at exactly 30 fps (frame 2999 of 3000).
    EXPECT_EQ(nav.EndPosition, 2999 * kSec / 30);
    EXPECT_EQ(duration, QStringLiteral("0:01:40:00"));
    nav.NavInbox<TFrameDurationMsg>()->post({0});
    mediatest::pump(50);
    EXPECT_EQ(nav.FrameDuration, 333333);

    // A rate that arrives after the first frame was shown (a decoder that failed on the first
    // ones): the frame's text, the position field and the next image's name (which follow
    // OnDisplayTime) are written again in the new duration's terms.
    QStringList shown;
    nav.OnDisplayTime = [&](const QString &t) { shown << t; };
    nav.NavInbox<TFramesPositionMsg>()->post({1, 10 * 333333, nav.PositionText(10 * 333333)});
    mediatest::waitUntil([&] { return !shown.isEmpty(); }, 2000);
    ASSERT_EQ(shown, QStringList{QStringLiteral("0:00:00:10")});
    nav.SetFrameDuration(kD);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown.back(), nav.PositionText(10 * 333333));
    EXPECT_EQ(shown.back(), QStringLiteral("0:00:00:08"));
    nav.SetFrameDuration(kD); // the same again: nothing to write
    EXPECT_EQ(shown.size(), 2);
    nav.OnDisplayTime = nullptr;

    // Milliseconds beyond what 32-bit arithmetic holds stay right.
    nav.iaSeekPrepos->SetValue(300000);
    EXPECT_EQ(nav.SeekPrepos, 300000 * int64_t(10000));
    nav.iaSeekPrepos->SetValue(250);
    EXPECT_EQ(nav.SeekPrepos, 2500000);
}

TEST(NavMan, PositionEditFollowsUnlessTypingAndEnterSeeksWhenAccepted)
{
    TTestNav nav;
    QWidget form;
    auto *edit = new QLineEdit(&form);
    auto *other = new QLineEdit(&form);
    (void)other;
    int seeksShown = 0, normal = 0;
    nav.OnDisplaySeek = [&] { ++seeksShown; };
    nav.OnDisplayNormal = [&] { ++normal; };
    nav.SetPositionEdit(edit);
    EXPECT_TRUE(nav.EditFollows);

    nav.NavInbox<TFramesPositionMsg>()->post({1, 5 * kD, QStringLiteral("0:00:00:05")});
    mediatest::waitUntil([&] { return edit->text() == QStringLiteral("0:00:00:05"); }, 2000);
    EXPECT_EQ(edit->text(), QStringLiteral("0:00:00:05"));

    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(edit, &in);
    EXPECT_FALSE(nav.EditFollows);
    edit->setText(QStringLiteral("0:00:02:00"));
    nav.NavInbox<TFramesPositionMsg>()->post({2, 6 * kD, QStringLiteral("0:00:00:06")});
    mediatest::pump(50);
    EXPECT_EQ(edit->text(), QStringLiteral("0:00:02:00")) << "typing is not overwritten";

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &enter);
    EXPECT_TRUE(nav.seeks.empty()) << "Enter seeks only when accepted";
    nav.AcceptEnter = true;
    QCoreApplication::sendEvent(edit, &enter);
    EXPECT_EQ(nav.last(), 2 * kSec);
    EXPECT_EQ(seeksShown, 1);
    EXPECT_EQ(normal, 1);
    EXPECT_FALSE(edit->font().italic());

    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(edit, &out);
    EXPECT_TRUE(nav.EditFollows);
    delete edit;
    EXPECT_EQ(nav.PositionEdit(), nullptr);
    EXPECT_FALSE(nav.EditFollows);
}

TEST(NavMan, TrackBarWorksInUnitsOf1024)
{
    TTestNav nav(100 * kSec);
    QSlider slider(Qt::Horizontal);
    nav.SetSlider(&slider);
    EXPECT_TRUE(nav.SliderFollows);
    EXPECT_EQ(slider.minimum(), 0);
    EXPECT_EQ(slider.maximum(), int((100 * kSec - kD) / 1024));
    slider.setPageStep(1000);
    slider.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(nav.last(), 1000 * 1024) << "a move by the user seeks";
    nav.seeks.clear();
    slider.setValue(5000);
    EXPECT_TRUE(nav.seeks.empty()) << "a value set by the program does not";

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &press);
    EXPECT_FALSE(nav.SliderFollows);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &release);
    EXPECT_TRUE(nav.SliderFollows);
    nav.SetSlider(nullptr);
    EXPECT_FALSE(nav.SliderFollows);
}

TEST(NavMan, SpeedModesSwitchTheGraphClock)
{
    TNavMan nav;
    std::vector<bool> modes;
    nav.OnVitesse = [&](bool maxi) { modes.push_back(maxi); };
    nav.caVitesseCompatible->SetChecked(true);
    EXPECT_FALSE(nav.Graph()->clockEnabled());
    EXPECT_EQ(nav.caVitesseCompatible->Caption(), QStringLiteral("Vitesse Compatible"));
    nav.caVitesseCompatible->SetChecked(false);
    EXPECT_TRUE(nav.Graph()->clockEnabled());
    EXPECT_EQ(modes, (std::vector<bool>{true, false}));
}

TEST(NavMan, MpegLengthComesFromTheVideoTimeStamps)
{
    QFile f(framixtest::corpusFile(QStringLiteral("manifest.json")));
    if (!f.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "corpus missing: build the corpus target";
    const QJsonObject files = QJsonDocument::fromJson(f.readAll()).object().value("files").toObject();
    for (const char *name : {"fi_mpeg2_ts.ts", "fi_mpeg2_ps.mpg", "fi_h264_1080.m2ts", "fi_h264_576w.m2ts"}) {
        SCOPED_TRACE(name);
        const QJsonObject video = files.value(name).toObject().value("video").toObject();
        const int frames = video.value("frames").toInt();
        const QStringList fps = video.value("fps").toString().split('/');
        ASSERT_EQ(fps.size(), 2);
        // The first frame's start to the last frame's start.
        const double expected = (frames - 1) * 1e7 * fps[1].toDouble() / fps[0].toDouble();
        EXPECT_NEAR(double(TNavMan::MpegVideoSpan(framixtest::corpusFile(name))), expected, 2.0);
    }
    EXPECT_EQ(TNavMan::MpegVideoSpan(framixtest::corpusFile("fi_dv_pal.dv")), -1);
}
