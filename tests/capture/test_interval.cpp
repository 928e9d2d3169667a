// The interval capture's count, run loop and end, every way of stopping a run, and its panel.
// The window around it is a small stand-in that records what the loop asked for: navigation,
// audio and grab are the real managers' business and have tests of their own.
#include "actions/TCheckAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "capture/TIntervalCapture.h"
#include "capture/Tintervalloframe.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr std::int64_t Second = 10'000'000;
constexpr std::int64_t Frame25 = 400'000;

struct Host : IIntervalHost
{
    std::int64_t frame = Frame25;
    std::int64_t duration = 60 * Second;
    std::int64_t position = 0;
    int volume = -1;
    int volumeSetting = 7000;
    bool hasVideo = true;
    bool stop = false;
    bool paused = false;
    std::vector<std::int64_t> seeks;
    std::vector<std::int64_t> grabs; // position at each grab
    std::vector<int> volumeDuringGrab;
    std::vector<QString> calls;
    std::function<bool()> onGrab; // the grab's own behaviour; true: written

    std::int64_t FrameDuration() override { return frame; }
    std::int64_t MediaDuration() override { return duration; }
    std::int64_t GetPosition() override { return position; }
    void Pause() override { paused = true, calls.push_back("Pause"); }
    void Stop() override { calls.push_back("Stop"); }
    void GoToStart() override { position = 0, calls.push_back("GoToStart"); }
    // Like the navigation manager, never past the last frame.
    void SeekPrecise(std::int64_t target) override
    {
        seeks.push_back(target);
        position = std::min(target, duration - frame);
    }
    void SetVolume(int v) override { volume = v; }
    int VolumeSetting() override { return volumeSetting; }
    bool HasVideo() override { return hasVideo; }
    bool Grab() override
    {
        grabs.push_back(position);
        volumeDuringGrab.push_back(volume);
        return onGrab ? onGrab() : true;
    }
    bool StopRequested() override { return stop; }
    void SetStopRequested(bool s) override { stop = s; }
    void ProcessMessages() override { QCoreApplication::processEvents(); }
};

struct IntervalCapture : testing::Test
{
    Host host;
    TCustomVDActionList list;
    TIntervalCapture ic{host, &list};
    Tintervalloframe panel;

    void SetUp() override { ic.SetPanel(&panel); }
    // Delay and unit as the command line sets them.
    // The unit action holds an integer: values outside the units are possible there.
    void settings(int delai, int unit)
    {
        ic.iaIntervalloDelai->SetValue(delai);
        ic.iaIntervalloUnit->SetValue(unit);
    }
    void settings(int delai, TIntervalCapture::TUnit unit) { settings(delai, int(unit)); }
    // Lets the end message arrive.
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    QString countText() const { return panel.CountLabel()->text(); }
};

} // namespace

TEST_F(IntervalCapture, ActionsOfTheWindowList)
{
    ASSERT_EQ(list.ActionCount(), 5);
    const QStringList expected{"caIntervalloShow", "iaIntervalloDelai", "iaIntervalloUnit",
                               "naIntervalloStart", "naIntervalloBreak"};
    const QStringList switches{"si", "idelai", "iunit", "inter", "br"};
    const QStringList keys{"Alt+J", "", "", "Ctrl+J", "Ctrl+Shift+J"};
    for (int i = 0; i < 5; ++i) {
        auto *a = list.TypedActions().at(i);
        EXPECT_EQ(a->Name(), expected[i]);
        EXPECT_EQ(a->ScriptName(), expected[i].mid(2));
        EXPECT_EQ(a->Switch(), switches[i]);
        EXPECT_EQ(a->ShortCut().toString(), keys[i]);
        EXPECT_EQ(a->Category(), "cat_Intervallo");
        const bool stored = i == 1 || i == 2;
        EXPECT_EQ(a->IncludePrefs(), stored) << i;
        EXPECT_EQ(a->ApplyWhenLoad(), stored) << i;
    }
    EXPECT_EQ(ic.caIntervalloShow->Caption(), QString::fromUtf8("Afficher l'intervallomètre"));
    ic.caIntervalloShow->SetChecked(true);
    EXPECT_EQ(ic.caIntervalloShow->Caption(), QString::fromUtf8("Masquer l'intervallomètre"));
    EXPECT_EQ(ic.iaIntervalloDelai->DefaultValue, 0);
}

