// The application manager's pages, their links and the help window.
#include "shell/TVDAppliMan.h"

#include "actions/TCheckAction.h"
#include "core/TColors.h"
#include "shell/TAppliPages.h"
#include "shell/THelpForm.h"
#include "widgets/TLinkEdit.h"

#include <QEvent>
#include <QLabel>
#include <QTabWidget>
#include <QUrl>

namespace {

constexpr int kCloseWidth = 180;
constexpr int kCloseHeight = 40;
constexpr int kCloseMargin = 16;

QString CloseLine(const QString &key, const QString &link)
{
    return QStringLiteral("Tapez %1 pour quitter cette page ou <link %2>cliquez ici</link>.").arg(key, link);
}

} // namespace

void TVDAppliMan::CreatePages()
{
    m_helpForm = std::make_unique<THelpForm>();
    m_helpForm->OnClosed = [this] {
        if (caHelp && caHelp->Checked())
            caHelp->SetChecked(false);
    };
    if (!m_winControl)
        return;
    const QColor silver = TColors::ToQColor(TColors::clSilver);
    m_optionsPage = new TFullWindowPage(m_winControl, silver, QStringLiteral("OptionsPage"));
    m_customPage = new TFullWindowPage(m_winControl, silver, QStringLiteral("CustomPage"));
    m_aboutPage = new TFullWindowPage(m_winControl, m_winControl->palette().color(QPalette::Dark),
                                      QStringLiteral("AboutPage"));

    m_optionsClose = new TLinkEdit(m_optionsPage);
    m_optionsClose->setObjectName(QStringLiteral("OptionsClose"));
    m_optionsClose->setFrameShape(QFrame::NoFrame);
    m_optionsClose->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_optionsClose->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont f = m_optionsClose->font();
    f.setPointSize(8);
    f.setBold(true);
    f.setItalic(true);
    m_optionsClose->setFont(f);
    m_optionsClose->SetFontColor(TColors::ToQColor(TColors::clMaroon));
    QPalette pal = m_optionsClose->palette();
    pal.setColor(QPalette::Base, silver);
    m_optionsClose->setPalette(pal);
    m_optionsClose->resize(kCloseWidth, kCloseHeight);
    m_optionsClose->SetRichText(CloseLine(QStringLiteral("F10"), QStringLiteral("closeOptions")));
    ConnectLinks(m_optionsClose);
    m_optionsPage->installEventFilter(this);

    m_aboutFrame = new TAboutFrame;
    m_aboutPage->SetFrame(m_aboutFrame);
    ConnectLinks(m_aboutFrame->InfoText());
    ConnectLinks(m_aboutFrame->CloseLine());

    m_winControl->installEventFilter(this);
}

void TVDAppliMan::ConnectLinks(TLinkEdit *edit)
{
    edit->OnUrlClick = [this](const QString &address) { OpenWebLink(address); };
    edit->OnMailClick = [this](const QString &) {
        if (OpenUrl)
            OpenUrl(MailUrl());
    };
    edit->OnCustomLinkClick = [this](const QString &link) {
        if (link.compare(QLatin1String("closeAbout"), Qt::CaseInsensitive) == 0)
            caAbout->SetChecked(false);
        else if (link.compare(QLatin1String("closeOptions"), Qt::CaseInsensitive) == 0)
            caOptions->SetChecked(false);
    };
    edit->OnUrlHint = [](const QString &address, QString &hint) { hint = WebLinkHint(address); };
    edit->OnMailHint = [](const QString &, QString &hint) { hint = MailLinkHint(); };
    edit->OnCustomLinkHint = [](const QString &, QString &hint) { hint = CloseLinkHint(); };
}

QString TVDAppliMan::WebLinkHint(const QString &address)
{
    return QStringLiteral("Cliquez pour accéder au site web ") + address;
}

QString TVDAppliMan::MailLinkHint()
{
    return QStringLiteral("Cliquez pour envoyer un mail à ") + MakerName();
}

QString TVDAppliMan::CloseLinkHint()
{
    return QStringLiteral("Cliquez pour fermer cette page\r\net retourner à l'application");
}

bool TVDAppliMan::OpenWebLink(const QString &address)
{
    QString a = address.trimmed();
    if (a.endsWith(QChar(0x00A9)))
        a.chop(1);
    a = a.trimmed();
    if (a.isEmpty() || !OpenUrl)
        return false;
    return OpenUrl(QUrl::fromUserInput(a));
}

QWidget *TVDAppliMan::OptionsFrame() const
{
    return m_optionsPage ? m_optionsPage->Frame() : nullptr;
}

void TVDAppliMan::SetOptionsFrame(QWidget *frame)
{
    if (m_optionsPage)
        m_optionsPage->SetFrame(frame);
    if (m_optionsClose)
        m_optionsClose->raise();
}

QWidget *TVDAppliMan::CustomFrame() const
{
    return m_customPage ? m_customPage->Frame() : nullptr;
}

