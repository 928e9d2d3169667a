#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "actions/TRectAction.h"
#include "actions/TVDSwitch.h"
#include "prefs/TVardoPreferences.h"
#include "script/TVDScript.h"
#include "shell/TFichierMan.h"
#include "shell/TVDAppliMan.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>

TEST(AppliMan, IdentityAndActionFaces)
{
    QMainWindow w;
    TVDAppliMan am(&w);
    EXPECT_EQ(am.Version(), "6.2.1");
    EXPECT_EQ(am.Language(), "fr");
    EXPECT_EQ(am.FullTitle(), "Framix 6.2.1 fr");
    EXPECT_EQ(am.LastUpdate(), "08/02/2020");

    EXPECT_EQ(am.naQuit->Hint(), "Quitter Framix");
    EXPECT_EQ(am.naQuit->ShortCut(), QKeySequence("Alt+F4"));
    EXPECT_EQ(am.naEMail->Hint(), "Envoyer un e-mail à Vardo");
    EXPECT_EQ(am.naEMail->ShortCut(), QKeySequence("Alt+F5"));
    EXPECT_EQ(am.naHomePage->Hint(), "Ouvrir la Page d'Accueil de Framix");
    EXPECT_EQ(am.naHomePage->Caption(), "Homepage");
    EXPECT_EQ(am.caScript->Caption(), "Scripts");
    EXPECT_EQ(am.caScript->Hint(), "Cliquez pour ouvrir la page des Scripts");
    EXPECT_EQ(am.caScript->ShortCut(), QKeySequence("F12"));
    EXPECT_EQ(am.caHelp->Caption(), "Aide");
    EXPECT_EQ(am.caAbout->Caption(), "A Propos...");
    EXPECT_EQ(am.caCustom->ShortCut(), QKeySequence("Alt+F10"));
    EXPECT_EQ(am.raFormSave->ScriptName(), "FormSave");
    EXPECT_TRUE(am.raFormSave->ApplyWhenLoad());
    EXPECT_FALSE(am.caHelp->ApplyWhenLoad());

    am.caHelp->SetChecked(true);
    EXPECT_EQ(am.caHelp->Hint(), "Cliquez pour fermer la page des Aides");

    // The mail command starts a message about this program.
    QUrl sent;
    am.OpenUrl = [&](const QUrl &u) {
        sent = u;
        return true;
    };
    am.naEMail->trigger();
    EXPECT_EQ(sent.scheme(), "mailto");
    EXPECT_EQ(QUrlQuery(sent).queryItemValue("subject", QUrl::FullyDecoded), "A propos de Framix 6.2.1 fr");

    // The switch component is made here and knows this list first.
    ASSERT_NE(am.Switch(), nullptr);
    EXPECT_EQ(am.Switch()->TableCount(), am.ActionCount());
}

TEST(AppliMan, HandsOutTheScriptComponentThatDrivesTheFileManager)
{
    QMainWindow w;
    TVDAppliMan am(&w);
    ASSERT_NE(am.Script(), nullptr);
    QTemporaryDir dir;
    const QString clip = dir.filePath("clip.avi");
    QFile f(clip);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    TFichierMan ficman;
    QStringList opened;
    ficman.OnOpenFile = [&](const QString &p) {
        opened << p;
        return true;
    };
    ficman.SetPascalScript(am.Script());
    am.Script()->SetScript({"begin", "  OpenFile('" + clip + "');", "end."});
    am.Script()->CompileScript();
    ASSERT_TRUE(am.Script()->Compiled()) << am.Script()->Messages().join('\n').toStdString();
    am.Script()->RunScript();
    EXPECT_EQ(opened, QStringList{clip});
    EXPECT_EQ(ficman.CurrentFile(), clip);
}

TEST(AppliMan, PagesExcludeOneAnotherAndQuitClosesTheWindow)
{
    QMainWindow w;
    TVDAppliMan am(&w);
    QStringList log;
    am.OnPageChanged = [&](TCheckAction *a, bool on) { log << a->Name() + (on ? "+" : "-"); };

    am.caOptions->trigger(); // F10
    am.caAbout->trigger();   // F11: the options page closes, the about page opens
    EXPECT_FALSE(am.caOptions->Checked());
    EXPECT_TRUE(am.caAbout->Checked());
    am.caAbout->trigger(); // F11 again closes it
    EXPECT_FALSE(am.caAbout->Checked());
    EXPECT_EQ(log, (QStringList{"caOptions+", "caOptions-", "caAbout+", "caAbout-"}));
    // The help and script windows are independent of the pages.
    am.caHelp->SetChecked(true);
    am.caOptions->SetChecked(true);
    EXPECT_TRUE(am.caHelp->Checked());

    w.show();
    EXPECT_TRUE(w.isVisible());
    am.naQuit->trigger();
    EXPECT_FALSE(w.isVisible());
}

TEST(AppliMan, FormBoundsCentredAtFirstStartThenRestored)
{
    QTemporaryDir program;
    QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect avail = screen->availableGeometry();
    const QRect saved(avail.left() + 20, avail.top() + 30, 300, 200);
    {
        TVardoPreferences gp(nullptr, program.path());
        gp.SetMode(spPortable);
        QMainWindow w;
        w.resize(320, 240);
        TVDAppliMan am(&w);
        ASSERT_TRUE(am.LoadFromPrefs(gp));
        // Nothing stored: the window keeps its size, centred on the screen.
        EXPECT_EQ(w.size(), QSize(320, 240));
        EXPECT_EQ(w.geometry().center(), avail.center());
        w.setGeometry(saved);
        EXPECT_TRUE(am.SaveToPrefs(gp));
    }
    {
        TVardoPreferences gp(nullptr, program.path());
        gp.SetMode(spPortable);
        QMainWindow w;
        TVDAppliMan am(&w);
        ASSERT_TRUE(am.LoadFromPrefs(gp));
        EXPECT_EQ(w.geometry(), saved);

        // Bounds on a screen that is gone: the window keeps the size and comes back centred.
        am.raFormSave->SetValue(TRectValue{avail.right() + 5000, 10, avail.right() + 5300, 210});
        EXPECT_EQ(w.size(), QSize(300, 200));
        EXPECT_EQ(w.geometry().center(), avail.center());
    }
}
