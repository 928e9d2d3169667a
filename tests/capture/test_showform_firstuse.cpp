// The main window as a new user meets it: the panels at every size, the files that do not open,
// the close that is called off, typed positions, the status line, the keys and words of a Linux
// desktop. Real window (offscreen), real files, real pipelines.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TDossiersFrame.h"
#include "capture/TGrabber.h"
#include "capture/TImagetteFrame.h"
#include "capture/TIntervalCapture.h"
#include "capture/TShowForm.h"
#include "capture/Tnavframe.h"
#include "media/TFrameIndex.h"
#include "playback/TNavMan.h"
#include "playback/TPreviewForm.h"
#include "playback/TVDBar.h"
#include "playback/TVDImgSpeedButton.h"
#include "playback/TVideoMan.h"
#include "shell/TFichierMan.h"
#include "shell/TKeyDispatcher.h"
#include "shell/TQtTranslations.h"
#include "widgets/TClickLabel.h"

#include "../media/MediaTestUtil.h"
#include "TScriptedPromptService.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <memory>
#include <string>

namespace {

struct Window
{
    Window()
    {
        form = std::make_unique<TShowForm>(prompts, nullptr, dir.path());
        form->show();
        QCoreApplication::processEvents();
    }
    QTemporaryDir dir;
    TScriptedPromptService prompts;
    std::unique_ptr<TShowForm> form;
};

QString Sample(const char *name)
{
    const QString f = framixtest::corpusFile(QString::fromLatin1(name));
    return QFileInfo::exists(f) ? f : QString();
}

bool WaitFor(const std::function<bool()> &pred)
{
    return mediatest::waitUntil(pred, 10000);
}

int Shown(TShowForm &f)
{
    QImage img;
    return f.videoMan()->CaptureImage(img) ? FrameIndexFromImage(img) : -2;
}

std::string Rect(const QRect &r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// Every visible child of parent lies inside it and is at least as wide and high as it needs to
// be whole; the same, in turn, for its children.
void ExpectWhole(const QWidget *parent, const std::string &where)
{
    for (const QObject *o : parent->children()) {
        const auto *w = qobject_cast<const QWidget *>(o);
        if (!w || w->isWindow() || !w->isVisibleTo(parent))
            continue;
        const std::string name =
            where + '/' + w->objectName().toStdString() + '(' + w->metaObject()->className() + ')';
        EXPECT_TRUE(parent->rect().contains(w->geometry()))
            << name << ' ' << Rect(w->geometry()) << " outside " << Rect(parent->rect());
        const QSize need = w->minimumSizeHint();
        if (need.isValid() && !qobject_cast<const QLabel *>(w)) {
            EXPECT_GE(w->width(), need.width()) << name << " is cut";
            EXPECT_GE(w->height(), need.height()) << name << " is cut";
        }
        // The parts of a spin box or a combo box are theirs to place.
        if (!qobject_cast<const QAbstractSpinBox *>(w) && !qobject_cast<const QComboBox *>(w))
            ExpectWhole(w, name);
    }
}

QWheelEvent Wheel(QWidget *over, int angle)
{
    const QPointF at(over->width() / 2.0, over->height() / 2.0);
    return QWheelEvent(at, over->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
}

// Runs the current test in a child process whose offscreen screen is 1920x1080.
void ExpectPassesOnABigScreen()
{
    QTemporaryDir dir;
    const QString config = dir.filePath("screen.json");
    QFile f(config);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"screens":[{"name":"big","x":0,"y":0,"width":1920,"height":1080,"logicalDpi":96,)"
            R"("logicalBaseDpi":96,"dpr":1}]})");
    f.close();
    const testing::TestInfo *t = testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
    env.insert("FRAMIX_TEST_BIG_SCREEN", "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2").arg(t->test_suite_name(), t->name())});
    ASSERT_TRUE(child.waitForFinished(300000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().constData();
}

} // namespace

// The interval panel sits under the navigation panel, never over it, at every size the window
// takes (maximised on a full HD screen too); no region overlaps another and every control is
// whole.
TEST(FirstUse, PanelsAtEverySize)
{
    const QString dv = Sample("fi_dv_pal.dv");
    if (dv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    Window w;
    TShowForm &f = *w.form;
    f.openfile(dv);
    ASSERT_TRUE(f.hasVideo());
    f.intervalCapture()->caIntervalloShow->SetChecked(true);
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.intervalPanel()->isVisibleTo(&f));

    const QSize sizes[] = {QSize(1, 1), QSize(1024, 600), QSize(1024, 720), QSize(1920, 1080)};
    for (int i = 0; i <= int(std::size(sizes)); ++i) {
        if (i < int(std::size(sizes))) {
            f.showNormal();
            f.resize(sizes[i]); // 1x1: the window's minimum
        } else {
            // The offscreen platform's screen (800x800) is narrower than the window's minimum:
            // the test runs again in a process of its own on a 1920x1080 offscreen screen, where
            // the window is maximised.
            if (f.screen()->availableGeometry().width() < f.minimumWidth()) {
                if (qEnvironmentVariableIsSet("FRAMIX_TEST_BIG_SCREEN"))
                    ADD_FAILURE() << "the big offscreen screen was not given";
                else
                    ExpectPassesOnABigScreen();
                break;
            }
            f.showMaximized();
        }
        QCoreApplication::processEvents();
        const QWidget *client = f.centralWidget();
        const std::string where = QStringLiteral("%1x%2").arg(f.width()).arg(f.height()).toStdString();
        if (i < int(std::size(sizes))) {
            ASSERT_GE(f.width(), f.minimumWidth());
        } else {
            EXPECT_GE(f.width(), 1800) << "maximised on the full HD screen";
        }
        const std::pair<const char *, QRect> regions[] = {
            {"video", f.videoArea()->geometry()},     {"panels", f.thumbnailPanel()->geometry()},
            {"title", f.titlePanel()->geometry()},    {"format lines", f.formatPanel()->geometry()},
            {"navigation", f.navFrame()->geometry()}, {"interval", f.intervalPanel()->geometry()},
            {"status", f.statusPanel()->geometry()},
        };
        for (size_t a = 0; a < std::size(regions); ++a) {
            EXPECT_FALSE(regions[a].second.isEmpty()) << where << ' ' << regions[a].first;
            EXPECT_TRUE(client->rect().contains(regions[a].second))
                << where << ' ' << regions[a].first << ' ' << Rect(regions[a].second);
            for (size_t b = a + 1; b < std::size(regions); ++b)
                EXPECT_FALSE(regions[a].second.intersects(regions[b].second))
                    << where << ' ' << regions[a].first << ' ' << Rect(regions[a].second) << " overlaps "
                    << regions[b].first << ' ' << Rect(regions[b].second);
        }
        ExpectWhole(f.navFrame(), where + " navframe");
        ExpectWhole(f.intervalPanel(), where + " intervalloframe");
        // The navigation buttons take the clicks: the widget under each one's centre is itself.
        for (QWidget *b : f.navFrame()->NavRow->Controls()) {
            const QPoint centre = b->mapTo(client, b->rect().center());
            EXPECT_EQ(client->childAt(centre), b) << where << ' ' << b->objectName().toStdString();
        }
    }
    f.showNormal();

    // The count has its caption; with the video closed, "Démarrer" takes nothing and says 0.
    auto *count = f.intervalPanel()->findChild<QLabel *>(QStringLiteral("CountLab"));
    ASSERT_TRUE(count);
    bool captioned = false;
    for (const QLabel *l : f.intervalPanel()->findChildren<QLabel *>())
        captioned =
            captioned || (l != count && l->isVisibleTo(f.intervalPanel()) && l->text().contains("prendre"));
    EXPECT_TRUE(captioned);
    f.closefile();
    auto *start = f.intervalPanel()->findChild<QPushButton *>();
    ASSERT_TRUE(start);
    bool started = false;
    QObject::connect(f.intervalCapture(), &TIntervalCapture::RunEnded, [&] { started = true; });
    f.intervalCapture()->Count();
    start->click();
    EXPECT_EQ(count->text(), "0");
    EXPECT_FALSE(started);
    EXPECT_FALSE(f.intervalCapture()->Running());
    EXPECT_FALSE(start->isChecked());
}

// A file that does not open says why, in the window and to the prompt service; a paste of
// a path typed as text opens it; a paste that opens nothing leaves the video open.
TEST(FirstUse, FilesThatDoNotOpenSaySo)
{
    const QString dv = Sample("fi_dv_pal.dv");
    const QString mkv = Sample("ext_mkv.mkv");
    if (dv.isEmpty() || mkv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    Window w;
    TShowForm &f = *w.form;
    QTemporaryDir files;

    const QString absent = files.filePath("absent.avi");
    f.fichierMan()->waOpenFile->SetValue(absent);
    EXPECT_FALSE(f.hasVideo());
    EXPECT_TRUE(f.fileNameLabel()->text().contains("n'existe pas"))
        << f.fileNameLabel()->text().toStdString();
    ASSERT_FALSE(w.prompts.errorReports.isEmpty());
    EXPECT_TRUE(w.prompts.errorReports.last().contains(absent));
    EXPECT_EQ(f.exitCode(), 1);

    const QString text = files.filePath("notes.avi");
    {
        QFile t(text);
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write("Ceci n'est pas une vidéo.\n");
    }
    w.prompts.errorReports.clear();
    f.fichierMan()->waOpenFile->SetValue(text);
    EXPECT_FALSE(f.hasVideo());
    EXPECT_TRUE(f.fileNameLabel()->text().contains("aucun flux")) << f.fileNameLabel()->text().toStdString();
    ASSERT_EQ(w.prompts.errorReports.size(), 1) << w.prompts.errorReports.join('\n').toStdString();

    const QString other = files.filePath("clip.divx");
    QFile::copy(mkv, other);
    f.fichierMan()->waOpenFile->SetValue(other);
    EXPECT_TRUE(f.fileNameLabel()->text().contains(".divx")) << f.fileNameLabel()->text().toStdString();

    // Paste: words on the clipboard open nothing and close nothing.
    f.fichierMan()->waOpenFile->SetValue(dv);
    ASSERT_TRUE(f.hasVideo());
    QGuiApplication::clipboard()->setText(QStringLiteral("quelques mots"));
    w.prompts.errorReports.clear();
    f.fichierMan()->naPasteFile->Apply();
    EXPECT_TRUE(f.hasVideo());
    EXPECT_EQ(f.currentFile(), dv);
    EXPECT_EQ(w.prompts.errorReports.size(), 1);
    EXPECT_TRUE(f.fileNameLabel()->text().contains("presse-papiers"))
        << f.fileNameLabel()->text().toStdString();
    // A path to a missing file: the same.
    QGuiApplication::clipboard()->setText(absent);
    f.fichierMan()->naPasteFile->Apply();
    EXPECT_EQ(f.currentFile(), dv);
    // The path of a video, as text with a line end: it opens.
    QGuiApplication::clipboard()->setText(mkv + u'\n');
    f.fichierMan()->naPasteFile->Apply();
    EXPECT_EQ(f.currentFile(), mkv);
    EXPECT_TRUE(f.hasVideo());
    EXPECT_EQ(f.fileNameLabel()->text(), QFileInfo(mkv).fileName());
}

// Esc on the question where to keep the preferences calls the close off before anything is
// torn down: the video stays, and plays.
TEST(FirstUse, CancelledCloseKeepsTheVideo)
{
    const QString dv = Sample("fi_dv_pal.dv");
    if (dv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    Window w;
    TShowForm &f = *w.form;
    f.openfile(dv);
    ASSERT_TRUE(f.hasVideo());
    const QString decoder = f.videoDecoderLabel()->text();
    w.prompts.saveMode = std::nullopt;
    EXPECT_FALSE(f.close());
    EXPECT_EQ(w.prompts.saveModeTitles.size(), 1);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.hasVideo());
    EXPECT_EQ(f.currentFile(), dv);
    EXPECT_EQ(f.videoDecoderLabel()->text(), decoder);
    EXPECT_TRUE(f.navFrame()->isVisibleTo(&f));
    f.navMan()->caPlay->SetChecked(true);
    EXPECT_TRUE(WaitFor([&] { return Shown(f) > 3; })) << "the video plays on";
    f.navMan()->caPlay->SetChecked(false);

    w.prompts.saveMode = spNone;
    EXPECT_TRUE(f.close());
    EXPECT_EQ(w.prompts.saveModeTitles.size(), 2);
}

// Garbage in the position field keeps the position and marks the field until it is corrected;
// the wheel over the field and the slider steps one frame per notch.
TEST(FirstUse, TypedPositions)
{
    EXPECT_TRUE(TNavMan::IsPositionText("0:00:01:12", 400000));
    EXPECT_TRUE(TNavMan::IsPositionText(" 12:59:59:24 ", 400000));
    EXPECT_TRUE(TNavMan::IsPositionText("0:00:00:59", 1)) << "no frame duration yet: any frame";
    // A tail of the full form is read from its end, as a script may type it: "1:00:00" is one minute.
    for (const char *tail : {"1:00:00", "12:14", "0:0:0:0", "7"})
        EXPECT_TRUE(TNavMan::IsPositionText(tail, 400000)) << tail;
    for (const char *bad : {"abc", "5.5", "", "0:60:00:00", "0:00:61:00", "0:00:00:25", "12:34", "1:2:3:4:5",
                            "-0:00:00:01", "0:00:01:12x"})
        EXPECT_FALSE(TNavMan::IsPositionText(bad, 400000)) << bad;

    const QString dv = Sample("fi_dv_pal.dv");
    if (dv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    Window w;
    TShowForm &f = *w.form;
    f.openfile(dv);
    ASSERT_TRUE(f.hasVideo());
    TNavMan &nav = *f.navMan();
    nav.waStrPosition->SetValue(QStringLiteral("0:00:01:12"));
    ASSERT_TRUE(WaitFor([&] { return Shown(f) == 37; }));

    QLineEdit *edit = f.navFrame()->CurrentEdit;
    f.activateWindow();
    edit->setFocus();
    for (const char *bad : {"abc", "5.5", "0:00:00:30"}) {
        edit->setText(QString::fromLatin1(bad));
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_EQ(Shown(f), 37) << bad << ": the position stays";
        EXPECT_TRUE(nav.PositionEditMarked()) << bad;
        EXPECT_FALSE(edit->styleSheet().isEmpty()) << bad;
        EXPECT_TRUE(edit->toolTip().contains("h:mm:ss:ii")) << bad;
    }
    EXPECT_EQ(nav.waStrPosition->Value.isEmpty(), false);
    nav.waStrPosition->SetValue(QStringLiteral("n'importe quoi"));
    EXPECT_EQ(Shown(f), 37) << "a script's garbage moves nothing either";

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("0:00:00:05"));
    EXPECT_FALSE(nav.PositionEditMarked()) << "corrected";
    EXPECT_TRUE(edit->styleSheet().isEmpty());
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Shown(f) == 5; }));

