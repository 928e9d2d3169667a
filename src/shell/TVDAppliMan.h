#pragma once
// The application manager (the main window's `am`): the program's identity (title, version,
// language, date of the last update), the command-line switch component it creates and hands
// to every action list, the script component, and the program-wide commands: quitting, mail
// and home page, the saved window bounds, and the check actions of the help window, the script
// window and the options, custom and about pages.
//
// The script window is made here, hidden, with the script component, and caScript shows and
// hides it (closing it by its frame unchecks caScript). The pages and the help window are not
// built here yet: the check actions keep their mutual exclusion (options, about and custom are
// never on together) and report every change through OnPageChanged, to which the page and
// window code connects.
//
// Main thread only.
#include "actions/TVDActionComponent.h"

#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QUrl;
class QWidget;
class TCheckAction;
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
    static QString HomePageUrl() { return QStringLiteral("https://framix.vardo.example/"); }
    static QString ContactMail() { return QStringLiteral("contact@vardo.example"); }
    // mailto: URL of a message to the maker about this program.
    QUrl MailUrl() const;

    QWidget *WinControl() const { return m_winControl; }
    void SetWinControl(QWidget *w) { m_winControl = w; }
    bool OptionsCloseVisible = true;

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
    void CreateActions() override;
    void InitActions() override;
    void FindActions() override;
    void ConnectActions() override;

private:
    void PageChanged(TCheckAction *action, bool checked);
    void RestoreBounds(const QRect &r);

    QPointer<QWidget> m_winControl;
    QString m_version;
    QString m_language;
    QString m_fullTitle;
    QString m_lastUpdate;
    TVDSwitch *m_switch = nullptr;
    TVDScript *m_script = nullptr;
    std::unique_ptr<TScriptForm> m_scriptForm;
};
