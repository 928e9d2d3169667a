// framix-manpage OUT [DATE]: writes the manual page of framix, built from the switch tables of a
// main window made for the purpose (offscreen, with preferences in a throw-away folder so that
// the build never reads nor writes a user's). Run by the build; not installed.
#include "app/FramixMain.h"
#include "app/FramixManPage.h"
#include "capture/TShowForm.h"
#include "core/THeadlessPromptService.h"

#include <gst/gst.h>

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: framix-manpage OUT [DATE]\n");
        return 2;
    }
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ensureRuntimeDir();
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Framix"));
    QApplication::setOrganizationName(QStringLiteral("Vardo"));
    QApplication::setApplicationVersion(QStringLiteral(FRAMIX_VERSION));
    THeadlessPromptService prompts;
    TShowForm form(prompts, nullptr, home.path());
    const QString date =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDate::currentDate().toString(Qt::ISODate);
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(FramixManPage(form, date).toUtf8()) < 0) {
        std::fprintf(stderr, "framix-manpage: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
