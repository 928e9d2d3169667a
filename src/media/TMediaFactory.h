#pragma once
// Turns a file name into a probed media device, choosing the reader and demuxer by the file's
// extension, and keeps the devices it made so that reopening a file reuses its device.
// Main thread only.
#include "media/TFileDevice.h"

#include <QObject>
#include <QPointer>

#include <map>
#include <memory>
#include <vector>

class TGrapheMan;

// A component that works on a graph manager; the property clears itself when the graph
// manager goes away.
class TGrapheComponent : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    TGrapheMan *GrapheMan() const;
    void SetGrapheMan(TGrapheMan *g);

private:
    QPointer<QObject> m_grapheMan;
};

class TMediaFactory : public TGrapheComponent
{
    Q_OBJECT
public:
    explicit TMediaFactory(QObject *parent = nullptr);
    ~TMediaFactory() override;

    // The element records by role.
    static const TElementRec &DefaultSourceRec();  // filesrc + parsebin: reads every container
    static const TElementRec &FileSourceRec();     // filesrc
    static const TElementRec &AviSplitterRec();    // avidemux
    static const TElementRec &AsfReaderRec();      // asfdemux
    static const TElementRec &WaveParserRec();     // wavparse
    static const TElementRec &Mpeg2SplitterRec();  // mpegpsdemux
    static const TElementRec &MpegTsSplitterRec(); // tsdemux
    static const TElementRec &DvSplitterRec();     // dvdemux

    // The demuxer record of the default source (the reader is always FileSourceRec).
    TElementRec DefaultSource() const { return m_defaultSource; }

    // The device of the file (made and probed on first use), or none: unsupported extension or
    // no graph manager. The factory owns the device.
    TFileDevice *OpenFile(const QString &fileName);
    // Null record: back to DefaultSourceRec. Empties the cache.
    void SetDefaultSource(const TElementRec &rec);
    void ClearDevices();
    int DeviceCount() const { return int(m_devices.size()); }

    // The choices (splitter, source) tried in order for a file name's extension.
    std::vector<std::pair<TElementRec, TElementRec>> Choices(const QString &fileName) const;

private:
    TElementRec m_defaultSource;
    // Exact, case-sensitive names: file names on this system are case-sensitive.
    std::map<QString, std::unique_ptr<TFileDevice>> m_devices;
};
