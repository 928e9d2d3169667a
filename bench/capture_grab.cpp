// Latency of one grab while paused, as F5 does it: capture of the presented picture, stretch to
// the displayed aspect, JPEG encoding and the atomic write, at 1080 lines (16:9, no stretch) and
// at 576 lines (PAL 16:9 anamorphic, stretched to 720 x 405). Prints the median of each stage and
// of the whole grab over RUNS grabs of different frames; "metadata" is what writing the date and
// origin (EXIF and XMP through exiv2) adds to a JPEG grab, "png" the PNG encoding.
//
//   capture_grab [RUNS]     (default 40; CORPUS=folder of the generated corpus)
//
// The figures are the METRIC medians; the wall time that bench/run.sh reports also covers the
// seeks between grabs and the set-up, and its ratio to the reference says nothing here.
#define FRAMIX_CORPUS_DIR ""
#include "../tests/playback/RendererTestGraph.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TImageMetadata.h"
#include "capture/TImageWriter.h"
#include "capture/TSaveStretch.h"
#include "core/THeadlessPromptService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <gst/gst.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Ms(QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

bool Measure(const QString &corpus, const char *file, QSize aspect, const char *label, int runs)
{
    const QString clip = corpus + QLatin1Char('/') + QLatin1String(file);
    QWidget window;
    window.resize(800, 600);
    auto *panel = new QWidget(&window);
    panel->setGeometry(0, 0, 640, 360);
    window.show();
    TWindowLessMan man;
    man.SetWindow(panel);
    man.SetAspectSize(aspect);
    renderertest::TRendererGraph graph(man, clip);
    if (!graph.Pause()) {
        std::fprintf(stderr, "%s: cannot play\n", qPrintable(clip));
        return false;
    }
    TVDActionList gpal(&window);
    THeadlessPromptService prompts;
    TGrabber grab(&window, &gpal, prompts);
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/.bench-grab-XXXXXX"));
    grab.Host.HasVideo = [] { return true; };
    grab.SetRenderer(&man);
    grab.waDossierSave->SetValue(dir.path());
    grab.iaImageAjouter->SetValue(1);
    grab.iaImageExtension->SetValue(1);

    std::vector<double> total, capture, stretch, encode, metadata, png, write;
    TImageProvenance provenance;
    provenance.Software = QStringLiteral("Framix (benchmark)");
    provenance.SourceFile = clip;
    provenance.TimeStamp = QStringLiteral("0:00:01:12");
    provenance.FrameIndex = 37;
    provenance.DvTimecode = QStringLiteral("0:12:35:12");
    provenance.Recorded = QDateTime(QDate(2003, 11, 23), QTime(14, 5, 31));
    provenance.SubSecondMs = 480;
    TImageWriter writer;
    for (int i = 0; i < runs; ++i) {
        if (!graph.SeekFrame(10 + (i * 7) % 200, 25))
            return false;
        mediatest::waitUntil([&] { return man.HasFrame(); }, 5000);
        mediatest::pump(20);

        // The whole grab as the action runs it.
        QElapsedTimer t;
        t.start();
        if (grab.Grab() != TGrabber::TGrabStatus::gsSaved) {
            std::fprintf(stderr, "grab failed: %s\n", qPrintable(grab.ErrorText()));
            return false;
        }
        total.push_back(Ms(t));

        // The same stages one by one, for the breakdown.
        QImage captured, saved;
        QByteArray jpeg;
        t.restart();
        man.CaptureImage(captured);
        capture.push_back(Ms(t));
        t.restart();
        TSaveStretch::Stretch(
            captured, TSaveStretch::SaveSize(captured.size(), QPoint(aspect.width(), aspect.height())),
            saved);
        stretch.push_back(Ms(t));
        t.restart();
        writer.EncodeJpeg(saved, grab.iaJpegCompressionQuality->Value, jpeg);
        encode.push_back(Ms(t));
        provenance.PixelSize = saved.size();
        QByteArray withMetadata = jpeg;
        t.restart();
        if (!ImageMetadata::Embed(withMetadata, provenance))
            return false;
        metadata.push_back(Ms(t));
        t.restart();
        const QByteArray pngData = TImageWriter::EncodePng(saved);
        png.push_back(Ms(t));
        if (pngData.isEmpty())
            return false;
        t.restart();
        TImageWriter::WriteFileAtomic(dir.path() + QStringLiteral("/stage.jpg"), jpeg);
        write.push_back(Ms(t));
    }
    std::printf("METRIC grab_%s_total %.2f ms\n", label, Median(total));
    std::printf("METRIC grab_%s_capture %.2f ms\n", label, Median(capture));
    std::printf("METRIC grab_%s_stretch %.2f ms\n", label, Median(stretch));
    std::printf("METRIC grab_%s_jpeg %.2f ms\n", label, Median(encode));
    std::printf("METRIC grab_%s_metadata %.2f ms\n", label, Median(metadata));
    std::printf("METRIC grab_%s_png %.2f ms\n", label, Median(png));
    std::printf("METRIC grab_%s_write %.2f ms\n", label, Median(write));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    QString corpus = qEnvironmentVariable("CORPUS");
    if (corpus.isEmpty())
        corpus = QStringLiteral("build/corpus");
    bool ok = Measure(corpus, "fi_h264_1080.mp4", QSize(16, 9), "1080p", runs);
    ok = Measure(corpus, "fi_h264_576w.mp4", QSize(16, 9), "576", runs) && ok;
    return ok ? 0 : 1;
}
