#include "core/TMessageReceiver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>
#include <type_traits>

namespace {

// Messages of a test: a posted record, a sent request with its answer, another sent request.
struct TNumberMsg
{
    int value = 0;
};
struct TDoubleMsg
{
    std::int64_t value = 0;
    std::int64_t answer = 0; // written by the handler
};
struct TPingMsg
{
};

// A receiver accepts exactly its messages: a notifier holding a TInbox<TPingMsg> cannot be
// given a receiver of TNumberMsg, and a receiver cannot be built without a case for each.
using TNumberReceiver = TMessageReceiver<TNumberMsg>;
using TBothReceiver = TMessageReceiver<TNumberMsg, TDoubleMsg>;
static_assert(std::is_convertible_v<TNumberReceiver *, TInbox<TNumberMsg> *>);
static_assert(!std::is_convertible_v<TNumberReceiver *, TInbox<TPingMsg> *>);
static_assert(std::is_convertible_v<TBothReceiver *, TInbox<TDoubleMsg> *>);
static_assert(!std::is_convertible_v<TBothReceiver *, TInbox<TPingMsg> *>);
template <class R, class M>
concept Posts = requires(R &r, M m)
{
    r.post(m);
};
static_assert(Posts<TNumberReceiver, TNumberMsg>);
static_assert(!Posts<TNumberReceiver, TPingMsg>);
static_assert(!Posts<TInbox<TNumberMsg>, TDoubleMsg>);
struct TNumberCase
{
    void operator()(TNumberMsg &) const {}
};
struct TDoubleCase
{
    void operator()(TDoubleMsg &) const {}
};
static_assert(std::is_constructible_v<TBothReceiver, TOverloaded<TNumberCase, TDoubleCase>>);
static_assert(!std::is_constructible_v<TBothReceiver, TNumberCase>);

void pumpUntil(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

TEST(MessageReceiver, PostedMessagesCarryTheirOwnCopyInOrder)
{
    std::vector<int> seen;
    TMessageReceiver<TNumberMsg> r([&](TNumberMsg &m) { seen.push_back(m.value); });
    std::thread producer([&] {
        // Each message is a copy: the record the producer goes on writing is never shared.
        TNumberMsg record;
        for (int i = 0; i < 100; ++i) {
            record.value = i;
            r.post(record);
        }
        record.value = -1;
    });
    producer.join();
    pumpUntil([&] { return seen.size() == 100; });
    ASSERT_EQ(seen.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(seen[i], i);
}

TEST(MessageReceiver, SentFromAnotherThreadWaitsForTheAnswerOrTheGate)
{
    // Messages the handler is not about still need their case; the receiver takes both.
    TMessageReceiver<TDoubleMsg, TPingMsg> r(
        TOverloaded{[](TDoubleMsg &m) { m.answer = m.value * 2; }, [](TPingMsg &) {}});
    // Answered by the event loop.
    std::atomic<bool> finished{false};
    std::int64_t result = 0;
    std::thread sender([&] {
        TDoubleMsg m{21};
        EXPECT_TRUE(r.send(m));
        result = m.answer;
        finished = true;
    });
    pumpUntil([&] { return finished.load(); });
    sender.join();
    EXPECT_EQ(result, 42);

    // Answered while the main thread waits elsewhere (as when it polls the pipeline state).
    finished = false;
    std::thread sender2([&] {
        TDoubleMsg m{5};
        EXPECT_TRUE(r.send(m));
        result = m.answer;
        finished = true;
    });
    while (!finished) {
        TMessageReceiverBase::servicePendingSent();
        QThread::msleep(1);
    }
    sender2.join();
    EXPECT_EQ(result, 10);

    // Cancelled by its gate while the main thread does not answer: the sender returns false.
    TSendGate gate;
    std::atomic<bool> returned{false}, answer{true};
    std::thread sender3([&] {
        TDoubleMsg m{3, -7};
        answer = r.send(m, &gate);
        // Abandoned: the sender's record is as it was.
        EXPECT_EQ(m.answer, -7);
        returned = true;
    });
    QThread::msleep(20);
    EXPECT_FALSE(returned.load());
    gate.cancel();
    sender3.join();
    EXPECT_FALSE(answer.load());
    // A cancelled gate refuses at once until reset, and the abandoned request is never run.
    std::thread sender4([&] {
        TPingMsg again;
        answer = r.send(again, &gate);
    });
    sender4.join();
    EXPECT_FALSE(answer.load());
    EXPECT_EQ(TMessageReceiverBase::servicePendingSent(), 0);
    gate.reset();
}

TEST(MessageReceiver, ServicingAnswersOnlyWhatWasWaitingSoASenderCannotKeepTheMainThread)
{
    // A streaming thread that sends again as soon as it is answered, to a slow handler: the
    // main thread's servicing pass (run between state polls) must come back to its caller.
    std::atomic<int> handled{0};
    TMessageReceiver<TPingMsg> r([&](TPingMsg &) {
        ++handled;
        QThread::msleep(2);
    });
    std::atomic<bool> stop{false}, finished{false};
    std::thread sender([&] {
        while (!stop) {
            TPingMsg m;
            r.send(m);
        }
        finished = true;
    });
    int first = 0;
    for (int i = 0; i < 5000 && first == 0; ++i) {
        first = TMessageReceiverBase::servicePendingSent();
        if (first == 0)
            QThread::msleep(1);
    }
    EXPECT_EQ(first, 1);
    // Later passes answer the next request each.
    EXPECT_LE(TMessageReceiverBase::servicePendingSent(), 1);
    stop = true;
    pumpUntil([&] { return finished.load(); });
    sender.join();
    EXPECT_GE(handled.load(), 1);
}

TEST(MessageReceiver, SentOnTheMainThreadRunsAtOnce)
{
    int calls = 0;
    TMessageReceiver<TDoubleMsg> r([&](TDoubleMsg &m) {
        ++calls;
        m.answer = m.value + 1;
    });
    TDoubleMsg m{1};
    EXPECT_TRUE(r.send(m));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(m.answer, 2);
}

TEST(MessageReceiver, DestroyedReceiverReleasesItsSenders)
{
    auto *r = new TMessageReceiver<TPingMsg>([](TPingMsg &) {});
    std::atomic<bool> answer{true};
    std::thread s([&] {
        TPingMsg m;
        answer = r->send(m);
    });
    QThread::msleep(20);
    delete r;
    s.join();
    EXPECT_FALSE(answer.load());
}

TEST(MessageReceiver, AClosedReceiverAnswersUnhandled)
{
    int calls = 0;
    TMessageReceiver<TDoubleMsg> r([&](TDoubleMsg &m) {
        ++calls;
        m.answer = 1;
    });
    r.close();
    // Sent from another thread: the sender is released (answered), the handler never runs.
    std::atomic<bool> finished{false}, answer{false};
    std::int64_t result = -1;
    std::thread sender([&] {
        TDoubleMsg m{4};
        answer = r.send(m);
        result = m.answer;
        finished = true;
    });
    pumpUntil([&] { return finished.load(); });
    sender.join();
    EXPECT_TRUE(answer.load());
    EXPECT_EQ(result, 0);
    // Posted, and sent on the receiver's own thread: dropped as well.
    r.post(TDoubleMsg{5});
    TDoubleMsg own{6};
    EXPECT_TRUE(r.send(own));
    EXPECT_EQ(own.answer, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}
