// Test entry point shared by every test program.
// Each run gets its own XDG_CONFIG_HOME (the user's preferences are never touched),
// runs on the offscreen Qt platform and has GStreamer initialised once.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char **argv)
{
    QTemporaryDir configHome(QDir::tempPath() + "/framix-test-config-XXXXXX");
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
