#include "capture/TShowForm.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

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
