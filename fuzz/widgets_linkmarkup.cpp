// Fuzzes the link label's markup: rendering into runs, line alignments and links, and the
// link lookup by position, which must agree with the links found while rendering.
#include "widgets/TLinkMarkup.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString markup =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TLinkDefaults d;
    d.Control.Face = QStringLiteral("Liberation Sans");
    d.Control.Color = Qt::black;
    d.UrlColor = d.MailColor = d.LinkColor = QColor(0, 0, 128);
    d.ButtonFace = Qt::lightGray;
    d.AppWorkspace = Qt::darkGray;
    TLinkMarkup m;
    // Twice on one object: attributes carry over from one text to the next.
    for (int round = 0; round < 2; ++round) {
        const TLinkRendering r = m.Render(markup, d);
        const int len = int(r.Displayed.size());
        int next = 0;
        for (const TLinkRun &run : r.Runs) {
            Check(run.Start == next && run.Length > 0);
            next = run.Start + run.Length;
        }
        Check(next == len);
        for (const TLinkLineAlignment &a : r.Alignments)
            Check(a.Start <= a.BreakPos && a.BreakPos < len && r.Displayed[a.BreakPos] == QLatin1Char('\n'));
        int lastEnd = 0;
        for (const TLinkSpan &s : r.Links) {
            Check(lastEnd <= s.Start && s.Start <= s.End && s.End <= len);
            lastEnd = s.End;
        }
        // Sampled positions: the lookup walks the whole markup each time.
        const int step = len / 24 + 1;
        for (int p = -1; p <= len; p += step) {
            const auto hit = TLinkMarkup::LinkAt(markup, p);
            const TLinkSpan *span = nullptr;
            for (const TLinkSpan &s : r.Links)
                if (s.Start <= p && p < s.End)
                    span = &s;
            Check(bool(hit) == bool(span));
            if (hit)
                Check(hit->Target == span->Target && hit->Kind == span->Kind);
        }
    }
    return 0;
}
