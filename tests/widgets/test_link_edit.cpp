#include "widgets/TLinkEdit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <memory>

namespace {

class LinkEdit : public testing::Test
{
protected:
    std::unique_ptr<TLinkEdit> edit = std::make_unique<TLinkEdit>();

    void SetUp() override
    {
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPointSize(10);
        edit->setFont(f);
        edit->SetFontColor(Qt::black);
        edit->SetMailColor(QColor(0, 128, 0));
        edit->resize(500, 300);
        edit->show();
    }

    // Format of the character at a displayed position.
    QTextCharFormat At(int pos) const
    {
        QTextCursor c(edit->document());
        c.setPosition(pos);
        c.setPosition(pos + 1, QTextCursor::KeepAnchor);
        return c.charFormat();
    }

    // A point inside the character at a displayed position, in viewport coordinates.
    QPoint PointOf(int pos) const
    {
        QTextCursor c(edit->document());
        c.setPosition(pos);
        const QRect r = edit->cursorRect(c);
        return QPoint(r.left() + 2, r.center().y());
    }

    void Mouse(QEvent::Type type, const QPoint &p)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QMouseEvent e(type, QPointF(p), edit->viewport()->mapToGlobal(QPointF(p)), button, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(edit->viewport(), &e);
    }
};

} // namespace

TEST_F(LinkEdit, StyleTagsFormatExactlyTheTextBetweenThem)
{
    edit->SetRichText(QStringLiteral("<b>gras</b> normal <i>it<u>iu</u></i><s>x</S>"));
    EXPECT_EQ(edit->DisplayedText(), QStringLiteral("gras normal itiux"));
    EXPECT_EQ(edit->toPlainText(), edit->DisplayedText());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(At(i).fontWeight(), QFont::Bold) << i;
    for (int i = 4; i < 12; ++i) {
        EXPECT_EQ(At(i).fontWeight(), QFont::Normal) << i;
        EXPECT_FALSE(At(i).fontItalic()) << i;
    }
    EXPECT_TRUE(At(12).fontItalic());
    EXPECT_FALSE(At(13).fontUnderline());
    EXPECT_TRUE(At(14).fontItalic() && At(14).fontUnderline());
    EXPECT_TRUE(At(16).fontStrikeOut());
    EXPECT_FALSE(At(16).fontItalic());
    // Runs cover the displayed text without gap or overlap.
    int next = 0;
    for (const TLinkRun &r : edit->Rendering().Runs) {
        EXPECT_EQ(r.Start, next);
        next = r.Start + r.Length;
    }
    EXPECT_EQ(next, edit->DisplayedText().size());
}

TEST_F(LinkEdit, ColourSizeAndFontTags)
{
    edit->SetRichText(QStringLiteral("<color Navy>a</color>b<COLOR NAVY>c</COLOR>d<color nosuch>e"
                                     "<size 14>f</size>g<size abc>h<size 99999>i</size>"
                                     "<font Liberation Mono>j</font>k<color btnface>l"));
    EXPECT_EQ(edit->DisplayedText(), QStringLiteral("abcdefghijkl"));
    const QColor navy(0, 0, 128);
    EXPECT_EQ(At(0).foreground().color(), navy);
    EXPECT_EQ(At(1).foreground().color(), QColor(Qt::black));
    EXPECT_EQ(At(2).foreground().color(), navy);
    EXPECT_EQ(At(3).foreground().color(), QColor(Qt::black));
    EXPECT_EQ(At(4).foreground().color(), QColor(Qt::black)); // unknown name: unchanged
    EXPECT_EQ(At(5).fontPointSize(), 14);
    EXPECT_EQ(At(6).fontPointSize(), 10);
    EXPECT_EQ(At(7).fontPointSize(), TLinkMarkup::MinShownSize); // not a number: size 0
    EXPECT_EQ(At(8).fontPointSize(), TLinkMarkup::MaxShownSize);
    EXPECT_EQ(At(9).fontFamilies().toStringList(), QStringList{QStringLiteral("LIBERATION MONO")});
    EXPECT_EQ(At(10).fontFamilies().toStringList(), QStringList{QStringLiteral("Liberation Sans")});
    EXPECT_EQ(At(11).foreground().color(), edit->palette().color(QPalette::Button));
}

