#include "playback/TTextGauge.h"

#include <QFontMetrics>
#include <QPainter>

#include <climits>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

// A fraction of a length: trunc(length x percent x 0.01).
int Fraction(int length, int percent)
{
    return int(std::trunc(length * percent * 0.01));
}

void FillBlack(QImage &image)
{
    image.fill(Qt::black);
}

// Combines source into target by exclusive-or of the pixels.
void XorInto(QImage &target, const QImage &source)
{
    QPainter p(&target);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(0, 0, source);
}

} // namespace

TTextGauge::TTextGauge(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

void TTextGauge::Invalidate()
{
    ++m_repaintRequests;
    update();
}

void TTextGauge::SetCustomText(bool on)
{
    if (on != m_customText) {
        m_customText = on;
        Invalidate();
    }
}

void TTextGauge::SetBackColor(const QColor &c)
{
    if (c != m_backColor) {
        m_backColor = c;
        Invalidate();
    }
}

void TTextGauge::SetBorderStyle(TGaugeBorderStyle s)
{
    if (s != m_borderStyle) {
        m_borderStyle = s;
        Invalidate();
    }
}

void TTextGauge::SetForeColor(const QColor &c)
{
    if (c != m_foreColor) {
        m_foreColor = c;
        Invalidate();
    }
}

QColor TTextGauge::Color() const
{
    return m_color.isValid() ? m_color : palette().color(QPalette::Window);
}

void TTextGauge::SetColor(const QColor &c)
{
    if (c != m_color) {
        m_color = c;
        Invalidate();
    }
}

void TTextGauge::SetGaugeKind(TGaugeKind k)
{
    if (k != m_kind) {
        m_kind = k;
        Invalidate();
    }
}

void TTextGauge::SetTextKind(TTextKind k)
{
    if (k != m_textKind) {
        m_textKind = k;
        Invalidate();
    }
}

void TTextGauge::SetShowText(bool on)
{
    if (on != m_showText) {
        m_showText = on;
        Invalidate();
    }
}

void TTextGauge::SetCaption(const QString &caption)
{
    if (caption != m_caption) {
        m_caption = caption;
        Invalidate();
    }
}

static QString RangeMessage(qint64 low, qint64 high)
{
    return TTextGauge::FormatInteger(
        TTextGauge::FormatInteger(QStringLiteral("La valeur doit être comprise entre %d et %%d"), low), high);
}

void TTextGauge::SetMinValue(int v)
{
    if (v == m_min)
        return;
    if (v > m_max && !m_loading)
        throw EGaugeRangeError(RangeMessage(-2147483647, qint64(m_max) - 1));
    m_min = v;
    if (m_progress < v)
        m_progress = v;
    Invalidate();
}

void TTextGauge::SetMaxValue(int v)
{
    if (v == m_max)
        return;
    if (v < m_min && !m_loading)
        throw EGaugeRangeError(RangeMessage(qint64(m_min) + 1, 2147483647));
    m_max = v;
    if (m_progress > v)
        m_progress = v;
    Invalidate();
}

void TTextGauge::SetAlertValue(int v)
{
    if (v != m_alert) {
        m_alert = v;
        Invalidate();
    }
}

void TTextGauge::SetProgress(int v)
{
    if (v < m_min)
        v = m_min;
    else if (v > m_max)
        v = m_max;
    if (v == m_progress)
        return;
    const int before = PercentDone();
    m_progress = v;
    if (PercentDone() != before)
        Invalidate();
}

int TTextGauge::PercentDone() const
{
    const qint64 range = qint64(m_max) - m_min;
    if (range <= 0)
        return 0;
    // Exact integer arithmetic: the value never leaves [min, max], so this truncates like trunc().
    return int((qint64(m_progress) - m_min) * 100 / range);
}

QString TTextGauge::Text() const
{
    if (m_customText)
        return m_caption;
    switch (m_textKind) {
    case TTextKind::tkPercentDone:
        return QString::number(PercentDone()) + QLatin1Char('%');
    case TTextKind::tkValueDone:
        return FormatInteger(m_caption, m_progress);
    case TTextKind::tkValueRemaining:
        return FormatInteger(m_caption, qint64(m_max) - m_progress);
    case TTextKind::tkPercentRemaining:
        return QString::number(100 - PercentDone()) + QLatin1Char('%');
    }
    return {};
}

QColor TTextGauge::DrawingColor() const
{
    bool alert = false;
    if (m_textKind == TTextKind::tkPercentDone || m_textKind == TTextKind::tkValueDone)
        alert = m_progress > m_alert;
    else
        alert = m_progress < m_alert;
    return alert ? QColor::fromRgb(AlertColor) : m_foreColor;
}

QRect TTextGauge::DrawingArea() const
{
    QRect area(0, 0, width(), height());
    if (m_borderStyle == TGaugeBorderStyle::bsSingle)
        area.adjust(1, 1, -1, -1);
    return area;
}

void TTextGauge::PaintGauge(QImage &image, const QRect &area) const
{
    if (area.isEmpty())
        return;
    const int percent = PercentDone();
    const QColor colour = DrawingColor();
    const int W = area.width() + 1;
    const int H = area.height() + 1;
    QPainter p(&image);
    p.setClipRect(area);
    switch (m_kind) {
    case TGaugeKind::gkText:
        p.fillRect(area, m_backColor);
        break;
    case TGaugeKind::gkHorizontalBar: {
        p.fillRect(area, m_backColor);
        const int fill = qMin(Fraction(W, percent), W);
        if (fill >= 1)
            p.fillRect(QRect(area.left(), area.top(), fill, area.height()), colour);
        break;
    }
    case TGaugeKind::gkVerticalBar: {
        p.fillRect(area, m_backColor);
        const int fill = qMin(Fraction(H, percent), H - 1);
        const int top = area.top() + H - fill;
        if (top <= area.bottom())
            p.fillRect(QRect(area.left(), top, area.width(), area.bottom() - top + 1), colour);
        break;
    }
    case TGaugeKind::gkPie: {
        p.fillRect(area, Color());
        const QRect ellipse(area.left(), area.top(), area.width() - 1, area.height() - 1);
        p.setPen(colour);
        p.setBrush(m_backColor);
        p.drawEllipse(ellipse);
        if (percent > 0) {
            // Clockwise from the top centre: Qt's angles run counter-clockwise from 3 o'clock.
            p.setBrush(colour);
            const int span = qRound(percent * 3.6 * 16);
            p.drawPie(ellipse, 90 * 16 - span, span);
        }
        break;
    }
    case TGaugeKind::gkNeedle: {
        p.fillRect(area, Color());
        const int bottom = area.bottom() + 1; // the edge below the area, as the needle formula counts it
        p.setPen(colour);
        p.setBrush(m_backColor);
        p.drawPie(QRect(area.left(), area.top(), area.width() - 1, 2 * area.height() - 1), 0, 180 * 16);
        p.drawLine(area.left(), area.bottom(), area.right(), area.bottom());
        if (percent > 0) {
            const double a = percent / 100.0 * Pi;
            const int middle = width() / 2;
            p.drawLine(QPoint(middle, bottom - 1),
                       QPoint(int(std::lround(middle * (1 - std::cos(a)))),
                              int(std::lround((bottom - 1) * (1 - std::sin(a))))));
        }
        break;
    }
    }
}

void TTextGauge::PaintText(QImage &image, const QRect &area) const
{
    const QString text = Text();
    QImage textImage(image.size(), image.format());
    FillBlack(textImage);
    {
        QPainter p(&textImage);
        // Plain white glyphs: their exclusive-or gives the exact inverse of what lies under them.
        QFont f = font();
        f.setStyleStrategy(QFont::NoAntialias);
        p.setFont(f);
        p.setPen(Qt::white);
        p.setClipRect(area);
        const QFontMetrics fm(f);
        const int x = area.left() + (area.width() - fm.horizontalAdvance(text) + 1) / 2;
        const int y = area.top() + (area.height() - fm.height() + 1) / 2;
        p.drawText(x, y + fm.ascent(), text);
    }
    XorInto(image, textImage);
}

QImage TTextGauge::Render() const
{
    QImage background(qMax(1, width()), qMax(1, height()), QImage::Format_RGB32);
    FillBlack(background);
    QImage gauge(background.size(), background.format());
    FillBlack(gauge);
    const QRect area = DrawingArea();
    PaintGauge(gauge, area);
    XorInto(background, gauge);
    if (m_showText)
        PaintText(background, area);
    return background;
}

void TTextGauge::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, Render());
}

