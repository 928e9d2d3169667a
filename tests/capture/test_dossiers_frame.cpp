// The image-saving panel follows the naming actions and sets them, and the thumbnail panel's
// layout and clicks.
#include "actions/TBooleanAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TDossiersFrame.h"
#include "capture/TGrabber.h"
#include "capture/TImagetteFrame.h"
#include "core/THeadlessPromptService.h"
#include "widgets/TClickLabel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

namespace {

struct Panel
{
    QWidget window;
    TVDActionList gpal{&window};
    THeadlessPromptService prompts;
    TGrabber grab{&window, &gpal, prompts};
    TDossiersFrame frame{grab, &window};
    Panel()
    {
        grab.Host.CurrentVideoFile = [] { return QStringLiteral("/films/Vacances2019.avi"); };
        grab.iaImageAjouter->SetValue(1);
        window.resize(300, 600);
        frame.resize(280, 580);
        window.show();
    }
};

} // namespace

TEST(DossiersFrame, ControlsFollowTheirActions)
{
    Panel p;
    TGrabber &g = p.grab;
    EXPECT_EQ(p.frame.DigitsSpin()->value(), 3);
    EXPECT_EQ(p.frame.RootEdit()->text(), QStringLiteral("Framix"));
    EXPECT_EQ(p.frame.QualityLabel()->text(), QStringLiteral("50"));

    // A script sets the digits: the field shows 5 and the next name has five digits.
    g.iaDigits->SetValue(5);
    EXPECT_EQ(p.frame.DigitsSpin()->value(), 5);
    EXPECT_TRUE(g.ImageFileName.endsWith(QStringLiteral("_00001.bmp")));

    g.baLimiterLongueur->SetValue(true);
    EXPECT_TRUE(p.frame.LimitBox()->isChecked());
    g.iaNomFichierImage->SetValue(1);
    EXPECT_TRUE(p.frame.RootGroup()->button(1)->isChecked());
    g.iaImageExtension->SetValue(7); // any value but 0 (BMP) and 2 (PNG) is JPEG
    EXPECT_TRUE(p.frame.FormatGroup()->button(1)->isChecked());
    g.naPngExtension->Apply();
    EXPECT_TRUE(p.frame.FormatGroup()->button(2)->isChecked());
    EXPECT_TRUE(g.ImageFileName.endsWith(QStringLiteral(".png")));
    g.iaImageExtension->SetValue(7);
    g.iaImageAjouter->SetValue(3); // no such choice: neither button
    EXPECT_EQ(p.frame.SuffixGroup()->checkedButton(), nullptr);
    g.iaJpegCompressionQuality->SetValue(77);
    EXPECT_EQ(p.frame.QualitySlider()->value(), 77);
    EXPECT_EQ(p.frame.QualityLabel()->text(), QStringLiteral("77"));
    g.waDossierSave->SetValue(QStringLiteral("/tmp/ailleurs/"));
    EXPECT_EQ(p.frame.FolderEdit()->text(), QStringLiteral("/tmp/ailleurs/"));
}

TEST(DossiersFrame, UserChangesSetTheActions)
{
    Panel p;
    TGrabber &g = p.grab;
    int applied = 0;
    g.baLimiterLongueur->OnAfterApply = [&](const bool &) { ++applied; };

    QTest::mouseClick(p.frame.LimitBox(), Qt::LeftButton);
    EXPECT_TRUE(g.baLimiterLongueur->Value);
    EXPECT_EQ(applied, 1) << "the box's echo ends by itself";

    p.frame.FormatGroup()->button(2)->click();
    EXPECT_EQ(g.iaImageExtension->Value, 2);
    EXPECT_TRUE(g.ImageFileName.endsWith(QStringLiteral(".png")));
    p.frame.FormatGroup()->button(1)->click();
    EXPECT_EQ(g.iaImageExtension->Value, 1);
    EXPECT_TRUE(g.ImageFileName.endsWith(QStringLiteral(".jpg")));

    // Every keystroke of the root field sets the root; a "+" is a character like any other.
    p.frame.RootEdit()->setFocus();
    p.frame.RootEdit()->selectAll();
    QTest::keyClicks(p.frame.RootEdit(), QStringLiteral("a+b"));
    EXPECT_EQ(g.waDefaultRacine->Value, QStringLiteral("a+b"));
    EXPECT_TRUE(QFileInfo(g.ImageFileName).fileName().startsWith(QStringLiteral("a+b_")));

    // A letter in the length field counts as 0: the root from the video name becomes empty.
    g.iaNomFichierImage->SetValue(1);
    p.frame.LengthEdit()->selectAll();
    QTest::keyClicks(p.frame.LengthEdit(), QStringLiteral("x"));
    EXPECT_EQ(g.iaRacineLength->Value, 0);
    EXPECT_TRUE(QFileInfo(g.ImageFileName).fileName().startsWith(u'_'));

    p.frame.NextNumSpin()->setValue(42);
    EXPECT_EQ(g.iaNextNum->Value, 42);

    // The chosen folder is stored with a trailing "/".
    p.frame.ChooseFolder = [](const QString &) { return QStringLiteral("/tmp/choisi"); };
    p.frame.BrowseFolder();
    EXPECT_EQ(g.waDossierSave->Value, QStringLiteral("/tmp/choisi/"));
}

TEST(ImagetteFrame, LayoutAndClicks)
{
    QWidget window;
    TImagetteFrame f(&window);
    f.setGeometry(0, 0, 276, 500);
    window.resize(300, 520);
    window.show();
    EXPECT_TRUE(f.HighlightVisible());
    EXPECT_TRUE(f.NameText().isEmpty());

    QImage pic(720, 540, QImage::Format_RGB888);
    pic.fill(Qt::red);
    f.ShowCapture(pic, pic.size(), QStringLiteral("0:00:02:05"), QStringLiteral("Framix_001.bmp"));
    // 4:3 inside 276 x 500 less 12 on every side: 252 x 189, centred vertically.
    EXPECT_EQ(f.PictureRect(), QRect(12, 155, 252, 189));
    EXPECT_EQ(f.SizeText(), QStringLiteral("720 x 540"));
    EXPECT_EQ(f.NameLabel()->geometry().top(), f.PictureRect().bottom() + 1);
    EXPECT_EQ(f.NameLabel()->geometry().width(), 252);
    EXPECT_EQ(f.NameHint(), QStringLiteral("Cette image n'a pas encore été enregistrée\n"
                                           "Cliquez sur ce label pour l'enregistrer"));

    QStringList seeks;
    int saves = 0;
    QObject::connect(&f, &TImagetteFrame::PictureClicked, [&](const QString &t) { seeks << t; });
    QObject::connect(&f, &TImagetteFrame::NameClicked, [&] { ++saves; });
    QTest::mouseClick(f.PictureLabel(), Qt::LeftButton);
    QTest::mouseClick(f.NameLabel(), Qt::LeftButton);
    QTest::mouseClick(f.NameLabel(), Qt::RightButton);
    EXPECT_EQ(seeks, QStringList{QStringLiteral("0:00:02:05")});
    EXPECT_EQ(saves, 1);

    f.HideHighlight();
    EXPECT_FALSE(f.HighlightVisible());
    f.Clear();
    EXPECT_TRUE(f.HighlightVisible());
    EXPECT_TRUE(f.SizeText().isEmpty());
    EXPECT_TRUE(f.TimecodeText().isEmpty());
    // Without a position the picture leads nowhere.
    QTest::mouseClick(f.PictureLabel(), Qt::LeftButton);
    EXPECT_EQ(seeks.size(), 1);
}
