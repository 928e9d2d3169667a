#include "playback/TOverlayPainter.h"

#include "core/TColors.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Rounding to the nearest integer, halves to even (the default floating-point rounding mode).
int RoundEven(double v)
{
    return int(std::nearbyint(v));
}

} // namespace

TFontDesc TOverlayPainter::DefaultFont()
{
    TFontDesc f;
    f.Name = QStringLiteral("Arial");
    f.Size = 16;
    f.Color = 0x800000; // navy
    f.PixelsPerInch = PixelsPerInch;
    return f;
}

std::array<Tligne, TOverlayPainter::LineCount> TOverlayPainter::DefaultLines()
{
    std::array<Tligne, LineCount> lines;
    for (Tligne &l : lines)
        l.Relative = true;
    lines[0].Text = QStringLiteral("Ecrivez une incrustation");
    lines[0].Enabled = true;
    lines[0].Relative = false;
    return lines;
}

void TOverlayPainter::SetAlignLines(int align)
{
    for (Tligne &l : OverlayLines)
        l.Align = std::uint8_t(align);
}

QPoint TOverlayPainter::Anchor(QSize native) const
{
    // 64-bit products: a position far outside 0..10000 must not wrap around.
    return QPoint(int(qint64(InsertPosition.x()) * native.width() / 10000),
                  int(qint64(InsertPosition.y()) * native.height() / 10000));
}

int TOverlayPainter::AutoFontSize(QSize native)
{
    return qMax(native.width() / 36, native.height() / 28);
}

QString TOverlayPainter::ResolveFamily(const QString &name)
{
    if (QFontDatabase::hasFamily(name))
        return name;
    const QString key = name.trimmed().toLower();
    if (key == QLatin1String("arial") || key == QLatin1String("helvetica"))
        return QStringLiteral("Liberation Sans");
    if (key == QLatin1String("times new roman") || key == QLatin1String("times"))
        return QStringLiteral("Liberation Serif");
    if (key == QLatin1String("courier new") || key == QLatin1String("courier"))
        return QStringLiteral("Liberation Mono");
    return name;
}

QFont TOverlayPainter::OverlayFont() const
{
    QFont f(ResolveFamily(InsertFont.Name));
    // Character height in video pixels, as the size in points gives it at 96 pixels per inch.
    const double points = std::min(std::abs(double(InsertFont.Size)), double(MaxPixelSize));
    const int px = int(std::lround(points * double(PixelsPerInch) / 72.0));
    f.setPixelSize(qBound(1, px, MaxPixelSize));
    f.setBold(InsertFont.Bold);
    f.setItalic(InsertFont.Italic);
    f.setUnderline(InsertFont.Underline);
    f.setStrikeOut(InsertFont.StrikeOut);
    f.setKerning(false);
    return f;
}

