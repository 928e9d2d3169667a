// The main window's side of the script window: the three actions of gpal that serve scripts
// (run the script window's text, keep its last file, its folder), the batch switch that loads
// and runs a script file, the script window's caption, buttons, key routing and preferences.
//
// A run that fails while the command line executes makes the program's exit status 1, so that
// a shell loop over many videos sees which ones failed.
#include "capture/TShowForm.h"

#include "actions/TCheckAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TNopeAction.h"
#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"
#include "core/IPromptService.h"
#include "prefs/TVardoPreferences.h"
#include "script/TVDScript.h"
#include "shell/TFichierMan.h"
#include "shell/TKeyDispatcher.h"
#include "shell/TScriptForm.h"
#include "shell/TVDAppliMan.h"

#include <QDir>
#include <QStandardPaths>

namespace {

const QString kScriptSection = QStringLiteral("ScriptForm");

} // namespace

QString TShowForm::DocumentsFolder()
{
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty() || !QDir(docs).exists())
        docs = QDir::homePath();
    return docs;
}

TScriptForm *TShowForm::scriptForm() const
{
    return am ? am->ScriptForm() : nullptr;
}

void TShowForm::AddScriptActions()
{
    TScriptForm *form = scriptForm();
    auto make = [this](auto *a, const QString &category, const QString &scriptName, const QString &sw,
                       const QString &shortcut) {
        a->SetName(a->InternalId());
        a->SetCategory(category);
        a->SetScriptName(scriptName);
        a->SetSwitch(sw);
        a->SetShortCut(QKeySequence(shortcut));
        a->SetIncludePrefs(true);
        a->SetActionList(gpal);
        return a;
    };
    const QString vardo = QStringLiteral("cat_Vardo");
    const QString scripts = QStringLiteral("cat_Scripts");

    naExecuteScript =
        make(new TNopeAction(QStringLiteral("naExecuteScript"), gpal), vardo, QStringLiteral("ExecuteScript"),
             QStringLiteral("exec"), QStringLiteral("Ctrl+F12"));
    naExecuteScript->SetCaption(QStringLiteral("Exécuter le script"));
    naExecuteScript->SetHint(QStringLiteral("Exécuter le script de la page des scripts"));

    caConserverScript = make(new TCheckAction(QStringLiteral("caConserverScript"), gpal), scripts,
                             QStringLiteral("ConserverScript"), QString(), QString());
    caConserverScript->SetTrueCaption(QStringLiteral("Conserver le script"));
    caConserverScript->SetFalseCaption(QStringLiteral("Conserver le script"));
    caConserverScript->SetTrueHint(QStringLiteral("Le dernier script sera rouvert au prochain démarrage"));
    caConserverScript->SetFalseHint(
        QStringLiteral("Le dernier script ne sera pas rouvert au prochain démarrage"));
    caConserverScript->SetApplyWhenLoad(true);
    caConserverScript->SetDefaultValue(true);

    waDossierScripts = make(new TWidestringAction(QStringLiteral("waDossierScripts"), gpal), scripts,
                            QStringLiteral("DossierScripts"), QString(), QString());
    waDossierScripts->SetCaption(QStringLiteral("Dossier des scripts"));
    waDossierScripts->SetHint(QStringLiteral("Dossier proposé pour ouvrir et enregistrer les scripts"));
    waDossierScripts->SetApplyWhenLoad(true);
    waDossierScripts->SetDefaultValue(DocumentsFolder());

    // The batch switch: no script name (a script does not load another one while it runs) and
    // nothing stored.
    waScriptFile = make(new TWidestringAction(QStringLiteral("waScriptFile"), gpal), vardo, QString(),
                        QStringLiteral("script"), QString());
    waScriptFile->SetIncludePrefs(false);
    waScriptFile->SetCaption(QStringLiteral("Script"));
    waScriptFile->SetHint(QStringLiteral("Ouvre le fichier dans la page des scripts et l'exécute"));

    naExecuteScript->InternalApply = [this] { RunScriptWindow(); };
    caConserverScript->InternalTrueApply = [this] {
        if (TScriptForm *f = scriptForm())
            f->fileMan()->SetOpenLast(true);
    };
    caConserverScript->InternalFalseApply = [this] {
        if (TScriptForm *f = scriptForm())
            f->fileMan()->SetOpenLast(false);
    };
    waDossierScripts->InternalPrepare = [this](QString &v) {
        v = m_prompts.ChooseFolder(QStringLiteral("Sélectionnez le dossier des scripts"),
                                   waDossierScripts->Value);
        return !v.isEmpty();
    };
    waDossierScripts->InternalApply = [this](const QString &v) {
        if (TScriptForm *f = scriptForm())
            f->fileMan()->waInitialDir->SetValue(v);
    };
    waScriptFile->InternalApply = [this](const QString &path) {
        TScriptForm *f = scriptForm();
        if (!f)
            return;
        if (!f->OpenScript(path)) {
            ScriptFailed();
            return;
        }
        RunScriptWindow();
    };

    if (!form)
        return;
    TFichierMan *files = form->fileMan();
    files->waInitialDir->SetDefaultValue(DocumentsFolder());
    files->AskYesNo = [this](const QString &text) { return m_prompts.AskYesNo(text, false); };
    files->ChooseOpenFile = [this](const QString &title, const QString &folder, const QString &filter) {
        return m_prompts.ChooseOpenFile(title, folder, filter);
    };
    files->ChooseFolder = [this](const QString &title, const QString &start) {
        return m_prompts.ChooseFolder(title, start);
    };
    // Through the prompt service like the other dialogs: a run nobody watches gets no dialog
    // it would wait on for ever.
    files->ChooseSaveFile = [this](const QString &title, const QString &start, const QString &filter,
                                   const QString &defaultSuffix) {
        return m_prompts.ChooseSaveFile(title, start, filter, defaultSuffix);
    };
    form->OnMessage = [this](const QString &line) { m_prompts.ScriptMessage(line); };
    am->Script()->ShowMessageHandler = [this](const QString &text) { m_prompts.ShowMessage(text); };
}

