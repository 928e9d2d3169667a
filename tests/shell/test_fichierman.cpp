#include "actions/TBooleanAction.h"
#include "actions/TNopeAction.h"
#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"
#include "prefs/TVardoPreferences.h"
#include "shell/TFichierMan.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

namespace {

QString touch(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    return path;
}

QMimeData *uriList(const QStringList &paths)
{
    auto *m = new QMimeData;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    m->setUrls(urls);
    return m;
}

// The main window's file manager with its events recorded.
struct VideoMan
{
    QTemporaryDir dir;
    QWidget videoArea;
    TFichierMan fm;
    QStringList opened, closed;
    VideoMan()
    {
        fm.ConfigureForVideos(&videoArea);
        fm.OnOpenFile = [this](const QString &p) {
            opened << p;
            return true;
        };
        fm.OnCloseFile = [this](const QString &p) { closed << p; };
        fm.OnTestExtension = [](const QString &ext, const QString &) {
            return ext == ".avi" || ext == ".mkv";
        };
        fm.AskYesNo = [](const QString &) { return false; };
        fm.OpenUrl = [](const QUrl &) { return true; };
    }
    QString file(const QString &name) { return touch(dir.filePath(name)); }
};

} // namespace

TEST(FichierMan, OpenThroughTheSwitchClosesFirstAndChecksExtensionAndExistence)
{
    VideoMan v;
    TVDSwitch sw;
    v.fm.SetSwitch(&sw);
    const QString a = v.file("a.avi");
    const QString b = v.file("clip.AVI");
    const QString divx = v.file("clip.divx");

    sw.ParseCommandLine({"framix", "/o=" + a});
    sw.ExecuteAll();
    EXPECT_EQ(v.opened, QStringList{a});
    EXPECT_EQ(v.fm.CurrentFile(), a);
    EXPECT_EQ(v.fm.FileState(), TFichierMan::fsOpen);
    EXPECT_EQ(v.fm.RecentFiles().first(), a);
    EXPECT_TRUE(v.fm.naRecent[0]->isVisible());
    EXPECT_EQ(v.fm.naRecent[0]->Caption(), "1 " + TFichierMan::ShortName(a, 50));

    // The extension is compared in lower case.
    sw.ParseCommandLine({"framix", "/O=" + b});
    sw.ExecuteAll();
    EXPECT_EQ(v.opened.last(), b);
    EXPECT_EQ(v.closed, QStringList{a});

    // A refused extension or a missing file opens nothing, but the open command closed first.
    sw.ParseCommandLine({"framix", "/o=" + divx});
    sw.ExecuteAll();
    EXPECT_EQ(v.opened.size(), 2);
    EXPECT_EQ(v.closed.last(), b);
    EXPECT_EQ(v.fm.FileState(), TFichierMan::fsNone);
    EXPECT_TRUE(v.fm.CurrentFile().isEmpty());
    v.fm.waOpenFile->SetValueFromText(v.dir.filePath("missing.avi"));
    EXPECT_EQ(v.opened.size(), 2);

    // A relative path is kept absolute.
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(v.dir.path());
    v.fm.waOpenFile->SetValueFromText("a.avi");
    QDir::setCurrent(cwd);
    EXPECT_EQ(v.fm.CurrentFile(), a);
    EXPECT_EQ(v.fm.RecentFiles().mid(0, 2), (QStringList{a, b}));

    // The main window's manager never makes a new file.
    v.fm.naCloseFile->trigger();
    v.fm.naNewFile->Apply();
    EXPECT_EQ(v.fm.FileState(), TFichierMan::fsNone);
    EXPECT_FALSE(v.fm.naNewFile->isVisible());
    EXPECT_TRUE(v.fm.naSaveFile->ShortCut().isEmpty());
    EXPECT_EQ(v.fm.naCloseFile->ShortCut(), QKeySequence("Ctrl+F"));
}

