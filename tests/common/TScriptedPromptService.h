#pragma once
// A prompt service that answers from a script and records every question and message, so that
// a test checks what was asked, with which text, and what its answer did.
#include "core/IPromptService.h"

#include <QStringList>

struct TScriptedPromptService final : IPromptService
{
    // The answers to give.
    bool yesNo = false;
    TReplaceAnswer replace = TReplaceAnswer::No;
    std::optional<TSavePreferences> saveMode = spNone;
    QString chosenFile;
    QString chosenFolder;
    QString chosenSaveFile;

    // What was asked and said. A quiet replace question asks nobody: it is only counted.
    QStringList yesNoQuestions;
    QStringList replaceQuestions;
    int quietReplaceQuestions = 0;
    QStringList saveModeTitles;
    QStringList choices;
    QStringList errors;
    QStringList reports;
    QStringList errorReports;       // the reports given as errors
    bool showsReports = true;       // what ShowsReports answers (false: as a window)
    QString openFolder, openFilter; // where the last open dialog started, and its filter

    bool AskYesNo(const QString &text, bool) override
    {
        yesNoQuestions << text;
        return yesNo;
    }
    TReplaceAnswer AskReplace(const QString &question, bool quiet) override
    {
        if (quiet) {
            ++quietReplaceQuestions;
            return TReplaceAnswer::No;
        }
        replaceQuestions << question;
        return replace;
    }
    std::optional<TSavePreferences> AskSaveMode(const QString &title) override
    {
        saveModeTitles << title;
        return saveMode;
    }
    QString ChooseOpenFile(const QString &title, const QString &folder, const QString &filter) override
    {
        choices << title;
        openFolder = folder;
        openFilter = filter;
        return chosenFile;
    }
    QString ChooseFolder(const QString &title, const QString &) override
    {
        choices << title;
        return chosenFolder;
    }
    QString ChooseSaveFile(const QString &title, const QString &, const QString &, const QString &) override
    {
        choices << title;
        return chosenSaveFile;
    }
    void ShowError(const QString &text) override { errors << text; }
    bool ShowsReports() const override { return showsReports; }
    void Report(const QString &text, bool error) override
    {
        reports << text;
        if (error)
            errorReports << text;
    }
};
