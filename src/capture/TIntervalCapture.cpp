#include "capture/TIntervalCapture.h"

#include "actions/TCheckAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "capture/Tintervalloframe.h"
#include "media/FrameGrid.h"
#include "widgets/TVDIcons.h"

#include <QKeySequence>

#include <algorithm>

namespace {

constexpr std::int64_t TicksPerSecond = 10'000'000;
constexpr std::int64_t TicksPerMinute = 60 * TicksPerSecond;

} // namespace

TIntervalCapture::TIntervalCapture(IIntervalHost &host, TCustomVDActionList *list, QObject *owner)
    : QObject(owner), m_host(host), m_window([this](TIntervalEndMsg &) { EndRun(); })
{
    CreateActions(list, owner ? owner : this);
    ConnectActions();
}

TIntervalCapture::~TIntervalCapture()
{
    if (m_panel)
        m_panel->Bind(nullptr);
}

void TIntervalCapture::CreateActions(TCustomVDActionList *list, QObject *owner)
{
    caIntervalloShow = new TCheckAction(owner);
    iaIntervalloDelai = new TIntegerAction(owner);
    iaIntervalloUnit = new TIntegerAction(owner);
    naIntervalloStart = new TNopeAction(owner);
    naIntervalloBreak = new TNopeAction(owner);

    auto init = [list](TCustomAbstractAction *a, const QString &name, const QString &sw,
                       const QKeySequence &shortcut, bool inPrefs) {
        a->SetName(name);
        a->SetScriptName(name.mid(2));
        a->SetCaption(name.mid(2));
        a->SetCategory(QStringLiteral("cat_Intervallo"));
        a->SetSwitch(sw);
        a->SetShortCut(shortcut);
        a->SetIncludePrefs(inPrefs);
        a->SetApplyWhenLoad(inPrefs);
        if (list)
            a->SetActionList(list);
    };
    init(caIntervalloShow, QStringLiteral("caIntervalloShow"), QStringLiteral("si"),
         QKeySequence(QStringLiteral("Alt+J")), false);
    caIntervalloShow->SetTrueCaption(QStringLiteral("Masquer l'intervallomètre"));
    caIntervalloShow->SetFalseCaption(QStringLiteral("Afficher l'intervallomètre"));
    caIntervalloShow->SetTrueImageIndex(TVDIcons::imgIntervallo);
    caIntervalloShow->SetFalseImageIndex(TVDIcons::imgIntervallo);
    caIntervalloShow->SetDefaultValue(false);

    init(iaIntervalloDelai, QStringLiteral("iaIntervalloDelai"), QStringLiteral("idelai"), QKeySequence(),
         true);
    iaIntervalloDelai->SetDefaultValue(0);
    init(iaIntervalloUnit, QStringLiteral("iaIntervalloUnit"), QStringLiteral("iunit"), QKeySequence(), true);
    iaIntervalloUnit->SetDefaultValue(0);
    init(naIntervalloStart, QStringLiteral("naIntervalloStart"), QStringLiteral("inter"),
         QKeySequence(QStringLiteral("Ctrl+J")), false);
    init(naIntervalloBreak, QStringLiteral("naIntervalloBreak"), QStringLiteral("br"),
         QKeySequence(QStringLiteral("Ctrl+Shift+J")), false);
}

void TIntervalCapture::ConnectActions()
{
    caIntervalloShow->InternalTrueApply = [this] {
        // The panel opens showing a usable delay: a stored delay of 0 (the setting's default)
        // takes the one the field shows, so what the user sees is what a run will use.
        if (m_panel && iaIntervalloDelai->Value <= 0)
            iaIntervalloDelai->SetValue(m_panel->DelaiEditValue());
        ShowPanel(true);
        Count();
    };
    caIntervalloShow->InternalFalseApply = [this] { ShowPanel(false); };
    iaIntervalloDelai->InternalApply = [this](const int &v) {
        if (m_panel)
            m_panel->ShowDelai(v);
    };
    iaIntervalloUnit->InternalApply = [this](const int &v) {
        if (m_panel)
            m_panel->ShowUnit(v);
    };
    naIntervalloStart->InternalApply = [this] { Run(); };
    naIntervalloBreak->InternalApply = [this] { Break(); };
}

void TIntervalCapture::SetPanel(Tintervalloframe *panel)
{
    if (m_panel == panel)
        return;
    if (m_panel)
        m_panel->Bind(nullptr);
    m_panel = panel;
    if (!panel)
        return;
    panel->Bind(this);
    if (iaIntervalloDelai->Value > 0)
        panel->ShowDelai(iaIntervalloDelai->Value);
    panel->ShowUnit(iaIntervalloUnit->Value);
    if (m_counted)
        panel->ShowCount(m_remaining);
    panel->ShowRunning(m_state == TState::isRunning);
    panel->setVisible(caIntervalloShow->Checked());
}

Tintervalloframe *TIntervalCapture::Panel() const
{
    return m_panel;
}

