#pragma once
// The base of every manager component (file manager, navigation, video, audio ...): an action
// list that creates and drives its own actions. A manager that takes messages from other threads
// owns a typed receiver for exactly those (core/TMessageReceiver.h).
//
// Construction protocol (no form designer: managers build their actions in code):
//   * CreateActions(): create each action with its internal constructor,
//       m_digits = new TIntegerAction(QStringLiteral("iaDigits"), this);
//     (category "internal", listed here, owned by the window above this component);
//   * InitActions(): give them their defaults (name, caption, hint, shortcut, image, script
//     name, switch, ApplyWhenLoad, IncludePrefs, DefaultValue);
//   * ConnectActions(): run-time captions and hints, and the internal handlers
//       m_digits->InternalApply = [this](const int &v) { ... };
//   * FindActions(): fill the action fields again by FindByInternalId when the actions were
//     made elsewhere (Loaded() runs FindActions then ConnectActions).
// A concrete manager ends its constructor with BuildActions(), which runs CreateActions,
// InitActions and ConnectActions once (virtual calls only reach the most-derived overrides
// once its constructor body runs). A manager class that others derive from gives them a
// protected constructor that does not call BuildActions, and each override calls its base's
// version first.
//
// Messages: a manager declares its receiver before its other members, closes it first thing in
// its destructor (so no message reaches it half-destroyed) and makes sure that the threads that
// post or send to it have stopped, or no longer see it, before the receiver goes.
#include "actions/TCustomVDActionList.h"

#include <memory>

class TVDActionComponent : public TCustomVDActionList
{
    Q_OBJECT
public:
    explicit TVDActionComponent(QObject *parent = nullptr);
    ~TVDActionComponent() override;

    // After the actions were made elsewhere: FindActions, then ConnectActions.
    void Loaded();
    bool Built() const { return m_built; }

protected:
    virtual void ConnectActions() {}
    virtual void CreateActions() {}
    virtual void FindActions() {}
    virtual void InitActions() {}

    // CreateActions, InitActions, ConnectActions; runs once.
    void BuildActions();

private:
    bool m_built = false;
};
