#include "core/TMessageReceiver.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

// Qt hands a posted event to the receiving thread under its own (futex-based) lock, which
// ThreadSanitizer cannot see in an uninstrumented Qt: tell it about that hand-off.
#if defined(__SANITIZE_THREAD__)
#define FRAMIX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define FRAMIX_TSAN 1
#endif
#endif
#ifdef FRAMIX_TSAN
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#define HANDOFF_RELEASE(p) __tsan_release(p)
#define HANDOFF_ACQUIRE(p) __tsan_acquire(p)
#else
#define HANDOFF_RELEASE(p) (void)(p)
#define HANDOFF_ACQUIRE(p) (void)(p)
#endif

namespace {

const QEvent::Type PostedType = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type SentType = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedEvent : public QEvent
{
public:
    explicit PostedEvent(std::unique_ptr<TMessageReceiverBase::TEnvelope> m)
        : QEvent(PostedType), message(std::move(m))
    {}
    std::unique_ptr<TMessageReceiverBase::TEnvelope> message;
};

} // namespace

struct TMessageReceiverBase::SentRequest
{
    enum State { Pending, Taken, Done, Abandoned };
    std::unique_ptr<TEnvelope> message;
    TMessageReceiverBase *receiver = nullptr;
    std::uint64_t number = 0; // order of arrival
    State state = Pending;    // guarded by the queue mutex
};

namespace {

// One queue for every receiver: the main thread answers them in the order they were sent.
struct SentQueue
{
    std::mutex mutex;
    std::condition_variable done;
    std::deque<std::shared_ptr<TMessageReceiverBase::SentRequest>> queue;
    std::uint64_t arrivals = 0; // requests queued so far
};

SentQueue &sent()
{
    static SentQueue q;
    return q;
}

} // namespace

void TSendGate::cancel()
{
    m_cancelled.store(true, std::memory_order_release);
    // Notify under the lock so that no waiter checks the flag and then misses the wake-up.
    std::lock_guard<std::mutex> lock(sent().mutex);
    sent().done.notify_all();
}

void TSendGate::reset()
{
    m_cancelled.store(false, std::memory_order_release);
}

TMessageReceiverBase::TMessageReceiverBase(QObject *parent) : QObject(parent)
{}

TMessageReceiverBase::~TMessageReceiverBase()
{
    // Requests still waiting for this receiver are answered as abandoned.
    std::lock_guard<std::mutex> lock(sent().mutex);
    auto &q = sent().queue;
    for (auto it = q.begin(); it != q.end();) {
        if ((*it)->receiver == this) {
            (*it)->state = SentRequest::Abandoned;
            it = q.erase(it);
        } else {
            ++it;
        }
    }
    sent().done.notify_all();
}

void TMessageReceiverBase::postEnvelope(std::unique_ptr<TEnvelope> envelope)
{
    auto *e = new PostedEvent(std::move(envelope));
    HANDOFF_RELEASE(e);
    QCoreApplication::postEvent(this, e);
}

void TMessageReceiverBase::handle(TEnvelope &envelope)
{
    if (!m_closed)
        deliver(envelope);
}

bool TMessageReceiverBase::sendEnvelope(std::unique_ptr<TEnvelope> &envelope, TSendGate *gate)
{
    if (QThread::currentThread() == thread()) {
        handle(*envelope);
        return true;
    }
    if (gate && gate->cancelled())
        return false;
    auto req = std::make_shared<SentRequest>();
    req->message = std::move(envelope);
    req->receiver = this;
    {
        // Wake the main thread's event loop (servicePendingSent answers the request if the
        // loop is busy). Posting under the lock orders it before the receiver's destructor,
        // which takes the lock first and whose QObject part then drops the event.
        std::lock_guard<std::mutex> lock(sent().mutex);
        req->number = sent().arrivals++;
        sent().queue.push_back(req);
        auto *e = new QEvent(SentType);
        HANDOFF_RELEASE(e);
        QCoreApplication::postEvent(this, e);
    }

    std::unique_lock<std::mutex> lock(sent().mutex);
    sent().done.wait(lock, [&] {
        if (req->state == SentRequest::Done || req->state == SentRequest::Abandoned)
            return true;
        if (gate && gate->cancelled() && req->state == SentRequest::Pending) {
            req->state = SentRequest::Abandoned;
            return true;
        }
        return false;
    });
    if (req->state != SentRequest::Done)
        return false;
    envelope = std::move(req->message);
    return true;
}

int TMessageReceiverBase::servicePendingSent()
{
    QThread *self = QThread::currentThread();
    int handled = 0;
    // Only the requests already waiting: a streaming thread that is answered sends its next
    // request at once, and a slow handler would otherwise keep the main thread here for good.
    // Later requests have their own wake-up event.
    std::uint64_t end;
    {
        std::lock_guard<std::mutex> lock(sent().mutex);
        end = sent().arrivals;
    }
    for (;;) {
        std::shared_ptr<SentRequest> req;
        {
            std::lock_guard<std::mutex> lock(sent().mutex);
            auto &q = sent().queue;
            for (auto it = q.begin(); it != q.end();) {
                if ((*it)->state == SentRequest::Abandoned) {
                    it = q.erase(it);
                } else if ((*it)->number >= end) {
                    break; // the queue is in order of arrival
                } else if ((*it)->receiver->thread() == self) {
                    req = *it;
                    q.erase(it);
                    req->state = SentRequest::Taken;
                    break;
                } else {
                    ++it;
                }
            }
        }
        if (!req)
            return handled;
        req->receiver->handle(*req->message);
        ++handled;
        std::lock_guard<std::mutex> lock(sent().mutex);
        req->state = SentRequest::Done;
        sent().done.notify_all();
    }
}

bool TMessageReceiverBase::event(QEvent *e)
{
    HANDOFF_ACQUIRE(e);
    if (e->type() == PostedType) {
        handle(*static_cast<PostedEvent *>(e)->message);
        return true;
    }
    if (e->type() == SentType) {
        servicePendingSent();
        return true;
    }
    return QObject::event(e);
}
