#pragma once
// Typed actions: every command and setting of the program is an action with a face (caption,
// hint, image, shortcuts), a command-line switch, a script procedure and a place in the
// preferences. Menus, buttons and shortcuts reach an action through QAction::triggered, which
// runs PrepareAndApply; the command line runs SetValueFromText or the check setter; scripts
// call the procedures registered by AddToScript.
//
// Everything here runs on the main thread. An action belongs to the nearest window (or object
// marked as an owner scope) above the owner given at construction, which deletes it; it may be
// listed in one action list (TCustomVDActionList), which only references it.
//
// Macro recording: while MacroLines points at a list, every value set and every nope action
// applied from outside another action's apply handlers appends one Pascal line to it.
#include "actions/IScriptRegistrar.h"

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class TCustomVDActionList;
class TImageList;
class TVardoPreferences;

using TImageChangedEvent = std::function<void(TImageList *images, int imageIndex)>;

class TCustomAbstractAction : public QAction
{
    Q_OBJECT
public:
    // An ordinary action owned by the nearest window above `owner` (or `owner`'s topmost
    // ancestor, or `owner` itself without a parent).
    explicit TCustomAbstractAction(QObject *owner = nullptr);
    // CreateInternal: an action of a manager component, listed in `list`, found again by
    // `internalId`, category "internal".
    TCustomAbstractAction(const QString &internalId, TCustomVDActionList *list);
    ~TCustomAbstractAction() override;

    // The object that owns actions created for `owner`: the nearest window widget, or an
    // object with the dynamic property "vdOwnerScope" set, walking up the parents.
    static QObject *OwnerScope(QObject *owner);

    // --- Name: unique among the components of the owner (name, name2, name3 ...). A Caption
    // or ScriptName equal to the old name without its two-letter prefix, and an InternalId
    // equal to the old name, follow the new name.
    QString Name() const { return objectName(); }
    void SetName(const QString &name);

    // --- Face
    QString Caption() const { return text(); }
    void SetCaption(const QString &caption) { setText(caption); }
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    QKeySequence ShortCut() const { return m_shortCut; }
    void SetShortCut(const QKeySequence &shortCut);
    QList<QKeySequence> SecondaryShortcuts() const { return m_secondary; }
    void SetSecondaryShortcuts(const QList<QKeySequence> &shortcuts);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Visible() const { return isVisible(); }
    void SetVisible(bool visible) { setVisible(visible); }
    // AutoCheck: a trigger toggles the toolkit's checked state before PrepareAndApply runs.
    // Without it a checkable action keeps its checked state when triggered.
    bool AutoCheck() const { return m_autoCheck; }
    void SetAutoCheck(bool autoCheck);

    // --- Bindings
    QString Category() const { return m_category; }
    void SetCategory(const QString &category) { m_category = category; }
    // Script procedure name and preference key.
    QString ScriptName() const { return m_scriptName; }
    void SetScriptName(const QString &name) { m_scriptName = name; }
    // Command-line switch name without its prefix character; empty: none.
    QString Switch() const { return m_switch; }
    void SetSwitch(const QString &name) { m_switch = name; }
    bool ApplyWhenLoad() const { return m_applyWhenLoad; }
    void SetApplyWhenLoad(bool b) { m_applyWhenLoad = b; }
    bool IncludePrefs() const { return m_includePrefs; }
    void SetIncludePrefs(bool b) { m_includePrefs = b; }
    // Help text (rich-text markup of the link label allowed).
    QStringList Comments() const { return m_comments; }
    void SetComments(const QStringList &lines) { m_comments = lines; }
    // Parameter names of the script declaration and of the switch syntax; filled with the
    // class's default the first time either text is produced while it is empty.
    QString Variables() const { return m_variables; }
    void SetVariables(const QString &v) { m_variables = v; }
    QString InternalId() const { return m_internalId; }
    void SetInternalId(const QString &id) { m_internalId = id; }

