#include "actions/IScriptHost.h"

IScriptHost::~IScriptHost()
{
    // A watcher may remove others while being told: work on a copy.
    auto watchers = std::move(m_watchers);
    m_watchers.clear();
    for (auto &[ticket, w] : watchers)
        if (w)
            w();
}

int IScriptHost::AddDestroyedWatcher(TDestroyedWatcher watcher)
{
    const int t = m_nextTicket++;
    m_watchers.emplace(t, std::move(watcher));
    return t;
}

void IScriptHost::RemoveDestroyedWatcher(int ticket)
{
    m_watchers.erase(ticket);
}
