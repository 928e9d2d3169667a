#pragma once
// Questions and messages to the user. The program picks one implementation where it starts
// (TWindowPromptService: message boxes, file dialogs and the save-mode dialog;
// THeadlessPromptService: the safe answer and one line on standard error or output, for a run
// nobody watches) and hands it down; no component asks how the run is shown.
//
// Main thread only: the window implementation runs modal dialogs, so any handler may run while a
// question is open.
#include "core/TSavePreferences.h"

#include <QString>

#include <functional>
#include <optional>

// The answers to the question before an existing image is replaced.
enum class TReplaceAnswer { Yes, No, Cancel, YesToAll };

class IPromptService
{
public:
    virtual ~IPromptService() = default;

    // A warning with "&Oui" and "&Non"; true for "&Oui". Nobody to answer: `safeAnswer`.
    virtual bool AskYesNo(const QString &text, bool safeAnswer) = 0;
    // The question before an existing image is replaced ("&Oui", "&Non", "Annuler",
    // "Oui à &Tous"; closing it is "&Non"). `quiet`: the caller runs unattended (interval
    // capture) and nobody is asked; the answer is No.
    virtual TReplaceAnswer AskReplace(const QString &question, bool quiet) = 0;
    // At the first close when nothing is stored yet: where to keep the preferences. No value:
    // the question was left unanswered, and the close is called off.
    virtual std::optional<TSavePreferences> AskSaveMode(const QString &title) = 0;
    // A file to open, or a folder; empty when cancelled or when nobody can choose.
    virtual QString ChooseOpenFile(const QString &title, const QString &folder, const QString &filter) = 0;
    virtual QString ChooseFolder(const QString &title, const QString &start) = 0;
    // A file to save to (an existing one is not asked about here: the caller does); empty when
    // cancelled or when nobody can choose. `defaultSuffix` is added to a name typed without one.
    virtual QString ChooseSaveFile(const QString &title, const QString &start, const QString &filter,
                                   const QString &defaultSuffix) = 0;
    // A warning the user must acknowledge (a failed save, a private filter that did not install).
    virtual void ShowError(const QString &text) = 0;
    // What the window did with the current file (opened, could not open). A window shows it in
    // its own title and panels; a run nobody watches writes it out, errors on standard error.
    virtual void Report(const QString &text, bool error) = 0;
    // Whether Report shows its text anywhere: a report that costs work (a whole file read) is
    // only made for a service that shows it.
    virtual bool ShowsReports() const { return true; }
    // How far a long unattended run is (`done` of `total` steps). A window shows it in its own
    // panels and ignores this; a run nobody watches writes it out.
    virtual void Progress(qint64 done, qint64 total)
    {
        Q_UNUSED(done);
        Q_UNUSED(total);
    }
    // The end of a long run the user left the window for (the desktop's notification bubble);
    // `clicked` runs when the user clicks it. A run nobody watches has said it all on its
    // streams already and ignores this.
    virtual void Notify(const QString &summary, const QString &body, std::function<void()> clicked)
    {
        Q_UNUSED(summary);
        Q_UNUSED(body);
        Q_UNUSED(clicked);
    }
    // A script's showmessage: information the user acknowledges. A run nobody watches writes
    // it out instead of waiting for a click that never comes.
    virtual void ShowMessage(const QString &text) { ShowError(text); }
    // A line of the script window's message area, which shows it already. A run nobody watches
    // also writes it on standard error, so that a shell running scripts over many videos sees
    // what each run said.
    virtual void ScriptMessage(const QString &line) { (void)line; }
};
