#include "core/TMessageReceiver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>

namespace {

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
    TMessageReceiver r([&](TMessage &m) { seen.push_back(std::any_cast<int>(m.payload)); });
    std::thread producer([&] {
        for (int i = 0; i < 100; ++i)
            r.post(TMessage{9219, 0, 0, i, 0});
    });
    producer.join();
    pumpUntil([&] { return seen.size() == 100; });
    ASSERT_EQ(seen.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(seen[i], i);
}

TEST(MessageReceiver, SentFromAnotherThreadWaitsForTheAnswerOrTheGate)
{
    TMessageReceiver r([](TMessage &m) { m.result = m.lParam * 2; });
    // Answered by the event loop.
    std::atomic<bool> finished{false};
    std::int64_t result = 0;
    std::thread sender([&] {
        TMessage m{9250, 0, 21};
        EXPECT_TRUE(r.send(m));
        result = m.result;
        finished = true;
    });
    pumpUntil([&] { return finished.load(); });
    sender.join();
    EXPECT_EQ(result, 42);

    // Answered while the main thread waits elsewhere (as when it polls the pipeline state).
    finished = false;
    std::thread sender2([&] {
        TMessage m{9250, 0, 5};
        EXPECT_TRUE(r.send(m));
        result = m.result;
        finished = true;
    });
    while (!finished) {
        TMessageReceiver::servicePendingSent();
        QThread::msleep(1);
    }
    sender2.join();
    EXPECT_EQ(result, 10);

    // Cancelled by its gate while the main thread does not answer: the sender returns false.
    TSendGate gate;
    std::atomic<bool> returned{false}, answer{true};
    std::thread sender3([&] {
        TMessage m{9228};
        answer = r.send(m, &gate);
        returned = true;
    });
    QThread::msleep(20);
    EXPECT_FALSE(returned.load());
    gate.cancel();
    sender3.join();
    EXPECT_FALSE(answer.load());
    // A cancelled gate refuses at once until reset, and the abandoned request is never run.
    std::thread sender4([&] {
        TMessage again{9228};
        answer = r.send(again, &gate);
    });
    sender4.join();
    EXPECT_FALSE(answer.load());
    EXPECT_EQ(TMessageReceiver::servicePendingSent(), 0);
    gate.reset();
}

TEST(MessageReceiver, ServicingAnswersOnlyWhatWasWaitingSoASenderCannotKeepTheMainThread)
{
    // A streaming thread that sends again as soon as it is answered, to a slow handler: the
    // main thread's servicing pass (run between state polls) must come back to its caller.
    std::atomic<int> handled{0};
    TMessageReceiver r([&](TMessage &) {
        ++handled;
        QThread::msleep(2);
    });
    std::atomic<bool> stop{false}, finished{false};
    std::thread sender([&] {
        while (!stop) {
            TMessage m{9228};
            r.send(m);
        }
        finished = true;
    });
    int first = 0;
    for (int i = 0; i < 5000 && first == 0; ++i) {
        first = TMessageReceiver::servicePendingSent();
        if (first == 0)
            QThread::msleep(1);
    }
    EXPECT_EQ(first, 1);
    // Later passes answer the next request each.
    EXPECT_LE(TMessageReceiver::servicePendingSent(), 1);
    stop = true;
    pumpUntil([&] { return finished.load(); });
    sender.join();
    EXPECT_GE(handled.load(), 1);
}

TEST(MessageReceiver, SentOnTheMainThreadRunsAtOnce)
{
    int calls = 0;
    TMessageReceiver r([&](TMessage &) { ++calls; });
    TMessage m{1};
    EXPECT_TRUE(r.send(m));
    EXPECT_EQ(calls, 1);
}

TEST(MessageReceiver, DestroyedReceiverReleasesItsSenders)
{
    auto *r = new TMessageReceiver([](TMessage &) {});
    std::atomic<bool> answer{true};
    std::thread s([&] {
        TMessage m{2};
        answer = r->send(m);
    });
    QThread::msleep(20);
    delete r;
    s.join();
    EXPECT_FALSE(answer.load());
}
