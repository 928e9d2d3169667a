// The main window as a whole: real window, real files, offscreen platform.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TRectAction.h"
#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"
#include "capture/TShowForm.h"
#include "capture/Tnavframe.h"
#include "core/THeadlessPromptService.h"
#include "playback/TAudioMan.h"
#include "playback/TNavMan.h"
#include "playback/TVDBar.h"
#include "playback/TVDImgSpeedButton.h"
#include "playback/TVDSeparator.h"
#include "playback/TVDToolBars.h"
#include "playback/TVideoMan.h"
#include "prefs/TVardoPreferences.h"
#include "script/TVDScript.h"
#include "shell/TFichierMan.h"
#include "shell/TVDAppliMan.h"

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// A window with its own program folder (no stray ini file) and shown, so that its preferences
// are loaded; closed by its destructor.
struct Window
{
    explicit Window(const QString &folder = QString())
    {
        form = std::make_unique<TShowForm>(prompts, nullptr, folder.isEmpty() ? dir.path() : folder);
        form->show();
        QCoreApplication::processEvents();
    }
    QTemporaryDir dir;
    // A run nobody watches: every question gets its safe answer.
    THeadlessPromptService prompts;
    std::unique_ptr<TShowForm> form;
};

QString Sample(const QString &name)
{
    const QString f = framixtest::corpusFile(name);
    return QFileInfo::exists(f) ? f : QString();
}

QAction *MenuEntry(QMenuBar *bar, const QString &menu, const QString &caption)
{
    for (QAction *top : bar->actions())
        if (top->text() == menu && top->menu())
            for (QAction *a : top->menu()->actions())
                if (a->text() == caption)
                    return a;
    return nullptr;
}

// What the window shows about the video just opened.
void ExpectOpened(TShowForm &f, const QString &path)
{
    const QString size = path.endsWith(".dv") ? "720x576" : "640x360";
    EXPECT_EQ(f.currentFile(), path);
    EXPECT_EQ(f.fileNameLabel()->text(), QFileInfo(path).fileName());
    EXPECT_TRUE(f.hasVideo());
    EXPECT_TRUE(f.hasAudio());
    EXPECT_TRUE(f.formatPanel()->isVisibleTo(&f));
    EXPECT_EQ(f.videoDecoderLabel()->text(), f.videoMan()->CurrentDecoderName());
    EXPECT_NE(f.videoDecoderLabel()->text(), TVideoMan::NoDecoderText());
    EXPECT_TRUE(f.videoFormatLabel()->text().contains(size)) << f.videoFormatLabel()->text().toStdString();
    EXPECT_TRUE(f.videoMan()->caFullscreen->isEnabled());
    EXPECT_FALSE(f.navMan()->caPlay->Checked()) << "opened while paused: stays paused";
    // Raw DV carries plain PCM: no decoder is needed for it.
    EXPECT_EQ(f.audioDecoderLabel()->text(), f.audioMan()->CurrentDecoderName());
    EXPECT_NE(f.audioFormatLabel()->text(), TAudioMan::NoAudioText());
    EXPECT_FALSE(f.audioFormatLabel()->text().isEmpty());
    EXPECT_TRUE(f.navFrame()->isVisibleTo(&f));
    EXPECT_TRUE(f.navFrame()->VolumeGauge->isVisibleTo(&f));
    EXPECT_TRUE(f.audioMan()->caMute->isEnabled());
}

