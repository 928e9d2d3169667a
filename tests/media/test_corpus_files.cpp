// The generated corpus is complete: every kind of file the other tests rely on exists, has the
// properties the manifest gives, and plays to its end through GStreamer.
#include "CorpusSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUrl>

#include <functional>

using namespace corpus;

namespace {

const QStringList kVideoExtensions{"avi",  "ivf", "mpg", "mpeg", "m1v", "mp2", "mpe", "wmv", "asf", "mts",
                                   "m2ts", "ts",  "vob", "mkv",  "mov", "mp4", "3g2", "m4v", "m2v", "dv"};
// Containers that carry no audio in the corpus (elementary video streams, IVF).
const QStringList kSilentExtensions{"ivf", "m1v", "m2v"};

QString suffixOf(const QString &name)
{
    return QFileInfo(name).suffix().toLower();
}

// Intact files matching pred.
QStringList intact(const std::function<bool(const QString &, const QJsonObject &)> &pred)
{
    QStringList out;
    const QJsonObject all = files();
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        if (!isDamaged(e) && pred(it.key(), e))
            out << it.key();
    }
    return out;
}

QJsonObject video(const QString &name)
{
    return files().value(name).toObject().value("video").toObject();
}

// First MPEG-2 sequence header in a file: {aspect nibble, frame-rate nibble}, or {-1, -1}.
std::pair<int, int> sequenceHeader(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {-1, -1};
    const QByteArray d = f.read(4 << 20);
    const qsizetype at = d.indexOf(QByteArray::fromHex("000001b3"));
    if (at < 0 || at + 8 > d.size())
        return {-1, -1};
    const auto b7 = static_cast<unsigned char>(d[at + 7]);
    return {b7 >> 4, b7 & 15};
}

} // namespace

TEST(CorpusFiles, ManifestIsCurrentAndEveryListedFileIsThere)
{
    ASSERT_FALSE(manifest().isEmpty())
        << "no manifest in " << framixtest::corpusDir().toStdString() << ": build the corpus target";
    QFile stamp(framixtest::corpusFile(".stamp"));
    ASSERT_TRUE(stamp.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(stamp.readAll()).trimmed(), manifest().value("generator").toString());
    const QJsonObject all = files();
    EXPECT_GT(all.size(), 100);
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QFileInfo fi(framixtest::corpusFile(it.key()));
        EXPECT_TRUE(fi.exists()) << it.key().toStdString();
        EXPECT_EQ(fi.size(), it.value().toObject().value("bytes").toInteger()) << it.key().toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(framixtest::corpusFile("sample_pal_date.dv")));
}

TEST(CorpusFiles, EveryAcceptedExtensionHasAPlayableFileWithVideoAndAudio)
{
    for (const QString &ext : kVideoExtensions) {
        const QStringList found = intact([&](const QString &n, const QJsonObject &e) {
            return suffixOf(n) == ext && !e.value("video").isNull() &&
                   (kSilentExtensions.contains(ext) || !e.value("audio").toArray().isEmpty());
        });
        EXPECT_FALSE(found.isEmpty()) << "no file for ." << ext.toStdString();
    }
    const QStringList wav = intact([](const QString &n, const QJsonObject &e) {
        return suffixOf(n) == "wav" && e.value("audio").toArray().size() == 1;
    });
    EXPECT_FALSE(wav.isEmpty());
}

TEST(CorpusFiles, DvCoversBothSystemsBothAspectsPacksAndAviTypes)
{
    QSet<QString> seen;
    for (const QString &n :
         intact([](const QString &, const QJsonObject &e) { return !e.value("dv").isNull(); })) {
        const QJsonObject e = files().value(n).toObject();
        const QJsonObject dv = e.value("dv").toObject();
        const QString sys = dv.value("system").toString();
        const QString layout = hasKind(e, "dv-type1") ? "type1" : hasKind(e, "dv-type2") ? "type2" : "raw";
        seen << sys + "/" + layout << sys + (dv.value("wide").toBool() ? "/16:9" : "/4:3")
             << sys + "/" + dv.value("mode").toString()
             << "mode/" + layout + "/" + dv.value("mode").toString();
    }
    for (const char *need : {"625/50/raw", "525/60/raw", "625/50/type1", "525/60/type1", "625/50/type2",
                             "525/60/type2", "625/50/4:3", "625/50/16:9", "525/60/4:3", "525/60/16:9",
                             "625/50/all", "525/60/all", "625/50/none", "525/60/none", "625/50/alternate",
                             "mode/raw/alternate", "mode/type1/alternate", "mode/type2/alternate"})
        EXPECT_TRUE(seen.contains(QString::fromLatin1(need))) << need;
}

