#include "capture/TGrabber.h"

#include "actions/TBooleanAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TDeinterlacer.h"
#include "capture/TImageMetadata.h"
#include "capture/TImageWriter.h"
#include "capture/TImagetteFrame.h"
#include "capture/TSaveStretch.h"
#include "media/Timecode.h"
#include "playback/TWindowLessMan.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <climits>

namespace {

// A grab that waits for a drawn frame gives up when the renderer has drawn nothing for this
// long (paused behind our back, end of stream, a stalled decoder): it then captures what is shown.
constexpr int StalledDrawingMs = 2000;
// A file name has at most 255 bytes: a longer number can never be saved.
constexpr int MaxDigits = 255;

QString WithSlash(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

TGrabber::TGrabber(QObject *owner, TCustomVDActionList *list, IPromptService &prompts, QObject *parent)
    : QObject(parent), m_prompts(prompts), m_deinterlacer(std::make_unique<TDeinterlacer>()),
      m_writer(std::make_unique<TImageWriter>())
{
    CaptureBitmap = QImage(0, 0, QImage::Format_RGB888);
    SaveBitmap = QImage(0, 0, QImage::Format_RGB888);
    CreateActions(owner, list);
    CaptionActions();
    ConnectActions();
    UpdateNumberText();
    UpdateImageName();
}

TGrabber::~TGrabber() = default;

void TGrabber::SetRenderer(TWindowLessMan *renderer)
{
    m_rendererGuard = renderer;
    m_renderer = renderer;
}

TWindowLessMan *TGrabber::Renderer() const
{
    return m_rendererGuard ? m_renderer : nullptr;
}

void TGrabber::SetImagette(TImagetteFrame *frame)
{
    if (m_imagette)
        disconnect(m_imagette, nullptr, this, nullptr);
    m_imagette = frame;
    if (!frame)
        return;
    connect(frame, &TImagetteFrame::PictureClicked, this, [this](const QString &timecode) {
        if (Host.SeekToText)
            Host.SeekToText(timecode);
    });
    connect(frame, &TImagetteFrame::NameClicked, this, [this] { SaveWithConfirm(); });
}

void TGrabber::SetStatusLabel(QLabel *label)
{
    m_status = label;
    UpdateImageName();
}

// --- Names -------------------------------------------------------------------------------------

QString TGrabber::RootFromVideoName(const QString &path, int limit)
{
    QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const int dot = int(name.lastIndexOf(u'.'));
    if (dot >= 0)
        name.truncate(dot);
    if (limit >= 0 && name.size() > limit) {
        int keep = limit;
        // Never keep half of a character written as two UTF-16 units.
        if (keep > 0 && name.at(keep - 1).isHighSurrogate())
            --keep;
        name.truncate(keep);
    }
    return name;
}

QString TGrabber::PaddedNumber(int number, int digits)
{
    const int width = qBound(0, digits, MaxDigits);
    const QString magnitude = QString::number(qAbs(qint64(number)));
    const QString sign = number < 0 ? QStringLiteral("-") : QString();
    return sign + magnitude.rightJustified(width - int(sign.size()), u'0');
}

QString TGrabber::TimeStampText(std::int64_t position, std::int64_t frameDuration)
{
    return TimecodeText(position, frameDuration).replace(u':', u'.');
}

int TGrabber::FormatOf(int extension)
{
    return extension == 0 || extension == 2 ? extension : 1;
}

QString TGrabber::ExtensionOf(int extension)
{
    switch (FormatOf(extension)) {
    case 0:
        return QStringLiteral(".bmp");
    case 2:
        return QStringLiteral(".png");
    default:
        return QStringLiteral(".jpg");
    }
}

QString TGrabber::DefaultFolder()
{
    for (auto location : {QStandardPaths::PicturesLocation, QStandardPaths::DocumentsLocation}) {
        const QString dir = QStandardPaths::writableLocation(location);
        if (!dir.isEmpty() && QFileInfo(dir).isDir())
            return WithSlash(dir);
    }
    return WithSlash(QDir::homePath());
}

QString TGrabber::ReplaceQuestion(const QString &path)
{
    return QStringLiteral("Le fichier %1 existe déjà. Voulez-vous le remplacer?\r\n\r\n"
                          "Cliquez sur \"Oui à Tous\" pour ne plus être interrogé.")
        .arg(path);
}

void TGrabber::UpdateNumberText()
{
    NumberText = PaddedNumber(iaNextNum->Value, iaDigits->Value);
    if (Host.NumberCodeOn && Host.NumberCodeOn() && Host.NumberText)
        Host.NumberText(NumberText);
}

void TGrabber::UpdateImageName()
{
    if (iaNomFichierImage->Value == 0) {
        NameRoot = waDefaultRacine->Value;
    } else {
        const QString video = Host.CurrentVideoFile ? Host.CurrentVideoFile() : QString();
        NameRoot = RootFromVideoName(video, baLimiterLongueur->Value ? qMax(0, iaRacineLength->Value) : -1);
    }
    QString suffix;
    switch (iaImageAjouter->Value) {
    case 0:
        suffix = TimeStampText(Host.FramePosition ? Host.FramePosition() : 0,
                               Host.FrameDuration ? Host.FrameDuration() : 0);
        break;
    case 1:
        suffix = NumberText;
        break;
    default:
        return; // no known suffix: the name stays as it was
    }
    const QString extension = ExtensionOf(iaImageExtension->Value);
    // An emptied folder field is the default folder, not the root of the file system.
    const QString folder = waDossierSave->Value.isEmpty() ? DefaultFolder() : WithSlash(waDossierSave->Value);
    ImageFileName = folder + NameRoot + u'_' + suffix + extension;

    if (m_status) {
        // Green: a file of that name is already there; maroon: the name is free. A capture
        // of this name that was not written (a copy, "&Non", a failed save) says so: a file
        // of the same name from before is not this picture.
        const bool unsaved = !m_unsavedName.isEmpty() && m_unsavedName == ImageFileName;
        const bool exists = QFileInfo::exists(ImageFileName);
        m_status->setText(unsaved ? ImageFileName + QStringLiteral(" : image pas encore enregistrée")
                                  : ImageFileName);
        m_status->setToolTip(unsaved  ? QStringLiteral("L'image capturée n'a pas encore été enregistrée")
                             : exists ? QStringLiteral("Une image de ce nom existe déjà")
                                      : QStringLiteral("Nom de la prochaine image"));
        QPalette pal = m_status->palette();
        pal.setColor(QPalette::WindowText, exists && !unsaved ? QColor(0, 128, 0) : QColor(128, 0, 0));
        m_status->setPalette(pal);
    }
    Q_EMIT ImageFileNameChanged(ImageFileName);
}

// --- Capture -----------------------------------------------------------------------------------

bool TGrabber::WaitForDrawnFrame()
{
    // While playing, the overlay may have changed since the frame on screen was drawn: wait for
    // a frame drawn after its last refresh. The wait ends as well when playback stops, when the
    // renderer goes or draws nothing for a while, and when this object is destroyed by a handler
    // run meanwhile (false: the caller must return at once).
    QPointer<TGrabber> self(this);
    QTimer tick; // wakes the event wait below even when nothing else happens
    tick.start(10);
    QElapsedTimer quiet;
    quiet.start();
    int seen = Renderer() ? Renderer()->FramesDrawn() : 0;
    while (self && Renderer() && Host.Playing && Host.Playing()) {
        const int drawn = Renderer()->FramesDrawn();
        if (drawn != Renderer()->LastOverlayFrames())
            break;
        if (drawn != seen) {
            seen = drawn;
            quiet.restart();
        }
        if (quiet.elapsed() > StalledDrawingMs)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return bool(self);
}

bool TGrabber::CaptureFrame()
{
    if (!WaitForDrawnFrame())
        return false;
    UpdateImageName();

    const bool hasVideo = Host.HasVideo && Host.HasVideo();
    // A renderer without a picture leaves nothing to save: the previous capture is not saved
    // again under the name of another frame.
    if (!hasVideo || !Renderer() || !Renderer()->CaptureImage(CaptureBitmap)) {
        CaptureWidth = CaptureHeight = 0;
        SaveWidth = SaveHeight = 0;
        return false;
    }
    CaptureWidth = CaptureBitmap.width();
    CaptureHeight = CaptureBitmap.height();

    const QSize aspect = Renderer()->AspectSize();
    const QSize save = TSaveStretch::SaveSize(QSize(CaptureWidth, CaptureHeight),
                                              QPoint(aspect.width(), aspect.height()), baElargir->Value);
    SaveWidth = save.width();
    SaveHeight = save.height();

    if (baImageDeinterlacer->Value) {
        m_deinterlacer->Deinterlace(CaptureBitmap, DeinterlaceBitmap);
        if (!DeinterlaceBitmap.isNull())
            CaptureBitmap = DeinterlaceBitmap;
    }
    if (CaptureBitmap.height() <= 0)
        return false;

    TSaveStretch::Stretch(CaptureBitmap, save, SaveBitmap);
    ShowCaptureInImagette();
    return !SaveBitmap.isNull();
}

void TGrabber::ShowCaptureInImagette()
{
    if (!m_imagette)
        return;
    const QString timecode = Host.PositionText ? Host.PositionText() : QString();
    m_imagette->ShowCapture(SaveBitmap, QSize(SaveWidth, SaveHeight), timecode,
                            QFileInfo(ImageFileName).fileName());
    m_unsavedName = ImageFileName;
    UpdateImageName();
}

// --- Save --------------------------------------------------------------------------------------

TReplaceAnswer TGrabber::Ask(const QString &question, bool quiet)
{
    return m_prompts.AskReplace(question, quiet);
}

void TGrabber::ReportError(const QString &text, bool quiet)
{
    if (!quiet)
        m_prompts.ShowError(text);
}

TGrabber::TGrabStatus TGrabber::SaveWithConfirm(bool quiet)
{
    if (SaveBitmap.isNull() || SaveBitmap.width() <= 0 || SaveBitmap.height() <= 0)
        return TGrabStatus::gsNoPicture;
    const QString path = ImageFileName;
    if (baConfirmerImage->Value && QFileInfo::exists(path)) {
        QPointer<TGrabber> self(this);
        const TReplaceAnswer answer = Ask(ReplaceQuestion(path), quiet);
        if (!self) // the window went while the question was open
            return TGrabStatus::gsCancelled;
        switch (answer) {
        case TReplaceAnswer::Yes:
            break;
        case TReplaceAnswer::YesToAll:
            baConfirmerImage->SetValue(false);
            break;
        case TReplaceAnswer::Cancel:
            *StopRequested = true;
            return TGrabStatus::gsCancelled;
        default:
            return TGrabStatus::gsDeclined;
        }
    }
    // BMP has no place for metadata; with the setting off the bytes are those of a plain encoding.
    const int format = FormatOf(iaImageExtension->Value);
    TImageProvenance provenance;
    const bool withMetadata = baImageMetadata->Value && format != 0;
    if (withMetadata) {
        if (Host.Provenance)
            Host.Provenance(provenance);
        provenance.PixelSize = SaveBitmap.size();
    }
    const TImageProvenance *metadata = withMetadata ? &provenance : nullptr;
    bool ok = false;
    switch (format) {
    case 0:
        ok = m_writer->SaveBmp(SaveBitmap, path);
        break;
    case 2:
        ok = m_writer->SavePng(SaveBitmap, path, metadata);
        break;
    default:
        ok = m_writer->SaveJpeg(SaveBitmap, path, iaJpegCompressionQuality->Value, metadata);
        break;
    }
    if (!ok) {
        // Nothing advances: the thumbnail stays unsaved and the number is kept for the retry.
        m_error = m_writer->ErrorText();
        ReportError(m_error, quiet);
        return TGrabStatus::gsFailed;
    }
    m_error.clear();
    if (Host.ImageSaved)
        Host.ImageSaved(path);
    m_metadataWarning = m_writer->Warning();
    m_unsavedName.clear();
    if (m_imagette)
        m_imagette->SetSaved(true);
    if (iaNextNum->Value < INT_MAX)
        iaNextNum->SetValue(iaNextNum->Value + 1);
    else
        UpdateImageName(); // the file now exists: the status line turns green
    return TGrabStatus::gsSaved;
}

TGrabber::TGrabStatus TGrabber::Grab(bool quiet)
{
    if (m_busy)
        return TGrabStatus::gsBusy;
    QPointer<TGrabber> self(this);
    m_busy = true;
    if (Host.ShowThumbnailPanel)
        Host.ShowThumbnailPanel();
    const bool captured = CaptureFrame();
    if (!self)
        return TGrabStatus::gsNoPicture;
    // Busy until the save is done: a grab run from the question's event loop would replace the
    // picture about to be written under this frame's name.
    const TGrabStatus status = captured ? SaveWithConfirm(quiet) : TGrabStatus::gsNoPicture;
    if (!self)
        return status;
    if ((status == TGrabStatus::gsFailed || status == TGrabStatus::gsNoPicture) && Host.GrabFailed)
        Host.GrabFailed();
    m_busy = false;
    if (m_imagette)
        m_imagette->HideHighlight();
    return status;
}

bool TGrabber::Copy()
{
    if (m_busy)
        return false;
    QPointer<TGrabber> self(this);
    m_busy = true;
    const bool captured = CaptureFrame();
    if (!self)
        return false;
    m_busy = false;
    if (!captured)
        return false;
    // The frame at its captured size, not the aspect-corrected picture that is saved.
    QGuiApplication::clipboard()->setImage(CaptureBitmap);
    return true;
}

// --- Mouse and status line ---------------------------------------------------------------------

void TGrabber::VideoMousePress(Qt::MouseButton button, QPoint pos)
{
    if (button != Qt::LeftButton || !Host.HasVideo || !Host.HasVideo())
        return;
    if (Host.SlidersOn && Host.SlidersOn()) {
        if (Host.SetOverlayPosition)
            Host.SetOverlayPosition(pos);
    } else if (baSauverQuandClic->Value) {
        naGrab->Apply();
    } else {
        naCopy->Apply();
    }
}

void TGrabber::StatusLineClicked()
{
    if (QFileInfo::exists(ImageFileName)) {
        BrowseTo(ImageFileName, true);
        return;
    }
    const QDir folder(WithSlash(waDossierSave->Value));
    const QStringList found =
        folder.entryList({NameRoot + QStringLiteral("_*")},
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    if (!found.isEmpty())
        BrowseTo(folder.absoluteFilePath(found.first()), true);
    else if (folder.exists())
        BrowseTo(folder.absolutePath(), false);
}

void TGrabber::BrowseTo(const QString &path, bool select)
{
    if (Host.Browse) {
        Host.Browse(path, select);
        return;
    }
    const QUrl folder = QUrl::fromLocalFile(select ? QFileInfo(path).absolutePath() : path);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!select || !bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    QDBusMessage msg = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    msg << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Asynchronous: a file manager slow to start never blocks the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(msg, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [folder](QDBusPendingCallWatcher *w) {
        if (w->isError())
            QDesktopServices::openUrl(folder);
        w->deleteLater();
    });
}

// --- Video opened and closed -------------------------------------------------------------------

void TGrabber::VideoOpened()
{
    UpdateImageName();
    if (m_imagette)
        m_imagette->LayoutImagette();
}

void TGrabber::VideoClosed()
{
    CaptureWidth = CaptureHeight = 0;
    SaveWidth = SaveHeight = 0;
    m_unsavedName.clear();
    if (m_imagette)
        m_imagette->Clear();
    UpdateImageName();
}
