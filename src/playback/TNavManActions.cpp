// The navigation manager's actions: play, the steps and jumps, the speed modes, the precise
// seek settings and the typed position.
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "media/TFramesNotifier.h"
#include "playback/TNavMan.h"

#include <algorithm>

namespace {

constexpr int64_t kSecond = TNavMan::OneSecond;

struct TNopeSpec
{
    TNopeAction *TNavMan::*field;
    const char *id;
    const char *shortcut;
    int image;
};

// Every plain command: identifier, shortcut and image of the navigation buttons' list.
const TNopeSpec kNopes[] = {
    {&TNavMan::naReculeDebut, "naReculeDebut", "Ctrl+Shift+Home", 7},
    {&TNavMan::naReculeTrack, "naReculeTrack", "Ctrl+Home", 7},
    {&TNavMan::naRecule10Minutes, "naRecule10Minutes", "Ctrl+Shift+PgDown", -1},
    {&TNavMan::naReculeMinute, "naReculeMinute", "Ctrl+PgDown", 0},
    {&TNavMan::naReculeHigh, "naReculeHigh", "", 0},
    {&TNavMan::naRecule10Secondes, "naRecule10Secondes", "Ctrl+Shift+Down", -1},
    {&TNavMan::naReculeSeconde, "naReculeSeconde", "Ctrl+Down", 1},
    {&TNavMan::naReculeMedium, "naReculeMedium", "", 1},
    {&TNavMan::naRecule10Frames, "naRecule10Frames", "Ctrl+Shift+Left", -1},
    {&TNavMan::naReculeFrame, "naReculeFrame", "Ctrl+Left", 2},
    {&TNavMan::naReculeLow, "naReculeLow", "", 2},
    {&TNavMan::naAvanceFin, "naAvanceFin", "Ctrl+Shift+End", 6},
    {&TNavMan::naAvanceTrack, "naAvanceTrack", "Ctrl+End", 6},
    {&TNavMan::naAvance10Minutes, "naAvance10Minutes", "Ctrl+Shift+PgUp", -1},
    {&TNavMan::naAvanceMinute, "naAvanceMinute", "Ctrl+PgUp", 5},
    {&TNavMan::naAvanceHigh, "naAvanceHigh", "", 5},
    {&TNavMan::naAvance10Secondes, "naAvance10Secondes", "Ctrl+Shift+Up", -1},
    {&TNavMan::naAvanceSeconde, "naAvanceSeconde", "Ctrl+Up", 4},
    {&TNavMan::naAvanceMedium, "naAvanceMedium", "", 4},
    {&TNavMan::naAvance10Frames, "naAvance10Frames", "Ctrl+Shift+Right", -1},
    {&TNavMan::naAvanceFrame, "naAvanceFrame", "Ctrl+Right", 3},
    {&TNavMan::naAvanceLow, "naAvanceLow", "", 3},
};

struct TFace
{
    TNopeAction *TNavMan::*field;
    const char *caption;
    const char *hint;
};

// Captions and hints given when the actions are connected.
const TFace kFaces[] = {
    {&TNavMan::naReculeDebut, "Début", "Reculer au début"},
    {&TNavMan::naReculeTrack, "", "Reculer à la scène précédente\r\nou tenez Shift pour Reculer au Début"},
    {&TNavMan::naRecule10Minutes, "", "Reculer de dix minutes"},
    {&TNavMan::naReculeMinute, "", "Reculer d'une minute"},
    {&TNavMan::naReculeHigh, "", "Reculer d'une minute\r\nou tenez Shift pour Reculer de 10 minutes"},
    {&TNavMan::naRecule10Secondes, "", "Reculer de dix secondes"},
    {&TNavMan::naReculeSeconde, "", "Reculer d'une seconde"},
    {&TNavMan::naReculeMedium, "", "Reculer d'une seconde\r\nou tenez Shift pour Reculer de 10 secondes"},
    {&TNavMan::naRecule10Frames, "", "Reculer de dix frames"},
    {&TNavMan::naReculeFrame, "", "Reculer d'une frame"},
    {&TNavMan::naReculeLow, "", "Reculer d'une frame\r\nou tenez Shift pour Reculer de 10 frames"},
    {&TNavMan::naAvanceFin, "Fin", "Cliquez pour aller à la fin"},
    {&TNavMan::naAvanceTrack, "Scène suivante",
     "Cliquez pour avancer à la Scène suivante.\r\nSi vous pressez Shift vous avancerez à la Fin"},
    {&TNavMan::naAvance10Minutes, "Avancer de dix minutes", "Cliquez pour avancer de dix minutes"},
    {&TNavMan::naAvanceMinute, "Avancer d'une minute", "Cliquez pour avancer d'une minute"},
    {&TNavMan::naAvanceHigh, "Avancer d'une ou dix minutes",
     "Cliquez pour avancer d'une minute.\r\nSi vous pressez Shift vous avancerez de dix minutes"},
    {&TNavMan::naAvance10Secondes, "Avancer de dix secondes", "Cliquez pour avancer de dix secondes"},
    {&TNavMan::naAvanceSeconde, "Avancer d'une seconde", "Cliquez pour avancer d'une seconde"},
    {&TNavMan::naAvanceMedium, "Avancer d'une ou dix secondes",
     "Cliquez pour avancer d'une seconde.\r\nSi vous pressez Shift vous avancerez de dix secondes"},
    {&TNavMan::naAvance10Frames, "Avancer de dix frames", "Cliquez pour avancer de dix frames"},
    {&TNavMan::naAvanceFrame, "Avancer d'une frame", "Cliquez pour avancer d'une frame"},
    {&TNavMan::naAvanceLow, "Avancer d'une ou dix frames",
     "Cliquez pour avancer d'une frame.\r\nSi vous pressez Shift vous avancerez de dix frames"},
};

} // namespace

