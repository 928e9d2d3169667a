#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TVDActionComponent.h"
#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMainWindow>
#include <QTimer>

namespace {

QStringList args(std::initializer_list<const char *> a)
{
    QStringList out{"framix"};
    for (const char *s : a)
        out << QString::fromUtf8(s);
    return out;
}

struct SwitchRig
{
    TVDSwitch sw;
    TVDActionList gpal;
    TVDActionList files;
    TIntegerAction *digits = nullptr;
    TWidestringAction *root = nullptr;
    TCheckAction *sliders = nullptr;
    TNopeAction *grab = nullptr;
    TWidestringAction *open = nullptr;
    QStringList log;
    QStringList messages;

    SwitchRig()
    {
        sw.Status().OnMessage = [this](const QString &line) { messages << line; };
        digits = new TIntegerAction(QStringLiteral("iaDigits"), &gpal);
        digits->SetSwitch("digits");
        digits->InternalApply = [this](const int &v) { log << QString("digits %1").arg(v); };
        root = new TWidestringAction(QStringLiteral("waRoot"), &gpal);
        root->SetSwitch("Root");
        root->InternalApply = [this](const QString &v) { log << "root " + v; };
        sliders = new TCheckAction(QStringLiteral("caSliders"), &gpal);
        sliders->SetSwitch("x");
        sliders->InternalTrueApply = [this] { log << "x on"; };
        sliders->InternalFalseApply = [this] { log << "x off"; };
        grab = new TNopeAction(QStringLiteral("naGrab"), &gpal);
        grab->SetSwitch("g");
        grab->InternalApply = [this] { log << "grab"; };
        // Same switch name in a list registered later: the first registered wins.
        open = new TWidestringAction(QStringLiteral("waOpenFile"), &files);
        open->SetSwitch("DIGITS");
        open->InternalApply = [this](const QString &v) { log << "open " + v; };
        gpal.SetSwitch(&sw);
        files.SetSwitch(&sw);
    }

    void run(const QStringList &a)
    {
        sw.ParseCommandLine(a);
        sw.ExecuteAll();
    }
};

} // namespace

TEST(Switch, ParsingModesNamesAndValues)
{
    SwitchRig s;
    EXPECT_EQ(s.sw.TableCount(), 5);
    s.sw.ParseCommandLine(
        args({"/Digits=4", "+DIGITS=5", "-x", "/root=a=b", "+g", "unknown.avi", "/nothing=1", "/=3"}));
    const TSuperList &p = s.sw.Pending();
    ASSERT_EQ(p.Count(), 5);
    EXPECT_EQ(p.Item(0)->Action, s.digits);
    EXPECT_EQ(p.Item(0)->Text, "4");
    EXPECT_EQ(p.Item(0)->Mode, smSet);
    EXPECT_EQ(p.Item(1)->Action, s.digits);
    EXPECT_EQ(p.Item(1)->Mode, smOn);
    EXPECT_EQ(p.Item(2)->Action, s.sliders);
    EXPECT_EQ(p.Item(2)->Mode, smOff);
    EXPECT_EQ(p.Item(2)->Text, "");
    EXPECT_EQ(p.Item(3)->Action, s.root);
    EXPECT_EQ(p.Item(3)->Text, "a=b");
    EXPECT_EQ(p.Item(4)->Action, s.grab);
    EXPECT_EQ(p.Item(4)->Mode, smOn);
    EXPECT_FALSE(s.sw.QuitRequested());

    // With a DefaultAction, bare arguments go to it; an unknown name never does (it would be
    // taken for a file name), it is named on the status instead and the rest still runs.
    s.sw.DefaultAction = s.open;
    s.sw.ParseCommandLine(args({"film.avi", "/nothing=1", "/g"}));
    ASSERT_EQ(s.sw.Pending().Count(), 2);
    EXPECT_EQ(s.sw.Pending().Item(0)->Action, s.open);
    EXPECT_EQ(s.sw.Pending().Item(0)->Text, "film.avi");
    EXPECT_EQ(s.sw.Pending().Item(0)->Mode, smBare);
    EXPECT_EQ(s.sw.Pending().Item(1)->Action, s.grab);
    EXPECT_EQ(s.messages.last(), "Argument inconnu : /nothing=1");
    EXPECT_EQ(s.sw.Status().Code(), 2);
    // A missing top-level file ("/clip.dv") is a path for the opener, not an unknown switch.
    s.messages.clear();
    s.sw.ParseCommandLine(args({"/nulle-part.dv"}));
    ASSERT_EQ(s.sw.Pending().Count(), 1);
    EXPECT_EQ(s.sw.Pending().Item(0)->Action, s.open);
    EXPECT_EQ(s.sw.Pending().Item(0)->Text, "/nulle-part.dv");
    EXPECT_TRUE(s.messages.isEmpty());

    // Absolute paths begin with "/" too: a "/" in the name part, or an existing file, makes the
    // argument a path given whole, not a switch named after it.
    const QString here = QCoreApplication::applicationFilePath(); // exists
    s.sw.ParseCommandLine({"framix", "/home/me/film=1.avi", here, "/g=/tmp/x"});
    ASSERT_EQ(s.sw.Pending().Count(), 3);
    EXPECT_EQ(s.sw.Pending().Item(0)->Action, s.open);
    EXPECT_EQ(s.sw.Pending().Item(0)->Text, "/home/me/film=1.avi");
    EXPECT_EQ(s.sw.Pending().Item(1)->Text, here);
    EXPECT_EQ(s.sw.Pending().Item(1)->Mode, smBare);
    EXPECT_EQ(s.sw.Pending().Item(2)->Action, s.grab);
    EXPECT_EQ(s.sw.Pending().Item(2)->Text, "/tmp/x");

    // Counting stops at the first empty argument.
    s.sw.DefaultAction = nullptr;
    s.sw.ParseCommandLine(args({"/g", "", "/g"}));
    EXPECT_EQ(s.sw.Pending().Count(), 1);

    // An empty switch table finds nothing, not even quit.
    TVDSwitch empty;
    EXPECT_EQ(empty.FindSwitch("quit"), nullptr);
    EXPECT_FALSE(empty.QuitRequested());
}

