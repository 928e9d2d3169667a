// Display times read from picture headers: the MPEG-4 Part 2 layer and VOP fields (made bit by
// bit here, with the optional fields that move them), the stamps the stamper gives AVI's
// decode-order chunks (unpacked and packed B-frames, empty chunks, seeks, second boundaries),
// the gaps it fills in MPEG video, and real decoding of the corpus's XviD, DivX and MPEG-1 clips
// where every decoded frame must carry the time of the frame it shows, from the start and after
// an accurate seek.
#include "CorpusSupport.h"
#include "MediaTestUtil.h"
#include "media/PictureHeaders.h"
#include "media/TFrameIndex.h"
#include "media/TPictureStamper.h"

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include <QImage>

#include <vector>

namespace {

// Writes bits most significant first, then the bytes with a start code in front.
class Bits
{
public:
    Bits &put(uint32_t v, int n)
    {
        for (int i = n - 1; i >= 0; --i)
            m_bits.push_back((v >> i) & 1);
        return *this;
    }
    std::vector<uint8_t> bytes(uint8_t startCode) const
    {
        std::vector<uint8_t> out{0, 0, 1, startCode};
        std::vector<int> b = m_bits;
        b.push_back(0); // stuffing: a zero, then ones to the byte boundary
        while (b.size() % 8)
            b.push_back(1);
        for (size_t i = 0; i < b.size(); i += 8) {
            uint8_t v = 0;
            for (size_t k = 0; k < 8; ++k)
                v = uint8_t((v << 1) | b[i + k]);
            out.push_back(v);
        }
        return out;
    }

private:
    std::vector<int> m_bits;
};

// A rectangular video object layer with the given time fields and optional parts.
std::vector<uint8_t> vol(int resolution, int fixedIncrement, bool extendedPar, bool vbv, bool layerId)
{
    Bits b;
    b.put(0, 1).put(1, 8); // random_accessible_vol, simple object
    b.put(layerId, 1);
    if (layerId)
        b.put(2, 4).put(1, 3);
    b.put(extendedPar ? 15 : 1, 4);
    if (extendedPar)
        b.put(64, 8).put(45, 8);
    b.put(1, 1).put(1, 2).put(0, 1).put(vbv, 1); // control parameters: 4:2:0, not low delay
    if (vbv)
        b.put(0x5555, 15)
            .put(1, 1)
            .put(0x2aaa, 15)
            .put(1, 1)
            .put(0x1234, 15)
            .put(1, 1)
            .put(5, 3)
            .put(0x3ff, 11)
            .put(1, 1)
            .put(0x7fff, 15)
            .put(1, 1);
    b.put(0, 2).put(1, 1).put(uint32_t(resolution), 16).put(1, 1);
    int bits = 1;
    while ((1 << bits) < resolution)
        ++bits;
    b.put(fixedIncrement > 0, 1);
    if (fixedIncrement > 0)
        b.put(uint32_t(fixedIncrement), bits);
    b.put(1, 1).put(640, 13).put(1, 1).put(480, 13).put(1, 1); // width, height
    return b.bytes(0x20);
}

// A VOP header of the 25-tick layer (5 increment bits) followed by some picture data.
std::vector<uint8_t> vop(char type, int modulo, int increment, bool coded = true, int incrementBits = 5)
{
    Bits b;
    b.put(type == 'I' ? 0 : type == 'P' ? 1 : 2, 2);
    for (int i = 0; i < modulo; ++i)
        b.put(1, 1);
    b.put(0, 1).put(1, 1).put(uint32_t(increment), incrementBits).put(1, 1).put(coded, 1);
    if (coded)
        b.put(0x2d, 7); // a few bits of "picture"
    return b.bytes(0xB6);
}

std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

constexpr GstClockTime kFrame = GST_SECOND / 25;

// An AVI-like buffer: the chunk's time as DTS, a PTS only on key frames.
GstBuffer *chunk(const std::vector<uint8_t> &data, int64_t chunkIndex, bool key)
{
    GstBuffer *b = gst_buffer_new_memdup(data.data(), data.size());
    GST_BUFFER_DTS(b) = GstClockTime(chunkIndex) * kFrame;
    GST_BUFFER_PTS(b) = key ? GST_BUFFER_DTS(b) : GST_CLOCK_TIME_NONE;
    if (!key)
        GST_BUFFER_FLAG_SET(b, GST_BUFFER_FLAG_DELTA_UNIT);
    return b;
}

// Stamps one buffer; the frame it shows (PTS in frames), or -1 when it was dropped.
int64_t stampFrame(TPictureStamper &s, GstBuffer *b)
{
    const bool pass = s.Stamp(b) == TPictureStamper::Verdict::Pass;
    const int64_t f =
        pass && GST_BUFFER_PTS_IS_VALID(b) ? int64_t((GST_BUFFER_PTS(b) + kFrame / 2) / kFrame) : -1;
    gst_buffer_unref(b);
    return f;
}

} // namespace

