#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TVDActionComponent.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <future>
#include <thread>

namespace {

void pumpUntil(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A manager as later ones are written: actions built in code, internal handlers connected,
// its own messages handled in WndProc.
class TDemoMan : public TVDActionComponent
{
public:
    static constexpr unsigned WM_DEMO = 9300;

    explicit TDemoMan(QObject *parent = nullptr) : TVDActionComponent(parent) { BuildActions(); }
    using TVDActionComponent::CloseMessageWindow;

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
    void WndProc(TMessage &m) override
    {
        if (m.msg == WM_DEMO) {
            received.push_back(std::any_cast<int>(m.payload));
            m.result = m.lParam + 1;
            return;
        }
        TVDActionComponent::WndProc(m);
    }
};

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
            man.PostMessage(TDemoMan::WM_DEMO, 0, 0, i);
    });
    t.join();
    pumpUntil([&] { return man.received.size() == 50; });
    ASSERT_EQ(man.received.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(man.received[size_t(i)], i);
    // Unknown messages reach the base, which answers 0.
    EXPECT_EQ(man.SendMessage(1234, 0, 5), 0);
    EXPECT_EQ(man.SendMessage(TDemoMan::WM_DEMO, 0, 5, 7), 6);
}

TEST(ActionComponent, SentMessagesWaitForTheMainThreadOrTheGate)
{
    TDemoMan man;
    // Answered while the main thread services sent messages on demand (as when it waits on
    // the pipeline), without running its event loop.
    std::atomic<std::int64_t> answer{0};
    std::thread t([&] { answer = man.SendMessage(TDemoMan::WM_DEMO, 0, 41, 1); });
    while (answer == 0)
        TMessageReceiver::servicePendingSent();
    t.join();
    EXPECT_EQ(answer.load(), 42);

    // A flush cancels the wait: the streaming thread returns without the answer, and the
    // abandoned request is never handled later.
    TSendGate gate;
    std::atomic<bool> returned{false};
    std::int64_t result = -1;
    std::thread s([&] {
        result = man.SendMessage(TDemoMan::WM_DEMO, 0, 1, 2, &gate);
        returned = true;
    });
    QThread::msleep(30);
    EXPECT_FALSE(returned.load());
    gate.cancel();
    s.join();
    EXPECT_EQ(result, 0);
    man.received.clear();
    TMessageReceiver::servicePendingSent();
    QCoreApplication::processEvents();
    EXPECT_TRUE(man.received.empty());
    // While cancelled, sends return at once; after reset they are answered again.
    EXPECT_EQ(
        std::async(std::launch::async, [&] { return man.SendMessage(TDemoMan::WM_DEMO, 0, 1, 3, &gate); })
            .get(),
        0);
    gate.reset();
    std::atomic<std::int64_t> again{0};
    std::thread u([&] { again = man.SendMessage(TDemoMan::WM_DEMO, 0, 9, 4, &gate); });
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
        result = man->SendMessage(TDemoMan::WM_DEMO, 0, 1, 5);
        returned = true;
    });
    // Wait until the request is queued, then destroy the receiver without answering.
    QThread::msleep(30);
    delete man;
    t.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(result, 0);
}

TEST(ActionComponent, AClosedWindowReleasesSendersWithoutCallingWndProc)
{
    TDemoMan man;
    man.CloseMessageWindow();
    std::atomic<bool> returned{false};
    std::int64_t result = -1;
    std::thread t([&] {
        result = man.SendMessage(TDemoMan::WM_DEMO, 0, 1, 6);
        returned = true;
    });
    while (!returned)
        TMessageReceiver::servicePendingSent();
    t.join();
    EXPECT_EQ(result, 0);
    man.PostMessage(TDemoMan::WM_DEMO, 0, 0, 7);
    QCoreApplication::processEvents();
    EXPECT_TRUE(man.received.empty());
}
