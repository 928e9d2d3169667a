#pragma once
// What an action list needs of the script component: the registrar it hands to its actions,
// a compile event into which lists chain their handlers, and word of its destruction.
//
// The script component (TVDScript) derives from this class and calls the current OnCompile
// handler when it compiles a script, passing itself; that handler is the last list hooked in,
// which calls the handler it replaced before registering its own actions, down to the
// component's own handler that declares the built-ins. Main thread only.
#include "actions/IScriptRegistrar.h"

#include <functional>
#include <map>

class IScriptHost : public IScriptRegistrar
{
public:
    using TCompileEvent = std::function<void(IScriptHost &sender)>;
    using TDestroyedWatcher = std::function<void()>;

    IScriptHost() = default;
    IScriptHost(const IScriptHost &) = delete;
    IScriptHost &operator=(const IScriptHost &) = delete;
    // Tells every watcher that the host is going away.
    ~IScriptHost() override;

    const TCompileEvent &OnCompile() const { return m_onCompile; }
    void SetOnCompile(TCompileEvent handler) { m_onCompile = std::move(handler); }

    // Runs the compile chain (the script component calls it when it compiles).
    void RunCompileEvent()
    {
        if (auto f = m_onCompile)
            f(*this);
    }

    // Called once when the host is destroyed; returns a ticket for RemoveDestroyedWatcher.
    int AddDestroyedWatcher(TDestroyedWatcher watcher);
    void RemoveDestroyedWatcher(int ticket);

private:
    TCompileEvent m_onCompile;
    std::map<int, TDestroyedWatcher> m_watchers;
    int m_nextTicket = 1;
};
