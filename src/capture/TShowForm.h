#pragma once
// The main window. It owns every manager of the program (actions `gpal`, preferences `gp`, media
// factory `mf`, file manager `ficman`, navigation `NavMan`, video `vidman`, application manager
// `am`, audio `audman`), wires them together, opens and closes videos, shows one settings panel
// at a time beside the video, routes the keyboard, and runs the start-up and shut-down sequences.
//
// Start-up: the constructor builds the components in their fixed order and runs the creation
// handler (title, script component and switch component handed to every list); the first show
// (through the preference component) lays the window out, inhibits the screen saver and loads
// the preferences; the first activation runs the command line.
//
// Questions and messages to the user go through the prompt service handed to the constructor
// (the program picks the window or the headless one where it starts); the window never asks how
// it is shown.
//
// Ownership: the managers are held so that they go, before the window's widgets, in the order of
// the declarations at the end of the class (key routing, audio, video, files, devices, application
// manager, navigation, factory); the widgets are the window's children.
//
// Grab and save, and interval capture, add their actions to `gpal` through the hooks
// AddGrabActions() (TShowFormGrab.cpp) and AddIntervalActions() (TShowFormInterval.cpp) before
// the menus and the tool bar look their entries up by name. Main thread only.
#include "core/TCommandLineStatus.h"
#include "media/TScenesList.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class IPromptService;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QSlider;
class QTimer;
class QWheelEvent;
class QToolButton;
class TAudioMan;
class TAudioSource;
class TBooleanAction;
class TCheckAction;
class TCustomAbstractAction;
class TCustomVDActionList;
class TColorAction;
class TContainerDate;
class TDVIncrustFrame;
class TDoubleAction;
class TIncrustFrame;
class TFichierMan;
class TGrabber;
class TImageList;
class TIntegerAction;
class TIntervalCapture;
class TKeyDispatcher;
class TMediaFactory;
class TMediaDevice;
class TNopeAction;
class TPrivateFilters;
class TScreenSaverInhibitor;
class TScriptForm;
class TVDActionList;
class TOptionsFrame;
class TVDAppliMan;
class TVDBar;
class TVDScript;
class TVDSwitch;
class TVardoPreferences;
class TVideoSource;
class TWidestringAction;
class TNavMan;
class TVideoMan;
class Tnavframe;

// Where Algorithm-of-the-window's layout puts things for a client area of W x H.
struct TShowFormLayout
{
    int LeftFrame = 0;                 // x of the settings panels (iaLeftFrame)
    int VideoStart = 0;                // x where the video column starts
    QRect VSeparator;                  // line between video and panels
    QRect HSeparator;                  // line under the tool bar
    QRect Title;                       // PanelTitre
    QRect Status;                      // panelImage
    QRect Video;                       // videoPanel
    QRect Haut;                        // PanelHaut
    QRect Nav;                         // navframe
    QRect Interval;                    // intervalloframe, under the navigation panel (empty when hidden)
    QRect Panels;                      // thumbnail, image-saving, DV, overlay, options panels
    int ScnX = 0, SrtX = 0, ModdX = 0; // side-file markers, within the title line
    int ToolSeparator = 0;             // width of each of the four tool-bar separators

    static constexpr int PanelWidth = 276;
    static constexpr int TitleHeight = 22;
    static constexpr int HautTop = 54;
    static constexpr int HautHeight = 40;
    static constexpr int StatusHeight = 24;
    static constexpr int IntervalHeight = 34; // the interval panel's row, when shown

    // `intervalHeight`: the interval panel's height while it is shown (0 when hidden); the video
    // gives up that height so that the panel sits whole under the navigation row.
    // `intervalWidth`: the width its controls need.
    static TShowFormLayout Compute(int W, int H, bool basculer, bool sliders, QSize navSize,
                                   int intervalHeight = 0, int intervalWidth = 0);
};

class TShowForm : public QMainWindow
{
    Q_OBJECT
public:
    // `prompts` outlives the window. `programFolder`: where the portable ini file and the private
    // filters are looked for (empty: the executable's folder).
    explicit TShowForm(IPromptService &prompts, QWidget *parent = nullptr,
                       const QString &programFolder = QString());
    ~TShowForm() override;

