#pragma once
// The prompt service of a run with a screen: message boxes, the Qt file dialogs and the
// save-mode dialog (TSavePrefsForm), modal. The boxes are centred on the parent window once the
// program has one; the save-mode dialog is made at its first use as that window's child (the
// window's destruction takes it along) and is deleted with the service otherwise.
//
// Main thread only.
#include "core/IPromptService.h"

#include <QPointer>
#include <QString>

class QWidget;
class TSavePrefsForm;

class TWindowPromptService final : public IPromptService
{
public:
    // `caption`: the title of the message boxes (the product's name).
    explicit TWindowPromptService(const QString &caption);
    ~TWindowPromptService() override;
    TWindowPromptService(const TWindowPromptService &) = delete;
    TWindowPromptService &operator=(const TWindowPromptService &) = delete;

    void SetParentWindow(QWidget *window);
    // The save-mode dialog (made when first needed).
    TSavePrefsForm *SaveModeDialog();

    bool AskYesNo(const QString &text, bool safeAnswer) override;
    TReplaceAnswer AskReplace(const QString &question, bool quiet) override;
    std::optional<TSavePreferences> AskSaveMode(const QString &title) override;
    QString ChooseOpenFile(const QString &title, const QString &folder, const QString &filter) override;
    QString ChooseFolder(const QString &title, const QString &start) override;
    QString ChooseSaveFile(const QString &title, const QString &start, const QString &filter,
                           const QString &defaultSuffix) override;
    void ShowMessage(const QString &text) override;
    void ShowError(const QString &text) override;
    // The window shows what it did in its own panels: nothing more to say.
    void Report(const QString &text, bool error) override;
    // The window shows what it did in its own title and panels.
    bool ShowsReports() const override { return false; }
    // Through the notifier given (the desktop's notification service); nothing without one.
    void Notify(const QString &summary, const QString &body, std::function<void()> clicked) override;
    using TNotifier =
        std::function<void(const QString &summary, const QString &body, std::function<void()> clicked)>;
    void SetNotifier(TNotifier notifier) { m_notifier = std::move(notifier); }

private:
    QString m_caption;
    QPointer<QWidget> m_parent;
    QPointer<TSavePrefsForm> m_saveDialog;
    TNotifier m_notifier;
};

// The save dialog both the prompt service and the file managers show: AnyFile, the default
// suffix, start preselected, no overwrite question (callers ask about an existing target
// themselves). Empty when cancelled. Main thread.
QString ChooseSaveFileDialog(QWidget *parent, const QString &title, const QString &start,
                             const QString &filter, const QString &defaultSuffix);
