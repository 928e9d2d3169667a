// Grab and save in the main window: the grabber with its actions in gpal, the image-saving and
// thumbnail panels in the places kept for them, the status line, and the presses on the video.
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TPointAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TContainerDate.h"
#include "capture/TDossiersFrame.h"
#include "capture/TGrabber.h"
#include "capture/TImageMetadata.h"
#include "capture/TImagetteFrame.h"
#include "capture/TShowForm.h"
#include "capture/Tnavframe.h"
#include "media/TFramesNotifier.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "media/Timecode.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>
#include <memory>

namespace {

// Hands the mouse presses of a widget to a function; the press goes on to the widget.
class TPressFilter : public QObject
{
public:
    TPressFilter(QWidget *watched, std::function<void(Qt::MouseButton, QPoint)> onPress)
        : QObject(watched), m_onPress(std::move(onPress))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            auto *e = static_cast<QMouseEvent *>(event);
            m_onPress(e->button(), e->position().toPoint());
        }
        return false;
    }

private:
    std::function<void(Qt::MouseButton, QPoint)> m_onPress;
};

} // namespace

// Puts panel where placeholder is (same parent, name, place, visibility and stacking) and
// deletes the placeholder; slot then points to panel.
void TShowForm::TakePanelPlace(QWidget *&slot, QWidget *panel)
{
    QWidget *old = slot;
    if (old) {
        panel->setParent(old->parentWidget());
        panel->setObjectName(old->objectName());
        panel->setGeometry(old->geometry());
        panel->setVisible(old->isVisible());
        panel->stackUnder(old);
    }
    slot = panel;
    delete old;
}

void TShowForm::AddGrabActions()
{
    m_grabber = new TGrabber(this, gpal, m_prompts, this);
    m_containerDate = std::make_shared<TContainerDate>();
    m_grabber->setObjectName(QStringLiteral("grabber"));
    m_grabber->StopRequested = &StopRequested;

    TGrabber::THost &h = m_grabber->Host;
    h.HasVideo = [this] { return HasVideo; };
    h.CurrentVideoFile = [this] { return CurrentVideoFile; };
    h.Playing = [this] { return NavMan->caPlay->Checked(); };
    h.FramePosition = [this] {
        const TFramesNotifier *fn = NavMan->FramesNotifier();
        return fn ? std::int64_t(fn->Position()) : std::int64_t(0);
    };
    h.FrameDuration = [this] { return std::int64_t(NavMan->FrameDuration); };
    h.PositionText = [this] {
        // The position field learns the frame's position through a posted message, which may
        // still be on its way when a grab follows a seek at once (interval capture): the text
        // is made from the frame notifier's position, as the field will show it.
        if (const TFramesNotifier *fn = NavMan->FramesNotifier())
            return TimecodeText(fn->Position(), NavMan->FrameDuration);
        return navframe->CurrentEdit ? navframe->CurrentEdit->text() : QString();
    };
    h.SeekToText = [this](const QString &text) { NavMan->waStrPosition->SetValue(text); };
    h.ShowThumbnailPanel = [this] {
        if (iaPanneauActif->Value != 0)
            iaPanneauActif->SetValue(0);
    };
    h.SetAspectMode = [this](int mode) { vidman->SetForcedAspect(TForcedAspect(mode)); };
    h.NumberCodeOn = [this] { return NumberCodeOn; };
    h.NumberText = [this](const QString &text) {
        TIncrustNumero numero;
        numero.Text = text;
        vidman->SetNumero(numero);
    };
    h.SlidersOn = [this] { return caSliders->Checked(); };
    h.ImageSaved = [this](const QString &path) { say(QStringLiteral("Image enregistrée : %1").arg(path)); };
    h.GrabFailed = [this] { RunStatus().Fail(TRunFailure::GrabFailed); };
    h.SetOverlayPosition = [this](QPoint p) {
        // Ten-thousandths of the picture's width and height, from its top-left corner.
        const QRect r = VideoRect;
        if (r.width() <= 0 || r.height() <= 0)
            return;
        vidman->paInsertPosition->SetValue(
            QPoint((p.x() - r.left()) * 10000 / r.width(), (p.y() - r.top()) * 10000 / r.height()));
    };
    h.Provenance = [this, containerDate = m_containerDate](TImageProvenance &p) {
        p.Software = FullTitle();
        p.SourceFile = CurrentVideoFile;
        const TFramesNotifier *fn = NavMan->FramesNotifier();
        const std::int64_t d = std::max<std::int64_t>(NavMan->FrameDuration, 1);
        const std::int64_t position = fn ? fn->Position() : 0;
        p.TimeStamp = TimecodeText(position, d);
        // The index on the frame grid, the rule the position text follows (29.97 fps frames are
        // no whole number of units).
        p.FrameIndex = position >= 0 ? NavMan->Grid().IndexAt(position) : -1;
        // The DV record of the frame shown: the source's notifier analysed it (and the frames
        // queued behind it) upstream; the buffer time stamp finds it again.
        TframeData frame;
        bool haveFrame = false;
        int place = -1;
        double fps = 1e7 / double(d);
        if (TVideoSource *source = vidman->CurrentSource()) {
            if (TNotifier *dv = source->DvNotifier()) {
                const std::int64_t pts = fn ? fn->LastPts() : -1;
                haveFrame = pts >= 0 ? dv->FrameDataAt(pts, d * 50, frame) : false;
                if (!haveFrame && pts < 0) {
                    frame = dv->GetFrameData();
                    haveFrame = true;
                }
                if (haveFrame)
                    place = dv->PlaceInSecond(frame);
                const double sourceFps = dv->GetVideoData().Fps;
                if (sourceFps > 0)
                    fps = sourceFps;
            }
        }
        const bool dated = haveFrame && frame.DateValid;
        const QDateTime creation = dated ? QDateTime() : containerDate->CreationTime(CurrentVideoFile);
        ImageMetadata::SetDate(p, haveFrame ? &frame : nullptr, vidman->DateOffset(), place, fps, creation,
                               position);
    };
    m_grabber->SetRenderer(vidman.get());

    auto *imagette = new TImagetteFrame(m_client);
    TakePanelPlace(ImagetteFrame, imagette);
    m_grabber->SetImagette(imagette);
    auto *dossiers = new TDossiersFrame(*m_grabber, m_client);
    TakePanelPlace(SaveImagesFrame, dossiers);
    AddShortcutFreeField(dossiers->RootEdit());

    m_grabber->SetStatusLabel(ImageLab);
    ImageLab->setCursor(Qt::PointingHandCursor);
    new TPressFilter(ImageLab, [this](Qt::MouseButton button, QPoint) {
        if (button == Qt::LeftButton)
            m_grabber->StatusLineClicked();
    });
    new TPressFilter(videoPanel,
                     [this](Qt::MouseButton button, QPoint pos) { m_grabber->VideoMousePress(button, pos); });

    // A name made of the time stamp follows the position: after a step the status line shows
    // the name the next grab will take.
    NavMan->OnDisplayTime = [this](const QString &) {
        if (m_grabber->iaImageAjouter->Value == 0)
            m_grabber->UpdateImageName();
    };
    AfterOpenGrab = [this] { m_grabber->VideoOpened(); };
    AfterCloseGrab = [this] { m_grabber->VideoClosed(); };
}
