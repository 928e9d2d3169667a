#include "shell/TScriptFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

TScriptFile::TReadResult TScriptFile::Read(const QString &path)
{
    TReadResult r;
    const QString name = QFileInfo(path).fileName();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("Impossible de lire le fichier %1 : %2").arg(name, f.errorString());
        return r;
    }
    if (f.size() > MaxBytes) {
        r.error = QStringLiteral("Le fichier %1 est trop gros pour un script (%2 Mo, au plus %3 Mo).")
                      .arg(name)
                      .arg(f.size() / (1024 * 1024))
                      .arg(MaxBytes / (1024 * 1024));
        return r;
    }
    const QByteArray data = f.readAll();
    if (data.contains('\0')) {
        r.error = QStringLiteral("Le fichier %1 n'est pas un fichier texte (il contient des octets nuls).")
                      .arg(name);
        return r;
    }
    QByteArray body = data;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (utf8.hasError()) {
        text = QString::fromLatin1(body);
        r.encoding = TEncoding::Latin1;
    }
    r.lines = SplitLines(text);
    r.ok = true;
    return r;
}

QStringList TScriptFile::SplitLines(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QStringList lines = t.split(u'\n');
    // A final line end closes the last line; it does not open an empty one.
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool TScriptFile::Write(const QString &path, const QStringList &lines, QString *error)
{
    QSaveFile f(path);
    QByteArray data;
    for (const QString &l : lines)
        data += l.toUtf8() + "\r\n";
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        if (error)
            *error = QStringLiteral("Impossible d'enregistrer le fichier %1 : %2")
                         .arg(QFileInfo(path).fileName(), f.errorString());
        return false;
    }
    return true;
}
