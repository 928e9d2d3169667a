#pragma once
// The application manager (the main window's `am`): the program's identity (title, version,
// language, date of the last update), the command-line switch component it creates and hands
// to every action list, the script component, and the program-wide commands: quitting, mail
// and home page, the saved window bounds, and the check actions of the help window, the script
// window and the options, custom and about pages.
//
// The script window is made here, hidden, with the script component, and caScript shows and
// hides it (closing it by its frame unchecks caScript). The options, custom and about pages are
// laid over the window (the program gives the options frame; there is no custom frame); the help
// window is made here, hidden, and filled when the window is first shown. The check actions keep
// the pages mutually exclusive and report every change through OnPageChanged.
//
// Main thread only.
#include "actions/TVDActionComponent.h"

#include "shell/TAppliPages.h"
#include "shell/TProductAddresses.h"
#include "widgets/TLinkEdit.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QUrl;
class QWidget;
class TCheckAction;
class TCustomVDActionList;
class THelpForm;
class TNopeAction;
class TRectAction;
class TScriptForm;
class TVDScript;
class TVDSwitch;

class TVDAppliMan : public TVDActionComponent
{
    Q_OBJECT
public:
    // `winControl`: the main window (its bounds are saved, naQuit closes it, pages cover it).
    explicit TVDAppliMan(QWidget *winControl = nullptr, QObject *parent = nullptr);
    ~TVDAppliMan() override;

    // --- Identity
    static QString ProductName() { return QStringLiteral("Framix"); }
    static QString MakerName() { return QStringLiteral("Vardo"); }
    // "6.2.1"
    QString Version() const { return m_version; }
    // "fr"
    QString Language() const { return m_language; }
    // "Framix 6.2.1 fr"
    QString FullTitle() const { return m_fullTitle; }
    // "08/02/2020"
    QString LastUpdate() const { return m_lastUpdate; }
    static QString HomePageUrl() { return TProductAddresses::HomePage(); }
    static QString ContactMail() { return TProductAddresses::ContactMail(); }
    // mailto: URL of a message to the maker about this program.
    QUrl MailUrl() const;

    QWidget *WinControl() const { return m_winControl; }
    void SetWinControl(QWidget *w) { m_winControl = w; }
    bool OptionsCloseVisible() const { return m_optionsCloseVisible; }
    void SetOptionsCloseVisible(bool on);

    // --- Pages (children of WinControl) and the help window
    TFullWindowPage *OptionsPage() const { return m_optionsPage; }
    TFullWindowPage *CustomPage() const { return m_customPage; }
    TFullWindowPage *AboutPage() const { return m_aboutPage; }
    QWidget *OptionsFrame() const;
    void SetOptionsFrame(QWidget *frame);
    QWidget *CustomFrame() const;
    void SetCustomFrame(QWidget *frame);
    TAboutFrame *AboutFrame() const { return m_aboutFrame; }
    TLinkEdit *OptionsCloseLine() const { return m_optionsClose; }
    THelpForm *HelpForm() const { return m_helpForm.get(); }
    // Components quoted on the about page ("Il utilise ..."), names and addresses in parallel.
    QStringList TitreUses;
    QStringList UrlUses;
    // The about page's texts for the current identity and components.
    void FillAbout();
    // A web link of the pages: a trailing "©" is dropped before the browser opens it.
    bool OpenWebLink(const QString &address);
    // Hints of the pages' links, by kind: web address, mail, close link.
    static QString WebLinkHint(const QString &address);
    static QString MailLinkHint();
    static QString CloseLinkHint();

    // The lists the help window shows under "Framix", registered when the window is first
    // shown (or at once when it already was).
    void SetMainHelpLists(const QList<TCustomVDActionList *> &lists);
    // The script window's lists, under "Scripts", always after the main window's.
    void AddScriptHelpLists(const QList<TCustomVDActionList *> &lists);

    // --- Components handed to the rest of the program
    TVDSwitch *Switch() const { return m_switch; }
    // The program's only script component, made here and handed to the action lists whose
    // actions scripts may call, and to the script window (which edits and runs its text).
    TVDScript *Script() const { return m_script; }
    // The script window (owned here; it goes before the script component).
    TScriptForm *ScriptForm() const { return m_scriptForm.get(); }

    // Opens a web or mail address in the desktop's handler (replaceable in tests).
    std::function<bool(const QUrl &url)> OpenUrl;
    // Told whenever one of the page or window check actions is applied (the action, its new
    // state), after the mutual exclusion of the pages has run.
    std::function<void(TCheckAction *action, bool checked)> OnPageChanged;

    // The window's bounds centred on the screen it is on (or the primary one), its size kept.
    QRect CenteredBounds() const;

    // --- Actions
    TCheckAction *caScript = nullptr;
    TCheckAction *caHelp = nullptr;
    TCheckAction *caAbout = nullptr;
    TCheckAction *caOptions = nullptr;
    TCheckAction *caCustom = nullptr;
    TNopeAction *naQuit = nullptr;
    TNopeAction *naEMail = nullptr;
    TNopeAction *naHomePage = nullptr;
    TRectAction *raFormSave = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
    void CreateActions() override;
    void InitActions() override;
    void FindActions() override;
    void ConnectActions() override;

private:
    void PageChanged(TCheckAction *action, bool checked);
    void RestoreBounds(const QRect &r);
    void CreatePages();
    void ShowPage(TCheckAction *action, bool checked);
    void ConnectLinks(TLinkEdit *edit);
    void FillHelpOnce();

    QPointer<QWidget> m_winControl;
    QString m_version;
    QString m_language;
    QString m_fullTitle;
    QString m_lastUpdate;
    TVDSwitch *m_switch = nullptr;
    TVDScript *m_script = nullptr;
    std::unique_ptr<TScriptForm> m_scriptForm;
    bool m_optionsCloseVisible = true;
    QPointer<TFullWindowPage> m_optionsPage;
    QPointer<TFullWindowPage> m_customPage;
    QPointer<TFullWindowPage> m_aboutPage;
    QPointer<TAboutFrame> m_aboutFrame;
    QPointer<TLinkEdit> m_optionsClose;
    std::unique_ptr<THelpForm> m_helpForm;
    QList<QPointer<TCustomVDActionList>> m_mainHelpLists;
    QList<QPointer<TCustomVDActionList>> m_scriptHelpLists;
    bool m_helpFilled = false;
};
