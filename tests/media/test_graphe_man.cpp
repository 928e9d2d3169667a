// The graph manager as a whole: state events only for accepted requests, fast play, completion,
// the graph surgery that never leaves a connection half made, and the DV manager's handling of
// the per-frame DV notifications that reach its message window.
#include "MediaTestUtil.h"
#include "media/TDVMan.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"

#include <gtest/gtest.h>

#include <thread>
#include <type_traits>

using namespace mediatest;

namespace {

// Elements added to the manager's graph under their names, linked in order.
std::vector<TGstElement> chain(TGrapheMan &g, std::initializer_list<const char *> factories)
{
    std::vector<TGstElement> out;
    int n = 0;
    for (const char *f : factories) {
        out.push_back(MakeElement(f));
        EXPECT_TRUE(g.Graph()->addElement(out.back(), QString::fromLatin1(f) + QString::number(n++)));
        if (out.size() > 1) {
            EXPECT_TRUE(gst_element_link(out[out.size() - 2], out.back()));
        }
    }
    return out;
}

GstPad *peerOf(GstElement *e, const char *pad)
{
    TGstPad p = TGstPad::adopt(gst_element_get_static_pad(e, pad));
    return TGstPad::adopt(gst_pad_get_peer(p)).get(); // compared by address only
}

} // namespace

TEST(GrapheMan, IsAComponentWhoseStateEventsFollowAcceptedRequestsOnly)
{
    TGrapheMan g;
    EXPECT_NE(qobject_cast<TVDActionComponent *>(&g), nullptr);
    EXPECT_EQ(g.State(), TGrapheManState::gmStopped);
    std::vector<TGrapheManState> events;
    g.OnStateChange = [&](TGrapheManState s) { events.push_back(s); };
    auto els = chain(g, {"videotestsrc", "fakesink"});
    g_object_set(els[1], "sync", TRUE, nullptr);
    ASSERT_TRUE(g.Pause());
    ASSERT_TRUE(g.Play());
    EXPECT_EQ(g.WaitForState(), TGstGraph::State::Running);
    ASSERT_TRUE(g.Stop());
    EXPECT_EQ(g.WaitForState(), TGstGraph::State::Stopped);
    EXPECT_EQ(events, (std::vector<TGrapheManState>{TGrapheManState::gmPaused, TGrapheManState::gmPlaying,
                                                    TGrapheManState::gmStopped}));
    EXPECT_EQ(g.State(), TGrapheManState::gmStopped);

    // A run the graph refuses (a reader without its file) reports nothing.
    g.ClearGraph();
    events.clear();
    auto broken = chain(g, {"filesrc", "fakesink"});
    g_object_set(broken[0], "location", "/nonexistent/framix.avi", nullptr);
    EXPECT_FALSE(g.Play());
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(g.State(), TGrapheManState::gmStopped);
    g.ClearGraph();
}

TEST(GrapheMan, FastPlayRateIsAppliedBeforeRunningAndDroppedAtOnce)
{
    TGrapheMan g;
    std::vector<bool> fast;
    g.OnVitesseRapide = [&](bool on) { fast.push_back(on); };
    auto els = chain(g, {"videotestsrc", "fakesink"});
    ASSERT_TRUE(g.Pause());
    g.FastMode = true;
    ASSERT_TRUE(g.Play());
    EXPECT_EQ(g.Graph()->rate(), 4.0);
    EXPECT_TRUE(g.FastOff());
    EXPECT_EQ(g.Graph()->rate(), 1.0);
    EXPECT_FALSE(g.FastMode);
    EXPECT_TRUE(g.FastOn());
    EXPECT_EQ(g.Graph()->rate(), 4.0);
    EXPECT_EQ(fast, (std::vector<bool>{false, true}));
    g.Stop();
}

