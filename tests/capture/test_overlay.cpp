// The overlay in the whole main window: its actions as the user reaches them (switches, script
// names, shortcuts, preferences), the modes, the producers armed from the patterns, the DV date
// correction on real DV files, the bad values a user can type, and the two panels following
// their actions both ways.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TColorAction.h"
#include "actions/TDoubleAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TPointAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TDVIncrustFrame.h"
#include "capture/TIncrustFrame.h"
#include "capture/TShowForm.h"
#include "core/TDateFormat.h"
#include "core/THeadlessPromptService.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"

#include "../media/MediaTestUtil.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <limits>
#include <memory>

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
    THeadlessPromptService prompts;
    std::unique_ptr<TShowForm> form;
    TShowForm *operator->() const { return form.get(); }
    TShowForm::TOverlayActions ov() const { return form->overlayActions(); }
    QString line(int i) const { return form->videoMan()->OverlayLine(i).Text; }
};

double Days(int y, int mo, int d, int h, int mi, int s)
{
    double dt = 0;
    DateTimeFromParts(y, mo, d, h, mi, s, 0, dt);
    return dt;
}

QString Clip(const char *name)
{
    return framixtest::corpusFile(QString::fromLatin1(name));
}

} // namespace

TEST(Overlay, OffsetTexts)
{
    EXPECT_EQ(TDVIncrustFrame::OffsetText(0), "aucun");
    EXPECT_EQ(TDVIncrustFrame::OffsetText(2.0 / 24), " 02 heures");
    EXPECT_EQ(TDVIncrustFrame::OffsetText(-2.0 / 24), " -02 heures");
    EXPECT_EQ(TDVIncrustFrame::OffsetText(1.0 / 24), " 01 heure");
    EXPECT_EQ(TDVIncrustFrame::OffsetText(1.5), " 1 jour 12 h");
    EXPECT_EQ(TDVIncrustFrame::OffsetText(90.0 / 86400), " 01 minute 30 s");
    EXPECT_EQ(TDVIncrustFrame::OffsetText(1.0 / 86400), " 01 seconde");
    EXPECT_EQ(TDVIncrustFrame::OffsetText(3 + 1.0 / 86400), " 3 jours 01 s");
    // Bad values a command line can bring: no crash, a text a user reads.
    EXPECT_EQ(TDVIncrustFrame::OffsetText(std::nan("")), "aucun");
    EXPECT_EQ(TDVIncrustFrame::OffsetText(-36525), " -36525 jours");
    EXPECT_FALSE(TDVIncrustFrame::OffsetText(std::numeric_limits<double>::infinity()).isEmpty());
}

