#pragma once
// The streams of an element with dynamic source pads (a demuxer, parsebin, dvdemux) in a graph.
//
// Every new pad is held by a blocking probe the moment it appears (streaming thread). The main
// thread then puts a queue behind it (one streaming thread per branch) and moves the hold to the
// queue's output. A held stream waits for a claimant (a pass-through element of a source) or,
// once the hub is settled, goes to a drain: a pass-through element with nothing behind it, so
// that a stream nobody connects never stalls the others and never holds up preroll.
//
// Claimants are swapped on held pads: release() holds the queue output, detaches the claimant
// and flushes what lies downstream of it, so no streaming thread stays inside; the queue and
// the demuxer upstream never see a flush. Everything here is main-thread API.
#include "media/gst/TGstHandles.h"
#include "media/gst/TMediaType.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class TGstGraph;
class TPassThrough;

class TPadHub : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Video, Audio, Interleaved, Stream, Other };

    // Watches demux (already in graph) from now on; name prefixes the hub's elements.
    TPadHub(TGstGraph *graph, GstElement *demux, const QString &name);
    ~TPadHub() override;

    // Main thread: waits until the element said it has no more pads (or the streams stopped
    // appearing), an error was posted, or timeoutMs passed; answers sent messages meanwhile.
    // True when at least one stream is known.
    bool waitForPads(int timeoutMs);
    bool noMorePads() const;
    // The last wait ran out of time (rather than ending on no-more-pads, a stall or an error).
    bool timedOut() const { return m_timedOut; }
    // What ended the last wait for pads.
    enum class Settled { NotYet, NoMorePads, GroupExposed, Quiet, Stalled, NoStream, Error, TimedOut };
    Settled settledOn() const { return m_settledOn; }

    int count() const { return int(m_streams.size()); }
    Kind kind(int i) const;
    TGstCaps caps(int i) const;
    TMediaType mediaType(int i) const;
    // Index of the n-th (0-based) stream of kind k, or -1.
    int indexOf(Kind k, int n) const;
    // Stream i has ended before it carried anything (a file cut short after its headers):
    // a splitter claiming it would wait for data that never comes.
    bool endedEmpty(int i) const;
    static Kind kindOfCaps(GstCaps *caps);

    // Links stream i to the claimant's input. The stream stays held until the claimant's
    // output is linked (or the hub is settled). False when i is claimed already or linking
    // fails.
    bool claim(int i, TPassThrough *claimant);
    // Gives stream i back: the claimant is detached and unlinked (the caller removes it).
    bool release(int i);
    bool isClaimed(int i) const;
    TPassThrough *claimant(int i) const;

    // From now on unclaimed streams drain and claimed ones flow even if nothing is linked
    // behind their claimant. Called before the graph changes state.
    void settle();
    bool settled() const { return m_settled; }

    // Handles the pads that appeared since the last call (also runs by itself through posted
    // wake-ups).
    void processPending();

    // Removes the hub's queues and drains from the graph and every probe (the demuxer itself
    // belongs to the caller). Claimants are released first.
    void close();

private:
    struct Shared;
    struct Stream;
    static void onPadAdded(GstElement *, GstPad *pad, gpointer data);
    static void onNoMorePads(GstElement *, gpointer data);
    static GstPadProbeReturn holdProbe(GstPad *, GstPadProbeInfo *info, gpointer data);
    static void onClaimantLinked(GstPad *, GstPad *, gpointer data);
    // The pad has seen EOS (stored as a sticky event).
    static bool hasEnded(GstPad *pad);
    // The demuxer's input has ended.
    bool demuxEnded() const;
    bool innerDemuxerStopped() const;
    void addStream(const TGstPad &pad);
    void boundQueues();
    static constexpr guint64 kVideoQueueNs = 3 * GST_SECOND;
    static constexpr guint64 kAudioQueueNs = 30 * GST_SECOND;
    void hold(Stream &s);
    void unhold(Stream &s);
    void drain(Stream &s);
    void undrain(Stream &s);

    TGstGraph *m_graph;
    TGstElement m_demux;
    QString m_name;
    std::shared_ptr<Shared> m_shared;
    int m_errorsAtStart = 0; // the graph's error count when the hub was made
    std::vector<std::unique_ptr<Stream>> m_streams;
    bool m_settled = false;
    bool m_timedOut = false;
    // parsebin and decodebin expose a whole group of streams in one go, and never say
    // no-more-pads: once every pad they gave has caps and data, the group is complete.
    bool m_exposesGroups = false;
    Settled m_settledOn = Settled::NotYet;
    bool m_closed = false;
    gulong m_padAddedId = 0;
    gulong m_noMorePadsId = 0;
};
