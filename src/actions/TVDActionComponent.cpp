#include "actions/TVDActionComponent.h"

TVDActionComponent::TVDActionComponent(QObject *parent)
    : TCustomVDActionList(parent), m_window([this](TMessage &m) {
          // The handler runs on the main thread only, like CloseMessageWindow.
          if (!m_closed)
              WndProc(m);
      })
{}

TVDActionComponent::~TVDActionComponent()
{
    // The derived parts are gone already: nothing may reach WndProc from here on. The
    // receiver, destroyed next, abandons pending sends and drops posted messages.
    m_closed = true;
}

void TVDActionComponent::PostMessage(unsigned msg, std::uint64_t wParam, std::int64_t lParam,
                                     std::any payload)
{
    m_window.post(TMessage{msg, wParam, lParam, std::move(payload), 0});
}

std::int64_t TVDActionComponent::SendMessage(unsigned msg, std::uint64_t wParam, std::int64_t lParam,
                                             std::any payload, TSendGate *gate)
{
    TMessage m{msg, wParam, lParam, std::move(payload), 0};
    return m_window.send(m, gate) ? m.result : 0;
}

void TVDActionComponent::CloseMessageWindow()
{
    m_closed = true;
}

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
