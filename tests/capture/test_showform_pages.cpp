// The main window's help window, pages and options page: real window, offscreen platform.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TOptionsFrame.h"
#include "capture/TShowForm.h"
#include "playback/TAudioMan.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"
#include "prefs/TVardoPreferences.h"
#include "shell/QsciHeaders.h"
#include "shell/TAppliPages.h"
#include "shell/TFichierMan.h"
#include "shell/THelpForm.h"
#include "shell/TObjetListBox.h"
#include "shell/TVDAppliMan.h"
#include "widgets/TLinkEdit.h"

#include "TScriptedPromptService.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

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
    TScriptedPromptService prompts;
    std::unique_ptr<TShowForm> form;
};

// The text a label shows for `markup` (tags taken out), as the help window renders it.
QString Displayed(const QString &markup)
{
    TLinkEdit e;
    e.SetRichText(markup);
    return e.DisplayedText();
}

} // namespace

TEST(ShowFormHelp, EveryActionOfEveryListAppearsWithItsSyntaxAndAgreesWithHelpText)
{
    Window w;
    TShowForm &f = *w.form;
    THelpForm *help = f.appliMan()->HelpForm();
    ASSERT_TRUE(help);
    TObjetListBox *lb = help->ListOf("Framix");
    ASSERT_TRUE(lb);
    const QString usage = f.HelpText();

    // The later of two actions with one script name is the one listed (one entry per name).
    QHash<QString, TCustomAbstractAction *> listed;
    const QList<TCustomVDActionList *> lists{f.appliMan(), f.actionList(), f.videoMan(),
                                             f.audioMan(), f.navMan(),     f.fichierMan()};
    int walked = 0;
    int secondKeys = 0;
    for (TCustomVDActionList *l : lists)
        for (TCustomAbstractAction *a : l->TypedActions())
            listed[a->ScriptName().toLower()] = a;
    ASSERT_EQ(lb->Count(), listed.size());

    for (int i = 0; i < lb->Count(); ++i) {
        auto *entry = dynamic_cast<TActionObjet *>(lb->Objet(i));
        ASSERT_TRUE(entry && entry->Action());
        TCustomAbstractAction *a = entry->Action();
        const std::string name = a->ScriptName().toStdString();
        EXPECT_EQ(listed.value(a->ScriptName().toLower()), a) << name;
        lb->SelectIndex(i);
        help->lbClick(lb);
        ++walked;

        const QString shortcut = a->ShortCut().toString(QKeySequence::PortableText);
        // The media player's second keys follow ("aussi : Right").
        const QString more = TActionObjet::SecondaryShortcutsText(a);
        EXPECT_EQ(help->NameField()->DisplayedText(),
                  a->ScriptName() + "    " + shortcut + (more.isEmpty() ? QString() : "    aussi : " + more))
            << name;
        if (a->ScriptName() == "AvanceFrame") {
            EXPECT_EQ(more, "Right");
            ++secondKeys;
        }
        EXPECT_EQ(help->SyntaxField()->text(), a->GetScriptDeclaration()) << name;
        EXPECT_FALSE(a->GetScriptDeclaration().isEmpty()) << name;
        EXPECT_EQ(help->HintField()->DisplayedText(), Displayed(a->Hint())) << name;
        if (a->Switch().isEmpty()) {
            EXPECT_EQ(help->SwitchField()->DisplayedText(), "Switch:    N/A") << name;
        } else {
            // The syntax reaches the window as written (no character of it taken for markup) and
            // --help gives the same syntax.
            EXPECT_EQ(help->SwitchField()->DisplayedText(), "Switch:    " + a->GetSwitchSyntax()) << name;
            EXPECT_TRUE(usage.contains("  " + a->GetSwitchSyntax() + ' ')) << name;
        }
    }
    EXPECT_EQ(walked, listed.size());
    EXPECT_EQ(secondKeys, 1) << "the frame-forward command is listed once with its second key";

    // And the other way round: every switch --help lists is in the window with that syntax.
    int switchLines = 0;
    for (const QString &line : usage.split('\n')) {
        if (!line.startsWith("  /") && !line.startsWith("  +"))
            continue;
        const QString syntax = line.mid(2).section(' ', 0, 0);
        bool found = false;
        for (TCustomAbstractAction *a : std::as_const(listed))
            found = found || (!a->Switch().isEmpty() && a->GetSwitchSyntax().startsWith(syntax));
        if (syntax != "/quit" && syntax != "/switch") {
            EXPECT_TRUE(found) << line.toStdString();
        }
        ++switchLines;
    }
    EXPECT_GT(switchLines, 10);
}

