#include "capture/TShowForm.h"

#include <QFileInfo>
#include <cstdio>

TShowForm::TShowForm(bool headless, QWidget *parent) : QMainWindow(parent), m_headless(headless)
{
    setWindowTitle(QStringLiteral("Framix"));
    resize(640, 480);
}

bool TShowForm::processCommandLine(const QStringList &args)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("-platform")) {
            ++i;
            continue;
        }
        if (a == QLatin1String("--version")) {
            std::printf("Framix %s\n", FRAMIX_VERSION);
            return false;
        }
        if (a == QLatin1String("--help")) {
            std::printf("framix [/switch[=valeur]] [+switch] [-switch] [quit] [fichier]\n");
            return false;
        }
        if (a.compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0) {
            m_quit = true;
            continue;
        }
        if (QFileInfo(a).isFile())
            m_fileToOpen = QFileInfo(a).absoluteFilePath();
    }
    return true;
}
