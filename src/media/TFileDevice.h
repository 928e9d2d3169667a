#pragma once
// A file read by a source element and a demuxer. Main thread only.
#include "media/TMediaDevice.h"
#include "media/gst/TGstHandles.h"

#include <QByteArray>

// Which element plays a role: the name it takes in the graph and its factory.
struct TElementRec
{
    QString Name;
    QByteArray Factory;
    bool isNull() const { return Factory.isEmpty(); }
    bool operator==(const TElementRec &) const = default;
};

class TFileDevice : public TMediaDevice
{
public:
    // Name = the file name without its folder, Index 1. Probes at once.
    TFileDevice(const QString &fileName, const TElementRec &splitterRec, const TElementRec &sourceRec);
    ~TFileDevice() override;

    QString FileName;
    TElementRec SourceRec;
    TElementRec SplitterRec;

    bool Connect() override;
    bool Disconnect() override;

    GstElement *SourceElement() const { return m_source.get(); }
    GstElement *SplitterElement() const { return m_splitter.get(); }

private:
    bool fail();
    static gboolean autoplugContinue(GstElement *, GstPad *, GstCaps *caps, gpointer);
    TGstElement m_source;
    TGstElement m_splitter;
};
