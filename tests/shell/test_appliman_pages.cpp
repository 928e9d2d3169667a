// The application manager's pages and windows over a real main window (offscreen platform).
#include "actions/TCheckAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TNopeAction.h"
#include "core/TColors.h"
#include "shell/TAppliPages.h"
#include "shell/THelpForm.h"
#include "shell/TObjetListBox.h"
#include "shell/TProductAddresses.h"
#include "shell/TVDAppliMan.h"
#include "widgets/TLinkEdit.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTabWidget>
#include <QUrl>
#include <QUrlQuery>

#include <memory>

namespace {

struct Window
{
    Window()
    {
        w.setCentralWidget(new QWidget);
        w.resize(900, 650);
        am = std::make_unique<TVDAppliMan>(&w);
        am->OpenUrl = [this](const QUrl &u) {
            opened << u;
            return true;
        };
        options = new QWidget;
        options->resize(400, 300);
        am->SetOptionsFrame(options);
    }
    void Show()
    {
        w.show();
        QCoreApplication::processEvents();
    }
    QMainWindow w;
    std::unique_ptr<TVDAppliMan> am;
    QWidget *options = nullptr;
    QList<QUrl> opened;
};

} // namespace

TEST(AppliManPages, OptionsThenAboutThenClosedAndCentredOnResize)
{
    Window t;
    t.Show();
    TFullWindowPage *options = t.am->OptionsPage();
    TFullWindowPage *about = t.am->AboutPage();
    ASSERT_TRUE(options && about && t.am->CustomPage());
    EXPECT_FALSE(options->isVisible());
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(options->palette().color(QPalette::Window), TColors::ToQColor(TColors::clSilver));
    EXPECT_EQ(t.am->CustomPage()->palette().color(QPalette::Window), TColors::ToQColor(TColors::clSilver));
    EXPECT_NE(about->palette().color(QPalette::Window), TColors::ToQColor(TColors::clSilver));

    t.am->caOptions->trigger(); // F10
    EXPECT_TRUE(options->isVisible());
    // The page covers the window's client area and keeps the frame in its middle.
    EXPECT_EQ(options->geometry(), t.w.centralWidget()->geometry());
    EXPECT_EQ(t.options->pos(), TFullWindowPage::CentredPos(options->size(), t.options->size()));

    t.am->caAbout->trigger(); // F11: the options page closes, the about page opens
    EXPECT_FALSE(t.am->caOptions->Checked());
    EXPECT_FALSE(options->isVisible());
    EXPECT_TRUE(about->isVisible());
    t.am->caAbout->trigger(); // F11 again closes it
    EXPECT_FALSE(about->isVisible());

    t.am->caOptions->SetChecked(true);
    t.w.resize(1200, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(options->geometry(), t.w.centralWidget()->geometry());
    EXPECT_EQ(t.options->pos(), QPoint((options->width() - 400) / 2, (options->height() - 300) / 2));

    // No custom frame in this program: the custom page shows nothing but still closes the others.
    t.am->caCustom->SetChecked(true);
    EXPECT_FALSE(t.am->caOptions->Checked());
    EXPECT_FALSE(options->isVisible());
    EXPECT_FALSE(t.am->CustomPage()->isVisible());
}

TEST(AppliManPages, AboutPageIsFilledEachTimeItOpens)
{
    Window t;
    t.Show();
    t.am->caAbout->SetChecked(true);
    TAboutFrame *f = t.am->AboutFrame();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->TitleLabel()->text(), "Framix 6.2.1 fr");
    const QString info = f->InfoText()->DisplayedText();
    EXPECT_FALSE(info.contains("Il utilise"));
    EXPECT_TRUE(info.contains("08/02/2020"));
    for (const QString &address :
         {TProductAddresses::HomePage(), TProductAddresses::Documentation(), TProductAddresses::Forum()})
        EXPECT_TRUE(f->InfoText()->RichText().contains("<url " + address + ">")) << address.toStdString();
    EXPECT_TRUE(f->WarrantyLabel()->text().contains("garantie"));
    EXPECT_EQ(f->CloseLine()->RichText(),
              "Tapez F11 pour quitter cette page ou <link closeAbout>cliquez ici</link>.");
    EXPECT_EQ(f->CloseLine()->DisplayedText(), "Tapez F11 pour quitter cette page ou cliquez ici.");

    // Components listed after the first fill appear at the next opening.
    t.am->caAbout->SetChecked(false);
    t.am->TitreUses = {"GStreamer", "Qt"};
    t.am->UrlUses = {"https://gstreamer.freedesktop.org/", "https://www.qt.io/"};
    t.am->caAbout->SetChecked(true);
    EXPECT_TRUE(f->InfoText()->RichText().contains(
        "Il utilise <url https://gstreamer.freedesktop.org/>GStreamer</url>, <url "
        "https://www.qt.io/>Qt</url>.<br><br>"));
    EXPECT_TRUE(f->InfoText()->DisplayedText().contains("Il utilise GStreamer, Qt."));

    // The close link unchecks the action, which hides the page.
    ASSERT_TRUE(f->CloseLine()->OnCustomLinkClick);
    f->CloseLine()->OnCustomLinkClick("closeAbout");
    EXPECT_FALSE(t.am->caAbout->Checked());
    EXPECT_FALSE(t.am->AboutPage()->isVisible());
}

