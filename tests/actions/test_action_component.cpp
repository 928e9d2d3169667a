#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TVDActionComponent.h"
#include "core/TMessageReceiver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <future>
#include <thread>
#include <type_traits>

namespace {

void pumpUntil(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The manager's one message: a payload for its log and a value it answers with value + 1.
struct TDemoMsg
{
    int payload = 0;
    std::int64_t value = 0;
    std::int64_t result = 0; // the answer
};
// A message the manager does not take.
struct TOtherMsg
{
};

// A manager as later ones are written: actions built in code, internal handlers connected,
// its own messages handled by its own typed receiver.
class TDemoMan : public TVDActionComponent
{
public:
    explicit TDemoMan(QObject *parent = nullptr)
        : TVDActionComponent(parent), m_inbox([this](TDemoMsg &m) {
              received.push_back(m.payload);
              m.result = m.value + 1;
          })
    {
        BuildActions();
    }
    ~TDemoMan() override { m_inbox.close(); }

    TInbox<TDemoMsg> *Inbox() { return &m_inbox; }
    void CloseInbox() { m_inbox.close(); }

    TIntegerAction *iaDigits = nullptr;
    TCheckAction *caSliders = nullptr;
    QStringList log;
    std::vector<int> received;

protected:
    void CreateActions() override
    {
        log << "create";
        iaDigits = new TIntegerAction(QStringLiteral("iaDigits"), this);
        caSliders = new TCheckAction(QStringLiteral("caSliders"), this);
    }
    void InitActions() override
    {
        log << "init";
        iaDigits->SetName("iaDigits");
        iaDigits->SetCaption("Chiffres");
        iaDigits->SetSwitch("digits");
        iaDigits->SetDefaultValue(4);
        iaDigits->SetShortCut(QKeySequence("Ctrl+D"));
        caSliders->SetName("caSliders");
        caSliders->SetTrueCaption("Masquer les curseurs");
        caSliders->SetFalseCaption("Afficher les curseurs");
        caSliders->SetApplyWhenLoad(true);
    }
    void FindActions() override
    {
        log << "find";
        iaDigits = FindByInternalId<TIntegerAction>("iaDigits");
        caSliders = FindByInternalId<TCheckAction>("caSliders");
    }
    void ConnectActions() override
    {
        log << "connect";
        iaDigits->InternalApply = [this](const int &v) { log << QString("digits %1").arg(v); };
    }

private:
    TMessageReceiver<TDemoMsg> m_inbox;
};

// The answer of a send, 0 when it was abandoned (gate cancelled, manager destroyed).
std::int64_t sendDemo(TDemoMan &man, std::int64_t value, int payload, TSendGate *gate = nullptr)
{
    TDemoMsg m{payload, value};
    return man.Inbox()->send(m, gate) ? m.result : 0;
}

// The manager's address for other threads takes its own message and no other.
static_assert(std::is_same_v<decltype(std::declval<TDemoMan &>().Inbox()), TInbox<TDemoMsg> *>);
static_assert(!std::is_convertible_v<TMessageReceiver<TDemoMsg> *, TInbox<TOtherMsg> *>);

} // namespace

TEST(ActionComponent, ConstructionProtocol)
{
    QWidget form;
    auto *man = new TDemoMan(&form);
    EXPECT_EQ(man->log, (QStringList{"create", "init", "connect"}));
    EXPECT_TRUE(man->Built());
    EXPECT_EQ(man->ActionCount(), 2);
    EXPECT_EQ(man->iaDigits->parent(), &form);
    EXPECT_EQ(man->iaDigits->ScriptName(), "Digits");
    EXPECT_EQ(man->iaDigits->Category(), "internal");
    EXPECT_EQ(man->caSliders->Caption(), "Afficher les curseurs");
    man->iaDigits->SetValue(6);
    EXPECT_EQ(man->log.last(), "digits 6");

    man->log.clear();
    TIntegerAction *before = man->iaDigits;
    man->Loaded();
    EXPECT_EQ(man->log, (QStringList{"find", "connect"}));
    EXPECT_EQ(man->iaDigits, before);
}

TEST(ActionComponent, PostedMessagesFromAStreamingThread)
{
    TDemoMan man;
    std::thread t([&] {
        for (int i = 0; i < 50; ++i)
            man.Inbox()->post(TDemoMsg{i});
    });
    t.join();
    pumpUntil([&] { return man.received.size() == 50; });
    ASSERT_EQ(man.received.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(man.received[size_t(i)], i);
    // Other messages do not compile (see the static_asserts above); its own is answered.
    EXPECT_EQ(sendDemo(man, 5, 7), 6);
}

TEST(ActionComponent, SentMessagesWaitForTheMainThreadOrTheGate)
{
    TDemoMan man;
    // Answered while the main thread services sent messages on demand (as when it waits on
    // the pipeline), without running its event loop.
    std::atomic<std::int64_t> answer{0};
    std::thread t([&] { answer = sendDemo(man, 41, 1); });
    while (answer == 0)
        TMessageReceiverBase::servicePendingSent();
    t.join();
    EXPECT_EQ(answer.load(), 42);

    // A flush cancels the wait: the streaming thread returns without the answer, and the
    // abandoned request is never handled later.
    TSendGate gate;
    std::atomic<bool> returned{false};
    std::int64_t result = -1;
    std::thread s([&] {
        result = sendDemo(man, 1, 2, &gate);
        returned = true;
    });
    QThread::msleep(30);
    EXPECT_FALSE(returned.load());
    gate.cancel();
    s.join();
    EXPECT_EQ(result, 0);
    man.received.clear();
    TMessageReceiverBase::servicePendingSent();
    QCoreApplication::processEvents();
    EXPECT_TRUE(man.received.empty());
    // While cancelled, sends return at once; after reset they are answered again.
    EXPECT_EQ(std::async(std::launch::async, [&] { return sendDemo(man, 1, 3, &gate); }).get(), 0);
    gate.reset();
    std::atomic<std::int64_t> again{0};
    std::thread u([&] { again = sendDemo(man, 9, 4, &gate); });
    pumpUntil([&] { return again != 0; });
    u.join();
    EXPECT_EQ(again.load(), 10);
}

TEST(ActionComponent, DestroyingTheComponentReleasesWaitingSenders)
{
    auto *man = new TDemoMan;
    std::atomic<bool> returned{false};
    std::int64_t result = -1;
    std::thread t([&] {
        result = sendDemo(*man, 1, 5);
        returned = true;
    });
    // Wait until the request is queued, then destroy the receiver without answering.
    QThread::msleep(30);
    delete man;
    t.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(result, 0);
}

TEST(ActionComponent, AClosedReceiverReleasesSendersWithoutCallingTheHandler)
{
    TDemoMan man;
    man.CloseInbox();
    std::atomic<bool> returned{false};
    std::int64_t result = -1;
    std::thread t([&] {
        result = sendDemo(man, 1, 6);
        returned = true;
    });
    while (!returned)
        TMessageReceiverBase::servicePendingSent();
    t.join();
    EXPECT_EQ(result, 0);
    man.Inbox()->post(TDemoMsg{7});
    QCoreApplication::processEvents();
    EXPECT_TRUE(man.received.empty());
}
