// Opening and closing a video, the controls that follow it, and the managers' notifications.
#include "capture/TShowForm.h"

#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TContainerDate.h"
#include "capture/TGrabber.h"
#include "capture/TIntervalCapture.h"
#include "capture/Tnavframe.h"
#include "core/FramixLog.h"
#include "media/TDvFileReport.h"
#include "media/TFileDevice.h"
#include "media/TMediaFactory.h"
#include "media/TavSource.h"
#include "playback/TAudioMan.h"
#include "playback/TAudioSink.h"
#include "playback/TNavMan.h"
#include "playback/TTextGauge.h"
#include "playback/TVideoMan.h"
#include "script/TVDScript.h"
#include "shell/TFichierMan.h"
#include "shell/TScriptForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QTimer>

namespace {

// `path` with its extension (from the last dot of the file name) replaced by `ext`.
QString WithExtension(const QString &path, const QString &ext)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    return (dot > slash ? path.left(dot) : path) + ext;
}

QString FileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

void SetLabel(QLabel *label, const QString &text, QColor colour)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    label->setText(text);
}

void Enable(TCustomAbstractAction *a, bool on)
{
    if (a)
        a->SetEnabled(on);
}

} // namespace

bool TShowForm::ficmanTestExtension(const QString &extension)
{
    static const QStringList accepted = VideoExtensions();
    return accepted.contains(extension);
}

QStringList TShowForm::VideoExtensions()
{
    return {QStringLiteral(".avi"), QStringLiteral(".ivf"), QStringLiteral(".mpg"), QStringLiteral(".mpeg"),
            QStringLiteral(".m1v"), QStringLiteral(".mp2"), QStringLiteral(".mpe"), QStringLiteral(".wmv"),
            QStringLiteral(".asf"), QStringLiteral(".mts"), QStringLiteral(".m2ts"), QStringLiteral(".ts"),
            QStringLiteral(".vob"), QStringLiteral(".mkv"), QStringLiteral(".mov"), QStringLiteral(".mp4"),
            QStringLiteral(".3g2"), QStringLiteral(".m4v"), QStringLiteral(".m2v"),
            // Raw DV, which the media factory reads through its DV splitter.
            QStringLiteral(".dv"), QStringLiteral(".dif")};
}

QString TShowForm::VideoFilter()
{
    // The file manager's "description|patterns" form. Both cases: the extension test takes
    // clip.AVI, and the dialog's patterns are case-sensitive here.
    QStringList patterns;
    for (const QString &ext : VideoExtensions())
        patterns << u'*' + ext << u'*' + ext.toUpper();
    return QStringLiteral("Vidéos|") + patterns.join(u';');
}

QString TShowForm::OpenDialogFolder(const QString &fallback) const
{
    // The folder of the video open now, else of the last one opened, while it exists.
    QStringList candidates{CurrentVideoFile};
    candidates << ficman->RecentFiles();
    for (const QString &file : std::as_const(candidates)) {
        if (file.isEmpty())
            continue;
        const QFileInfo info(file);
        if (info.absoluteDir().exists())
            return info.absolutePath();
    }
    return fallback;
}

