// The screen saver is held off through the session bus while the window is open.
#include "shell/TScreenSaverInhibitor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <functional>

namespace {

// The desktop's screen-saver service as far as inhibiting goes.
class FakeScreenSaver : public QDBusVirtualObject
{
public:
    QStringList calls;
    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QList<QVariant> args = message.arguments();
        if (message.member() == "Inhibit" && args.size() == 2) {
            calls << "Inhibit " + args[0].toString() + " / " + args[1].toString();
            return connection.send(message.createReply(QVariant::fromValue(uint(42))));
        }
        if (message.member() == "UnInhibit" && args.size() == 1) {
            calls << "UnInhibit " + QString::number(args[0].toUInt());
            return connection.send(message.createReply());
        }
        return false;
    }
};

// Waits (event loop running) until done() or a generous deadline, which only guards against a hang.
bool WaitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(20000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST(ScreenSaver, InhibitedWhileOpenAndGivenBackOnce)
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
        QDBusConnection service = QDBusConnection::connectToBus(address, "fx-saver-service");
        QDBusConnection client = QDBusConnection::connectToBus(address, "fx-saver-client");
        ASSERT_TRUE(service.isConnected() && client.isConnected());

        // Without the service nothing is asked.
        TScreenSaverInhibitor absent;
        absent.Bus = client;
        EXPECT_FALSE(absent.Inhibit("Framix", "Lecture"));
        EXPECT_FALSE(absent.Requested());

        FakeScreenSaver saver;
        ASSERT_TRUE(service.registerService("org.freedesktop.ScreenSaver"));
        ASSERT_TRUE(service.registerVirtualObject("/org/freedesktop/ScreenSaver", &saver));
        {
            TScreenSaverInhibitor inhibitor;
            inhibitor.Bus = client;
            EXPECT_TRUE(inhibitor.Inhibit("Framix", "Lecture"));
            ASSERT_TRUE(WaitFor([&] { return inhibitor.Cookie() == 42; }));
            EXPECT_EQ(saver.calls, QStringList{"Inhibit Framix / Lecture"});
            inhibitor.Release();
            inhibitor.Release();
        } // the destructor releases nothing more
        EXPECT_TRUE(WaitFor([&] { return saver.calls.size() == 2; }));
        QCoreApplication::processEvents();
        EXPECT_EQ(saver.calls, QStringList({"Inhibit Framix / Lecture", "UnInhibit 42"}));

        // Released before the answer came: the cookie is given back when it arrives.
        {
            TScreenSaverInhibitor early;
            early.Bus = client;
            EXPECT_TRUE(early.Inhibit("Framix", "Lecture"));
            early.Release();
            EXPECT_TRUE(WaitFor([&] { return saver.calls.size() == 4; }));
        }
        EXPECT_EQ(saver.calls.last(), "UnInhibit 42");
    }
    QDBusConnection::disconnectFromBus("fx-saver-service");
    QDBusConnection::disconnectFromBus("fx-saver-client");
    bus.terminate();
    bus.waitForFinished();
}