    QWheelEvent up = Wheel(edit, 120);
    QCoreApplication::sendEvent(edit, &up);
    EXPECT_TRUE(WaitFor([&] { return Shown(f) == 6; })) << Shown(f);
    QSlider *slider = f.navFrame()->tb;
    QWheelEvent down = Wheel(slider, -120);
    QCoreApplication::sendEvent(slider, &down);
    EXPECT_TRUE(WaitFor([&] { return Shown(f) == 5; })) << Shown(f);
    // Half notches add up to one.
    QWheelEvent half = Wheel(slider, 60);
    QCoreApplication::sendEvent(slider, &half);
    QCoreApplication::sendEvent(slider, &half);
    EXPECT_TRUE(WaitFor([&] { return Shown(f) == 6; })) << Shown(f);
}

// The status line names the next image and never passes an unwritten capture off as saved.
TEST(FirstUse, StatusLineAndThumbnailTellTheTruth)
{
    const QString dv = Sample("fi_dv_pal.dv");
    if (dv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    Window w;
    TShowForm &f = *w.form;
    TGrabber &g = *f.grabber();
    QTemporaryDir images;
    f.openfile(dv);
    ASSERT_TRUE(f.hasVideo());
    g.waDossierSave->SetValue(images.path());
    g.iaImageAjouter->SetValue(0); // time-stamp names
    f.navMan()->waStrPosition->SetValue(QStringLiteral("0:00:01:12"));
    ASSERT_TRUE(WaitFor([&] { return Shown(f) == 37; }));

    g.naGrab->Apply();
    const QString saved = images.path() + "/Framix_0.00.01.12.bmp";
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_TRUE(g.Imagette()->Saved());
    f.navMan()->naAvanceFrame->Apply();
    ASSERT_TRUE(WaitFor([&] { return f.statusLabel()->text().contains("0.00.01.13"); }))
        << f.statusLabel()->text().toStdString();
    EXPECT_FALSE(f.statusLabel()->text().contains("pas encore"));

    // A copy is no save.
    g.naCopy->Apply();
    EXPECT_FALSE(g.Imagette()->Saved());
    EXPECT_TRUE(f.statusLabel()->text().contains("pas encore")) << f.statusLabel()->text().toStdString();
    EXPECT_TRUE(g.Imagette()->NameLabel()->toolTip().contains("pas encore"));

    // "&Non" to the replace question: the thumbnail and the status line say it was not written,
    // though a file of that name is there.
    f.navMan()->waStrPosition->SetValue(QStringLiteral("0:00:01:12"));
    ASSERT_TRUE(WaitFor([&] { return Shown(f) == 37; }));
    w.prompts.replace = TReplaceAnswer::No;
    g.naGrab->Apply();
    EXPECT_EQ(w.prompts.replaceQuestions.size(), 1);
    EXPECT_FALSE(g.Imagette()->Saved());
    EXPECT_TRUE(f.statusLabel()->text().contains("pas encore")) << f.statusLabel()->text().toStdString();

    // A folder that refuses the file: the same.
    g.waDossierSave->SetValue(QStringLiteral("/proc/framix-refused"));
    g.naGrab->Apply();
    EXPECT_FALSE(g.Imagette()->Saved());
    EXPECT_TRUE(f.statusLabel()->text().contains("pas encore")) << f.statusLabel()->text().toStdString();

    // Widening: the PAL 4:3 frame keeps its 576 lines.
    g.waDossierSave->SetValue(images.path());
    g.iaImageAjouter->SetValue(1);
    auto *box = static_cast<TDossiersFrame *>(f.saveImagesPanel())->WidenBox();
    ASSERT_TRUE(box);
    EXPECT_FALSE(box->isChecked()) << "off by default";
    box->click();
    EXPECT_TRUE(g.baElargir->Value);
    const QString widened = g.ImageFileName;
    g.naGrab->Apply();
    EXPECT_EQ(QImage(widened).size(), QSize(768, 576));
    EXPECT_TRUE(g.Imagette()->Saved());
    EXPECT_EQ(g.Imagette()->SizeText(), "768 x 576");
}

// Qt's own buttons speak French once its catalogues are in.
TEST(FirstUse, QtDialogsSpeakFrench)
{
    ASSERT_TRUE(TQtTranslations::InstallFrench(qApp)) << TQtTranslations::Folder().toStdString();
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Open);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "&Oui");
    EXPECT_EQ(box.button(QMessageBox::No)->text(), "&Non");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "Annuler");
    EXPECT_EQ(box.button(QMessageBox::Open)->text(), "Ouvrir");
}