TEST(FichierMan, RecentListMovesAndHidesVanishedFiles)
{
    VideoMan v;
    QStringList files;
    for (int i = 1; i <= 11; ++i)
        files << v.file(QString("f%1.avi").arg(i));
    for (int i = 0; i < 10; ++i)
        v.fm.OpenFile(files[i]);
    // Entry 1 is the last opened.
    QStringList expected;
    for (int i = 9; i >= 0; --i)
        expected << files[i];
    EXPECT_EQ(v.fm.RecentFiles(), expected);

    // Opening entry 3 moves it to 1 and entries 1 and 2 to 2 and 3; the others stay.
    v.fm.naRecent[2]->trigger();
    EXPECT_EQ(v.opened.last(), files[7]);
    QStringList moved = expected;
    moved.move(2, 0);
    EXPECT_EQ(v.fm.RecentFiles(), moved);
    // Opening entry 1 again changes nothing; a recent entry opens without closing first.
    v.fm.naRecent[0]->trigger();
    EXPECT_EQ(v.fm.RecentFiles(), moved);
    EXPECT_TRUE(v.closed.isEmpty());

    // An eleventh distinct file drops entry 10.
    v.fm.OpenFile(files[10]);
    EXPECT_EQ(v.fm.RecentFiles().first(), files[10]);
    EXPECT_EQ(v.fm.RecentFiles().mid(1), moved.mid(0, 9));

    // A vanished file keeps its entry but its command is hidden.
    QFile::remove(files[10]);
    v.fm.waRecentFilename[0]->Apply();
    EXPECT_FALSE(v.fm.naRecent[0]->isVisible());
    EXPECT_EQ(v.fm.RecentFiles().first(), files[10]);
    EXPECT_TRUE(v.fm.naRecent[1]->isVisible());
}

TEST(FichierMan, CaptionsAreShortenedToRecentLength)
{
    const QString name60 = QString(60, u'n');
    const QString path = "/home/user/videos/" + name60;
    EXPECT_EQ(TFichierMan::ShortName(path, 50), "/hom.../" + QString(46, u'n'));
    EXPECT_EQ(TFichierMan::ShortName("/tmp/a.avi", 50), "/tmp/a.avi");
    // A long folder with a short name keeps as much of the folder as there is room for.
    const QString folder = "/" + QString(70, u'd') + "/";
    EXPECT_EQ(TFichierMan::ShortName(folder + "clip.avi", 50), folder.left(42) + ".../clip.avi");

    VideoMan v;
    v.fm.RecentLength = 20;
    const QString f = v.file(QString(30, u'x') + ".avi");
    v.fm.OpenFile(f);
    EXPECT_EQ(v.fm.naRecent[0]->Caption(), "1 " + TFichierMan::ShortName(f, 20));
    EXPECT_EQ(TFichierMan::ShortName(f, 20).size(), 4 + 4 + 16);
}

TEST(FichierMan, NextFreeNumberedName)
{
    QTemporaryDir dir;
    const QString m4 = touch(dir.filePath("macro_004.txt"));
    EXPECT_EQ(TFichierMan::NextFreeName(m4), dir.filePath("macro_001.txt"));
    touch(dir.filePath("macro_001.txt"));
    EXPECT_EQ(TFichierMan::NextFreeName(m4), dir.filePath("macro_002.txt"));
    // A name without a number gets one; a missing name is free as it is.
    const QString plain = touch(dir.filePath("script.txt"));
    EXPECT_EQ(TFichierMan::NextFreeName(plain), dir.filePath("script_001.txt"));
    EXPECT_EQ(TFichierMan::NextFreeName(dir.filePath("none.txt")), dir.filePath("none.txt"));
    const QString noExt = touch(dir.filePath("notes_12"));
    EXPECT_EQ(TFichierMan::NextFreeName(noExt), dir.filePath("notes_12_001"));
    EXPECT_EQ(TFichierMan::Extension("/a.b/clip.AVI"), ".avi");
    EXPECT_EQ(TFichierMan::Extension("/a.b/clip"), "");
}