void TOverlayPainter::DrawOutline(QPainter &p, const QFont &hard, int x, int baseline, const QString &text,
                                  int b) const
{
    // The outline is the text stamped at every whole-pixel offset (dx, dy) of the square of
    // side 2b+1 that lies outside the diamond |dx|+|dy| <= b. A hard font shifts by whole
    // pixels, so the text is drawn once into a mask with a margin of b and the offsets are
    // spread row by row through prefix counts: the same pixels as drawing the copies one by
    // one (about 2b² of them, 8,000 at the widest, which held the window for seconds with a
    // large font), at a cost that grows with the picture and b, not with the font.
    const QPaintDevice *device = p.device();
    if (!device)
        return;
    // The work is confined to the text's box: its advance and its line, widened by the outline
    // and by a line's height for the glyphs' overhang (italics), within the picture. Outside
    // it no pixel lies within b of the text. A redraw of eight lines in the largest font and
    // the widest outline no longer works through eight whole pictures.
    const QFontMetrics fm(hard);
    const int pad = fm.height() + b;
    const QRect box = QRect(x - pad, baseline - fm.ascent() - pad, fm.horizontalAdvance(text) + 2 * pad,
                            fm.ascent() + fm.descent() + 2 * pad)
                          .intersected(QRect(0, 0, device->width(), device->height()));
    if (box.isEmpty())
        return;
    const int w = box.width();
    const int h = box.height();
    const int mw = w + 2 * b;
    const int mh = h + 2 * b;
    QImage mask(mw, mh, QImage::Format_RGB32);
    if (mask.isNull())
        return;
    mask.fill(Qt::black);
    {
        QPainter m(&mask);
        m.setBackgroundMode(Qt::TransparentMode);
        m.setFont(hard);
        m.setPen(Qt::white);
        m.drawText(x - box.x() + b, baseline - box.y() + b, text);
    }
    // prefix[row * (mw + 1) + c]: how many set pixels the mask row has before column c.
    std::vector<int> prefix(std::size_t(mh) * std::size_t(mw + 1), 0);
    std::vector<char> rowSet(std::size_t(mh), 0);
    int firstCol = mw, lastCol = -1;
    for (int r = 0; r < mh; ++r) {
        const QRgb *line = reinterpret_cast<const QRgb *>(mask.constScanLine(r));
        int *pr = prefix.data() + std::size_t(r) * std::size_t(mw + 1);
        for (int c = 0; c < mw; ++c) {
            const bool set = (line[c] & 0xffffff) != 0;
            pr[c + 1] = pr[c] + (set ? 1 : 0);
            if (set) {
                firstCol = std::min(firstCol, c);
                lastCol = std::max(lastCol, c);
            }
        }
        rowSet[std::size_t(r)] = pr[mw] != 0;
    }
    if (lastCol < 0)
        return;
    // A picture column c reads mask columns c..c+2b only.
    const int fromCol = std::max(0, firstCol - 2 * b);
    const int toCol = std::min(w - 1, lastCol);
    const QColor colour = TColors::ToQColor(InsertBorderColor);
    QImage outline(w, h, QImage::Format_ARGB32_Premultiplied);
    outline.fill(Qt::transparent);
    const QRgb ink = colour.rgba();
    bool any = false;
    for (int y = 0; y < h; ++y) {
        QRgb *out = reinterpret_cast<QRgb *>(outline.scanLine(y));
        for (int dy = -b; dy <= b; ++dy) {
            const int r = y + b - dy; // the mask row that the offset dy brings onto row y
            if (!rowSet[std::size_t(r)])
                continue;
            const int k = b - std::abs(dy); // |dx| must exceed k
            if (k >= b)
                continue;
            const int *pr = prefix.data() + std::size_t(r) * std::size_t(mw + 1);
            // Offsets dx in [k+1, b] read mask columns [x, x+b-k-1]; those in [-b, -k-1]
            // read columns [x+b+k+1, x+2b] (mask column = picture column + b - dx).
            const int span = b - k;
            for (int c = fromCol; c <= toCol; ++c) {
                if (out[c])
                    continue;
                if (pr[c + span] - pr[c] || pr[c + 2 * b + 1] - pr[c + b + k + 1]) {
                    out[c] = ink;
                    any = true;
                }
            }
        }
    }
    if (any)
        p.drawImage(box.topLeft(), outline);
}

void TOverlayPainter::DrawOutlinedText(QPainter &p, const QFont &font, int x, int y,
                                       const QString &text) const
{
    // The outline is never smoothed; the text is smoothed only over an outline, where its
    // fringe falls on the outline rather than on the key colour.
    QFont hard = font;
    hard.setStyleStrategy(QFont::NoAntialias);
    bool smooth = false;
    const int b = std::clamp(InsertBorderWidth, 0, MaxBorderWidth);
    const int ascent = QFontMetrics(hard).ascent();
    if (b > 0) {
        DrawOutline(p, hard, x, y + ascent, text, b);
        smooth = InsertAntiAliasing;
    }
    QFont main = font;
    main.setStyleStrategy(smooth ? QFont::PreferAntialias : QFont::NoAntialias);
    p.setFont(main);
    p.setPen(TColors::ToQColor(InsertFont.Color));
    p.drawText(x, y + ascent, text);
}

