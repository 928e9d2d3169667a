#include "shell/TVDAppliMan.h"

#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "actions/TRectAction.h"
#include "actions/TVDSwitch.h"
#include "script/TVDScript.h"
#include "shell/TAppliPages.h"
#include "shell/THelpForm.h"
#include "shell/TScriptForm.h"
#include "widgets/TVDIcons.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QUrlQuery>
#include <QWidget>

TVDAppliMan::TVDAppliMan(QWidget *winControl, QObject *parent)
    : TVDActionComponent(parent), m_winControl(winControl)
{
    m_version = QString::asprintf("%d.%d.%d", 6, 2, 1);
    m_language = QStringLiteral("fr");
    m_fullTitle = ProductName() + u' ' + m_version + u' ' + m_language;
    m_lastUpdate = QString::asprintf("%.2d/%.2d/%.4d", 8, 2, 2020);
    OpenUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };

    BuildActions();

    // The switch component serves every list of the program; this one registers first.
    m_switch = new TVDSwitch(this);
    m_switch->MainWindow = winControl;
    SetSwitch(m_switch);
    m_script = new TVDScript(this);
    m_scriptForm = std::make_unique<TScriptForm>(m_script);
    m_scriptForm->OnClosed = [this] {
        if (caScript->Checked())
            caScript->SetChecked(false);
    };
    CreatePages();
}

TVDAppliMan::~TVDAppliMan()
{
    // The window edits the script component's text and may be running it: it goes first.
    m_scriptForm.reset();
    // The pages belong to the window, which may outlive this component: they go with it.
    if (m_winControl)
        m_winControl->removeEventFilter(this);
    delete m_optionsPage.data();
    delete m_customPage.data();
    delete m_aboutPage.data();
}

QUrl TVDAppliMan::MailUrl() const
{
    QUrl url(QStringLiteral("mailto:") + ContactMail());
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("subject"), QStringLiteral("A propos de ") + m_fullTitle);
    q.addQueryItem(QStringLiteral("body"), QString());
    url.setQuery(q);
    return url;
}

void TVDAppliMan::CreateActions()
{
    caScript = new TCheckAction(QStringLiteral("caScript"), this);
    caHelp = new TCheckAction(QStringLiteral("caHelp"), this);
    caAbout = new TCheckAction(QStringLiteral("caAbout"), this);
    caOptions = new TCheckAction(QStringLiteral("caOptions"), this);
    caCustom = new TCheckAction(QStringLiteral("caCustom"), this);
    naQuit = new TNopeAction(QStringLiteral("naQuit"), this);
    naEMail = new TNopeAction(QStringLiteral("naEMail"), this);
    naHomePage = new TNopeAction(QStringLiteral("naHomePage"), this);
    raFormSave = new TRectAction(QStringLiteral("raFormSave"), this);
}

void TVDAppliMan::InitActions()
{
    auto base = [](TCustomAbstractAction *a, const QString &shortcut) {
        a->SetName(a->InternalId());
        a->SetScriptName(a->InternalId().mid(2));
        a->SetShortCut(QKeySequence(shortcut));
        a->SetIncludePrefs(true);
    };
    auto check = [&](TCheckAction *a, const QString &shortcut, const QString &caption, int image,
                     const QString &trueHint = QString(), const QString &falseHint = QString()) {
        base(a, shortcut);
        a->SetTrueCaption(caption);
        a->SetFalseCaption(caption);
        a->SetTrueImageIndex(image);
        a->SetFalseImageIndex(image);
        a->SetTrueHint(trueHint);
        a->SetFalseHint(falseHint);
    };
    auto nope = [&](TNopeAction *a, const QString &shortcut, const QString &caption, const QString &hint,
                    int image) {
        base(a, shortcut);
        a->SetCaption(caption);
        a->SetHint(hint);
        a->SetImageIndex(image);
    };
    check(caScript, QStringLiteral("F12"), QStringLiteral("Scripts"), TVDIcons::imgScript,
          QStringLiteral("Cliquez pour fermer la page des Scripts"),
          QStringLiteral("Cliquez pour ouvrir la page des Scripts"));
    check(caHelp, QStringLiteral("F1"), QStringLiteral("Aide"), TVDIcons::imgHelp,
          QStringLiteral("Cliquez pour fermer la page des Aides"),
          QStringLiteral("Cliquez pour ouvrir la page des Aides"));
    check(caAbout, QStringLiteral("F11"), QStringLiteral("A Propos..."), TVDIcons::imgAbout);
    check(caOptions, QStringLiteral("F10"), QStringLiteral("Options"), TVDIcons::imgOptions);
    check(caCustom, QStringLiteral("Alt+F10"), QStringLiteral("Custom"), TVDIcons::imgOptions);
    caCustom->SetDefaultValue(false);
    nope(naQuit, QStringLiteral("Alt+F4"), QStringLiteral("Quitter"),
         QStringLiteral("Quitter %1").arg(ProductName()), TVDIcons::imgQuit);
    nope(naEMail, QStringLiteral("Alt+F5"), QStringLiteral("E-mail"),
         QStringLiteral("Envoyer un e-mail à %1").arg(MakerName()), TVDIcons::imgEMail);
    nope(naHomePage, QStringLiteral("Alt+F6"), QStringLiteral("Homepage"),
         QStringLiteral("Ouvrir la Page d'Accueil de %1").arg(ProductName()), TVDIcons::imgHomePage);
    base(raFormSave, QString());
    raFormSave->SetApplyWhenLoad(true);
}