void TShowForm::openfile(const QString &path)
{
    qCInfo(lcCapture).noquote() << "opening" << path;
    // Where an open spends its time, step by step (framix.capture.debug).
    QElapsedTimer clock;
    clock.start();
    const auto step = [&](const char *what) {
        qCDebug(lcCapture).noquote() << "open step" << what << "at" << clock.elapsed() << "ms";
    };
    try {
        Scenes.LoadScenes(WithExtension(path, QStringLiteral(".scn")));
        TimerSysDate->stop();
        SetLabel(EnCoursLab, QStringLiteral("En train de charger ") + FileNamePart(path),
                 QColor(128, 128, 128));

        const bool wasPlaying = NavMan->caPlay->Checked();
        NavMan->Quiet = true;
        NavMan->Stop();
        QCoreApplication::processEvents();

        step("stopped the video open");
        TFileDevice *device = mf->OpenFile(path);
        step("file read");
        audman->DisconnectAudio();
        vidman->DisconnectVideo(false);
        vidman->ResetCounters();
        audman->ResetCounters();

        CurrentVideoFile = path;
        const bool valid = device && device->Valid;
        HasVideo = valid && device->VideoCount > 0;
        HasAudio = valid && device->AudioCount > 0;

        if (HasAudio) {
            AudioSource = device->AudioSource(0);
            HasAudio = audman->ConnectAudioSource(AudioSource);
        } else {
            AudioSource = TMediaPlaceholders::NoAudio();
        }
        step("audio connected");
        if (HasVideo) {
            VideoSource = device->VideoSource(0);
            HasVideo = vidman->ConnectVideoSource(VideoSource);
            if (HasVideo && FileCodeOn)
                vidman->SetFileName(TIncrustFileName{true, path});
        } else {
            VideoSource = TMediaPlaceholders::NoVideo();
        }

        if (HasVideo || HasAudio) {
            PanelHaut->show();
            navframe->setVisible(!caSliders->Checked());
        }
        // The overlay codes are armed again for the new video.
        for (const char *name : {"waIncrustPattern1", "waIncrustPattern2"})
            if (TCustomAbstractAction *a = FindAction(QString::fromLatin1(name)))
                a->Apply();

        step("video connected");
        // Read while the graph starts; the first grab needs it.
        if (HasVideo && m_containerDate)
            m_containerDate->Prefetch(path);
        // A video opened while paused goes straight to its first frame: played only to be
        // paused at once, it let a burst of its sound out and prerolled twice.
        if (wasPlaying)
            NavMan->Play();
        else
            NavMan->Pause();
        QCoreApplication::processEvents();
        step("started");
        NavMan->Quiet = false;
        // Paused already: applying the unchanged state again would only repaint the frame.
        if (wasPlaying || NavMan->caPlay->Checked())
            NavMan->caPlay->SetChecked(wasPlaying);
        step("play state restored");
        // Waited for: what follows (image name, interval count) reads the position. A graph
        // that prerolled on the first frame is there already; a seek would decode it again.
        if (wasPlaying || !NavMan->HoldsFirstFrame())
            NavMan->SeekTo(true, 0);
        else
            NavMan->GetPosition();
        step("at the start");

        EnableVideoControls();
        SetLabel(EnCoursLab, FileNamePart(path), QColor(0, 0, 128));
        EnCoursLab->setToolTip(path);
        ++m_openError;
        scnLab->setVisible(QFileInfo::exists(WithExtension(path, QStringLiteral(".scn"))));
        srtlab->setVisible(QFileInfo::exists(WithExtension(path, QStringLiteral(".srt"))));
        moddlab->setVisible(QFileInfo::exists(path + QStringLiteral(".modd")));

        ReadVideoRect();
        // The DV modes follow the new source; the date shown waits for its first DV frame.
        RefreshDVPanel();
        if (AfterOpenGrab)
            AfterOpenGrab();
        if (m_grabber->baRAZWhenOpenFile->Value)
            m_grabber->iaNextNum->SetValue(1);
        if (AfterOpenInterval)
            AfterOpenInterval();
        ReportOpened(path, valid ? device : nullptr);
        step("done");
    } catch (...) {
        // An error stops the sequence where it happened; the window says nothing more. The
        // handlers and the event loop run inside, so anything may arrive here.
        qCWarning(lcCapture).noquote() << "opening" << path << "stopped:" << currentExceptionText();
    }
}

void TShowForm::closefile()
{
    qCInfo(lcCapture).noquote() << "closing" << CurrentVideoFile;
    Scenes.ClearScenes();
    TimerSysDate->stop();
    SetLabel(EnCoursLab, QString(), QColor(128, 128, 128));
    if (NavMan->caPlay->Checked())
        NavMan->caPlay->SetChecked(false);
    NavMan->Stop();
    audman->DisconnectAudio();
    vidman->DisconnectVideo(true);
    VideoSource = TMediaPlaceholders::NoVideo();
    AudioSource = TMediaPlaceholders::NoAudio();
    NavMan->ClearGraph();
    vidman->ClearWindow();
    CurrentVideoFile.clear();
    HasVideo = false;
    HasAudio = false;
    PanelHaut->hide();
    navframe->hide();
    // Markers of the closed video's side files would describe a file no longer there.
    for (QLabel *l : {scnLab, srtlab, moddlab})
        l->hide();
    EnableVideoControls();
    RefreshDVPanel();
    SetLabel(EnCoursLab, QString(), QColor(0, 0, 128));
    if (AfterCloseGrab)
        AfterCloseGrab();
}