void TIntervalCapture::ShowPanel(bool show)
{
    if (!m_panel)
        return;
    m_panel->setVisible(show);
    if (show)
        m_panel->raise();
}

void TIntervalCapture::ShowRunning(bool running)
{
    if (m_panel)
        m_panel->ShowRunning(running);
}

std::int64_t TIntervalCapture::UnitTicks(TUnit unit, std::int64_t frameDuration)
{
    switch (unit) {
    case TUnit::iuFrames:
        return frameDuration;
    case TUnit::iuSecondes:
        return TicksPerSecond;
    case TUnit::iuMinutes:
        return TicksPerMinute;
    default:
        return 0;
    }
}

std::int64_t TIntervalCapture::ImageCount(std::int64_t duration, std::int64_t start, std::int64_t step)
{
    // Truncating division: a start beyond the end still gives the one image at the start
    // (or none when it is a whole step beyond).
    return (duration - start) / step + 1;
}

void TIntervalCapture::Count()
{
    const std::int64_t step = std::int64_t(iaIntervalloDelai->Value) *
                              UnitTicks(TUnit(iaIntervalloUnit->Value), m_host.FrameDuration());
    if (step <= 0)
        return;
    m_stepTicks = step;
    m_stepFrames = TUnit(iaIntervalloUnit->Value) == TUnit::iuFrames ? iaIntervalloDelai->Value : 0;
    m_startPos = m_host.GetPosition();
    // Without a video there is nothing to take: the duration and position of an empty graph
    // would give a meaningless (negative) count.
    const std::int64_t duration = m_host.MediaDuration();
    m_remaining = m_host.HasVideo() && duration > 0
                      ? std::max<std::int64_t>(0, ImageCount(duration, m_startPos, step))
                      : 0;
    m_counted = true;
    if (m_panel)
        m_panel->ShowCount(m_remaining);
}

void TIntervalCapture::Run()
{
    if (m_state != TState::isIdle)
        return;
    // Nothing to take (no video, or the count is spent): the switch falls back at once and
    // nothing is paused, muted or moved.
    if (!m_host.HasVideo() || m_remaining <= 0) {
        ShowRunning(false);
        return;
    }
    const QPointer<TIntervalCapture> self(this);
    m_state = TState::isRunning;
    m_taken = 0;
    ShowRunning(true);
    m_host.Pause();
    m_host.SetVolume(0);
    m_host.SetStopRequested(false);

    const std::int64_t total = m_remaining;
    // The count includes a step at the very end of the media when the spacing lands there: the
    // navigation manager shows the last frame for it. A step whose frame is the one taken
    // already (a media length that runs past the last frame) is not taken (nor asked about)
    // twice.
    const std::int64_t frame = m_host.FrameDuration();
    const TFrameGrid grid(frame);
    std::int64_t taken = -1;
    m_host.NoteVideoFile();
    for (std::int64_t k = 0; k < total; ++k) {
        if (m_host.StopRequested() || !m_host.HasVideo())
            break;
        // Steps of frames count frames on the grid (a step of 7 NTSC frames is not a whole
        // number of 100-ns units); the navigation manager moves any other target to the start
        // of its nearest frame.
        const std::int64_t target = m_stepFrames > 0
                                        ? grid.TimeOf(grid.IndexAt(m_startPos) + k * m_stepFrames)
                                        : m_startPos + k * m_stepTicks;
        m_host.SeekPrecise(target);
        m_host.ProcessMessages();
        if (!self)
            return;
        // The video may have been closed while the seek let the event loop run.
        if (!m_host.HasVideo())
            break;
        const std::int64_t shown = m_host.GetPosition();
        // The frame before again, short of the target: the file ends there now. A file that
        // was cut or rewritten under the run has lost the rest, which is not a run that went
        // well (a length that only runs past the last frame leaves the file as it was).
        if (shown == taken && shown + std::max<std::int64_t>(frame, 1) / 2 < target &&
            m_host.VideoFileChanged()) {
            m_host.FrameLost(target);
            m_host.SetStopRequested(true);
            break;
        }
        if (shown != taken) {
            taken = shown;
            const bool written = m_host.Grab();
            if (!self)
                return;
            if (!written) {
                // The grab has said why; one message is enough, so the run ends here.
                m_host.SetStopRequested(true);
                break;
            }
            ++m_taken;
        }
        --m_remaining;
        if (m_panel)
            m_panel->ShowCount(m_remaining);
        Q_EMIT StepDone(k + 1, total);
        if (!self)
            return;
    }
    m_state = TState::isEnding;
    m_window.post(TIntervalEndMsg{});
}

void TIntervalCapture::Break()
{
    m_host.SetStopRequested(true);
}

void TIntervalCapture::EndRun()
{
    if (m_state != TState::isEnding)
        return;
    m_host.Pause();
    m_host.GoToStart();
    m_host.SetStopRequested(true);
    m_host.Stop();
    m_host.SetVolume(m_host.VolumeSetting());
    m_host.Pause();
    m_state = TState::isIdle;
    ShowRunning(false);
    Count();
    Q_EMIT RunEnded();
}
