#pragma once
// Keeps the desktop's screen saver (and its idle blanking) off while the main window is open,
// through the session bus service org.freedesktop.ScreenSaver (Inhibit / UnInhibit). Without a
// session bus or without the service nothing happens. The calls are asynchronous: the main
// thread never waits for a slow or absent service; a release asked before the cookie arrived
// is done when it arrives. Main thread only.
#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>

class TScreenSaverInhibitor : public QObject
{
    Q_OBJECT
public:
    explicit TScreenSaverInhibitor(QObject *parent = nullptr);
    // Releases the inhibition (if any).
    ~TScreenSaverInhibitor() override;

    // Asks for the inhibition; false when there is no session bus or no screen-saver service
    // (nothing was asked then).
    bool Inhibit(const QString &application, const QString &reason);
    // Gives the screen saver back (only when Inhibit asked for it).
    void Release();

    // An inhibition was asked and not released.
    bool Requested() const { return m_requested; }
    // The service answered with its cookie (0 until then).
    std::uint32_t Cookie() const { return m_cookie; }

    // The bus and the service's names (tests point them at a bus and a service of their own).
    QDBusConnection Bus = QDBusConnection::sessionBus();
    QString Service = QStringLiteral("org.freedesktop.ScreenSaver");
    QString Path = QStringLiteral("/org/freedesktop/ScreenSaver");
    QString Interface = QStringLiteral("org.freedesktop.ScreenSaver");

private:
    void SendUnInhibit(std::uint32_t cookie);

    bool m_requested = false;
    bool m_pending = false;
    std::uint32_t m_cookie = 0;
};
