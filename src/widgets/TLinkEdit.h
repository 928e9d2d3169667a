// Read-only rich-text label for formatted texts (help window fields, save-mode dialog, about
// panel). The text is given in the small tag language of TLinkMarkup; links (web, mail, custom)
// report hovers and clicks through the On... handlers and the linkHovered/linkClicked signals.
// Lives on the user-interface thread.
#pragma once

#include "widgets/TLinkMarkup.h"

#include <QTextEdit>
#include <functional>

class TLinkEdit : public QTextEdit
{
    Q_OBJECT
public:
    // The link text, and the hint to show (empty on entry), filled in by the handler.
    using TLinkHintEvent = std::function<void(const QString &link, QString &hint)>;
    using TLinkClickEvent = std::function<void(const QString &link)>;

    explicit TLinkEdit(QWidget *parent = nullptr);

    const QString &RichText() const { return FRichText; }
    // Stores and renders the marked-up text. Attributes left open by the previous text carry
    // over to this one.
    void SetRichText(const QString &markup);

    QColor UrlColor() const { return FUrlColor; }
    QColor MailColor() const { return FMailColor; }
    QColor LinkColor() const { return FLinkColor; }
    void SetUrlColor(const QColor &c) { FUrlColor = c; }
    void SetMailColor(const QColor &c) { FMailColor = c; }
    void SetLinkColor(const QColor &c) { FLinkColor = c; }
    bool UseInternalCursor() const { return FUseInternalCursor; }
    void SetUseInternalCursor(bool on) { FUseInternalCursor = on; }
    // Colour of the text outside colour tags (the control's font colour).
    QColor FontColor() const { return FFontColor; }
    void SetFontColor(const QColor &c) { FFontColor = c; }
    // Alignment of lines ended by a plain br and of the last line.
    Qt::Alignment DefaultAlignment() const { return FAlignment; }
    void SetDefaultAlignment(Qt::Alignment a) { FAlignment = a; }

    // The displayed text as rendered, one '\n' per line break.
    const QString &DisplayedText() const { return FRendering.Displayed; }
    const TLinkRendering &Rendering() const { return FRendering; }

    // Link at a character position of the displayed text.
    std::optional<TLinkMarkup::TLinkHit> LinkAt(int position) const;
    // Character under a point of the viewport, or -1 when the point is not over a character.
    int CharacterAt(const QPoint &viewportPos) const;

    TLinkHintEvent OnUrlHint, OnMailHint, OnCustomLinkHint;
    TLinkClickEvent OnUrlClick, OnMailClick, OnCustomLinkClick;

Q_SIGNALS:
    void linkHovered(const QString &link, TLinkKind kind);
    void linkClicked(const QString &link, TLinkKind kind);

protected:
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    TLinkDefaults Defaults() const;
    void Apply(const TLinkRendering &r);

    QString FRichText;
    TLinkMarkup FMarkup;
    TLinkRendering FRendering;
    QColor FUrlColor, FMailColor, FLinkColor, FFontColor;
    Qt::Alignment FAlignment = Qt::AlignLeft;
    bool FUseInternalCursor = false;
    Qt::CursorShape FDefaultCursor;
};