    TCustomVDActionList *ActionList() const;
    // Moves the action into `list` (nullptr: out of any list), at the end.
    void SetActionList(TCustomVDActionList *list);

    // Fired when ImageIndex changes while the action is in a list.
    TImageChangedEvent OnImageChanged;

    // --- Operations
    // Registers the action's script procedure(s); the registered methods hold only a guarded
    // pointer to the action and do nothing once it is gone.
    virtual bool AddToScript(IScriptRegistrar &script) = 0;
    // The execute handler (menus, buttons, shortcuts, help window).
    virtual void PrepareAndApply() = 0;
    virtual QString GetScriptDeclaration() = 0;
    virtual QString GetSwitchSyntax() = 0;
    // Clears Category, ScriptName, the shortcuts and every internal handler.
    virtual void ResetBindings();
    // The command line's text for this action.
    virtual void SetValueFromText(const QString &text) = 0;
    // Whether SetValueFromText reads `text` as a value of this action; when not, `expected`
    // (when given) receives what would have been read, in French ("un entier de 0 à 100").
    // The command line refuses such an argument instead of applying a fallback value.
    virtual bool AcceptsText(const QString &text, QString *expected = nullptr) const;
    // Runs the apply events with the current value.
    virtual void Apply() = 0;
    // Exception-guarded: false when a handler or the store threw.
    virtual bool LoadFromPrefs(TVardoPreferences &prefs) = 0;
    virtual bool SaveToPrefs(TVardoPreferences &prefs) = 0;

    // --- Macro recording (main thread only)
    static QStringList *MacroLines;
    static bool MacroNested;
    // Told after each line appended to MacroLines (the script window shows it at once).
    static std::function<void(const QString &line)> MacroLineAdded;

protected:
    // Sets Variables to `def` when it is empty and returns it.
    QString TakeVariables(const QString &def);
    // The registered script methods call back through this guard.
    QPointer<TCustomAbstractAction> Self() { return QPointer<TCustomAbstractAction>(this); }
    // Refreshes the toolkit icon from the list's images.
    void UpdateIcon();

    // Scope of one recorded application. Enter appends the line (unless `record` is false, as
    // for the check action named "Script") and sets MacroNested when recording and not nested;
    // the scope clears MacroNested again at its end, also when a handler throws.
    class MacroScope
    {
    public:
        MacroScope() = default;
        ~MacroScope();
        MacroScope(const MacroScope &) = delete;
        MacroScope &operator=(const MacroScope &) = delete;
        void Enter(const QString &line, bool record = true);

    private:
        bool m_owns = false;
    };
    // True when a recorded line would be written now.
    static bool Recording() { return MacroLines && !MacroNested; }

private:
    void Init();
    void ApplyShortcuts();

    QString m_hint;
    int m_imageIndex = -1;
    QKeySequence m_shortCut;
    QList<QKeySequence> m_secondary;
    bool m_autoCheck = false;
    QString m_category;
    QString m_scriptName;
    QString m_switch;
    bool m_applyWhenLoad = false;
    bool m_includePrefs = true;
    QStringList m_comments;
    QString m_variables;
    QString m_internalId;
    QPointer<TCustomVDActionList> m_actionList;
};

// The parent of the classes that publish the face properties; a check action derives from
// TCustomAbstractAction directly, its face following its state.
class TAbstractAction : public TCustomAbstractAction
{
    Q_OBJECT
public:
    using TCustomAbstractAction::TCustomAbstractAction;
};

// Script argument conversions shared by the action classes (a script may pass an integer
// where a double is declared, and so on).
namespace TScriptArgs {
std::int64_t ToInt(const TScriptValue &v);
double ToDouble(const TScriptValue &v);
bool ToBool(const TScriptValue &v);
QString ToString(const TScriptValue &v);
// The argument at `i`, monostate when missing.
inline const TScriptValue &Arg(const std::vector<TScriptValue> &args, size_t i)
{
    static const TScriptValue none;
    return i < args.size() ? args[i] : none;
}
} // namespace TScriptArgs
