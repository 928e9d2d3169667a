// The DV files of the corpus carry, byte for byte, the packs the manifest lists for each frame:
// recording date and time in the VAUX blocks, the time code in the subcode blocks, the
// display-select field and the audio source pack.
#include "CorpusSupport.h"

#include <gtest/gtest.h>

#include <QDateTime>

using namespace corpus;

namespace {

int bcd(unsigned char b, unsigned tensMask)
{
    return (b & 0x0F) + 10 * ((b & tensMask) >> 4);
}

// "hh:mm:ss:ff" of the subcode time code pack of one sequence, or empty when the pack is absent
// from either subcode block.
QString timecodeAt(const QByteArray &f, int seq)
{
    const auto *p = reinterpret_cast<const unsigned char *>(f.constData()) + seq * 12000;
    if (p[110] != 0x13 || p[190] != 0x13)
        return {};
    return QString::asprintf("%02d:%02d:%02d:%02d", bcd(p[114], 0x30), bcd(p[113], 0x70), bcd(p[112], 0x70),
                             bcd(p[111], 0x30));
}

// "YYYY-MM-DD hh:mm:ss" of the VAUX recording date and time packs (bytes 458 and 463), or empty.
QString dateAt(const QByteArray &f, int seq)
{
    const auto *p = reinterpret_cast<const unsigned char *>(f.constData()) + seq * 12000;
    if (p[458] != 0x62 || p[463] != 0x63)
        return {};
    const int yy = bcd(p[462], 0xF0);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", yy < 40 ? 2000 + yy : 1900 + yy,
                             bcd(p[461], 0x10), bcd(p[460], 0x30), bcd(p[467], 0x30), bcd(p[466], 0x70),
                             bcd(p[465], 0x70));
}

} // namespace

TEST(CorpusDv, EveryFrameCarriesExactlyThePacksOfTheManifest)
{
    int checkedFiles = 0;
    const QJsonObject all = files();
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        if (isDamaged(e) || e.value("dv").isNull())
            continue;
        SCOPED_TRACE(it.key().toStdString());
        const QJsonObject dv = e.value("dv").toObject();
        const bool pal = dv.value("system").toString() == "625/50";
        const int frameBytes = dv.value("frame_bytes").toInt();
        ASSERT_EQ(frameBytes, pal ? 144000 : 120000);
        const QJsonArray expected = dv.value("frames").toArray();
        const std::vector<QByteArray> frames = dvFrames(framixtest::corpusFile(it.key()), frameBytes);
        ASSERT_EQ(frames.size(), static_cast<size_t>(expected.size()));
        const int sequences = frameBytes / 12000;
        const unsigned char disp = static_cast<unsigned char>(dv.value("display_select").toInt());
        for (size_t n = 0; n < frames.size(); ++n) {
            const QByteArray &f = frames[n];
            const QJsonObject want = expected[static_cast<qsizetype>(n)].toObject();
            const QString date = want.value("date").toString(); // empty when null
            const QString tc = want.value("timecode").toString();
            for (int s = 0; s < sequences; ++s) {
                const auto *p = reinterpret_cast<const unsigned char *>(f.constData()) + s * 12000;
                ASSERT_EQ(p[3], pal ? 0xBF : 0x3F) << "frame " << n << " seq " << s;
                ASSERT_EQ(p[453], 0x61);
                ASSERT_EQ(p[455] & 7, disp);
                ASSERT_EQ(dateAt(f, s), date) << "frame " << n << " seq " << s;
                ASSERT_EQ(timecodeAt(f, s), tc) << "frame " << n << " seq " << s;
                if (date.isEmpty()) {
                    ASSERT_EQ(QByteArray(f.constData() + s * 12000 + 458, 10), QByteArray(10, char(0xFF)));
                } else {
                    // The date is a real calendar date, and the time pack's reserved bits are set.
                    ASSERT_TRUE(QDateTime::fromString(date, "yyyy-MM-dd HH:mm:ss").isValid())
                        << date.toStdString();
                    ASSERT_EQ(p[467] & 0xC0, 0xC0);
                }
            }
            // AAUX source pack: 48 kHz, 16 bits, in audio block 3 of the even sequences.
            for (int s = 0; s < sequences; s += 2) {
                const auto *p = reinterpret_cast<const unsigned char *>(f.constData()) + s * 12000;
                ASSERT_EQ(p[4323], 0x50) << "frame " << n << " seq " << s;
                ASSERT_EQ((p[4327] >> 3) & 7, 0);
                ASSERT_EQ(p[4327] & 7, 0);
            }
        }
        ++checkedFiles;
    }
    EXPECT_GE(checkedFiles, 15);
}

TEST(CorpusDv, AlternatingClipSwitchesDatePacksEveryFrame)
{
    const QJsonObject dv = files().value("dv_pal_alternate.dv").toObject().value("dv").toObject();
    const QJsonArray frames = dv.value("frames").toArray();
    ASSERT_GE(frames.size(), 10);
    for (qsizetype n = 0; n < frames.size(); ++n) {
        EXPECT_EQ(frames[n].toObject().value("date").isNull(), n % 2 == 1) << n;
        EXPECT_FALSE(frames[n].toObject().value("timecode").isNull()) << n;
    }
}

TEST(CorpusDv, SampleIsAFiveSecondPalClipWithDatesAndAudio)
{
    const QJsonObject e = files().value("sample_pal_date.dv").toObject();
    ASSERT_FALSE(e.isEmpty());
    const QJsonObject dv = e.value("dv").toObject();
    EXPECT_EQ(dv.value("system").toString(), "625/50");
    EXPECT_EQ(dv.value("mode").toString(), "all");
    EXPECT_NEAR(e.value("duration").toDouble(), 5.0, 0.1);
    EXPECT_EQ(e.value("audio").toArray().size(), 1);
    EXPECT_EQ(dv.value("frames").toArray().first().toObject().value("date").toString(),
              "2003-11-23 14:05:30");
}
