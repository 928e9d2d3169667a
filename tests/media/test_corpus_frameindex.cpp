// FrameIndexFromImage reads back the number of every frame of every frame-index clip, as decoded
// by a real GStreamer pipeline, also after stretching to a display aspect and with overlay text in
// the corners; and refuses pictures that carry no pattern.
#include "CorpusSupport.h"
#include "media/TFrameIndex.h"
#include "media/gst/TGstHandles.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cmath>

using namespace corpus;

namespace {

struct Decoded
{
    std::vector<int> indices;      // read from every frame, in presentation order
    std::vector<GstClockTime> pts; // the frame's stream time
    std::vector<QImage> samples;   // copies of a few frames for the stretch checks
    GstClockTime frameDuration = GST_CLOCK_TIME_NONE;
    QString error;
};

void onPadAdded(GstElement *, GstPad *pad, gpointer data)
{
    auto *pipeline = static_cast<GstElement *>(data);
    TGstCaps caps = TGstCaps::adopt(gst_pad_get_current_caps(pad));
    if (!caps)
        caps = TGstCaps::adopt(gst_pad_query_caps(pad, nullptr));
    const bool isVideo = g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
    TGstElement target;
    if (isVideo) {
        target = TGstElement::adopt(gst_bin_get_by_name(GST_BIN(pipeline), "vq"));
    } else {
        GstElement *sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
        gst_bin_add(GST_BIN(pipeline), sink);
        gst_element_sync_state_with_parent(sink);
        target = TGstElement::ref(sink);
    }
    const TGstPad sinkPad = TGstPad::adopt(gst_element_get_static_pad(target, "sink"));
    if (!gst_pad_is_linked(sinkPad))
        gst_pad_link(pad, sinkPad);
}

// Decodes every video frame of path to BGRx and reads its index.
Decoded decodeAll(const QString &path, int keepEvery)
{
    Decoded out;
    TGError err;
    const TGstElement pipeline = TGstElement::sink(gst_parse_launch(
        "filesrc name=src ! decodebin name=dec  queue name=vq max-size-buffers=0 max-size-bytes=0 "
        "max-size-time=0 "
        "! videoconvert ! video/x-raw,format=BGRx ! appsink name=sink sync=false max-buffers=8",
        err.out()));
    if (!pipeline) {
        out.error = QString::fromUtf8(err ? err.message() : "parse failed");
        return out;
    }
    const TGstElement src = TGstElement::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "src"));
    g_object_set(src, "location", path.toLocal8Bit().constData(), nullptr);
    const TGstElement dec = TGstElement::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "dec"));
    g_signal_connect(dec, "pad-added", G_CALLBACK(onPadAdded), pipeline.get());
    const TGstElement sinkEl = TGstElement::adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    GstAppSink *sink = GST_APP_SINK(sinkEl.get());

    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    int n = 0;
    while (const TGstSample sample = TGstSample::adopt(gst_app_sink_pull_sample(sink))) {
        GstBuffer *buf = gst_sample_get_buffer(sample);
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
            if (GST_VIDEO_INFO_FPS_N(&info) > 0)
                out.frameDuration = gst_util_uint64_scale(GST_SECOND, GST_VIDEO_INFO_FPS_D(&info),
                                                          GST_VIDEO_INFO_FPS_N(&info));
            GstVideoFrame frame;
            if (gst_video_frame_map(&frame, &info, buf, GST_MAP_READ)) {
                const QImage img(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                 GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                                 GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
                out.indices.push_back(FrameIndexFromImage(img));
                if (keepEvery > 0 && n % keepEvery == 0)
                    out.samples.push_back(img.copy());
                gst_video_frame_unmap(&frame);
            }
        }
        // Positions are stream times: the segment carries a container's edit list or start offset.
        out.pts.push_back(
            gst_segment_to_stream_time(gst_sample_get_segment(sample), GST_FORMAT_TIME, GST_BUFFER_PTS(buf)));
        ++n;
    }
    const TGstBus bus = TGstBus::adopt(gst_element_get_bus(pipeline));
    if (const TGstMessage msg = TGstMessage::adopt(gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR))) {
        TGError e;
        gst_message_parse_error(msg, e.out(), nullptr);
        out.error = QString::fromUtf8(e.message());
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    return out;
}

// Draws overlay-like text in the four corners, as a grab with burnt-in text has it.
QImage withCornerText(const QImage &src)
{
    QImage img = src.convertToFormat(QImage::Format_RGB32);
    QPainter p(&img);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(std::max(10, img.height() / 14));
    p.setFont(font);
    p.setPen(Qt::yellow);
    const QRect r = img.rect().adjusted(8, 4, -8, -4);
    p.drawText(r, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("23/11/2003 14:05:30"));
    p.drawText(r, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("0:00:12:07"));
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("clip.dv"));
    return img;
}

} // namespace

