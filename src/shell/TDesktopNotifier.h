#pragma once
// Desktop notifications through the session bus service org.freedesktop.Notifications: one
// bubble with a summary, a body and a default action; clicking it (the "default" action) calls
// the handler given with the notification. Without a session bus or without the service
// (neither running nor activatable) nothing is shown and Notify returns false. The call is
// asynchronous: the main thread never waits for the notification server. Main thread only.
#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class TDesktopNotifier : public QObject
{
    Q_OBJECT
public:
    explicit TDesktopNotifier(QObject *parent = nullptr);

    // Shows the notification; `clicked` runs when the user clicks it (main thread). False when
    // there is nobody to show it.
    bool Notify(const QString &summary, const QString &body, std::function<void()> clicked);

    // The id the server gave the last notification (0 until it answered).
    std::uint32_t LastId() const { return m_lastId; }

    // The application's name and icon as the server shows them.
    QString AppName = QStringLiteral("Framix");
    QString AppIcon = QStringLiteral("fr.vardo.Framix");
    // The bus (tests point it at a bus of their own).
    QDBusConnection Bus = QDBusConnection::sessionBus();

private Q_SLOTS:
    void OnActionInvoked(uint id, const QString &action);
    void OnClosed(uint id, uint reason);

private:
    bool ServicePresent() const;

    bool m_connected = false;
    std::uint32_t m_lastId = 0;
    // The click handler of the notification the server knows as m_lastId.
    std::function<void()> m_clicked;
};
