#include "media/TDvFileReport.h"

#include "core/TDateFormat.h"
#include "media/DvCodes.h"
#include "media/Timecode.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <vector>

namespace {

bool dateOf(const uint8_t *frame, size_t len, double &dt)
{
    TDvRecDate rd;
    return DvFrameRecDate(frame, len, rd) &&
           DateTimeFromParts(rd.Year, rd.Month, rd.Day, rd.Hour, rd.Minute, rd.Second, 0, dt);
}

} // namespace

double TDvFileReport::FramesPerSecond() const
{
    return System == 1 ? 30000.0 / 1001.0 : 25.0;
}

TDvFileReport ReadDvFileReport(const QString &fileName)
{
    TDvFileReport r;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        r.Error = QStringLiteral("Impossible de lire le fichier %1 : %2").arg(fileName, f.errorString());
        return r;
    }
    r.FileSize = f.size();

    // The sequences of the first frame tell the system, hence the frame size for the rest of
    // the file.
    std::vector<uint8_t> frame(kDvFrameSize625);
    const qint64 head = f.read(reinterpret_cast<char *>(frame.data()), qint64(frame.size()));
    const int system = head >= qint64(kDvSequenceSize) ? DvSystem(frame.data(), size_t(head)) : 2;
    if (system == 2) {
        r.Error = QStringLiteral("%1 n'est pas un fichier DV").arg(QFileInfo(fileName).fileName());
        return r;
    }
    r.System = system;
    const size_t frameSize = system == 1 ? kDvFrameSize525 : kDvFrameSize625;
    f.seek(0);

    for (;;) {
        const qint64 got = f.read(reinterpret_cast<char *>(frame.data()), qint64(frameSize));
        if (got < qint64(frameSize)) {
            if (got > 0)
                r.TrailingBytes = got;
            if (got < 0)
                r.Error = QStringLiteral("Erreur de lecture de %1 : %2").arg(fileName, f.errorString());
            break;
        }
        const uint8_t *p = frame.data();
        if (r.Frames == 0) {
            r.Wide = DvIsWide(p, frameSize);
            r.AudioRate = DvAudioRate(p, frameSize);
            r.AudioBits = DvAudioBits(p, frameSize);
        }
        double dt = 0;
        if (dateOf(p, frameSize, dt)) {
            if (r.DatedFrames++ == 0)
                r.FirstDate = dt;
            r.LastDate = dt;
        }
        const TDvTimecode code = DvFrameTimecode(p, frameSize);
        if (code.valid()) {
            const QString tc = DvTimecodeText(code);
            if (r.FirstTimecode.isEmpty())
                r.FirstTimecode = tc;
            r.LastTimecode = tc;
        }
        ++r.Frames;
    }
    r.Valid = r.Frames > 0 && r.Error.isEmpty();
    if (r.Frames == 0 && r.Error.isEmpty())
        r.Error =
            QStringLiteral("%1 ne contient aucune image DV entière").arg(QFileInfo(fileName).fileName());
    return r;
}

QString TDvFileReport::Text(const QString &fileName) const
{
    if (!Valid)
        return Error;
    QStringList l;
    const double seconds = Frames / FramesPerSecond();
    l << QStringLiteral("Fichier DV : %1").arg(fileName);
    l << QStringLiteral("  %1 images, %2 s, %3, %4")
             .arg(Frames)
             .arg(QString::number(seconds, 'f', 2))
             .arg(System == 1 ? QStringLiteral("NTSC 525/60") : QStringLiteral("PAL 625/50"))
             .arg(Wide ? QStringLiteral("16:9") : QStringLiteral("4:3"));
    if (AudioRate > 0)
        l << QStringLiteral("  Son : %1 Hz, %2 bits").arg(AudioRate).arg(AudioBits);
    else
        l << QStringLiteral("  Son : aucun");
    if (DatedFrames > 0) {
        const QString fmt = QStringLiteral("dddddd - tt");
        l << QStringLiteral("  Date d'enregistrement : %1 images datées, de %2 à %3")
                 .arg(DatedFrames)
                 .arg(FormatDateTime(fmt, FirstDate), FormatDateTime(fmt, LastDate));
    } else {
        l << QStringLiteral("  Date d'enregistrement : aucune");
    }
    if (!FirstTimecode.isEmpty())
        l << QStringLiteral("  Code temporel : de %1 à %2").arg(FirstTimecode, LastTimecode);
    if (TrailingBytes > 0)
        l << QStringLiteral("  %1 octets après la dernière image entière ignorés").arg(TrailingBytes);
    return l.join(QLatin1Char('\n'));
}