// Every media-player key reaches its command from the video, none from a text field; the wheel
// over the video steps one frame per notch.
TEST(FirstUse, MediaPlayerKeys)
{
    const QString dv = Sample("fi_dv_pal.dv");
    if (dv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    Window w;
    TShowForm &f = *w.form;
    f.openfile(dv);
    ASSERT_TRUE(f.hasVideo());
    const QList<TShowForm::TPlayerKey> keys = f.PlayerKeys();
    ASSERT_EQ(keys.size(), 11);
    QMap<TCustomAbstractAction *, int> applied;
    for (const TShowForm::TPlayerKey &k : keys) {
        ASSERT_TRUE(k.action);
        // No menu item or other action has the key: it reaches this action.
        EXPECT_EQ(f.KeyDispatcher()->Find(k.key, &f).action, k.action) << k.key.toString().toStdString();
        EXPECT_TRUE(k.action->SecondaryShortcuts().contains(k.key));
        TCustomAbstractAction *a = k.action;
        if (auto *n = dynamic_cast<TNopeAction *>(a)) {
            n->OnAfterApply = [&applied, a] { ++applied[a]; };
        } else if (auto *c = dynamic_cast<TCheckAction *>(a)) {
            c->OnAfterTrueApply = [&applied, a] { ++applied[a]; };
            c->OnAfterFalseApply = [&applied, a] { ++applied[a]; };
        } else {
            ADD_FAILURE() << "unexpected action kind";
        }
    }
    // The Parts' own shortcuts stay.
    EXPECT_EQ(f.navMan()->caPlay->ShortCut(), QKeySequence("Ctrl+Space"));
    EXPECT_EQ(f.navMan()->naAvanceFrame->ShortCut(), QKeySequence("Ctrl+Right"));

    f.activateWindow();
    f.videoArea()->setFocus();
    for (const TShowForm::TPlayerKey &k : keys) {
        const int before = applied.value(k.action);
        const QKeyCombination c = k.key[0];
        QTest::keyClick(f.videoArea(), c.key(), c.keyboardModifiers());
        EXPECT_EQ(applied.value(k.action), before + 1) << k.key.toString().toStdString();
    }
    f.navMan()->caPlay->SetChecked(false);

    // Typed into a text field, the keys are the field's.
    QLineEdit *edit = f.navFrame()->CurrentEdit;
    edit->setFocus();
    edit->setText("0:00:00:00");
    const QMap<TCustomAbstractAction *, int> before = applied;
    for (const TShowForm::TPlayerKey &k : keys) {
        const QKeyCombination c = k.key[0];
        QTest::keyClick(edit, c.key(), c.keyboardModifiers());
    }
    EXPECT_EQ(applied, before);
    EXPECT_TRUE(edit->text().contains(' ')) << "Space typed a space";

    // The wheel over the video.
    f.videoArea()->setFocus();
    const int steps = applied.value(f.navMan()->naAvanceFrame);
    QWheelEvent notch = Wheel(f.videoArea(), 120);
    QCoreApplication::sendEvent(f.videoArea(), &notch);
    EXPECT_EQ(applied.value(f.navMan()->naAvanceFrame), steps + 1);
    for (const TShowForm::TPlayerKey &k : keys) {
        if (auto *n = dynamic_cast<TNopeAction *>(k.action))
            n->OnAfterApply = nullptr;
        else if (auto *c = dynamic_cast<TCheckAction *>(k.action))
            c->OnAfterTrueApply = c->OnAfterFalseApply = nullptr;
    }

    EXPECT_TRUE(f.HelpText().contains("Touches de lecture"));
}

// Menus, hints and tool-bar buttons in French, with their keys; the open dialog starts by the
// last video with a filter of videos; the separate preview window opens beside the window.
TEST(FirstUse, WordsDialogAndPreview)
{
    Window w;
    TShowForm &f = *w.form;
    const QStringList internal = {"Grab",         "Copy", "BmpExtension", "JpegExtension", "AjouterTimeStamp",
                                  "AjouterNumero"};
    std::function<void(const QMenu *)> walk = [&](const QMenu *menu) {
        for (const QAction *a : menu->actions()) {
            EXPECT_FALSE(internal.contains(QString(a->text()).remove('&'))) << a->text().toStdString();
            if (a->menu())
                walk(a->menu());
        }
    };
    for (const QAction *top : f.mainMenu()->actions())
        if (top->menu())
            walk(top->menu());
    walk(f.popupMenu());
    const TGrabber &g = *f.grabber();
    EXPECT_NE(g.baSauverQuandClic->Hint(), "SauverQuandClic");
    EXPECT_FALSE(g.baSauverQuandClic->Hint().isEmpty());
    EXPECT_NE(g.waDefaultRacine->Hint(), "DefaultRacine");
    EXPECT_FALSE(g.waDefaultRacine->Hint().isEmpty());

    int buttons = 0;
    for (QWidget *c : f.toolBar()->Controls()) {
        auto *b = qobject_cast<TVDImgSpeedButton *>(c);
        if (!b || !b->Action())
            continue;
        ++buttons;
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->Action()->objectName().toStdString();
        const QKeySequence key = b->Action()->ShortCut();
        if (!key.isEmpty()) {
            EXPECT_TRUE(b->toolTip().contains(key.toString(QKeySequence::NativeText)))
                << b->toolTip().toStdString();
        }
    }
    EXPECT_EQ(buttons, 20);
    EXPECT_TRUE(TVDImgSpeedButton::ToolTipOf(g.naGrab).contains("F5"));

    // The open dialog.
    const QString dv = Sample("fi_dv_pal.dv");
    if (dv.isEmpty())
        GTEST_SKIP() << "corpus not generated";
    f.openfile(dv);
    f.fichierMan()->OpenFile(dv); // as the menu does: the recent list learns it
    f.fichierMan()->naCloseFile->Apply();
    ASSERT_TRUE(f.currentFile().isEmpty());
    w.prompts.chosenFile.clear();
    f.fichierMan()->waOpenFile->PrepareAndApply();
    EXPECT_EQ(w.prompts.openFolder, QFileInfo(dv).absolutePath());
    const QString filter = w.prompts.openFilter;
    EXPECT_TRUE(filter.startsWith("Vidéos (")) << filter.toStdString();
    for (const QString &ext : TShowForm::VideoExtensions())
        EXPECT_TRUE(filter.contains("*" + ext + " ")) << ext.toStdString();
    EXPECT_LT(filter.indexOf("Vidéos"), filter.indexOf("Tous fichiers"));

    // The separate preview window: beside the main window, not over it at the screen's corner.
    f.openfile(dv);
    f.videoMan()->caPreviewform->SetChecked(true);
    QCoreApplication::processEvents();
    const QWidget *preview = f.videoMan()->PreviewForm();
    ASSERT_TRUE(preview && preview->isVisible());
    EXPECT_NE(preview->geometry().topLeft(), QPoint(0, 0));
    EXPECT_FALSE(preview->frameGeometry().intersects(f.frameGeometry()) &&
                 preview->screen()->availableGeometry().width() >=
                     f.frameGeometry().width() + preview->width())
        << Rect(preview->geometry()) << " over " << Rect(f.frameGeometry());
    f.videoMan()->caPreviewform->SetChecked(false);
}

TEST(PreviewPlace, BesideTheMainWindow)
{
    const QRect screen(0, 0, 1920, 1080);
    // Room on the right.
    EXPECT_EQ(TPreviewForm::PlaceBeside(QRect(100, 50, 1024, 750), QRect(102, 80, 1020, 718), QSize(640, 480),
                                        screen),
              QRect(1126, 80, 640, 480));
    // No room on the right: on the left.
    EXPECT_EQ(TPreviewForm::PlaceBeside(QRect(800, 0, 1000, 700), QRect(802, 30, 996, 668), QSize(640, 480),
                                        screen),
              QRect(800 - 2 - 640, 30, 640, 480));
    // Maximised: at the screen's right edge, the title bar on the screen.
    const QRect p =
        TPreviewForm::PlaceBeside(QRect(0, 0, 1920, 1080), QRect(0, 30, 1920, 1050), QSize(640, 480), screen);
    EXPECT_EQ(p.right(), 1919);
    EXPECT_GE(p.top(), 30);
    EXPECT_TRUE(screen.contains(p));
}