void TNavMan::CreateActions()
{
    caPlay = new TCheckAction(QStringLiteral("caPlay"), this);
    for (const TNopeSpec &s : kNopes)
        this->*s.field = new TNopeAction(QString::fromLatin1(s.id), this);
    caVitesseCompatible = new TCheckAction(QStringLiteral("caVitesseCompatible"), this);
    caSeekPrecision = new TCheckAction(QStringLiteral("caSeekPrecision"), this);
    iaSeekPrepos = new TIntegerAction(QStringLiteral("iaSeekPrepos"), this);
    iaFrameCache = new TIntegerAction(QStringLiteral("iaFrameCache"), this);
    waStrPosition = new TWidestringAction(QStringLiteral("waStrPosition"), this);
}

void TNavMan::InitActions()
{
    // Kept in the preferences, no switch; only the speed mode and the precise seek settings
    // are applied when loaded.
    auto init = [](TCustomAbstractAction *a, const char *shortcut, int image, bool atLoad) {
        a->SetName(a->InternalId());
        a->SetScriptName(a->InternalId().mid(2));
        a->SetCaption(a->InternalId().mid(2));
        a->SetShortCut(QKeySequence(QString::fromLatin1(shortcut)));
        a->SetImageIndex(image);
        a->SetApplyWhenLoad(atLoad);
        a->SetIncludePrefs(true);
    };
    init(caPlay, "Ctrl+Space", -1, false);
    caPlay->SetTrueImageIndex(8);
    caPlay->SetFalseImageIndex(9);
    caPlay->SetDefaultValue(false);
    for (const TNopeSpec &s : kNopes)
        init(this->*s.field, s.shortcut, s.image, false);
    init(caVitesseCompatible, "Ctrl+B", -1, true);
    caVitesseCompatible->SetDefaultValue(false);
    init(caSeekPrecision, "", -1, true);
    caSeekPrecision->SetDefaultValue(false);
    init(iaSeekPrepos, "", -1, true);
    iaSeekPrepos->SetDefaultValue(1000);
    iaSeekPrepos->Value = 1000;
    init(iaFrameCache, "", -1, true);
    iaFrameCache->SetDefaultValue(256);
    iaFrameCache->SetHint(
        QStringLiteral("Mémoire des images décodées gardées pour reculer, en Mo (0 : aucune)"));
    iaFrameCache->Value = 256;
    init(waStrPosition, "", -1, false);
    waStrPosition->SetScriptName(QStringLiteral("Position"));
    waStrPosition->SetDefaultValue(QStringLiteral("0:00:00:00"));
    waStrPosition->Value = QStringLiteral("0:00:00:00");
}

void TNavMan::FindActions()
{
    caPlay = FindByInternalId<TCheckAction>(QStringLiteral("caPlay"));
    for (const TNopeSpec &s : kNopes)
        this->*s.field = FindByInternalId<TNopeAction>(QString::fromLatin1(s.id));
    caVitesseCompatible = FindByInternalId<TCheckAction>(QStringLiteral("caVitesseCompatible"));
    caSeekPrecision = FindByInternalId<TCheckAction>(QStringLiteral("caSeekPrecision"));
    iaSeekPrepos = FindByInternalId<TIntegerAction>(QStringLiteral("iaSeekPrepos"));
    iaFrameCache = FindByInternalId<TIntegerAction>(QStringLiteral("iaFrameCache"));
    waStrPosition = FindByInternalId<TWidestringAction>(QStringLiteral("waStrPosition"));
}

