#include "playback/TAudioMan.h"

#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "media/MediaMessages.h"
#include "media/TFormatStage.h"
#include "media/TframeData.h"
#include "playback/TTextGauge.h"
#include "widgets/TImageList.h"
#include "widgets/TVDIcons.h"

#include <QLabel>
#include <QSlider>

#include <algorithm>

int TAudioMan::ImageIndex(TAudioStatus status)
{
    switch (status) {
    case TAudioStatus::asNoAudio:
        return 0;
    case TAudioStatus::asErrorAudio:
        return 2;
    case TAudioStatus::asBadAudio:
        return 1;
    case TAudioStatus::asMuted:
        return 3;
    case TAudioStatus::asAudioOn:
        return 4;
    }
    return 0;
}

TAudioMan::TAudioMan(QObject *parent)
    : TVDActionComponent(parent), m_audioInbox([this](const TAudioFormatMsg &m) { OnAudioFormat(m); })
{
    m_sink = std::make_unique<TAudioSink>();
    if (!m_sink->IsValid()) {
        m_sink.reset();
        m_status = TAudioStatus::asErrorAudio;
    } else {
        m_sink->Probe();
        if (m_sink->UsesFakeDevice())
            m_status = TAudioStatus::asErrorAudio;
    }
    m_images = MakeStatusImages(this);
    SetupDecoders();
    BuildActions();
}

TAudioMan::~TAudioMan()
{
    m_audioInbox.close();
    // The owner's handlers may already be gone with it: nothing is reported from here on.
    OnNotifyAudioDecoder = nullptr;
    OnNotifyAudioFormat = nullptr;
    OnStatus = nullptr;
    OnVolume = nullptr;
    if (m_source)
        DisconnectAudio();
    if (m_sink && m_rendererGraph && m_rendererGraph->contains(m_sink->Element()))
        m_rendererGraph->removeElement(m_sink->Element());
}

// --- Bindings ----------------------------------------------------------------------------------

void TAudioMan::SetAudioGauge(TTextGauge *gauge)
{
    m_gauge = gauge;
    if (!gauge)
        return;
    gauge->SetMaxValue(10000);
    gauge->SetMinValue(0);
    gauge->SetAlertValue(11000);
}

void TAudioMan::SetAudioSlider(QSlider *slider)
{
    if (m_slider)
        disconnect(m_slider, nullptr, this, nullptr);
    m_slider = slider;
    if (!slider)
        return;
    slider->setRange(0, 10000);
    connect(slider, &QSlider::valueChanged, this, [this](int v) {
        if (!m_updatingSlider)
            SetVolume(v);
    });
}

void TAudioMan::SetAudioImage(QLabel *image)
{
    m_image = image;
}

void TAudioMan::SetAudioImages(TImageList *images)
{
    m_images = images;
}

// --- Volume and status ---------------------------------------------------------------------------

void TAudioMan::SetVolume(int volume)
{
    m_volume = std::clamp(volume, 0, 10000);
    ApplyVolume();
}

void TAudioMan::ApplyVolume()
{
    if (m_sink)
        m_sink->SetLinearVolume(m_muted ? 0 : m_volume);
    // The display shows the volume also while muted.
    if (m_gauge)
        m_gauge->SetProgress(m_volume);
    if (m_slider) {
        m_updatingSlider = true;
        m_slider->setValue(m_volume);
        m_updatingSlider = false;
    }
    if (OnVolume)
        OnVolume(m_volume);
}

void TAudioMan::StepVolume(int delta)
{
    SetVolume(m_volume + delta);
    // Through the action, so that a macro being recorded keeps the step.
    iaVolume->SetValue(m_volume);
}

void TAudioMan::SetStatus(TAudioStatus status)
{
    m_status = status;
    if (m_image) {
        m_image->clear();
        if (m_images) {
            const QSize size = m_image->size().isEmpty() ? QSize(16, 16) : m_image->size();
            m_image->setPixmap(m_images->Icon(ImageIndex(status)).pixmap(size));
        }
    }
    if (OnStatus)
        OnStatus(status);
}

bool TAudioMan::NoDevice() const
{
    return !m_sink || m_sink->UsesFakeDevice();
}

// --- Messages ----------------------------------------------------------------------------------------

