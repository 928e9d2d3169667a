// What the window must give back when a user works through a pile of files: every open and
// close of a video with the overlay burning in all its codes (the DV date and time code, the
// system date ticking, the time stamps sent by the streaming thread) returns its descriptors,
// and scripts run and aborted again and again leave nothing behind. The normal suite does a
// few rounds; FRAMIX_LONG=1 does 200 opens and 100 script runs, which is what the leak runs of
// the sanitizer build (LSan, `ASAN_OPTIONS=detect_leaks=1`) take.
#include "../media/MediaTestUtil.h"
#include "actions/TNopeAction.h"
#include "capture/TShowForm.h"
#include "core/THeadlessPromptService.h"
#include "script/TVDScript.h"
#include "shell/TScriptForm.h"
#include "shell/TVDAppliMan.h"

#include "ShowFormWindow.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

bool LongMode()
{
    return qEnvironmentVariable("FRAMIX_LONG") == QLatin1String("1");
}

int OpenDescriptors()
{
    return int(
        QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

using showformtest::Window;

void Trigger(TShowForm &f, const char *name)
{
    auto *a = qobject_cast<TNopeAction *>(f.FindAction(QString::fromLatin1(name)));
    ASSERT_NE(a, nullptr) << name;
    a->Apply();
}

} // namespace

TEST(ShowFormLeaks, OpensAndClosesWithTheOverlayOnGiveTheirDescriptorsBack)
{
    // Files of every kind the overlay draws on, damaged ones among them.
    QStringList clips;
    for (const char *name : {"fi_dv_pal.dv", "dv_pal_alternate_type2.avi", "fi_h264_1080.mp4",
                             "fi_xvid_packed.avi", "ext_mkv.mkv", "ext_ts.ts", "dual_audio.mkv",
                             "damaged/ext_mp4_cut50.mp4", "dv_ntsc_date.dv", "ext_vob.vob"}) {
        const QString path = framixtest::corpusFile(QString::fromLatin1(name));
        if (QFileInfo::exists(path))
            clips << path;
    }
    if (clips.size() < 5)
        GTEST_SKIP() << "the corpus is missing: build the corpus target";
    QTemporaryDir program;
    Window w(program.path());
    TShowForm &f = *w.form;
    for (const char *mode :
         {"naInsertTimestamp", "naInsertDatecode", "naInsertTimecode", "naInsertSysdateTime"})
        Trigger(f, mode);

    // One round first: the plugins, the decoders' libraries and the fonts stay loaded.
    for (const QString &clip : clips) {
        f.openfile(clip);
        mediatest::pump(100);
        f.closefile();
    }
    const int before = OpenDescriptors();
    const int opens = LongMode() ? 200 : 20;
    for (int n = 0; n < opens; ++n) {
        f.openfile(clips[n % clips.size()]);
        mediatest::pump(50 + 20 * (n % 5));
        f.closefile();
    }
    mediatest::pump(200);
    EXPECT_LE(OpenDescriptors(), before) << "descriptors left open by " << opens << " opens and closes";
}

TEST(ShowFormLeaks, ScriptsRunAndAbortedAgainAndAgainLeaveTheWindowWorking)
{
    const QString clip = framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv"));
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "the corpus is missing: build the corpus target";
    QTemporaryDir program;
    Window w(program.path());
    TShowForm &f = *w.form;
    f.openfile(clip);
    ASSERT_TRUE(mediatest::waitUntil([&] { return f.hasVideo(); }, 20000));
    TScriptForm *s = f.scriptForm();
    ASSERT_NE(s, nullptr);
    // A loop that grabs nothing but keeps the overlay busy, until aborted.
    s->SetEditorLines({"var i: integer;", "begin", "  for i := 1 to 100000000 do", "  begin",
                       "    setIncrustItalic(i mod 2 = 0);", "  end;", "end."});
    const int runs = LongMode() ? 100 : 10;
    int aborted = 0;
    for (int n = 0; n < runs; ++n) {
        QTimer::singleShot(20 + 10 * (n % 7), &f, [&f, &aborted] {
            if (TVDScript *script = f.appliMan()->Script()) {
                script->Abort();
                ++aborted;
            }
        });
        s->Execute();
    }
    EXPECT_EQ(aborted, runs) << "every run was still going when it was aborted\n"
                             << s->MemoLines().join('\n').toStdString();
    // The window still works: a short script runs to its end.
    s->SetEditorLines({"begin", "  setIncrustItalic(False);", "end."});
    EXPECT_TRUE(s->Execute()) << s->MemoLines().join('\n').toStdString();
    f.closefile();
}
