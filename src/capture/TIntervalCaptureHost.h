#pragma once
// The interval capture's view of the main window's managers: the navigation manager moves and
// pauses, the audio manager is silenced during a run, the grabber takes each image and holds
// the stop flag that its overwrite question ("Annuler") and naAbort (Esc, the close of the
// window) set.
//
// Main thread only.
#include "capture/TIntervalCapture.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

class TAudioMan;
class TGrabber;
class TNavMan;

class TIntervalCaptureHost : public QObject, public IIntervalHost
{
    Q_OBJECT
public:
    TIntervalCaptureHost(TNavMan *nav, TAudioMan *audio, TGrabber *grabber, QObject *parent = nullptr);

    std::int64_t FrameDuration() override;
    std::int64_t MediaDuration() override;
    std::int64_t GetPosition() override;
    void Pause() override;
    void Stop() override;
    void GoToStart() override;
    void SeekPrecise(std::int64_t target) override;
    void SetVolume(int volume) override;
    int VolumeSetting() override;
    bool HasVideo() override;
    bool Grab() override;
    bool StopRequested() override;
    void SetStopRequested(bool stop) override;
    void ProcessMessages() override;
    void NoteVideoFile() override;
    bool VideoFileChanged() override;
    void FrameLost(std::int64_t target) override;

private:
    QPointer<TNavMan> m_nav;
    QPointer<TAudioMan> m_audio;
    QPointer<TGrabber> m_grabber;
    // The video file when the run began: its size and its last change.
    QString m_file;
    qint64 m_fileSize = -1;
    QDateTime m_fileModified;
};
