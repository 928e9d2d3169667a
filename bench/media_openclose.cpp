// Opens and closes corpus files in a loop through the media factory, as a user going from file to
// file does: probe, connect the video and audio sources, preroll, disconnect, forget the device.
// Prints the growth of resident memory per file after the warm-up (a least-squares slope), which
// should be about zero, and with FRAMIX_BENCH_VERBOSE=1 the resident memory after each file.
//
//   media_openclose [FILES [WARMUP]]    (default 200 files; warm-up: one pass over the distinct
//                                         files, at most half the run: each kind of file loads
//                                         its GStreamer plugins once; CORPUS=folder;
//                                         FRAMIX_BENCH_ONLY=text keeps the files whose name has it)
#include "media/TDVMan.h"
#include "media/TMediaFactory.h"
#include "media/TavSource.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <unistd.h>

namespace {

double residentKiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1024.0 : 0;
}

// The playable corpus files (not the damaged copies), in manifest order.
QStringList corpusFiles(const QString &dir, const TMediaFactory &factory)
{
    QFile f(dir + QStringLiteral("/manifest.json"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject files = QJsonDocument::fromJson(f.readAll()).object().value("files").toObject();
    QStringList out;
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (!it.value().toObject().value("damaged").isNull())
            continue;
        const QString path = dir + QLatin1Char('/') + it.key();
        const QString only = qEnvironmentVariable("FRAMIX_BENCH_ONLY");
        if (!only.isEmpty() && !it.key().contains(only))
            continue;
        if (!factory.Choices(path).empty())
            out << path;
    }
    return out;
}

// Connects whatever sources the device has, prerolls, and takes them out again.
void playBriefly(TDVMan &graph, TFileDevice *dev)
{
    std::vector<TavSource *> connected;
    // The format reports go where a manager would take them, and are dropped there.
    TMessageReceiver<TVideoFormatMsg, TAudioFormatMsg> formats{[](auto &) {}};
    for (TavSource *s :
         {static_cast<TavSource *>(dev->VideoSource(0)), static_cast<TavSource *>(dev->AudioSource(0))})
        if (s && s->ConnectSource(&graph, {&formats, &formats}))
            connected.push_back(s);
    if (!connected.empty()) {
        graph.SetDVCodeSource(connected.front());
        graph.Pause();
        graph.Stop();
        graph.SetDVCodeSource(nullptr);
    }
    for (TavSource *s : connected)
        s->DisconnectSource();
}

} // namespace

int main(int argc, char **argv)
{
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    const int total = argc > 1 ? std::atoi(argv[1]) : 200;
    int warmup = argc > 2 ? std::atoi(argv[2]) : -1;
    const char *env = std::getenv("CORPUS");
    const QString dir = QString::fromLocal8Bit(env ? env : "build/corpus");

    // In a scope of its own: GStreamer's leak tracer (GST_TRACERS=leaks) reports at gst_deinit.
    {
        TDVMan graph;
        TMediaFactory factory;
        factory.SetGrapheMan(&graph);
        const QStringList files = corpusFiles(dir, factory);
        if (files.isEmpty()) {
            std::fprintf(stderr, "no corpus in %s (cmake --build build --target corpus)\n", qPrintable(dir));
            return 1;
        }
        if (warmup < 0)
            warmup = std::min(int(files.size()), total / 2);
        std::vector<double> rss;
        int valid = 0;
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < total; ++i) {
            TFileDevice *dev = factory.OpenFile(files[i % files.size()]);
            if (dev && dev->Valid) {
                ++valid;
                playBriefly(graph, dev);
            }
            factory.ClearDevices();
            QCoreApplication::processEvents();
            rss.push_back(residentKiB());
            if (qEnvironmentVariableIsSet("FRAMIX_BENCH_VERBOSE"))
                std::printf("%d %s %.0f KiB\n", i, qPrintable(QFileInfo(files[i % files.size()]).fileName()),
                            rss.back());
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

        // Least-squares slope of the resident memory over the passes after the warm-up.
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        int n = 0;
        for (int i = warmup; i < total; ++i, ++n) {
            sx += i, sy += rss[i], sxx += double(i) * i, sxy += double(i) * rss[i];
        }
        const double slope = n > 1 ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 0;
        std::printf("files opened %d (%d valid, %lld distinct), warm-up %d\n", total, valid,
                    static_cast<long long>(files.size()), warmup);
        std::printf("METRIC rss_after_warmup %.0f KiB\n", warmup < total ? rss[warmup] : 0.0);
        std::printf("METRIC rss_at_end %.0f KiB\n", rss.empty() ? 0.0 : rss.back());
        std::printf("METRIC rss_slope_after_warmup %.2f KiB/file\n", slope);
        std::printf("METRIC open_close_time %.1f ms/file\n", 1000.0 * seconds / total);
    }
    QCoreApplication::processEvents();
    gst_deinit();
    return 0;
}