TEST(AppliManPages, LinksOpenTheirAddressWithoutTrailingCopyrightSign)
{
    Window t;
    t.am->caAbout->SetChecked(true);
    TLinkEdit *info = t.am->AboutFrame()->InfoText();
    ASSERT_TRUE(info->OnUrlClick && info->OnUrlHint && info->OnMailClick && info->OnMailHint);

    info->OnUrlClick(QString::fromUtf8("https://framix.vardo.example/doc/©"));
    ASSERT_EQ(t.opened.size(), 1);
    EXPECT_EQ(t.opened.last(), QUrl("https://framix.vardo.example/doc/"));
    QString hint;
    info->OnUrlHint("https://www.qt.io/", hint);
    EXPECT_EQ(hint, "Cliquez pour accéder au site web https://www.qt.io/");

    info->OnMailClick(TProductAddresses::ContactMail());
    ASSERT_EQ(t.opened.size(), 2);
    EXPECT_EQ(t.opened.last().scheme(), "mailto");
    EXPECT_EQ(t.opened.last().path(), TProductAddresses::ContactMail());
    EXPECT_EQ(QUrlQuery(t.opened.last()).queryItemValue("subject", QUrl::FullyDecoded),
              "A propos de Framix 6.2.1 fr");
    hint.clear();
    info->OnMailHint(TProductAddresses::ContactMail(), hint);
    EXPECT_EQ(hint, "Cliquez pour envoyer un mail à Vardo");
    hint.clear();
    t.am->AboutFrame()->CloseLine()->OnCustomLinkHint("closeAbout", hint);
    EXPECT_EQ(hint, "Cliquez pour fermer cette page\r\net retourner à l'application");

    // An empty address (only the sign) opens nothing.
    EXPECT_FALSE(t.am->OpenWebLink(QString::fromUtf8("©")));
    EXPECT_EQ(t.opened.size(), 2);

    t.am->naHomePage->trigger();
    EXPECT_EQ(t.opened.last(), QUrl(TProductAddresses::HomePage()));
}

TEST(AppliManPages, OptionsCloseLineInTheCorner)
{
    Window t;
    t.Show();
    t.am->caOptions->SetChecked(true);
    TLinkEdit *close = t.am->OptionsCloseLine();
    ASSERT_TRUE(close);
    EXPECT_TRUE(close->isVisible());
    EXPECT_EQ(close->DisplayedText(), "Tapez F10 pour quitter cette page ou cliquez ici.");
    EXPECT_EQ(close->size(), QSize(180, 40));
    const QRect page = t.am->OptionsPage()->rect();
    EXPECT_EQ(close->geometry().bottomRight(), page.bottomRight() - QPoint(16, 16));
    EXPECT_TRUE(close->font().bold());
    EXPECT_TRUE(close->font().italic());
    EXPECT_EQ(close->font().pointSize(), 8);
    EXPECT_EQ(close->FontColor(), TColors::ToQColor(TColors::clMaroon));

    close->OnCustomLinkClick("closeOptions");
    EXPECT_FALSE(t.am->caOptions->Checked());
    EXPECT_FALSE(t.am->OptionsPage()->isVisible());

    t.am->SetOptionsCloseVisible(false);
    t.am->caOptions->SetChecked(true);
    EXPECT_FALSE(close->isVisible());
}

TEST(AppliManPages, HelpWindowFollowsItsActionAndFillsAtFirstShow)
{
    Window t;
    TCustomVDActionList other;
    auto *grab = new TNopeAction(QStringLiteral("naGrab"), &other);
    grab->SetScriptName("Grab");
    TCustomVDActionList scripts;
    auto *macro = new TNopeAction(QStringLiteral("naExecuteMacro"), &scripts);
    macro->SetScriptName("ExecuteMacro");

    THelpForm *help = t.am->HelpForm();
    ASSERT_TRUE(help);
    // The script window may register its lists before or after the first show.
    t.am->AddScriptHelpLists({&scripts});
    t.am->SetMainHelpLists({t.am.get(), &other});
    EXPECT_EQ(help->Tabs()->count(), 0) << "filled when the window is first shown";
    t.Show();
    ASSERT_EQ(help->Tabs()->count(), 2);
    EXPECT_EQ(help->Tabs()->tabText(0), "Framix");
    EXPECT_EQ(help->Tabs()->tabText(1), "Scripts");
    EXPECT_EQ(help->ListOf("Framix")->Count(), t.am->ActionCount() + 1);
    EXPECT_EQ(help->ListOf("Scripts")->Count(), 1);
    EXPECT_EQ(help->Tabs()->currentIndex(), 0);

    t.am->caHelp->trigger(); // F1
    EXPECT_TRUE(help->isVisible());
    t.am->caHelp->trigger();
    EXPECT_FALSE(help->isVisible());
    t.am->caHelp->SetChecked(true);
    // Closing the window by its frame unchecks the action.
    help->close();
    EXPECT_FALSE(help->isVisible());
    EXPECT_FALSE(t.am->caHelp->Checked());
    EXPECT_EQ(t.am->caHelp->Hint(), "Cliquez pour ouvrir la page des Aides");
    // A second show of the main window fills nothing again.
    t.w.hide();
    t.w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(help->ListOf("Framix")->Count(), t.am->ActionCount() + 1);
}
