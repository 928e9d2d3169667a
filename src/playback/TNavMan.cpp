// The navigation manager: construction, the collaborators, positions and durations, the
// notifiers' messages and the bound position edit and track bar.
#include "playback/TNavMan.h"

#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "media/TFramesNotifier.h"
#include "media/TavSource.h"
#include "media/Timecode.h"
#include "widgets/TImageList.h"
#include "widgets/TVDIcons.h"

#include <algorithm>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <QToolTip>
#include <QWheelEvent>

namespace {

// Main thread: the frames notifier's navigation targets when they are this manager.
TFramesNotifier::TNavTargets navTargetsOf(TNavMan &nav)
{
    return {nav.NavInbox<TFrameDurationMsg>(), nav.NavInbox<TFramesPositionMsg>()};
}

} // namespace

TNavMan::TNavMan(QObject *parent) : TNavMan(parent, TNoBuild{})
{
    BuildActions();
}

TNavMan::TNavMan(QObject *parent, TNoBuild)
    : TDVMan(parent),
      m_navInbox(TOverloaded{
          [this](const TFramesPositionMsg &m) {
              ShownPosition = m.position;
              OnFramesPosition(m.text);
          },
          // The sample notifier passes the low 32 bits only.
          [this](const TFrameDurationMsg &m) { SetFrameDuration(int64_t(int32_t(uint32_t(m.duration)))); },
          [this](const TFramesReachedMsg &m) { OnFramesReached(m.target, m.position); },
      })
{
    Setup();
}

TNavMan::~TNavMan()
{
    // Sent messages may still arrive while the graph goes down: from here on they are
    // answered without reaching this half-destroyed manager.
    m_navInbox.close();
    CloseDvInbox();
    UnbindEdit();
    UnbindSlider();
    if (m_videoSource)
        m_videoSource->ClearDurationTarget();
    if (m_notifier && m_notifier->NavWindow() == navTargetsOf(*this))
        m_notifier->SetNavWindow({});
    SetRendererFilter(nullptr);
    // The notifiers may still hold m_navInbox: the graph goes down while it exists.
    StopStreaming();
}

void TNavMan::Setup()
{
    // The navigation buttons' images, in the order the actions name them.
    static const int order[] = {TVDIcons::imgReculeHigh, TVDIcons::imgReculeMedium, TVDIcons::imgReculeLow,
                                TVDIcons::imgAvanceLow,  TVDIcons::imgAvanceMedium, TVDIcons::imgAvanceHigh,
                                TVDIcons::imgAvanceFin,  TVDIcons::imgReculeDebut,  TVDIcons::imgPause,
                                TVDIcons::imgPlay};
    TImageList *all = TVDIcons::Create(this);
    m_images = new TImageList(this);
    for (int i : order)
        m_images->Add(all->Icon(i));
    delete all;
    SetImages(m_images);
}

// --- collaborators -------------------------------------------------------------------------------

void TNavMan::SetFramesNotifier(TFramesNotifier *notifier)
{
    if (m_notifier == notifier)
        return;
    if (m_notifier && m_notifier->NavWindow() == navTargetsOf(*this))
        m_notifier->SetNavWindow({});
    m_notifier = notifier;
    m_cacheShown = false;
    if (notifier) {
        notifier->SetNavWindow(navTargetsOf(*this));
        notifier->FrameCache().SetLimit(FrameCacheBytes);
        if (FrameDuration > 1)
            notifier->SetFrameDuration(FrameDuration);
    }
}