TEST(Overlay, ActionsAsTabled)
{
    Window w;
    struct Row
    {
        const char *name, *category, *script, *sw, *key;
        bool load;
    };
    const Row rows[] = {
        {"waIncrustPattern1", "cat_Incruster", "IncrustPattern1", "ipat1", "", true},
        {"waIncrustPattern2", "cat_Incruster", "IncrustPattern2", "ipat2", "", true},
        {"waFormatDatecode1", "cat_Incruster", "FormatDatecode1", "fd1", "", true},
        {"waFormatDatecode2", "cat_Incruster", "FormatDatecode2", "fd2", "", true},
        {"waInsertPerso1", "cat_Incruster", "InsertPerso1", "p1", "", true},
        {"waInsertPerso2", "cat_Incruster", "InsertPerso2", "p2", "", true},
        {"naInsertTimestamp", "cat_Insert", "InsertTimestamp", "is", "Ctrl+S", false},
        {"naInsertNumero", "cat_Insert", "InsertNumero", "in", "Ctrl+N", false},
        {"naInsertTimecode", "cat_Insert", "InsertTimecode", "it", "Ctrl+T", false},
        {"naInsertDatecode", "cat_Insert", "InsertDatecode", "id", "Ctrl+D", false},
        {"naInsertPerso", "cat_Insert", "InsertPerso", "ip", "Ctrl+P", false},
        {"naInsertSysdateTime", "cat_Insert", "InsertSysdateTime", "ir", "Ctrl+R", false},
        {"iaInsertMode", "cat_Insert", "InsertMode", "", "", true},
        {"caSliders", "cat_Incruster", "Sliders", "isl", "Ctrl+L", true},
        {"naSoustitres", "cat_Vardo", "Soustitres", "sub", "", false},
        {"baInsertAutoSize", "cat_Incruster", "InsertAutoSize", "auto", "Ctrl+*", true},
        {"waInsertFontName", "cat_Incruster", "InsertFontName", "ifname", "", false},
        {"laInsertFontColor", "cat_Incruster", "InsertFontColor", "ifCol", "", false},
        {"iaInsertFontSize", "cat_Incruster", "InsertFontSize", "ifSize", "", true},
        {"caIncrustBold", "cat_Incruster", "IncrustBold", "", "", true},
        {"caIncrustItalic", "cat_Incruster", "IncrustItalic", "", "", false},
        {"caIncrustUnderline", "cat_Incruster", "IncrustUnderline", "", "", false},
        {"caIncrustStrikeOut", "cat_Incruster", "IncrustStrikeOut", "", "", false},
        {"caDecalageAvance", "cat_Incruster", "DecalageAvance", "da", "", true},
        {"daDecalageHoraire", "cat_Incruster", "DecalageHoraire", "dh", "", true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        TCustomAbstractAction *a = w->FindAction(QString::fromLatin1(r.name));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->Category(), QString::fromLatin1(r.category));
        EXPECT_EQ(a->ScriptName(), QString::fromLatin1(r.script));
        EXPECT_EQ(a->Switch(), QString::fromLatin1(r.sw));
        EXPECT_EQ(a->ShortCut(), QKeySequence(QString::fromLatin1(r.key)));
        EXPECT_TRUE(a->IncludePrefs());
        EXPECT_EQ(a->ApplyWhenLoad(), r.load);
    }
    const auto o = w.ov();
    EXPECT_EQ(o.waIncrustPattern1->DefaultValue, QStringLiteral("Aucune incrustation n'a été définie."));
    EXPECT_EQ(o.waIncrustPattern2->DefaultValue, QStringLiteral(" \"%F\""));
    EXPECT_EQ(o.waFormatDatecode1->DefaultValue, "ddddd");
    EXPECT_EQ(o.waFormatDatecode2->DefaultValue, "tt");
    EXPECT_EQ(o.waInsertPerso1->DefaultValue, "Framix");
    EXPECT_TRUE(o.baInsertAutoSize->DefaultValue);
    EXPECT_EQ(o.iaInsertMode->DefaultValue, 0);
    EXPECT_EQ(o.daDecalageHoraire->DefaultValue, 0.0);
    // Loaded last of the window's list: the mode sets the patterns after they loaded.
    EXPECT_EQ(w->actionList()->TypedActions().last(), o.iaInsertMode);

    const QString help = w->HelpText();
    for (const char *s : {"/ipat1=", "/ipat2=", "/fd1=", "/fd2=", "/dh=", "/id", "/sub", "/ifSize="})
        EXPECT_TRUE(help.contains(QString::fromLatin1(s))) << s;
}