TEST(GrapheMan, CompletionFiresOnlyForSuccessAndErrorsArriveAsValues)
{
    TGrapheMan g;
    int completed = 0;
    QStringList errors;
    g.OnGraphCompleted = [&] { ++completed; };
    g.OnGraphError = [&](const QString &e) { errors << e; };
    g.GraphComplete(TGraphOutcome::Failed);
    EXPECT_EQ(completed, 0);
    g.GraphComplete(TGraphOutcome::Succeeded);
    EXPECT_EQ(completed, 1);
    auto els = chain(g, {"videotestsrc", "fakesink"});
    g_object_set(els[0], "num-buffers", 5, nullptr);
    ASSERT_TRUE(g.Play());
    ASSERT_TRUE(waitUntil([&] { return completed == 2; }));
    g.ClearGraph();
    auto broken = chain(g, {"filesrc", "fakesink"});
    g_object_set(broken[0], "location", "/nonexistent/framix.avi", nullptr);
    g.Pause();
    ASSERT_TRUE(waitUntil([&] { return !errors.isEmpty(); }));
    EXPECT_EQ(completed, 2);
    g.ClearGraph();
}

TEST(GrapheMan, InsertFilterOnEitherSideAndRestoresTheConnectionOnFailure)
{
    TGrapheMan g;
    auto els = chain(g, {"videotestsrc", "fakesink"});
    TGstPad out = TGstPad::adopt(gst_element_get_static_pad(els[0], "src"));
    TGstPad in = TGstPad::adopt(gst_element_get_static_pad(els[1], "sink"));

    // A one-pad filter: refused, the connection untouched.
    TGstElement onePad = MakeElement("fakesink");
    ASSERT_TRUE(g.Graph()->addElement(onePad, "one pad"));
    EXPECT_FALSE(g.InsertFilter(onePad, out, 1));
    EXPECT_EQ(peerOf(els[0], "src"), in.get());
    // Not connected: the failure of finding the peer.
    TGstPad loose = TGstPad::adopt(gst_element_get_static_pad(onePad, "sink"));
    EXPECT_FALSE(g.InsertFilter(onePad, loose, 1));

    // From the output end, then from the input end.
    TGstElement first = MakeElement("identity"), second = MakeElement("queue");
    ASSERT_TRUE(g.Graph()->addElement(first, "first"));
    ASSERT_TRUE(g.Graph()->addElement(second, "second"));
    EXPECT_TRUE(g.InsertFilter(first, out, 1));
    TGstPad firstIn = TGstPad::adopt(gst_element_get_static_pad(first, "sink"));
    EXPECT_EQ(peerOf(els[0], "src"), firstIn.get());
    EXPECT_TRUE(g.InsertFilter(second, in, 0));
    EXPECT_TRUE(g.IsUpstream(els[1], second));
    EXPECT_TRUE(g.IsUpstream(second, first));
    EXPECT_TRUE(g.IsUpstream(els[1], els[0]));
    EXPECT_FALSE(g.IsUpstream(els[0], els[1]));
    // The graph plays through both.
    ASSERT_TRUE(g.Pause());
    EXPECT_EQ(g.WaitForState(), TGstGraph::State::Paused);

    // A filter whose pads cannot take the connection's type: the connection is put back.
    g.Stop();
    TGstElement audio = MakeElement("audioconvert");
    ASSERT_TRUE(g.Graph()->addElement(audio, "audio"));
    TGstPad firstOut = TGstPad::adopt(gst_element_get_static_pad(first, "src"));
    TGstPad secondIn = TGstPad::adopt(gst_element_get_static_pad(second, "sink"));
    EXPECT_FALSE(g.InsertFilter(audio, firstOut, 1));
    EXPECT_EQ(peerOf(first, "src"), secondIn.get());
    EXPECT_FALSE(gst_pad_is_linked(TGstPad::adopt(gst_element_get_static_pad(audio, "sink"))));
    EXPECT_FALSE(gst_pad_is_linked(TGstPad::adopt(gst_element_get_static_pad(audio, "src"))));
    g.ClearGraph();
}

