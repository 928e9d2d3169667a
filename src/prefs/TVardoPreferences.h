#pragma once
// The application's preferences component (the main window's `gp`): it owns the store of the
// current mode (per-user store, portable Framix.ini beside the program, or none), chooses it
// when the owner window is first shown, asks where to save at the first close when no store
// exists yet, and offers typed reads with defaults and typed writes on the store's current key.
//
// Main thread only. Reads never fail towards the caller: a missing or unreadable value gives
// the caller's default. In mode spNone every read gives its default and every write (and
// OpenKey, CloseKey, GetKeyNames) reports false.
//
// Hooking the owner window: give the window to the constructor. An event filter then runs
// FormShow() on every (non-spontaneous) show event (only the first one loads) and FormCloseQuery() on every
// close event, refusing the close when it says so. The window's own show and close-query code is passed with
// SetFormHandlers(); it runs inside those hooks, in the order the lifecycle needs (show: after the store is
// opened, before OnLoadPrefs; close: first). After a completed close query the hooks are given back: from
// then on only the window's own handlers run.
//
// The question at the first close goes through the prompt service given with SetPromptService();
// without one it stays unanswered and the close is called off.
#include "core/TColors.h"
#include "core/TSavePreferences.h"
#include "prefs/TFontDesc.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QDateTime;
class QWidget;
class IPromptService;
class TPreferencesMan;

class TVardoPreferences;
using TChangeModeEvent = std::function<void(TSavePreferences mode)>;
using TLoadPrefsEvent = std::function<void(TVardoPreferences &gp)>;
using TSavePrefsEvent = std::function<void(TVardoPreferences &gp)>;

class TVardoPreferences : public QObject
{
    Q_OBJECT
public:
    // `ownerForm`: the window whose show and close-query drive loading and saving (none: call
    // FormShow/FormCloseQuery yourself). `programFolder`: where the portable ini file lives;
    // empty means the executable's folder.
    explicit TVardoPreferences(QWidget *ownerForm = nullptr, const QString &programFolder = QString(),
                               QObject *parent = nullptr);
    ~TVardoPreferences() override;

    // The application's bare name: the per-user store's key and the ini file's name.
    QString titre = QStringLiteral("Framix");
    // Written as "Version" at every save.
    QString version;

    TChangeModeEvent OnChangeMode;
    TLoadPrefsEvent OnLoadPrefs;
    TSavePrefsEvent OnSavePrefs;
    // The save of a close could not reach the disk (read-only file or folder, full disk): the
    // French sentence to show, naming the file and the reason. The store on disk is as it was.
    std::function<void(const QString &message)> OnSaveFailed;

    TSavePreferences Mode() const { return m_mode; }
    // Switches stores at once when the mode differs: the new store is opened and the other
    // modes' data deleted; values reach the new store at the next save.
    void SetMode(TSavePreferences mode);

    // The folder of the portable ini file, with a trailing separator.
    QString ProgramFolder() const { return m_programFolder; }
    // programFolder + titre + ".ini"
    QString IniFileName() const;

    // --- Typed operations on the current key
    bool OpenKey(const QString &name);
    bool CloseKey();
    bool GetKeyNames(QStringList &list);

    bool ReadBool(const QString &key, bool def);
    int ReadInteger(const QString &key, int def);
    double ReadFloat(const QString &key, double def);
    QString ReadString(const QString &key, const QString &def);
    QPoint ReadPoint(const QString &key, const QPoint &def);
    // Right = left() + width(), as the stores keep it.
    QRect ReadRect(const QString &key, const QRect &def);
    // A font that cannot be read completely is the whole default.
    TFontDesc ReadFont(const QString &key, const TFontDesc &def);

    bool WriteBool(const QString &key, bool value);
    bool WriteInteger(const QString &key, int value);
    bool WriteFloat(const QString &key, double value);
    bool WriteString(const QString &key, const QString &value);
    bool WritePoint(const QString &key, const QPoint &value);
    bool WriteRect(const QString &key, const QRect &value);
    bool WriteFont(const QString &key, const TFontDesc &value);

    // --- Lifecycle (normally driven by the owner window's events)
    // The mode the files on disk call for: Framix.ini in the program folder, else the per-user
    // store, else none.
    TSavePreferences DetectMode() const;
    // Frees the current store (an ini store writes its file then), opens the store of Mode(),
    // calls OnChangeMode and deletes the data of the other modes.
    void OpenStore();
    // "Version", "Dernière Sauvegarde" (dd/mm/yyyy hh:mm:ss, now) and "ExeName" at the current key.
    bool SaveInfo(const QString &ver);
    // The text of "Dernière Sauvegarde": dd/mm/yyyy hh:mm:ss.
    static QString SaveStamp(const QDateTime &when);
    // Installs `store` as the store of `mode` without detection and without deleting anything
    // (tests and tools that bring their own store).
    void UseStore(TSavePreferences mode, std::unique_ptr<TPreferencesMan> store);
    TPreferencesMan *Store() const { return m_store.get(); }

    // The owner window's own handlers (see the header comment).
    void SetFormHandlers(std::function<void()> onShow, std::function<void(bool &canClose)> onCloseQuery);
    // Show hook, the first time: process pending events, detect the mode, open its store, the
    // window's own show handler, OnLoadPrefs. Later shows run the window's own handler only.
    void FormShow();
    // Close-query hook; canClose false keeps the window open. The save dialog is shown
    // modally when no store exists yet.
    void FormCloseQuery(bool &canClose);
    // Asks where to save, when no store exists yet and the question was not answered during
    // this close yet. False: the question was left unanswered and the close is called off. The
    // window's own close handler calls it before it tears anything down, so that a cancelled
    // question leaves the window as it was; the close query then asks no more.
    bool SettleModeForClose();
    // True until a close query completed (then only the window's own handlers run).
    bool FormHooked() const { return m_hooked; }

    // Who asks where to save at the first close (not owned; it outlives this component).
    void SetPromptService(IPromptService *prompts) { m_prompts = prompts; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool Active() const { return m_mode != spNone && m_store; }
    // "Impossible d'enregistrer les préférences dans <file> : <reason>".
    QString SaveFailureText() const;

    TSavePreferences m_mode = spNone;
    std::unique_ptr<TPreferencesMan> m_store;
    QString m_programFolder;
    QPointer<QWidget> m_ownerForm;
    IPromptService *m_prompts = nullptr;
    std::function<void()> m_formOnShow;
    std::function<void(bool &)> m_formOnCloseQuery;
    bool m_hooked = true;
    bool m_loaded = false;
    bool m_modeSettled = false; // the save question was answered (its answer may be "none")
};
