// The script window inside the whole program: its toggle, caption, keys, preferences, the
// actions of the main window that serve scripts, and scripts in batch runs of the real program.
#include "../media/MediaTestUtil.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TRectAction.h"
#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TShowForm.h"
#include "core/THeadlessPromptService.h"
#include "media/TFrameIndex.h"
#include "prefs/TVardoPreferences.h"
#include "script/TVDScript.h"
#include "shell/QsciHeaders.h"
#include "shell/TFichierMan.h"
#include "shell/TKeyDispatcher.h"
#include "shell/TScriptFile.h"
#include "shell/TScriptForm.h"
#include "shell/TVDAppliMan.h"

#include "ShowFormWindow.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

using showformtest::Window;

TGrabber &GrabberOf(TShowForm &f)
{
    return *f.grabber();
}

QString Clip()
{
    const QString clip = framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv"));
    return QFileInfo::exists(clip) ? clip : QString();
}

} // namespace

TEST(ShowFormScripts, ToggleCaptionAndKeys)
{
    QTemporaryDir program;
    Window w(program.path());
    TShowForm &f = *w.form;
    TScriptForm *s = f.scriptForm();
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->isVisible()) << "made hidden at start";
    EXPECT_EQ(s->windowTitle(), "Scripts pour Framix 6.2.1 fr");
    EXPECT_EQ(s->geometry(), QRect(300, 300, 800, 560)) << "bounds never saved";
    EXPECT_EQ(s->fileMan()->InitialDir(), TShowForm::DocumentsFolder());

    TCheckAction *caScript = f.appliMan()->caScript;
    TCheckAction *caHelp = f.appliMan()->caHelp;
    caScript->SetChecked(true);
    EXPECT_TRUE(s->isVisible());

    // With the script window active its keys are its own, but F1, F12 and Esc.
    TKeyDispatcher &keys = *f.KeyDispatcher();
    EXPECT_EQ(keys.Find(QKeySequence("F5"), s).action, s->naExecuteMacro);
    EXPECT_EQ(keys.Find(QKeySequence("F3"), s).action, s->naStartMacro);
    EXPECT_EQ(keys.Find(QKeySequence("F5"), &f).action, GrabberOf(f).naGrab);
    EXPECT_EQ(keys.Find(QKeySequence("F1"), s).action, caHelp);
    EXPECT_EQ(keys.Find(QKeySequence("F12"), s).action, caScript);
    EXPECT_EQ(keys.Find(QKeySequence("Esc"), s).action, f.windowActions().naAbort);
    EXPECT_EQ(keys.Find(QKeySequence("Ctrl+F12"), &f).action, f.FindAction("naExecuteScript"));

    // Real key presses in the editor: F5 runs the window's script, not a grab.
    s->editor()->setFocus();
    QTest::keyClick(s->editor(), Qt::Key_F5);
    EXPECT_EQ(s->MemoLines(), (QStringList{"*** Compilation succeeded ***", "*** Exécution réussie ***"}));
    const bool helpBefore = caHelp->Checked();
    QTest::keyClick(s->editor(), Qt::Key_F1);
    EXPECT_NE(caHelp->Checked(), helpBefore) << "F1 still toggles help";
    caHelp->SetChecked(helpBefore);
    QTest::keyClick(s->editor(), Qt::Key_F12);
    EXPECT_FALSE(caScript->Checked());
    EXPECT_FALSE(s->isVisible());

    // Closing the window by its frame unchecks the toggle.
    caScript->SetChecked(true);
    s->close();
    EXPECT_FALSE(caScript->Checked());

    // The lists for the help window, under "Scripts".
    QStringList seen;
    f.AddScriptListsToHelp(
        [&](const QString &heading, TCustomVDActionList *l) { seen << heading + u'/' + l->objectName(); });
    EXPECT_EQ(seen, (QStringList{"Scripts/ficman_script", "Scripts/al_script"}));
}

// Recording, then changing a setting in the main window, then stopping: five lines that replay.
TEST(ShowFormScripts, MacroOfAMainWindowSetting)
{
    QTemporaryDir program;
    Window w(program.path());
    TShowForm &f = *w.form;
    TScriptForm &s = *f.scriptForm();
    TCheckAction *bascule = f.windowActions().caBasculerVue;
    const bool before = bascule->Checked();
    s.naStartMacro->trigger();
    bascule->SetChecked(!before);
    s.naStopMacro->trigger();
    const QStringList lines = s.EditorLines();
    ASSERT_EQ(lines.size(), 5) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith("//Macro enregistrée le "));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "begin");
    EXPECT_EQ(lines[3], QStringLiteral("    setBasculerVue(%1);").arg(before ? "False" : "True"));
    EXPECT_EQ(lines[4], "end.");
    bascule->SetChecked(before);
    EXPECT_TRUE(s.Execute()) << s.MemoLines().join('\n').toStdString();
    EXPECT_EQ(bascule->Checked(), !before);
}

