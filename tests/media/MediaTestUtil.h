#pragma once
// Helpers shared by the media tests: waiting on the main thread while events flow, and small
// media files made on the spot for tests that do not need the corpus.
#include "TestPaths.h"
#include "media/gst/TGstHandles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QThread>

#include <functional>
#include <variant>
#include <vector>

namespace mediatest {

// The messages of one type among those a test receiver kept, in the order they arrived.
template <class M, class Variant> std::vector<M> messagesOf(const std::vector<Variant> &got)
{
    std::vector<M> out;
    for (const Variant &m : got)
        if (const M *p = std::get_if<M>(&m))
            out.push_back(*p);
    return out;
}

// Processes events until pred() holds or ms passed; returns pred().
inline bool waitUntil(const std::function<bool()> &pred, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

inline void pump(int ms)
{
    waitUntil([] { return false; }, ms);
}

// Runs a gst-launch style description to its end (EOS or error); true on EOS.
inline bool runLaunch(const QString &description, int timeoutMs = 20000)
{
    TGError err;
    TGstElement p = TGstElement::sink(gst_parse_launch(description.toUtf8().constData(), err.out()));
    if (err)
        return false;
    if (!p)
        return false;
    gst_element_set_state(p, GST_STATE_PLAYING);
    TGstBus bus = TGstBus::adopt(gst_element_get_bus(p));
    TGstMessage m = TGstMessage::adopt(gst_bus_timed_pop_filtered(
        bus, GstClockTime(timeoutMs) * GST_MSECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    const bool ok = m && GST_MESSAGE_TYPE(m.get()) == GST_MESSAGE_EOS;
    gst_element_set_state(p, GST_STATE_NULL);
    return ok;
}

// A corpus file, or empty when the corpus does not have it (tests then skip).
inline QString corpus(const QString &name)
{
    const QString f = framixtest::corpusFile(name);
    return QFile::exists(f) ? f : QString();
}

} // namespace mediatest
