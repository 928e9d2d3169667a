#include "core/TDateFormat.h"
#include "media/TDvFileReport.h"

#include "DvFrameBuilder.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

QByteArray bytesOf(const DvFrameBuilder &b)
{
    return QByteArray(reinterpret_cast<const char *>(b.data()), qsizetype(b.size()));
}

double dateOf(int y, int mo, int d, int h, int mi, int s)
{
    double dt = 0;
    EXPECT_TRUE(DateTimeFromParts(y, mo, d, h, mi, s, 0, dt));
    return dt;
}

} // namespace

// Dates and time codes are taken from the frames that carry them, whatever lies between; a cut
// last frame is counted apart, not read.
TEST(DvFileReport, ReadsFirstAndLastDatesAndTimecodesOfACapture)
{
    QTemporaryDir dir;
    DvFrameBuilder first, undated, last;
    for (DvFrameBuilder *b : {&first, &undated, &last}) {
        b->sourceControl(0, 7, 0); // 16:9
        b->audioSource(3, 1, 0);   // 44.1 kHz, 16 bits
    }
    first.recDate(0, 3, 11, 23, 14, 5, 30);
    first.timecode(0, 0, 12, 34, 0);
    undated.timecode(0, 0, 12, 34, 1);
    last.recDate(0, 3, 11, 23, 14, 5, 31);
    QByteArray bytes = bytesOf(first) + bytesOf(undated) + bytesOf(last) + QByteArray(500, '\0');
    const QString path = writeFile(dir, "cap.dv", bytes);

    const TDvFileReport r = ReadDvFileReport(path);
    ASSERT_TRUE(r.Valid) << r.Error.toStdString();
    EXPECT_EQ(r.System, 0);
    EXPECT_EQ(r.Frames, 3);
    EXPECT_EQ(r.TrailingBytes, 500);
    EXPECT_TRUE(r.Wide);
    EXPECT_EQ(r.AudioRate, 44100);
    EXPECT_EQ(r.AudioBits, 16);
    EXPECT_EQ(r.DatedFrames, 2);
    EXPECT_DOUBLE_EQ(r.FirstDate, dateOf(2003, 11, 23, 14, 5, 30));
    EXPECT_DOUBLE_EQ(r.LastDate, dateOf(2003, 11, 23, 14, 5, 31));
    EXPECT_EQ(r.FirstTimecode, "0:12:34:00");
    EXPECT_EQ(r.LastTimecode, "0:12:34:01");
    const QString text = r.Text(path);
    EXPECT_TRUE(text.contains("3 images, 0.12 s, PAL 625/50, 16:9")) << text.toStdString();
    EXPECT_TRUE(text.contains("Son : 44100 Hz, 16 bits"));
    EXPECT_TRUE(text.contains("2 images datées"));
    EXPECT_TRUE(text.contains("500 octets"));
}

TEST(DvFileReport, NtscFramesWithoutPacks)
{
    QTemporaryDir dir;
    DvFrameBuilder a(false), b(false);
    const TDvFileReport r = ReadDvFileReport(writeFile(dir, "ntsc.dv", bytesOf(a) + bytesOf(b)));
    ASSERT_TRUE(r.Valid);
    EXPECT_EQ(r.System, 1);
    EXPECT_EQ(r.Frames, 2);
    EXPECT_EQ(r.DatedFrames, 0);
    EXPECT_TRUE(r.FirstTimecode.isEmpty());
    const QString text = r.Text("ntsc.dv");
    EXPECT_TRUE(text.contains("NTSC 525/60, 4:3"));
    EXPECT_TRUE(text.contains("Date d'enregistrement : aucune"));
    EXPECT_TRUE(text.contains("Son : aucun"));
}

// Whatever the file holds, the answer is a report or a French reason, never a read past the data.
TEST(DvFileReport, RefusesWhatIsNotDv)
{
    QTemporaryDir dir;
    const TDvFileReport text = ReadDvFileReport(writeFile(dir, "notes.dv", "pas une vidéo\n"));
    EXPECT_FALSE(text.Valid);
    EXPECT_EQ(text.Error, "notes.dv n'est pas un fichier DV");
    EXPECT_FALSE(ReadDvFileReport(writeFile(dir, "empty.dv", {})).Valid);
    DvFrameBuilder pal;
    const TDvFileReport cut = ReadDvFileReport(writeFile(dir, "cut.dv", bytesOf(pal).left(50000)));
    EXPECT_FALSE(cut.Valid);
    EXPECT_EQ(cut.TrailingBytes, 50000);
    EXPECT_EQ(cut.Error, "cut.dv ne contient aucune image DV entière");
    const TDvFileReport missing = ReadDvFileReport(dir.filePath("absent.dv"));
    EXPECT_FALSE(missing.Valid);
    EXPECT_TRUE(missing.Error.startsWith("Impossible de lire le fichier"));
}

TEST(DvFileReport, GeneratedSampleCarriesItsRecordingDate)
{
    const QString sample = framixtest::corpusFile("sample_pal_date.dv");
    if (!QFileInfo::exists(sample))
        GTEST_SKIP() << "corpus not generated";
    const TDvFileReport r = ReadDvFileReport(sample);
    ASSERT_TRUE(r.Valid);
    EXPECT_EQ(r.Frames, 125);
    EXPECT_EQ(r.DatedFrames, 125);
    EXPECT_DOUBLE_EQ(r.FirstDate, dateOf(2003, 11, 23, 14, 5, 30));
    EXPECT_EQ(r.FirstTimecode, "0:12:34:00");
    EXPECT_EQ(r.TrailingBytes, 0);
}
