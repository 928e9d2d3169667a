#pragma once
// The options page's frame: three tabs ("Préferences", "Réglages", "Avancés"), each with a short
// explanation. It holds no state of its own: the save-mode group mirrors the preference
// component's mode (and follows its changes), every other control mirrors one typed action
// (TActionBinding), so a menu, a script, a switch or the stored preferences move it too.
//
// An action the program does not have (nullptr in TOptionsActions) leaves its control disabled
// with a hint saying so: the page is usable whatever the set of actions is at the time it is
// built. The application manager shows it centred on its options page.
//
// Main thread only. The actions and the preference component outlive the frame.
#include <QFrame>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QToolButton;
class TBooleanAction;
class TCheckAction;
class TIntegerAction;
class TVardoPreferences;
class TWidestringAction;

struct TOptionsActions
{
    // "Réglages"
    TBooleanAction *baRAZWhenOpenFile = nullptr;
    TBooleanAction *baSauverQuandClic = nullptr;
    TBooleanAction *baConfirmerImage = nullptr;
    TBooleanAction *baImageMetadata = nullptr;
    TWidestringAction *waDossierScripts = nullptr;
    TCheckAction *caConserverScript = nullptr;
    // "Avancés"
    TBooleanAction *baUsePrivateFilters = nullptr;
    TWidestringAction *waPrivateFolder = nullptr;
    TCheckAction *caSeekPrecision = nullptr;
    TIntegerAction *iaSeekPrepos = nullptr;
    TIntegerAction *iaFrameCache = nullptr;
};

class TOptionsFrame : public QFrame
{
    Q_OBJECT
public:
    // `gp` may be nullptr (the mode group is then disabled). The frame chains itself into
    // gp's OnChangeMode, after the handler already set there.
    TOptionsFrame(TVardoPreferences *gp, const TOptionsActions &actions, QWidget *parent = nullptr);

    // Asks for an existing folder (title, current folder); empty when cancelled. The program
    // gives its prompt service; tests give an answer.
    std::function<QString(const QString &title, const QString &current)> ChooseFolder;
    // The folder buttons: ask, then set the action (the private folder with a trailing "/").
    void BrowseScriptsFolder();
    void BrowsePrivateFolder();

    QTabWidget *Tabs() const { return m_tabs; }
    QButtonGroup *ModeGroup() const { return m_mode; }
    QCheckBox *RazBox() const { return m_raz; }
    QCheckBox *SaveOnClickBox() const { return m_saveOnClick; }
    QCheckBox *ConfirmBox() const { return m_confirm; }
    QCheckBox *MetadataBox() const { return m_metadata; }
    QLineEdit *ScriptsFolderEdit() const { return m_scriptsFolder; }
    QToolButton *ScriptsFolderButton() const { return m_scriptsBrowse; }
    QCheckBox *KeepScriptBox() const { return m_keepScript; }
    QCheckBox *PrivateFiltersBox() const { return m_privateFilters; }
    QLineEdit *PrivateFolderEdit() const { return m_privateFolder; }
    QToolButton *PrivateFolderButton() const { return m_privateBrowse; }
    QCheckBox *SeekPrecisionBox() const { return m_seekPrecision; }
    QSpinBox *SeekPreposSpin() const { return m_seekPrepos; }
    QSpinBox *FrameCacheSpin() const { return m_frameCache; }

private:
    QWidget *PreferencesTab(TVardoPreferences *gp);
    QWidget *SettingsTab();
    QWidget *AdvancedTab();

    TOptionsActions m_actions;
    QTabWidget *m_tabs = nullptr;
    QButtonGroup *m_mode = nullptr;
    QCheckBox *m_raz = nullptr;
    QCheckBox *m_saveOnClick = nullptr;
    QCheckBox *m_confirm = nullptr;
    QCheckBox *m_metadata = nullptr;
    QLineEdit *m_scriptsFolder = nullptr;
    QToolButton *m_scriptsBrowse = nullptr;
    QCheckBox *m_keepScript = nullptr;
    QCheckBox *m_privateFilters = nullptr;
    QLineEdit *m_privateFolder = nullptr;
    QToolButton *m_privateBrowse = nullptr;
    QCheckBox *m_seekPrecision = nullptr;
    QSpinBox *m_seekPrepos = nullptr;
    QSpinBox *m_frameCache = nullptr;
};