// caConserverScript keeps the last script for the next start, or lets it go.
TEST(ShowFormScripts, ConserverScriptAcrossRestarts)
{
    QTemporaryDir program, scripts;
    const QString file = scripts.filePath("garde.txt");
    ASSERT_TRUE(TScriptFile::Write(file, {"begin", "  // garde", "end."}, nullptr));
    for (bool keep : {true, false}) {
        {
            Window w(program.path());
            w.form->preferences()->SetMode(spRegistre);
            auto *conserver = qobject_cast<TCheckAction *>(w.form->FindAction("caConserverScript"));
            ASSERT_NE(conserver, nullptr);
            conserver->SetChecked(keep);
            ASSERT_TRUE(w.form->scriptForm()->OpenScript(file));
            EXPECT_TRUE(w.form->close());
        }
        Window w(program.path());
        TScriptForm &s = *w.form->scriptForm();
        if (keep) {
            EXPECT_EQ(s.fileMan()->CurrentFile(), file);
            EXPECT_EQ(s.EditorLines().at(1), "  // garde");
            EXPECT_EQ(s.fileStatePanel()->text(), "Ouvert");
        } else {
            EXPECT_EQ(s.EditorLines(), TScriptForm::NewFileTemplate()) << "nothing reopened";
            EXPECT_NE(s.fileMan()->CurrentFile(), file);
        }
        EXPECT_EQ(s.fileMan()->RecentFiles().first(), file) << "the recent list stays";
        w.form->preferences()->SetMode(spNone);
    }
}

// A script that grabs three frames, saved, reopened after a restart and run with Ctrl+F12.
TEST(ShowFormScripts, ThreeGrabsAfterARestart)
{
    const QString clip = Clip();
    if (clip.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    QTemporaryDir program, scripts, images;
    const QString file = scripts.filePath("trois.txt");
    {
        Window w(program.path());
        w.form->preferences()->SetMode(spRegistre);
        TScriptForm &s = *w.form->scriptForm();
        s.SetEditorLines({"begin", QStringLiteral("  OpenFile('%1');").arg(clip),
                          QStringLiteral("  DossierSave('%1/');").arg(images.path()),
                          "  Position('0:00:00:05');", "  Grab;", "  Position('0:00:01:00');", "  Grab;",
                          "  Position('0:00:01:12');", "  Grab;", "end."});
        s.fileMan()->ChooseSaveFile = [&](const QString &, const QString &, const QString &,
                                          const QString &) { return file; };
        s.fileMan()->naSaveFile->trigger();
        ASSERT_TRUE(QFileInfo::exists(file));
        EXPECT_TRUE(w.form->close());
    }
    Window w(program.path());
    TShowForm &f = *w.form;
    ASSERT_EQ(f.scriptForm()->fileMan()->CurrentFile(), file);
    ASSERT_TRUE(f.KeyDispatcher()->Dispatch(QKeySequence("Ctrl+F12"), &f));
    EXPECT_EQ(f.scriptForm()->MemoLines().last(), "*** Exécution réussie ***")
        << f.scriptForm()->MemoLines().join('\n').toStdString();
    const struct
    {
        const char *name;
        int frame;
    } expected[] = {
        {"Framix_0.00.00.05.bmp", 5}, {"Framix_0.00.01.00.bmp", 25}, {"Framix_0.00.01.12.bmp", 37}};
    for (const auto &e : expected) {
        const QImage img(images.filePath(e.name));
        ASSERT_FALSE(img.isNull()) << e.name << " in "
                                   << QDir(images.path()).entryList().join(' ').toStdString();
        EXPECT_EQ(FrameIndexFromImage(img), e.frame) << e.name;
    }
    EXPECT_EQ(f.exitCode(), 0);
    f.preferences()->SetMode(spNone);
}

// A script that opens a video that does not exist says so in the message area.
TEST(ShowFormScripts, MissingVideoInAScript)
{
    QTemporaryDir program;
    Window w(program.path());
    TScriptForm &s = *w.form->scriptForm();
    s.SetEditorLines({"begin", "  OpenFile('/nulle/part/absente.avi');", "end."});
    s.Execute();
    EXPECT_TRUE(
        s.MemoLines().contains("### Impossible d'ouvrir /nulle/part/absente.avi : le fichier n'existe pas."))
        << s.MemoLines().join('\n').toStdString();
}

// The real program, headless: /script= and /exec run scripts, their messages go to standard
// error, and a failed compile or run makes the exit status non-zero.
TEST(ShowFormScripts, BatchRunsOfTheProgram)
{
    QTemporaryDir config, scripts;
    const QString good = scripts.filePath("bon.txt");
    const QString bad = scripts.filePath("mauvais.txt");
    ASSERT_TRUE(TScriptFile::Write(good, {"begin", "  Digits(5);", "end."}, nullptr));
    ASSERT_TRUE(TScriptFile::Write(bad, {"begin", "  Inconnue(5);", "end."}, nullptr));
    auto run = [&](const QStringList &args, QByteArray *err) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(FRAMIX_BINARY_DIR "/framix"), QStringList{"-platform", "offscreen"} + args);
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            return -100;
        }
        *err = p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QByteArray err;
    EXPECT_EQ(run({"/script=" + good, "/quit"}, &err), 0) << err.constData();
    EXPECT_TRUE(err.contains("*** Compilation succeeded ***")) << err.constData();
    EXPECT_TRUE(err.contains("*** Exécution réussie ***")) << err.constData();
    EXPECT_FALSE(err.contains("Aucune vidéo ouverte.")) << "the run said what it did";

    EXPECT_EQ(run({"/script=" + bad, "/quit"}, &err), 1) << err.constData();
    EXPECT_TRUE(err.contains("### Compilation Failed")) << err.constData();
    EXPECT_EQ(run({"/script=" + scripts.filePath("absent.txt"), "/quit"}, &err), 1) << err.constData();
    EXPECT_TRUE(err.contains("n'existe pas")) << err.constData();

    // /exec runs the window's current text: the template when nothing was kept.
    EXPECT_EQ(run({"/exec", "/quit"}, &err), 0) << err.constData();
    EXPECT_TRUE(err.contains("*** Exécution réussie ***")) << err.constData();

    // --help names both switches.
    QProcess help;
    help.start(QStringLiteral(FRAMIX_BINARY_DIR "/framix"), {"--help"});
    ASSERT_TRUE(help.waitForFinished(60000));
    const QByteArray text = help.readAllStandardOutput();
    EXPECT_TRUE(text.contains("/script=")) << text.constData();
    EXPECT_TRUE(text.contains("/exec")) << text.constData();
}

