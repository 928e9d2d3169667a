#pragma once
// Our own walk of the GStreamer registry for the decoder manager: which decoders can take a
// stream's caps, by rank, and which parser a decoder needs in front of it (h264parse before
// avdec_h264 for a stream that is not parsed yet). Decodebin is not used: it hides the decoder it
// picks and the chain the program must manage. Colour and sample-format conversion are never
// added here: they belong to the renderer. Main thread only.
#include "media/gst/TGstHandles.h"

#include <QByteArray>

#include <vector>

using TGstFactory = TGstObjectRef<GstElementFactory>;

// A decoder and the parser it needs in front of it (none when it takes the stream as it is).
struct TDecoderChoice
{
    TGstFactory Decoder;
    TGstFactory Parser;
};

class TDecoderWalk
{
public:
    // Decoders of the registry (rank marginal or better) that take caps, directly or behind a
    // parser, and whose output the downstream caps accept (downstream null: any output), best
    // rank first, then by name.
    static std::vector<TDecoderChoice> Decoders(GstCaps *caps, GstCaps *downstream);
    // Whether factory takes caps (directly, or behind a parser of the registry) and gives
    // something downstream accepts; out receives the parser needed.
    static bool Fits(GstElementFactory *factory, GstCaps *caps, GstCaps *downstream, TDecoderChoice &out);
    // Takes fixed caps as they are (the caps are a subset of one of its sink templates).
    static bool TakesDirectly(GstElementFactory *factory, GstCaps *caps);
    // One of its source templates meets caps.
    static bool CanGive(GstElementFactory *factory, GstCaps *caps);
    static bool IsDecoder(GstElementFactory *factory);
    static bool IsParser(GstElementFactory *factory);
    // The name of the factory an element was made from (empty for elements of the program).
    static QByteArray FactoryName(GstElement *e);
    // Sorts factories by rank (best first), then by name.
    static void SortByRank(std::vector<TGstFactory> &factories);
};