// The modes set the patterns; the insert commands also switch the overlay on; the mode saved is
// the one whose button is down.
TEST(Overlay, ModesAndSavedMode)
{
    Window w;
    const auto o = w.ov();
    TVideoMan *v = w->videoMan();
    // Mode 0 at load (the default): a time stamp alone, overlay still off.
    EXPECT_EQ(o.waIncrustPattern1->Value, "%S");
    EXPECT_EQ(o.waIncrustPattern2->Value, "");
    EXPECT_FALSE(v->caInsertTextOn->Checked());

    w->windowActions().naInsertDatecode->Apply();
    EXPECT_EQ(o.waIncrustPattern1->Value, "%D");
    EXPECT_EQ(o.waIncrustPattern2->Value, "%D");
    EXPECT_TRUE(v->caInsertTextOn->Checked());
    EXPECT_EQ(w->insertModeDown(), 3);

    o.waInsertPerso1->SetValue(QStringLiteral("Noël %N"));
    o.waInsertPerso2->SetValue(QStringLiteral("chez mamie"));
    w->windowActions().naInsertPerso->Apply();
    EXPECT_EQ(o.waIncrustPattern1->Value, QStringLiteral("Noël %N"));
    EXPECT_EQ(o.waIncrustPattern2->Value, "chez mamie");
    EXPECT_TRUE(w->numberCodeOn());
    EXPECT_EQ(w->incrustFrame()->ModeGroup()->checkedId(), 4);

    int saved = 99;
    ASSERT_TRUE(o.iaInsertMode->InternalBeforeSave(saved));
    EXPECT_EQ(saved, 4);
    w->incrustFrame()->SetModeDown(-1);
    ASSERT_TRUE(o.iaInsertMode->InternalBeforeSave(saved));
    EXPECT_EQ(saved, -1);
    // A mode that does not exist (-1 saved) leaves the patterns as they are.
    o.iaInsertMode->SetValue(-1);
    EXPECT_EQ(o.waIncrustPattern2->Value, "chez mamie");
    o.iaInsertMode->SetValue(1);
    EXPECT_EQ(o.waIncrustPattern1->Value, "%N");
    EXPECT_EQ(w->insertModeDown(), 1);
}

// Lower-case codes, the default second line with a video named Vacances, unknown codes, a code
// whose value never came.
TEST(Overlay, ExpansionInTheWindow)
{
    Window w;
    const auto o = w.ov();
    TVideoMan *v = w->videoMan();
    o.waIncrustPattern1->SetValue(QStringLiteral("n°%n à %s"));
    v->SetNumero(TIncrustNumero{true, QStringLiteral("007")});
    v->SetTimestampText(QStringLiteral("0:00:01:02"));
    EXPECT_EQ(w.line(0), QStringLiteral("n°007 à 0:00:01:02"));
    o.waIncrustPattern1->SetValue(QStringLiteral("n°%N à %S"));
    EXPECT_EQ(w.line(0), QStringLiteral("n°007 à 0:00:01:02"));

    o.waIncrustPattern2->SetValue(o.waIncrustPattern2->DefaultValue);
    v->SetFileName(TIncrustFileName{true, QStringLiteral("/v/Vacances.avi")});
    EXPECT_EQ(w.line(1), QStringLiteral(" \"Vacances\""));

    o.waIncrustPattern1->SetValue(QStringLiteral("%Q 100% %D%T"));
    EXPECT_EQ(w.line(0), QStringLiteral("%Q 100% "))
        << "unknown codes stay as typed, missing values are empty";
    o.waIncrustPattern1->SetValue(QString());
    EXPECT_FALSE(v->OverlayLine(0).Enabled) << "an empty pattern is not drawn";
    o.waIncrustPattern1->SetValue(QStringLiteral("%D"));
    o.waFormatDatecode1->SetValue(QString(1000, u'y'));
    v->SetIncrustDV(TIncrustDV{true, false, Days(2003, 11, 23, 14, 5, 30), QString()});
    EXPECT_FALSE(w.line(0).isEmpty());
}

// Switching the overlay off stops the system-date timer and the file and number codes; on again
// re-arms them from the patterns.
TEST(Overlay, ProducersFollowTheOverlaySwitch)
{
    Window w;
    const auto o = w.ov();
    TCheckAction *on = w->videoMan()->caInsertTextOn;
    w->windowActions().naInsertSysdateTime->Apply();
    EXPECT_TRUE(on->Checked());
    EXPECT_TRUE(w->sysDateTimerOn());
    EXPECT_TRUE(w->videoMan()->OverlayValues().SysDateValid) << "the first date at once";
    o.waIncrustPattern2->SetValue(QStringLiteral("%F n°%N"));
    EXPECT_TRUE(w->fileCodeOn());
    EXPECT_TRUE(w->numberCodeOn());

    on->SetChecked(false);
    EXPECT_FALSE(w->sysDateTimerOn());
    EXPECT_FALSE(w->fileCodeOn());
    EXPECT_FALSE(w->numberCodeOn());
    on->SetChecked(true);
    EXPECT_TRUE(w->sysDateTimerOn());
    EXPECT_TRUE(w->fileCodeOn());
    w->windowActions().naInsertTimestamp->Apply();
    EXPECT_FALSE(w->sysDateTimerOn());
    EXPECT_FALSE(w->fileCodeOn());
}