TEST(Switch, ExecutionOrderAndCheckModes)
{
    SwitchRig s;
    s.run(args({"+x", "-x", "/x", "/digits=4", "/digits=", "/root=", "/g=whatever", "+x=0"}));
    EXPECT_EQ(s.log,
              (QStringList{"x on", "x off", "x on", "digits 4", "digits -1", "root ", "grab", "x on"}));
    EXPECT_TRUE(s.sliders->Checked());
    EXPECT_FALSE(s.sw.Executing());
}

TEST(Switch, ValuesThatDoNotReadAreNamedAndSkipped)
{
    SwitchRig s;
    s.digits->SetTextRange(1, 9);
    s.run(args({"/digits=abc", "/g", "/digits=12", "/digits=$5", "/bogus", "+x", "/quit"}));
    // Every other argument ran, in order; the refused ones did not fall back to -1.
    EXPECT_EQ(s.log, (QStringList{"grab", "digits 5", "x on"}));
    EXPECT_EQ(
        s.messages,
        (QStringList{
            "Argument inconnu : /bogus",
            QString::fromUtf8("Valeur incorrecte pour /digits : « abc » (attendu : un entier de 1 à 9)"),
            QString::fromUtf8("Valeur incorrecte pour /digits : « 12 » (attendu : un entier de 1 à 9)")}));
    EXPECT_EQ(s.sw.Status().Code(), 2);
    EXPECT_TRUE(s.sw.QuitRequested());
}

TEST(Switch, StatusKeepsTheMostTellingFailure)
{
    TCommandLineStatus st;
    QStringList lines;
    st.OnMessage = [&](const QString &l) { lines << l; };
    EXPECT_EQ(st.Code(), 0);
    st.Fail(TRunFailure::GrabFailed);
    EXPECT_EQ(st.Code(), 3);
    st.MissingFile("/nulle/part.dv");
    EXPECT_EQ(st.Code(), 1);
    st.Fail(TRunFailure::GrabFailed);
    EXPECT_EQ(st.Code(), 1);
    st.UnknownArgument("/zz");
    st.Fail(TRunFailure::OpenFailed);
    EXPECT_EQ(st.Code(), 2);
    EXPECT_EQ(lines, (QStringList{"Fichier introuvable : /nulle/part.dv", "Argument inconnu : /zz"}));
}

TEST(Switch, DisabledEntriesAreSkippedAndQuitClosesAfterAll)
{
    SwitchRig s;
    QMainWindow window;
    bool closedWhileExecuting = true;
    window.show();
    s.sw.MainWindow = &window;
    s.grab->InternalApply = [&] {
        s.log << "grab";
        EXPECT_TRUE(window.isVisible()); // quit waits for the last entry
        EXPECT_TRUE(s.sw.Executing());
    };
    s.digits->SetEnabled(false);
    s.run(args({"/quit", "/digits=3", "/g"}));
    EXPECT_EQ(s.log, QStringList{"grab"});
    EXPECT_EQ(s.messages, QStringList{"Commande indisponible ici : /digits=3"});
    EXPECT_EQ(s.sw.Status().Code(), 3) << "asked for and not done";
    EXPECT_FALSE(window.isVisible());
    (void)closedWhileExecuting;

    // Only a disabled entry: it is skipped, and the window still closes.
    SwitchRig t;
    QMainWindow w2;
    w2.show();
    t.sw.MainWindow = &w2;
    t.digits->SetEnabled(false);
    t.run(args({"/digits=3", "-QUIT"}));
    EXPECT_TRUE(t.log.isEmpty());
    EXPECT_FALSE(w2.isVisible());
}

