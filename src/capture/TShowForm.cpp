#include "capture/TShowForm.h"

#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"
#include "capture/Tnavframe.h"
#include "core/IPromptService.h"
#include "media/TMediaFactory.h"
#include "media/TPrivateFilters.h"
#include "playback/TAudioMan.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"
#include "prefs/TVardoPreferences.h"
#include "script/TVDScript.h"
#include "shell/TFichierMan.h"
#include "shell/TKeyDispatcher.h"
#include "shell/TScreenSaverInhibitor.h"
#include "shell/TScriptForm.h"
#include "shell/TVDAppliMan.h"
#include "widgets/TVDIcons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <cstdio>

namespace {

// The section names of the preference store: the two windows' component names (the script
// window's is in TShowFormScripts.cpp).
const QString kMainSection = QStringLiteral("ShowForm");

QLabel *MakeLabel(QWidget *parent, const QString &name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

QFrame *MakePanel(QWidget *parent, const QString &name)
{
    auto *p = new QFrame(parent);
    p->setObjectName(name);
    return p;
}

} // namespace

TShowForm::TShowForm(IPromptService &prompts, QWidget *parent, const QString &programFolder)
    : QMainWindow(parent), m_prompts(prompts), m_programFolder(programFolder)
{
    setObjectName(kMainSection);
    resize(1024, 720);
    // The narrowest window whose video (W - 314 wide) still holds the navigation panel centred
    // under it: narrower, the panel would cover the settings panels and leave the window.
    setMinimumSize(314 + Tnavframe::PanelWidth, 520);
    m_releaseDevices.run = [this] {
        if (mf)
            mf->ClearDevices();
    };
    m_disconnectAudio.run = [this] {
        if (audman)
            audman->DisconnectAudio();
    };
    CreateComponents();
    createForm();
    // Wide enough, too, for the interval panel's controls under the video.
    setMinimumWidth(std::max(minimumWidth(), 314 + intervalloframe->minimumSizeHint().width()));
}

TShowForm::~TShowForm()
{
    // The managers (members, released in their declaration's reverse order right after this)
    // stop their graphs and streams before the window's widgets go.
    m_closing = true;
    if (TimerSysDate)
        TimerSysDate->stop();
    if (m_screenSaver)
        m_screenSaver->Release();
}

TShowForm::TWindowActions TShowForm::windowActions() const
{
    return {iaPanneauActif, naShowImagette,     naShowSaveImages, naShowDVIncrust,     naShowIncrust,
            iaLeftFrame,    caBasculerVue,      naAbort,          baUsePrivateFilters, waPrivateFolder,
            caSliders,      naInsertTimestamp,  naInsertNumero,   naInsertTimecode,    naInsertDatecode,
            naInsertPerso,  naInsertSysdateTime};
}

// --- Creation -----------------------------------------------------------------------------

void TShowForm::CreateComponents()
{
    Images = TVDIcons::Create(this);
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    CreatePanels(m_client); // intervalloframe first: it lies under everything else

    videoPanel = MakePanel(m_client, QStringLiteral("videoPanel"));
    videoPanel->setAutoFillBackground(true);
    // The video area holds the keyboard focus by default, so that the window's shortcuts reach
    // the commands rather than a text field (which keeps its own editing keys).
    videoPanel->setFocusPolicy(Qt::StrongFocus);
    videoPanel->setContextMenuPolicy(Qt::DefaultContextMenu);
    videoPanel->installEventFilter(this);

    PanelTitre = MakePanel(m_client, QStringLiteral("PanelTitre"));
    PanelTitre->setCursor(Qt::PointingHandCursor);
    EnCoursLab = MakeLabel(PanelTitre, QStringLiteral("EnCoursLab"));
    scnLab = MakeLabel(PanelTitre, QStringLiteral("scnLab"));
    scnLab->setText(QStringLiteral("scn"));
    srtlab = MakeLabel(PanelTitre, QStringLiteral("srtlab"));
    srtlab->setText(QStringLiteral("srt"));
    moddlab = MakeLabel(PanelTitre, QStringLiteral("moddlab"));
    moddlab->setText(QStringLiteral("modd"));
    for (QWidget *w :
         {static_cast<QWidget *>(PanelTitre), static_cast<QWidget *>(EnCoursLab),
          static_cast<QWidget *>(scnLab), static_cast<QWidget *>(srtlab), static_cast<QWidget *>(moddlab)})
        w->installEventFilter(this);
    for (QLabel *l : {scnLab, srtlab, moddlab})
        l->hide();
    QFont bold = EnCoursLab->font();
    bold.setBold(true);
    EnCoursLab->setFont(bold);

    PanelHaut = MakePanel(m_client, QStringLiteral("PanelHaut"));
    PanelHaut->installEventFilter(this);
    VideoFormatLab = MakeLabel(PanelHaut, QStringLiteral("VideoFormatLab"));
    VideoDecoderLab = MakeLabel(PanelHaut, QStringLiteral("VideoDecoderLab"));
    AudioFormatLab = MakeLabel(PanelHaut, QStringLiteral("AudioFormatLab"));
    AudioDecoderLab = MakeLabel(PanelHaut, QStringLiteral("AudioDecoderLab"));
    PanelHaut->hide();

    panelImage = MakePanel(m_client, QStringLiteral("panelImage"));
    panelImage->setFrameShape(QFrame::StyledPanel);
    ImageLab = MakeLabel(panelImage, QStringLiteral("ImageLab"));
    ParentFolderButton = new QToolButton(panelImage);
    ParentFolderButton->setObjectName(QStringLiteral("ParentFolderButton"));
    ParentFolderButton->setAutoRaise(true);

    Yslider = new QSlider(Qt::Vertical, m_client);
    Yslider->setObjectName(QStringLiteral("Yslider"));
    Yslider->setRange(0, 10000);
    Yslider->hide();
    Xslider = new QSlider(Qt::Horizontal, m_client);
    Xslider->setObjectName(QStringLiteral("Xslider"));
    Xslider->setRange(0, 10000);
    Xslider->hide();

    navframe = new Tnavframe(m_client);
    navframe->hide();

    HLine = new QFrame(m_client);
    HLine->setFrameShape(QFrame::HLine);
    HLine->setFrameShadow(QFrame::Sunken);
    VLine = new QFrame(m_client);
    VLine->setFrameShape(QFrame::VLine);
    VLine->setFrameShadow(QFrame::Sunken);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    TimerSysDate = new QTimer(this);
    TimerSysDate->setObjectName(QStringLiteral("TimerSysDate"));
    TimerSysDate->setInterval(250);

    gpal = new TVDActionList(this);
    gpal->setObjectName(QStringLiteral("gpal"));
    gpal->SetImages(Images);
    CreateWindowActions();

    gp = new TVardoPreferences(this, m_programFolder, this);
    gp->setObjectName(QStringLiteral("gp"));
    gp->SetPromptService(&m_prompts);
    gp->SetFormHandlers([this] { FormShow(); }, [this](bool &canClose) { FormCloseQuery(canClose); });
    gp->OnLoadPrefs = [this](TVardoPreferences &p) { gpLoadPrefs(p); };
    gp->OnSavePrefs = [this](TVardoPreferences &p) { gpSavePrefs(p); };
    // A save that did not reach the disk is a failed write of the run, said once.
    gp->OnSaveFailed = [this](const QString &text) {
        m_prompts.ShowError(text);
        if (am)
            RunStatus().Fail(TRunFailure::GrabFailed);
    };

    NavMan = std::make_unique<TNavMan>();
    NavMan->setObjectName(QStringLiteral("NavMan"));
    NavMan->SetPositionEdit(navframe->CurrentEdit);
    NavMan->SetSlider(navframe->tb);
    NavMan->SetScenesList(&Scenes);
    NavMan->OnGraphCompleted = [this] { NavManGraphCompleted(); };
    NavMan->OnDuration = [this](const QString &t) { NavManDuration(t); };
    NavMan->OnDVcode = [this](const QString &d, const QString &t) { NavManDVcode(d, t); };
    navframe->SetNavigationActions({NavMan->naReculeDebut, NavMan->naReculeHigh, NavMan->naReculeMedium,
                                    NavMan->naReculeLow, NavMan->caPlay, NavMan->naAvanceLow,
                                    NavMan->naAvanceMedium, NavMan->naAvanceHigh, NavMan->naAvanceFin},
                                   NavMan->NavImages());

    mf = std::make_unique<TMediaFactory>();
    mf->setObjectName(QStringLiteral("mf"));
    mf->SetGrapheMan(NavMan.get());

    ficman = std::make_unique<TFichierMan>();
    ficman->setObjectName(QStringLiteral("ficman"));
    ficman->SetImages(Images);
    ficman->ConfigureForVideos(videoPanel);
    ficman->OnOpenFile = [this](const QString &path) {
        // The full-window pages close before a video opens.
        if (am) {
            am->caAbout->SetChecked(false);
            am->caOptions->SetChecked(false);
        }
        openfile(path);
        return HasVideo || HasAudio;
    };
    ficman->OnErrorOpenFile = [this](const QString &path) {
        RunStatus().Fail(TRunFailure::OpenFailed);
        ShowOpenError(path, QStringLiteral("aucun flux vidéo ni audio n'a pu y être lu "
                                           "(ce n'est pas une vidéo, ou son format n'est pas reconnu)"));
    };
    ficman->OnRefusedFile = [this](const QString &path, const QString &why) {
        RunStatus().Fail(TRunFailure::OpenFailed);
        ShowOpenError(path, why);
    };
    ficman->OnCloseFile = [this](const QString &) { closefile(); };
    ficman->OnTestExtension = [](const QString &ext, const QString &) { return ficmanTestExtension(ext); };
    ficman->AskYesNo = [this](const QString &text) { return m_prompts.AskYesNo(text, false); };
    ficman->Filter = VideoFilter();
    ficman->ChooseOpenFile = [this](const QString &title, const QString &folder, const QString &filter) {
        return m_prompts.ChooseOpenFile(title, OpenDialogFolder(folder), filter);
    };
    ficman->ChooseFolder = [this](const QString &title, const QString &start) {
        return m_prompts.ChooseFolder(title, start);
    };
    ficman->ChooseSaveFile = [this](const QString &title, const QString &start, const QString &filter,
                                    const QString &defaultSuffix) {
        return m_prompts.ChooseSaveFile(title, start, filter, defaultSuffix);
    };

    vidman = std::make_unique<TVideoMan>();
    vidman->setObjectName(QStringLiteral("vidman"));
    vidman->SetImages(Images);
    vidman->leHeight = 32;
    vidman->SetWindow(videoPanel);
    vidman->OnNotifyVideoDecoder = [this](const QString &t) { vidmanNotifyVideoDecoder(t); };
    vidman->OnNotifyVideoFormat = [this](const QString &t) { vidmanNotifyVideoFormat(t); };

    am = std::make_unique<TVDAppliMan>(this);
    am->setObjectName(QStringLiteral("am"));
    am->SetImages(Images);

    audman = std::make_unique<TAudioMan>();
    audman->setObjectName(QStringLiteral("audman"));
    audman->SetImages(Images);
    audman->SetAudioGauge(navframe->VolumeGauge);
    audman->OnNotifyAudioDecoder = [this](const QString &t) { audmanNotifyAudioDecoder(t); };
    audman->OnNotifyAudioFormat = [this](const QString &t) { audmanNotifyAudioFormat(t); };

    m_private = std::make_unique<TPrivateFilters>();

    // Grab and save, and interval capture, bring their own actions before anything binds to them.
    AddGrabActions();
    AddIntervalActions();
    AddScriptActions();
    ConnectWindowActions();
    // Last of gpal: the overlay mode loads after the patterns and sets them again.
    AddOverlayActions();

    CreateToolBar(m_client);
    CreateMenus();

    m_keys = std::make_unique<TKeyDispatcher>(this);
    m_keys->AddWindow(this);
    m_keys->SetMenuBar(MainMenu1);
    for (TCustomVDActionList *l : ActionLists())
        m_keys->AddList(l);
    if (vidman->Plaque())
        m_keys->AddWindow(vidman->Plaque());
    if (vidman->PreviewForm())
        m_keys->AddWindow(vidman->PreviewForm());
    ConnectScriptWindow();

    // The action itself, not the file manager: its lists change their actions while the
    // manager is already being destroyed.
    auto *parentFolder = ficman->naParentFolder;
    connect(parentFolder, &QAction::changed, ParentFolderButton, [this, parentFolder] {
        ParentFolderButton->setEnabled(parentFolder->isEnabled());
        ParentFolderButton->setToolTip(parentFolder->Caption());
    });
    ParentFolderButton->setIcon(Images->Icon(TVDIcons::imgParentFolder));
    ParentFolderButton->setToolTip(ficman->naParentFolder->Caption());
    connect(ParentFolderButton, &QToolButton::clicked, ficman->naParentFolder, &QAction::trigger);
}

void TShowForm::createForm()
{
    // Paint of the window repaints the video (paintEvent); presses on the video go to the grab
    // and copy handler once grab and save is in place.
    const QString full = FullTitle();
    setWindowTitle(full);
    gp->titre = TVDAppliMan::ProductName();
    gp->version = full;

    // The script component and the switch component serve every list; the application
    // manager registered itself first when it was made.
    IScriptHost *script = am->Script();
    TVDSwitch *sw = am->Switch();
    sw->MainWindow = this;
    sw->DefaultAction = ficman->waOpenFile;
    // No command line unless one is given (processCommandLine).
    sw->SetCommandLine({QStringLiteral("framix")});
    for (TCustomVDActionList *l :
         {static_cast<TCustomVDActionList *>(gpal), static_cast<TCustomVDActionList *>(vidman.get()),
          static_cast<TCustomVDActionList *>(audman.get()), static_cast<TCustomVDActionList *>(NavMan.get()),
          static_cast<TCustomVDActionList *>(ficman.get())}) {
        l->SetPascalScript(script);
        l->SetSwitch(sw);
    }
    SetScript(am->Script());

    Scenes.ClearScenes();
    vidman->SetKeepAspectratio(false);
    NavMan->AcceptEnter = true;
    vidmanNotifyVideoDecoder(TVideoMan::NoDecoderText());
    vidmanNotifyVideoFormat(TVideoMan::NoVideoText());
    audmanNotifyAudioDecoder(TAudioMan::NoDecoderText());
    audmanNotifyAudioFormat(TAudioMan::NoAudioText());
    EnableVideoControls();
}

QString TShowForm::FullTitle() const
{
    return QStringLiteral("%1 de %2").arg(am->FullTitle(), TVDAppliMan::MakerName());
}

QList<TCustomVDActionList *> TShowForm::ActionLists() const
{
    // Component order of the window.
    return {gpal, ficman.get(), NavMan.get(), vidman.get(), am.get(), audman.get()};
}

TCustomAbstractAction *TShowForm::FindAction(const QString &name) const
{
    for (TCustomVDActionList *l : ActionLists())
        for (TCustomAbstractAction *a : l->TypedActions())
            if (a->objectName() == name || a->InternalId() == name)
                return a;
    return nullptr;
}

// --- First show and preferences ------------------------------------------------------------

void TShowForm::FormShow()
{
    if (m_shown)
        return;
    m_shown = true;
    audman->naIncVolume->SetShortCut(QKeySequence(QStringLiteral("Num++")));
    audman->naIncVolume->SetSecondaryShortcuts({QKeySequence(QStringLiteral("Alt+P"))});
    audman->naDecVolume->SetShortCut(QKeySequence(QStringLiteral("Num+-")));
    AddPlayerKeys();
    RunLayout();
    setAcceptDrops(true);
    if (vidman->Plaque())
        vidman->Plaque()->SetPopupMenu(PopupMenu);
    if (vidman->PreviewForm())
        vidman->PreviewForm()->SetPopupMenu(PopupMenu);
    m_screenSaver = std::make_unique<TScreenSaverInhibitor>();
    ScreenSaverWasActive =
        m_screenSaver->Inhibit(TVDAppliMan::ProductName(), QStringLiteral("Lecture et capture vidéo"));
    m_layoutOnResize = true;
    ScriptWindowShown();
    // Before the preferences load (right after this handler), so the page shows what they set.
    CreateOptionsPage();
    // The script window's lists go after the main window's, under their own heading.
    QList<TCustomVDActionList *> scriptLists;
    AddScriptListsToHelp([&](const QString &, TCustomVDActionList *l) { scriptLists << l; });
    am->AddScriptHelpLists(scriptLists);
    am->SetMainHelpLists({am.get(), gpal, vidman.get(), audman.get(), NavMan.get(), ficman.get()});
    videoPanel->setFocus();
    NavMan->RefreshFrame();
}

void TShowForm::gpLoadPrefs(TVardoPreferences &prefs)
{
    // The script window's section first, then the main window's, the file manager last so
    // that it may reopen the previous video with every setting in place.
    LoadScriptPrefs(prefs);
    prefs.OpenKey(kMainSection);
    am->LoadFromPrefs(prefs);
    vidman->LoadPrefs(prefs);
    audman->LoadPrefs(prefs);
    NavMan->LoadFromPrefs(prefs);
    gpal->LoadFromPrefs(prefs);
    ficman->LoadFromPrefs(prefs);
    prefs.CloseKey();
}

void TShowForm::gpSavePrefs(TVardoPreferences &prefs)
{
    prefs.OpenKey(kMainSection);
    ficman->SaveToPrefs(prefs);
    gpal->SaveToPrefs(prefs);
    NavMan->SaveToPrefs(prefs);
    audman->SavePrefs(prefs);
    vidman->SavePrefs(prefs);
    am->SaveToPrefs(prefs);
    prefs.CloseKey();
    SaveScriptPrefs(prefs);
}

// --- Command line ----------------------------------------------------------------------------

bool TShowForm::processCommandLine(const QStringList &args)
{
    QStringList entries{QStringLiteral("framix")};
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("-platform")) {
            ++i;
            continue;
        }
        if (a == QLatin1String("--version")) {
            std::printf("%s\n", qPrintable(FullTitle()));
            std::fflush(stdout);
            return false;
        }
        if (a == QLatin1String("--help")) {
            std::printf("%s", qPrintable(HelpText()));
            std::fflush(stdout);
            return false;
        }
        if (!a.isEmpty())
            entries << a;
    }
    am->Switch()->SetCommandLine(entries);
    return true;
}

