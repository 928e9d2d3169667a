#pragma once
// The hidden message window of a manager component: a receiver object living on the main
// thread, typed by the messages it accepts. Posted messages are queued events that carry their
// own copy of the record; sent messages make the sending thread wait until the main thread has
// handled them (the answer, where there is one, is a field of the message).
//
// Threading: post() and send() may be called from any thread; the handler always runs on
// the receiver's (main) thread. A send from a streaming thread can be cancelled through its
// TSendGate (flush, PAUSED->READY), so a streaming thread never waits on a main thread that
// is itself waiting on the pipeline. The main thread calls servicePendingSent() whenever it
// waits on the pipeline, so sent messages are answered even then.
//
// Typing: a sender holds a TInbox<M> for each message M it sends, so it can only hand a target
// what that target accepts; TMessageReceiver<Ms...> is a TInbox of each of its Ms, and its
// handler must take every one of them (a missing case does not compile).
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <variant>

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

// Where a sender hands messages of type M.
template <class M> class TInbox
{
public:
    // Any thread: queue a copy; the receiver's handler sees it later on the main thread.
    virtual void post(M message) = 0;
    // Any thread. On the receiver's thread the handler runs at once. From another thread the
    // caller waits until the main thread handled the message (true, answer in message) or
    // the gate is cancelled or the receiver destroyed (false: abandoned unhandled, message
    // unchanged).
    virtual bool send(M &message, TSendGate *gate = nullptr) = 0;

protected:
    ~TInbox() = default;
};

// The type-erased part: the QObject the events go to, the one queue of sent requests, and
// what happens to requests when the receiver is closed or destroyed.
class TMessageReceiverBase : public QObject
{
    Q_OBJECT
public:
    ~TMessageReceiverBase() override;

    // Main thread: from now on the handler is never called again; messages still arriving are
    // answered unhandled (senders are released, never left waiting). An owner whose destructor
    // waits on the pipeline (which services sent messages) closes its receiver first, so no
    // message reaches a half-destroyed owner.
    void close() { m_closed = true; }
    bool closed() const { return m_closed; }

    // Main thread: handle every sent message already waiting for a receiver of this thread.
    // Returns how many were handled.
    static int servicePendingSent();

    // A message in flight, whatever its type.
    struct TEnvelope
    {
        virtual ~TEnvelope() = default;
    };
    struct SentRequest;

protected:
    explicit TMessageReceiverBase(QObject *parent);

    void postEnvelope(std::unique_ptr<TEnvelope> envelope);
    // Sends envelope; when handled (true) it holds the handled message again.
    bool sendEnvelope(std::unique_ptr<TEnvelope> &envelope, TSendGate *gate);
    // Main thread: the typed handler.
    virtual void deliver(TEnvelope &envelope) = 0;

    bool event(QEvent *e) override;

private:
    void handle(TEnvelope &envelope);
    bool m_closed = false; // main thread only
};

// Builds a handler from one lambda per message type.
template <class... Fs> struct TOverloaded : Fs...
{
    using Fs::operator()...;
};
template <class... Fs> TOverloaded(Fs...) -> TOverloaded<Fs...>;

namespace messagereceiver_detail {

// A handler takes every message of its receiver.
template <class F, class... Ms>
concept THandlerOf = (std::is_invocable_v<F &, Ms &> && ...);

template <class Receiver, class M> class TInboxOf : public TInbox<M>
{
public:
    void post(M message) override { static_cast<Receiver *>(this)->postTyped(std::move(message)); }
    bool send(M &message, TSendGate *gate = nullptr) override
    {
        return static_cast<Receiver *>(this)->sendTyped(message, gate);
    }
};

} // namespace messagereceiver_detail

template <class... Ms>
class TMessageReceiver final : public TMessageReceiverBase,
                               public messagereceiver_detail::TInboxOf<TMessageReceiver<Ms...>, Ms>...
{
public:
    using Message = std::variant<Ms...>;

    // handler: a callable taking each M& (std::visit checks that every type has its case).
    template <messagereceiver_detail::THandlerOf<Ms...> F>
    explicit TMessageReceiver(F handler, QObject *parent = nullptr)
        : TMessageReceiverBase(parent),
          m_handler([h = std::move(handler)](Message &m) mutable { std::visit(h, m); })
    {}

    using messagereceiver_detail::TInboxOf<TMessageReceiver<Ms...>, Ms>::post...;
    using messagereceiver_detail::TInboxOf<TMessageReceiver<Ms...>, Ms>::send...;

private:
    template <class, class> friend class messagereceiver_detail::TInboxOf;

    struct TTypedEnvelope : TEnvelope
    {
        explicit TTypedEnvelope(Message m) : message(std::move(m)) {}
        Message message;
    };

    template <class M> void postTyped(M message)
    {
        postEnvelope(std::make_unique<TTypedEnvelope>(Message(std::in_place_type<M>, std::move(message))));
    }
    template <class M> bool sendTyped(M &message, TSendGate *gate)
    {
        // The request carries its own copy; the caller's message changes only when answered.
        std::unique_ptr<TEnvelope> e =
            std::make_unique<TTypedEnvelope>(Message(std::in_place_type<M>, message));
        if (!sendEnvelope(e, gate))
            return false;
        message = std::get<M>(std::move(static_cast<TTypedEnvelope &>(*e).message));
        return true;
    }
    void deliver(TEnvelope &envelope) override { m_handler(static_cast<TTypedEnvelope &>(envelope).message); }

    std::function<void(Message &)> m_handler;
};
