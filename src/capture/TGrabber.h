#pragma once
// Grab and save: the frame the video window shows becomes an image file (or a clipboard
// picture) under a name built from a root and the frame's time stamp or a running number.
//
// The main window owns one TGrabber. It holds the state of the grab (the captured, saved and
// deinterlaced bitmaps, the sizes, the name parts and the file name of the next image), creates
// the grab and naming actions into the window's action list, and talks to the rest of the window
// through THost (renderer, navigation, playing state, panels) so that it can be built and tested
// before and without the whole window.
//
// The image-saving panel (TDossiersFrame) and the thumbnail panel (TImagetteFrame) bind to it;
// the status line is a label it keeps up to date.
//
// Main thread only. A grab that waits for a drawn frame processes pending events, so any
// handler (another grab included) may run meanwhile: a grab entered while one is waiting does
// nothing and reports TGrabStatus::gsBusy.
#include "capture/TImagetteFrame.h"
#include "core/IPromptService.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class IPromptService;
class QLabel;
class TBooleanAction;
class TCustomVDActionList;
class TDeinterlacer;
class TImageWriter;
struct TImageProvenance;
class TIntegerAction;
class TNopeAction;
class TWidestringAction;
class TWindowLessMan;

class TGrabber : public QObject
{
    Q_OBJECT
public:
    // An error said to the user through the prompt service (nothing when quiet).
    void ReportError(const QString &text, bool quiet);
    // What the grabber needs from the window. Every member may stay empty: an empty query
    // answers "no" / 0 / "", an empty command does nothing.
    struct THost
    {
        std::function<bool()> HasVideo;              // a video stream is loaded
        std::function<QString()> CurrentVideoFile;   // full path, empty when none
        std::function<bool()> Playing;               // caPlay is checked
        std::function<std::int64_t()> FramePosition; // time of the frame shown (100 ns), 0 without notifier
        std::function<std::int64_t()> FrameDuration; // the navigation manager's frame duration
        std::function<QString()> PositionText;       // the navigation panel's position field
        std::function<void(const QString &)> SeekToText; // waStrPosition := text (seeks there)
        std::function<void()> ShowThumbnailPanel;        // iaPanneauActif := 0 when it is not 0
        std::function<void(int)> SetAspectMode;          // hands iaForcerAspectRatio to the video manager
        std::function<bool()> NumberCodeOn;              // the overlay shows the number code
        std::function<void(const QString &)> NumberText; // hands a new NumberText to the overlay
        std::function<bool()> SlidersOn;                 // caSliders is checked
        std::function<void(QPoint)> SetOverlayPosition;  // a click on the video places the overlay
        // Opens the desktop's file manager on a file (selected) or a folder. Empty: D-Bus
        // FileManager1, else the folder through the desktop services.
        std::function<void(const QString &path, bool select)> Browse;
        // An image was written to `path` (every grab, the interval capture's included).
        std::function<void(const QString &path)> ImageSaved;
        // A grab wrote nothing because there was no picture or the write failed (not when the
        // user declined to replace a file).
        std::function<void()> GrabFailed;
        // The metadata of the frame shown (recording date, source, time stamp, index, DV time
        // code); the grabber adds the pixel size. Empty: only the pixel size is written.
        std::function<void(TImageProvenance &)> Provenance;
    };

    // How one grab ended.
    enum class TGrabStatus {
        gsSaved,     // the image was written; the number advanced
        gsDeclined,  // the file exists and "&Non" was answered (or the dialog closed)
        gsCancelled, // "Annuler": nothing written, StopRequested set
        gsFailed,    // the file could not be written; ErrorText() says why
        gsNoPicture, // no video, or the renderer had no picture: nothing to save
        gsBusy       // another grab is waiting for its frame
    };

    // Actions are created into list (the window's gpal), owned by owner's window. The question
    // before replacing an image and the message of a failed save go through `prompts`, which
    // outlives the grabber.
    TGrabber(QObject *owner, TCustomVDActionList *list, IPromptService &prompts, QObject *parent = nullptr);
    ~TGrabber() override;

    THost Host;

    void SetRenderer(TWindowLessMan *renderer);
    TWindowLessMan *Renderer() const;
    void SetImagette(TImagetteFrame *frame);
    TImagetteFrame *Imagette() const { return m_imagette; }
    // The status line's label (the window's ImageLab); the grabber sets its text and colour.
    void SetStatusLabel(QLabel *label);

    // --- State -----------------------------------------------------------------------------
    QImage CaptureBitmap;     // last capture, renderer's pixel size (deinterlaced when on)
    QImage SaveBitmap;        // 24-bit, SaveWidth x SaveHeight: what is written and shown
    QImage DeinterlaceBitmap; // the deinterlacer's output, reused from grab to grab
    int CaptureWidth = 0;
    int CaptureHeight = 0;
    int SaveWidth = 0;
    int SaveHeight = 0;
    QString NameRoot;
    QString NumberText;
    QString ImageFileName;
    // The stop flag shared with the interval capture and Esc: the window's StopRequested once it
    // hands it over, the grabber's own until then. "Annuler" in the question sets it.
    bool *StopRequested = &m_stopRequested;