TEST(ShowFormHelp, FunctionKeysDrivePagesAndHelpWindow)
{
    Window w;
    TShowForm &f = *w.form;
    TVDAppliMan *am = f.appliMan();
    ASSERT_TRUE(f.optionsFrame());
    EXPECT_EQ(am->OptionsFrame(), f.optionsFrame());

    QTest::keyClick(&f, Qt::Key_F10);
    EXPECT_TRUE(am->caOptions->Checked());
    EXPECT_TRUE(am->OptionsPage()->isVisible());
    EXPECT_TRUE(f.optionsFrame()->isVisible());
    QTest::keyClick(&f, Qt::Key_F11);
    EXPECT_FALSE(am->caOptions->Checked());
    EXPECT_FALSE(am->OptionsPage()->isVisible());
    EXPECT_TRUE(am->AboutPage()->isVisible());
    QTest::keyClick(&f, Qt::Key_F11);
    EXPECT_FALSE(am->AboutPage()->isVisible());
    EXPECT_FALSE(am->caAbout->Checked());

    QTest::keyClick(&f, Qt::Key_F1);
    EXPECT_TRUE(am->HelpForm()->isVisible());
    am->HelpForm()->close();
    EXPECT_FALSE(am->caHelp->Checked());

    // Opening a file closes the options and about pages first (even one that does not open).
    const QString bad = w.dir.filePath("pas-une-video.avi");
    QFile junk(bad);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("pas une vidéo");
    junk.close();
    am->caOptions->SetChecked(true);
    f.fichierMan()->waOpenFile->SetValue(bad);
    EXPECT_FALSE(am->caOptions->Checked());
    EXPECT_FALSE(am->OptionsPage()->isVisible());
    am->caAbout->SetChecked(true);
    f.fichierMan()->waOpenFile->SetValue(bad);
    EXPECT_FALSE(am->caAbout->Checked());
}

TEST(ShowFormOptions, TabsFollowTheirActionsBothWays)
{
    Window w;
    TShowForm &f = *w.form;
    TOptionsFrame *o = f.optionsFrame();
    ASSERT_TRUE(o);
    ASSERT_EQ(o->Tabs()->count(), 3);
    EXPECT_EQ(o->Tabs()->tabText(0), "Préferences");
    EXPECT_EQ(o->Tabs()->tabText(1), "Réglages");
    EXPECT_EQ(o->Tabs()->tabText(2), "Avancés");

    // "Navigation précise" and caSeekPrecision follow each other.
    TCheckAction *precise = f.navMan()->caSeekPrecision;
    precise->SetChecked(true);
    EXPECT_TRUE(o->SeekPrecisionBox()->isChecked());
    o->SeekPrecisionBox()->click();
    EXPECT_FALSE(o->SeekPrecisionBox()->isChecked());
    EXPECT_FALSE(precise->Checked());
    o->SeekPrecisionBox()->click();
    EXPECT_TRUE(precise->Checked());
    precise->SetChecked(false);
    EXPECT_FALSE(o->SeekPrecisionBox()->isChecked());

    // The preposition field shows 1000 at start and sets the action on every change.
    EXPECT_EQ(o->SeekPreposSpin()->value(), 1000);
    o->SeekPreposSpin()->setValue(1500);
    EXPECT_EQ(f.navMan()->iaSeekPrepos->Value, 1500);
    o->SeekPreposSpin()->stepDown();
    EXPECT_EQ(f.navMan()->iaSeekPrepos->Value, 1400);
    // The frame cache's bound, in MB, reaches the frames notifier's cache once a video plays.
    EXPECT_EQ(o->FrameCacheSpin()->value(), 256);
    o->FrameCacheSpin()->setValue(64);
    EXPECT_EQ(f.navMan()->iaFrameCache->Value, 64);
    EXPECT_EQ(f.navMan()->FrameCacheBytes, std::size_t(64) << 20);
    f.navMan()->iaFrameCache->SetValue(0);
    EXPECT_EQ(o->FrameCacheSpin()->text(), "Aucune");
    f.navMan()->iaFrameCache->SetValue(256);

    // The grab settings.
    TGrabber *g = f.grabber();
    g->baConfirmerImage->SetValue(false);
    EXPECT_FALSE(o->ConfirmBox()->isChecked());
    o->ConfirmBox()->click();
    EXPECT_TRUE(g->baConfirmerImage->Value);
    g->baImageMetadata->SetValue(false);
    EXPECT_FALSE(o->MetadataBox()->isChecked());
    o->MetadataBox()->click();
    EXPECT_TRUE(g->baImageMetadata->Value);
    o->RazBox()->setChecked(!g->baRAZWhenOpenFile->Value);
    EXPECT_EQ(o->RazBox()->isChecked(), g->baRAZWhenOpenFile->Value);
    o->SaveOnClickBox()->setChecked(!g->baSauverQuandClic->Value);
    EXPECT_EQ(o->SaveOnClickBox()->isChecked(), g->baSauverQuandClic->Value);

    // The private folder is stored with a trailing "/"; a cancelled choice changes nothing.
    QTemporaryDir filters;
    auto *folder = dynamic_cast<TWidestringAction *>(f.FindAction("waPrivateFolder"));
    ASSERT_TRUE(folder);
    w.prompts.chosenFolder = filters.path();
    o->PrivateFolderButton()->click();
    EXPECT_EQ(folder->Value, filters.path() + '/');
    EXPECT_EQ(o->PrivateFolderEdit()->text(), filters.path() + '/');
    w.prompts.chosenFolder.clear();
    o->PrivateFolderButton()->click();
    EXPECT_EQ(folder->Value, filters.path() + '/');

    // The script fields work with the script window's actions when the program has them, and
    // stay disabled without them.
    auto *scripts = dynamic_cast<TWidestringAction *>(f.FindAction("waDossierScripts"));
    auto *keep = dynamic_cast<TCheckAction *>(f.FindAction("caConserverScript"));
    EXPECT_EQ(o->ScriptsFolderEdit()->isEnabled(), scripts != nullptr);
    EXPECT_EQ(o->ScriptsFolderButton()->isEnabled(), scripts != nullptr);
    EXPECT_EQ(o->KeepScriptBox()->isEnabled(), keep != nullptr);
    if (keep) {
        keep->SetChecked(false);
        EXPECT_FALSE(o->KeepScriptBox()->isChecked());
        o->KeepScriptBox()->click();
        EXPECT_TRUE(keep->Checked());
    }
    if (scripts) {
        w.prompts.chosenFolder = filters.path();
        o->ScriptsFolderButton()->click();
        EXPECT_EQ(o->ScriptsFolderEdit()->text(), scripts->Value);
        EXPECT_TRUE(scripts->Value.startsWith(filters.path()));
    }
}