QString TTextGauge::FormatInteger(const QString &format, qint64 value)
{
    QString out;
    const int n = int(format.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out += c;
            continue;
        }
        if (format.at(i + 1) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        int j = i + 1;
        bool left = false, zero = false;
        for (; j < n; ++j) {
            if (format.at(j) == QLatin1Char('-'))
                left = true;
            else if (format.at(j) == QLatin1Char('0'))
                zero = true;
            else
                break;
        }
        int widthValue = 0;
        for (; j < n && format.at(j).isDigit() && widthValue < 1000; ++j)
            widthValue = widthValue * 10 + format.at(j).digitValue();
        int precision = -1;
        if (j < n && format.at(j) == QLatin1Char('.')) {
            precision = 0;
            for (++j; j < n && format.at(j).isDigit() && precision < 1000; ++j)
                precision = precision * 10 + format.at(j).digitValue();
        }
        const QChar conv = j < n ? format.at(j) : QChar();
        if (conv != QLatin1Char('d') && conv != QLatin1Char('i') && conv != QLatin1Char('u')) {
            out += c; // not a conversion this gauge knows: copied as text
            continue;
        }
        QString digits = QString::number(value < 0 ? -value : value);
        if (precision >= 0 && digits.size() < precision)
            digits = QString(precision - digits.size(), QLatin1Char('0')) + digits;
        const QString sign = value < 0 ? QStringLiteral("-") : QString();
        QString field = sign + digits;
        if (field.size() < widthValue) {
            const int pad = widthValue - int(field.size());
            if (left)
                field += QString(pad, QLatin1Char(' '));
            else if (zero && precision < 0)
                field = sign + QString(pad, QLatin1Char('0')) + digits;
            else
                field = QString(pad, QLatin1Char(' ')) + field;
        }
        out += field;
        i = j;
    }
    return out;
}