TEST_F(IntervalCapture, CountFromThePositionToTheEnd)
{
    // Before any count the label is hidden; a delay of 0 leaves everything as it was.
    EXPECT_TRUE(panel.CountLabel()->isHidden());
    ic.Count();
    EXPECT_EQ(ic.Remaining(), 0);
    EXPECT_TRUE(panel.CountLabel()->isHidden());

    // 60 s video, position 10 s, one image every 5 s: 10, 15, ... 60 s.
    host.position = 10 * Second;
    settings(5, TIntervalCapture::TUnit::iuSecondes);
    ic.Count();
    EXPECT_EQ(ic.StepTicks(), 50'000'000);
    EXPECT_EQ(ic.StartPos(), 10 * Second);
    EXPECT_EQ(ic.Remaining(), 11);
    EXPECT_FALSE(panel.CountLabel()->isHidden());
    EXPECT_EQ(countText(), "11");

    // Frames use the frame duration, minutes 60 s; an unknown unit or a delay of 0 keeps the count.
    settings(250, TIntervalCapture::TUnit::iuFrames);
    ic.Count();
    EXPECT_EQ(ic.Remaining(), 6);
    settings(1, TIntervalCapture::TUnit::iuMinutes);
    ic.Count();
    EXPECT_EQ(ic.Remaining(), 1);
    host.position = 0;
    for (auto [delai, unit] : {std::pair{0, 1}, std::pair{5, 3}, std::pair{5, -1}}) {
        settings(delai, unit);
        ic.Count();
        EXPECT_EQ(ic.StartPos(), 10 * Second);
        EXPECT_EQ(ic.Remaining(), 1);
        EXPECT_EQ(countText(), "1");
    }
    // 64-bit all the way: 999999 minutes on a day-long video.
    EXPECT_EQ(TIntervalCapture::ImageCount(864'000'000'000, 0, 999'999 * 600'000'000LL), 1);
    EXPECT_EQ(TIntervalCapture::ImageCount(864'000'000'000, 0, Frame25), 2'160'001);
}

TEST_F(IntervalCapture, RunSeeksGrabsCountsDownAndEndsAtTheStart)
{
    host.position = 10 * Second;
    settings(5, TIntervalCapture::TUnit::iuSecondes);
    ic.Count();
    // Moving after the count does not move the first image.
    host.position = 33 * Second;
    std::vector<QString> labels;
    host.onGrab = [&] {
        labels.push_back(countText());
        EXPECT_FALSE(panel.DelaiEdit()->isEnabled());
        EXPECT_FALSE(panel.UnitList()->isEnabled());
        EXPECT_TRUE(panel.SwitchButton()->isChecked());
        return true;
    };
    ic.naIntervalloStart->Apply();
    ASSERT_EQ(host.grabs.size(), 11u);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(host.grabs[k], (10 + 5 * k) * Second);
    // The image at the end of the video is the last frame a precise seek reaches.
    EXPECT_EQ(host.grabs[10], 60 * Second - 2 * Frame25);
    EXPECT_EQ(labels.front(), "11");
    EXPECT_EQ(labels.back(), "1");
    EXPECT_EQ(countText(), "0");
    EXPECT_EQ(host.volumeDuringGrab, std::vector<int>(11, 0));
    EXPECT_EQ(host.calls.front(), "Pause");
    EXPECT_EQ(ic.State(), TIntervalCapture::TState::isEnding);

    // The end steps run from the posted message, once the loop has left the stack.
    host.calls.clear();
    settle();
    EXPECT_EQ(ic.State(), TIntervalCapture::TState::isIdle);
    EXPECT_EQ(host.calls, (std::vector<QString>{"Pause", "GoToStart", "Stop", "Pause"}));
    EXPECT_EQ(host.volume, 7000);
    EXPECT_TRUE(host.stop);
    EXPECT_FALSE(panel.SwitchButton()->isChecked());
    EXPECT_TRUE(panel.DelaiEdit()->isEnabled());
    EXPECT_TRUE(panel.UnitList()->isEnabled());
    // Counted again from the start: 0, 5, ... 60 s.
    EXPECT_EQ(ic.StartPos(), 0);
    EXPECT_EQ(ic.Remaining(), 13);
    EXPECT_EQ(countText(), "13");
}

TEST_F(IntervalCapture, OneImagePerFrameToTheEndWithoutRepeatingTheLast)
{
    host.duration = 100 * Frame25;
    settings(1, TIntervalCapture::TUnit::iuFrames);
    ic.Count();
    EXPECT_EQ(ic.Remaining(), 101);
    ic.Run();
    ASSERT_EQ(host.grabs.size(), 99u);
    for (int k = 0; k < 99; ++k)
        EXPECT_EQ(host.grabs[k], k * Frame25);
    EXPECT_EQ(host.seeks.back(), 98 * Frame25);
    EXPECT_EQ(ic.Remaining(), 0);
    settle();
}

TEST_F(IntervalCapture, EveryWayOfStoppingEndsTheRunCleanly)
{
    settings(1, TIntervalCapture::TUnit::iuSecondes);
    struct Way
    {
        const char *name;
        std::function<void(TIntervalCapture &, Host &, Tintervalloframe &)> stop;
        size_t grabs; // steps that reached the grab
    };
    const std::vector<Way> ways{
        {"naIntervalloBreak", [](auto &c, auto &, auto &) { c.naIntervalloBreak->Apply(); }, 3},
        {"switch off", [](auto &, auto &, auto &p) { p.SwitchButton()->click(); }, 3},
        // Esc (naAbort), "Annuler" in the overwrite question and the close of the window all
        // set the shared stop flag.
        {"stop flag", [](auto &, auto &h, auto &) { h.stop = true; }, 3},
        {"video closed", [](auto &, auto &h, auto &) { h.hasVideo = false; }, 3},
        // A save that fails ends the run at that step; the grab has shown its message.
        {"failed save", [](auto &, auto &, auto &) {}, 3},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        host = Host{};
        host.position = 0;
        ic.Count();
        const bool fails = std::string(way.name) == "failed save";
        host.onGrab = [&] {
            if (host.grabs.size() == 3) {
                way.stop(ic, host, panel);
                return !fails;
            }
            return true;
        };
        panel.SwitchButton()->click(); // the user starts it
        EXPECT_EQ(host.grabs.size(), way.grabs);
        EXPECT_EQ(host.seeks.size(), way.grabs);
        // The step in progress is counted; the panel still shows the run until the end message.
        EXPECT_EQ(ic.Remaining(), fails ? 61 - 2 : 61 - 3);
        EXPECT_TRUE(panel.SwitchButton()->isChecked());
        settle();
        EXPECT_EQ(ic.State(), TIntervalCapture::TState::isIdle);
        EXPECT_FALSE(panel.SwitchButton()->isChecked());
        EXPECT_TRUE(panel.DelaiEdit()->isEnabled());
        EXPECT_EQ(host.volume, 7000);
        EXPECT_EQ(host.position, 0);
        // Counted again at the end: with the video gone there is nothing left to take.
        EXPECT_EQ(ic.Remaining(), host.hasVideo ? 61 : 0);
    }
}

TEST_F(IntervalCapture, StartWhileRunningOrEndingIsIgnored)
{
    settings(10, TIntervalCapture::TUnit::iuSecondes);
    ic.Count();
    int nested = 0;
    host.onGrab = [&] {
        ic.naIntervalloStart->Apply(); // Ctrl+J again while the loop runs
        ++nested;
        return true;
    };
    ic.Run();
    EXPECT_EQ(host.grabs.size(), 7u);
    EXPECT_EQ(nested, 7);
    host.onGrab = nullptr;
    ic.Run(); // before the end message: still ending
    EXPECT_EQ(host.grabs.size(), 7u);
    settle();
    ic.Run();
    EXPECT_EQ(host.grabs.size(), 14u);
    settle();
}

TEST_F(IntervalCapture, PanelFollowsTheActionsAndSetsThem)
{
    // An applied action moves its control and nothing else.
    settings(7, TIntervalCapture::TUnit::iuMinutes);
    EXPECT_EQ(panel.DelaiEdit()->value(), 7);
    EXPECT_EQ(panel.UnitList()->currentIndex(), 2);
    EXPECT_TRUE(panel.CountLabel()->isHidden());

    // The user's changes set the actions and recount.
    host.duration = 60 * Second;
    panel.UnitList()->setCurrentIndex(1);
    EXPECT_EQ(ic.iaIntervalloUnit->Value, 1);
    EXPECT_EQ(countText(), "9");
    panel.DelaiEdit()->setValue(20);
    EXPECT_EQ(ic.iaIntervalloDelai->Value, 20);
    EXPECT_EQ(countText(), "4");

    // Showing the panel brings it up and counts; hiding it hides it.
    EXPECT_TRUE(panel.isHidden());
    host.position = 30 * Second;
    ic.caIntervalloShow->SetChecked(true);
    EXPECT_FALSE(panel.isHidden());
    EXPECT_EQ(countText(), "2");
    ic.caIntervalloShow->SetChecked(false);
    EXPECT_TRUE(panel.isHidden());
}

TEST_F(IntervalCapture, ShowingThePanelWithoutADelayTakesTheOneItShows)
{
    EXPECT_EQ(panel.DelaiEdit()->value(), 10);
    ic.iaIntervalloUnit->SetValue(int(TIntervalCapture::TUnit::iuSecondes));
    ic.caIntervalloShow->SetChecked(true);
    EXPECT_EQ(ic.iaIntervalloDelai->Value, 10);
    EXPECT_EQ(ic.Remaining(), 7);
}

TEST_F(IntervalCapture, SwitchOffIsRecordedAsACommandOfItsOwn)
{
    QStringList macro;
    TCustomAbstractAction::MacroLines = &macro;
    settings(1, TIntervalCapture::TUnit::iuSecondes);
    macro.clear();
    ic.Count();
    host.onGrab = [&] {
        if (host.grabs.size() == 2)
            panel.SwitchButton()->click();
        return true;
    };
    panel.SwitchButton()->click();
    settle();
    TCustomAbstractAction::MacroLines = nullptr;
    EXPECT_EQ(macro, QStringList({"    IntervalloStart;", "    IntervalloBreak;"}));
    EXPECT_EQ(host.grabs.size(), 2u);
}
