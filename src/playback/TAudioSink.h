#pragma once
// The audio renderer element: a bin of audioconvert + audioresample + volume + autoaudiosink
// with one sink pad, "sink". The volume is set on the program's linear scale of 0 to 10,000,
// mapped as the program has always done: an attenuation in hundredths of a decibel of
// round(ln(v + 1) x 1085.73) - 10000 (0 at 10,000, -10000 at 0), applied as the gain
// 10^(attenuation / 2000).
//
// Without a usable audio device autoaudiosink runs an internal fake sink: the video keeps
// playing and UsesFakeDevice tells the owner so. On a machine with neither a sound server nor
// an ALSA playback device the renderer takes a fake audio sink at once: autoaudiosink would
// probe ALSA and OpenAL first, and both libraries print their failures on standard error.
// Main thread only.
#include "media/gst/TGstHandles.h"

class TAudioSink
{
public:
    static constexpr int MaxVolume = 10000;

    TAudioSink();
    ~TAudioSink();
    TAudioSink(const TAudioSink &) = delete;
    TAudioSink &operator=(const TAudioSink &) = delete;

    bool IsValid() const { return bool(m_bin); }
    GstElement *Element() const { return m_bin.get(); }
    GstPad *SinkPad() const { return m_sinkPad.get(); }

    // The attenuation (1/100 dB) of a linear volume, clamped to 0 .. 10,000 first.
    static int Attenuation(int linear);
    // The gain factor of an attenuation.
    static double Gain(int attenuation);

    // Sets the linear volume (clamped); LinearVolume gives back the value set.
    void SetLinearVolume(int linear);
    int LinearVolume() const { return m_linear; }
    // The gain the volume element applies now.
    double CurrentGain() const;

    // True when the output device in use is the fallback fake sink (known once the renderer
    // went to READY at least once; Probe makes it so while the renderer is outside a graph).
    bool UsesFakeDevice() const;
    // Opens the output device (READY) to learn whether one is there; the renderer stays in
    // READY, so that the sink it chose can be looked at. Only while it has no parent.
    void Probe();

    // Whether this machine has somewhere to play sound: a PulseAudio or PipeWire server of the
    // session, or an ALSA playback device.
    static bool AudioOutputPresent();

private:
    TGstElement m_bin;
    TGstElement m_volume;
    TGstElement m_output;
    TGstPad m_sinkPad;
    int m_linear = MaxVolume;
    // The output is a fake sink chosen because no device is there (not autoaudiosink).
    bool m_noDevice = false;
};