TEST(Switch, RunWithoutEntriesCallsOnNoCommandLine)
{
    SwitchRig s;
    QMainWindow window;
    window.show();
    s.sw.MainWindow = &window;
    int none = 0;
    s.sw.OnNoCommandLine = [&] { ++none; };
    // Only /quit, or only names that match nothing: no entry, the window stays open.
    const QStringList saved = QCoreApplication::arguments();
    s.sw.ParseCommandLine(args({"/quit", "/nothing"}));
    EXPECT_EQ(s.sw.Pending().Count(), 0);
    s.sw.ExecuteAll();
    EXPECT_TRUE(window.isVisible());

    // Run() reads the program's own arguments (the test program has none of ours).
    s.sw.Run();
    EXPECT_EQ(none, 1);
    EXPECT_EQ(s.sw.Pending().Count(), 0);
}

TEST(Switch, AnExceptionEndsTheRunButQuitStillCloses)
{
    SwitchRig s;
    QMainWindow window;
    window.show();
    s.sw.MainWindow = &window;
    s.digits->InternalApply = [](const int &) { throw std::runtime_error("boom"); };
    s.run(args({"/digits=1", "/g", "/quit"}));
    EXPECT_TRUE(s.log.isEmpty());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(s.sw.Executing());
}

TEST(Switch, HandlersMayReenterWhileTheLineRuns)
{
    SwitchRig s;
    // A handler that lets the event loop run and tries to start the command line again, and
    // an event that unregisters a list and deletes an action still pending.
    s.digits->InternalApply = [&](const int &v) {
        s.log << QString("digits %1").arg(v);
        QTimer::singleShot(0, [&] {
            delete s.grab;
            s.grab = nullptr;
        });
        s.sw.Run(); // ignored while executing
        QCoreApplication::processEvents();
    };
    s.run(args({"/digits=1", "/g", "/root=r"}));
    EXPECT_EQ(s.log, (QStringList{"digits 1", "root r"}));
}

TEST(Switch, UnregisteringAList)
{
    SwitchRig s;
    s.gpal.SetSwitch(nullptr);
    EXPECT_EQ(s.sw.TableCount(), 1);
    EXPECT_EQ(s.sw.FindSwitch("digits"), s.open);
    s.gpal.SetSwitch(&s.sw); // registered again, now after the file list
    EXPECT_EQ(s.sw.FindSwitch("digits"), s.open);
}

TEST(Switch, FirstActivationRunsTheCommandLineOnce)
{
    SwitchRig s;
    int activations = 0, none = 0;
    s.sw.OnActivate = [&] { ++activations; };
    s.sw.OnNoCommandLine = [&] { ++none; };
    s.sw.ApplicationActivated();
    s.sw.ApplicationActivated();
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(none, 1);
    EXPECT_TRUE(s.sw.CommandLineDone());
}

TEST(Switch, SplittingACommandLineString)
{
    using S = TVDSwitch;
    EXPECT_EQ(S::SplitCommandLine("framix.exe /a  +b=c"), (QStringList{"framix.exe", "/a", "+b=c"}));
    EXPECT_EQ(S::SplitCommandLine("\"C:\\Program Files\\framix.exe\" /o=\"my film.avi\" -x"),
              (QStringList{"C:\\Program Files\\framix.exe", "/o=my film.avi", "-x"}));
    EXPECT_EQ(S::SplitCommandLine("p \"\" /a"), (QStringList{"p", "/a"}));
    EXPECT_EQ(S::SplitCommandLine("p\t\x01/a\r\n/b"), (QStringList{"p", "/a", "/b"}));
    EXPECT_EQ(S::SplitCommandLine("p a\"b c\"d"), (QStringList{"p", "ab cd"}));
    EXPECT_EQ(S::SplitCommandLine(QString("p /a") + QChar(0) + "/b"), (QStringList{"p", "/a"}));
    EXPECT_EQ(S::SplitCommandLine("p \""), QStringList{"p"});
    EXPECT_EQ(S::SplitCommandLine(""), QStringList{});
    EXPECT_EQ(S::SplitCommandLine("p é/ü"), (QStringList{"p", "é/ü"}));
}
