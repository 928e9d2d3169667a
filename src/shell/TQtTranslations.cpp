#include "shell/TQtTranslations.h"

#include "core/FramixLog.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString TQtTranslations::Folder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool TQtTranslations::InstallFrench(QCoreApplication *app)
{
    if (!app)
        return false;
    // "qt_fr" gathers the modules' catalogues (qtbase_fr, ...) that Debian ships beside it.
    auto *translator = new QTranslator(app);
    if (!translator->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qt"),
                          QStringLiteral("_"), Folder())) {
        qCWarning(lcShell).noquote() << "Qt's French translations not found in" << Folder()
                                     << "(package qt6-translations-l10n): Qt's dialogs stay in English";
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
