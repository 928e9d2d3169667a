#include "shell/TScreenSaverInhibitor.h"

#include "core/FramixLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>

TScreenSaverInhibitor::TScreenSaverInhibitor(QObject *parent) : QObject(parent)
{}

TScreenSaverInhibitor::~TScreenSaverInhibitor()
{
    Release();
}

bool TScreenSaverInhibitor::Inhibit(const QString &application, const QString &reason)
{
    if (m_requested)
        return true;
    QDBusConnection bus = Bus;
    if (!bus.isConnected() || !bus.interface()) {
        qCDebug(lcShell) << "screen saver left alone: no session bus";
        return false;
    }
    // A registered name only: asking an absent service would start nothing and only fail later.
    const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(Service);
    if (!registered.isValid() || !registered.value()) {
        qCDebug(lcShell) << "screen saver left alone: no" << Service << "on the session bus";
        return false;
    }
    QDBusMessage msg = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Inhibit"));
    msg << application << reason;
    m_requested = true;
    m_pending = true;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(msg, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        m_pending = false;
        if (reply.isError()) {
            qCDebug(lcShell) << "screen saver not held off:" << reply.error().message();
            return;
        }
        if (!m_requested) {
            // Released while the answer was on its way.
            SendUnInhibit(reply.value());
            return;
        }
        m_cookie = reply.value();
        qCDebug(lcShell) << "screen saver held off, cookie" << m_cookie;
    });
    return true;
}

void TScreenSaverInhibitor::Release()
{
    if (!m_requested)
        return;
    m_requested = false;
    if (m_cookie != 0) {
        SendUnInhibit(m_cookie);
        m_cookie = 0;
    }
}

void TScreenSaverInhibitor::SendUnInhibit(std::uint32_t cookie)
{
    QDBusConnection bus = Bus;
    if (!bus.isConnected())
        return;
    QDBusMessage msg = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("UnInhibit"));
    msg << uint(cookie);
    // No reply awaited: the service drops every cookie of a client that leaves the bus anyway.
    bus.send(msg);
}