void TNavMan::SetRendererFilter(GstElement *renderer)
{
    if (renderer == m_renderer.get())
        return;
    m_inputProbe.reset();
    m_renderer = TGstElement::ref(renderer);
    m_shownExact = false;
    m_cacheShown = false;
    if (!m_renderer)
        return;
    TGstPad pad = TGstPad::adopt(gst_element_get_static_pad(m_renderer, "sink"));
    if (!pad)
        return;
    // Streaming thread: counts the frames reaching the renderer and notes the end of stream.
    auto probe = [](GstPad *, GstPadProbeInfo *info, gpointer data) {
        auto *input = static_cast<std::shared_ptr<TRendererInput> *>(data)->get();
        if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
            input->buffers.fetch_add(1);
        } else if (GstEvent *e = GST_PAD_PROBE_INFO_EVENT(info)) {
            if (GST_EVENT_TYPE(e) == GST_EVENT_EOS)
                input->eos.store(true);
            else if (GST_EVENT_TYPE(e) == GST_EVENT_FLUSH_STOP || GST_EVENT_TYPE(e) == GST_EVENT_SEGMENT)
                input->eos.store(false);
        }
        return GST_PAD_PROBE_OK;
    };
    m_inputProbe = TGstProbe::add(pad,
                                  GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_BOTH |
                                                  GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                                  probe, new std::shared_ptr<TRendererInput>(m_input), [](gpointer data) {
                                      delete static_cast<std::shared_ptr<TRendererInput> *>(data);
                                  });
}

void TNavMan::AttachVideoSource(TVideoSource *source)
{
    if (m_videoSource)
        m_videoSource->ClearDurationTarget();
    m_videoSource = source;
    m_landsLate = false;
    m_keyUnitRefused = false;
    // The bound again (a DV source before turned the cache off).
    if (m_notifier)
        m_notifier->FrameCache().SetLimit(FrameCacheBytes);
    if (source) {
        source->SetDurationTarget(&m_navInbox);
        // Read here, never while a streaming thread waits for the frame duration's answer.
        ReadVideoSpan();
        // The frame duration may have come first: the length and the end follow the span, the
        // grid follows a variable rate's nominal one.
        if ((HasVideoSpan() || m_nominalDuration > 0) && FrameDuration > 1)
            SetFrameDuration(FrameDuration);
    }
}

int64_t TNavMan::Origin() const
{
    if (!m_notifier)
        return 0;
    const int64_t o = m_notifier->Origin();
    return o == TFramesNotifier::kNoOrigin ? 0 : o;
}

// --- positions and durations ---------------------------------------------------------------------

QString TNavMan::PositionText(int64_t t) const
{
    return TimecodeText(t, FrameDuration);
}

int64_t TNavMan::GetPosition()
{
    int64_t position = 0;
    if (m_notifier) {
        position = m_notifier->Position();
    } else {
        const int64_t p = Graph()->position();
        if (p < 0)
            return 0;
        position = p - Origin();
    }
    const QString text = PositionText(position);
    if (text != LastPositionText) {
        LastPositionText = text;
        if (m_edit || m_slider || OnDisplayTime || OnKPosition) {
            if (SliderFollows && m_slider)
                m_slider->setValue(int(position / SliderUnit));
            if (OnKPosition && EndPosition > StartPosition)
                OnKPosition(int32_t((position - StartPosition) * SliderUnit / (EndPosition - StartPosition)));
        }
    }
    return position;
}

