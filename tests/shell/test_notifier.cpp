// Desktop notifications reach a notification server on a session bus of the test's own (a
// private dbus-daemon; the server is a real peer on it) and a click comes back as the handler.
#include "shell/TDesktopNotifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <functional>

namespace {

// The part of a notification server that Notify and a click need.
class FakeNotificationServer : public QDBusVirtualObject
{
public:
    QList<QList<QVariant>> notified;
    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.member() != QLatin1String("Notify") || message.arguments().size() != 8)
            return false;
        notified << message.arguments();
        return connection.send(message.createReply(QVariant::fromValue(uint(100 + notified.size()))));
    }
    // What the server sends when the user clicks notification `id`.
    static bool Click(QDBusConnection &connection, uint id, const QString &action)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << id << action;
        return connection.send(signal);
    }
};

bool WaitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(20000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST(Notifier, NotifiesTheServerAndRunsTheClickOfItsOwnNotificationOnly)
{
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty())
        GTEST_SKIP() << "no dbus-daemon";
    QProcess bus;
    bus.start(daemon, {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(bus.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return bus.canReadLine(); }));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, "fx-notify-service");
        QDBusConnection client = QDBusConnection::connectToBus(address, "fx-notify-client");
        ASSERT_TRUE(service.isConnected() && client.isConnected());

        // No server: nothing is sent, the caller knows.
        TDesktopNotifier absent;
        absent.Bus = client;
        EXPECT_FALSE(absent.Notify("s", "b", [] {}));

        FakeNotificationServer server;
        ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));
        ASSERT_TRUE(service.registerVirtualObject("/org/freedesktop/Notifications", &server));

        TDesktopNotifier notifier;
        notifier.Bus = client;
        int clicks = 0;
        ASSERT_TRUE(notifier.Notify(QStringLiteral("Capture par intervalles terminée"),
                                    QStringLiteral("12 images dans /tmp/x"), [&] { ++clicks; }));
        ASSERT_TRUE(WaitFor([&] { return notifier.LastId() == 101; }));
        ASSERT_EQ(server.notified.size(), 1);
        const QList<QVariant> &n = server.notified.first();
        EXPECT_EQ(n.at(0).toString(), "Framix");
        EXPECT_EQ(n.at(2).toString(), "fr.vardo.Framix");
        EXPECT_EQ(n.at(3).toString(), QStringLiteral("Capture par intervalles terminée"));
        EXPECT_EQ(n.at(4).toString(), QStringLiteral("12 images dans /tmp/x"));
        EXPECT_TRUE(n.at(5).toStringList().contains("default")) << "a click has an action to report";

        // Another program's notification, or another action, is not ours to act on.
        ASSERT_TRUE(FakeNotificationServer::Click(service, 7, "default"));
        ASSERT_TRUE(FakeNotificationServer::Click(service, 101, "other"));
        ASSERT_TRUE(FakeNotificationServer::Click(service, 101, "default"));
        // The server's messages arrive in order: once the answer to a later call is in, every
        // click before it has been delivered.
        ASSERT_TRUE(notifier.Notify("s", "b", [] {}));
        ASSERT_TRUE(WaitFor([&] { return notifier.LastId() == 102; }));
        EXPECT_EQ(clicks, 1);
    }
    QDBusConnection::disconnectFromBus("fx-notify-service");
    QDBusConnection::disconnectFromBus("fx-notify-client");
    bus.kill();
    bus.waitForFinished();
}
