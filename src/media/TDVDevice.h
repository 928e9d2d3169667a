#pragma once
// A device for an interleaved DV stream of a parent device: the parent's stream goes through the
// device's own sample notifier ("DV Notifier") into dvdemux ("DV Splitter"), whose video pad
// carries whole DV frames. Main thread only.
#include "media/TMediaDevice.h"
#include "media/gst/TGstHandles.h"

class TDVDevice : public TMediaDevice
{
public:
    // Probes at once (under the parent's display name) unless name is "Aucun DV".
    TDVDevice(const QString &name, int index, TMediaDevice *parent);
    ~TDVDevice() override;

    TNotifier *DeviceNotifier() const { return m_notifier.get(); }
    bool Connect() override;
    bool Disconnect() override;

private:
    std::unique_ptr<TNotifier> m_notifier;
    TGstElement m_splitter;
    int m_parentStream = -1;
};
