#include "prefs/TWindowPromptService.h"

#include "prefs/TSavePrefsForm.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

TWindowPromptService::TWindowPromptService(const QString &caption) : m_caption(caption)
{}

TWindowPromptService::~TWindowPromptService()
{
    delete m_saveDialog.data();
}

void TWindowPromptService::SetParentWindow(QWidget *window)
{
    m_parent = window;
}

TSavePrefsForm *TWindowPromptService::SaveModeDialog()
{
    if (!m_saveDialog)
        m_saveDialog = new TSavePrefsForm(m_parent.data());
    return m_saveDialog.data();
}

bool TWindowPromptService::AskYesNo(const QString &text, bool)
{
    QMessageBox box(QMessageBox::Warning, m_caption, text, QMessageBox::NoButton, m_parent.data());
    QAbstractButton *yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

TReplaceAnswer TWindowPromptService::AskReplace(const QString &question, bool quiet)
{
    if (quiet)
        return TReplaceAnswer::No;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Avertissement"),
                    QString(question).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::NoButton, m_parent.data());
    QPushButton *yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    QPushButton *all = box.addButton(QStringLiteral("Oui à &Tous"), QMessageBox::YesRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no); // closing the dialog is "&Non"
    box.exec();
    const QAbstractButton *clicked = box.clickedButton();
    if (clicked == yes)
        return TReplaceAnswer::Yes;
    if (clicked == all)
        return TReplaceAnswer::YesToAll;
    if (clicked == cancel)
        return TReplaceAnswer::Cancel;
    return TReplaceAnswer::No;
}

std::optional<TSavePreferences> TWindowPromptService::AskSaveMode(const QString &title)
{
    TSavePrefsForm *dialog = SaveModeDialog();
    dialog->setWindowTitle(title);
    if (!dialog->Ask())
        return std::nullopt;
    return dialog->ChosenMode();
}

QString TWindowPromptService::ChooseOpenFile(const QString &title, const QString &folder,
                                             const QString &filter)
{
    return QFileDialog::getOpenFileName(nullptr, title, folder, filter);
}

QString TWindowPromptService::ChooseFolder(const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(nullptr, title, start);
}

QString ChooseSaveFileDialog(QWidget *parent, const QString &title, const QString &start,
                             const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dlg(parent, title, start, filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(defaultSuffix);
    dlg.selectFile(start);
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().first();
}

QString TWindowPromptService::ChooseSaveFile(const QString &title, const QString &start,
                                             const QString &filter, const QString &defaultSuffix)
{
    return ChooseSaveFileDialog(m_parent.data(), title, start, filter, defaultSuffix);
}

void TWindowPromptService::ShowError(const QString &text)
{
    QMessageBox::warning(m_parent.data(), m_caption, text);
}

void TWindowPromptService::ShowMessage(const QString &text)
{
    QMessageBox::information(m_parent.data(), m_caption, text);
}

void TWindowPromptService::Report(const QString &, bool)
{}

void TWindowPromptService::Notify(const QString &summary, const QString &body, std::function<void()> clicked)
{
    if (m_notifier)
        m_notifier(summary, body, std::move(clicked));
}
