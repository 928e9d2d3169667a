// Image names, the overwrite question and failed saves of the grabber, with a picture put in
// place of a capture (the renderer is exercised in test_grab_corpus.cpp).
#include "actions/TBooleanAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TImagetteFrame.h"

#include "TScriptedPromptService.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Fixture
{
    QWidget window;
    TVDActionList gpal{&window};
    TScriptedPromptService prompts;
    TGrabber grab{&window, &gpal, prompts};
    TImagetteFrame imagette{&window};
    QLabel status{&window};
    QTemporaryDir dir;
    QString video;
    std::int64_t position = 0;
    QStringList &questions = prompts.replaceQuestions;
    QStringList &errors = prompts.errors;
    TReplaceAnswer &answer = prompts.replace;

    Fixture()
    {
        grab.Host.CurrentVideoFile = [this] { return video; };
        grab.Host.FramePosition = [this] { return position; };
        grab.Host.FrameDuration = [] { return std::int64_t(400000); };
        grab.SetImagette(&imagette);
        grab.SetStatusLabel(&status);
        grab.waDossierSave->SetValue(dir.path());
    }
    // What a capture leaves for the save.
    void Captured(QSize size = QSize(72, 54))
    {
        grab.SaveBitmap = QImage(size, QImage::Format_RGB888);
        grab.SaveBitmap.fill(Qt::darkCyan);
        imagette.ShowCapture(grab.SaveBitmap, size, QStringLiteral("0:00:01:00"),
                             QFileInfo(grab.ImageFileName).fileName());
    }
    QString Name() const { return QFileInfo(grab.ImageFileName).fileName(); }
};

} // namespace

TEST(Grabber, ActionsOfTheWindowList)
{
    Fixture f;
    TGrabber &g = f.grab;
    EXPECT_EQ(f.gpal.FindByInternalId(QStringLiteral("naGrab")), g.naGrab);
    EXPECT_EQ(g.naGrab->ShortCut(), QKeySequence(Qt::Key_F5));
    EXPECT_TRUE(TGrabber::DefaultFolder().endsWith(u'/'));

    int mode = -1;
    g.Host.SetAspectMode = [&](int m) { mode = m; };
    g.naForcer16x9->Apply();
    EXPECT_EQ(g.iaForcerAspectRatio->Value, 2);
    EXPECT_EQ(mode, 2);
    g.naJpegExtension->Apply();
    EXPECT_TRUE(f.grab.ImageFileName.endsWith(QStringLiteral(".jpg")));
}

TEST(Grabber, NumberAndRootNaming)
{
    EXPECT_EQ(TGrabber::PaddedNumber(7, 3), QStringLiteral("007"));
    EXPECT_EQ(TGrabber::PaddedNumber(1234, 3), QStringLiteral("1234"));
    EXPECT_EQ(TGrabber::PaddedNumber(42, 16), QStringLiteral("0000000000000042"));
    EXPECT_EQ(TGrabber::PaddedNumber(-5, 3), QStringLiteral("-05"));
    // An absurd digit count from a script cannot make a name longer than a file name may be.
    EXPECT_EQ(TGrabber::PaddedNumber(1, 1000000000).size(), 255);

    EXPECT_EQ(TGrabber::RootFromVideoName(QStringLiteral("/v/a.b.c.avi")), QStringLiteral("a.b.c"));
    EXPECT_EQ(TGrabber::RootFromVideoName(QStringLiteral("/v.d/clip")), QStringLiteral("clip"));
    EXPECT_EQ(TGrabber::RootFromVideoName(QStringLiteral("/v/Vacances2019.avi"), 8),
              QStringLiteral("Vacances"));
    EXPECT_EQ(TGrabber::RootFromVideoName(QStringLiteral("/v/court.avi"), 8), QStringLiteral("court"));
    EXPECT_EQ(TGrabber::RootFromVideoName(QStringLiteral("/v/x.avi"), 0), QString());

    Fixture f;
    TGrabber &g = f.grab;
    g.iaImageAjouter->SetValue(1);
    g.iaNextNum->SetValue(7);
    EXPECT_EQ(f.Name(), QStringLiteral("Framix_007.bmp"));
    EXPECT_EQ(g.ImageFileName, f.dir.path() + QStringLiteral("/Framix_007.bmp"));
    g.iaNextNum->SetValue(1234);
    EXPECT_EQ(f.Name(), QStringLiteral("Framix_1234.bmp"));
    g.iaDigits->SetValue(16);
    EXPECT_EQ(f.Name(), QStringLiteral("Framix_0000000000001234.bmp"));

    g.iaNomFichierImage->SetValue(1);
    EXPECT_EQ(f.Name(), QStringLiteral("_0000000000001234.bmp")) << "no video: empty root";
    f.video = QStringLiteral("/films/Vacances2019.avi");
    g.UpdateImageName();
    EXPECT_EQ(g.NameRoot, QStringLiteral("Vacances2019"));
    g.baLimiterLongueur->SetValue(true);
    EXPECT_EQ(g.NameRoot, QStringLiteral("Vacances"));
    g.iaRacineLength->SetValue(-3);
    EXPECT_EQ(g.NameRoot, QString());

    // The number text goes to the overlay only while it shows the number.
    QStringList overlay;
    g.Host.NumberText = [&](const QString &t) { overlay << t; };
    g.iaDigits->SetValue(3);
    g.Host.NumberCodeOn = [] { return true; };
    g.iaNextNum->SetValue(8);
    EXPECT_EQ(overlay, QStringList{QStringLiteral("008")});

    // An emptied folder is the default one: a grab never lands at the file system's root.
    g.waDossierSave->SetValue(QString());
    EXPECT_EQ(g.ImageFileName.toStdString(),
              (TGrabber::DefaultFolder() + QStringLiteral("_008.bmp")).toStdString());
    g.waDossierSave->SetValue(f.dir.path());

    // A suffix mode the program does not know leaves the name as it was.
    const QString before = g.ImageFileName;
    g.iaImageAjouter->SetValue(5);
    g.waDefaultRacine->SetValue(QStringLiteral("autre"));
    EXPECT_EQ(g.ImageFileName, before);
}