TEST(PictureHeaders, LayerTimeFieldsAreFoundPastEveryOptionalPart)
{
    struct Case
    {
        int resolution, fixed, bits;
        bool par, vbv, id;
    };
    for (const Case &c : {Case{25, 0, 5, false, false, false}, Case{30000, 1001, 15, true, true, true},
                          Case{1, 0, 1, false, true, false}, Case{24000, 1001, 15, true, false, true},
                          Case{32, 1, 5, false, false, true}}) {
        SCOPED_TRACE(testing::Message() << c.resolution << " par " << c.par << " vbv " << c.vbv);
        // Behind a visual object sequence header, as encoders write it.
        const std::vector<uint8_t> data =
            cat({{0, 0, 1, 0xB0, 0xF5}, vol(c.resolution, c.fixed, c.par, c.vbv, c.id)});
        TMpeg4Vol v;
        ASSERT_TRUE(Mpeg4FindVol(data.data(), data.size(), v));
        EXPECT_EQ(v.Resolution, c.resolution);
        EXPECT_EQ(v.IncrementBits, c.bits);
        EXPECT_EQ(v.FixedIncrement, c.fixed);
        // Cut anywhere inside the time fields: no layer.
        EXPECT_FALSE(Mpeg4FindVol(data.data(), 5 + 6, v));
    }
    const std::vector<uint8_t> none = vop('I', 0, 0);
    TMpeg4Vol v;
    EXPECT_FALSE(Mpeg4FindVol(none.data(), none.size(), v));
    EXPECT_FALSE(Mpeg4FindVol(nullptr, 10, v));
}

TEST(PictureHeaders, VopFieldsOfPackedChunksAndPlaceholders)
{
    TMpeg4Vol v;
    v.Resolution = 25;
    v.IncrementBits = 5;
    const std::vector<uint8_t> packed = cat({vop('P', 1, 2), vop('B', 0, 24)});
    const std::vector<TMpeg4Vop> vops = Mpeg4Vops(packed.data(), packed.size(), v);
    ASSERT_EQ(vops.size(), 2u);
    EXPECT_EQ(vops[0].CodingType, TMpeg4Vop::Type::P);
    EXPECT_EQ(vops[0].ModuloTimeBase, 1);
    EXPECT_EQ(vops[0].TimeIncrement, 2);
    EXPECT_EQ(vops[1].CodingType, TMpeg4Vop::Type::B);
    EXPECT_EQ(vops[1].TimeIncrement, 24);
    EXPECT_TRUE(vops[1].Coded);
    const std::vector<uint8_t> placeholder = vop('P', 0, 3, false);
    ASSERT_EQ(Mpeg4Vops(placeholder.data(), placeholder.size(), v).size(), 1u);
    EXPECT_FALSE(Mpeg4Vops(placeholder.data(), placeholder.size(), v)[0].Coded);
    // A header cut before its coded bit is left out; so is everything without a layer.
    EXPECT_TRUE(Mpeg4Vops(placeholder.data(), 5, v).empty());
    EXPECT_TRUE(Mpeg4Vops(packed.data(), packed.size(), TMpeg4Vol()).empty());

    // MPEG-1/2 picture header: temporal reference and type, behind a group header or not.
    const std::vector<uint8_t> gop = {0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x40};
    const std::vector<uint8_t> pic = {0, 0, 1, 0x00, 0x00, 0x9F, 0xFF, 0xF8}; // tr 2, type 3 (B)
    TMpegPicture p;
    const std::vector<uint8_t> both = cat({gop, pic});
    ASSERT_TRUE(MpegFirstPicture(both.data(), both.size(), p));
    EXPECT_EQ(p.TemporalReference, 2);
    EXPECT_EQ(p.CodingType, 3);
    EXPECT_TRUE(p.GroupStart);
    ASSERT_TRUE(MpegFirstPicture(pic.data(), pic.size(), p));
    EXPECT_FALSE(p.GroupStart);
    EXPECT_FALSE(MpegFirstPicture(pic.data(), 5, p));
}

