#include "core/TCommandLineStatus.h"

int TCommandLineStatus::Rank(TRunFailure f)
{
    switch (f) {
    case TRunFailure::None:
        return 0;
    case TRunFailure::GrabFailed:
        return 1;
    case TRunFailure::OpenFailed:
        return 2;
    case TRunFailure::BadArgument:
        return 3;
    }
    return 0;
}

void TCommandLineStatus::Fail(TRunFailure failure)
{
    if (Rank(failure) > Rank(m_worst))
        m_worst = failure;
}

void TCommandLineStatus::Say(const QString &line)
{
    ++m_messages;
    if (OnMessage) {
        OnMessage(line);
        return;
    }
    std::fprintf(m_err, "%s\n", qPrintable(line));
    std::fflush(m_err);
}

void TCommandLineStatus::UnknownArgument(const QString &argument)
{
    Fail(TRunFailure::BadArgument);
    Say(QStringLiteral("Argument inconnu : %1").arg(argument));
}

void TCommandLineStatus::BadValue(const QString &argument, const QString &value, const QString &expected)
{
    Fail(TRunFailure::BadArgument);
    QString line = QStringLiteral("Valeur incorrecte pour %1 : « %2 »").arg(argument, value);
    if (!expected.isEmpty())
        line += QStringLiteral(" (attendu : %1)").arg(expected);
    Say(line);
}

void TCommandLineStatus::NotAvailable(const QString &argument)
{
    Fail(TRunFailure::GrabFailed);
    Say(QStringLiteral("Commande indisponible ici : %1").arg(argument));
}

void TCommandLineStatus::MissingFile(const QString &path)
{
    Fail(TRunFailure::OpenFailed);
    Say(QStringLiteral("Fichier introuvable : %1").arg(path));
}

QString TCommandLineStatus::StatusHelp()
{
    return QStringLiteral("  0  tout ce qui était demandé a été fait\n"
                          "  1  une vidéo n'a pas pu être ouverte\n"
                          "  2  un argument de la ligne de commande n'a pas été compris\n"
                          "  3  une capture ou un enregistrement a échoué\n");
}