void TNavMan::SetFrameDuration(int64_t d)
{
    if (d == 0)
        return;
    // A variable rate: the grid its frames sit on, not the average the stream reports.
    if (d > 1 && m_nominalDuration > 0 && m_spanSource == m_videoSource && m_videoSource)
        d = m_nominalDuration;
    const int64_t before = FrameDuration;
    FrameDuration = d;
    if (m_notifier) {
        m_notifier->SetFrameDuration(d);
        // The stream's caps are known by now: DV keeps no cache (see ShowCachedFrame).
        if (SourceCarriesDv())
            m_notifier->FrameCache().SetLimit(0);
    }
    // A stream connected before the graph knew its length: the first frame duration comes
    // with the stream's caps, by which time the demuxer knows it. A length from time stamps
    // ends with the last frame, which needs the frame duration.
    if (d > 1 && (MediaDuration <= 0 || HasVideoSpan())) {
        const int64_t dur = ReadMediaDuration();
        if (dur > 0)
            MediaDuration = dur;
    }
    if (OnDuration)
        OnDuration(TimecodeText(MediaDuration, d));
    // The start of the last frame, on the grid (for 29.97 fps, MediaDuration - d may lie a unit
    // before it).
    SetEndPosition(d > 1 ? TFrameGrid(d).Snap(MediaDuration - d) : MediaDuration - d);
    // A stream whose rate arrives after its first frame (a decoder that fails on the first
    // ones, a failed open that keeps the video before): what follows the shown frame's time
    // (the name the next image takes) was made in the old duration's terms. The position
    // field is left to the next frame's own text: the frames notifier's position may still be
    // the one before a seek under way.
    if (d > 1 && d != before && ShownPosition != kNothingShown && OnDisplayTime)
        OnDisplayTime(PositionText(m_notifier ? m_notifier->Position() : ShownPosition));
}

void TNavMan::SetEndPosition(int64_t end)
{
    EndPosition = end;
    if (m_slider)
        m_slider->setMaximum(
            int(std::clamp<int64_t>(EndPosition / SliderUnit, 0, std::numeric_limits<int>::max())));
}

void TNavMan::ResetDuration()
{
    const int64_t dur = ReadMediaDuration();
    if (dur >= 0)
        MediaDuration = dur;
    else if (!Graph()->canSeek())
        MediaDuration = 0;
    StartPosition = 0;
    SetFrameDuration(1);
    Seeking = false;
    Stepping = false;
}

// --- messages ------------------------------------------------------------------------------------

void TNavMan::OnFramesPosition(const QString &text)
{
    if (!m_edit && !m_slider && !OnDisplayTime && !OnKPosition)
        return;
    if (OnDisplayTime)
        OnDisplayTime(text);
    if (EditFollows && m_edit) {
        m_edit->setText(text);
        MarkPositionEdit(false); // the refused text is gone
    }
    GetPosition();
}

void TNavMan::MarkPositionEdit(bool marked)
{
    if (!m_edit || marked == m_editMarked)
        return;
    m_editMarked = marked;
    if (marked) {
        m_editHint = m_edit->toolTip();
        m_edit->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid #c00000; }"));
        m_edit->setToolTip(QStringLiteral("Position attendue : h:mm:ss:ii (heures, minutes, secondes, "
                                          "numéro d'image), par exemple 0:01:30:12"));
        QToolTip::showText(m_edit->mapToGlobal(QPoint(0, m_edit->height())), m_edit->toolTip(), m_edit);
    } else {
        m_edit->setStyleSheet(QString());
        m_edit->setToolTip(m_editHint);
        QToolTip::hideText();
    }
}

void TNavMan::WheelFrames(const QWheelEvent *event)
{
    // 120 eighths of a degree make one notch; finer wheels add up to it.
    m_wheelRest += event->angleDelta().y();
    while (m_wheelRest >= 120 || m_wheelRest <= -120) {
        const bool forward = m_wheelRest > 0;
        m_wheelRest += forward ? -120 : 120;
        TNopeAction *step = forward ? naAvanceFrame : naReculeFrame;
        if (step && step->isEnabled())
            step->Apply();
    }
}

bool TNavMan::Stop()
{
    if (!m_notifier)
        return TDVMan::Stop();
    // No position text or DV code may reach the display of a graph being stopped.
    const bool text = m_notifier->NotifyText();
    const bool dv = DVCodeEnabled;
    m_notifier->SetNotifyText(false);
    DVCodeEnabled = false;
    // Only the messages of the graph: the positions and DV codes already on their way, and the
    // requests streaming threads wait on. A user's command, a timer or the end of an interval
    // run handled here would run in the middle of the caller (a speed or decoder change), which
    // then goes on from what it saw before; they wait for the caller to return to the loop.
    TMessageReceiverBase::servicePendingSent();
    QCoreApplication::sendPostedEvents(&m_navInbox);
    DeliverPostedDvFrames();
    m_cacheShown = false;
    m_graphKeyUnit = false;
    const bool ok = TDVMan::Stop();
    m_notifier->SetNotifyText(text);
    DVCodeEnabled = dv;
    return ok;
}

