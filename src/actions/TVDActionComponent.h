#pragma once
// The base of every manager component (file manager, navigation, video, audio ...): an action
// list that creates and drives its own actions, with a message receiver (the hidden message
// window) whose messages arrive in the virtual WndProc on the main thread.
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
// Messages: Receiver() is the address other threads post or send to (see TMessageReceiver
// for the threading rules); PostMessage/SendMessage are shortcuts. Managers override WndProc
// for their own message numbers and pass the rest to the base, which answers 0.
#include "actions/TCustomVDActionList.h"
#include "core/TMessageReceiver.h"

#include <any>
#include <memory>

class TVDActionComponent : public TCustomVDActionList
{
    Q_OBJECT
public:
    explicit TVDActionComponent(QObject *parent = nullptr);
    ~TVDActionComponent() override;

    TMessageReceiver *Receiver() { return &m_window; }
    // Any thread: queue a message for WndProc.
    void PostMessage(unsigned msg, std::uint64_t wParam = 0, std::int64_t lParam = 0, std::any payload = {});
    // Any thread: WndProc handles it (at once on the main thread); returns its result, or 0
    // when the send was abandoned (gate cancelled, component destroyed).
    std::int64_t SendMessage(unsigned msg, std::uint64_t wParam = 0, std::int64_t lParam = 0,
                             std::any payload = {}, TSendGate *gate = nullptr);

    // After the actions were made elsewhere: FindActions, then ConnectActions.
    void Loaded();
    bool Built() const { return m_built; }

protected:
    // Main thread. The base answers every message with result 0.
    virtual void WndProc(TMessage &message);
    virtual void ConnectActions() {}
    virtual void CreateActions() {}
    virtual void FindActions() {}
    virtual void InitActions() {}

    // CreateActions, InitActions, ConnectActions; runs once.
    void BuildActions();
    // Main thread: from now on WndProc is never called again; messages still arriving are
    // answered with 0 (senders are released, never left waiting). A manager whose destructor
    // waits on the pipeline (which services sent messages) calls it first, so no message
    // reaches a half-destroyed manager. The receiver itself lives until the base destructor,
    // by which time the manager has stopped the threads that post to it.
    void CloseMessageWindow();

private:
    bool m_built = false;
    bool m_closed = false; // main thread only
    // A member, not a pointer: other threads reach it by address, and nothing they read is
    // written when it is destroyed (after the destructor body, which closes it).
    TMessageReceiver m_window;
};