TEST(Grabber, TimeStampNamingAndStatusColour)
{
    Fixture f;
    TGrabber &g = f.grab;
    // Frame 4 at 1 h 2 min 3 s with 25 frames per second.
    f.position = (3723LL * 25 + 4) * 400000;
    g.iaImageExtension->SetValue(1);
    EXPECT_EQ(f.Name(), QStringLiteral("Framix_1.02.03.04.jpg"));
    EXPECT_EQ(f.status.text(), g.ImageFileName);
    EXPECT_EQ(f.status.palette().color(QPalette::WindowText), QColor(128, 0, 0));

    QFile existing(g.ImageFileName);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    g.UpdateImageName();
    EXPECT_EQ(f.status.palette().color(QPalette::WindowText), QColor(0, 128, 0));
}

TEST(Grabber, SaveAdvancesTheNumberAndMarksTheThumbnail)
{
    Fixture f;
    TGrabber &g = f.grab;
    g.iaImageAjouter->SetValue(1);
    f.Captured();
    const QString first = g.ImageFileName;
    EXPECT_FALSE(f.imagette.Saved());
    EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsSaved);
    EXPECT_EQ(QImage(first).size(), QSize(72, 54));
    EXPECT_EQ(g.iaNextNum->Value, 2);
    EXPECT_EQ(f.Name(), QStringLiteral("Framix_002.bmp")) << "the next name shows at once";
    EXPECT_TRUE(f.imagette.Saved());
    EXPECT_EQ(f.imagette.NameHint(), QStringLiteral("Cette image a déjà été enregistrée"));
    EXPECT_TRUE(f.questions.isEmpty());

    // JPEG at the chosen quality.
    g.iaImageExtension->SetValue(1);
    g.iaJpegCompressionQuality->SetValue(90);
    const QString jpeg = g.ImageFileName;
    EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsSaved);
    QFile in(jpeg);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_TRUE(in.read(2) == QByteArray("\xFF\xD8", 2));
}

TEST(Grabber, OverwriteQuestionAndItsFourAnswers)
{
    Fixture f;
    TGrabber &g = f.grab;
    g.iaImageAjouter->SetValue(1);
    f.Captured();
    const QString path = g.ImageFileName;
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    f.answer = TReplaceAnswer::No;
    EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsDeclined);
    ASSERT_EQ(f.questions.size(), 1);
    EXPECT_EQ(f.questions.first(),
              QStringLiteral("Le fichier ") + path +
                  QStringLiteral(" existe déjà. Voulez-vous le remplacer?\r\n\r\n"
                                 "Cliquez sur \"Oui à Tous\" pour ne plus être interrogé."));
    EXPECT_EQ(QFileInfo(path).size(), 3) << "\"Non\" keeps the file as it was";
    EXPECT_EQ(g.iaNextNum->Value, 1);
    f.answer = TReplaceAnswer::Cancel;
    bool stop = false;
    g.StopRequested = &stop;
    EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsCancelled);
    EXPECT_TRUE(stop);
    EXPECT_EQ(QFileInfo(path).size(), 3) << "nothing written";
    EXPECT_EQ(g.iaNextNum->Value, 1);
    EXPECT_FALSE(f.imagette.Saved());

    // Quiet (the interval capture's choice): no question, the file is kept.
    EXPECT_EQ(g.SaveWithConfirm(true), TGrabber::TGrabStatus::gsDeclined);
    EXPECT_EQ(f.questions.size(), 2);
    EXPECT_EQ(f.prompts.quietReplaceQuestions, 1);
    EXPECT_EQ(QFileInfo(path).size(), 3);

    f.answer = TReplaceAnswer::Yes;
    EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsSaved);
    EXPECT_EQ(QImage(path).size(), QSize(72, 54));

    // "Oui à Tous" replaces and switches the question off until confirmation is on again.
    g.iaNextNum->SetValue(1);
    f.answer = TReplaceAnswer::YesToAll;
    EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsSaved);
    EXPECT_FALSE(g.baConfirmerImage->Value);
    g.iaNextNum->SetValue(1);
    f.answer = TReplaceAnswer::Cancel;
    EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsSaved);
    EXPECT_EQ(f.questions.size(), 4);
}

