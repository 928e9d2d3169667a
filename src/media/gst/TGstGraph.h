#pragma once
// The filter graph: a GstPipeline with the operations the graph engine needs, all on the main
// thread. Graph surgery (named elements, pins, direct links), control (run / pause / stop, where
// stop keeps the pipeline PAUSED so pads, links and position survive), completion and errors
// delivered on the main thread, seeking in 100-ns media time, clock removal.
//
// The pipeline goes to NULL only in clear() and in the destructor.
#include "media/gst/TGstHandles.h"
#include "media/gst/TMediaType.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// One pad of an element as the graph surgery sees it.
struct TPinInfo
{
    TGstPad pad;
    GstPadDirection direction = GST_PAD_UNKNOWN;
    TGstPad peer;    // linked peer, or empty
    TGstCaps caps;   // current caps (negotiated), or empty
    TMediaType type; // the current caps as a media type (null type without caps)
    bool connected() const { return bool(peer); }
};

// Creates an element by factory name (floating ref sunk); empty when the factory is missing.
TGstElement MakeElement(const char *factory, const char *name = nullptr);

class TGstGraph : public QObject
{
    Q_OBJECT
public:
    enum class State { Stopped, Paused, Running, Changing, Failed };

    explicit TGstGraph(const QString &name = QStringLiteral("Filtergraph"), QObject *parent = nullptr);
    ~TGstGraph() override;

    GstElement *element() const { return m_pipeline.get(); }
    GstBin *bin() const { return GST_BIN(m_pipeline.get()); }

    // --- graph surgery (main thread) -------------------------------------------------------
    // Adds e under name; false (nothing added) when the name is taken or e already has a parent.
    bool addElement(GstElement *e, const QString &name);
    // Adds e under base, or base_1, base_2 ... until a name is free; the name used, or empty.
    QString addElementUnique(GstElement *e, const QString &base);
    // Unlinks and removes e (NULL state first). While the graph is live, the branch through e
    // is flushed first so no streaming thread stays inside it; the flush does not reach the
    // elements upstream of e. False when e is not a child of this graph.
    bool removeElement(GstElement *e);
    bool contains(GstElement *e) const;
    TGstElement findElement(const QString &name) const;
    std::vector<TGstElement> elements() const;
    // Pads of e in order (static pads first, then dynamic ones as they appeared).
    static std::vector<TPinInfo> pins(GstElement *e);
    static TPinInfo pinInfo(GstPad *pad);
    // Links src -> sink directly; with caps, only when both pads can take them. No element is
    // ever added in between.
    static bool link(GstPad *src, GstPad *sink, GstCaps *caps = nullptr);
    // Unlinks pad from its peer; false when it was not linked.
    static bool unlink(GstPad *pad);
    // NULL state, every element removed. The graph stays usable.
    void clear();

    // --- control (main thread) -------------------------------------------------------------
    bool run();
    bool pause();
    bool stop(); // PAUSED, reported as Stopped
    // The state with a bounded wait (never an unbounded get_state on the main thread).
    State queryState(int timeoutMs = 40);
    bool isStoppedMode() const { return m_stopped; }
    GstState targetState() const { return m_target; }

    // --- seeking, media time in 100-ns units (main thread) ---------------------------------
    bool canSeek();
    // Flushing, accurate seek to pos; the stop position stays open-ended. fromKeyFrame: to the
    // key frame at or before pos instead, the segment starting there (every frame from it on
    // is output).
    bool seek(int64_t pos, bool fromKeyFrame = false);
    int64_t position(); // -1 when unknown
    int64_t duration(); // -1 when unknown
    // Applies a rate by a flushing seek at the current position, only when it changes.
    bool setRate(double rate);
    double rate() const { return m_rate; }

    // --- clock ------------------------------------------------------------------------------
    void setClockEnabled(bool enabled); // false: run without a clock (as fast as decoded)
    bool clockEnabled() const { return m_clockEnabled; }

    // Errors counted as they are posted, readable at once from the main thread (the detailed
    // error arrives later as errorOccurred).
    int errorCount() const { return m_errors.load(std::memory_order_acquire); }
    QString lastError() const { return m_lastError; }
    // The objects that posted the errors counted after `since` (an earlier errorCount()), by
    // their path in the graph (gst_object_get_path_string), oldest first: the last
    // kErrorSources at most. Paths, not references: an element removed since stays dead.
    static constexpr int kErrorSources = 16;
    QStringList errorSourcesSince(int since) const;

Q_SIGNALS:
    // The graph reached its end (EOS); delivered on the main thread.
    void completed();
    // A GStreamer error as a value; delivered on the main thread.
    void errorOccurred(const QString &message, const QString &debug);

private:
    struct BusContext;
    static GstBusSyncReply busSync(GstBus *bus, GstMessage *msg, gpointer data);
    void handleMessage(GstMessage *msg);
    bool setState(GstState s);

    TGstElement m_pipeline;
    std::shared_ptr<BusContext> m_busContext;
    GstState m_target = GST_STATE_NULL;
    bool m_stopped = true;
    double m_rate = 1.0;
    bool m_clockEnabled = true;
    std::atomic<int> m_errors{0};
    QString m_lastError;
};
