#pragma once
// A media device delivers streams: a file read by a source element and a demuxer, or an
// interleaved DV stream found on another device. It is probed once when it is made, to learn
// which video and audio streams it offers; each becomes a source (TVideoSource, TAudioSource)
// that the managers later connect into a graph. Main thread only.
//
// The device's streams are the pads of its last element (the demuxer), watched by a pad hub
// while the device is connected: pads are held until a source claims them, the others drain.
#include "media/TGraphChunk.h"
#include "media/gst/TPadHub.h"

#include <memory>
#include <vector>

class TVideoSource;
class TAudioSource;
class TavSource;
class TNotifier;

using TVideoSourcesList = TChunkList<TVideoSource>;
using TAudioSourcesList = TChunkList<TAudioSource>;
using TMediaDevicesList = TChunkList<TMediaDevice>;

class TMediaDevice : public TGraphChunk
{
public:
    // Placeholder names: devices with these names are never probed.
    static const QString kNoDV;     // "Aucun DV"
    static const QString kNoStream; // "Aucun Stream"
    // How long a device waits for its demuxer's pads.
    static int PadTimeoutMs;

    TMediaDevice(const QString &name, int index, TMediaDevice *parent = nullptr);
    ~TMediaDevice() override;

    TVideoSourcesList VideoSourcesList;
    TAudioSourcesList AudioSourcesList;
    TMediaDevicesList DVDevices;
    TMediaDevicesList StreamDevices;
    int VideoCount = 0, AudioCount = 0, StreamCount = 0, DVCount = 0;
    bool Valid = false;
    // The probe ran out of time waiting for the streams (worth another try).
    bool ProbeTimedOut = false;
    // What ended the probe's wait for the streams.
    TPadHub::Settled ProbeSettled = TPadHub::Settled::NotYet;

    TVideoSource *VideoSource(int i) const { return VideoSourcesList.Items(i); }
    TAudioSource *AudioSource(int i) const { return AudioSourcesList.Items(i); }

    // The streams of the connected device (none while disconnected).
    TPadHub *Hub() const { return m_hub.get(); }
    bool IsConnected() const { return Graph && m_hub; }

    // Connects the parents first, then this device, to graph; nothing for a device already
    // connected to it.
    bool ConnectChain(TGrapheMan *graph);
    // Disconnects this device and then its parents, each only when none of its streams is
    // still claimed.
    void DisconnectChain();

protected:
    // Probes the device (the constructor of a concrete device calls it once it is complete).
    void Probe();
    // Frees the sources and sub-devices (each disconnects itself); the destructor of a concrete
    // device calls it before disconnecting the device itself.
    void FreeChildren();
    std::unique_ptr<TPadHub> m_hub;

private:
    std::vector<std::unique_ptr<TMediaDevice>> m_ownedDevices;
    std::vector<std::unique_ptr<TavSource>> m_ownedSources;
};

// The placeholder objects shown where a source or device is absent; made on first use and
// freed at exit.
struct TMediaPlaceholders
{
    static TVideoSource *NoVideo();  // "Aucune Vidéo"
    static TAudioSource *NoAudio();  // "Aucun Audio"
    static TMediaDevice *NoDV();     // "Aucun DV"
    static TMediaDevice *NoStream(); // "Aucun Stream"
};
