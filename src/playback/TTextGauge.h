#pragma once
// A painted gauge: a value between a minimum and a maximum shown as a horizontal or vertical
// bar, a pie, a needle or text only, with a text (percentage, value or what remains) drawn in
// the inverse colour of what lies under it, and a colour that changes past an alert level.
// The navigation panel's volume gauge is one. Main thread only.
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <exception>

enum class TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum class TTextKind { tkPercentDone, tkValueDone, tkValueRemaining, tkPercentRemaining };
enum class TGaugeBorderStyle { bsNone, bsSingle };

// A refused range change; Message() is the text to show.
class EGaugeRangeError : public std::exception
{
public:
    explicit EGaugeRangeError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const char *what() const noexcept override { return m_utf8.constData(); }
    const QString &Message() const { return m_message; }

private:
    QString m_message;
    QByteArray m_utf8;
};

class TTextGauge : public QWidget
{
    Q_OBJECT
public:
    // Replaces ForeColor for the filled part once the value passes AlertValue.
    static constexpr QRgb AlertColor = 0xFFEEA2A2; // RGB 238, 162, 162

    explicit TTextGauge(QWidget *parent = nullptr);

    bool customText() const { return m_customText; }
    void SetCustomText(bool on);
    QColor BackColor() const { return m_backColor; }
    void SetBackColor(const QColor &c);
    TGaugeBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TGaugeBorderStyle s);
    QColor ForeColor() const { return m_foreColor; }
    void SetForeColor(const QColor &c);
    // The background outside a pie or a needle; an invalid colour means the palette's window colour.
    QColor Color() const;
    void SetColor(const QColor &c);
    TGaugeKind GaugeKind() const { return m_kind; }
    void SetGaugeKind(TGaugeKind k);
    TTextKind TextKind() const { return m_textKind; }
    void SetTextKind(TTextKind k);
    bool ShowText() const { return m_showText; }
    void SetShowText(bool on);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);

    int MinValue() const { return m_min; }
    int MaxValue() const { return m_max; }
    int AlertValue() const { return m_alert; }
    int Progress() const { return m_progress; }
    // Range changes that would put the minimum above the maximum throw EGaugeRangeError, except
    // while loading (see SetLoading). Accepted changes pull Progress into the new range.
    void SetMinValue(int v);
    void SetMaxValue(int v);
    void SetAlertValue(int v);
    // Clamped to the range; repaints only when the percentage changes.
    void SetProgress(int v);

    // While a stored description is being applied the range may pass through Min > Max.
    void SetLoading(bool loading) { m_loading = loading; }

    // trunc((Progress - MinValue) x 100 / (MaxValue - MinValue)), 0 for an empty range.
    int PercentDone() const;
    // The text the gauge shows (whether or not ShowText is set).
    QString Text() const;
    // ForeColor, or the alert colour when the value is past the alert level.
    QColor DrawingColor() const;
    // The whole control as painted, at its current size.
    QImage Render() const;
    // Number of repaints asked for so far (each accepted visible change asks for one).
    int RepaintRequests() const { return m_repaintRequests; }

    // "%d"-style formatting of one integer: %d %i %u with flags "-" and "0", a width and a
    // precision, and "%%". Any other conversion is copied as it stands, so a caption can never
    // read an argument that is not there.
    static QString FormatInteger(const QString &format, qint64 value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Invalidate();
    QRect DrawingArea() const;
    void PaintGauge(QImage &image, const QRect &area) const;
    void PaintText(QImage &image, const QRect &area) const;

    bool m_customText = false;
    QColor m_backColor = Qt::white;
    TGaugeBorderStyle m_borderStyle = TGaugeBorderStyle::bsSingle;
    QColor m_foreColor = QColor(192, 220, 192);
    QColor m_color; // invalid: palette window colour
    TGaugeKind m_kind = TGaugeKind::gkHorizontalBar;
    TTextKind m_textKind = TTextKind::tkValueDone;
    bool m_showText = true;
    QString m_caption = QStringLiteral("%d");
    int m_min = 0;
    int m_max = 100;
    int m_alert = 80;
    int m_progress = 0;
    bool m_loading = false;
    int m_repaintRequests = 0;
};
