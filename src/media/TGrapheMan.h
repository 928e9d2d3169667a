#pragma once
// The graph manager: owns one filter graph and what the program does to it as a whole (run,
// pause, stop, fast play, completion) plus the graph surgery used to put a filter into an
// existing connection or to tear a chain out. Main thread only.
//
// Stop keeps the pipeline PAUSED (reported as stopped) so pads, links and position survive;
// the pipeline goes to NULL only when the graph is cleared or destroyed. State waits poll with
// 40 ms time-outs and answer the streaming threads' sent messages between polls.
//
// A component like the other managers. It makes no actions and takes no messages of its own, so
// its constructor never calls BuildActions: the managers derived from it (DV manager, navigation
// manager) build theirs and own the receivers the notifiers reach.
#include "actions/TVDActionComponent.h"
#include "media/MediaMessages.h"
#include "media/gst/TGstGraph.h"

#include <QList>

#include <functional>
#include <memory>

enum class TGrapheManState { gmStopped, gmPaused, gmPlaying };
// How the graph's run ended: at the end of the streams, or on an error.
enum class TGraphOutcome { Succeeded, Failed };
using TStateEvent = std::function<void(TGrapheManState)>;
using TBooleanEvent = std::function<void(bool)>;
using TGraphCompletedEvent = std::function<void()>;
using TNotifyStringEvent = std::function<void(const QString &)>;

class TVideoSource;
class TAudioSource;
class TPadHub;

class TGrapheMan : public TVDActionComponent
{
    Q_OBJECT
public:
    explicit TGrapheMan(QObject *parent = nullptr);
    ~TGrapheMan() override;

    TGstGraph *Graph() const { return m_graph.get(); }

    // Sources connected to this graph (not owned): a source adds itself when it connects.
    QList<TVideoSource *> VideoSources;
    QList<TAudioSource *> AudioSources;
    bool FastMode = false;
    bool GraphEdit = false; // kept for the settings; no external graph editor on this platform

    TStateEvent OnStateChange;
    TBooleanEvent OnVitesseRapide;
    TGraphCompletedEvent OnGraphCompleted;
    // A GStreamer error, as a value (main thread).
    TNotifyStringEvent OnGraphError;

    virtual bool Play();
    virtual bool Pause();
    virtual bool Stop();
    // False when the pipeline refused the rate's seek.
    virtual bool FastOff();
    virtual bool FastOn();

    // Completion handler: fires OnGraphCompleted only when the graph ran to its end.
    void GraphComplete(TGraphOutcome outcome);

    // Puts a two-pad filter (already in the graph) into the connection of pin. Side 1: pin is
    // the output end; any other side: pin is the input end. The connection is restored on failure.
    bool InsertFilter(GstElement *filter, GstPad *pin, int side);
    // b can be reached from a going upstream through connected input pads.
    bool IsUpstream(GstElement *a, GstElement *b);
    bool RemoveUpstreamChain(GstElement *a, GstElement *b);
    bool RemoveBetween(GstElement *a, GstElement *b);

    // The last state reported (stopped at creation).
    TGrapheManState State() const { return m_state; }
    // Polls the state (up to 30 times 40 ms, once while the graph did not settle at the last
    // wait) while it is changing; the last report.
    TGstGraph::State WaitForState();

    // Hubs of the connected devices: settled before every state change.
    void RegisterHub(TPadHub *hub);
    void UnregisterHub(TPadHub *hub);
    void SettleHubs();

    // Empties the graph (NULL, every element removed); sources must have disconnected.
    void ClearGraph();

protected:
    // Main thread: releases the streaming threads for good (sent messages still pending are
    // answered), then takes the pipeline to NULL and empties it. A derived manager whose
    // receiver the graph's elements reach calls it at the end of its destructor, after closing
    // that receiver and before the receiver goes; later calls do nothing.
    void StopStreaming();

private:
    // Settles the hubs, asks for the state with `change`, waits for it and, when the request
    // was accepted, records and reports `reached`.
    bool ChangeState(bool (TGstGraph::*change)(), TGrapheManState reached);
    bool RemoveUpstreamChainRec(GstElement *a, GstElement *b, int depth);
    void RemoveBetweenRec(GstElement *a, GstElement *b, int depth);
    bool IsUpstreamRec(GstElement *a, GstElement *b, int depth);

    std::unique_ptr<TGstGraph> m_graph;
    QList<TPadHub *> m_hubs;
    bool m_streamingStopped = false;
    bool m_unsettled = false; // the last wait ended with the state still changing
    TGrapheManState m_state = TGrapheManState::gmStopped;
};