TEST(FichierMan, PasteAndDropOfUriLists)
{
    VideoMan v;
    const QString a = v.file("a.avi");
    const QString b = v.file("b.mkv");

    // Paste through the clipboard: the open file is closed first, then the first file opens.
    v.fm.OpenFile(a);
    QGuiApplication::clipboard()->setMimeData(uriList({b, a}));
    v.fm.naPasteFile->trigger();
    EXPECT_EQ(v.closed, QStringList{a});
    EXPECT_EQ(v.opened.last(), b);

    // Data without files opens nothing.
    QMimeData text;
    text.setText("hello");
    EXPECT_FALSE(v.fm.PasteFrom(&text));
    // A file manager's copied-files format is understood too.
    QMimeData copied;
    copied.setData("x-special/gnome-copied-files", "copy\n" + QUrl::fromLocalFile(a).toEncoded());
    EXPECT_TRUE(v.fm.PasteFrom(&copied));
    EXPECT_EQ(v.fm.CurrentFile(), a);

    // Drops arrive on the video area: the current file is ignored, another opens directly.
    const int before = v.opened.size();
    std::unique_ptr<QMimeData> same(uriList({a}));
    QDragEnterEvent enterSame(QPoint(5, 5), Qt::CopyAction, same.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&v.videoArea, &enterSame);
    EXPECT_TRUE(enterSame.isAccepted());
    QDropEvent dropSame(QPointF(5, 5), Qt::CopyAction, same.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&v.videoArea, &dropSame);
    EXPECT_TRUE(dropSame.isAccepted());
    EXPECT_EQ(v.opened.size(), before);
    std::unique_ptr<QMimeData> other(uriList({b}));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, other.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&v.videoArea, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropOther(QPointF(5, 5), Qt::CopyAction, other.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&v.videoArea, &dropOther);
    EXPECT_TRUE(dropOther.isAccepted());
    EXPECT_EQ(v.opened.last(), b);
    EXPECT_EQ(v.closed.size(), 1);
    EXPECT_TRUE(v.videoArea.acceptDrops());

    // The current file is offered to drags as a uri-list.
    std::unique_ptr<QMimeData> drag(v.fm.CreateDragData());
    ASSERT_TRUE(drag);
    EXPECT_EQ(drag->urls(), QList<QUrl>{QUrl::fromLocalFile(b)});
    v.fm.CloseFile();
    EXPECT_EQ(v.fm.CreateDragData(), nullptr);
}

TEST(FichierMan, SettingsRoundTripThroughAnIniStore)
{
    QTemporaryDir program;
    QTemporaryDir media;
    const QString a = touch(media.filePath("a.avi"));
    const QString b = touch(media.filePath("b.avi"));
    {
        TVardoPreferences gp(nullptr, program.path());
        gp.SetMode(spPortable);
        VideoMan v;
        v.fm.LoadFromPrefs(gp); // nothing stored: defaults, OpenLast true, nothing to reopen
        EXPECT_TRUE(v.fm.OpenLast());
        EXPECT_TRUE(v.opened.isEmpty());
        v.fm.waInitialDir->SetValue(media.path());
        v.fm.OpenFile(a);
        v.fm.OpenFile(b);
        ASSERT_TRUE(gp.OpenKey("ShowForm"));
        EXPECT_TRUE(v.fm.SaveToPrefs(gp));
        gp.CloseKey();
    }
    ASSERT_TRUE(QFile::exists(program.filePath("Framix.ini")));
    {
        TVardoPreferences gp(nullptr, program.path());
        ASSERT_EQ(gp.DetectMode(), spPortable);
        gp.SetMode(spPortable);
        ASSERT_TRUE(gp.OpenKey("ShowForm"));
        VideoMan v;
        EXPECT_TRUE(v.fm.LoadFromPrefs(gp));
        // The recent list is in place and the last file reopened.
        EXPECT_EQ(v.fm.RecentFiles().mid(0, 3), (QStringList{b, a, QString()}));
        EXPECT_EQ(v.fm.naRecent[1]->Caption(), "2 " + TFichierMan::ShortName(a, 50));
        EXPECT_FALSE(v.fm.naRecent[2]->isVisible());
        EXPECT_EQ(v.opened, QStringList{b});
        EXPECT_EQ(v.fm.CurrentFile(), b);
        EXPECT_EQ(v.fm.InitialDir(), media.path());
        EXPECT_EQ(v.fm.RecentFiles().first(), b);

        // With "open last file" off, no current file is stored.
        v.fm.baOpenLastFile->SetValue(false);
        EXPECT_TRUE(v.fm.SaveToPrefs(gp));
        gp.CloseKey();
    }
    {
        TVardoPreferences gp(nullptr, program.path());
        gp.SetMode(spPortable);
        ASSERT_TRUE(gp.OpenKey("ShowForm"));
        VideoMan v;
        v.fm.LoadFromPrefs(gp);
        EXPECT_TRUE(v.opened.isEmpty());
        EXPECT_EQ(v.fm.FileState(), TFichierMan::fsNone);
        EXPECT_EQ(v.fm.RecentFiles().first(), b);
    }
}

