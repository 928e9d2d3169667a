#include "media/TFileDevice.h"

#include "media/TGrapheMan.h"

#include <QFile>
#include <QFileInfo>

TFileDevice::TFileDevice(const QString &fileName, const TElementRec &splitterRec,
                         const TElementRec &sourceRec)
    : TMediaDevice(QFileInfo(fileName).fileName(), 1), FileName(fileName), SourceRec(sourceRec),
      SplitterRec(splitterRec)
{
    Probe();
}

TFileDevice::~TFileDevice()
{
    FreeChildren();
    if (Graph)
        Disconnect();
}

// Streaming thread (parsebin's): interleaved DV stays as it is, so the DV device handles it.
gboolean TFileDevice::autoplugContinue(GstElement *, GstPad *, GstCaps *caps, gpointer)
{
    return TPadHub::kindOfCaps(caps) != TPadHub::Kind::Interleaved;
}

bool TFileDevice::Connect()
{
    if (!Graph || SourceRec.isNull())
        return false;
    // A file that is gone fails here, before any element can post an error.
    const QFileInfo fi(FileName);
    if (!fi.isFile() || !fi.isReadable())
        return false;
    TGstGraph *g = Graph->Graph();
    m_source = MakeElement(SourceRec.Factory.constData());
    if (!m_source || !g_object_class_find_property(G_OBJECT_GET_CLASS(m_source.get()), "location"))
        return fail();
    g_object_set(m_source, "location", QFile::encodeName(FileName).constData(), nullptr);
    if (g->addElementUnique(m_source, SourceRec.Name).isEmpty())
        return fail();
    GstElement *last = m_source;
    if (!SplitterRec.isNull()) {
        m_splitter = MakeElement(SplitterRec.Factory.constData());
        if (!m_splitter)
            return fail();
        if (g_signal_lookup("autoplug-continue", G_OBJECT_TYPE(m_splitter.get())))
            g_signal_connect(m_splitter, "autoplug-continue", G_CALLBACK(&TFileDevice::autoplugContinue),
                             nullptr);
        if (!g->addElement(m_splitter, SplitterRec.Name))
            return fail();
        if (!gst_element_link(m_source, m_splitter))
            return fail();
        last = m_splitter;
    }
    m_hub = std::make_unique<TPadHub>(g, last, DisplayName());
    Graph->RegisterHub(m_hub.get());
    if (m_splitter && !gst_element_sync_state_with_parent(m_splitter))
        return fail();
    if (!gst_element_sync_state_with_parent(m_source))
        return fail();
    if (!m_hub->waitForPads(PadTimeoutMs))
        return fail();
    return true;
}

bool TFileDevice::fail()
{
    Disconnect();
    return false;
}

bool TFileDevice::Disconnect()
{
    TGstGraph *g = Graph ? Graph->Graph() : nullptr;
    if (m_hub && Graph)
        Graph->UnregisterHub(m_hub.get());
    // The demuxer first (its streaming thread stops), then the hub's queues.
    if (g && m_splitter && g->contains(m_splitter))
        g->removeElement(m_splitter);
    if (g && m_source && g->contains(m_source))
        g->removeElement(m_source);
    if (m_hub)
        m_hub->close();
    m_hub.reset();
    m_splitter.reset();
    m_source.reset();
    return true;
}
