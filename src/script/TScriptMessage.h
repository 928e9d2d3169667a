#pragma once
// A compiler message and its text as the script window shows it:
// "[Erreur] (3:5): identificateur inconnu 'Grabb'"; in an included file the file's name comes
// before the position: "[Erreur] outils.inc (3:5): ...".
#include <QString>

struct TScriptMessage
{
    enum class EKind { Error, Warning, Hint };
    EKind kind = EKind::Error;
    QString file; // empty: the script itself
    int line = 0;
    int col = 0;
    QString text;

    QString render() const
    {
        const char *k = kind == EKind::Error     ? "[Erreur]"
                        : kind == EKind::Warning ? "[Avertissement]"
                                                 : "[Conseil]";
        QString out = QString::fromUtf8(k) + QLatin1Char(' ');
        if (!file.isEmpty())
            out += file + QLatin1Char(' ');
        return out + QStringLiteral("(%1:%2): ").arg(line).arg(col) + text;
    }
};
