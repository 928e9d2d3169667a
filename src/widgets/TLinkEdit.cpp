#include "widgets/TLinkEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>
#include <algorithm>

namespace {

QTextCharFormat CharFormat(const TLinkAttributes &a)
{
    QTextCharFormat f;
    if (!a.Face.isEmpty())
        f.setFontFamilies(QStringList{a.Face});
    f.setFontPointSize(std::clamp(a.Size, TLinkMarkup::MinShownSize, TLinkMarkup::MaxShownSize));
    f.setFontWeight(a.Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(a.Italic);
    f.setFontUnderline(a.Underline);
    f.setFontStrikeOut(a.StrikeOut);
    if (a.Color.isValid())
        f.setForeground(a.Color);
    return f;
}

} // namespace

TLinkEdit::TLinkEdit(QWidget *parent)
    : QTextEdit(parent), FUrlColor(TLinkMarkup::FromTColor(0x800000)), FMailColor(FUrlColor),
      FLinkColor(FUrlColor), FFontColor(palette().color(QPalette::Text))
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    viewport()->setMouseTracking(true);
    FDefaultCursor = viewport()->cursor().shape();
}

TLinkDefaults TLinkEdit::Defaults() const
{
    TLinkDefaults d;
    const QFont f = font();
    d.Control.Face = f.family();
    d.Control.Size = f.pointSize() > 0 ? f.pointSize() : 10;
    d.Control.Color = FFontColor;
    d.Control.Bold = f.bold();
    d.Control.Italic = f.italic();
    d.Control.Underline = f.underline();
    d.Control.StrikeOut = f.strikeOut();
    d.Alignment = FAlignment;
    d.UrlColor = FUrlColor;
    d.MailColor = FMailColor;
    d.LinkColor = FLinkColor;
    d.ButtonFace = palette().color(QPalette::Button);
    d.AppWorkspace = palette().color(QPalette::Dark);
    return d;
}

void TLinkEdit::SetRichText(const QString &markup)
{
    FRichText = markup;
    FRendering = FMarkup.Render(markup, Defaults());
    // No repaint and no interaction while the document is rebuilt.
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    Apply(FRendering);
    setUpdatesEnabled(updates);
}

void TLinkEdit::Apply(const TLinkRendering &r)
{
    QTextDocument *doc = document();
    doc->clear();
    QTextCursor c(doc);
    c.beginEditBlock();
    QTextBlockFormat plain;
    plain.setAlignment(FAlignment);
    c.setBlockFormat(plain);
    for (const TLinkRun &run : r.Runs) {
        // Every '\n' becomes a block of its own, one character long, as in the displayed text.
        c.insertText(r.Displayed.mid(run.Start, run.Length), CharFormat(run.Attributes));
    }
    for (const TLinkLineAlignment &a : r.Alignments) {
        QTextBlock first = doc->findBlock(a.Start);
        const QTextBlock last = doc->findBlock(a.BreakPos);
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            QTextCursor bc(b);
            QTextBlockFormat bf = b.blockFormat();
            bf.setAlignment(a.Alignment);
            bc.setBlockFormat(bf);
            if (b == last)
                break;
        }
    }
    c.endEditBlock();
}

std::optional<TLinkMarkup::TLinkHit> TLinkEdit::LinkAt(int position) const
{
    return TLinkMarkup::LinkAt(FRichText, position);
}

int TLinkEdit::CharacterAt(const QPoint &viewportPos) const
{
    const QPointF docPos(viewportPos.x() + horizontalScrollBar()->value(),
                         viewportPos.y() + verticalScrollBar()->value());
    const QAbstractTextDocumentLayout *layout = document()->documentLayout();
    const int cursorPos = layout->hitTest(docPos, Qt::ExactHit);
    if (cursorPos < 0)
        return -1;
    // The hit gives a cursor position: the character under the point is the one whose box holds
    // the point, which is the one before the cursor when the point lies in its right half.
    const QTextBlock block = document()->findBlock(cursorPos);
    if (!block.isValid() || !block.layout())
        return -1;
    const QPointF inBlock = docPos - layout->blockBoundingRect(block).topLeft();
    const QTextLayout *tl = block.layout();
    for (int i = 0; i < tl->lineCount(); ++i) {
        const QTextLine line = tl->lineAt(i);
        if (inBlock.y() < line.y() || inBlock.y() >= line.y() + line.height())
            continue;
        const int rel = line.xToCursor(inBlock.x(), QTextLine::CursorOnCharacter);
        if (rel < line.textStart() || rel >= line.textStart() + line.textLength())
            return -1;
        return block.position() + rel;
    }
    return -1;
}

void TLinkEdit::mouseMoveEvent(QMouseEvent *e)
{
    QTextEdit::mouseMoveEvent(e);
    const int pos = CharacterAt(e->position().toPoint());
    const auto hit = pos >= 0 ? LinkAt(pos) : std::nullopt;
    if (!hit) {
        viewport()->setCursor(FUseInternalCursor ? Qt::ArrowCursor : FDefaultCursor);
        setToolTip(QString());
        QToolTip::hideText();
        return;
    }
    if (FUseInternalCursor)
        viewport()->setCursor(Qt::PointingHandCursor);
    const TLinkHintEvent &ask = hit->Kind == TLinkKind::Url    ? OnUrlHint
                                : hit->Kind == TLinkKind::Mail ? OnMailHint
                                                               : OnCustomLinkHint;
    if (ask) {
        viewport()->setCursor(Qt::PointingHandCursor);
        QString hint;
        ask(hit->Target, hint);
        setToolTip(hint);
        QToolTip::showText(e->globalPosition().toPoint(), hint, this);
    }
    Q_EMIT linkHovered(hit->Target, hit->Kind);
}

void TLinkEdit::mouseReleaseEvent(QMouseEvent *e)
{
    QTextEdit::mouseReleaseEvent(e);
    const int pos = CharacterAt(e->position().toPoint());
    const auto hit = pos >= 0 ? LinkAt(pos) : std::nullopt;
    if (!hit)
        return;
    const TLinkClickEvent &click = hit->Kind == TLinkKind::Url    ? OnUrlClick
                                   : hit->Kind == TLinkKind::Mail ? OnMailClick
                                                                  : OnCustomLinkClick;
    if (click)
        click(hit->Target);
    Q_EMIT linkClicked(hit->Target, hit->Kind);
}
