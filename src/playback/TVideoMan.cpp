// The video manager: construction, the stream connection and the format and aspect handling.
// The overlay codes are in TVideoManOverlay.cpp, the message displays in TVideoManDisplay.cpp,
// the actions and preferences in TVideoManActions.cpp.
#include "playback/TVideoMan.h"

#include "core/FramixLog.h"
#include "media/MediaMessages.h"
#include "media/TDVMan.h"
#include "media/TDecoderLinks.h"
#include "media/TGrapheMan.h"
#include "media/TMediaDevice.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "media/gst/TGuid.h"
#include "playback/TNavMan.h"
#include "widgets/TLinkEdit.h"

#include <cstdlib>

TVideoMan::TVideoMan(QObject *parent)
    : TWindowLessMan(parent, TNoBuild{}),
      m_videoInbox(TOverloaded{
          [this](const TVideoFormatMsg &m) { OnVideoFormat(m.stage, m.video); },
          [this](const TDvIncrustMsg &m) { SetIncrustDV(m.value); },
          [this](const TFramesTextMsg &m) { SetTimestampText(m.text); },
      })
{
    m_decoders = std::make_unique<TDecoderMan>(this);
    m_decoders->Configure(&TDecoderLists::VideoDefaults(), &TDecoderLists::VideoLearned(),
                          TDecoderLists::NoVideoDecoder());

    // The frames notifier sits behind the decoder as the decoder manager's second post filter.
    // Its record is this manager's own (an element handed in, never made or dropped by the
    // decoder manager), so two managers never share one instance.
    m_framesNotifier = std::make_unique<TFramesNotifier>();
    m_framesNotifier->SetVideoWindow(&m_videoInbox);
    m_framesNotifierRec.Clsid = TGuid::fromString(QStringLiteral("{5104DD25-61F8-458D-AD1D-FCCF8BA18B60}"));
    m_framesNotifierRec.Name = QStringLiteral("FramesNotifier de Vardo");
    m_framesNotifierRec.Kind = fkExternal;
    ReleaseInstance(&m_framesNotifierRec, m_framesNotifier->element());
    m_decoders->PostFilter2 = &m_framesNotifierRec;

    BuildActions();
}

TVideoMan::~TVideoMan()
{
    m_videoInbox.close();
    CloseDisplayInbox();
    // The owner's handlers may already be gone with it: nothing is reported from here on.
    OnNotifyVideoDecoder = nullptr;
    OnNotifyVideoFormat = nullptr;
    if (m_source)
        DisconnectVideo(false);
    // The navigation manager keeps the notifier it was given: it must not outlive it there.
    if (auto *nav = qobject_cast<TNavMan *>(m_graphMan.data());
        nav && nav->FramesNotifier() == m_framesNotifier.get())
        nav->SetFramesNotifier(nullptr);
    delete m_label.data();
    delete m_picture.data();
}

QString TVideoMan::CurrentDecoderName() const
{
    return m_decoders->Current ? m_decoders->Current->Name : NoDecoderText();
}

void TVideoMan::NotifyDecoder(const QString &name)
{
    if (OnNotifyVideoDecoder)
        OnNotifyVideoDecoder(name);
}

void TVideoMan::NotifyFormat(const QString &text)
{
    if (OnNotifyVideoFormat)
        OnNotifyVideoFormat(text);
}

// --- Connection ----------------------------------------------------------------------------

bool TVideoMan::ConnectVideoSource(TVideoSource *source)
{
    if (source && source == m_source)
        return true;
    // The renderer takes one stream: the one shown so far lets it go first.
    if (m_source)
        DisconnectVideo(false);
    ClearWindow();
    // The placeholder of a file without video stands for none.
    if (source == TMediaPlaceholders::NoVideo())
        source = nullptr;
    m_source = source;
    if (!source) {
        ShowNoVideo();
        return false;
    }
    bool ok = false;
    try {
        ok = ConnectChain(source);
    } catch (...) {
        // The chain runs the application's notifications and sent messages.
        qCWarning(lcPlayback) << "connecting the video stream:" << currentExceptionText();
        ok = false;
    }
    if (!ok) {
        qCInfo(lcPlayback) << "the video stream could not be connected to a decoder and the renderer";
        DisconnectVideo(true);
        ShowBadVideo();
        return false;
    }
    qCInfo(lcPlayback).noquote() << "video stream connected through" << CurrentDecoderName();
    ShowVideo();
    return true;
}

bool TVideoMan::ConnectChain(TVideoSource *source)
{
    m_graphMan = source->OwnerGraph;
    m_decoders->Graph = m_graphMan;
    if (!m_graphMan || !Renderer())
        return false;
    auto *nav = qobject_cast<TNavMan *>(m_graphMan.data());
    // The navigation manager's seeks wait on the renderer and step it.
    if (nav)
        nav->SetRendererFilter(Renderer());
    if (!source->ConnectSource(m_graphMan, {.video = &m_videoInbox}))
        return false;
    if (!AttachToGraph(m_graphMan->Graph()))
        return false;

    // Positions count from the first frame of the file: a new stream teaches the notifier its
    // origin again, the same stream connected again keeps the one it had.
    if (source == m_originSource && m_origin != TFramesNotifier::kNoOrigin)
        m_framesNotifier->SetOrigin(m_origin);
    else
        m_framesNotifier->ResetOrigin();
    m_originSource = source;
    m_framesNotifier->SetVideoWindow(&m_videoInbox);
    // Positions and time stamps come from the frames notifier once the navigation manager
    // gives it the frame duration.
    if (nav) {
        nav->SetFramesNotifier(m_framesNotifier.get());
        m_framesNotifier->SetNotifyText(true);
    }

    TNotifier *own = source->OwnNotifier();
    if (!own || !m_decoders->ConnectDecoder(own->element(), Renderer()))
        return false;

    NotifyDecoder(CurrentDecoderName());
    m_videoState = TVideoState::Shown;
    if (TNotifier *n = source->DvNotifier()) {
        n->SetVideoTarget(&m_videoInbox);
        n->SetNotifyVideo(true);
    }
    if (auto *dv = qobject_cast<TDVMan *>(m_graphMan.data()); dv && !dv->DVCodeSource())
        dv->SetDVCodeSource(source);
    if (nav) {
        nav->ResetDuration();
        if (!nav->AttachedVideoSource())
            nav->AttachVideoSource(source);
    }
    return true;
}