void TShowForm::runCommandLine()
{
    TVDSwitch *sw = am->Switch();
    if (!sw->CommandLineDone())
        sw->ApplicationActivated();
}

int TShowForm::exitCode() const
{
    return am->Switch()->Status().Code();
}

TCommandLineStatus &TShowForm::RunStatus()
{
    return am->Switch()->Status();
}

bool TShowForm::quitRequested() const
{
    return am->Switch()->QuitRequested();
}

QList<TShowForm::THelpSection> TShowForm::HelpSections() const
{
    QList<THelpSection> sections;
    QList<TCustomVDActionList *> lists{am.get(),     gpal,         vidman.get(),
                                       audman.get(), NavMan.get(), ficman.get()};
    for (TCustomVDActionList *l : lists) {
        THelpSection section{l->objectName(), {}};
        for (TCustomAbstractAction *a : l->TypedActions()) {
            if (a->Switch().isEmpty())
                continue;
            QString hint = a->Hint().isEmpty() ? a->Caption() : a->Hint();
            hint.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\n', u' ');
            section.Switches.append({a->GetSwitchSyntax(), hint});
        }
        if (!section.Switches.isEmpty())
            sections << section;
    }
    return sections;
}

QString TShowForm::HelpText() const
{
    QString out = FullTitle() + QStringLiteral("\n\n");
    out += QStringLiteral("framix [fichier] [/switch] [/switch=valeur] [+switch] [-switch] [/quit]\n");
    out += QStringLiteral("  fichier             ouvre la vidéo (comme /o=fichier)\n");
    out += QStringLiteral("  /quit               ferme Framix une fois les autres arguments exécutés\n");
    out += QStringLiteral("  --help, --version   cette aide ; le titre complet\n");
    for (const THelpSection &section : HelpSections()) {
        out += u'\n' + section.Title + QStringLiteral(":\n");
        for (const auto &[syntax, hint] : section.Switches)
            out += QStringLiteral("  %1 %2\n").arg(syntax, -20).arg(hint);
    }
    out += QStringLiteral("\nCode de sortie :\n") + TCommandLineStatus::StatusHelp();
    // The media player's keys, which no switch reaches.
    out += QStringLiteral("\nTouches de lecture (hors champs de texte) :\n");
    for (const TPlayerKey &k : PlayerKeys()) {
        if (!k.action)
            continue;
        QString what = k.action->Hint().section(QStringLiteral("\r\n"), 0, 0);
        if (what.isEmpty())
            what = QString(k.action->Caption()).remove(u'&');
        out += QStringLiteral("  %1 %2\n").arg(k.key.toString(QKeySequence::NativeText), -20).arg(what);
    }
    out += QStringLiteral("  %1 %2\n")
               .arg(QStringLiteral("Molette"), -20)
               .arg(QStringLiteral("une image par cran"));
    return out;
}

