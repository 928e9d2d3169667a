#include "capture/TIntervalCaptureHost.h"

#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "capture/TGrabber.h"
#include "playback/TAudioMan.h"
#include "playback/TNavMan.h"

#include "media/Timecode.h"

#include <QCoreApplication>
#include <QFileInfo>

TIntervalCaptureHost::TIntervalCaptureHost(TNavMan *nav, TAudioMan *audio, TGrabber *grabber, QObject *parent)
    : QObject(parent), m_nav(nav), m_audio(audio), m_grabber(grabber)
{}

std::int64_t TIntervalCaptureHost::FrameDuration()
{
    return m_nav ? m_nav->FrameDuration : 0;
}

std::int64_t TIntervalCaptureHost::MediaDuration()
{
    return m_nav ? m_nav->MediaDuration : 0;
}

std::int64_t TIntervalCaptureHost::GetPosition()
{
    return m_nav ? m_nav->GetPosition() : 0;
}

void TIntervalCaptureHost::Pause()
{
    if (!m_nav)
        return;
    // Through the play button when it is down, so that it comes up with the pause (and the
    // grab does not wait for frames of a playback that no longer runs).
    if (m_nav->caPlay && m_nav->caPlay->Checked())
        m_nav->caPlay->SetChecked(false);
    else
        m_nav->Pause();
}

void TIntervalCaptureHost::Stop()
{
    if (m_nav)
        m_nav->Stop();
}

void TIntervalCaptureHost::GoToStart()
{
    if (m_nav)
        m_nav->GoToStart();
}

void TIntervalCaptureHost::SeekPrecise(std::int64_t target)
{
    if (m_nav)
        m_nav->SeekPrecise(target);
}

void TIntervalCaptureHost::SetVolume(int volume)
{
    if (m_audio)
        m_audio->SetVolume(volume);
}

int TIntervalCaptureHost::VolumeSetting()
{
    return m_audio && m_audio->iaVolume ? m_audio->iaVolume->Value : 0;
}

bool TIntervalCaptureHost::HasVideo()
{
    return m_grabber && m_grabber->Host.HasVideo && m_grabber->Host.HasVideo();
}

bool TIntervalCaptureHost::Grab()
{
    // Only a save that failed ends the run; a declined or cancelled one is the user's answer
    // (Annuler has set the stop flag already).
    return !m_grabber || m_grabber->Grab() != TGrabber::TGrabStatus::gsFailed;
}

bool TIntervalCaptureHost::StopRequested()
{
    return !m_grabber || *m_grabber->StopRequested;
}

void TIntervalCaptureHost::SetStopRequested(bool stop)
{
    if (m_grabber)
        *m_grabber->StopRequested = stop;
}

void TIntervalCaptureHost::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TIntervalCaptureHost::NoteVideoFile()
{
    m_file = m_grabber && m_grabber->Host.CurrentVideoFile ? m_grabber->Host.CurrentVideoFile() : QString();
    const QFileInfo info(m_file);
    m_fileSize = m_file.isEmpty() ? -1 : info.size();
    m_fileModified = m_file.isEmpty() ? QDateTime() : info.lastModified();
}

bool TIntervalCaptureHost::VideoFileChanged()
{
    if (m_file.isEmpty())
        return false;
    const QFileInfo info(m_file);
    return !info.exists() || info.size() != m_fileSize || info.lastModified() != m_fileModified;
}

void TIntervalCaptureHost::FrameLost(std::int64_t target)
{
    if (!m_grabber)
        return;
    m_grabber->ReportError(
        QStringLiteral("La vidéo %1 a changé pendant la capture : l'image à %2 ne peut plus être lue. La "
                       "capture s'arrête.")
            .arg(m_file, TimecodeText(target, FrameDuration())),
        false);
    if (m_grabber->Host.GrabFailed)
        m_grabber->Host.GrabFailed();
}