// Mode 3 on a DV file: the recording date and time of the frame, shifted by the offset; the DV
// channel stops with the overlay and comes back with it; the DV panel shows the frame's date.
TEST(Overlay, DvDateShiftedByTheOffset)
{
    const QString clip = Clip("dv_pal_wide_date.dv");
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "corpus not generated";
    Window w;
    const auto o = w.ov();
    w->openfile(clip);
    ASSERT_TRUE(w->hasVideo());
    w->windowActions().naInsertDatecode->Apply();
    o.daDecalageHoraire->SetValue(1.0 / 24);
    const double shot = Days(2010, 7, 14, 9, 59, 58);
    const QString date = FormatDateTime(QStringLiteral("ddddd"), shot + 1.0 / 24);
    const QString time = FormatDateTime(QStringLiteral("tt"), shot + 1.0 / 24);
    w->navMan()->RefreshFrame();
    EXPECT_TRUE(mediatest::waitUntil([&] { return w.line(0) == date && w.line(1) == time; }, 10000))
        << qPrintable(w.line(0)) << " / " << qPrintable(w.line(1));

    TNotifier *n = w->videoMan()->CurrentSource()->DvNotifier();
    ASSERT_NE(n, nullptr);
    EXPECT_TRUE(n->NotifyIncrust());
    w->videoMan()->caInsertTextOn->SetChecked(false);
    EXPECT_FALSE(n->NotifyIncrust());
    w->videoMan()->caInsertTextOn->SetChecked(true);
    EXPECT_TRUE(n->NotifyIncrust());

    EXPECT_TRUE(w->windowActions().naInsertDatecode->isEnabled());
    EXPECT_TRUE(mediatest::waitUntil(
        [&] {
            w->navMan()->RefreshFrame();
            return w->dvIncrustFrame()->DateLabel()->text().startsWith("Date de la vidéo DV: ");
        },
        10000))
        << qPrintable(w->dvIncrustFrame()->DateLabel()->text());
    EXPECT_EQ(w->dvIncrustFrame()->DateLabel()->text(),
              "Date de la vidéo DV: " + FormatDateTime("ddddd tt", w->dvIncrustFrame()->DvDate()));
    EXPECT_EQ(w->dvIncrustFrame()->OffsetLabel()->text(), QStringLiteral("Décalage :  01 heure"));
}

TEST(Overlay, FileWithoutDvData)
{
    const QString clip = Clip("dv_pal_nopacks.dv");
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "corpus not generated";
    Window w;
    w->openfile(clip);
    ASSERT_TRUE(w->hasVideo());
    w->windowActions().naInsertDatecode->Apply();
    w.ov().waIncrustPattern2->SetValue(QStringLiteral("[%T]"));
    w->navMan()->RefreshFrame();
    mediatest::waitUntil([] { return false; }, 500);
    EXPECT_EQ(w.line(0), "");
    EXPECT_EQ(w.line(1), "[]");
    EXPECT_EQ(w->dvIncrustFrame()->DateLabel()->text(),
              "Date fictive: " + FormatDateTime("ddddd tt", Days(1999, 12, 31, 0, 0, 0)));
}

TEST(Overlay, SubtitlePresetOn576Lines)
{
    const QString clip = Clip("dv_pal_nopacks.dv");
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "corpus not generated";
    Window w;
    w->openfile(clip);
    ASSERT_TRUE(mediatest::waitUntil([&] { return w->videoMan()->VideoFormat().Height == 576; }, 10000));
    w.ov().naSoustitres->Apply();
    TVideoMan *v = w->videoMan();
    EXPECT_EQ(v->faInsertFont->Value.Size, 19);
    EXPECT_EQ(v->faInsertFont->Value.Color, 0xFFFFFF);
    EXPECT_EQ(v->iaInsertAlignLines->Value, 2);
    EXPECT_EQ(v->paInsertPosition->Value, QPoint(5000, 8200));
    EXPECT_EQ(v->iaInsertBorderWidth->Value, 2);
}