void TNavMan::ConnectActions()
{
    if (caPlay) {
        caPlay->SetTrueCaption(QStringLiteral("Pause"));
        caPlay->SetFalseCaption(QStringLiteral("Play"));
        caPlay->SetTrueHint(QStringLiteral("Mettre en pause"));
        caPlay->SetFalseHint(QStringLiteral("Jouer le flux vidéo et/ou audio"));
        caPlay->InternalTrueApply = [this] { Play(); };
        caPlay->InternalFalseApply = [this] { Pause(); };
    }
    for (const TFace &f : kFaces)
        if (TNopeAction *a = this->*f.field) {
            a->SetCaption(QString::fromUtf8(f.caption));
            a->SetHint(QString::fromUtf8(f.hint));
        }

    // The Shift key is read when the action is applied, whatever applied it.
    auto bind = [](TNopeAction *a, std::function<void()> f) {
        if (a)
            a->InternalApply = std::move(f);
    };
    bind(naReculeDebut, [this] { GoToStart(); });
    bind(naReculeTrack, [this] { ShiftHeld() ? GoToStart() : PreviousScene(); });
    bind(naRecule10Minutes, [this] { StepBackward(600 * kSecond); });
    bind(naReculeMinute, [this] { StepBackward(60 * kSecond); });
    bind(naReculeHigh, [this] { StepBackward((ShiftHeld() ? 600 : 60) * kSecond); });
    bind(naRecule10Secondes, [this] { StepBackward(10 * kSecond); });
    bind(naReculeSeconde, [this] { StepBackward(kSecond); });
    bind(naReculeMedium, [this] { StepBackward((ShiftHeld() ? 10 : 1) * kSecond); });
    bind(naRecule10Frames, [this] { StepBackward(10 * FrameDuration); });
    bind(naReculeFrame, [this] { StepBackward(FrameDuration); });
    bind(naReculeLow, [this] { StepBackward((ShiftHeld() ? 10 : 1) * FrameDuration); });
    bind(naAvanceFin, [this] { GoToEnd(); });
    bind(naAvanceTrack, [this] { ShiftHeld() ? GoToEnd() : NextScene(); });
    bind(naAvance10Minutes, [this] { StepForward(600 * kSecond); });
    bind(naAvanceMinute, [this] { StepForward(60 * kSecond); });
    bind(naAvanceHigh, [this] { StepForward((ShiftHeld() ? 600 : 60) * kSecond); });
    bind(naAvance10Secondes, [this] { StepForward(10 * kSecond); });
    bind(naAvanceSeconde, [this] { StepForward(kSecond); });
    bind(naAvanceMedium, [this] { StepForward((ShiftHeld() ? 10 : 1) * kSecond); });
    bind(naAvance10Frames, [this] { StepForward(10 * FrameDuration); });
    bind(naAvanceFrame, [this] { StepForward(FrameDuration); });
    bind(naAvanceLow, [this] { StepForward((ShiftHeld() ? 10 : 1) * FrameDuration); });

    if (caVitesseCompatible) {
        caVitesseCompatible->SetTrueCaption(QStringLiteral("Vitesse Compatible"));
        caVitesseCompatible->SetFalseCaption(QStringLiteral("Vitesse Normale"));
        caVitesseCompatible->SetTrueHint(
            QStringLiteral("Jouer la vidéo à la plus grande vitesse compatible avec les ressources du CPU"));
        caVitesseCompatible->SetFalseHint(QStringLiteral("Jouer la vidéo à la vitesse normale"));
        caVitesseCompatible->InternalTrueApply = [this] { SetCompatibleSpeed(); };
        caVitesseCompatible->InternalFalseApply = [this] { SetNormalSpeed(); };
    }
    if (iaSeekPrepos)
        // 32-bit milliseconds, as stored; negative values would seek after the target.
        iaSeekPrepos->InternalApply = [this](const int &ms) {
            SeekPrepos = int64_t(std::max(ms, 0)) * 10000;
        };
    if (iaFrameCache)
        // Megabytes; negative values count as none, 64 GB at most.
        iaFrameCache->InternalApply = [this](const int &mb) {
            FrameCacheBytes = std::size_t(std::clamp(mb, 0, 65536)) << 20;
            if (m_notifier)
                m_notifier->FrameCache().SetLimit(FrameCacheBytes);
        };
    if (waStrPosition) {
        waStrPosition->SetHint(QStringLiteral("Sélectionnez la position en hh:mm:ss:ff et tapez Entrée"));
        waStrPosition->InternalApply = [this](const QString &text) { SeekToText(text); };
    }
}

// --- speed modes ---------------------------------------------------------------------------------

void TNavMan::SetNormalSpeed()
{
    SetSpeed(false);
}

void TNavMan::SetCompatibleSpeed()
{
    SetSpeed(true);
}

void TNavMan::SetSpeed(bool compatible)
{
    // An empty graph (no file yet, as when the preferences are loaded) only takes the choice.
    if (Graph()->elements().empty()) {
        if (OnVitesse)
            OnVitesse(compatible);
        Graph()->setClockEnabled(!compatible);
        return;
    }
    const TGrapheManState was = State();
    // The graph starts again where it stands: behind a picture painted from the decoded-frame
    // cache it holds another frame, so it first moves to the one shown.
    RejoinCachedFrame();
    Stop();
    if (OnVitesse)
        OnVitesse(compatible);
    // Without a clock the graph runs as fast as the decoders allow. The clock is taken when the
    // graph next plays: a paused graph stays on its frame (played and paused at once, it went
    // on by a frame or more, the more without a clock).
    Graph()->setClockEnabled(!compatible);
    if (was == TGrapheManState::gmPlaying)
        Play();
    else
        Pause();
}