void TVDAppliMan::FindActions()
{
    caScript = FindByInternalId<TCheckAction>(QStringLiteral("caScript"));
    caHelp = FindByInternalId<TCheckAction>(QStringLiteral("caHelp"));
    caAbout = FindByInternalId<TCheckAction>(QStringLiteral("caAbout"));
    caOptions = FindByInternalId<TCheckAction>(QStringLiteral("caOptions"));
    caCustom = FindByInternalId<TCheckAction>(QStringLiteral("caCustom"));
    naQuit = FindByInternalId<TNopeAction>(QStringLiteral("naQuit"));
    naEMail = FindByInternalId<TNopeAction>(QStringLiteral("naEMail"));
    naHomePage = FindByInternalId<TNopeAction>(QStringLiteral("naHomePage"));
    raFormSave = FindByInternalId<TRectAction>(QStringLiteral("raFormSave"));
}

void TVDAppliMan::ConnectActions()
{
    for (TCheckAction *a : {caScript, caHelp, caAbout, caOptions, caCustom}) {
        a->InternalTrueApply = [this, a] { PageChanged(a, true); };
        a->InternalFalseApply = [this, a] { PageChanged(a, false); };
    }
    naQuit->InternalApply = [this] {
        if (m_winControl)
            m_winControl->close();
    };
    naEMail->InternalApply = [this] {
        if (OpenUrl)
            OpenUrl(MailUrl());
    };
    naHomePage->InternalApply = [this] {
        if (OpenUrl)
            OpenUrl(QUrl(HomePageUrl()));
    };
    raFormSave->InternalDefault = [this](TRectValue &v) {
        v = TRectValue::fromQRect(CenteredBounds());
        return true;
    };
    raFormSave->InternalBeforeSave = [this](TRectValue &v) {
        if (m_winControl)
            v = TRectValue::fromQRect(m_winControl->isMaximized() || m_winControl->isFullScreen()
                                          ? m_winControl->normalGeometry()
                                          : m_winControl->geometry());
        return true;
    };
    raFormSave->InternalApply = [this](const TRectValue &v) { RestoreBounds(v.toQRect()); };
}

void TVDAppliMan::PageChanged(TCheckAction *action, bool checked)
{
    if (action == caScript && m_scriptForm) {
        if (checked)
            m_scriptForm->ShowForm();
        else
            m_scriptForm->HideForm();
    }
    // The three full-window pages exclude one another.
    if (checked && (action == caAbout || action == caOptions || action == caCustom)) {
        for (TCheckAction *other : {caAbout, caOptions, caCustom})
            if (other != action && other->Checked())
                other->SetChecked(false);
    }
    ShowPage(action, checked);
    if (OnPageChanged)
        OnPageChanged(action, checked);
}

QRect TVDAppliMan::CenteredBounds() const
{
    QScreen *screen = m_winControl ? m_winControl->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QSize size = m_winControl ? m_winControl->size() : QSize(800, 600);
    if (!screen)
        return QRect(QPoint(0, 0), size);
    QRect r(QPoint(0, 0), size);
    r.moveCenter(screen->availableGeometry().center());
    return r;
}

void TVDAppliMan::RestoreBounds(const QRect &r)
{
    if (!m_winControl)
        return;
    // Bounds saved on a screen that is gone (or never valid) would put the window out of
    // reach: such a window keeps its size and is centred instead.
    bool reachable = false;
    for (QScreen *s : QGuiApplication::screens())
        reachable = reachable || s->availableGeometry().intersects(r);
    if (r.width() <= 0 || r.height() <= 0 || !reachable) {
        if (r.width() > 0 && r.height() > 0)
            m_winControl->resize(r.size());
        m_winControl->setGeometry(CenteredBounds());
        return;
    }
    m_winControl->setGeometry(r);
}
