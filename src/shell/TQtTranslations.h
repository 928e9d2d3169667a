#pragma once
// Qt's own words (file and folder dialogs, colour and font dialogs, message-box buttons, the
// context menu of text fields) in the language of Framix's interface, French: Qt's French
// catalogues from Debian's qt6-translations-l10n, looked up where this Qt keeps its
// translations. Main thread, once, after the application object exists.
#include <QString>

class QCoreApplication;

class TQtTranslations
{
public:
    // Installs the French catalogues (the translator belongs to app); false when none could be
    // loaded (the package is missing), and Qt's words stay English.
    static bool InstallFrench(QCoreApplication *app);
    // The folder searched for the catalogues.
    static QString Folder();
};