    // --- Operations ------------------------------------------------------------------------
    // Rebuilds NameRoot and ImageFileName and the status line.
    void UpdateImageName();
    // Rebuilds NumberText from iaNextNum and iaDigits (and hands it to the overlay).
    void UpdateNumberText();
    // Captures the frame shown (waiting while playing for a frame drawn with the current
    // overlay), deinterlaces and stretches it, shows it as the thumbnail. False when there was
    // no picture to capture.
    bool CaptureFrame();
    // Writes SaveBitmap to ImageFileName, asking first when the file exists and confirmation
    // is on. With quiet set nothing is shown: the question gets "&Non" and a failed save is
    // only reported (ErrorText). Also the click on the thumbnail's name label.
    TGrabStatus SaveWithConfirm(bool quiet = false);
    // The grab handler (naGrab's, without recording anything): thumbnail panel in front,
    // capture, save with the question, number advanced. The interval capture runs it once per
    // step; quiet as for SaveWithConfirm.
    TGrabStatus Grab(bool quiet = false);
    // naCopy's handler: capture and put CaptureBitmap on the clipboard.
    bool Copy();
    // A mouse press on the video window (only the left button acts, only with a video).
    void VideoMousePress(Qt::MouseButton button, QPoint pos);
    // A click on the status line: the file manager shows the next image, or the first image of
    // this root, or the folder.
    void StatusLineClicked();
    // After a video was opened (name rebuilt for it, thumbnail laid out) and after it was
    // closed (thumbnail cleared). The window enables naGrab and naCopy and resets the number.
    void VideoOpened();
    void VideoClosed();
    // The message of the last failed save.
    QString ErrorText() const { return m_error; }
    // Why the last saved image lacks the metadata it should carry (empty when it has it).
    QString MetadataWarning() const { return m_metadataWarning; }
    bool Busy() const { return m_busy; }

    // --- Pure helpers (tested on their own) ------------------------------------------------
    // The file-name part of path without its extension; cut to limit characters when limit >= 0.
    static QString RootFromVideoName(const QString &path, int limit = -1);
    // number in decimal, left-padded with "0" to digits characters, never cut.
    static QString PaddedNumber(int number, int digits);
    // "H.MM.SS.FF" of a media time with a frame duration.
    static QString TimeStampText(std::int64_t position, std::int64_t frameDuration);
    // The image format of an iaImageExtension value: 0 BMP, 2 PNG, any other JPEG (1).
    static int FormatOf(int extension);
    static QString ExtensionOf(int extension);
    // The default image folder: the pictures folder, else documents, else home (with "/").
    static QString DefaultFolder();
    // The question asked before replacing path.
    static QString ReplaceQuestion(const QString &path);

    // --- Actions (gpal) --------------------------------------------------------------------
    TNopeAction *naGrab = nullptr;
    TNopeAction *naCopy = nullptr;
    TBooleanAction *baSauverQuandClic = nullptr;
    TBooleanAction *baConfirmerImage = nullptr;
    TBooleanAction *baImageDeinterlacer = nullptr;
    // Aspect correction by widening (adds columns) instead of shrinking; off by default.
    TBooleanAction *baElargir = nullptr;
    TIntegerAction *iaForcerAspectRatio = nullptr;
    TNopeAction *naForcerNormal = nullptr;
    TNopeAction *naForcer4x3 = nullptr;
    TNopeAction *naForcer16x9 = nullptr;
    TNopeAction *naForcerNative = nullptr;
    TIntegerAction *iaNomFichierImage = nullptr;
    TWidestringAction *waDefaultRacine = nullptr;
    TBooleanAction *baLimiterLongueur = nullptr;
    TIntegerAction *iaRacineLength = nullptr;
    TIntegerAction *iaImageAjouter = nullptr;
    TNopeAction *naAjouterTimeStamp = nullptr;
    TNopeAction *naAjouterNumero = nullptr;
    TIntegerAction *iaDigits = nullptr;
    TIntegerAction *iaNextNum = nullptr;
    TBooleanAction *baRAZWhenOpenFile = nullptr;
    TWidestringAction *waDossierSave = nullptr;
    TIntegerAction *iaImageExtension = nullptr;
    TNopeAction *naJpegExtension = nullptr;
    TNopeAction *naBmpExtension = nullptr;
    TNopeAction *naPngExtension = nullptr;
    // JPEG and PNG grabs carry their recording date and origin (TImageMetadata) while on.
    TBooleanAction *baImageMetadata = nullptr;
    TIntegerAction *iaJpegCompressionQuality = nullptr;

Q_SIGNALS:
    // ImageFileName changed (the panels and the window may show it).
    void ImageFileNameChanged(const QString &name);

private:
    void CreateActions(QObject *owner, TCustomVDActionList *list);
    // French captions and hints where the action's name would show.
    void CaptionActions();
    void ConnectActions();
    bool WaitForDrawnFrame();
    void ShowCaptureInImagette();
    TReplaceAnswer Ask(const QString &question, bool quiet);
    void BrowseTo(const QString &path, bool select);

    IPromptService &m_prompts;
    // Guarded through QObject: the renderer's class is not needed to hold it.
    QPointer<QObject> m_rendererGuard;
    TWindowLessMan *m_renderer = nullptr;
    QPointer<TImagetteFrame> m_imagette;
    QPointer<QLabel> m_status;
    std::unique_ptr<TDeinterlacer> m_deinterlacer;
    std::unique_ptr<TImageWriter> m_writer;
    QString m_error;
    QString m_metadataWarning;
    // The name of the capture the thumbnail shows while it is not written (empty once saved).
    QString m_unsavedName;
    bool m_busy = false;
    bool m_stopRequested = false;
};
