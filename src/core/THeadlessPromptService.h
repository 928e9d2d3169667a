#pragma once
// The prompt service of a run nobody watches (offscreen platform): every question gets its safe
// answer at once and says so in one line, so that a log of the run shows what was decided; the
// reports go to standard output (errors to standard error). Main thread only.
#include "core/IPromptService.h"

#include <cstdio>

class THeadlessPromptService final : public IPromptService
{
public:
    // The streams stay the caller's (tests hand temporary files).
    explicit THeadlessPromptService(std::FILE *out = stdout, std::FILE *err = stderr);

    // "<text on one line> -> &Oui (sans affichage)" or "... -> &Non (sans affichage)".
    bool AskYesNo(const QString &text, bool safeAnswer) override;
    // No, with "<first line of the question> -> Non".
    TReplaceAnswer AskReplace(const QString &question, bool quiet) override;
    // spNone, with "Enregistrement des préférences -> Aucun (sans affichage)": nothing is stored
    // by a run nobody watches.
    std::optional<TSavePreferences> AskSaveMode(const QString &title) override;
    // Empty, with "<title> : aucun choix (sans affichage)".
    QString ChooseOpenFile(const QString &title, const QString &folder, const QString &filter) override;
    QString ChooseFolder(const QString &title, const QString &start) override;
    QString ChooseSaveFile(const QString &title, const QString &start, const QString &filter,
                           const QString &defaultSuffix) override;
    // The text on one line.
    void ShowError(const QString &text) override;
    // The text as it is.
    void Report(const QString &text, bool error) override;
    // On standard error: on a terminal one line rewritten in place, otherwise a line at every
    // tenth of the run (and at its end), so that a log stays short.
    void Progress(qint64 done, qint64 total) override;
    // The line as it is, on standard error.
    void ScriptMessage(const QString &line) override;

    // True once a report or an unanswered choice was written: the run has said something about
    // what it was asked to open.
    bool Reported() const { return m_reported; }

private:
    void WriteLine(std::FILE *stream, const QString &line);
    static QString OneLine(QString text);

    std::FILE *m_out;
    std::FILE *m_err;
    bool m_reported = false;
    // The last tenth written to a log.
    int m_lastTenth = -1;
    // A progress line rewritten in place on a terminal is not ended yet: the next line starts
    // on a line of its own.
    bool m_progressOpen = false;
};
