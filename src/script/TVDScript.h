#pragma once
// The script component of the script window: holds the script text, compiles it against the
// built-in declarations and every connected action list, runs it, and gathers the messages of
// both steps for the window. Also the helpers of macro recording.
//
// Compile chain: the component's own compile handler (the built-ins, the graphics
// declarations, then OnScriptCompile) is the first link of IScriptHost's compile event; each
// action list hooked in with SetPascalScript chains its own handler after it.
//
// Scripts run on the main thread. While one runs, pending user input is handled at most every
// 100 ms; Abort() (naAbort, Esc, closing the window) stops it at its next statement with
// "Script interrompu"; a second run or a compile started meanwhile is refused. RunFinished is
// emitted at the end of every run, so that a window whose closing waited can close then.
#include "actions/IScriptHost.h"
#include "script/TScriptEngine.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class TVDScript : public QObject, public IScriptHost
{
    Q_OBJECT
public:
    explicit TVDScript(QObject *parent = nullptr);
    ~TVDScript() override;

    // --- The script text (the engine's script property)
    QStringList Script() const { return m_script; }
    void SetScript(const QStringList &lines) { m_script = lines; }
    // Folder of the script file: {$I file} is read from there.
    void SetScriptFolder(const QString &folder) { m_engine->SetScriptFolder(folder); }

    // --- Messages of the last compile or run
    const QStringList &Messages() const { return m_messages; }
    bool Compiled() const { return m_compiled; }

    void CompileScript();
    void RunScript();
    bool IsRunning() const { return m_engine->IsRunning(); }
    void Abort() { m_engine->Abort(); }

    // AddMethod: registration of a method under a declaration text (actions' AddToScript).
    bool RegisterMethod(const QString &declaration, TScriptMethod method) override;

    // Called after the built-ins are declared, on every compile (the component's OnCompile).
    std::function<void(TVDScript &sender)> OnScriptCompile;
    // How showmessage shows its text; by default a modal message box.
    std::function<void(const QString &text)> ShowMessageHandler;

    TScriptEngine &Engine() { return *m_engine; }

    // --- Macro recording. Start: `lines` becomes the recording target, is cleared and gets the
    // header, an empty line and "begin". Stop: "end." is added and recording ends.
    static void StartMacro(QStringList *lines);
    static void StopMacro();
    static bool MacroRecording();
    // "//Macro enregistrée le " + long date + " à " + long time.
    static QString MacroHeader(double dateTime);

Q_SIGNALS:
    void RunFinished();

private:
    void RegisterBuiltins();
    QString FindEntry(bool first);

    // Shared with a run in progress: an input handler that runs during the script may destroy
    // this component, and the run then unwinds on an engine that is still alive.
    std::shared_ptr<TScriptEngine> m_engine = std::make_shared<TScriptEngine>();
    QStringList m_script;
    QStringList m_messages;
    bool m_compiled = false;
    // File search of findfirst/findnext: the folder with its trailing separator and the names
    // still to hand out.
    QString m_searchFolder;
    QStringList m_searchEntries;
};
