#include "capture/TShowForm.h"
#include "shell/TFichierMan.h"

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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
