#pragma once
// The hidden message window of a manager component: a receiver object living on the main
// thread. Posted messages are queued events that carry their own copy of the record; sent
// messages make the sending thread wait until the main thread has handled them.
//
// Threading: post() and send() may be called from any thread; the handler always runs on
// the receiver's (main) thread. A send from a streaming thread can be cancelled through its
// TSendGate (flush, PAUSED->READY), so a streaming thread never waits on a main thread that
// is itself waiting on the pipeline. The main thread calls servicePendingSent() whenever it
// waits on the pipeline, so sent messages are answered even then.
#include <QObject>

#include <any>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

struct TMessage
{
    unsigned msg = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::any payload; // a copy of the record the message carries (never a live address)
    std::int64_t result = 0;
};

// Owned by the sender (a streaming element). Cancelling wakes every send waiting on it and
// makes later sends return at once until reset (FLUSH_STOP, READY->PAUSED).
class TSendGate
{
public:
    void cancel();
    void reset();
    bool cancelled() const { return m_cancelled.load(std::memory_order_acquire); }

private:
    std::atomic<bool> m_cancelled{false};
};

class TMessageReceiver : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(TMessage &)>;

    explicit TMessageReceiver(Handler handler, QObject *parent = nullptr);
    ~TMessageReceiver() override;

    // Any thread: queue the message; the handler sees it later on the main thread.
    void post(TMessage message);

    // Any thread. On the receiver's thread the handler runs at once. From another thread the
    // caller waits until the main thread handled the message (true, result in message) or
    // the gate is cancelled or the receiver destroyed (false: abandoned unhandled).
    bool send(TMessage &message, TSendGate *gate = nullptr);

    // Main thread: handle every sent message waiting for a receiver of this thread.
    // Returns how many were handled.
    static int servicePendingSent();

    struct SentRequest;

protected:
    bool event(QEvent *e) override;

private:
    void handle(TMessage &message);
    Handler m_handler;
};