// The picture of the README: a recorded macro, run once. Written where FRAMIX_SCREENSHOT_DIR
// says (run under xvfb-run with QT_QPA_PLATFORM=xcb for the real widget style).
TEST(ShowFormScripts, ScreenshotOfARecordedMacro)
{
    QTemporaryDir program;
    Window w(program.path());
    TShowForm &f = *w.form;
    TScriptForm &s = *f.scriptForm();
    f.appliMan()->caScript->SetChecked(true);
    s.naStartMacro->trigger();
    GrabberOf(f).waDossierSave->SetValue(QDir::homePath() + QStringLiteral("/images/"));
    f.windowActions().caBasculerVue->SetChecked(!f.windowActions().caBasculerVue->Checked());
    GrabberOf(f).iaDigits->SetValue(4);
    f.windowActions().caBasculerVue->SetChecked(!f.windowActions().caBasculerVue->Checked());
    s.naStopMacro->trigger();
    ASSERT_EQ(s.EditorLines().size(), 8) << s.EditorLines().join('\n').toStdString();
    s.naExecuteMacro->trigger();
    EXPECT_EQ(s.MemoLines().last(), "*** Exécution réussie ***");
    QCoreApplication::processEvents();
    const QImage shot = s.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), s.size() * s.devicePixelRatio());
    const QString dir = qEnvironmentVariable("FRAMIX_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(shot.save(dir + QStringLiteral("/script-window.png")));
    }
    f.appliMan()->caScript->SetChecked(false);
}

// "Enregistrer sous" of the script window and of the main window's file manager asks through
// the prompt service: a run nobody watches answers at once instead of opening a dialog that
// nobody sees and that the program would wait on for ever.
TEST(ShowFormScripts, SaveAsAsksThroughThePromptService)
{
    QTemporaryDir program;
    Window w(program.path());
    TShowForm &f = *w.form;
    int dialogs = 0;
    // A modal dialog still open a moment later is one nobody can answer: count it, close it.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&dialogs] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            ++dialogs;
            modal->close();
        }
    });
    watch.start(500);
    for (TFichierMan *files : {f.scriptForm()->fileMan(), f.fichierMan()}) {
        SCOPED_TRACE(files->objectName().toStdString());
        files->waSaveFileAs->PrepareAndApply();
        files->naSaveFile->Apply();
    }
    EXPECT_EQ(dialogs, 0);
}
