#include "playback/TAudioSink.h"

#include "media/gst/TGstGraph.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

TAudioSink::TAudioSink()
{
    TGstElement bin = TGstElement::sink(gst_bin_new("VD Audio Renderer"));
    TGstElement convert = MakeElement("audioconvert");
    TGstElement resample = MakeElement("audioresample");
    TGstElement volume = MakeElement("volume");
    m_noDevice = !AudioOutputPresent();
    TGstElement output = MakeElement(m_noDevice ? "fakeaudiosink" : "autoaudiosink");
    if (!output && m_noDevice)
        output = MakeElement("fakesink");
    if (!bin || !convert || !resample || !volume || !output)
        return;
    for (GstElement *e : {convert.get(), resample.get(), volume.get(), output.get()})
        gst_bin_add(GST_BIN(bin.get()), GST_ELEMENT(gst_object_ref(e)));
    if (!gst_element_link_many(convert.get(), resample.get(), volume.get(), output.get(), nullptr))
        return;
    TGstPad target = TGstPad::adopt(gst_element_get_static_pad(convert, "sink"));
    GstPad *ghost = gst_ghost_pad_new("sink", target);
    if (!ghost || !gst_element_add_pad(bin, ghost))
        return;
    m_sinkPad = TGstPad::ref(ghost);
    m_volume = std::move(volume);
    m_output = std::move(output);
    m_bin = std::move(bin);
    SetLinearVolume(m_linear);
}

TAudioSink::~TAudioSink()
{
    if (m_bin && !GST_OBJECT_PARENT(m_bin.get()))
        gst_element_set_state(m_bin, GST_STATE_NULL);
}

int TAudioSink::Attenuation(int linear)
{
    const int v = std::clamp(linear, 0, MaxVolume);
    return int(std::lround(std::log(double(v) + 1.0) * 1085.73)) - 10000;
}

double TAudioSink::Gain(int attenuation)
{
    return std::pow(10.0, double(attenuation) / 2000.0);
}

void TAudioSink::SetLinearVolume(int linear)
{
    m_linear = std::clamp(linear, 0, MaxVolume);
    if (m_volume)
        g_object_set(m_volume.get(), "volume", Gain(Attenuation(m_linear)), nullptr);
}

double TAudioSink::CurrentGain() const
{
    gdouble gain = 0;
    if (m_volume)
        g_object_get(m_volume.get(), "volume", &gain, nullptr);
    return gain;
}

bool TAudioSink::AudioOutputPresent()
{
    if (!qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && (QFileInfo::exists(runtime + QStringLiteral("/pulse/native")) ||
                               QFileInfo::exists(runtime + QStringLiteral("/pipewire-0"))))
        return true;
    // ALSA names playback devices pcmC<card>D<device>p.
    return !QDir(QStringLiteral("/dev/snd"))
                .entryList(QStringList{QStringLiteral("pcmC*D*p")}, QDir::System | QDir::Files)
                .isEmpty();
}

bool TAudioSink::UsesFakeDevice() const
{
    if (m_noDevice)
        return true;
    if (!m_output)
        return false;
    bool fake = false;
    GstIterator *it = gst_bin_iterate_elements(GST_BIN(m_output.get()));
    GValue item = G_VALUE_INIT;
    bool done = false;
    while (!done) {
        switch (gst_iterator_next(it, &item)) {
        case GST_ITERATOR_OK: {
            auto *child = GST_ELEMENT(g_value_get_object(&item));
            GstElementFactory *f = gst_element_get_factory(child);
            const gchar *name = f ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)) : "";
            fake = fake || g_str_has_prefix(name, "fake");
            g_value_reset(&item);
            break;
        }
        case GST_ITERATOR_RESYNC:
            gst_iterator_resync(it);
            fake = false;
            break;
        default:
            done = true;
            break;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return fake;
}

void TAudioSink::Probe()
{
    if (!m_output || GST_OBJECT_PARENT(m_bin.get()))
        return;
    // Opening the device is synchronous for audio sinks (READY, no preroll involved).
    gst_element_set_state(m_bin, GST_STATE_READY);
    gst_element_get_state(m_bin, nullptr, nullptr, 2 * GST_SECOND);
}