const QImage &TOverlayPainter::Draw(QSize native)
{
    m_placements.clear();
    const int w = qMax(0, native.width());
    const int h = qMax(0, native.height());
    if (m_image.size() != QSize(w, h) || m_image.format() != QImage::Format_RGB32)
        m_image = QImage(w, h, QImage::Format_RGB32);
    if (m_image.isNull())
        return m_image;
    if (InsertAutoSize)
        InsertFont.Size = AutoFontSize(QSize(w, h));

    const QPoint anchor = Anchor(QSize(w, h));
    m_image.fill(TColors::ToQColor(InsertTransparentColor));
    const QFont font = OverlayFont();
    const QFontMetrics fm(font);
    const int b = std::clamp(InsertBorderWidth, 0, MaxBorderWidth);

    QPainter p(&m_image);
    p.setBackgroundMode(Qt::TransparentMode);
    int offset = 0;
    for (int i = 0; i < LineCount; ++i) {
        const Tligne &line = OverlayLines[size_t(i)];
        if (!line.Enabled)
            continue;
        const int dy = RoundEven(double(h) * line.Y);
        offset = line.Relative ? offset + dy : dy;
        const int textWidth = fm.horizontalAdvance(line.Text);
        int dx = RoundEven(double(w) * line.X);
        if (line.Align == 1)
            dx -= textWidth;
        else if (line.Align == 2)
            dx -= textWidth / 2;
        const int x = anchor.x() + dx + b;
        const int y = anchor.y() + offset + b;
        DrawOutlinedText(p, font, x, y, line.Text);
        m_placements.push_back({i, QPoint(x, y), QSize(textWidth, fm.height())});
        offset += fm.height();
    }
    return m_image;
}

const QImage &TOverlayPainter::KeyedImage() const
{
    // Redrawn overlays detach m_image, so its cache key changes with every Draw.
    if (m_keyedSource != m_image.cacheKey() || m_keyedColor != InsertTransparentColor) {
        m_keyed = Keyed(m_image, InsertTransparentColor);
        m_keyedSource = m_image.cacheKey();
        m_keyedColor = InsertTransparentColor;
    }
    return m_keyed;
}

void TOverlayPainter::Composite(QImage &frame) const
{
    CompositeKeyed(frame, KeyedImage(), InsertTransparency);
}

QImage TOverlayPainter::Keyed(const QImage &overlay, std::int32_t key)
{
    if (overlay.isNull())
        return {};
    // The key colour becomes fully transparent; premultiplied so that scaling never bleeds the
    // key colour into the edges of the text.
    const QRgb keyRgb = TColors::ToQColor(key).rgb() & 0xFFFFFF;
    QImage keyed = overlay.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < keyed.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            row[x] = (row[x] & 0xFFFFFF) == keyRgb ? 0 : (row[x] | 0xFF000000u);
    }
    return keyed;
}

void TOverlayPainter::Composite(QImage &frame, const QImage &overlay, double opacity, std::int32_t key)
{
    CompositeKeyed(frame, Keyed(overlay, key), opacity);
}

void TOverlayPainter::CompositeKeyed(QImage &frame, const QImage &keyedOverlay, double opacity)
{
    if (frame.isNull() || keyedOverlay.isNull())
        return;
    const int a = int(std::lround(qBound(0.0, opacity, 1.0) * 255));
    if (a == 0)
        return;
    if (frame.format() != QImage::Format_RGB32 && frame.format() != QImage::Format_ARGB32 &&
        frame.format() != QImage::Format_ARGB32_Premultiplied)
        frame = frame.convertToFormat(QImage::Format_RGB32);
    const QImage keyed =
        keyedOverlay.size() == frame.size()
            ? keyedOverlay
            : keyedOverlay.scaled(frame.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    // out = a/255 x source + frame x (1 - a/255 x sourceAlpha/255), in integers, rounded.
    for (int y = 0; y < frame.height(); ++y) {
        const QRgb *src = reinterpret_cast<const QRgb *>(keyed.constScanLine(y));
        QRgb *dst = reinterpret_cast<QRgb *>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb s = src[x];
            const int sa = qAlpha(s);
            if (sa == 0)
                continue;
            const QRgb d = dst[x];
            const int keep = 65025 - a * sa;
            auto mix = [&](int sc, int dc) { return (a * 255 * sc + dc * keep + 32512) / 65025; };
            dst[x] = (d & 0xFF000000u) | (QRgb(mix(qRed(s), qRed(d))) << 16) |
                     (QRgb(mix(qGreen(s), qGreen(d))) << 8) | QRgb(mix(qBlue(s), qBlue(d)));
        }
    }
}
