#include "capture/TShowForm.h"
#include "script/TVDScript.h"
#include "shell/TFichierMan.h"

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

TEST(Skeleton, HelpAndVersionEndAtOnce)
{
    TShowForm form(true);
    EXPECT_FALSE(form.processCommandLine({"--version"}));
    TShowForm other(true);
    EXPECT_FALSE(other.processCommandLine({"-platform", "offscreen", "--help"}));
    TShowForm normal(true);
    EXPECT_TRUE(normal.processCommandLine({"-platform", "offscreen", "/inconnu"}));
}

// The command line opens through the file commands: "/o=path" and a bare path alike; a file the
// program cannot read is reported, the run goes on and the exit code says it failed.
TEST(Skeleton, CommandLineOpensVideosAndReportsFailures)
{
    QTemporaryDir dir;
    const QString bogus = dir.filePath("faux.avi");
    {
        QFile f(bogus);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ceci n'est pas une vidéo\n");
    }
    TShowForm form(true);
    ASSERT_TRUE(form.processCommandLine({"/o=" + bogus}));
    form.runCommandLine();
    EXPECT_EQ(form.exitCode(), 1);
    EXPECT_EQ(form.report(), "Impossible d'ouvrir le fichier " + bogus);

    // A text file under a name no video has is refused before any probing.
    const QString notes = dir.filePath("notes.txt");
    QFile(bogus).copy(notes);
    TShowForm other(true);
    ASSERT_TRUE(other.processCommandLine({notes}));
    other.runCommandLine();
    EXPECT_TRUE(other.report().isEmpty());
    EXPECT_TRUE(other.currentFile().isEmpty());
}

TEST(Skeleton, HeadlessRunReportsTheSample)
{
    const QString sample = framixtest::corpusFile("sample_pal_date.dv");
    if (!QFileInfo::exists(sample))
        GTEST_SKIP() << "corpus not generated";
    TShowForm form(true);
    form.show();
    ASSERT_TRUE(form.processCommandLine({sample, "/quit"}));
    EXPECT_TRUE(form.quitRequested());
    form.runCommandLine();
    EXPECT_FALSE(form.isVisible()); // closed by /quit after the file was opened
    EXPECT_EQ(form.exitCode(), 0);
    EXPECT_EQ(form.currentFile(), sample);
    const QString r = form.report();
    EXPECT_TRUE(r.contains("Flux : 1 vidéo, 1 audio")) << r.toStdString();
    EXPECT_TRUE(r.contains("125 images, 5.00 s, PAL 625/50, 4:3")) << r.toStdString();
    EXPECT_TRUE(r.contains("125 images datées")) << r.toStdString();
    EXPECT_TRUE(r.contains("Code temporel : de 0:12:34:00 à 0:12:38:24")) << r.toStdString();
}

TEST(Skeleton, ClosingWhileAScriptRunsStopsTheScriptThenCloses)
{
    TShowForm form(true);
    TVDScript script;
    form.SetScript(&script);
    form.show();
    ASSERT_TRUE(form.isVisible());

    script.SetScript({"var i: Integer;", "begin", "  while True do", "    i := i + 1;", "end."});
    script.CompileScript();
    ASSERT_TRUE(script.Compiled());
    // The user closes the window while the script runs (handled from the script's input
    // handling): the close is refused for now and the script is told to stop.
    bool visibleAfterClose = false, closeAccepted = true;
    QTimer::singleShot(0, &form, [&] {
        closeAccepted = form.close();
        visibleAfterClose = form.isVisible();
    });
    script.RunScript();
    EXPECT_FALSE(closeAccepted);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(script.Messages().last(), "### Erreur pendant l'exécution: Script interrompu (ligne 4)");
    // The window closes once the run has ended, from the event loop.
    EXPECT_TRUE(form.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());

    // Without a running script a close is immediate, and a later run does not close the
    // window again.
    form.show();
    script.SetScript({"begin", "end."});
    script.CompileScript();
    script.RunScript();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
}