// `why`: the title line's reason when a file was refused (empty: the line is empty).
void ExpectClosed(TShowForm &f, const QString &why = QString())
{
    EXPECT_TRUE(f.currentFile().isEmpty());
    if (why.isEmpty()) {
        EXPECT_TRUE(f.fileNameLabel()->text().isEmpty());
    } else {
        EXPECT_TRUE(f.fileNameLabel()->text().contains(why)) << f.fileNameLabel()->text().toStdString();
    }
    EXPECT_FALSE(f.formatPanel()->isVisibleTo(&f));
    EXPECT_FALSE(f.navFrame()->isVisibleTo(&f));
    EXPECT_FALSE(f.audioMan()->caMute->isEnabled());
    EXPECT_FALSE(f.videoMan()->caFullscreen->isEnabled());
    EXPECT_EQ(f.audioDecoderLabel()->text(), TAudioMan::NoDecoderText());
    EXPECT_EQ(f.videoDecoderLabel()->text(), TVideoMan::NoDecoderText());
    EXPECT_EQ(f.videoFormatLabel()->text(), TVideoMan::NoVideoText());
}

} // namespace

TEST(ShowForm, IdentityComponentsAndHelp)
{
    Window w;
    TShowForm &f = *w.form;
    EXPECT_EQ(f.windowTitle(), "Framix 6.2.1 fr de Vardo");
    EXPECT_EQ(f.preferences()->titre, "Framix");
    EXPECT_EQ(f.preferences()->version, "Framix 6.2.1 fr de Vardo");

    // Every list knows the script component and the switch component.
    for (TCustomVDActionList *l : f.ActionLists()) {
        EXPECT_EQ(l->Switch(), f.appliMan()->Switch()) << l->objectName().toStdString();
        if (l != f.appliMan()) { // the script component serves every list but the application manager's
            EXPECT_EQ(l->PascalScript(), static_cast<IScriptHost *>(f.appliMan()->Script()))
                << l->objectName().toStdString();
        }
    }

    // --help lists every switch of every list, with its syntax.
    const QString help = f.HelpText();
    int switches = 0;
    for (TCustomVDActionList *l : f.ActionLists())
        for (TCustomAbstractAction *a : l->TypedActions())
            if (!a->Switch().isEmpty()) {
                ++switches;
                EXPECT_TRUE(help.contains(a->GetSwitchSyntax())) << a->Name().toStdString();
            }
    EXPECT_GE(switches, 18);
    EXPECT_TRUE(help.contains("/o=")) << help.toStdString();

    // Menus in French, in order; entries of the file manager are there.
    QStringList menus;
    for (QAction *a : f.mainMenu()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"Fichiers", "Vidéo", "Images", "Incruster", "?"}));
    EXPECT_TRUE(MenuEntry(f.mainMenu(), "Fichiers", "Ouvrir..."));
    EXPECT_TRUE(MenuEntry(f.mainMenu(), "?", "Quitter"));
    EXPECT_TRUE(MenuEntry(f.mainMenu(), "Vidéo", "Mettre la Vidéo à Gauche"));

    // Without a video the video and audio controls are off.
    ExpectClosed(f);

    // The extension test, with raw DV.
    for (const char *ext : {".avi", ".m2ts", ".vob", ".dv", ".dif", ".m2v"})
        EXPECT_TRUE(TShowForm::ficmanTestExtension(ext)) << ext;
    for (const char *ext : {".divx", ".AVI", ".txt", ""})
        EXPECT_FALSE(TShowForm::ficmanTestExtension(ext)) << ext;
}