TEST(CorpusFrameIndex, ReadsEveryFrameOfEveryFrameIndexClip)
{
    const QJsonObject all = files();
    int clips = 0;
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        if (isDamaged(e) || !e.value("frame_index").toBool())
            continue;
        SCOPED_TRACE(it.key().toStdString());
        ++clips;
        const int expectedFrames = e.value("video").toObject().value("frames").toInt();
        // The numbers the frames show: 0, 1, 2 ... or, for a variable rate, its slots.
        std::vector<int> numbers;
        for (const QJsonValue v : e.value("video").toObject().value("slots").toArray())
            numbers.push_back(v.toInt());
        if (numbers.empty())
            for (int n = 0; n < expectedFrames; ++n)
                numbers.push_back(n);
        const Decoded d = decodeAll(framixtest::corpusFile(it.key()), 37);
        ASSERT_TRUE(d.error.isEmpty()) << d.error.toStdString();
        ASSERT_EQ(static_cast<int>(d.indices.size()), expectedFrames);
        int wrong = 0;
        for (int n = 0; n < expectedFrames; ++n)
            if (d.indices[n] != numbers[size_t(n)] && wrong++ < 5)
                ADD_FAILURE() << "frame " << n << " reads " << d.indices[n];
        EXPECT_EQ(wrong, 0);

        // Frame n is n frame durations after the first; files other than MPEG streams start at 0.
        // Not so for the clips made elsewhere, whose time stamps as GStreamer gives them are what
        // the program mends (XviD's in AVI, MPEG-1's small frames, a variable rate, edit lists).
        ASSERT_TRUE(GST_CLOCK_TIME_IS_VALID(d.frameDuration));
        if (hasKind(e, "elsewhere"))
            continue;
        const QString container = e.value("container").toString();
        if (container != "mpegts" && container != "mpeg") {
            EXPECT_LT(d.pts.front(), GST_MSECOND) << "first frame at " << d.pts.front();
        }
        for (int n = 0; n < expectedFrames; ++n) {
            const double offset =
                double(d.pts[n]) - double(d.pts.front()) - double(n) * double(d.frameDuration);
            if (std::abs(offset) > double(d.frameDuration) / 4) {
                ADD_FAILURE() << "frame " << n << " is " << offset / 1e6 << " ms off the frame grid";
                break;
            }
        }

        // Grabs come stretched to the display aspect, scaled, and with overlay text.
        const int sampled = static_cast<int>(d.samples.size());
        for (int i = 0; i < sampled; ++i) {
            const int frame = i * 37;
            for (const QSize size : {QSize(768, 576), QSize(1024, 576), QSize(640, 480), QSize(320, 180)}) {
                const QImage scaled = withCornerText(
                    d.samples[i].scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
                EXPECT_EQ(FrameIndexFromImage(scaled), frame) << size.width() << "x" << size.height();
            }
        }
    }
    EXPECT_GE(clips, 12);
}

namespace {

// The documented pattern drawn directly, for checks that need no corpus.
QImage drawPattern(int n, QSize size, bool breakParity = false)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(qRgb(128, 128, 128));
    int bits[16];
    int ones = 0;
    for (int i = 0; i < 15; ++i)
        ones += bits[i] = (n >> i) & 1;
    bits[15] = (ones & 1) ? 0 : 1;
    if (breakParity)
        bits[15] ^= 1;
    static const int guard[8] = {1, 0, 1, 1, 0, 0, 1, 0};
    QPainter p(&img);
    const double cw = 0.76 * size.width() / 8, ch = 0.60 * size.height() / 5;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 8; ++c) {
            const int j = (r - 1) * 4 + c / 2;
            const int white = r == 0 ? guard[c] : (c % 2 == 0 ? bits[j] : 1 - bits[j]);
            p.fillRect(QRectF(0.12 * size.width() + c * cw, 0.10 * size.height() + r * ch, cw, ch),
                       white ? Qt::white : Qt::black);
        }
    return img;
}

} // namespace

TEST(FrameIndexReader, ReadsDrawnPatternsAtAnySizeAndContrast)
{
    for (const int n : {0, 1, 2, 255, 12345, 32767})
        for (const QSize size : {QSize(720, 576), QSize(1920, 1080), QSize(160, 120)}) {
            EXPECT_EQ(FrameIndexFromImage(drawPattern(n, size)), n) << n;
            // Dimmed to a third of its contrast.
            QImage dim = drawPattern(n, size);
            for (int y = 0; y < dim.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(dim.scanLine(y));
                for (int x = 0; x < dim.width(); ++x) {
                    const int g = 90 + qGray(line[x]) / 3;
                    line[x] = qRgb(g, g, g);
                }
            }
            EXPECT_EQ(FrameIndexFromImage(dim), n) << n << " dimmed";
        }
    EXPECT_EQ(FrameIndexFromImage(drawPattern(77, {720, 576}).convertToFormat(QImage::Format_RGB888)), 77);
}

TEST(FrameIndexReader, RefusesPicturesWithoutAValidPattern)
{
    EXPECT_EQ(FrameIndexFromImage(QImage()), -1);
    QImage grey(720, 576, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    EXPECT_EQ(FrameIndexFromImage(grey), -1);
    QImage noise(720, 576, QImage::Format_RGB32);
    QRandomGenerator rnd(7);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, rnd.generate() | 0xFF000000u);
    EXPECT_EQ(FrameIndexFromImage(noise), -1);
    EXPECT_EQ(FrameIndexFromImage(drawPattern(100, {720, 576}, true)), -1); // parity broken
    EXPECT_EQ(FrameIndexFromImage(drawPattern(100, {720, 576}).mirrored(true, false)), -1);
    EXPECT_EQ(FrameIndexFromImage(drawPattern(100, {40, 30})), -1); // too small to tell
}