TEST_F(LinkEdit, LineBreaksAlignTheLineTheyEnd)
{
    edit->SetRichText(QStringLiteral("titre<br center>ligne<br>droite<br right>raw\r\nfin"));
    EXPECT_EQ(edit->DisplayedText(), QStringLiteral("titre\nligne\ndroite\nraw\nfin"));
    QTextDocument *doc = edit->document();
    ASSERT_EQ(doc->blockCount(), 5);
    EXPECT_EQ(doc->findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(doc->findBlockByNumber(1).blockFormat().alignment(), Qt::AlignLeft);
    EXPECT_EQ(doc->findBlockByNumber(2).blockFormat().alignment(), Qt::AlignRight);
    EXPECT_EQ(doc->findBlockByNumber(3).blockFormat().alignment(), Qt::AlignLeft);
    EXPECT_EQ(doc->findBlockByNumber(4).blockFormat().alignment(), Qt::AlignLeft);
    // Positions of the document are those of the displayed text.
    EXPECT_EQ(doc->findBlockByNumber(4).position(), edit->DisplayedText().indexOf(QStringLiteral("fin")));
}

TEST_F(LinkEdit, MalformedMarkup)
{
    edit->SetRichText(QStringLiteral("a<<>b<x<y>c<b"));
    EXPECT_EQ(edit->DisplayedText(), QStringLiteral("a<b<c")); // "<" inside a tag shows
    EXPECT_EQ(At(4).fontWeight(), QFont::Normal);              // unterminated tag: dropped, no effect
    edit->SetRichText(QStringLiteral("<size -3><color>< >"));
    EXPECT_EQ(edit->DisplayedText(), QString());
    // Attributes left open carry over to the next text of the same control.
    edit->SetRichText(QStringLiteral("<b>x"));
    edit->SetRichText(QStringLiteral("y"));
    EXPECT_EQ(At(0).fontWeight(), QFont::Bold);
}

TEST_F(LinkEdit, LinkPositions)
{
    const QString markup =
        QStringLiteral("<br><url Http://Site.ORG/A>site</url> <mail Me@Example.com>me</mail>"
                       " <link Target>go</link> after</url>x");
    edit->SetRichText(markup);
    EXPECT_EQ(edit->DisplayedText(), QStringLiteral("\nsite me go afterx"));
    EXPECT_FALSE(edit->LinkAt(0));
    for (int p = 1; p < 5; ++p) {
        const auto hit = edit->LinkAt(p);
        ASSERT_TRUE(hit) << p;
        EXPECT_EQ(hit->Target, QStringLiteral("Http://Site.ORG/A"));
        EXPECT_EQ(hit->Kind, TLinkKind::Url);
    }
    EXPECT_FALSE(edit->LinkAt(5));
    EXPECT_EQ(edit->LinkAt(6)->Kind, TLinkKind::Mail);
    EXPECT_EQ(edit->LinkAt(7)->Target, QStringLiteral("Me@Example.com"));
    EXPECT_EQ(edit->LinkAt(9)->Kind, TLinkKind::Custom);
    // A closing tag without an opening one makes no link.
    EXPECT_FALSE(edit->LinkAt(14));
    EXPECT_FALSE(edit->LinkAt(17));
    // Link text is coloured and underlined, the rest is not.
    EXPECT_EQ(At(1).foreground().color(), QColor(0, 0, 128));
    EXPECT_TRUE(At(1).fontUnderline());
    EXPECT_EQ(At(6).foreground().color(), QColor(0, 128, 0));
    EXPECT_FALSE(At(5).fontUnderline());
    // The links found while rendering are the same.
    ASSERT_EQ(edit->Rendering().Links.size(), 3u);
    EXPECT_EQ(edit->Rendering().Links[0].Start, 1);
    EXPECT_EQ(edit->Rendering().Links[0].End, 5);
}

TEST_F(LinkEdit, NestedLinksShareOneSavedState)
{
    edit->SetRichText(QStringLiteral("<url http://a>x<mail m@b>y</mail>z</url>w"));
    const QColor url(0, 0, 128), mail(0, 128, 0);
    EXPECT_EQ(At(0).foreground().color(), url);
    EXPECT_EQ(At(1).foreground().color(), mail);
    EXPECT_EQ(At(2).foreground().color(), url);
    // The url's closing tag restores what the mail tag saved: the url colour, underlined.
    EXPECT_EQ(At(3).foreground().color(), url);
    EXPECT_TRUE(At(3).fontUnderline());
}

TEST_F(LinkEdit, HoverAsksForTheHintAndClickReportsTheLink)
{
    edit->SetRichText(QStringLiteral("Voir le <url HTTP://Example.org/Page>site</url> ici."));
    QString hinted, clicked, hovered;
    edit->OnUrlHint = [&](const QString &link, QString &hint) {
        hinted = link;
        hint = QStringLiteral("Ouvrir ") + link;
    };
    edit->OnUrlClick = [&](const QString &link) { clicked = link; };
    QObject::connect(edit.get(), &TLinkEdit::linkHovered, [&](const QString &l, TLinkKind) { hovered = l; });

    const int site = edit->DisplayedText().indexOf(QStringLiteral("site"));
    EXPECT_EQ(edit->CharacterAt(PointOf(site + 1)), site + 1);
    Mouse(QEvent::MouseMove, PointOf(site + 1));
    EXPECT_EQ(hinted, QStringLiteral("HTTP://Example.org/Page"));
    EXPECT_EQ(hovered, hinted);
    EXPECT_EQ(edit->toolTip(), QStringLiteral("Ouvrir HTTP://Example.org/Page"));
    EXPECT_EQ(edit->viewport()->cursor().shape(), Qt::PointingHandCursor);

    Mouse(QEvent::MouseMove, PointOf(1));
    EXPECT_TRUE(edit->toolTip().isEmpty());
    EXPECT_NE(edit->viewport()->cursor().shape(), Qt::PointingHandCursor);

    Mouse(QEvent::MouseButtonPress, PointOf(site + 2));
    Mouse(QEvent::MouseButtonRelease, PointOf(site + 2));
    EXPECT_EQ(clicked, QStringLiteral("HTTP://Example.org/Page"));

    clicked.clear();
    Mouse(QEvent::MouseButtonPress, PointOf(2));
    Mouse(QEvent::MouseButtonRelease, PointOf(2));
    EXPECT_TRUE(clicked.isEmpty());
    // Beyond the end of the text there is no character.
    EXPECT_EQ(edit->CharacterAt(QPoint(480, 280)), -1);
}

TEST_F(LinkEdit, InternalCursorAndEventsByKind)
{
    edit->SetUseInternalCursor(true);
    edit->SetRichText(QStringLiteral("<mail Moi@Vardo.fr>mail</mail> et <link Aide>aide</link>"));
    QString mail, custom, url;
    edit->OnMailClick = [&](const QString &l) { mail = l; };
    edit->OnCustomLinkClick = [&](const QString &l) { custom = l; };
    edit->OnUrlClick = [&](const QString &l) { url = l; };
    // No hint handler: the internal cursor alone shows the hand over a link.
    Mouse(QEvent::MouseMove, PointOf(1));
    EXPECT_EQ(edit->viewport()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(edit->toolTip().isEmpty());
    Mouse(QEvent::MouseMove, PointOf(5));
    EXPECT_EQ(edit->viewport()->cursor().shape(), Qt::ArrowCursor);
    Mouse(QEvent::MouseButtonPress, PointOf(1));
    Mouse(QEvent::MouseButtonRelease, PointOf(1));
    const int aide = edit->DisplayedText().indexOf(QStringLiteral("aide"));
    Mouse(QEvent::MouseButtonPress, PointOf(aide));
    Mouse(QEvent::MouseButtonRelease, PointOf(aide));
    EXPECT_EQ(mail, QStringLiteral("Moi@Vardo.fr"));
    EXPECT_EQ(custom, QStringLiteral("Aide"));
    EXPECT_TRUE(url.isEmpty());
}
