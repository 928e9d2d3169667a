#include "actions/TVDActionComponent.h"

TVDActionComponent::TVDActionComponent(QObject *parent) : TCustomVDActionList(parent)
{
    // The handler runs on the main thread only, like CloseMessageWindow.
    m_window = std::make_unique<TMessageReceiver>([this](TMessage &m) {
        if (!m_closed)
            WndProc(m);
    });
}

TVDActionComponent::~TVDActionComponent()
{
    // Destroying the receiver abandons pending sends and drops posted messages; the derived
    // parts are gone already, so nothing may reach WndProc from here on.
    m_closed = true;
    m_window.reset();
}

void TVDActionComponent::PostMessage(unsigned msg, std::uint64_t wParam, std::int64_t lParam,
                                     std::any payload)
{
    m_window->post(TMessage{msg, wParam, lParam, std::move(payload), 0});
}

std::int64_t TVDActionComponent::SendMessage(unsigned msg, std::uint64_t wParam, std::int64_t lParam,
                                             std::any payload, TSendGate *gate)
{
    TMessage m{msg, wParam, lParam, std::move(payload), 0};
    return m_window->send(m, gate) ? m.result : 0;
}

void TVDActionComponent::CloseMessageWindow() { m_closed = true; }

void TVDActionComponent::Loaded()
{
    FindActions();
    ConnectActions();
}

void TVDActionComponent::WndProc(TMessage &message)
{
    message.result = 0;
}

void TVDActionComponent::BuildActions()
{
    if (m_built)
        return;
    m_built = true;
    CreateActions();
    InitActions();
    ConnectActions();
}