TEST(FichierMan, ScriptOwnerNewSaveAsAndCloseOfAModifiedFile)
{
    QTemporaryDir dir;
    QWidget editor;
    TFichierMan fm;
    fm.ConfigureForScripts(&editor);
    QStringList saved;
    int news = 0;
    fm.OnNewFile = [&] { ++news; };
    fm.OnSaveFile = [&](const QString &p) {
        saved << p;
        touch(p);
    };
    QStringList asked;
    bool answer = true;
    fm.AskYesNo = [&](const QString &q) {
        asked << q;
        return answer;
    };
    QString pick;
    QString proposed;
    fm.ChooseSaveFile = [&](const QString &, const QString &start, const QString &, const QString &suffix) {
        proposed = start;
        EXPECT_EQ(suffix, "txt");
        return pick;
    };
    fm.waInitialDir->SetValue(dir.path());

    fm.naNewFile->trigger();
    EXPECT_EQ(news, 1);
    EXPECT_EQ(fm.FileState(), TFichierMan::fsNew);
    EXPECT_EQ(fm.CurrentFile(), dir.filePath("script.txt"));

    // Saving a new file goes through save as; the template's own name gets a "1".
    pick = dir.filePath("script.txt");
    fm.naSaveFile->trigger();
    EXPECT_EQ(saved, QStringList{dir.filePath("script1.txt")});
    EXPECT_EQ(fm.FileState(), TFichierMan::fsOpen);
    EXPECT_EQ(fm.RecentFiles().first(), dir.filePath("script1.txt"));

    // An existing target: ctNever refuses, ctAskif asks, ctAlways replaces.
    const QString other = touch(dir.filePath("macro_004.txt"));
    pick = other;
    fm.DeleteExisting = ctNever;
    fm.waSaveFileAs->trigger();
    EXPECT_EQ(saved.size(), 1);
    fm.DeleteExisting = ctAskif;
    answer = false;
    fm.waSaveFileAs->trigger();
    EXPECT_EQ(saved.size(), 1);
    EXPECT_EQ(asked.last(), "Voulez-vous écraser le fichier existant:\r\n" + other + " ?");
    fm.DeleteExisting = ctAlways;
    fm.waSaveFileAs->trigger();
    EXPECT_EQ(saved.last(), other);
    EXPECT_EQ(fm.CurrentFile(), other);
    // The entry of the previous name was replaced by the new one.
    EXPECT_EQ(fm.RecentFiles().mid(0, 2), (QStringList{other, QString()}));
    // The dialog starts on the next free numbered name.
    fm.waSaveFileAs->trigger();
    EXPECT_EQ(proposed, dir.filePath("macro_001.txt"));

    // Closing a modified file asks, and "&Oui" saves it first.
    fm.SetModified(true);
    answer = true;
    const int savesBefore = saved.size();
    fm.naCloseFile->trigger();
    EXPECT_EQ(asked.last(),
              "Voulez-vous sauver le fichier ouvert ?\r\nSinon, toutes les modifications seront perdues");
    EXPECT_EQ(saved.size(), savesBefore + 1);
    EXPECT_EQ(fm.FileState(), TFichierMan::fsNone);
    // Save as with no file is refused.
    fm.waSaveFileAs->trigger();
    EXPECT_EQ(saved.size(), savesBefore + 1);
}

TEST(FichierMan, ParentFolderFallsBackWithoutASessionBus)
{
    VideoMan v;
    QList<QUrl> opened;
    v.fm.OpenUrl = [&](const QUrl &u) {
        opened << u;
        return true;
    };
    EXPECT_FALSE(v.fm.ShowInFolder()); // no file: nothing to show
    const QString a = v.file("a.avi");
    v.fm.OpenFile(a);
    v.fm.naParentFolder->trigger(); // returns: the bus call, if any, is asynchronous
    if (!QDBusConnection::sessionBus().isConnected()) {
        ASSERT_EQ(opened.size(), 1);
        EXPECT_EQ(opened.first(), QUrl::fromLocalFile(v.dir.path()));
    } else {
        // With a bus, a missing file manager ends in the same fallback once the call fails.
        QElapsedTimer t;
        t.start();
        while (opened.isEmpty() && t.elapsed() < 8000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}
