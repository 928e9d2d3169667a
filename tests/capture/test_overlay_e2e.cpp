// The overlay as a user runs it, headless: framix opens a dated DV clip, burns the recording date
// and the recording time shifted by one hour into one JPEG a second, and quits; the test reads
// the burnt text back with Debian's tesseract-ocr and compares it with the dates the corpus
// generator wrote into the frames. The same run burns the time stamp that names each file (/is)
// and the system date (/ir).
#include "../media/CorpusSupport.h"
#include "core/TDateFormat.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

QString framix()
{
    return QStringLiteral(FRAMIX_BINARY_DIR "/framix");
}

// One framix run with its own preference folder; the arguments follow "-platform offscreen".
bool runFramix(const QStringList &args, QByteArray *output)
{
    QTemporaryDir config;
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    proc.setProcessEnvironment(env);
    proc.setProcessChannelMode(QProcess::MergedChannels);
    proc.start(framix(), QStringList{"-platform", "offscreen"} + args);
    const bool done = proc.waitForFinished(300000);
    if (!done)
        proc.kill(), proc.waitForFinished(5000);
    *output = proc.readAll();
    return done && proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0;
}

// The overlay's text as tesseract reads it. The text is the default yellow with a black border:
// the yellow pixels become black on white (the border and the picture behind vanish), the lower
// right quarter of the picture where the lines stand at the default position (left edge at the
// middle, 82 % down) is kept and enlarged, and tesseract reads it as a block of lines made of the
// given characters. The quarter leaves out the yellow bar of the test pattern.
QString ocr(const QString &imagePath, const QString &characters, const QString &workDir)
{
    QImage img(imagePath);
    if (img.isNull())
        return QStringLiteral("<no image>");
    img = img.convertToFormat(QImage::Format_RGB32);
    const int top = img.height() * 3 / 4, left = img.width() / 2;
    const int w = img.width() - left, h = img.height() - top;
    std::vector<char> yellow(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const QRgb *src = reinterpret_cast<const QRgb *>(img.constScanLine(top + y));
        for (int x = 0; x < w; ++x) {
            const QRgb p = src[left + x];
            yellow[size_t(y) * size_t(w) + size_t(x)] = qRed(p) > 150 && qGreen(p) > 150 && qBlue(p) < 120;
        }
    }
    QImage mask(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        uchar *dst = mask.scanLine(y);
        for (int x = 0; x < w; ++x)
            dst[x] = yellow[size_t(y) * size_t(w) + size_t(x)] ? 0 : 255;
    }
    const QString png = workDir + QStringLiteral("/ocr-") + QFileInfo(imagePath).completeBaseName() + ".png";
    mask.scaled(mask.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(png);
    QProcess t;
    t.start(QStringLiteral("tesseract"),
            {png, "stdout", "--psm", "6", "-c", "tessedit_char_whitelist=" + characters});
    t.waitForFinished(60000);
    QString text = QString::fromUtf8(t.readAllStandardOutput());
    text.replace(QStringLiteral("\f"), QString());
    return text.trimmed();
}

QStringList lines(const QString &text)
{
    QStringList out;
    for (const QString &l : text.split(u'\n'))
        if (!l.trimmed().isEmpty())
            out << l.trimmed().remove(u' ');
    return out;
}

// The digits of a text (keepLetters: the letters of a date format too, without its separators).
QString digits(const QString &text, bool keepLetters = false)
{
    QString out;
    for (QChar c : text)
        if (c.isDigit() || (keepLetters && c.isLetter()))
            out += c;
    return out;
}

int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int up = row[size_t(j)];
            row[size_t(j)] = std::min({up + 1, row[size_t(j) - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row.back();
}

double framesPerSecond(const QString &name)
{
    const QString fps =
        corpus::files().value(name).toObject().value("video").toObject().value("fps").toString();
    const QStringList nd = fps.split(u'/');
    const double n = nd.value(0).toDouble(), d = nd.size() > 1 ? nd[1].toDouble() : 1.0;
    return d > 0 ? n / d : 0;
}

// The recording date-time of every frame of a dated DV clip, as the generator wrote it.
QList<QDateTime> frameDates(const QString &name)
{
    QList<QDateTime> out;
    const QJsonArray frames =
        corpus::files().value(name).toObject().value("dv").toObject().value("frames").toArray();
    for (const auto &f : frames)
        out << QDateTime::fromString(f.toObject().value("date").toString(),
                                     QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return out;
}

::testing::AssertionResult framixReady()
{
    if (!QFileInfo(framix()).isExecutable())
        return ::testing::AssertionFailure() << "no program at " << qPrintable(framix());
    if (QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty())
        return ::testing::AssertionFailure() << "tesseract-ocr is not installed (scripts/install-deps.sh)";
    QProcess p;
    p.start(framix(), {"-platform", "offscreen", "--help"});
    p.waitForFinished(30000);
    const QByteArray help = p.readAll();
    if (!help.contains("/dh=") || !help.contains("/inter"))
        return ::testing::AssertionFailure() << "the program has no overlay or interval switches";
    return ::testing::AssertionSuccess();
}

QStringList grabArgs(const QString &clip, const QString &dir, int addi)
{
    return {"/o=" + clip, "/savfold=" + dir + "/",
            "/root=d",    QStringLiteral("/addi=%1").arg(addi),
            "/n=1",       "/dig=2",
            "/iex=1",     "/qual=90",
            "/ci=false"};
}

QStringList intervalTail()
{
    return {"/idelai=1", "/iunit=1", "/si", "/inter", "/quit"};
}

} // namespace

// The recording date on line 1 and the recording time plus one hour on line 2, on PAL and NTSC
// DV, raw and in AVI. The NTSC clip starts at 23:59:59 on 31 December 1998, so the hour added
// moves the date to the next day and the next year.
TEST(OverlayEndToEnd, RecordingDateAndShiftedTimeBurntIntoEveryGrab)
{
    if (const auto ready = framixReady(); !ready)
        GTEST_SKIP() << ready.message();
    for (const char *clipName :
         {"dv_pal_wide_date.dv", "dv_pal_wide_date_type2.avi", "dv_ntsc_date.dv", "dv_ntsc_date_type2.avi"}) {
        const QString name = QString::fromLatin1(clipName);
        SCOPED_TRACE(clipName);
        const QList<QDateTime> dates = frameDates(name);
        ASSERT_FALSE(dates.isEmpty()) << "corpus not generated";
        const double fps = framesPerSecond(name);
        ASSERT_GT(fps, 0);
        QTemporaryDir out;
        QByteArray output;
        const QStringList args =
            grabArgs(framixtest::corpusFile(name), out.path(), 1) +
            QStringList{"/fd1=dd/mm/yyyy", "/fd2=hh:nn:ss", "/dh=0.041666666667", "/id"} + intervalTail();
        EXPECT_TRUE(runFramix(args, &output)) << output.constData();

        const QFileInfoList files = QDir(out.path()).entryInfoList({"d_*.jpg"}, QDir::Files, QDir::Name);
        const int seconds = int(std::floor((dates.size() - 1) / fps)) + 1;
        EXPECT_GE(files.size(), seconds - 1) << output.constData();
        int read = 0;
        for (const QFileInfo &fi : files) {
            SCOPED_TRACE(qPrintable(fi.fileName()));
            // d_01 is the first second, d_02 the next ... (a step past the end lands two frames
            // before it). Which frame a second lands on is the seek's: any frame close to it will
            // do, but the date and the time must both be that frame's.
            const int n = fi.fileName().mid(2, 2).toInt();
            ASSERT_GE(n, 1);
            const int frame = std::min(int(std::lround((n - 1) * fps)), int(dates.size()) - 2);
            const QStringList got = lines(ocr(fi.filePath(), "0123456789/:", out.path()));
            QStringList candidates;
            bool match = false;
            for (int f = std::max(0, frame - 2); f <= std::min(int(dates.size()) - 1, frame + 2); ++f) {
                const QDateTime shifted = dates[f].addSecs(3600);
                const QStringList want{shifted.toString("dd/MM/yyyy"), shifted.toString("HH:mm:ss")};
                candidates << want.join(u' ');
                match = match || got == want;
            }
            EXPECT_TRUE(match) << "read \"" << qPrintable(got.join(" | ")) << "\", expected one of "
                               << qPrintable(candidates.join(", "));
            read += match;
        }
        EXPECT_GE(read, seconds - 1);
    }
}

// /is: each grab, named after its time stamp, carries that time stamp.
TEST(OverlayEndToEnd, TimestampThatNamesTheFileIsBurntIn)
{
    if (const auto ready = framixReady(); !ready)
        GTEST_SKIP() << ready.message();
    const QString name = QStringLiteral("dv_pal_wide_date.dv");
    QTemporaryDir out;
    QByteArray output;
    EXPECT_TRUE(runFramix(
        grabArgs(framixtest::corpusFile(name), out.path(), 0) + QStringList{"/is"} + intervalTail(), &output))
        << output.constData();
    static const QRegularExpression re(QStringLiteral("^d_(\\d+\\.\\d\\d\\.\\d\\d\\.\\d\\d)\\.jpg$"));
    const QFileInfoList files = QDir(out.path()).entryInfoList({"d_*.jpg"}, QDir::Files, QDir::Name);
    EXPECT_GE(files.size(), 3) << output.constData();
    for (const QFileInfo &fi : files) {
        const QRegularExpressionMatch m = re.match(fi.fileName());
        ASSERT_TRUE(m.hasMatch()) << qPrintable(fi.fileName());
        // The digits only: tesseract drops a colon between digits now and then at this size.
        const QString stamp = digits(m.captured(1));
        EXPECT_EQ(digits(lines(ocr(fi.filePath(), "0123456789:", out.path())).join(QString())), stamp)
            << qPrintable(fi.fileName());
    }
}

// /ir: the computer's date and time at the grab, as the short date and the long time.
TEST(OverlayEndToEnd, SystemDateIsBurntIn)
{
    if (const auto ready = framixReady(); !ready)
        GTEST_SKIP() << ready.message();
    const QString name = QStringLiteral("dv_pal_wide_date.dv");
    QTemporaryDir out;
    QByteArray output;
    // Whole seconds: the burnt time drops the milliseconds. The first candidate starts on a
    // whole second, so that the loop below reaches the second the run ended in.
    QDateTime start = QDateTime::currentDateTime().addMSecs(-1000);
    start = start.addMSecs(-start.time().msec());
    EXPECT_TRUE(runFramix(
        grabArgs(framixtest::corpusFile(name), out.path(), 1) + QStringList{"/ir"} + intervalTail(), &output))
        << output.constData();
    const QDateTime end = QDateTime::currentDateTime();
    const QFileInfoList files = QDir(out.path()).entryInfoList({"d_*.jpg"}, QDir::Files, QDir::Name);
    EXPECT_GE(files.size(), 3) << output.constData();
    const TDateFormat &regional = TDateFormat::system();
    int matched = 0;
    QStringList misread;
    for (const QFileInfo &fi : files) {
        SCOPED_TRACE(qPrintable(fi.fileName()));
        // The short date and the long time ("10/12/2026 09:58:01" in French), compared as digits
        // with one digit of slack: tesseract drops a colon now and then, and the test pattern's
        // noise behind the long line can add or change a digit.
        const QString text = digits(lines(ocr(fi.filePath(), "0123456789/: ", out.path())).join(QString()));
        QStringList candidates;
        bool match = false;
        for (QDateTime t = start; t <= end; t = t.addSecs(1)) {
            double days = 0;
            DateTimeFromParts(t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                              t.time().minute(), t.time().second(), 0, days);
            const QString want = digits(regional.format(QStringLiteral("c"), days));
            candidates << want;
            match = match || editDistance(text, want) <= 1;
        }
        if (match)
            ++matched;
        else
            misread << fi.fileName() + QStringLiteral(": \"") + text + QStringLiteral("\" for one of ") +
                           candidates.join(QStringLiteral(", "));
    }
    // A busy machine's JPEG of the noisy pattern may defeat the reading of one still; the others
    // must all carry the date of their grab.
    EXPECT_GE(matched, int(files.size()) - 1) << qPrintable(misread.join(QStringLiteral("; ")));
}