bool TNavMan::ShiftHeld() const
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

// --- bound controls ------------------------------------------------------------------------------

void TNavMan::SetPositionEdit(QLineEdit *edit)
{
    if (m_edit == edit)
        return;
    UnbindEdit();
    m_edit = edit;
    if (!edit)
        return;
    EditFollows = true;
    edit->installEventFilter(this);
    connect(edit, &QObject::destroyed, this, [this] { EditFollows = false; });
    // The mark of a refused text goes as soon as the user has typed a position again.
    connect(edit, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_editMarked && IsPositionText(text, FrameDuration))
            MarkPositionEdit(false);
    });
}

void TNavMan::UnbindEdit()
{
    if (m_edit) {
        m_edit->removeEventFilter(this);
        disconnect(m_edit, nullptr, this, nullptr);
    }
    m_edit = nullptr;
    EditFollows = false;
}

void TNavMan::SetSlider(QSlider *slider)
{
    if (m_slider == slider)
        return;
    UnbindSlider();
    m_slider = slider;
    if (!slider)
        return;
    UpdateSliderRange();
    SliderFollows = true;
    slider->installEventFilter(this);
    // actionTriggered reports the user's moves only (mouse, keys, wheel), never setValue.
    connect(slider, &QAbstractSlider::actionTriggered, this, [this](int) {
        if (m_slider)
            OnSliderMoved(m_slider->sliderPosition());
    });
    connect(slider, &QObject::destroyed, this, [this] { SliderFollows = false; });
}

void TNavMan::UnbindSlider()
{
    if (m_slider) {
        m_slider->removeEventFilter(this);
        disconnect(m_slider, nullptr, this, nullptr);
    }
    m_slider = nullptr;
    SliderFollows = false;
}

void TNavMan::UpdateSliderRange()
{
    if (!m_slider)
        return;
    m_slider->setMinimum(int(StartPosition / SliderUnit));
    m_slider->setMaximum(int(std::min<int64_t>(EndPosition / SliderUnit, std::numeric_limits<int>::max())));
}

void TNavMan::OnSliderMoved(int value)
{
    SeekTo(true, int64_t(value) * SliderUnit);
}

bool TNavMan::eventFilter(QObject *watched, QEvent *event)
{
    if (m_edit && watched == m_edit) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (AcceptEnter && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                QPointer<QLineEdit> edit = m_edit;
                if (!SeekToText(edit->text())) {
                    // The position stays; the field says what it wants and keeps the focus
                    // for the correction.
                    MarkPositionEdit(true);
                    return true;
                }
                MarkPositionEdit(false);
                if (edit)
                    if (QWidget *next = edit->nextInFocusChain(); next && next != edit)
                        next->setFocus(Qt::TabFocusReason);
                return true;
            }
            break;
        }
        case QEvent::FocusIn:
            EditFollows = false; // what the user types is not overwritten
            break;
        case QEvent::FocusOut:
            EditFollows = true;
            break;
        case QEvent::Wheel:
            WheelFrames(static_cast<QWheelEvent *>(event));
            return true;
        default:
            break;
        }
    } else if (m_slider && watched == m_slider) {
        if (event->type() == QEvent::Wheel) {
            WheelFrames(static_cast<QWheelEvent *>(event));
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress)
            SliderFollows = false;
        else if (event->type() == QEvent::MouseButtonRelease)
            SliderFollows = true;
    }
    return TDVMan::eventFilter(watched, event);
}