TEST(ShowFormOptions, SaveModeGroupFollowsThePreferenceComponent)
{
    Window w;
    TShowForm &f = *w.form;
    TOptionsFrame *o = f.optionsFrame();
    ASSERT_TRUE(o);
    TVardoPreferences *gp = f.preferences();
    EXPECT_EQ(o->ModeGroup()->checkedId(), int(gp->Mode()));
    gp->SetMode(spPortable);
    EXPECT_EQ(o->ModeGroup()->checkedId(), 1);
    o->ModeGroup()->button(2)->click();
    EXPECT_EQ(gp->Mode(), spNone);
    o->ModeGroup()->button(0)->click();
    EXPECT_EQ(gp->Mode(), spRegistre);
    EXPECT_EQ(o->ModeGroup()->checkedId(), 0);
}

TEST(ShowFormOptions, PrivateFiltersSwitchComesBackOnTheOptionsPage)
{
    // Turning the private filters over from the page goes through the window's own handler
    // (which reopens the current video); the page stays open for the next setting.
    Window w;
    TShowForm &f = *w.form;
    TOptionsFrame *o = f.optionsFrame();
    ASSERT_TRUE(o);
    f.appliMan()->caOptions->SetChecked(true);
    const bool before = f.windowActions().baUsePrivateFilters->Value;
    EXPECT_EQ(o->PrivateFiltersBox()->isChecked(), before);
    o->PrivateFiltersBox()->click();
    EXPECT_EQ(f.windowActions().baUsePrivateFilters->Value, !before);
    EXPECT_TRUE(f.appliMan()->OptionsPage()->isVisible());
    f.windowActions().baUsePrivateFilters->SetValue(before);
    EXPECT_EQ(o->PrivateFiltersBox()->isChecked(), before);
}

// Pictures of the help window, the options page (each tab) and the about page for the README;
// written only when FRAMIX_SCREENSHOT_DIR names a folder (run under xvfb-run for real fonts).
TEST(ShowFormScreens, HelpOptionsAndAbout)
{
    const QString out = qEnvironmentVariable("FRAMIX_SCREENSHOT_DIR");
    if (out.isEmpty())
        GTEST_SKIP() << "FRAMIX_SCREENSHOT_DIR not set";
    Window w;
    TShowForm &f = *w.form;
    f.resize(1024, 720);
    QCoreApplication::processEvents();
    TVDAppliMan *am = f.appliMan();

    am->caHelp->SetChecked(true);
    THelpForm *help = am->HelpForm();
    TObjetListBox *lb = help->ListOf("Framix");
    ASSERT_TRUE(lb);
    for (int i = 0; i < lb->Count(); ++i)
        if (lb->item(i)->text() == "Play") {
            lb->SelectIndex(i);
            help->lbClick(lb);
            break;
        }
    QCoreApplication::processEvents();
    EXPECT_TRUE(help->grab().save(out + "/help-window.png"));
    am->caHelp->SetChecked(false);

    am->caOptions->SetChecked(true);
    const char *names[] = {"options-preferences.png", "options-reglages.png", "options-avances.png"};
    for (int i = 0; i < 3; ++i) {
        f.optionsFrame()->Tabs()->setCurrentIndex(i);
        QCoreApplication::processEvents();
        EXPECT_TRUE(f.grab().save(out + '/' + names[i]));
    }
    am->caAbout->SetChecked(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.grab().save(out + "/about-page.png"));
}