bool TShowForm::RunScriptWindow()
{
    TScriptForm *f = scriptForm();
    const bool ok = f && f->Execute();
    if (!ok)
        ScriptFailed();
    return ok;
}

void TShowForm::ScriptFailed()
{
    // Only a run the command line asked for decides the exit status; a user who runs a script
    // from the window sees its messages there.
    if (am->Switch()->Executing())
        RunStatus().Fail(TRunFailure::OpenFailed);
}

void TShowForm::ConnectScriptWindow()
{
    TScriptForm *form = scriptForm();
    if (!form)
        return;
    form->actionList()->SetPascalScript(am->Script());
    // While the script window is active its keys reach its own lists; F1 and F12 stay the main
    // window's (help, script window), and so does Esc, which stops a running script.
    m_keys->AddSideWindow(
        form, {form->actionList(), form->fileMan()},
        {QKeySequence(Qt::Key_F1), QKeySequence(Qt::Key_F12), QKeySequence(Qt::Key_Escape)});
}

void TShowForm::ScriptWindowShown()
{
    TScriptForm *form = scriptForm();
    if (!form)
        return;
    form->setWindowTitle(QStringLiteral("Scripts pour ") + am->FullTitle());
    form->BindCommands(am->caHelp, am->caScript);
}

void TShowForm::AddScriptListsToHelp(
    const std::function<void(const QString &heading, TCustomVDActionList *list)> &add) const
{
    TScriptForm *form = scriptForm();
    if (!form || !add)
        return;
    for (TCustomVDActionList *l : form->HelpLists())
        add(TScriptForm::HelpHeading(), l);
}

void TShowForm::LoadScriptPrefs(TVardoPreferences &prefs)
{
    prefs.OpenKey(kScriptSection);
    if (TScriptForm *form = scriptForm()) {
        form->actionList()->LoadFromPrefs(prefs);
        form->fileMan()->LoadFromPrefs(prefs);
    }
    prefs.CloseKey();
}

void TShowForm::SaveScriptPrefs(TVardoPreferences &prefs)
{
    prefs.OpenKey(kScriptSection);
    if (TScriptForm *form = scriptForm()) {
        form->fileMan()->SaveToPrefs(prefs);
        form->actionList()->SaveToPrefs(prefs);
    }
    prefs.CloseKey();
}