void TShowForm::EnableVideoControls()
{
    if (HasVideo) {
        PanelHaut->show();
    } else {
        PanelHaut->hide();
        if (caSliders->Checked())
            caSliders->SetChecked(false);
    }
    caSliders->SetEnabled(HasVideo);
    Enable(vidman->caFullscreen, HasVideo);
    Enable(m_grabber->naGrab, HasVideo);
    Enable(m_grabber->naCopy, HasVideo);
    Enable(m_interval->caIntervalloShow, HasVideo);
    ImageLab->setVisible(HasVideo);

    navframe->VolumeGauge->setVisible(HasAudio);
    Enable(audman->caMute, HasAudio);
    Enable(audman->naIncVolume, HasAudio);
    Enable(audman->naDecVolume, HasAudio);
}

void TShowForm::ShowOpenError(const QString &path, const QString &why)
{
    const QString text = path.isEmpty() ? QStringLiteral("Rien à ouvrir : %1.").arg(why)
                                        : QStringLiteral("Impossible d'ouvrir %1 : %2.").arg(path, why);
    // A script that opens a video that cannot be opened says so where its run is shown.
    if (m_script && m_script->IsRunning() && scriptForm())
        scriptForm()->AddMessage(QStringLiteral("### ") + text);
    // In the title line, where the name of the video would be, until the next file opens;
    // whatever video is open stays open.
    const QString shown =
        path.isEmpty() ? text : QStringLiteral("Impossible d'ouvrir %1 : %2.").arg(FileNamePart(path), why);
    SetLabel(EnCoursLab, shown, QColor(192, 0, 0));
    EnCoursLab->setToolTip(text);
    const int error = ++m_openError;
    if (HasVideo || HasAudio) {
        // The video still open gets its name back after a while.
        const QString current = CurrentVideoFile;
        QTimer::singleShot(8000, this, [this, error, current] {
            if (error == m_openError && CurrentVideoFile == current && (HasVideo || HasAudio)) {
                SetLabel(EnCoursLab, FileNamePart(current), QColor(0, 0, 128));
                EnCoursLab->setToolTip(current);
            }
        });
    }
    say(text, true);
}

void TShowForm::ReportOpened(const QString &path, TMediaDevice *device)
{
    if (!device)
        return; // the file manager reports it (OnErrorOpenFile), with the reason
    // The DV summary reads the whole file (an hour of tape is 13 GB): never for a window, which
    // would show nothing of it.
    if (!m_prompts.ShowsReports())
        return;
    QStringList lines;
    lines << QStringLiteral("Ouvert : %1").arg(path);
    lines << QStringLiteral("  Flux : %1 vidéo, %2 audio").arg(device->VideoCount).arg(device->AudioCount);
    const QString ext = TFichierMan::Extension(path);
    if (ext == QLatin1String(".dv") || ext == QLatin1String(".dif"))
        lines << ReadDvFileReport(path).Text(path);
    say(lines.join(u'\n'));
    // Said once per run: every later file plays without sound for the same reason.
    if (device->AudioCount > 0 && (!audman->Renderer() || audman->Renderer()->UsesFakeDevice()) &&
        !m_noSoundSaid) {
        m_noSoundSaid = true;
        say(QStringLiteral("Aucune sortie audio sur cette machine : le son n'est pas lu."), true);
    }
}

void TShowForm::TitleClicked()
{
    if (!CurrentVideoFile.isEmpty())
        ficman->ShowInFolder();
}

// --- Notifications -------------------------------------------------------------------------

void TShowForm::NavManGraphCompleted()
{
    // The end of the stream: the graph stays paused on the last frame.
    NavMan->Pause();
    if (NavMan->caPlay->Checked())
        NavMan->caPlay->SetChecked(false);
}

void TShowForm::NavManDVcode(const QString &, const QString &)
{
    if (!NavMan->caPlay->Checked())
        RefreshDVPanel();
}

void TShowForm::NavManDuration(const QString &text)
{
    navframe->DurationLab->setText(text);
}

void TShowForm::vidmanNotifyVideoDecoder(const QString &text)
{
    VideoDecoderLab->setText(text);
}

void TShowForm::vidmanNotifyVideoFormat(const QString &text)
{
    VideoFormatLab->setText(text);
    VideoFormatLab->setToolTip(text);
    if (m_shown)
        ReadVideoRect();
}

void TShowForm::audmanNotifyAudioDecoder(const QString &text)
{
    AudioDecoderLab->setText(text);
}

void TShowForm::audmanNotifyAudioFormat(const QString &text)
{
    AudioFormatLab->setText(text);
}