TEST(CorpusFiles, Mpeg2StreamsCarryEachAspectAndSeveralRatesInTheirSequenceHeaders)
{
    QSet<QString> seen;
    for (const QString &n :
         intact([](const QString &, const QJsonObject &e) { return hasKind(e, "mpeg2"); })) {
        const QJsonObject v = video(n);
        const auto [aspect, rate] = sequenceHeader(framixtest::corpusFile(n));
        EXPECT_EQ(aspect, v.value("mpeg_aspect").toInt()) << n.toStdString();
        const QString fps = v.value("fps").toString();
        const int expectRate = fps == "25/1" ? 3 : fps == "30000/1001" ? 4 : fps == "24000/1001" ? 1 : 0;
        EXPECT_EQ(rate, expectRate) << n.toStdString();
        const QString c = files().value(n).toObject().value("container").toString();
        const QString kind = c == "mpegvideo" ? "es" : c == "mpeg" ? "ps" : c == "mpegts" ? "ts" : c;
        seen << kind + "/" + QString::number(aspect) << "rate/" + QString::number(rate);
    }
    for (const char *need : {"es/1", "es/2", "es/3", "ps/1", "ps/2", "ps/3", "ts/1", "ts/2", "ts/3", "rate/1",
                             "rate/3", "rate/4"})
        EXPECT_TRUE(seen.contains(QString::fromLatin1(need))) << need;
}

TEST(CorpusFiles, LongGopH264HasOneGopOf250FramesWithBFrames)
{
    QSet<QString> seen;
    std::vector<std::pair<QString, QStringList>> probes;
    const QStringList names =
        intact([](const QString &, const QJsonObject &e) { return hasKind(e, "h264-longgop"); });
    for (const QString &n : names) {
        const QJsonObject v = video(n);
        EXPECT_EQ(v.value("codec").toString(), "h264");
        EXPECT_GT(v.value("frames").toInt(), 250);
        const bool anamorphic = v.value("sar").toString() != "1:1";
        seen << suffixOf(n) + "/" + QString::number(v.value("width").toInt()) +
                    (anamorphic ? "/anamorphic" : "");
        probes.push_back({"ffprobe",
                          {"-v", "error", "-select_streams", "v", "-show_entries", "packet=flags,pts,dts",
                           "-of", "csv=p=0", framixtest::corpusFile(n)}});
    }
    for (const char *need : {"mp4/1920", "mkv/1920", "m2ts/1920", "mp4/720/anamorphic", "mkv/720/anamorphic",
                             "m2ts/720/anamorphic"})
        EXPECT_TRUE(seen.contains(QString::fromLatin1(need))) << need;
    for (const RunResult &r : runAll(probes, 2, 60000)) {
        ASSERT_EQ(r.exitCode, 0) << r.label.toStdString();
        int keys = 0, reordered = 0, index = 0, lastKey = -1;
        long long prevPts = -1;
        for (const QByteArray &line : r.output.split('\n')) {
            const QList<QByteArray> f = line.split(',');
            if (f.size() < 3)
                continue;
            if (f[2].contains('K')) {
                ++keys;
                if (lastKey >= 0) {
                    EXPECT_EQ(index - lastKey, 250) << r.label.toStdString();
                }
                lastKey = index;
            }
            const long long pts = f[0].toLongLong();
            if (prevPts >= 0 && pts < prevPts)
                ++reordered; // a B-frame follows the later frame it refers to
            prevPts = pts;
            ++index;
        }
        EXPECT_EQ(keys, 2) << r.label.toStdString();
        EXPECT_GT(reordered, 10) << r.label.toStdString();
    }
}

TEST(CorpusFiles, AudioOfEveryKindAndOneFileWithTwoAudioStreams)
{
    QSet<QString> codecs;
    bool dual = false;
    for (const QString &n : intact([](const QString &, const QJsonObject &) { return true; })) {
        const QJsonArray audio = files().value(n).toObject().value("audio").toArray();
        for (const auto &a : audio)
            codecs << a.toObject().value("codec").toString();
        dual = dual || audio.size() >= 2;
    }
    for (const char *need : {"pcm_s16le", "mp2", "mp3", "ac3", "aac"})
        EXPECT_TRUE(codecs.contains(QString::fromLatin1(need))) << need;
    EXPECT_TRUE(dual);
}

TEST(CorpusFiles, FrameIndexClipsInEveryContainerAndCodec)
{
    QSet<QString> seen;
    for (const QString &n :
         intact([](const QString &, const QJsonObject &e) { return e.value("frame_index").toBool(); }))
        seen << suffixOf(n) + "/" + video(n).value("codec").toString();
    for (const char *need : {"mp4/h264", "mkv/h264", "m2ts/h264", "ts/mpeg2video", "mpg/mpeg2video",
                             "dv/dvvideo", "avi/dvvideo", "avi/mjpeg"})
        EXPECT_TRUE(seen.contains(QString::fromLatin1(need))) << need;
}

