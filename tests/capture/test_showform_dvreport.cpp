// The summary of a raw DV file that a headless run prints reads the whole file, frame by frame
// (an hour of tape is 13 GB): a window, which shows nothing of it, never makes it, so opening a
// long tape in the window reads no more of it than the graph does.
#include "../media/MediaTestUtil.h"
#include "capture/TShowForm.h"

#include "TScriptedPromptService.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// Bytes this process read so far, through any thread.
qint64 BytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

TEST(ShowFormDvReport, OnlyARunThatShowsReportsReadsTheWholeTape)
{
    const QString clip = framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv"));
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "the corpus is missing: build the corpus target";
    if (BytesRead() < 0)
        GTEST_SKIP() << "no /proc/self/io here";
    // Forty clips end to end: raw DV is its frames one after the other.
    QTemporaryDir dir;
    const QString tape = dir.filePath(QStringLiteral("tape.dv"));
    {
        QFile in(clip), out(tape);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        const QByteArray frames = in.readAll();
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(out.write(frames), frames.size());
    }
    const qint64 size = QFileInfo(tape).size();

    for (bool shows : {false, true}) {
        SCOPED_TRACE(shows ? "a run that shows reports" : "a window");
        QTemporaryDir program;
        TScriptedPromptService prompts;
        prompts.showsReports = shows;
        TShowForm f(prompts, nullptr, program.path());
        f.show();
        QCoreApplication::processEvents();
        const qint64 before = BytesRead();
        f.openfile(tape);
        mediatest::pump(200);
        const qint64 read = BytesRead() - before;
        f.closefile();
        if (shows) {
            EXPECT_GE(read, size);
            EXPECT_TRUE(prompts.reports.join('\n').contains(QStringLiteral("4000 images")))
                << prompts.reports.join('\n').toStdString();
        } else {
            EXPECT_LT(read, size / 4) << "the window read " << read << " of " << size << " bytes";
            EXPECT_TRUE(prompts.reports.isEmpty());
        }
    }
}