TEST(PictureStamper, AviChunksGetTheTimesOfTheFramesTheyShow)
{
    GstCaps *caps = gst_caps_from_string("video/x-xvid, width=(int)640, height=(int)480");
    EXPECT_EQ(TPictureStamper::CodecOf(caps), TPictureStamper::Codec::Mpeg4Part2);
    gst_caps_unref(caps);
    const std::vector<uint8_t> header = vol(25, 0, false, false, false);

    {
        SCOPED_TRACE("unpacked, two B-frames, across a second");
        // Decode order I0 P3 B1 B2 P6 B4 B5, later P24 B22 B23 and, past the second, P27 (1 s + 2)
        // with B25 B26 (1 s + 0, 1 s + 1: counted from the reference before P27).
        TPictureStamper s(TPictureStamper::Codec::Mpeg4Part2, 25, 1);
        std::vector<int64_t> shown;
        int64_t c = 0;
        shown.push_back(stampFrame(s, chunk(cat({header, vop('I', 0, 0)}), c++, true)));
        for (auto [t, m, inc] : {std::tuple{'P', 0, 3},
                                 {'B', 0, 1},
                                 {'B', 0, 2},
                                 {'P', 0, 6},
                                 {'B', 0, 4},
                                 {'B', 0, 5},
                                 {'P', 0, 24},
                                 {'B', 0, 22},
                                 {'B', 0, 23},
                                 {'P', 1, 2},
                                 {'B', 1, 0},
                                 {'B', 1, 1}})
            shown.push_back(stampFrame(s, chunk(vop(t, m, inc), c++, false)));
        EXPECT_EQ(shown, (std::vector<int64_t>{0, 3, 1, 2, 6, 4, 5, 24, 22, 23, 27, 25, 26}));
    }
    {
        SCOPED_TRACE("packed, with a held-back chunk and placeholders");
        // libxvid's layout: I0, P2+B1 in one chunk, its placeholder, P3, P5+B4, placeholder.
        TPictureStamper s(TPictureStamper::Codec::Mpeg4Part2, 25, 1);
        std::vector<int64_t> shown;
        shown.push_back(stampFrame(s, chunk(cat({header, vop('I', 0, 0)}), 0, true)));
        shown.push_back(stampFrame(s, chunk(cat({vop('P', 0, 2), vop('B', 0, 1)}), 3, false)));
        shown.push_back(stampFrame(s, chunk(vop('P', 0, 2, false), 4, false)));
        shown.push_back(stampFrame(s, chunk(vop('P', 0, 3), 5, false)));
        shown.push_back(stampFrame(s, chunk(cat({vop('P', 0, 5), vop('B', 0, 4)}), 6, false)));
        shown.push_back(stampFrame(s, chunk(vop('P', 0, 5, false), 7, false)));
        // A not-coded VOP with nothing held back starts no picture.
        shown.push_back(stampFrame(s, chunk(vop('P', 0, 5, false), 8, false)));
        EXPECT_EQ(shown, (std::vector<int64_t>{0, 2, 1, 3, 5, 4, -1}));

        // After a seek the demuxer starts at a key frame: an open group's I-frame displayed one
        // frame after its chunk, then in the next second.
        s.Restart();
        EXPECT_EQ(stampFrame(s, chunk(vop('I', 0, 8), 7, true)), 8);
        EXPECT_EQ(stampFrame(s, chunk(vop('B', 0, 7), 8, false)), 7);
        s.Restart();
        EXPECT_EQ(stampFrame(s, chunk(vop('I', 0, 1), 25, true)), 26);
        EXPECT_EQ(stampFrame(s, chunk(vop('P', 0, 3), 26, false)), 28);
        EXPECT_EQ(stampFrame(s, chunk(vop('B', 0, 2), 27, false)), 27);
        s.Restart();
        EXPECT_EQ(stampFrame(s, chunk(vop('I', 0, 24), 24, true)), 24);
        EXPECT_EQ(stampFrame(s, chunk(vop('P', 1, 1), 25, false)), 26);
        EXPECT_EQ(stampFrame(s, chunk(vop('B', 1, 0), 26, false)), 25);
    }
    {
        SCOPED_TRACE("a container with presentation times");
        TPictureStamper s(TPictureStamper::Codec::Mpeg4Part2, 25, 1);
        GstBuffer *k = chunk(cat({header, vop('I', 0, 0)}), 0, true);
        GST_BUFFER_PTS(k) = 2 * kFrame; // an edit list's offset
        EXPECT_EQ(stampFrame(s, k), 2);
        GstBuffer *p = chunk(vop('P', 0, 3), 1, false);
        GST_BUFFER_PTS(p) = 5 * kFrame;
        EXPECT_EQ(stampFrame(s, p), 5);
        EXPECT_EQ(stampFrame(s, chunk(vop('P', 0, 3, false), 2, false)), -1) << "no time, no stamp";
    }
}