// --- Messages ------------------------------------------------------------------------------

void TShowForm::say(const QString &text, bool error)
{
    m_prompts.Report(text, error);
}

// --- Shut-down -------------------------------------------------------------------------------

void TShowForm::SetScript(TVDScript *script)
{
    if (m_script)
        disconnect(m_script, nullptr, this, nullptr);
    m_script = script;
    m_closeAfterScript = false;
    if (!script)
        return;
    connect(script, &TVDScript::RunFinished, this, [this] {
        if (!m_closeAfterScript)
            return;
        m_closeAfterScript = false;
        // Queued: the run's caller is still on the stack when RunFinished is emitted.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}

void TShowForm::FormCloseQuery(bool &canClose)
{
    if (m_script && m_script->IsRunning()) {
        // The script's run is below this handler on the stack: closing now would pull the
        // window from under it. Stop it; the window closes once the run has ended.
        canClose = false;
        m_closeAfterScript = true;
        m_script->Abort();
        return;
    }
    if (IntervalHoldsClose()) {
        canClose = false;
        return;
    }
    // Where to save is asked before anything is torn down: the user who cancels it keeps the
    // window as it was, video and all.
    if (!gp->SettleModeForClose()) {
        canClose = false;
        return;
    }
    TimerSysDate->stop();
    naAbort->Apply();
    m_layoutOnResize = false;
    vidman->caFullscreen->SetChecked(false);
    QCoreApplication::processEvents();
    NavMan->Stop();
    vidman->DisconnectVideo(true);
    audman->DisconnectAudio();
    VideoSource = TMediaPlaceholders::NoVideo();
    AudioSource = TMediaPlaceholders::NoAudio();
    if (baUsePrivateFilters->Value)
        m_private->Use(false, mf.get(), vidman->Decoders(), audman->Decoders());
    m_private->Forget();
}

bool TShowForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (FieldFocus(watched, event))
        return false;
    if (watched == m_client && t == QEvent::Resize) {
        if (m_layoutOnResize)
            RunLayout();
    } else if (watched == intervalloframe && (t == QEvent::ShowToParent || t == QEvent::HideToParent)) {
        // The video makes room for the interval panel while it is shown.
        if (m_layoutOnResize)
            RunLayout();
    } else if (watched == PanelHaut && t == QEvent::Resize) {
        PlaceHautLabels();
    } else if (watched == videoPanel && t == QEvent::Wheel) {
        if (VideoWheel(static_cast<QWheelEvent *>(event)))
            return true;
    } else if (watched == videoPanel && t == QEvent::ContextMenu) {
        PopupMenu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    } else if (t == QEvent::MouseButtonRelease &&
               (watched == PanelTitre || watched == EnCoursLab || watched == scnLab || watched == srtlab ||
                watched == moddlab)) {
        TitleClicked();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TShowForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TShowForm::dropEvent(QDropEvent *event)
{
    // Files dropped anywhere on the window open as on the video area.
    if (ficman->DropFrom(event->mimeData()))
        event->acceptProposedAction();
}
