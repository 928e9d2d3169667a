#pragma once
// The common machinery of the actions that hold a value (text, integer, colour, double,
// boolean, font, point, rectangle). Owners read and write Value directly; the events are
// plain std::function members, published ones (On..., BeforeSave) for the application and
// Internal... ones for the manager component that owns the action (assigned in its
// ConnectActions). Each internal handler runs right after its published counterpart.
#include "actions/TCustomAbstractAction.h"
#include "core/FramixLog.h"

#include <functional>

template <typename T> class TValueAction : public TAbstractAction
{
public:
    using ValueType = T;
    // A prepare event fills or adjusts the value and returns false to cancel.
    using TPrepareEvent = std::function<bool(T &)>;
    // An apply event receives the value being applied.
    using TApplyEvent = std::function<void(const T &)>;

    T Value{};
    T DefaultValue{};

    TPrepareEvent OnPrepare;
    TPrepareEvent OnDefault;
    TPrepareEvent BeforeSave;
    TApplyEvent OnBeforeApply;
    TApplyEvent OnAfterApply;

    TPrepareEvent InternalPrepare;
    TPrepareEvent InternalDefault;
    TPrepareEvent InternalBeforeSave;
    TApplyEvent InternalApply;

    using TAbstractAction::TAbstractAction;

    void SetDefaultValue(const T &v) { DefaultValue = v; }

    // Stores the value, records the macro line and applies. A boolean action stops when the
    // value does not change; every other class applies (and records) again.
    void SetValue(const T &v)
    {
        if (SkipsUnchanged() && v == Value)
            return;
        Value = v;
        MacroScope scope;
        if (Recording())
            scope.Enter(MacroLine());
        Apply();
    }

    // Nothing happens unless a prepare handler is assigned: the handlers fill a scratch value
    // (each must return true), which then goes to SetValue.
    void PrepareAndApply() override
    {
        if (!OnPrepare && !InternalPrepare)
            return;
        T scratch = ScratchValue();
        if (auto f = OnPrepare; f && !f(scratch))
            return;
        if (auto f = InternalPrepare; f && !f(scratch))
            return;
        SetValue(scratch);
    }

    void Apply() override
    {
        // Each handler gets the value as it is when its turn comes (an earlier handler may
        // have changed it); handlers are copied so that one may reassign itself.
        if (auto f = OnBeforeApply) {
            const T v = Value;
            f(v);
        }
        if (auto f = InternalApply) {
            const T v = Value;
            f(v);
        }
        if (auto f = OnAfterApply) {
            const T v = Value;
            f(v);
        }
    }

    // OnDefault/InternalDefault may adjust DefaultValue; Value := the stored value or the
    // default; applied when ApplyWhenLoad. Nothing is recorded.
    bool LoadFromPrefs(TVardoPreferences &prefs) override
    {
        try {
            if (auto f = OnDefault)
                f(DefaultValue);
            if (auto f = InternalDefault)
                f(DefaultValue);
            Value = ReadPrefs(prefs, DefaultValue);
            if (ApplyWhenLoad())
                Apply();
            return true;
        } catch (...) {
            // The handlers are the application's: whatever they throw fails this one action.
            qCWarning(lcActions).noquote()
                << "loading" << Name() << "from the preferences:" << currentExceptionText();
            return false;
        }
    }

    // BeforeSave/InternalBeforeSave may change Value itself; then Value is written.
    bool SaveToPrefs(TVardoPreferences &prefs) override
    {
        try {
            if (auto f = BeforeSave)
                f(Value);
            if (auto f = InternalBeforeSave)
                f(Value);
            return WritePrefs(prefs, Value);
        } catch (...) {
            qCWarning(lcActions).noquote()
                << "saving" << Name() << "to the preferences:" << currentExceptionText();
            return false;
        }
    }

    QString GetScriptDeclaration() override
    {
        return QStringLiteral("procedure ") + ScriptName() + QStringLiteral("(const ") +
               TakeVariables(DefaultVariables()) + u':' + TypeWord() + QStringLiteral(");");
    }

    QString GetSwitchSyntax() override { return u'/' + Switch() + u'=' + TakeVariables(DefaultVariables()); }

    bool AddToScript(IScriptRegistrar &script) override
    {
        QPointer<TCustomAbstractAction> self = Self();
        auto *typed = this;
        return script.RegisterMethod(GetScriptDeclaration(),
                                     [self, typed](const std::vector<TScriptValue> &args) -> TScriptValue {
                                         if (self)
                                             typed->SetValue(typed->FromScript(args));
                                         return {};
                                     });
    }

    void ResetBindings() override
    {
        TAbstractAction::ResetBindings();
        InternalPrepare = nullptr;
        InternalDefault = nullptr;
        InternalBeforeSave = nullptr;
        InternalApply = nullptr;
    }

    // The line SetValue records for the current value ("    Digits(4);").
    virtual QString MacroLine() const = 0;

protected:
    virtual bool SkipsUnchanged() const { return false; }
    virtual T ScratchValue() const { return T{}; }
    virtual QString TypeWord() const = 0;
    virtual QString DefaultVariables() const = 0;
    virtual T ReadPrefs(TVardoPreferences &prefs, const T &def) = 0;
    virtual bool WritePrefs(TVardoPreferences &prefs, const T &v) = 0;
    // The value of a script call's arguments.
    virtual T FromScript(const std::vector<TScriptValue> &args) const = 0;

    // "    " + ScriptName + "(" + args + ");"
    QString CallLine(const QString &args) const
    {
        return QStringLiteral("    ") + ScriptName() + u'(' + args + QStringLiteral(");");
    }
};