void TAudioMan::OnAudioFormat(const TAudioFormatMsg &message)
{
    if (message.stage == TFormatStage::AudioDescription && OnNotifyAudioFormat)
        OnNotifyAudioFormat(message.frame.AudioDesc);
}

// --- Actions ------------------------------------------------------------------------------------------

void TAudioMan::CreateActions()
{
    caMute = new TCheckAction(QStringLiteral("caMute"), this);
    naNextDecoderAudio = new TNopeAction(QStringLiteral("naNextDecoderAudio"), this);
    naIncVolume = new TNopeAction(QStringLiteral("naIncVolume"), this);
    naDecVolume = new TNopeAction(QStringLiteral("naDecVolume"), this);
    iaVolume = new TIntegerAction(QStringLiteral("iaVolume"), this);
}

void TAudioMan::InitActions()
{
    auto init = [](TCustomAbstractAction *a, const QString &caption, const QKeySequence &shortcut,
                   bool atLoad) {
        a->SetName(a->InternalId());
        a->SetScriptName(a->InternalId().mid(2));
        a->SetCaption(caption);
        a->SetShortCut(shortcut);
        a->SetApplyWhenLoad(atLoad);
        a->SetIncludePrefs(true);
    };
    init(caMute, QStringLiteral("Couper le Son"), QKeySequence(QStringLiteral("Ctrl+M")), true);
    caMute->SetTrueCaption(QStringLiteral("Remettre le son"));
    caMute->SetFalseCaption(QStringLiteral("Couper le Son"));
    caMute->SetTrueHint(QStringLiteral("Cliquez pour remettre le son"));
    caMute->SetFalseHint(QStringLiteral("Cliquez pour couper le son"));
    caMute->SetTrueImageIndex(TVDIcons::imgSoundOff);
    caMute->SetFalseImageIndex(TVDIcons::imgSoundOn);
    caMute->SetDefaultValue(false);

    init(naNextDecoderAudio, QStringLiteral("Décodeur Audio suivant"),
         QKeySequence(QStringLiteral("Ctrl+F9")), false);
    init(naIncVolume, QStringLiteral("Augmenter le Volume"), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus),
         false);
    naIncVolume->SetHint(QStringLiteral("Cliquez pour Augmenter le Volume de 1000/10000"));
    init(naDecVolume, QStringLiteral("Diminuer le Volume"), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus),
         false);
    naDecVolume->SetHint(QStringLiteral("Cliquez pour Diminuer le Volume de 1000/10000"));

    init(iaVolume, QStringLiteral("Volume"), QKeySequence(), true);
    iaVolume->SetDefaultValue(5000);
    iaVolume->Value = 5000;
}

void TAudioMan::FindActions()
{
    caMute = FindByInternalId<TCheckAction>(QStringLiteral("caMute"));
    naNextDecoderAudio = FindByInternalId<TNopeAction>(QStringLiteral("naNextDecoderAudio"));
    naIncVolume = FindByInternalId<TNopeAction>(QStringLiteral("naIncVolume"));
    naDecVolume = FindByInternalId<TNopeAction>(QStringLiteral("naDecVolume"));
    iaVolume = FindByInternalId<TIntegerAction>(QStringLiteral("iaVolume"));
}

void TAudioMan::ConnectActions()
{
    auto mute = [this](bool on) {
        m_muted = on;
        if (m_connected)
            SetStatus(NoDevice() ? TAudioStatus::asErrorAudio
                                 : (on ? TAudioStatus::asMuted : TAudioStatus::asAudioOn));
        ApplyVolume();
    };
    caMute->InternalTrueApply = [mute] { mute(true); };
    caMute->InternalFalseApply = [mute] { mute(false); };
    naNextDecoderAudio->InternalApply = [this] { NextDecoder(); };
    naIncVolume->InternalApply = [this] { StepVolume(1000); };
    naDecVolume->InternalApply = [this] { StepVolume(-1000); };
    iaVolume->InternalApply = [this](const int &v) { SetVolume(v); };
    iaVolume->InternalBeforeSave = [this](int &v) {
        // The renderer's volume when sounding, else the one kept while muted.
        if (!m_muted && m_connected && m_sink)
            m_volume = m_sink->LinearVolume();
        v = m_volume;
        return true;
    };
}