TEST(GrapheMan, RemoveUpstreamChainAndRemoveBetweenTakeOutOnlyWhatLiesBetween)
{
    TGrapheMan g;
    auto els = chain(g, {"videotestsrc", "identity", "queue", "identity", "fakesink"});
    // Nothing for the same element or one that is not upstream.
    EXPECT_FALSE(g.RemoveUpstreamChain(els[2], els[2]));
    EXPECT_FALSE(g.RemoveUpstreamChain(els[1], els[3]));
    EXPECT_EQ(g.Graph()->elements().size(), 5u);
    // Sink back to the source: the three in between go, the ends stay, unlinked.
    EXPECT_TRUE(g.RemoveUpstreamChain(els[4], els[0]));
    EXPECT_EQ(g.Graph()->elements().size(), 2u);
    EXPECT_TRUE(g.Graph()->contains(els[0]) && g.Graph()->contains(els[4]));
    EXPECT_EQ(peerOf(els[4], "sink"), nullptr);
    EXPECT_EQ(peerOf(els[0], "src"), nullptr);
    g.ClearGraph();

    auto again = chain(g, {"videotestsrc", "identity", "queue", "identity", "fakesink"});
    // Between the queue and the source from the queue's side: only the first identity goes.
    EXPECT_TRUE(g.RemoveBetween(again[2], again[0]));
    EXPECT_FALSE(g.Graph()->contains(again[1]));
    EXPECT_TRUE(g.Graph()->contains(again[3]));
    EXPECT_EQ(g.Graph()->elements().size(), 4u);
    g.ClearGraph();
}

TEST(DvManager, RaisesTheDvTextsOfPostedFramesOnlyWhileEnabled)
{
    TDVMan dv;
    std::vector<std::pair<QString, QString>> codes;
    dv.OnDVcode = [&](const QString &d, const QString &t) { codes.emplace_back(d, t); };
    TframeData frame;
    frame.DateValid = false;
    frame.DateStr = QStringLiteral("N/A");
    frame.TimecodeValid = true;
    frame.TimecodeStr = QStringLiteral("0:12:34:05");
    // Disabled: dropped, nothing kept for later.
    dv.DvFrameInbox()->post({1, frame});
    pump(30);
    EXPECT_TRUE(codes.empty());
    dv.DVCodeEnabled = true;
    pump(30);
    EXPECT_TRUE(codes.empty());
    // From a streaming-like thread, as the notifier posts.
    std::thread poster([&] { dv.DvFrameInbox()->post({2, frame}); });
    poster.join();
    ASSERT_TRUE(waitUntil([&] { return !codes.empty(); }));
    EXPECT_EQ(codes.back().first, QStringLiteral("Pas de Datecode"));
    EXPECT_EQ(codes.back().second, QStringLiteral("0:12:34:05"));
    frame.DateValid = true;
    frame.DateStr = QStringLiteral("23/11/2003 14:05:30");
    frame.TimecodeValid = false;
    dv.DvFrameInbox()->post({3, frame});
    ASSERT_TRUE(waitUntil([&] { return codes.size() == 2; }));
    EXPECT_EQ(codes.back().first, frame.DateStr);
    EXPECT_EQ(codes.back().second, QStringLiteral("Pas de Timecode"));
    // It takes DV frames only: a video format cannot be handed to it.
    static_assert(std::is_same_v<decltype(dv.DvFrameInbox()), TInbox<TDvFrameMsg> *>);
    static_assert(!std::is_convertible_v<decltype(dv.DvFrameInbox()), TInbox<TVideoFormatMsg> *>);
}

TEST(DvManager, AttachingASecondSourceSwitchesTheFirstOneOff)
{
    TDVMan dv;
    dv.DateFormat = QString();
    TVideoSource first(nullptr, 1, QStringLiteral("first")), second(nullptr, 1, QStringLiteral("second"));
    first.OwnNotifier()->SetDateFormat(QStringLiteral("dd"));
    dv.SetDVCodeSource(&first);
    EXPECT_EQ(dv.DVCodeSource(), &first);
    EXPECT_TRUE(first.DvNotifier()->NotifyDvFrame());
    EXPECT_TRUE(first.DvNotifier()->Armed());
    EXPECT_TRUE(first.OwnNotifier()->DateFormat().isEmpty());
    dv.SetDVCodeSource(&second);
    EXPECT_FALSE(first.DvNotifier()->NotifyDvFrame());
    EXPECT_TRUE(second.DvNotifier()->NotifyDvFrame());
    dv.SetDVCodeSource(nullptr);
    EXPECT_FALSE(second.DvNotifier()->NotifyDvFrame());
    EXPECT_EQ(dv.DVCodeSource(), nullptr);
}