TEST(CorpusFiles, DamagedCopiesAreCutOrScrambled)
{
    const QJsonObject all = files();
    QHash<QString, int> cuts, noise;
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        if (!isDamaged(e))
            continue;
        const QJsonObject d = e.value("damaged").toObject();
        const QString source = d.value("source").toString();
        const QJsonObject src = all.value(source).toObject();
        ASSERT_FALSE(src.isEmpty()) << source.toStdString();
        QFile damaged(framixtest::corpusFile(it.key())), original(framixtest::corpusFile(source));
        ASSERT_TRUE(damaged.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
        const QByteArray a = damaged.readAll(), b = original.readAll();
        if (it.key().contains("_cut")) {
            ++cuts[source];
            EXPECT_LT(a.size(), b.size());
            EXPECT_TRUE(b.startsWith(a)) << it.key().toStdString();
        } else {
            ++noise[source];
            EXPECT_EQ(a.size(), b.size());
            EXPECT_NE(a, b);
        }
    }
    for (const char *ext :
         {"avi", "mpg", "ts", "m2ts", "mkv", "mp4", "mov", "wmv", "vob", "dv", "ivf", "wav"}) {
        bool found = false;
        for (auto it = cuts.begin(); it != cuts.end(); ++it)
            if (suffixOf(it.key()) == ext && it.value() >= 3 && noise.value(it.key()) >= 1)
                found = true;
        EXPECT_TRUE(found) << "no damaged ." << ext;
    }
}

TEST(CorpusFiles, SceneFilesAreListedBesideTheirClips)
{
    const QJsonObject scenes = manifest().value("scenes").toObject();
    EXPECT_GE(scenes.size(), 5);
    for (auto it = scenes.begin(); it != scenes.end(); ++it)
        EXPECT_TRUE(QFileInfo::exists(framixtest::corpusFile(it.key()))) << it.key().toStdString();
    EXPECT_TRUE(files().contains("fi_dv_pal.dv"));
    EXPECT_TRUE(scenes.contains("fi_dv_pal.scn"));
}

TEST(CorpusFiles, EveryIntactFilePlaysToTheEnd)
{
    std::vector<std::pair<QString, QStringList>> cmds;
    for (const QString &n : intact([](const QString &, const QJsonObject &) { return true; })) {
        const QString uri = QUrl::fromLocalFile(framixtest::corpusFile(n)).toString();
        cmds.push_back({"gst-launch-1.0",
                        {"-q", "playbin", "uri=" + uri, "video-sink=fakesink sync=false",
                         "audio-sink=fakesink sync=false"}});
    }
    ASSERT_GT(cmds.size(), 60u);
    for (const RunResult &r : runAll(cmds, 2, 120000)) {
        EXPECT_TRUE(r.finished) << r.label.toStdString();
        EXPECT_EQ(r.exitCode, 0) << r.label.toStdString() << "\n" << r.output.toStdString();
    }
}

TEST(CorpusFiles, EachAudioKindPlaysWithBothDecoders)
{
    struct Case
    {
        const char *file, *parser, *decoder;
    };
    const Case cases[] = {
        {"audio_layer2.mpa", "mpegaudioparse", "mpg123audiodec"},
        {"audio_layer2.mpa", "mpegaudioparse", "avdec_mp2float"},
        {"audio_layer3.mp3", "mpegaudioparse", "mpg123audiodec"},
        {"audio_layer3.mp3", "mpegaudioparse", "avdec_mp3"},
        {"audio_ac3.ac3", "ac3parse", "a52dec"},
        {"audio_ac3.ac3", "ac3parse", "avdec_ac3"},
        {"audio_aac.aac", "aacparse", "faad"},
        {"audio_aac.aac", "aacparse", "avdec_aac"},
        {"audio_pcm.wav", "wavparse", "audioconvert"},
    };
    std::vector<std::pair<QString, QStringList>> cmds;
    for (const Case &c : cases)
        cmds.push_back({"gst-launch-1.0",
                        {"-q", "filesrc", "location=" + framixtest::corpusFile(c.file), "!", c.parser, "!",
                         c.decoder, "!", "audioconvert", "!", "fakesink", "sync=false"}});
    for (const RunResult &r : runAll(cmds, 2, 60000))
        EXPECT_EQ(r.exitCode, 0) << r.label.toStdString() << "\n" << r.output.toStdString();
}
