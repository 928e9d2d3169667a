#include "shell/TDesktopNotifier.h"

#include "core/FramixLog.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

TDesktopNotifier::TDesktopNotifier(QObject *parent) : QObject(parent)
{}

bool TDesktopNotifier::ServicePresent() const
{
    QDBusConnection bus = Bus;
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(kService);
    if (registered.isValid() && registered.value())
        return true;
    // Many desktops start their notification server on the first call (bus activation).
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(kService);
}

bool TDesktopNotifier::Notify(const QString &summary, const QString &body, std::function<void()> clicked)
{
    if (!ServicePresent()) {
        qCDebug(lcShell) << "no notification: no" << kService << "on the session bus";
        return false;
    }
    QDBusConnection bus = Bus;
    if (!m_connected) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(OnClosed(uint, uint)));
        m_connected = true;
    }
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions{QStringLiteral("default"), QStringLiteral("Afficher le dossier")};
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("fr.vardo.Framix"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the
    // server's default).
    msg << AppName << uint(0) << AppIcon << summary << body << actions << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(msg, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, clicked = std::move(clicked)](QDBusPendingCallWatcher *w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (reply.isError()) {
                    qCDebug(lcShell) << "notification not shown:" << reply.error().message();
                    return;
                }
                m_lastId = reply.value();
                m_clicked = clicked;
            });
    return true;
}

void TDesktopNotifier::OnActionInvoked(uint id, const QString &action)
{
    if (id != m_lastId || id == 0 || action != QLatin1String("default") || !m_clicked)
        return;
    // Run a copy: the handler may show another notification.
    const std::function<void()> clicked = m_clicked;
    clicked();
}

void TDesktopNotifier::OnClosed(uint id, uint)
{
    if (id == m_lastId)
        m_clicked = nullptr;
}