TEST(Grabber, FailedSaveShowsOneMessageAndKeepsTheNumber)
{
    Fixture f;
    TGrabber &g = f.grab;
    g.iaImageAjouter->SetValue(1);
    g.waDossierSave->SetValue(f.dir.path() + QStringLiteral("/absent"));
    f.Captured();
    EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsFailed);
    ASSERT_EQ(f.errors.size(), 1);
    EXPECT_EQ(f.errors.first(), QStringLiteral("Impossible d'enregistrer l'image ") + g.ImageFileName +
                                    QStringLiteral(" : le dossier n'existe pas"));
    EXPECT_EQ(g.iaNextNum->Value, 1);
    EXPECT_FALSE(f.imagette.Saved());
    EXPECT_FALSE(QDir(f.dir.path() + QStringLiteral("/absent")).exists()) << "no folder is created";

    // Quiet: reported to the caller only.
    EXPECT_EQ(g.SaveWithConfirm(true), TGrabber::TGrabStatus::gsFailed);
    EXPECT_EQ(f.errors.size(), 1);
    EXPECT_FALSE(g.ErrorText().isEmpty());

    if (geteuid() != 0) {
        // A folder without write rights keeps the earlier file of that name whole.
        g.waDossierSave->SetValue(f.dir.path());
        const QString path = g.ImageFileName;
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        g.baConfirmerImage->SetValue(false);
        ASSERT_EQ(chmod(QFile::encodeName(f.dir.path()).constData(), 0555), 0);
        EXPECT_EQ(g.SaveWithConfirm(), TGrabber::TGrabStatus::gsFailed);
        chmod(QFile::encodeName(f.dir.path()).constData(), 0755);
        EXPECT_TRUE(f.errors.last().endsWith(QStringLiteral("accès refusé")));
        EXPECT_EQ(QFileInfo(path).size(), 3);
        EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

TEST(Grabber, WithoutVideoNothingIsCapturedOrSaved)
{
    Fixture f;
    f.grab.Host.HasVideo = [] { return false; };
    EXPECT_EQ(f.grab.Grab(), TGrabber::TGrabStatus::gsNoPicture);
    EXPECT_EQ(f.grab.CaptureWidth, 0);
    EXPECT_EQ(f.grab.SaveWidth, 0);
    EXPECT_TRUE(QDir(f.dir.path()).isEmpty());
    // A click on the video does nothing without a video.
    f.grab.VideoMousePress(Qt::LeftButton, QPoint(1, 1));
    EXPECT_TRUE(QDir(f.dir.path()).isEmpty());
}

TEST(Grabber, StatusLineAndVideoClicks)
{
    Fixture f;
    TGrabber &g = f.grab;
    QStringList browsed;
    g.Host.Browse = [&](const QString &path, bool select) { browsed << (select ? u'+' : u'-') + path; };
    g.iaImageAjouter->SetValue(1);

    // Neither the next image nor one of this root: the folder itself.
    g.StatusLineClicked();
    // An earlier image of this root is shown selected.
    QFile(f.dir.path() + QStringLiteral("/Framix_000.bmp")).open(QIODevice::WriteOnly);
    g.StatusLineClicked();
    // The next image itself once it exists.
    QFile(g.ImageFileName).open(QIODevice::WriteOnly);
    g.StatusLineClicked();
    EXPECT_EQ(browsed,
              (QStringList{u'-' + f.dir.path(), u'+' + f.dir.path() + QStringLiteral("/Framix_000.bmp"),
                           u'+' + g.ImageFileName}));

    // A left click on the video places the overlay while the sliders are on; other buttons do
    // nothing.
    QList<QPoint> placed;
    g.Host.HasVideo = [] { return true; };
    g.Host.SlidersOn = [] { return true; };
    g.Host.SetOverlayPosition = [&](QPoint p) { placed << p; };
    g.VideoMousePress(Qt::RightButton, QPoint(3, 4));
    g.VideoMousePress(Qt::LeftButton, QPoint(5, 6));
    EXPECT_EQ(placed, QList<QPoint>{QPoint(5, 6)});
}
