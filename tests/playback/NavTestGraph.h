#pragma once
// A video opened the way the program opens it, for the navigation tests and the step bench:
// the navigation manager is the graph manager, the media factory makes the device, the video
// source goes through the decoder manager with the frames notifier as second post filter in
// front of a renderer manager's sink. The frames notifier, the renderer element and the source
// are given to the navigation manager as the video manager does.
#include "../media/MediaTestUtil.h"
#include "media/TDecoderLinks.h"
#include "media/TDecoderMan.h"
#include "media/TFilterRec.h"
#include "media/TFrameIndex.h"
#include "media/TFramesNotifier.h"
#include "media/TMediaFactory.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "playback/TNavMan.h"
#include "playback/TWindowLessMan.h"

#include <QImage>
#include <QWidget>

#include <memory>

namespace navtest {

class TNavGraph
{
public:
    TNavMan nav;
    TFramesNotifier fn;
    TWindowLessMan renderer;
    QWidget window;
    TMediaFactory factory;
    TDecoderLinks defaults, learned;
    TDecoderMan decoders;
    TVideoSource *source = nullptr;

    // Opens path and pauses on its first frame; ok() tells whether it worked.
    explicit TNavGraph(const QString &path)
    {
        window.resize(320, 240);
        renderer.SetWindow(&window);
        factory.SetGrapheMan(&nav);
        TFileDevice *device = factory.OpenFile(path);
        if (!device || !device->Valid || device->VideoCount < 1)
            return;
        source = device->VideoSource(0);
        if (!source || !source->ConnectSource(&nav, {}))
            return;
        renderer.AttachToGraph(nav.Graph());
        decoders.Configure(&defaults, &learned, TDecoderLists::NoVideoDecoder());
        decoders.Graph = &nav;
        TFilterRec *rec =
            TFilterRecs::Global().FindOrAdd(FactoryGuid("framix-nav-test-frames"), "Frames test", fkExternal);
        ReleaseInstance(rec, fn.element());
        decoders.PostFilter2 = rec;
        fn.ResetOrigin();
        nav.SetFramesNotifier(&fn);
        nav.SetRendererFilter(renderer.Renderer());
        if (!decoders.ConnectDecoder(source->OwnNotifier()->element(), renderer.Renderer()))
            return;
        nav.ResetDuration();
        nav.AttachVideoSource(source);
        nav.Pause();
        m_ok = mediatest::waitUntil([&] { return shownFrame() >= 0 && nav.FrameDuration > 1; }, 20000);
    }
    ~TNavGraph()
    {
        // The factory, declared after the manager, frees the source first: the manager must
        // not keep it (it clears the source's duration target when it goes).
        nav.AttachVideoSource(nullptr);
        decoders.DisconnectDecoder();
        if (source)
            source->DisconnectSource();
        nav.SetRendererFilter(nullptr);
        renderer.AttachToGraph(nullptr);
        nav.ClearGraph();
        // The notifier, declared after the manager, goes first: the manager lets it go before,
        // as the video manager makes it do.
        nav.SetFramesNotifier(nullptr);
    }

    bool ok() const { return m_ok; }
    int64_t d() const { return nav.FrameDuration; }

    // The frame index the renderer shows now (-1: none or no pattern).
    int shownFrame()
    {
        QImage img;
        return renderer.CaptureImage(img) ? FrameIndexFromImage(img) : -1;
    }
    // Waits (bounded) until the renderer shows frame `expected`; the frame shown last.
    int waitShown(int expected, int ms = 3000)
    {
        int seen = -1;
        mediatest::waitUntil([&] { return (seen = shownFrame()) == expected; }, ms);
        return seen;
    }

private:
    bool m_ok = false;
};

} // namespace navtest