TEST(ShowForm, OpensThroughEveryWayAndCloses)
{
    const QString dv = Sample("sample_pal_date.dv");
    const QString mkv = Sample("ext_mkv.mkv");
    if (dv.isEmpty() || mkv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    {
        Window w;
        TShowForm &f = *w.form;

        // The menu's "Ouvrir..." asks for the file.
        f.fichierMan()->ChooseOpenFile = [&](const QString &, const QString &, const QString &) {
            return dv;
        };
        QAction *open = MenuEntry(f.mainMenu(), "Fichiers", "Ouvrir...");
        ASSERT_TRUE(open);
        open->trigger();
        ExpectOpened(f, dv);

        // A drop on the video area.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(mkv)});
        // Qt hands a drop only to the widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.videoArea(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.videoArea(), &drop);
        ExpectOpened(f, mkv);

        // The recent list: the DV clip is entry 2, and opening it brings it to the front.
        ASSERT_EQ(f.fichierMan()->RecentFiles().mid(0, 2), QStringList({mkv, dv}));
        f.fichierMan()->naRecent[1]->trigger();
        ExpectOpened(f, dv);
        EXPECT_EQ(f.fichierMan()->RecentFiles().mid(0, 2), QStringList({dv, mkv}));

        // Paste of a copied file.
        auto *copied = new QMimeData;
        copied->setUrls({QUrl::fromLocalFile(mkv)});
        QGuiApplication::clipboard()->setMimeData(copied);
        if (QGuiApplication::clipboard()->mimeData() && QGuiApplication::clipboard()->mimeData()->hasUrls()) {
            f.fichierMan()->naPasteFile->trigger();
            ExpectOpened(f, mkv);
        }

        // Switching the private filters reopens the current video.
        f.windowActions().baUsePrivateFilters->SetValue(!f.windowActions().baUsePrivateFilters->Value);
        ExpectOpened(f, f.currentFile());
        EXPECT_EQ(f.fichierMan()->CurrentFile(), f.currentFile());

        f.fichierMan()->naCloseFile->trigger();
        ExpectClosed(f);
        // Without a video the private filters only change the decoder lists.
        f.windowActions().baUsePrivateFilters->SetValue(!f.windowActions().baUsePrivateFilters->Value);
        ExpectClosed(f);
    }
    // The command line: a bare path, then the switch "o", each in its own run.
    for (const QString &arg : {dv, "/o=" + mkv}) {
        Window w;
        ASSERT_TRUE(w.form->processCommandLine({"-platform", "offscreen", arg}));
        w.form->runCommandLine();
        ExpectOpened(*w.form, arg.startsWith("/o=") ? mkv : dv);
        EXPECT_EQ(w.form->exitCode(), 0);
    }
}

TEST(ShowForm, SideFileMarkersAndRefusedFiles)
{
    const QString dv = Sample("fi_dv_pal.dv");
    if (dv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    Window w;
    TShowForm &f = *w.form;
    QFile::copy(dv, w.dir.filePath("clip.dv"));
    QFile::copy(dv, w.dir.filePath("clip.divx"));
    QFile(w.dir.filePath("clip.srt")).open(QIODevice::WriteOnly);
    QFile(w.dir.filePath("clip.dv.modd")).open(QIODevice::WriteOnly);
    f.fichierMan()->waOpenFile->SetValue(w.dir.filePath("clip.dv"));
    EXPECT_EQ(f.currentFile(), w.dir.filePath("clip.dv"));
    EXPECT_FALSE(f.scnMarker()->isVisibleTo(&f));
    EXPECT_TRUE(f.srtMarker()->isVisibleTo(&f));
    EXPECT_TRUE(f.moddMarker()->isVisibleTo(&f));

    // A click on the title line shows the video in the file manager (here: its folder, without
    // a session bus).
    if (!QDBusConnection::sessionBus().isConnected()) {
        QUrl shown;
        f.fichierMan()->OpenUrl = [&](const QUrl &u) {
            shown = u;
            return true;
        };
        QMouseEvent click(QEvent::MouseButtonRelease, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.fileNameLabel(), &click);
        EXPECT_EQ(shown, QUrl::fromLocalFile(w.dir.path()));
    }

    // The corpus clip has a scene file beside it.
    f.fichierMan()->waOpenFile->SetValue(dv);
    EXPECT_TRUE(f.scnMarker()->isVisibleTo(&f));
    EXPECT_FALSE(f.srtMarker()->isVisibleTo(&f));

    // An extension outside the list is not opened, and the title line says why; the switch "o"
    // closed the current one first.
    f.fichierMan()->waOpenFile->SetValue(w.dir.filePath("clip.divx"));
    ExpectClosed(f, "n'est pas pris en charge");
    EXPECT_FALSE(f.scnMarker()->isVisibleTo(&f));
}

namespace {

std::string Rect(const QRect &r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// The window's regions as laid out: none overlaps another, the video lies in the client area,
// and every visible widget of the client area (and of the title, format and status lines) stays
// inside its parent.
void ExpectLayoutInvariants(TShowForm &f, const std::string &where)
{
    const QWidget *client = f.centralWidget();
    const QRect area = client->rect();
    ASSERT_FALSE(area.isEmpty()) << where;
    const QRect video = f.videoArea()->geometry();
    EXPECT_FALSE(video.isEmpty()) << where;
    EXPECT_TRUE(area.contains(video)) << where << " video " << Rect(video);

    const std::pair<const char *, QRect> regions[] = {
        {"video", video},
        {"panels", f.thumbnailPanel()->geometry()},
        {"title", f.titlePanel()->geometry()},
        {"format lines", f.formatPanel()->geometry()},
        {"navigation", f.navFrame()->geometry()},
        {"status", f.statusPanel()->geometry()},
    };
    for (size_t i = 0; i < std::size(regions); ++i) {
        EXPECT_TRUE(area.contains(regions[i].second))
            << where << ' ' << regions[i].first << ' ' << Rect(regions[i].second);
        for (size_t j = i + 1; j < std::size(regions); ++j)
            EXPECT_FALSE(regions[i].second.intersects(regions[j].second))
                << where << ' ' << regions[i].first << ' ' << Rect(regions[i].second) << " overlaps "
                << regions[j].first << ' ' << Rect(regions[j].second);
    }
    // Every settings panel takes the same place.
    for (QWidget *p : {f.saveImagesPanel(), f.dvIncrustPanel(), f.incrustPanel()})
        EXPECT_EQ(p->geometry(), f.thumbnailPanel()->geometry())
            << where << ' ' << p->objectName().toStdString();

    for (const QWidget *parent :
         {static_cast<const QWidget *>(client), static_cast<const QWidget *>(f.titlePanel()),
          static_cast<const QWidget *>(f.formatPanel()), static_cast<const QWidget *>(f.statusPanel())})
        for (const QObject *o : parent->children()) {
            const auto *w = qobject_cast<const QWidget *>(o);
            if (!w || w->isWindow() || !w->isVisibleTo(&f))
                continue;
            EXPECT_TRUE(parent->rect().contains(w->geometry()))
                << where << ' ' << w->objectName().toStdString() << ' ' << Rect(w->geometry()) << " outside "
                << parent->objectName().toStdString() << ' ' << Rect(parent->rect());
        }
}

} // namespace

TEST(ShowForm, LayoutInvariants)
{
    const QSize nav(Tnavframe::PanelWidth, Tnavframe::PanelHeight);
    // The tool bar's four separators share what twenty 29-pixel buttons leave; a window narrower
    // than that gets no gaps at all.
    EXPECT_EQ(TShowFormLayout::Compute(1000, 700, false, false, nav).ToolSeparator, (1000 - 580) / 4);
    EXPECT_EQ(TShowFormLayout::Compute(560, 700, false, false, nav).ToolSeparator, 0);

    Window w;
    TShowForm &f = *w.form;
    const QString dv = Sample("fi_dv_pal.dv");
    if (!dv.isEmpty()) // the format lines and the navigation panel shown, as with a video
        f.openfile(dv);
    const QSize sizes[] = {f.minimumSize(), QSize(1024, 720), QSize(1920, 1080), QSize(200, 120)};
    for (const QSize size : sizes) {
        f.resize(size);
        QCoreApplication::processEvents();
        EXPECT_GE(f.width(), f.minimumWidth());
        EXPECT_GE(f.height(), f.minimumHeight());
        const QWidget *client = f.centralWidget();
        for (int swap = 0; swap < 2; ++swap) {
            const bool right = f.windowActions().caBasculerVue->Checked();
            const std::string where = QStringLiteral("%1x%2, panels at the %3")
                                          .arg(f.width())
                                          .arg(f.height())
                                          .arg(right ? QStringLiteral("right") : QStringLiteral("left"))
                                          .toStdString();
            const TShowFormLayout &now = f.CurrentLayout();
            // The panel column is 276 pixels wide, on the side the switch says, and the video
            // lies on the other side of it.
            EXPECT_EQ(f.thumbnailPanel()->width(), 276) << where;
            EXPECT_EQ(now.LeftFrame, right ? client->width() - 276 : 0) << where;
            EXPECT_EQ(f.windowActions().iaLeftFrame->Value, now.LeftFrame) << where;
            EXPECT_EQ(f.thumbnailPanel()->x(), now.LeftFrame) << where;
            if (right) {
                EXPECT_LT(f.videoArea()->geometry().right(), f.thumbnailPanel()->x()) << where;
            } else {
                EXPECT_GT(f.videoArea()->x(), f.thumbnailPanel()->geometry().right()) << where;
            }
            EXPECT_EQ(f.videoArea()->geometry(), now.Video) << where;
            // The format lines sit over the video, the navigation panel under it, centred.
            EXPECT_EQ(f.formatPanel()->x(), f.videoArea()->x()) << where;
            EXPECT_EQ(f.formatPanel()->width(), f.videoArea()->width()) << where;
            EXPECT_LE(f.formatPanel()->geometry().bottom(), f.videoArea()->y()) << where;
            EXPECT_GE(f.navFrame()->y(), f.videoArea()->geometry().bottom()) << where;
            EXPECT_LE(
                std::abs(f.navFrame()->geometry().center().x() - f.videoArea()->geometry().center().x()), 1)
                << where;
            int separators = 0;
            for (QWidget *c : f.toolBar()->Controls())
                if (qobject_cast<TVDSeparator *>(c)) {
                    ++separators;
                    EXPECT_EQ(c->width(), std::max(0, (client->width() - 580) / 4)) << where;
                }
            EXPECT_EQ(separators, 4);
            ExpectLayoutInvariants(f, where);

            // Alt+W puts the panels on the other side.
            QKeyEvent altW(QEvent::KeyPress, Qt::Key_W, Qt::AltModifier);
            QCoreApplication::sendEvent(&f, &altW);
            EXPECT_NE(f.windowActions().caBasculerVue->Checked(), right) << where;
        }
    }

    // A script may type any place for the panels: they stay within the window, whose
    // rectangles then still fit in an int.
    for (int typed : {std::numeric_limits<int>::max(), -2000000000}) {
        f.windowActions().iaLeftFrame->SetValue(typed);
        EXPECT_GE(f.thumbnailPanel()->x(), 0) << typed;
        EXPECT_LE(f.thumbnailPanel()->x(), f.width()) << typed;
        EXPECT_GT(f.thumbnailPanel()->rect().width(), 0) << typed;
    }
}

TEST(ShowForm, PanelSwitchingAndKeys)
{
    Window w;
    TShowForm &f = *w.form;
    QWidget *panels[] = {f.thumbnailPanel(), f.saveImagesPanel(), f.dvIncrustPanel(), f.incrustPanel()};
    auto shown = [&] {
        int n = -1;
        for (int i = 0; i < 4; ++i)
            if (panels[i]->isVisibleTo(&f))
                n = n < 0 ? i : 99;
        return n;
    };
    auto down = [&] {
        int n = -1;
        const TNopeAction *acts[] = {f.windowActions().naShowImagette, f.windowActions().naShowSaveImages,
                                     f.windowActions().naShowDVIncrust, f.windowActions().naShowIncrust};
        for (int i = 0; i < 4; ++i)
            if (TVDToolBars::ButtonOf(f.toolBar(), acts[i])->Down())
                n = n < 0 ? i : 99;
        return n;
    };
    EXPECT_EQ(shown(), 0);
    EXPECT_EQ(down(), 0);
    // The video area has the focus at start: Ctrl+C and Ctrl+V are the window's, not a field's.
    EXPECT_EQ(QApplication::focusWidget(), f.videoArea());

    // F4 through the window's key routing.
    f.activateWindow();
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &f4);
    EXPECT_EQ(f.windowActions().iaPanneauActif->Value, 2);
    EXPECT_EQ(shown(), 2);
    EXPECT_EQ(down(), 2);
    f.windowActions().iaPanneauActif->SetValue(7);
    EXPECT_EQ(shown(), -1);

    // A menu item matches first, even disabled: F3 then does nothing.
    f.windowActions().naShowSaveImages->SetEnabled(false);
    QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
    QCoreApplication::sendEvent(&f, &f3);
    EXPECT_TRUE(f3.isAccepted());
    EXPECT_EQ(f.windowActions().iaPanneauActif->Value, 7);

    // Ctrl+N is the overlay's numbering entry (in the menu), never the renderer's
    // anti-aliasing switch, which shares the key.
    int numero = 0;
    f.windowActions().naInsertNumero->OnAfterApply = [&] { ++numero; };
    const bool aa = f.videoMan()->caInsertAntiAliasing->Checked();
    QKeyEvent ctrlN(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier);
    QCoreApplication::sendEvent(&f, &ctrlN);
    EXPECT_EQ(numero, 1);
    EXPECT_EQ(f.videoMan()->caInsertAntiAliasing->Checked(), aa);
    // The same through Qt's own key delivery (shortcut override first): run once, by us.
    QTest::keyClick(&f, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(numero, 2);
    EXPECT_EQ(f.videoMan()->caInsertAntiAliasing->Checked(), aa);

    // Alt+F5 and Alt+F6 are the aspect entries of the "Vidéo" menu, never the mail and home-page
    // commands that share them.
    auto *aspect = dynamic_cast<TIntegerAction *>(f.FindAction("iaForcerAspectRatio"));
    ASSERT_TRUE(aspect);
    QUrl opened;
    f.appliMan()->OpenUrl = [&](const QUrl &u) {
        opened = u;
        return true;
    };
    aspect->SetValue(2);
    QTest::keyClick(&f, Qt::Key_F5, Qt::AltModifier);
    EXPECT_EQ(aspect->Value, 0);
    QTest::keyClick(&f, Qt::Key_F6, Qt::AltModifier);
    EXPECT_EQ(aspect->Value, 1);
    EXPECT_TRUE(opened.isEmpty());

    // A boolean setting in a menu is a check item that turns it over.
    auto *deinterlace = dynamic_cast<TBooleanAction *>(f.FindAction("baImageDeinterlacer"));
    QAction *item = MenuEntry(f.mainMenu(), "Images", "Désentrelacer");
    ASSERT_TRUE(deinterlace && item);
    const bool before = deinterlace->Value;
    item->trigger();
    EXPECT_EQ(deinterlace->Value, !before);
    EXPECT_EQ(item->isChecked(), !before);
    item->trigger();
    EXPECT_EQ(deinterlace->Value, before);
    EXPECT_EQ(item->isChecked(), before);

    // Keys in no menu reach the action lists (Alt+W is the menu's; Esc is gpal's only).
    QKeyEvent altW(QEvent::KeyPress, Qt::Key_W, Qt::AltModifier);
    QCoreApplication::sendEvent(&f, &altW);
    EXPECT_TRUE(f.windowActions().caBasculerVue->Checked());
    f.resetStopRequest();
    f.videoMan()->caFullscreen->SetChecked(true);
    ASSERT_TRUE(f.videoMan()->FullScreen());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(f.videoMan()->Plaque(), &esc);
    EXPECT_TRUE(f.stopRequested());
    EXPECT_FALSE(f.videoMan()->caFullscreen->Checked()) << "Esc, typed on the full-screen plate, leaves it";
    EXPECT_FALSE(f.videoMan()->FullScreen());

    // While a registered text field has the focus the volume keys are typed as text.
    auto *field = new QLineEdit(f.saveImagesPanel());
    f.AddShortcutFreeField(field);
    f.windowActions().iaPanneauActif->SetValue(1);
    field->setFocus();
    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(field, &in);
    EXPECT_TRUE(f.audioMan()->naIncVolume->shortcuts().isEmpty());
    QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, "+");
    QCoreApplication::sendEvent(field, &plus);
    EXPECT_EQ(field->text(), "+");
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(field, &out);
    EXPECT_EQ(f.audioMan()->naIncVolume->ShortCut(), QKeySequence("Num++"));
    EXPECT_EQ(f.audioMan()->naIncVolume->SecondaryShortcuts(), QList<QKeySequence>{QKeySequence("Alt+P")});
}

// Settings come back at the next start, from the per-user store and from the portable ini file.
TEST(ShowForm, SettingsSurviveARestart)
{
    const QString dv = Sample("sample_pal_date.dv");
    for (TSavePreferences mode : {spRegistre, spPortable}) {
        QTemporaryDir folder;
        {
            Window w(folder.path());
            TShowForm &f = *w.form;
            f.preferences()->SetMode(mode);
            f.windowActions().caBasculerVue->SetChecked(true);
            f.windowActions().iaPanneauActif->SetValue(3);
            f.setGeometry(40, 50, 900, 640);
            if (!dv.isEmpty())
                f.fichierMan()->waOpenFile->SetValue(dv);
            QCoreApplication::processEvents();
            EXPECT_TRUE(f.close());
        }
        EXPECT_EQ(QFileInfo::exists(folder.filePath("Framix.ini")), mode == spPortable);
        Window w(folder.path());
        TShowForm &f = *w.form;
        EXPECT_EQ(f.preferences()->Mode(), mode);
        EXPECT_TRUE(f.windowActions().caBasculerVue->Checked()) << int(mode);
        EXPECT_EQ(f.windowActions().iaPanneauActif->Value, 3);
        EXPECT_TRUE(f.incrustPanel()->isVisibleTo(&f));
        EXPECT_EQ(f.appliMan()->raFormSave->Value.toQRect().size(), QSize(900, 640));
        EXPECT_EQ(f.CurrentLayout().LeftFrame, f.centralWidget()->width() - 276);
        // The previous video opens again, last, with every other setting in place.
        if (!dv.isEmpty()) {
            EXPECT_EQ(f.currentFile(), dv);
            EXPECT_TRUE(f.hasVideo());
        }
        f.preferences()->SetMode(spNone); // the next test starts without a store
    }
}

// A close while a script runs stops the script first and closes once the run has ended; a
// headless close without a store answers the save question "Aucun".
TEST(ShowForm, ClosingWhileAScriptRuns)
{
    Window w;
    TShowForm &form = *w.form;
    TVDScript &script = *form.appliMan()->Script();
    script.SetScript({"var i: Integer;", "begin", "  while True do", "    i := i + 1;", "end."});
    script.CompileScript();
    ASSERT_TRUE(script.Compiled());
    bool visibleAfterClose = false, closeAccepted = true;
    QTimer::singleShot(0, &form, [&] {
        closeAccepted = form.close();
        visibleAfterClose = form.isVisible();
    });
    script.RunScript();
    EXPECT_FALSE(closeAccepted);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(script.Messages().last(), "### Erreur pendant l'exécution: Script interrompu (ligne 4)");
    EXPECT_TRUE(form.isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.preferences()->Mode(), spNone);

    // Esc stops a running script too.
    form.show();
    QTimer::singleShot(0, &form, [&] { form.windowActions().naAbort->PrepareAndApply(); });
    script.RunScript();
    EXPECT_EQ(script.Messages().last(), "### Erreur pendant l'exécution: Script interrompu (ligne 4)");
    EXPECT_TRUE(form.isVisible());
}
