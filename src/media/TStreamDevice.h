#pragma once
// A device for a stream-type pad (an MPEG transport or program stream inside another
// container). It builds nothing, so it never has streams and offers no sources.
#include "media/TMediaDevice.h"

class TStreamDevice : public TMediaDevice
{
public:
    TStreamDevice(const QString &name, int index, TMediaDevice *parent) : TMediaDevice(name, index, parent)
    {
        if (name != kNoStream)
            Probe();
    }
    bool Connect() override { return true; }
    bool Disconnect() override { return true; }
};
