// Fuzzes the reading of Framix.ini files: decoding in every encoding, section and entry
// scanning, typed value texts, and the write/read round trip of what was read.
#include "prefs/TIniPreferencesMan.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void VisitKey(TIniPreferencesMan &s, int depth)
{
    QStringList values;
    s.GetValueNames(values);
    for (const QString &name : values.mid(0, 40)) {
        QString text;
        Check(s.ReadString(name, text));
        std::int32_t i = 0;
        Check(s.ReadInteger(name, i));
        double d = 0;
        Check(s.ReadFloat(name, d));
        bool b = false;
        s.ReadBool(name, b);
        // What was read must be written and read back unchanged, whatever it holds.
        if (s.WriteString(QStringLiteral("roundtrip"), text)) {
            QString again;
            Check(s.ReadString(QStringLiteral("roundtrip"), again) && again == text);
        }
        if (std::isfinite(d)) {
            const double back =
                TIniPreferencesMan::ParseFloat(TIniPreferencesMan::FormatFloat(d, QLatin1Char(',')));
            Check(std::abs(back - d) <= std::abs(d) * 1e-14 || std::abs(d) < 1e-300);
        }
        Check(TIniPreferencesMan::ParseInteger(QString::number(i)) == i);
    }
    QRect r;
    s.ReadRect(QStringLiteral("FormSave"), r);
    TFontDesc f;
    s.ReadFont(QStringLiteral("InsertFont"), f);
    if (depth > 2)
        return;
    QStringList keys;
    s.GetKeyNames(keys);
    for (const QString &k : keys.mid(0, 8)) {
        const QString path = s.Path();
        s.OpenKey(k, false);
        VisitKey(s, depth + 1);
        s.CloseKey();
        // Closing a key opened by a relative path of several levels goes up one level only.
        while (s.Path().size() > path.size())
            s.CloseKey();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringList lines;
    if (TIniPreferencesMan::DecodeLines(bytes, lines) != TIniPreferencesMan::TLoadResult::Unusable) {
        // Whatever was read is saved and read back line for line.
        QStringList again;
        Check(TIniPreferencesMan::DecodeLines(TIniPreferencesMan::EncodeLines(lines), again) ==
              TIniPreferencesMan::TLoadResult::Ok);
        Check(again == lines);
    }
    TIniPreferencesMan store{QString()};
    store.LoadFromBytes(bytes);
    QStringList top;
    store.GetKeyNames(top);
    Check(top.isEmpty());
    VisitKey(store, 0);
    for (const QString &line : store.Lines().mid(0, 16)) {
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')) && line.size() < 200) {
            store.OpenKey(line.mid(1, line.size() - 2), true);
            VisitKey(store, 3);
            while (!store.Path().isEmpty())
                store.CloseKey();
        }
    }
    return 0;
}