void TVideoMan::DisconnectVideo(bool showNoVideo)
{
    NotifyDecoder(NoDecoderText());
    NotifyFormat(NoVideoText());
    ClearWindow();
    // The pictures of a closed video give their memory back at once.
    m_framesNotifier->FrameCache().Clear();
    if (m_graphMan && m_source) {
        try {
            if (m_originSource == m_source)
                m_origin = m_framesNotifier->Origin();
            if (auto *dv = qobject_cast<TDVMan *>(m_graphMan.data()); dv && dv->DVCodeSource() == m_source)
                dv->SetDVCodeSource(nullptr);
            if (auto *nav = qobject_cast<TNavMan *>(m_graphMan.data())) {
                if (nav->AttachedVideoSource() == m_source)
                    nav->AttachVideoSource(nullptr);
                // The renderer leaves the graph below: seeks no longer wait on it.
                if (nav->RendererFilter() == Renderer())
                    nav->SetRendererFilter(nullptr);
            }
            // No more format reports for a stream that is not shown.
            if (TNotifier *n = m_source->DvNotifier())
                n->SetNotifyVideo(false);
            // The decoder manager takes out everything between the source and the renderer,
            // the frames notifier included (it stays ours).
            m_decoders->DisconnectDecoder();
            // A renderer left unlinked in the graph would never preroll and hold the other
            // streams (the audio of the same file) in their transition.
            AttachToGraph(nullptr);
            m_source->DisconnectSource();
            m_decoders->Graph = nullptr;
        } catch (...) {
            // Disconnecting goes on regardless: the stream is forgotten below.
            qCWarning(lcPlayback) << "disconnecting the video stream:" << currentExceptionText();
        }
    }
    m_source = nullptr;
    m_videoState = TVideoState::NoVideo;
    if (showNoVideo)
        ShowNoVideo();
    if (auto *nav = qobject_cast<TNavMan *>(m_graphMan.data()))
        nav->ResetDuration();
}

void TVideoMan::NextDecoder()
{
    // The decoder manager starts the new decoder where the graph stands: first the graph goes
    // to the frame shown. Another decoder's pictures may differ from the cached ones.
    auto *nav = qobject_cast<TNavMan *>(m_graphMan.data());
    if (nav)
        nav->RejoinCachedFrame();
    const int64_t shown = m_framesNotifier->Position();
    const int errors = nav ? nav->Graph()->errorCount() : 0;
    m_framesNotifier->FrameCache().Clear();
    m_decoders->NextDecoder();
    // The next move starts from a settled graph showing the same frame.
    if (nav && m_framesNotifier->FrameCount() > 0)
        nav->SettleAfterDecoderChange(shown, errors);
    NotifyDecoder(CurrentDecoderName());
}

void TVideoMan::ResetCounters()
{
    if (m_source && m_source->DvNotifier())
        m_source->DvNotifier()->ResetNotifier();
    m_decoders->ResetChoice();
}

// --- Format and aspect -------------------------------------------------------------------------

void TVideoMan::OnVideoFormat(TFormatStage kind, const TVideoData &format)
{
    m_videoFormat = format;
    // A notifier of a stream no longer shown may still have a report on its way.
    if (!m_source)
        return;
    if (kind == TFormatStage::VideoDescription) {
        if (m_videoFormat.Description != QStringLiteral("    "))
            NotifyFormat(m_videoFormat.Description + QStringLiteral(" - ") + m_videoFormat.SizeText);
        else
            NotifyFormat(m_videoFormat.SizeText);
    } else if (kind == TFormatStage::VideoAspect) {
        UpdateAspect();
    }
}

void TVideoMan::SetForcedAspect(TForcedAspect mode)
{
    m_forcedAspect = mode;
    UpdateAspect();
}

void TVideoMan::UpdateAspect()
{
    if (m_videoState != TVideoState::Shown)
        return;
    const TVideoData &f = m_videoFormat;
    const QSize native(std::abs(f.Width), std::abs(f.Height));
    QSize aspect;
    switch (m_forcedAspect) {
    case TForcedAspect::Force4x3:
        aspect = QSize(4, 3);
        break;
    case TForcedAspect::Force16x9:
        aspect = QSize(16, 9);
        break;
    case TForcedAspect::NativeSize:
        aspect = native;
        break;
    default:
        switch (f.AspectKind) {
        case TAspectKind::Aspect4x3:
            aspect = QSize(4, 3);
            break;
        case TAspectKind::Aspect16x9:
            aspect = QSize(16, 9);
            break;
        case TAspectKind::Other:
            aspect = QSize(f.AspectX, f.AspectY);
            break;
        default:
            aspect = native;
            break;
        }
    }
    SetAspectSize(aspect);
}
