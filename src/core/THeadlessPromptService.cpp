#include "core/THeadlessPromptService.h"

#include <unistd.h>

#include <algorithm>

THeadlessPromptService::THeadlessPromptService(std::FILE *out, std::FILE *err) : m_out(out), m_err(err)
{}

void THeadlessPromptService::WriteLine(std::FILE *stream, const QString &line)
{
    // A line after an in-place progress line starts on a line of its own.
    if (m_progressOpen) {
        std::fputc('\n', m_err);
        m_progressOpen = false;
    }
    std::fprintf(stream, "%s\n", qPrintable(line));
    std::fflush(stream);
}

QString THeadlessPromptService::OneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\n', u' ');
    return text;
}

bool THeadlessPromptService::AskYesNo(const QString &text, bool safeAnswer)
{
    WriteLine(m_err, OneLine(text) + QStringLiteral(" -> ") +
                         (safeAnswer ? QStringLiteral("&Oui (sans affichage)")
                                     : QStringLiteral("&Non (sans affichage)")));
    return safeAnswer;
}

TReplaceAnswer THeadlessPromptService::AskReplace(const QString &question, bool)
{
    // The question's first line names the file; the rest explains "Oui à Tous".
    WriteLine(m_err, question.section(u'\r', 0, 0) + QStringLiteral(" -> Non"));
    return TReplaceAnswer::No;
}

std::optional<TSavePreferences> THeadlessPromptService::AskSaveMode(const QString &)
{
    WriteLine(m_err, QStringLiteral("Enregistrement des préférences -> Aucun (sans affichage)"));
    return spNone;
}

QString THeadlessPromptService::ChooseOpenFile(const QString &title, const QString &, const QString &)
{
    m_reported = true;
    WriteLine(m_err, title + QStringLiteral(" : aucun choix (sans affichage)"));
    return QString();
}

QString THeadlessPromptService::ChooseFolder(const QString &title, const QString &)
{
    m_reported = true;
    WriteLine(m_err, title + QStringLiteral(" : aucun choix (sans affichage)"));
    return QString();
}

QString THeadlessPromptService::ChooseSaveFile(const QString &title, const QString &, const QString &,
                                               const QString &)
{
    m_reported = true;
    WriteLine(m_err, title + QStringLiteral(" : aucun choix (sans affichage)"));
    return QString();
}

void THeadlessPromptService::ShowError(const QString &text)
{
    WriteLine(m_err, OneLine(text));
}

void THeadlessPromptService::Report(const QString &text, bool error)
{
    m_reported = true;
    WriteLine(error ? m_err : m_out, text);
}

void THeadlessPromptService::Progress(qint64 done, qint64 total)
{
    if (total <= 0)
        return;
    const int percent = int(std::clamp<qint64>(done * 100 / total, 0, 100));
    const QString text =
        QStringLiteral("Capture par intervalles : %1/%2 (%3 %)").arg(done).arg(total).arg(percent);
    if (isatty(fileno(m_err))) {
        std::fprintf(m_err, "\r%s\033[K", qPrintable(text));
        m_progressOpen = done < total;
        if (!m_progressOpen)
            std::fputc('\n', m_err);
        std::fflush(m_err);
        return;
    }
    const int tenth = percent / 10;
    if (tenth == m_lastTenth)
        return;
    m_lastTenth = tenth;
    WriteLine(m_err, text);
    if (done >= total)
        m_lastTenth = -1;
}

void THeadlessPromptService::ScriptMessage(const QString &line)
{
    m_reported = true;
    WriteLine(m_err, line);
}
