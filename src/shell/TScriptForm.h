#pragma once
// The script window: an editor for the script text (QScintilla, Pascal colouring), a message
// area for the compiler's and the run's messages, a file manager for script files
// (`ficman_script`), and its own list `al_script` (its bounds, execute F5, start macro F3,
// stop macro F4). It edits and runs the text of the program's only script component, which
// the application manager owns and hands in.
//
// Created hidden with the new-file template; the main window shows and hides it through its
// script command, binds its help and close buttons, gives its caption, loads and saves its two
// lists under the section "ScriptForm", and routes its keys.
//
// Macro recording lasts from start to stop, across showing and hiding; the editor shows each
// line the moment it is recorded. Main thread only.
#include "script/TVDScript.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>

class QLabel;
class QGroupBox;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QsciScintilla;
class QAction;
class TCustomAbstractAction;
class TCustomVDActionList;
class TFichierMan;
class TImageList;
class TNopeAction;
class TRectAction;
class TVDActionList;
class TVDBar;
class TVDImgSpeedButton;
class TVDSeparator;

class TScriptForm : public QMainWindow
{
    Q_OBJECT
public:
    // `script` outlives the window (the application manager owns it).
    explicit TScriptForm(TVDScript *script, TImageList *images = nullptr, QWidget *parent = nullptr);
    ~TScriptForm() override;

    static QRect DefaultBounds() { return {300, 300, 800, 560}; }
    static QStringList NewFileTemplate();
    static QString StateNew() { return QStringLiteral("Nouveau"); }
    static QString StateOpen() { return QStringLiteral("Ouvert"); }
    static QString StateSaved() { return QStringLiteral("Enregistré"); }
    static QString StateModified() { return QStringLiteral("Modifié"); }

    // --- Show and hide (the script command of the application manager)
    void ShowForm();
    void HideForm();

    // --- Bindings given by the main window
    // The help button and the "Afficher l'Aide" item run `help`; the closing button and
    // "Fermer" run `close`.
    void BindCommands(TCustomAbstractAction *help, TCustomAbstractAction *close);
    // Told when the user closes the window by its frame (the owner unchecks its command).
    std::function<void()> OnClosed;
    // Told of every line added to the message area (a run nobody watches writes them out).
    std::function<void(const QString &line)> OnMessage;

    // --- Text
    QStringList EditorLines() const;
    void SetEditorLines(const QStringList &lines);
    QStringList MemoLines() const;
    // Adds a line to the message area.
    void AddMessage(const QString &line);

    // --- Commands
    // Compiles and runs the editor's text (naExecuteMacro); true when both succeeded.
    bool Execute();
    void StartMacro();
    void StopMacro();
    // Opens a script file as the file manager's open does (the current file is asked to be
    // saved first); false when it could not be read.
    bool OpenScript(const QString &path);

    // --- Components
    TVDActionList *actionList() const { return al_script; }
    TFichierMan *fileMan() const { return ficman_script; }
    // The lists of the window, in the order the help window lists them, under HelpHeading().
    QList<TCustomVDActionList *> HelpLists() const;
    static QString HelpHeading() { return QStringLiteral("Scripts"); }
    TVDScript *script() const { return m_script; }
    QsciScintilla *editor() const { return Editor; }
    QPlainTextEdit *memo() const { return Memo; }
    QLabel *fileNamePanel() const { return m_panelName; }
    QLabel *fileStatePanel() const { return m_panelState; }
    QPushButton *executeButton() const { return m_execute; }
    QMenu *scriptsMenu() const { return m_scriptsMenu; }
    QMenu *macrosMenu() const { return m_macrosMenu; }
    TVDBar *toolBar() const { return ScriptBar; }

    // --- Actions of al_script
    TRectAction *raScriptFormSave = nullptr;
    TNopeAction *naExecuteMacro = nullptr;
    TNopeAction *naStartMacro = nullptr;
    TNopeAction *naStopMacro = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateActions();
    void CreateControls();
    void CreateMenus();
    void ConfigureFileMan();
    void SetupEditor();
    void RunLayout();
    void SetStatus(const QString &state);
    bool LoadFile(const QString &path);
    void SaveFile(const QString &path);
    void EditorChanged();

    QPointer<TVDScript> m_script;
    TImageList *m_images = nullptr;
    TVDActionList *al_script = nullptr;
    TFichierMan *ficman_script = nullptr;

    TVDBar *ScriptBar = nullptr;
    TVDSeparator *sep = nullptr;
    TVDImgSpeedButton *m_helpButton = nullptr;
    TVDImgSpeedButton *m_closeButton = nullptr;
    QsciScintilla *Editor = nullptr;
    QPlainTextEdit *Memo = nullptr;
    QWidget *Panel = nullptr;
    QPushButton *m_execute = nullptr;
    QGroupBox *m_macros = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QLabel *m_panelName = nullptr;
    QLabel *m_panelState = nullptr;
    QMenu *m_scriptsMenu = nullptr;
    QMenu *m_macrosMenu = nullptr;
    QAction *m_helpItem = nullptr;
    QAction *m_closeItem = nullptr;
    QPointer<TCustomAbstractAction> m_helpCommand;
    QPointer<TCustomAbstractAction> m_closeCommand;

    // The recording target while a macro is recorded.
    QStringList m_macroLines;
    // Set while the window itself replaces the editor's text (file events, recording): such a
    // change is not the user's edit.
    bool m_settingText = false;
};
