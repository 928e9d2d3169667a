#pragma once
// The audio manager: the audio renderer, the volume on a linear scale of 0 to 10,000 and the
// mute state, the volume shown on a gauge and a track bar, the status picture, the audio
// decoder and format reported as texts, and the audio actions.
//
// Volume and mute persist across files; every connection applies them to the renderer again.
// Without an audio device the renderer plays into an internal fake sink: the video is not
// disturbed and the status shows the error. Main thread only.
#include "actions/TVDActionComponent.h"
#include "core/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TDecoderMan.h"
#include "media/TGrapheMan.h"
#include "playback/TAudioSink.h"
#include "playback/TTextGauge.h"
#include "widgets/TImageList.h"

#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QString>

#include <functional>
#include <memory>

class TAudioSource;
class TCheckAction;
class TIntegerAction;
class TNopeAction;
class TVardoPreferences;
struct TFilterRec;

enum class TAudioStatus { asNoAudio = 0, asErrorAudio = 1, asBadAudio = 2, asMuted = 3, asAudioOn = 4 };

class TAudioMan : public TVDActionComponent
{
    Q_OBJECT
public:
    static QString NoDecoderText() { return QStringLiteral("Aucun décodeur Audio"); }
    static QString NoAudioText() { return QStringLiteral("Pas d'Audio"); }
    // The picture of a status in AudioImages.
    static int ImageIndex(TAudioStatus status);
    // The five status pictures in the order of their indexes (none without a graphical
    // application object). The manager starts with a set of its own as AudioImages.
    static TImageList *MakeStatusImages(QObject *parent);

    explicit TAudioMan(QObject *parent = nullptr);
    ~TAudioMan() override;

    // --- Bindings ------------------------------------------------------------------------------
    TTextGauge *AudioGauge() const { return m_gauge; }
    // Range 0 .. 10,000, alert at 11,000 (never reached).
    void SetAudioGauge(TTextGauge *gauge);
    QSlider *AudioSlider() const { return m_slider; }
    // Range 0 .. 10,000; moving it sets the volume.
    void SetAudioSlider(QSlider *slider);
    QLabel *AudioImage() const { return m_image; }
    void SetAudioImage(QLabel *image);
    TImageList *AudioImages() const { return m_images; }
    void SetAudioImages(TImageList *images);

    std::function<void(const QString &)> OnNotifyAudioDecoder;
    std::function<void(const QString &)> OnNotifyAudioFormat;
    std::function<void(TAudioStatus)> OnStatus;
    std::function<void(int)> OnVolume;

    // --- State -----------------------------------------------------------------------------------
    int Volume() const { return m_volume; }
    bool Muted() const { return m_muted; }
    bool AudioConnected() const { return m_connected; }
    TAudioStatus Status() const { return m_status; }
    // The renderer (null when it could not be made).
    TAudioSink *Renderer() const { return m_sink.get(); }

    // Clamps to 0 .. 10,000 and applies.
    void SetVolume(int volume);
    void SetStatus(TAudioStatus status);

    // --- Stream ----------------------------------------------------------------------------------
    // Connects the audio of source (its graph manager is the one the media factory gave it)
    // through a decoder into the renderer. True when connected (or already connected); a
    // failure leaves the audio disconnected with the status TAudioStatus::asBadAudio. None (or the
    // placeholder TMediaPlaceholders::NoAudio()): TAudioStatus::asNoAudio.
    bool ConnectAudioSource(TAudioSource *source);
    void DisconnectAudio();
    TAudioSource *CurrentSource() const { return m_source; }
    TGrapheMan *GraphMan() const { return m_graphMan; }
    // The decoders tried first, in order (the private audio decoders).
    QList<TFilterRec *> &AudioDecoders();
    TDecoderMan *Decoders() const { return m_decoders.get(); }
    // The name of the decoder in use, "Aucun décodeur Audio" without one.
    QString CurrentDecoderName() const;
    // Switches to the next decoder that can serve the stream.
    void NextDecoder();
    // A new file: the DV notifier's counters and the decoder choice start again.
    void ResetCounters();

    // The actions' values, then the learned audio decoder links in the section "AudioDecoders".
    bool LoadPrefs(TVardoPreferences &prefs);
    bool SavePrefs(TVardoPreferences &prefs);

    // --- Actions ---------------------------------------------------------------------------------
    TCheckAction *caMute = nullptr;
    TNopeAction *naNextDecoderAudio = nullptr;
    TNopeAction *naIncVolume = nullptr;
    TNopeAction *naDecVolume = nullptr;
    TIntegerAction *iaVolume = nullptr;

    // Where the notifiers post the audio format (any thread).
    TInbox<TAudioFormatMsg> *AudioInbox() { return &m_audioInbox; }

protected:
    void CreateActions() override;
    void InitActions() override;
    void FindActions() override;
    void ConnectActions() override;
    void OnAudioFormat(const TAudioFormatMsg &message);

    // The renderer is running into the fallback fake sink.
    bool NoDevice() const;
    void SetupDecoders();
    // Renderer volume := 0 when muted, else Volume; then the gauge, the track bar and OnVolume.
    void ApplyVolume();
    void StepVolume(int delta);

    // Declared first: the notifiers that hold it go before it does.
    TMessageReceiver<TAudioFormatMsg> m_audioInbox;
    std::unique_ptr<TAudioSink> m_sink;
    std::unique_ptr<TDecoderMan> m_decoders;
    TAudioSource *m_source = nullptr;
    QPointer<TGrapheMan> m_graphMan;
    QPointer<TGstGraph> m_rendererGraph; // the graph the renderer sits in
    QPointer<TTextGauge> m_gauge;
    QPointer<QSlider> m_slider;
    QPointer<QLabel> m_image;
    QPointer<TImageList> m_images;
    int m_volume = 5000;
    bool m_muted = false;
    bool m_connected = false;
    bool m_updatingSlider = false;
    TAudioStatus m_status = TAudioStatus::asNoAudio;
};