    // --- Command line -------------------------------------------------------------------------
    // The arguments without the program's name. --help and --version print and return false
    // (the program ends with exitCode()); everything else is kept for the first activation.
    bool processCommandLine(const QStringList &args);
    // The first activation's work, when it has not happened yet: runs the command line.
    void runCommandLine();
    bool quitRequested() const;
    // The process's exit status so far (TCommandLineStatus: 0 done, 1 open, 2 argument, 3 grab).
    int exitCode() const;
    // Where every part of the window records what a run could not do and names a bad argument.
    TCommandLineStatus &RunStatus();
    // One list's switches as the help and the manual page show them.
    struct THelpSection
    {
        QString Title;
        // The syntax ("/qual=entier") and the hint of each switch, in the list's order.
        QList<QPair<QString, QString>> Switches;
    };
    // Every list that has switches, in the order of the help.
    QList<THelpSection> HelpSections() const;
    // Every switch of every registered list with its syntax and hint, and the exit statuses.
    QString HelpText() const;
    // "Framix 6.2.1 fr de Vardo"
    QString FullTitle() const;

    // The file opened last (empty when none).
    QString currentFile() const { return CurrentVideoFile; }
    // The script component whose runs a close waits for (the application manager's by default).
    void SetScript(TVDScript *script);

    // --- Operations ------------------------------------------------------------------------
    void openfile(const QString &path);
    void closefile();
    // True for the video extensions (lower case, dot included).
    static bool ficmanTestExtension(const QString &extension);
    // Those extensions, and the open dialog's filter made of them (file manager form).
    static QStringList VideoExtensions();
    static QString VideoFilter();
    // Where the open dialog starts: the folder of the current or last video, else fallback.
    QString OpenDialogFolder(const QString &fallback) const;
    void RunLayout();
    void ShowPanel(int index);
    // The current layout (valid once shown).
    const TShowFormLayout &CurrentLayout() const { return m_layout; }
    // A text field in which the volume and play shortcuts are off while it has the focus.
    void AddShortcutFreeField(QWidget *field);
    // An action of any list of the window by its name (nullptr when none).
    TCustomAbstractAction *FindAction(const QString &name) const;
    // The action lists in key-dispatch order.
    QList<TCustomVDActionList *> ActionLists() const;
    // The media player's keys, given to the navigation actions as second shortcuts.
    struct TPlayerKey
    {
        TCustomAbstractAction *action;
        QKeySequence key;
    };
    QList<TPlayerKey> PlayerKeys() const;
    // The window's key routing (the script window joins it as a side window).
    TKeyDispatcher *KeyDispatcher() const { return m_keys.get(); }
    // The script window (the application manager's).
    TScriptForm *scriptForm() const;
    // The help window's hook for the script window's lists: `add` gets the heading "Scripts"
    // and each list (its file manager, then al_script), after the main window's lists.
    void AddScriptListsToHelp(
        const std::function<void(const QString &heading, TCustomVDActionList *list)> &add) const;
    // The user's documents folder (home when there is none): the default folder of scripts.
    static QString DocumentsFolder();
    // Puts panel where the placeholder in slot is (same parent, name, place, visibility and
    // stacking) and deletes the placeholder; slot then points to panel.
    static void TakePanelPlace(QWidget *&slot, QWidget *panel);

    // Grab and save, and interval capture, hook into opening and closing: after a video opened
    // (image name rebuilt, picture sizes, thumbnail laid out; interval count recomputed) and
    // after it closed (thumbnail cleared).
    std::function<void()> AfterOpenGrab;
    std::function<void()> AfterOpenInterval;
    std::function<void()> AfterCloseGrab;

    // --- Notification handlers ---------------------------------------------------------------
    void NavManGraphCompleted();
    void NavManDuration(const QString &text);
    void NavManDVcode(const QString &datecode, const QString &timecode);
    void vidmanNotifyVideoDecoder(const QString &text);
    void vidmanNotifyVideoFormat(const QString &text);
    void audmanNotifyAudioDecoder(const QString &text);
    void audmanNotifyAudioFormat(const QString &text);

    // --- Components (owned by the window) ------------------------------------------------------
    TVDActionList *actionList() const { return gpal; }
    TVardoPreferences *preferences() const { return gp; }
    TMediaFactory *mediaFactory() const { return mf.get(); }
    TFichierMan *fichierMan() const { return ficman.get(); }
    TNavMan *navMan() const { return NavMan.get(); }
    TVideoMan *videoMan() const { return vidman.get(); }
    TVDAppliMan *appliMan() const { return am.get(); }
    TAudioMan *audioMan() const { return audman.get(); }
    TGrabber *grabber() const { return m_grabber; }
    TIntervalCapture *intervalCapture() const { return m_interval; }

