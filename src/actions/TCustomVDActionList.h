#pragma once
// An ordered list of actions with an image list, loaded from and saved to the preferences as a
// whole, and connected to the script component (its actions become script procedures) and to
// the switch component (their switches become command-line arguments).
//
// The list references its actions; their owner (a window, or the list's owner scope) deletes
// them, and an action leaves the list when it is destroyed. Main thread only.
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class IScriptHost;
class TCustomAbstractAction;
class TImageList;
class TVDSwitch;
class TVardoPreferences;

using TListLoadEvent = std::function<bool(TVardoPreferences &gp)>;
using TListSaveEvent = std::function<bool(TVardoPreferences &gp)>;

class TCustomVDActionList : public QObject
{
    Q_OBJECT
public:
    explicit TCustomVDActionList(QObject *parent = nullptr);
    ~TCustomVDActionList() override;

    // Run after the list's actions were loaded / saved; false makes the list's result false.
    TListLoadEvent OnLoadFromPrefs;
    TListSaveEvent OnSaveToPrefs;

    // --- Contents, in list order
    int ActionCount() const { return int(m_actions.size()); }
    QAction *Action(int index) const { return m_actions.value(index); }
    QList<QAction *> Actions() const { return m_actions; }
    // The typed actions, in list order.
    QList<TCustomAbstractAction *> TypedActions() const;
    // Appends `action` (a typed action is better moved with its SetActionList). An action
    // already listed stays where it is.
    void AddAction(QAction *action);
    void RemoveAction(QAction *action);

    TImageList *Images() const;
    // The list does not own the image list.
    void SetImages(TImageList *images);

    // The first typed action whose InternalId equals `id` (case-sensitive), or nullptr.
    TCustomAbstractAction *FindByInternalId(const QString &id) const;
    // Typed lookup: FindByInternalId<TIntegerAction>("iaDigits").
    template <class A> A *FindByInternalId(const QString &id) const
    {
        return dynamic_cast<A *>(FindByInternalId(id));
    }

    // Every included typed action's LoadFromPrefs in list order, then OnLoadFromPrefs. False
    // when any of them failed (the others still ran); an exception ends the pass with false.
    bool LoadFromPrefs(TVardoPreferences &gp);
    bool SaveToPrefs(TVardoPreferences &gp);

    // --- Script hook: the list chains its compile handler into the script's compile event;
    // the saved handler runs first, then AddToScript of every typed action in list order.
    // Setting nullptr unhooks the list and gives the script its saved handler back.
    IScriptHost *PascalScript() const { return m_script; }
    void SetPascalScript(IScriptHost *script);

    // --- Switch: the old switch forgets the list, the new one registers its actions.
    TVDSwitch *Switch() const;
    void SetSwitch(TVDSwitch *sw);

private:
    void AddActionsToScript(IScriptHost &script);
    void ForgetScript();

    QList<QAction *> m_actions;
    QPointer<TImageList> m_images;
    IScriptHost *m_script = nullptr;
    int m_scriptWatcher = 0;
    std::function<void(IScriptHost &)> m_savedCompile;
    QPointer<TVDSwitch> m_switch;
};

// The list placed on windows (the main window's gpal, the script window's al_script).
class TVDActionList : public TCustomVDActionList
{
    Q_OBJECT
public:
    using TCustomVDActionList::TCustomVDActionList;
};
