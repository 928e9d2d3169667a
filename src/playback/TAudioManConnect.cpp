// The audio manager's stream connection: the source's audio through a decoder into the audio
// renderer, the decoder cycling and the decoder links in the preferences.
#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "core/FramixLog.h"
#include "media/TDVMan.h"
#include "media/TDecoderLinks.h"
#include "media/TDecoderMan.h"
#include "media/TGrapheMan.h"
#include "media/TMediaDevice.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "playback/TAudioMan.h"
#include "playback/TNavMan.h"
#include "prefs/TPreferencesMan.h"
#include "prefs/TVardoPreferences.h"

void TAudioMan::SetupDecoders()
{
    m_decoders = std::make_unique<TDecoderMan>(this);
    m_decoders->Configure(&TDecoderLists::AudioDefaults(), &TDecoderLists::AudioLearned(),
                          TDecoderLists::NoAudioDecoder());
}

QList<TFilterRec *> &TAudioMan::AudioDecoders()
{
    return m_decoders->Candidates;
}

QString TAudioMan::CurrentDecoderName() const
{
    return m_decoders->Current ? m_decoders->Current->Name : NoDecoderText();
}

bool TAudioMan::ConnectAudioSource(TAudioSource *source)
{
    if (source && source == m_source)
        return true;
    // The renderer takes one stream: the one heard so far lets it go first.
    if (m_source)
        DisconnectAudio();
    m_decoders->Current = m_decoders->NoneRec;
    // The placeholder of a file without audio stands for none.
    if (source == TMediaPlaceholders::NoAudio())
        source = nullptr;
    m_source = source;
    if (!source) {
        SetStatus(TAudioStatus::asNoAudio);
        return false;
    }
    bool ok = false;
    try {
        m_graphMan = source->OwnerGraph;
        m_decoders->Graph = m_graphMan;
        if (m_graphMan && m_sink && source->ConnectSource(m_graphMan, {.audio = &m_audioInbox})) {
            qCDebug(lcPlayback) << "audio source connected in the graph";
            TGstGraph *graph = m_graphMan->Graph();
            // The renderer moves into the source's graph.
            if (m_rendererGraph && m_rendererGraph->contains(m_sink->Element()))
                m_rendererGraph->removeElement(m_sink->Element());
            m_rendererGraph = nullptr;
            if (graph->addElement(m_sink->Element(), QStringLiteral("VD Audio Renderer"))) {
                m_rendererGraph = graph;
                gst_element_sync_state_with_parent(m_sink->Element());
                GstElement *upstream = source->OwnNotifier() ? source->OwnNotifier()->element() : nullptr;
                ok = upstream && m_decoders->ConnectDecoder(upstream, m_sink->Element());
            }
        }
    } catch (...) {
        // The decoder manager's walk runs the application's notifications and sent messages.
        qCWarning(lcPlayback) << "connecting the audio stream:" << currentExceptionText();
        ok = false;
    }
    if (!ok) {
        qCInfo(lcPlayback) << "the audio stream could not be connected to a decoder and the renderer";
        DisconnectAudio();
        SetStatus(TAudioStatus::asBadAudio);
        return false;
    }
    qCInfo(lcPlayback).noquote() << "audio stream connected through" << CurrentDecoderName();
    if (OnNotifyAudioDecoder)
        OnNotifyAudioDecoder(CurrentDecoderName());
    m_connected = true;
    if (TNotifier *n = source->OwnNotifier()) {
        n->SetAudioTarget(&m_audioInbox);
        n->SetNotifyAudio(true);
    }
    if (auto *dv = qobject_cast<TDVMan *>(m_graphMan); dv && !dv->DVCodeSource())
        dv->SetDVCodeSource(source);
    SetStatus(NoDevice() ? TAudioStatus::asErrorAudio
                         : (m_muted ? TAudioStatus::asMuted : TAudioStatus::asAudioOn));
    ApplyVolume();
    return true;
}

void TAudioMan::DisconnectAudio()
{
    m_connected = false;
    if (OnNotifyAudioDecoder)
        OnNotifyAudioDecoder(NoDecoderText());
    if (OnNotifyAudioFormat)
        OnNotifyAudioFormat(NoAudioText());
    if (m_graphMan && m_source) {
        try {
            if (auto *dv = qobject_cast<TDVMan *>(m_graphMan); dv && dv->DVCodeSource() == m_source)
                dv->SetDVCodeSource(nullptr);
            if (TNotifier *n = m_source->OwnNotifier())
                n->SetNotifyAudio(false);
            m_decoders->DisconnectDecoder();
            if (m_sink && m_rendererGraph && m_rendererGraph->contains(m_sink->Element()))
                m_rendererGraph->removeElement(m_sink->Element());
            m_rendererGraph = nullptr;
            m_source->DisconnectSource();
            m_decoders->Graph = nullptr;
        } catch (...) {
            // Disconnecting goes on regardless: the stream is forgotten below.
            qCWarning(lcPlayback) << "disconnecting the audio stream:" << currentExceptionText();
        }
    }
    m_source = nullptr;
    SetStatus(TAudioStatus::asNoAudio);
    // The duration of the media may have been the audio's.
    if (auto *nav = qobject_cast<TNavMan *>(m_graphMan.data()))
        nav->ResetDuration();
}

void TAudioMan::NextDecoder()
{
    // The decoder manager seeks the graph to where it stands: first to the frame shown.
    if (auto *nav = qobject_cast<TNavMan *>(m_graphMan.data()))
        nav->RejoinCachedFrame();
    m_decoders->NextDecoder();
    if (OnNotifyAudioDecoder)
        OnNotifyAudioDecoder(CurrentDecoderName());
}

void TAudioMan::ResetCounters()
{
    if (m_source && m_source->DvNotifier())
        m_source->DvNotifier()->ResetNotifier();
    m_decoders->ResetChoice();
}

bool TAudioMan::LoadPrefs(TVardoPreferences &prefs)
{
    bool ok = LoadFromPrefs(prefs);
    if (prefs.OpenKey(QStringLiteral("AudioDecoders"))) {
        ok &= TDecoderLists::AudioLearned().Load(*prefs.Store());
        prefs.CloseKey();
    }
    return ok;
}

bool TAudioMan::SavePrefs(TVardoPreferences &prefs)
{
    bool ok = SaveToPrefs(prefs);
    if (prefs.OpenKey(QStringLiteral("AudioDecoders"))) {
        ok &= TDecoderLists::AudioLearned().Save(*prefs.Store());
        prefs.CloseKey();
    } else {
        ok = false;
    }
    return ok;
}