void TVDAppliMan::SetCustomFrame(QWidget *frame)
{
    if (m_customPage)
        m_customPage->SetFrame(frame);
}

void TVDAppliMan::SetOptionsCloseVisible(bool on)
{
    m_optionsCloseVisible = on;
    if (m_optionsClose)
        m_optionsClose->setVisible(on);
}

void TVDAppliMan::FillAbout()
{
    if (!m_aboutFrame)
        return;
    m_aboutFrame->TitleLabel()->setText(m_fullTitle);
    QString uses;
    QStringList links;
    for (int i = 0; i < TitreUses.size(); ++i)
        links << QStringLiteral("<url %1>%2</url>").arg(UrlUses.value(i), TitreUses.at(i));
    if (!links.isEmpty())
        uses = QStringLiteral("Il utilise ") + links.join(QStringLiteral(", ")) + QStringLiteral(".<br><br>");
    const QString home = TProductAddresses::HomePage();
    const QString doc = TProductAddresses::Documentation();
    const QString forum = TProductAddresses::Forum();
    const QString mail = TProductAddresses::ContactMail();
    m_aboutFrame->InfoText()->SetRichText(
        QStringLiteral("<b>%1</b> est un programme de <b>%2</b> qui extrait des images fixes des vidéos "
                       "et les enregistre, avec la date et l'heure de tournage des vidéos DV.<br><br>")
            .arg(ProductName(), MakerName()) +
        uses + QStringLiteral("Dernière mise à jour : %1<br><br>").arg(m_lastUpdate) +
        QStringLiteral("Page d'accueil : <url %1>%1</url><br>Documentation : <url %2>%2</url><br>"
                       "Forum : <url %3>%3</url><br>Contact : <mail %4>%4</mail>")
            .arg(home, doc, forum, mail));
    m_aboutFrame->WarrantyLabel()->setText(
        QStringLiteral("Ce programme est fourni tel quel, sans aucune garantie, expresse ou implicite. "
                       "Son auteur ne saurait être tenu pour responsable des dommages que pourrait causer "
                       "son utilisation."));
    m_aboutFrame->CloseLine()->SetRichText(CloseLine(QStringLiteral("F11"), QStringLiteral("closeAbout")));
}

void TVDAppliMan::ShowPage(TCheckAction *action, bool checked)
{
    if (action == caHelp) {
        if (!m_helpForm)
            return;
        if (checked) {
            m_helpForm->show();
            m_helpForm->raise();
            m_helpForm->activateWindow();
        } else {
            m_helpForm->hide();
        }
        return;
    }
    TFullWindowPage *page = action == caAbout     ? m_aboutPage.data()
                            : action == caOptions ? m_optionsPage.data()
                            : action == caCustom  ? m_customPage.data()
                                                  : nullptr;
    if (!page)
        return;
    if (!checked) {
        page->hide();
        return;
    }
    if (action == caAbout)
        FillAbout();
    if (page->Frame())
        page->ShowInFront();
}

void TVDAppliMan::SetMainHelpLists(const QList<TCustomVDActionList *> &lists)
{
    m_mainHelpLists.clear();
    for (TCustomVDActionList *l : lists)
        m_mainHelpLists << l;
    if (m_winControl && m_winControl->isVisible())
        FillHelpOnce();
}

void TVDAppliMan::AddScriptHelpLists(const QList<TCustomVDActionList *> &lists)
{
    if (m_helpFilled) {
        for (TCustomVDActionList *l : lists)
            m_helpForm->AddList(QStringLiteral("Scripts"), l);
        return;
    }
    for (TCustomVDActionList *l : lists)
        m_scriptHelpLists << l;
}

void TVDAppliMan::FillHelpOnce()
{
    if (m_helpFilled || !m_helpForm || m_mainHelpLists.isEmpty())
        return;
    m_helpFilled = true;
    for (const auto &l : std::as_const(m_mainHelpLists))
        if (l)
            m_helpForm->AddList(QStringLiteral("Framix"), l);
    for (const auto &l : std::as_const(m_scriptHelpLists))
        if (l)
            m_helpForm->AddList(QStringLiteral("Scripts"), l);
    m_scriptHelpLists.clear();
    m_helpForm->Tabs()->setCurrentIndex(0);
}

bool TVDAppliMan::eventFilter(QObject *watched, QEvent *e)
{
    // The event's type first: a page also sends events from its destructor, when it is no
    // longer of its own class and the guarded pointer must not be read as one.
    if (e->type() == QEvent::Show && watched == m_winControl)
        FillHelpOnce();
    else if (e->type() == QEvent::Resize && watched == m_optionsPage && m_optionsClose)
        m_optionsClose->move(m_optionsPage->width() - kCloseWidth - kCloseMargin,
                             m_optionsPage->height() - kCloseHeight - kCloseMargin);
    return TVDActionComponent::eventFilter(watched, e);
}