    // --- Widgets ---------------------------------------------------------------------------
    QMenuBar *mainMenu() const { return MainMenu1; }
    QMenu *popupMenu() const { return PopupMenu; }
    TVDBar *toolBar() const { return barUnique; }
    QFrame *videoArea() const { return videoPanel; }
    // The title line: the file's name and its side-file markers.
    QFrame *titlePanel() const { return PanelTitre; }
    QLabel *fileNameLabel() const { return EnCoursLab; }
    QLabel *scnMarker() const { return scnLab; }
    QLabel *srtMarker() const { return srtlab; }
    QLabel *moddMarker() const { return moddlab; }
    // The format lines above the video.
    QFrame *formatPanel() const { return PanelHaut; }
    QLabel *videoFormatLabel() const { return VideoFormatLab; }
    QLabel *videoDecoderLabel() const { return VideoDecoderLab; }
    QLabel *audioFormatLabel() const { return AudioFormatLab; }
    QLabel *audioDecoderLabel() const { return AudioDecoderLab; }
    // The status line and its image name.
    QFrame *statusPanel() const { return panelImage; }
    QLabel *statusLabel() const { return ImageLab; }
    Tnavframe *navFrame() const { return navframe; }
    QWidget *intervalPanel() const { return intervalloframe; }
    // The settings panels beside the video.
    QWidget *thumbnailPanel() const { return ImagetteFrame; }
    QWidget *saveImagesPanel() const { return SaveImagesFrame; }
    QWidget *dvIncrustPanel() const { return DVIncrustFrame; }
    QWidget *incrustPanel() const { return IncrustFrame; }
    // The options page's frame (on the application manager's options page); nullptr before the
    // window is first shown.
    TOptionsFrame *optionsFrame() const { return OptionsFrame; }

    // --- State -----------------------------------------------------------------------------
    bool hasVideo() const { return HasVideo; }
    bool hasAudio() const { return HasAudio; }
    // Set by Esc, naAbort and "Annuler" in the overwrite question; grab and save and the
    // interval capture stop on it.
    bool stopRequested() const { return StopRequested; }
    void resetStopRequest() { StopRequested = false; }

    // The window's own actions in gpal (typed; owned by gpal).
    struct TWindowActions
    {
        TIntegerAction *iaPanneauActif;
        TNopeAction *naShowImagette;
        TNopeAction *naShowSaveImages;
        TNopeAction *naShowDVIncrust;
        TNopeAction *naShowIncrust;
        TIntegerAction *iaLeftFrame;
        TCheckAction *caBasculerVue;
        TNopeAction *naAbort;
        TBooleanAction *baUsePrivateFilters;
        TWidestringAction *waPrivateFolder;
        TCheckAction *caSliders;
        TNopeAction *naInsertTimestamp;
        TNopeAction *naInsertNumero;
        TNopeAction *naInsertTimecode;
        TNopeAction *naInsertDatecode;
        TNopeAction *naInsertPerso;
        TNopeAction *naInsertSysdateTime;
    };
    TWindowActions windowActions() const;

