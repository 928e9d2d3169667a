#include "media/Timecode.h"

#include "media/DvCodes.h"
#include "media/FrameGrid.h"

#include <cmath>
#include <cstdint>

namespace {
constexpr int64_t kSecond = 10000000;

// Integer value of text[from, from + n) or 0 when it is not a number (surrounding blanks allowed).
int64_t part(const QString &text, qsizetype from, qsizetype n)
{
    if (from < 0) {
        n += from;
        from = 0;
    }
    if (n <= 0 || from >= text.size())
        return 0;
    bool ok = false;
    const qlonglong v = text.mid(from, n).trimmed().toLongLong(&ok);
    return ok ? v : 0;
}
} // namespace

QString TimecodeText(int64_t t, int64_t d)
{
    if (d <= 0)
        d = 10000;
    if (t < 0) // before the origin (a position during a seek): the same text with a minus sign
        return QLatin1Char('-') + TimecodeText(t == INT64_MIN ? INT64_MAX : -t, d);
    int64_t s = t / kSecond;
    int64_t r = t % kSecond;
    if (kSecond - r < d / 2) {
        r = 0;
        ++s;
    }
    // Frames since the second began, counted on the frame grid (exact for NTSC rates).
    const int64_t frames = TFrameGrid(d).IndexAt(r);
    return QString::asprintf("%lld:%.2lld:%.2lld:%.2lld", (long long)(s / 3600), (long long)((s / 60) % 60),
                             (long long)(s % 60), (long long)frames);
}

int64_t TimecodeToTime(const QString &text, int64_t d)
{
    const qsizetype L = text.size();
    const int64_t hours = part(text, 0, L - 9);
    const int64_t minutes = part(text, L - 8, 2);
    const int64_t seconds = part(text, L - 5, 2);
    const int64_t frames = part(text, L - 2, 2);
    // Wide arithmetic, clamped: a text typed by the user must not overflow.
    const __int128 v =
        (__int128(hours) * 3600 + minutes * 60 + seconds) * kSecond + __int128(TFrameGrid(d).TimeOf(frames));
    if (v > INT64_MAX)
        return INT64_MAX;
    if (v < INT64_MIN)
        return INT64_MIN;
    return int64_t(v);
}

QString DvTimecodeText(const TDvTimecode &tc)
{
    return QString::asprintf("%d:%.2d:%.2d:%.2d", tc.Hours, tc.Minutes, tc.Seconds, tc.Frames);
}
