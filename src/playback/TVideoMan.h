#pragma once
// The video manager: the renderer manager extended with everything about the video stream.
//
//  * It connects a source's video stream to the renderer through a decoder chosen by its own
//    decoder manager, with its frames notifier behind the decoder (upstream notifier,
//    [parser], decoder, post filter 1, frames notifier, renderer).
//  * It reports the decoder in use and the video format as texts (OnNotifyVideoDecoder,
//    OnNotifyVideoFormat: the main window shows them in its top panel).
//  * It chooses the aspect the renderer keeps: the format's own, or forced 4:3, 16:9 or the
//    native pixel size (SetForcedAspect).
//  * Without a video, or with one that cannot be decoded, the bound window shows a message
//    label and a picture instead of the picture of the video (VideoState NoVideo and NotDecodable).
//  * It keeps the values of the overlay codes (DV date and time code, time stamp, system date,
//    number, file name) and expands the eight overlay patterns into the renderer's overlay
//    lines (ExpandOverlay).
//
// The main window makes one instance, binds it to its video panel (SetWindow) and assigns the
// two notification events. Everything runs on the main thread: the notifiers' values arrive
// as messages on the manager's receiver (VideoInbox()); the sent ones (DV values, time stamp)
// make the streaming thread wait until the value is stored and the overlay expanded.
#include "core/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TDecoderMan.h"
#include "media/TFilterRec.h"
#include "media/TFormatStage.h"
#include "media/TFramesNotifier.h"
#include "media/TGrapheMan.h"
#include "media/TIncrustDV.h"
#include "media/TVideoData.h"
#include "playback/TWindowLessMan.h"
#include "widgets/TLinkEdit.h"

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class TNopeAction;
class TVardoPreferences;
class TVideoSource;

// Overlay values the main window sets (SetSysDate, SetNumero, SetFileName).
struct TIncrustSysDate
{
    bool Available = true;
    double Date = 0; // days since 30 December 1899
};
struct TIncrustNumero
{
    bool Available = true;
    QString Text;
};
struct TIncrustFileName
{
    bool Available = true;
    QString Path; // full path of the video
};

// One of the eight overlay slots: the pattern with its codes, the formats of its dates and
// the text that stands for a value that never arrived (empty in this program).
struct TOverlaySlot
{
    QString Pattern;
    QString DateFormat;    // of %D
    QString SysDateFormat; // of %R (empty: short date and long time)
    QString Missing;
};

// The values of the overlay codes. Once received a value stays until replaced.
struct TOverlayValues
{
    bool DvDateValid = false;
    bool TimecodeValid = false;
    double RecDate = 0;
    QString TimecodeStr;
    bool TimestampValid = false;
    QString TimestampText;
    bool SysDateValid = false;
    double SysDate = 0;
    bool NumeroValid = false;
    QString NumeroText;
    bool FileNameValid = false;
    QString FileBaseName;  // without extension
    QString FileFolder;    // with its trailing separator
    QString FileExtension; // with its dot
};

// What the bound window shows (the documents' VideoState values).
enum class TVideoState : int { NoVideo = 0, Shown = 1, NotDecodable = 2 };
// The aspect the renderer keeps; the values are those of iaForcerAspectRatio.
enum class TForcedAspect : int { FormatOwn = 0, Force4x3 = 1, Force16x9 = 2, NativeSize = 3 };

class TVideoMan : public TWindowLessMan
{
    Q_OBJECT
public:
    static constexpr int kSlots = 8;
    static constexpr int kPictureSize = 192;

    static QString NoDecoderText() { return QStringLiteral("Aucun décodeur Video"); }
    static QString NoVideoText() { return QStringLiteral("Pas de Vidéo"); }
    // The label texts (link-label markup) of the two message displays.
    static QString DefaultNoVideoText();
    static QString DefaultBadVideoText();
    // The pictures of the two message displays, 192 x 192.
    static QPixmap NoVideoPicture();  // "NOVIDEO"
    static QPixmap BadVideoPicture(); // "BADVIDEO"

    // Expands the codes of pattern (ignoring case) in the order %D, %T, %S, %R, %N, %F, %P, %E,
    // each on the text produced so far. A DV date is RecDate + dateOffset in the slot's date
    // format; a value not received is replaced by the slot's Missing text. Pure.
    static QString ExpandPattern(const TOverlaySlot &slot, const TOverlayValues &values, double dateOffset);

    explicit TVideoMan(QObject *parent = nullptr);
    ~TVideoMan() override;

    // --- Notifications and texts --------------------------------------------------------------
    // The decoder in use ("Aucun décodeur Video" without one).
    std::function<void(const QString &)> OnNotifyVideoDecoder;
    // The format text ("Pas de Vidéo" without video).
    std::function<void(const QString &)> OnNotifyVideoFormat;
    // The label texts of the message displays; the defaults above when unassigned.
    std::function<QString()> OnNoVideoStream;
    std::function<QString()> OnBadVideoStream;

    // Height of the message label (the main window uses 32).
    int leHeight = 32;

