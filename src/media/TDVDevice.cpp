#include "media/TDVDevice.h"

#include "media/TGrapheMan.h"
#include "media/TNotifier.h"

TDVDevice::TDVDevice(const QString &name, int index, TMediaDevice *parent)
    : TMediaDevice(name, index, parent), m_notifier(std::make_unique<TNotifier>())
{
    if (name != kNoDV)
        Probe();
}

TDVDevice::~TDVDevice()
{
    FreeChildren();
    if (Graph)
        Disconnect();
}

bool TDVDevice::Connect()
{
    TPadHub *parentHub = Parent ? Parent->Hub() : nullptr;
    if (!Graph || !parentHub)
        return false;
    const int idx = parentHub->indexOf(TPadHub::Kind::Interleaved, Index - 1);
    if (idx < 0 || parentHub->endedEmpty(idx))
        return false;
    TGstGraph *g = Graph->Graph();
    m_splitter = MakeElement("dvdemux");
    if (!m_splitter || g->addElementUnique(m_notifier->element(), QStringLiteral("DV Notifier")).isEmpty())
        return false;
    if (g->addElementUnique(m_splitter, QStringLiteral("DV Splitter")).isEmpty())
        return false;
    TGstPad in = TGstPad::adopt(gst_element_get_static_pad(m_splitter, "sink"));
    if (!TGstGraph::link(m_notifier->srcPad(), in))
        return false;
    m_hub = std::make_unique<TPadHub>(g, m_splitter, DisplayName());
    Graph->RegisterHub(m_hub.get());
    gst_element_sync_state_with_parent(m_splitter);
    gst_element_sync_state_with_parent(m_notifier->element());
    m_notifier->ResetNotifier();
    if (!parentHub->claim(idx, m_notifier.get()))
        return false;
    m_parentStream = idx;
    return m_hub->waitForPads(PadTimeoutMs);
}

bool TDVDevice::Disconnect()
{
    TGstGraph *g = Graph ? Graph->Graph() : nullptr;
    if (m_hub && Graph)
        Graph->UnregisterHub(m_hub.get());
    if (Parent && Parent->Hub() && m_parentStream >= 0)
        Parent->Hub()->release(m_parentStream);
    m_parentStream = -1;
    if (g && m_splitter)
        g->removeElement(m_splitter);
    if (m_hub)
        m_hub->close();
    m_hub.reset();
    if (g)
        g->removeElement(m_notifier->element());
    m_splitter.reset();
    return true;
}
