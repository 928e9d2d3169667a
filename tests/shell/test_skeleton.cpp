#include "capture/TShowForm.h"
#include "script/TVDScript.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTimer>

TEST(Skeleton, CommandLineRecognisesQuitFilesAndHelp)
{
    QTemporaryFile video(QDir::tempPath() + "/framix-XXXXXX.dv");
    ASSERT_TRUE(video.open());
    TShowForm form(true);
    EXPECT_TRUE(form.processCommandLine({"quit", video.fileName(), "/inconnu"}));
    EXPECT_TRUE(form.quitRequested());
    EXPECT_EQ(form.fileToOpen(), QFileInfo(video.fileName()).absoluteFilePath());
    TShowForm other(true);
    EXPECT_FALSE(other.processCommandLine({"--version"}));
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
