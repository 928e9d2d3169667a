#pragma once
// The command line: every registered list's actions answer to their Switch name.
//
//   /name        nope: executed; check: toggled; value: SetValueFromText("")
//   /name=text   value: SetValueFromText(text); check: toggled
//   +name, -name check: checked / unchecked; others: as /name
//   +name=text   check: checked; value: SetValueFromText(text) (likewise -name=text)
//   /quit        once every other entry ran, the main window closes (creates no entry)
//   no prefix: DefaultAction with the text, else dropped
//   unknown name, or a value the action does not read: one line on standard error naming the
//   argument (Status()); the other entries still run
//   /dir/file    an absolute path (a "/" in the name part, or an existing file): as without prefix
//
// Names compare without regard to case; when two registered actions share a switch, the one
// registered first wins. Entries run in argument order, each completely before the next, with
// the event loop given a turn before and after each one (handlers must tolerate that).
//
// Lifecycle: the switch runs the command line once, at the application's first activation
// (ApplicationActivated(), connected to the application's state; the main window may call it
// itself). Main thread only.
#include "core/TCommandLineStatus.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;
class TCustomAbstractAction;
class TCustomVDActionList;

enum TSwitchMode { smOn, smOff, smSet, smBare };

// One pending entry of the command line.
struct TActionEx
{
    QPointer<TCustomAbstractAction> Action;
    QString Text;
    TSwitchMode Mode = smBare;
    // The argument as it was given, for the messages about it.
    QString Argument;
};

// The parsed command line; owns its entries.
class TSuperList
{
public:
    int Count() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    void Add(TCustomAbstractAction *action, const QString &text, TSwitchMode mode,
             const QString &argument = QString());
    // Shared so that an entry being executed survives a Clear from a re-entered handler.
    std::shared_ptr<TActionEx> Item(int index) const
    {
        return index >= 0 && index < Count() ? m_items[size_t(index)] : nullptr;
    }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::shared_ptr<TActionEx>> m_items;
};

class TVDSwitch : public QObject
{
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void()>;

    explicit TVDSwitch(QObject *parent = nullptr);
    ~TVDSwitch() override;

    // The application's activation handler proper (run at every activation, after the first
    // one has run the command line).
    TNotifyEvent OnActivate;
    // Run when the command line yields no entry.
    TNotifyEvent OnNoCommandLine;
    // Receives arguments without prefix and unknown switch names; none in this application.
    QPointer<TCustomAbstractAction> DefaultAction;
    // The window closed by /quit; nullptr: the first top-level QMainWindow.
    QPointer<QWidget> MainWindow;

    bool Executing() const { return m_executing; }
    bool QuitRequested() const { return m_quit; }
    const TSuperList &Pending() const { return m_pending; }
    // The run's exit status and the messages about arguments it could not use; the rest of
    // the program records its own failures here too.
    TCommandLineStatus &Status() { return m_status; }
    const TCommandLineStatus &Status() const { return m_status; }

    // Adds one table entry (key = the action's Switch, possibly empty) per typed action of the
    // list, in list order; UnregisterList removes them again.
    void RegisterList(TCustomVDActionList *list);
    void UnregisterList(TCustomVDActionList *list);
    int TableCount() const { return int(m_table.size()); }

    // The program's own arguments (QCoreApplication::arguments()), or `args` (args[0] is the
    // program and is not used). Clears the pending entries first; counting stops at the first
    // empty argument.
    void ParseCommandLine();
    void ParseCommandLine(const QStringList &args);
    // One argument: "+", "-" or "/" prefix, name up to the first "=", value text after it.
    void ParseParam(const QString &text);
    // The action of a switch name (any case); "quit" marks the quit request and gives none;
    // an unknown name gives none either.
    TCustomAbstractAction *FindSwitch(const QString &name);
    // Executes the pending entries (see the header comment); closes the main window afterwards
    // when /quit was given, even after an exception.
    void ExecuteAll();
    // The arguments Run parses instead of the program's own (args[0] is the program).
    void SetCommandLine(const QStringList &args) { m_commandLine = args; }
    // Parse, execute (or OnNoCommandLine), clear. Ignored while already executing.
    void Run();
    // Drops the entries not run yet (the program was asked to end): the one running finishes,
    // /quit still closes the window.
    void StopCommandLine() { m_pending.Clear(); }

    // Splits a command-line string by the platform's rules: blanks (codes 1 to 32) separate,
    // double quotes group and are dropped, "" where an argument would begin is skipped, a
    // null character ends the line. Argument 0 (the program) is included.
    static QStringList SplitCommandLine(const QString &commandLine);

    // First activation: OnActivate, Run; later ones: OnActivate only.
    void ApplicationActivated();
    bool CommandLineDone() const { return m_activated; }

private:
    void CloseMainWindow();

    struct Entry
    {
        QString key;
        QPointer<TCustomAbstractAction> action;
    };
    QList<Entry> m_table;
    std::optional<QStringList> m_commandLine;
    TSuperList m_pending;
    TCommandLineStatus m_status;
    bool m_quit = false;
    bool m_executing = false;
    bool m_activated = false;
    int m_current = -1;
};