// The DV panel: hours field, advanced fields, rounding when leaving the advanced mode, Reset,
// and the two format boxes, both ways.
TEST(Overlay, DvPanelBothWays)
{
    Window w;
    const auto o = w.ov();
    TDVIncrustFrame *p = w->dvIncrustFrame();
    EXPECT_TRUE(p->DateLabel()->text().startsWith("Date fictive: "));
    EXPECT_DOUBLE_EQ(p->DvDate(), Days(1999, 12, 31, 0, 0, 0));

    p->HoursSpin()->setValue(-2);
    EXPECT_DOUBLE_EQ(o.daDecalageHoraire->Value, -2.0 / 24);
    EXPECT_DOUBLE_EQ(w->videoMan()->DateOffset(), -2.0 / 24);
    EXPECT_EQ(p->OffsetLabel()->text(), QStringLiteral("Décalage :  -02 heures"));

    o.caDecalageAvance->SetChecked(true);
    EXPECT_TRUE(p->AdvancedBox()->isChecked());
    EXPECT_TRUE(p->DateEdit()->isVisibleTo(p));
    EXPECT_FALSE(p->HoursSpin()->isVisibleTo(p));
    EXPECT_EQ(p->DateEdit()->date(), QDate(1999, 12, 30));
    EXPECT_EQ(p->HourSpin()->value(), 22);
    p->MinuteSpin()->setValue(36); // 22:36 the day before: -1 h 24 min
    EXPECT_NEAR(o.daDecalageHoraire->Value * 24, -1.4, 1e-9);
    o.daDecalageHoraire->SetValue(2.6 / 24);
    EXPECT_EQ(p->HourSpin()->value(), 2);
    EXPECT_EQ(p->MinuteSpin()->value(), 36);
    p->AdvancedBox()->setChecked(false);
    EXPECT_FALSE(o.caDecalageAvance->Checked());
    EXPECT_DOUBLE_EQ(o.daDecalageHoraire->Value, 3.0 / 24) << "rounded to whole hours";
    EXPECT_EQ(p->HoursSpin()->value(), 3);
    QTest::mouseClick(p->ResetButton(), Qt::LeftButton);
    EXPECT_EQ(o.daDecalageHoraire->Value, 0.0);
    EXPECT_EQ(p->OffsetLabel()->text(), QStringLiteral("Décalage : aucun"));

    p->FormatBox1()->setEditText(QStringLiteral("dddd d mmmm"));
    EXPECT_EQ(o.waFormatDatecode1->Value, "dddd d mmmm");
    EXPECT_EQ(w->videoMan()->OverlaySlot(0).DateFormat, "dddd d mmmm");
    o.waFormatDatecode2->SetValue(QStringLiteral("hh:mm"));
    EXPECT_EQ(p->FormatBox2()->currentText(), "hh:mm");
    EXPECT_EQ(p->FormatBox2()->currentIndex(), TDVIncrustFrame::DateFormats().indexOf("hh:mm"));
    o.waFormatDatecode2->SetValue(QStringLiteral("yyyy"));
    EXPECT_EQ(p->FormatBox2()->currentIndex(), -1) << "no entry for a format not in the list";
    EXPECT_EQ(p->FormatBox2()->currentText(), "yyyy") << "what was typed is kept";

    // NaN and a century from the command line: no crash, the manager gets a usable offset.
    o.daDecalageHoraire->SetValueFromText(QStringLiteral("nan"));
    EXPECT_TRUE(std::isfinite(w->videoMan()->DateOffset()));
    o.daDecalageHoraire->SetValue(36525);
    EXPECT_EQ(p->OffsetLabel()->text(), QStringLiteral("Décalage :  36525 jours"));
}

