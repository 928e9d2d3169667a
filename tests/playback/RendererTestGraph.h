#pragma once
// A graph for the renderer tests: filesrc ! decodebin, the decoded video linked to the
// renderer manager's sink, every other stream to a fake sink. The product builds its decoder
// chains itself; a test only needs decoded pictures.
#include "../media/MediaTestUtil.h"
#include "media/gst/TGstGraph.h"
#include "playback/TWindowLessMan.h"

#include <memory>

namespace renderertest {

class TRendererGraph
{
public:
    TRendererGraph(TWindowLessMan &man, const QString &file) : m_graph(std::make_unique<TGstGraph>())
    {
        TGstElement src = MakeElement("filesrc");
        TGstElement dec = MakeElement("decodebin");
        if (!src || !dec || !man.Renderer())
            return;
        g_object_set(src.get(), "location", file.toUtf8().constData(), nullptr);
        m_graph->addElement(src, QStringLiteral("src"));
        m_graph->addElement(dec, QStringLiteral("dec"));
        gst_element_link(src, dec);
        m_videoPad = TGstPad::ref(man.VideoSinkPad());
        man.AttachToGraph(m_graph.get());
        g_signal_connect(dec.get(), "pad-added", G_CALLBACK(&TRendererGraph::PadAdded), this);
        // The graph idles in PAUSED: what is added follows it.
        gst_element_sync_state_with_parent(dec);
        gst_element_sync_state_with_parent(src);
        m_ok = true;
    }
    ~TRendererGraph() { m_graph->clear(); }

    TGstGraph *Graph() const { return m_graph.get(); }

    // Pauses and waits for the preroll; false on failure.
    bool Pause()
    {
        if (!m_ok || !m_graph->pause())
            return false;
        return mediatest::waitUntil([&] { return m_graph->queryState(10) == TGstGraph::State::Paused; },
                                    20000);
    }
    // Accurate seek to the middle of frame n of a clip at fps frames per second, then the
    // preroll of that frame.
    bool SeekFrame(int n, int fps)
    {
        const int64_t frame = 10000000 / fps;
        if (!m_graph->seek(n * frame + frame / 2))
            return false;
        return mediatest::waitUntil([&] { return m_graph->queryState(10) == TGstGraph::State::Paused; },
                                    20000);
    }

private:
    // Runs on a streaming thread (decodebin's).
    static void PadAdded(GstElement *, GstPad *pad, gpointer user)
    {
        auto *self = static_cast<TRendererGraph *>(user);
        TGstCaps caps = TGstCaps::adopt(gst_pad_get_current_caps(pad));
        if (!caps)
            caps = TGstCaps::adopt(gst_pad_query_caps(pad, nullptr));
        const gchar *name =
            caps && gst_caps_get_size(caps) ? gst_structure_get_name(gst_caps_get_structure(caps, 0)) : "";
        if (g_str_has_prefix(name, "video/") && !gst_pad_is_linked(self->m_videoPad)) {
            gst_pad_link(pad, self->m_videoPad);
            return;
        }
        GstElement *sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", TRUE, nullptr);
        gst_bin_add(self->m_graph->bin(), sink);
        gst_element_sync_state_with_parent(sink);
        TGstPad in = TGstPad::adopt(gst_element_get_static_pad(sink, "sink"));
        gst_pad_link(pad, in);
    }

    std::unique_ptr<TGstGraph> m_graph;
    TGstPad m_videoPad;
    bool m_ok = false;
};

} // namespace renderertest