TEST(PictureStamper, MpegPicturesWithoutTimeAreFilledFromTheirGroup)
{
    TPictureStamper s(TPictureStamper::Codec::MpegVideo, 30000, 1001);
    auto picture = [](int tr, int type, bool group) {
        std::vector<uint8_t> d;
        if (group)
            d = {0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x40};
        const std::vector<uint8_t> p = {
            0, 0, 1, 0x00, uint8_t(tr >> 2), uint8_t(((tr & 3) << 6) | (type << 3)), 0xFF, 0xF8};
        d.insert(d.end(), p.begin(), p.end());
        return d;
    };
    auto stamp = [&](const std::vector<uint8_t> &d, GstClockTime pts) {
        GstBuffer *b = gst_buffer_new_memdup(d.data(), d.size());
        GST_BUFFER_PTS(b) = pts;
        s.Stamp(b);
        const GstClockTime out = GST_BUFFER_PTS(b);
        gst_buffer_unref(b);
        return out;
    };
    const GstClockTime base = 540000000; // the stream's first time
    auto at = [&](int frames) {
        return base + gst_util_uint64_scale(guint64(frames), GST_SECOND * 1001, 30000);
    };
    // I (tr 2) with a time, its B-frames and P-frame without.
    EXPECT_EQ(stamp(picture(2, 1, true), at(2)), at(2));
    EXPECT_EQ(stamp(picture(0, 3, false), GST_CLOCK_TIME_NONE), at(0));
    EXPECT_EQ(stamp(picture(1, 3, false), GST_CLOCK_TIME_NONE), at(1));
    EXPECT_EQ(stamp(picture(5, 2, false), GST_CLOCK_TIME_NONE), at(5));
    EXPECT_EQ(stamp(picture(4, 3, false), GST_CLOCK_TIME_NONE), at(4));
    EXPECT_EQ(stamp(picture(3, 3, false), GST_CLOCK_TIME_NONE), at(3));
    // The next group's I-frame without a time follows the six pictures of this one.
    EXPECT_EQ(stamp(picture(2, 1, true), GST_CLOCK_TIME_NONE), at(8));
    EXPECT_EQ(stamp(picture(0, 3, false), GST_CLOCK_TIME_NONE), at(6));
    // A time given is kept as it is, and moves the group.
    EXPECT_EQ(stamp(picture(1, 3, false), at(40)), at(40));
    EXPECT_EQ(stamp(picture(5, 2, false), GST_CLOCK_TIME_NONE), at(44));
    // After a seek nothing is known until a picture with a time.
    s.Restart();
    EXPECT_EQ(stamp(picture(2, 1, true), GST_CLOCK_TIME_NONE), GST_CLOCK_TIME_NONE);
    EXPECT_EQ(stamp(picture(0, 3, false), at(90)), at(90));
    EXPECT_EQ(stamp(picture(1, 3, false), GST_CLOCK_TIME_NONE), at(91));
}