// The overlay panel: font, size, border, alignment, transparency, custom lines, both ways, and
// the bad sizes and fonts a user may type.
TEST(Overlay, OverlayPanelBothWays)
{
    Window w;
    const auto o = w.ov();
    TVideoMan *v = w->videoMan();
    TIncrustFrame *p = w->incrustFrame();

    p->SizeChosen(QStringLiteral("24"));
    EXPECT_FALSE(o.baInsertAutoSize->Value);
    EXPECT_EQ(o.iaInsertFontSize->Value, 24);
    EXPECT_EQ(v->faInsertFont->Value.Size, 24);
    p->SizeChosen(QStringLiteral("grand"));
    EXPECT_EQ(o.iaInsertFontSize->Value, 14);
    p->SizeChosen(QStringLiteral("10000"));
    EXPECT_EQ(o.iaInsertFontSize->Value, 10000) << "the value typed is kept";
    EXPECT_LE(v->faInsertFont->Value.Size, 500) << "the font is held to a size that can be drawn";
    EXPECT_EQ(p->SizeBox()->currentText(), "10000");
    p->SizeChosen(QStringLiteral("auto"));
    EXPECT_TRUE(o.baInsertAutoSize->Value);
    EXPECT_TRUE(v->InsertAutoSize());
    EXPECT_EQ(p->SizeBox()->currentText(), "auto");
    o.baInsertAutoSize->SetValue(false);
    EXPECT_EQ(p->SizeBox()->currentText(), "10000");

    o.waInsertFontName->SetValue(QStringLiteral("Police Qui N'Existe Pas"));
    EXPECT_EQ(v->faInsertFont->Value.Name, QStringLiteral("Police Qui N'Existe Pas"));
    v->RefreshOverlay(); // drawn in a substitute, no crash

    p->BorderBox()->setCurrentIndex(0);
    Q_EMIT p->BorderBox()->activated(0);
    EXPECT_EQ(v->iaInsertBorderWidth->Value, 0);
    v->iaInsertBorderWidth->SetValue(4);
    EXPECT_EQ(p->BorderBox()->currentText(), "4 pixels");

    p->AlignGroup()->button(2)->click();
    EXPECT_EQ(v->iaInsertAlignLines->Value, 2);
    v->iaInsertAlignLines->SetValue(1);
    EXPECT_TRUE(p->AlignGroup()->button(1)->isChecked());

    p->TransparencySpin()->setValue(40);
    EXPECT_DOUBLE_EQ(v->daInsertTransparency->Value, 0.4);
    v->daInsertTransparency->SetValue(0.755);
    EXPECT_EQ(p->TransparencySpin()->value(), 76);

    p->ChooseColor = [](QColor &c) {
        c = QColor(255, 0, 0);
        return true;
    };
    p->FontColorButton()->click();
    EXPECT_EQ(o.laInsertFontColor->Value, 0x0000FF);
    EXPECT_EQ(v->faInsertFont->Value.Color, 0x0000FF);
    p->BorderColorButton()->click();
    EXPECT_EQ(v->iaInsertBorderColor->Value, 0x0000FF);

    QTest::keyClicks(p->PersoEdit1(), QStringLiteral("!"));
    EXPECT_EQ(o.waInsertPerso1->Value, "Framix!");
    o.waInsertPerso2->SetValue(QStringLiteral("Été 2003"));
    EXPECT_EQ(p->PersoEdit2()->text(), QStringLiteral("Été 2003"));

    o.caIncrustItalic->SetChecked(true);
    EXPECT_TRUE(v->faInsertFont->Value.Italic);

    p->OverlayBox()->setChecked(true);
    EXPECT_TRUE(v->caInsertTextOn->Checked());
    v->caInsertTextOn->SetChecked(false);
    EXPECT_FALSE(p->OverlayBox()->isChecked());

    v->paInsertPosition->SetValue(QPoint(1000, 3000));
    QSlider *x = w->findChild<QSlider *>(QStringLiteral("Xslider"));
    QSlider *y = w->findChild<QSlider *>(QStringLiteral("Yslider"));
    ASSERT_TRUE(x && y);
    EXPECT_EQ(x->value(), 1000);
    EXPECT_EQ(y->value(), 7000);
    y->setValue(10000);
    EXPECT_EQ(v->paInsertPosition->Value, QPoint(1000, 0));
}