    // --- State --------------------------------------------------------------------------------
    TVideoState VideoState() const { return m_videoState; }
    TForcedAspect ForcedAspect() const { return m_forcedAspect; }
    void SetForcedAspect(TForcedAspect mode);
    const TVideoData &VideoFormat() const { return m_videoFormat; }
    QString FormatText() const { return m_videoFormat.Description; }
    QString SizeText() const { return m_videoFormat.SizeText; }
    // Days added to the DV dates of %D (re-expands the overlay).
    double DateOffset() const { return m_dateOffset; }
    void SetDateOffset(double days);

    // --- Stream -------------------------------------------------------------------------------
    // Connects the video of source (its graph manager is the one the media factory gave it)
    // through a decoder and the frames notifier into the renderer and shows it. True when
    // connected or already current; a failure shows the not-decodable display, none (or the
    // placeholder TMediaPlaceholders::NoVideo()) the no-video display.
    bool ConnectVideoSource(TVideoSource *source);
    // Disconnects the current video; showNoVideo: show the no-video display afterwards.
    void DisconnectVideo(bool showNoVideo = true);
    // The source shown, null when none.
    TVideoSource *CurrentSource() const { return m_source; }
    TGrapheMan *GraphMan() const { return m_graphMan; }
    TFramesNotifier *FramesNotifier() const { return m_framesNotifier.get(); }
    // The decoder manager: the main window sets its PostFilter1 (the private post-processor)
    // and fills VideoDecoders (the private decoders, tried first).
    TDecoderMan *Decoders() const { return m_decoders.get(); }
    QList<TFilterRec *> &VideoDecoders() { return m_decoders->Candidates; }
    QString CurrentDecoderName() const;
    // Switches to the next decoder that serves the stream and reports its name.
    void NextDecoder();
    // A new file: the DV notifier's counters and the decoder choice start again.
    void ResetCounters();

    // The actions' values, then the learned video decoder links in the section "VideoDecoders".
    bool LoadPrefs(TVardoPreferences &prefs);
    bool SavePrefs(TVardoPreferences &prefs);

    // --- Overlay codes ------------------------------------------------------------------------
    // The main window writes the pattern and date format of slots 0 and 1, then calls
    // ExpandOverlay.
    TOverlaySlot &OverlaySlot(int index) { return m_slots[size_t(index)]; }
    const TOverlayValues &OverlayValues() const { return m_values; }
    // Every slot into its overlay line (an empty pattern disables the line), then
    // RefreshOverlay when a line reads differently.
    void ExpandOverlay();
    // The overlay values, for callers on the main thread; each re-expands. The DV values and
    // the time stamp also arrive as messages (VideoInbox).
    void SetIncrustDV(const TIncrustDV &dv);
    void SetTimestampText(const QString &text);
    void SetSysDate(const TIncrustSysDate &date);
    void SetNumero(const TIncrustNumero &numero);
    void SetFileName(const TIncrustFileName &file);

    // --- Message display (children of the bound window) ---------------------------------------
    TLinkEdit *MessageLabel() const { return m_label; }
    QLabel *MessagePicture() const { return m_picture; }

    TNopeAction *naNextDecoderVideo = nullptr;

    // Where the notifiers post the video format and send the DV values and the time stamp
    // (any thread); M is one of those three messages.
    template <class M> TInbox<M> *VideoInbox() { return &m_videoInbox; }

protected:
    void CreateActions() override;
    void InitActions() override;
    void FindActions() override;
    void ConnectActions() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void BoundWindowChanged() override;

private:
    void ShowNoVideo();
    void ShowBadVideo();
    void ShowVideo();
    void ShowMessage(const QString &text, const QPixmap &picture);
    // The label and the picture into the bound window, placed and shown by VideoState.
    void MessageLayout();
    void UpdateAspect();
    void OnVideoFormat(TFormatStage kind, const TVideoData &format);
    void NotifyDecoder(const QString &name);
    void NotifyFormat(const QString &text);
    bool ConnectChain(TVideoSource *source);

    // Declared first: the notifiers that hold it go before it does.
    TMessageReceiver<TVideoFormatMsg, TDvIncrustMsg, TFramesTextMsg> m_videoInbox;
    std::unique_ptr<TFramesNotifier> m_framesNotifier;
    TFilterRec m_framesNotifierRec; // "FramesNotifier de Vardo", holding m_framesNotifier
    std::unique_ptr<TDecoderMan> m_decoders;
    TVideoSource *m_source = nullptr;
    QPointer<TGrapheMan> m_graphMan;
    // The source whose origin the frames notifier learned, and that origin: the same stream
    // connected again keeps it.
    TVideoSource *m_originSource = nullptr;
    int64_t m_origin = TFramesNotifier::kNoOrigin;

    QPointer<TLinkEdit> m_label;
    QPointer<QLabel> m_picture;

    TVideoState m_videoState = TVideoState::NoVideo;
    TForcedAspect m_forcedAspect = TForcedAspect::FormatOwn;
    TVideoData m_videoFormat;
    double m_dateOffset = 0;
    std::array<TOverlaySlot, kSlots> m_slots;
    TOverlayValues m_values;
};