namespace {

// Decodes a corpus clip through parsebin, the stamper and the decoder the program takes; returns, for
// each decoded frame, the pair (frame its time names, frame its picture shows). seekFrame >= 0:
// an accurate seek there first.
std::vector<std::pair<int64_t, int>> decodeStamped(const QString &path, const char *caps, const char *decoder,
                                                   int fpsN, int fpsD, int64_t seekFrame, int64_t *originNs)
{
    std::vector<std::pair<int64_t, int>> out;
    GError *err = nullptr;
    const QByteArray desc = "filesrc location=\"" + path.toUtf8() + "\" ! parsebin ! identity name=stamp ! " +
                            QByteArray(decoder) +
                            " ! videoconvert ! videoscale ! "
                            "video/x-raw,format=GRAY8,width=320,height=240 ! appsink name=sink sync=false";
    GstElement *pipe = gst_parse_launch(desc.constData(), &err);
    if (!pipe) {
        ADD_FAILURE() << (err ? err->message : "no pipeline");
        g_clear_error(&err);
        return out;
    }
    GstElement *stamp = gst_bin_get_by_name(GST_BIN(pipe), "stamp");
    GstPad *pad = gst_element_get_static_pad(stamp, "src");
    GstCaps *c = gst_caps_from_string(caps);
    TGstProbe probe = TPictureStamper::Attach(pad, c);
    EXPECT_TRUE(bool(probe));
    gst_caps_unref(c);
    gst_object_unref(pad);
    gst_object_unref(stamp);
    GstElement *sink = gst_bin_get_by_name(GST_BIN(pipe), "sink");
    gst_element_set_state(pipe, GST_STATE_PAUSED);
    gst_element_get_state(pipe, nullptr, nullptr, 20 * GST_SECOND);
    const GstClockTime frame = gst_util_uint64_scale(GST_SECOND, guint64(fpsD), guint64(fpsN));
    if (seekFrame >= 0) {
        const GstClockTime target =
            *originNs + gst_util_uint64_scale(guint64(seekFrame), GST_SECOND * fpsD, fpsN);
        gst_element_seek_simple(pipe, GST_FORMAT_TIME,
                                GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), gint64(target));
        gst_element_get_state(pipe, nullptr, nullptr, 20 * GST_SECOND);
    }
    gst_element_set_state(pipe, GST_STATE_PLAYING);
    bool first = true;
    while (GstSample *sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 20 * GST_SECOND)) {
        GstBuffer *b = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (b && gst_buffer_map(b, &map, GST_MAP_READ)) {
            const QImage img(map.data, 320, 240, 320, QImage::Format_Grayscale8);
            const int shown = FrameIndexFromImage(img);
            const int64_t pts = int64_t(GST_BUFFER_PTS(b));
            if (first && seekFrame < 0)
                *originNs = pts; // frame 0's time
            first = false;
            out.emplace_back((pts - *originNs + int64_t(frame) / 2) / int64_t(frame), shown);
            gst_buffer_unmap(b, &map);
        }
        gst_sample_unref(sample);
        if (out.size() > 400)
            break;
    }
    gst_element_set_state(pipe, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipe);
    return out;
}

} // namespace

TEST(PictureStamper, DecodedXvidDivxAndMpeg1FramesCarryTheTimesOfTheFramesTheyShow)
{
    struct Clip
    {
        const char *file, *caps, *decoder;
        int fpsN, fpsD;
    };
    const char *mpeg4 = "video/mpeg, mpegversion=(int)4, systemstream=(boolean)false";
    const char *mpeg1 =
        "video/mpeg, mpegversion=(int)1, systemstream=(boolean)false, framerate=(fraction)25/1";
    for (const Clip &c : {Clip{"fi_xvid_packed.avi", mpeg4, "avdec_mpeg4", 25, 1},
                          Clip{"fi_xvid_unpacked.avi", mpeg4, "avdec_mpeg4", 25, 1},
                          Clip{"fi_divx_packed.avi", mpeg4, "avdec_mpeg4", 25, 1},
                          Clip{"fi_divx_unpacked.avi", mpeg4, "avdec_mpeg4", 25, 1},
                          Clip{"fi_mpeg1.mpg", mpeg1, "avdec_mpeg2video", 25, 1}}) {
        SCOPED_TRACE(c.file);
        const QString path = mediatest::corpus(QString::fromLatin1(c.file));
        if (path.isEmpty())
            GTEST_SKIP() << "corpus missing: build the corpus target";
        int64_t origin = 0;
        const auto all = decodeStamped(path, c.caps, c.decoder, c.fpsN, c.fpsD, -1, &origin);
        // The frames the file holds: all of them, or those listed where the encoder lost one.
        const QJsonObject video =
            corpus::files().value(QString::fromLatin1(c.file)).toObject().value("video").toObject();
        std::vector<int64_t> present;
        for (const QJsonValue v : video.value("slots").toArray())
            present.push_back(v.toInt());
        if (present.empty())
            for (int i = 0; i < video.value("frames").toInt(); ++i)
                present.push_back(i);
        ASSERT_GE(present.size(), 95u);
        EXPECT_EQ(all.size(), present.size());
        int wrong = 0;
        for (size_t i = 0; i < std::min(all.size(), present.size()); ++i) {
            if ((all[i].first != present[i] || all[i].second != int(present[i])) && ++wrong <= 5)
                ADD_FAILURE() << "frame " << present[i] << " named " << all[i].first << " shows "
                              << all[i].second;
        }
        EXPECT_EQ(wrong, 0);
        // Accurate seeks, where time stamps count from zero (a program stream's count from its
        // clock: the program's own seeks cover those).
        for (int64_t target : {7, 37, 61, 90}) {
            if (origin != 0)
                break;
            const auto after = decodeStamped(path, c.caps, c.decoder, c.fpsN, c.fpsD, target, &origin);
            ASSERT_FALSE(after.empty()) << target;
            EXPECT_EQ(after.front(), (std::pair<int64_t, int>{target, int(target)}))
                << "accurate seek to " << target;
        }
    }
}