    // The overlay's actions in gpal (TShowFormOverlay.cpp; typed; owned by gpal).
    struct TOverlayActions
    {
        TWidestringAction *waIncrustPattern1;
        TWidestringAction *waIncrustPattern2;
        TWidestringAction *waFormatDatecode1;
        TWidestringAction *waFormatDatecode2;
        TWidestringAction *waInsertPerso1;
        TWidestringAction *waInsertPerso2;
        TIntegerAction *iaInsertMode;
        TNopeAction *naSoustitres;
        TBooleanAction *baInsertAutoSize;
        TWidestringAction *waInsertFontName;
        TColorAction *laInsertFontColor;
        TIntegerAction *iaInsertFontSize;
        TCheckAction *caIncrustBold;
        TCheckAction *caIncrustItalic;
        TCheckAction *caIncrustUnderline;
        TCheckAction *caIncrustStrikeOut;
        TCheckAction *caDecalageAvance;
        TDoubleAction *daDecalageHoraire;
    };
    TOverlayActions overlayActions() const { return m_ov; }
    // The overlay's producers as the last arming left them.
    bool sysDateTimerOn() const;
    bool fileCodeOn() const { return FileCodeOn; }
    bool numberCodeOn() const { return NumberCodeOn; }
    // The overlay mode whose button is down (-1 when none).
    int insertModeDown() const;
    TDVIncrustFrame *dvIncrustFrame() const { return m_dvPanel; }
    TIncrustFrame *incrustFrame() const { return m_incrustPanel; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Runs its step when it goes: a step of the managers' release order that is no destruction.
    struct TReleaseStep
    {
        std::function<void()> run;
        TReleaseStep() = default;
        TReleaseStep(const TReleaseStep &) = delete;
        TReleaseStep &operator=(const TReleaseStep &) = delete;
        ~TReleaseStep()
        {
            if (run)
                run();
        }
    };

    // TShowForm.cpp
    void CreateComponents();
    void createForm();
    void FormShow();
    void FormCloseQuery(bool &canClose);
    void gpLoadPrefs(TVardoPreferences &prefs);
    void gpSavePrefs(TVardoPreferences &prefs);
    // TShowFormPanels.cpp: the settings panels (empty frames until their owners fill them).
    void CreatePanels(QWidget *client);
    // The options frame on the application manager's page, bound to the actions there are now.
    void CreateOptionsPage();
    // TShowFormGrab.cpp: grab and save, its actions into gpal and its panels.
    void AddGrabActions();
    // TShowFormInterval.cpp: interval capture, its actions into gpal and its panel; a close
    // during a run stops it and waits for its end (true: the close must wait).
    void AddIntervalActions();
    bool IntervalHoldsClose();
    // TShowFormOverlay.cpp: the overlay's actions, producers, timer and panels.
    void AddOverlayActions();
    void ConnectOverlayActions();
    void ArmOverlay();
    void SetInsertMode(int mode);
    void RefreshDVPanel();
    void SubtitlePreset();
    // TShowFormScripts.cpp: the actions that serve scripts, the script window's wiring and
    // its section of the preferences.
    void AddScriptActions();
    void ConnectScriptWindow();
    void ScriptWindowShown();
    bool RunScriptWindow();
    void ScriptFailed();
    void LoadScriptPrefs(TVardoPreferences &prefs);
    void SaveScriptPrefs(TVardoPreferences &prefs);
    // TShowFormActions.cpp
    void CreateWindowActions();
    void ConnectWindowActions();
    void ApplySliders(bool on);
    void ApplyPrivateFilters(bool on);
    void ApplyPrivateFolder(const QString &folder);
    // TShowFormMenus.cpp
    void CreateMenus();
    void CreateToolBar(QWidget *client);
    // TShowFormOpen.cpp
    void EnableVideoControls();
    void ReportOpened(const QString &path, TMediaDevice *device);
    void say(const QString &text, bool error = false);
    // A file that was asked for and not opened: the reason in the title line, and reported.
    void ShowOpenError(const QString &path, const QString &why);
    void TitleClicked();
    void ReadVideoRect();
    // TShowFormKeys.cpp
    bool FieldFocus(QObject *watched, QEvent *event);
    void SetFieldShortcuts(bool on);
    void AddPlayerKeys();
    // The wheel over the video steps frames; false when it is left to others (no video).
    bool VideoWheel(const QWheelEvent *event);
    // TShowFormLayout.cpp
    void PlaceTitleMarkers();
    void PlaceHautLabels();

    IPromptService &m_prompts;
    // The run said that this machine plays no sound.
    bool m_noSoundSaid = false;
    QString m_programFolder;
    QWidget *m_client = nullptr;
    TShowFormLayout m_layout;
    bool m_layoutOnResize = false;
    bool m_shown = false;
    std::unique_ptr<TScreenSaverInhibitor> m_screenSaver;
    std::unique_ptr<TPrivateFilters> m_private;
    QPointer<TVDScript> m_script;
    bool m_closeAfterScript = false;
    bool m_closeAfterInterval = false;
    bool m_closing = false;
    QList<QPointer<QWidget>> m_shortcutFreeFields;
    int m_videoWheelRest = 0;
    int m_openError = 0; // counts the title line's error messages (a newer one wins)

    // --- Widgets, children of the window, in creation order ------------------------------------
    QWidget *intervalloframe = nullptr;
    QFrame *videoPanel = nullptr;
    QWidget *SaveImagesFrame = nullptr;
    QFrame *PanelTitre = nullptr;
    QLabel *EnCoursLab = nullptr;
    QLabel *scnLab = nullptr;
    QLabel *srtlab = nullptr;
    QLabel *moddlab = nullptr;
    QWidget *ImagetteFrame = nullptr;
    QFrame *PanelHaut = nullptr;
    QLabel *VideoFormatLab = nullptr;
    QLabel *VideoDecoderLab = nullptr;
    QLabel *AudioFormatLab = nullptr;
    QLabel *AudioDecoderLab = nullptr;
    QFrame *panelImage = nullptr;
    QLabel *ImageLab = nullptr;
    QToolButton *ParentFolderButton = nullptr;
    QSlider *Yslider = nullptr;
    QSlider *Xslider = nullptr;
    // The options page's frame, made at first show (TShowFormPanels.cpp).
    TOptionsFrame *OptionsFrame = nullptr;
    QWidget *DVIncrustFrame = nullptr;
    QWidget *IncrustFrame = nullptr;
    Tnavframe *navframe = nullptr;
    TVDBar *barUnique = nullptr;
    QMenu *PopupMenu = nullptr;
    QMenuBar *MainMenu1 = nullptr;
    QTimer *TimerSysDate = nullptr;
    TImageList *Images = nullptr;
    QFrame *HLine = nullptr;
    QFrame *VLine = nullptr;

    // --- Children of the window that are no widgets ----------------------------------------------
    TVDActionList *gpal = nullptr;
    TVardoPreferences *gp = nullptr;
    // Grab and save (TShowFormGrab.cpp): its state, actions and panels.
    TGrabber *m_grabber = nullptr;
    // The open file's container creation time, read ahead at the open for the grabs' metadata.
    std::shared_ptr<TContainerDate> m_containerDate;
    // Interval capture (TShowFormInterval.cpp): its actions, its run and its panel.
    TIntervalCapture *m_interval = nullptr;

    // Overlay (TShowFormOverlay.cpp): its actions and panels.
    TOverlayActions m_ov{};
    TDVIncrustFrame *m_dvPanel = nullptr;
    TIncrustFrame *m_incrustPanel = nullptr;

    // --- State ------------------------------------------------------------------------------
    QString CurrentVideoFile;
    bool HasVideo = false;
    bool HasAudio = false;
    TVideoSource *VideoSource = nullptr;
    TAudioSource *AudioSource = nullptr;
    bool ScreenSaverWasActive = false;
    bool FileCodeOn = false;
    bool NumberCodeOn = false;
    bool StopRequested = false;
    QRect VideoRect;
    TScenesList Scenes;

    // --- Actions of gpal ---------------------------------------------------------------------
    TIntegerAction *iaPanneauActif = nullptr;
    TNopeAction *naShowImagette = nullptr;
    TNopeAction *naShowSaveImages = nullptr;
    TNopeAction *naShowDVIncrust = nullptr;
    TNopeAction *naShowIncrust = nullptr;
    TIntegerAction *iaLeftFrame = nullptr;
    TCheckAction *caBasculerVue = nullptr;
    TNopeAction *naAbort = nullptr;
    TBooleanAction *baUsePrivateFilters = nullptr;
    TWidestringAction *waPrivateFolder = nullptr;
    TCheckAction *caSliders = nullptr;
    TNopeAction *naInsertTimestamp = nullptr;
    TNopeAction *naInsertNumero = nullptr;
    TNopeAction *naInsertTimecode = nullptr;
    TNopeAction *naInsertDatecode = nullptr;
    TNopeAction *naInsertPerso = nullptr;
    TNopeAction *naInsertSysdateTime = nullptr;
    TNopeAction *naExecuteScript = nullptr;
    TCheckAction *caConserverScript = nullptr;
    TWidestringAction *waDossierScripts = nullptr;
    TWidestringAction *waScriptFile = nullptr;

    // --- Managers, last: they go first, in the reverse of this order, after the destructor's
    // body and before the widgets. The navigation manager holds Scenes, the key routing holds the
    // lists, the audio manager lets its graph branch go before it is deleted, and the factory's
    // devices are released between the file manager and the application manager.
    std::unique_ptr<TMediaFactory> mf;
    std::unique_ptr<TNavMan> NavMan;
    std::unique_ptr<TVDAppliMan> am;
    TReleaseStep m_releaseDevices;
    std::unique_ptr<TFichierMan> ficman;
    std::unique_ptr<TVideoMan> vidman;
    std::unique_ptr<TAudioMan> audman;
    TReleaseStep m_disconnectAudio;
    std::unique_ptr<TKeyDispatcher> m_keys;
};
