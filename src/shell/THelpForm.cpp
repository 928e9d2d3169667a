#include "shell/THelpForm.h"

#include "actions/TCustomAbstractAction.h"
#include "actions/TCustomVDActionList.h"
#include "widgets/TLinkEdit.h"

#include "shell/QsciHeaders.h"

#include <QCloseEvent>
#include <QMenu>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>

TActionObjet::TActionObjet(TCustomAbstractAction *action)
    : TAbstractListObjet(action ? action->ScriptName() : QString(),
                         action ? action->ScriptName() : QString()),
      m_action(action)
{}

QString TActionObjet::ShortcutText(const TCustomAbstractAction *action)
{
    return action ? action->ShortCut().toString(QKeySequence::PortableText) : QString();
}

QString TActionObjet::SecondaryShortcutsText(const TCustomAbstractAction *action)
{
    QStringList keys;
    if (action)
        for (const QKeySequence &k : action->SecondaryShortcuts())
            if (!k.isEmpty())
                keys << k.toString(QKeySequence::PortableText);
    return keys.join(QStringLiteral(", "));
}

QString TActionObjet::GetSortKey(const TSortIndex &order) const
{
    if (order.Key == TSortIndex::Alpha().Key)
        return AlphaKey();
    if (!m_action)
        return QString();
    if (order.Key == TSortIndex::Raccourci().Key) {
        const QString s = ShortcutText(m_action);
        return (s.isEmpty() ? QStringLiteral("zzz") : s) + m_action->ScriptName();
    }
    if (order.Key == TSortIndex::Switch().Key) {
        const QString s = m_action->Switch();
        return (s.isEmpty() ? QStringLiteral("zzz") : s) + m_action->ScriptName();
    }
    return QString();
}

namespace {

// Geometry of the window as designed: the tabs on the left, the fields on the right.
constexpr int kFieldsLeft = 335;
constexpr int kFieldsWidth = 493;
constexpr int kMargin = 8;

} // namespace

THelpForm::THelpForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("Aide pour Raccourcis, Script et Macros"));
    resize(859, 609);

    m_pc = new QTabWidget(this);
    m_pc->setObjectName(QStringLiteral("pc"));
    m_pc->setGeometry(8, 2, 321, 543);
    // Many groups wrap rather than scroll out of sight.
    m_pc->tabBar()->setExpanding(false);
    connect(m_pc, &QTabWidget::currentChanged, this, [this] {
        if (TObjetListBox *lb = CurrentList())
            lbClick(lb);
    });

    m_pmenu = new QMenu(this);
    m_pmenu->setObjectName(QStringLiteral("pmenu"));
    m_pmenu->addAction(QStringLiteral("Ordre alphabétique"), this, [this] { trier(TSortIndex::Alpha()); });
    m_pmenu->addAction(QStringLiteral("Trier par Raccourcis"), this,
                       [this] { trier(TSortIndex::Raccourci()); });
    m_pmenu->addAction(QStringLiteral("Trier par Switch"), this, [this] { trier(TSortIndex::Switch()); });

    m_leName = MakeField(QColor(192, 220, 192), 23, true, false, Qt::blue);
    m_leName->setObjectName(QStringLiteral("leName"));
    m_leName->setGeometry(kFieldsLeft, 10, kFieldsWidth, 49);
    m_leHint = MakeField(palette().color(QPalette::ToolTipBase), 15, false, false, Qt::black);
    m_leHint->setObjectName(QStringLiteral("leHint"));
    m_leHint->setGeometry(kFieldsLeft, 59, kFieldsWidth, 74);

    m_leSyntaxe = new QsciScintilla(this);
    m_leSyntaxe->setObjectName(QStringLiteral("leSyntaxe"));
    auto *lexer = new QsciLexerPascal(m_leSyntaxe);
    QFont code(QStringLiteral("Courier New"));
    code.setStyleHint(QFont::TypeWriter);
    // Scintilla and the link label read point sizes: the design's pixels at 96 dots per inch.
    code.setPointSizeF(17 * 0.75);
    lexer->setDefaultFont(code);
    m_leSyntaxe->setLexer(lexer);
    // The lexer's styles carry their own fonts: every one of them gets the viewer's.
    for (int style = 0; style <= QsciScintillaBase::STYLE_MAX; ++style)
        if (!lexer->description(style).isEmpty())
            lexer->setFont(code, style);
    m_leSyntaxe->setFont(code);
    // A declaration is one or two lines: no scroll bar eats into the field.
    m_leSyntaxe->SendScintilla(QsciScintillaBase::SCI_SETHSCROLLBAR, 0L);
    m_leSyntaxe->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_leSyntaxe->setReadOnly(true);
    m_leSyntaxe->setMarginWidth(0, 0);
    m_leSyntaxe->setMarginWidth(1, 0);
    m_leSyntaxe->setCaretLineVisible(false);
    m_leSyntaxe->setWrapMode(QsciScintilla::WrapNone);
    // Two lines of 17-pixel code need a little more than the 39 pixels of the design.
    m_leSyntaxe->setGeometry(kFieldsLeft, 138, kFieldsWidth, 46);

    m_leSwitch = MakeField(QColor(192, 192, 192), 17, false, false, Qt::black);
    m_leSwitch->setObjectName(QStringLiteral("leSwitch"));
    m_leSwitch->setGeometry(kFieldsLeft, 187, kFieldsWidth, 35);
    m_leCommentaire = MakeField(palette().color(QPalette::Window), 15, false, true, Qt::black);
    m_leCommentaire->setObjectName(QStringLiteral("leCommentaire"));
    m_leCommentaire->setGeometry(kFieldsLeft, 226, kFieldsWidth, 307);
}

THelpForm::~THelpForm() = default;

TLinkEdit *THelpForm::MakeField(const QColor &background, int pixels, bool bold, bool italic,
                                const QColor &color)
{
    auto *f = new TLinkEdit(this);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pixels * 0.75);
    font.setBold(bold);
    font.setItalic(italic);
    f->setFont(font);
    f->SetFontColor(color);
    QPalette pal = f->palette();
    pal.setColor(QPalette::Base, background);
    f->setPalette(pal);
    f->setAutoFillBackground(true);
    return f;
}

TObjetListBox *THelpForm::ListOf(const QString &name) const
{
    for (int i = 0; i < m_pc->count(); ++i)
        if (m_pc->tabText(i) == name)
            return qobject_cast<TObjetListBox *>(m_pc->widget(i));
    return nullptr;
}

TObjetListBox *THelpForm::CurrentList() const
{
    return qobject_cast<TObjetListBox *>(m_pc->currentWidget());
}

void THelpForm::AddList(const QString &name, TCustomVDActionList *list)
{
    if (!list)
        return;
    TObjetListBox *lb = ListOf(name);
    if (!lb) {
        lb = new TObjetListBox;
        lb->setObjectName(QStringLiteral("lb%1").arg(m_pc->count() + 1));
        lb->setToolTip(QStringLiteral("Cliquez avec le bouton droit pour trier"));
        lb->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(lb, &QWidget::customContextMenuRequested, this,
                [this, lb](const QPoint &p) { m_pmenu->popup(lb->viewport()->mapToGlobal(p)); });
        connect(lb, &QListWidget::itemClicked, this, [this, lb] { lbClick(lb); });
        connect(lb, &QListWidget::currentRowChanged, this, [this, lb] { lbClick(lb); });
        connect(lb, &QListWidget::itemDoubleClicked, this, [this, lb] { lbDblClick(lb); });
        m_pc->addTab(lb, name);
    }
    for (TCustomAbstractAction *a : list->TypedActions())
        lb->AddObjet(std::make_unique<TActionObjet>(a), false);
    if (lb->Count() > 0) {
        lb->SetSortIndex(TSortIndex::Alpha());
        lb->Resort();
        lb->SelectIndex(0);
        lbClick(lb);
    }
}

void THelpForm::lbClick(TObjetListBox *lb)
{
    if (!lb)
        return;
    auto *entry = dynamic_cast<TActionObjet *>(lb->Objet(lb->SelectedIndex()));
    TCustomAbstractAction *a = entry ? entry->Action() : nullptr;
    if (!a)
        return;
    // The second keys (a media player's Space, arrows, Home/End...) after the shortcut.
    const QString more = TActionObjet::SecondaryShortcutsText(a);
    m_leName->SetRichText(a->ScriptName() + QStringLiteral("    <size 12><color Black>") +
                          TActionObjet::ShortcutText(a) + QStringLiteral("</color></size>") +
                          (more.isEmpty() ? QString()
                                          : QStringLiteral("<size 10><color Navy>    aussi : ") + more +
                                                QStringLiteral("</color></size>")));
    m_leHint->SetRichText(a->Hint());
    m_leSyntaxe->setText(a->GetScriptDeclaration());
    const QString syntax = a->Switch().isEmpty() ? QStringLiteral("N/A") : a->GetSwitchSyntax();
    m_leSwitch->SetRichText(QStringLiteral("<i>Switch:    </i><B><color Navy><size 10>") + syntax +
                            QStringLiteral("</size></color></B>"));
    m_leCommentaire->SetRichText(a->Comments().join(QStringLiteral("\r\n")));
}

void THelpForm::lbDblClick(TObjetListBox *lb)
{
    auto *entry = lb ? dynamic_cast<TActionObjet *>(lb->Objet(lb->SelectedIndex())) : nullptr;
    TCustomAbstractAction *a = entry ? entry->Action() : nullptr;
    // QAction::trigger does nothing for a disabled action, as its menu item would.
    if (a && a->isEnabled())
        a->trigger();
}

void THelpForm::trier(const TSortIndex &order)
{
    for (int i = 0; i < m_pc->count(); ++i)
        if (auto *lb = qobject_cast<TObjetListBox *>(m_pc->widget(i))) {
            lb->SetSortIndex(order);
            lb->Resort();
        }
}

void THelpForm::closeEvent(QCloseEvent *e)
{
    QWidget::closeEvent(e);
    if (e->isAccepted() && OnClosed)
        OnClosed();
}

void THelpForm::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    const int h = height();
    m_pc->resize(m_pc->width(), std::max(40, h - m_pc->y() - kMargin));
    const int w = std::max(80, width() - m_leName->x() - kMargin);
    m_leName->resize(w, m_leName->height());
    m_leHint->resize(w, m_leHint->height());
    m_leSyntaxe->resize(w, m_leSyntaxe->height());
    m_leSwitch->resize(w, m_leSwitch->height());
    m_leCommentaire->resize(w, std::max(40, h - m_leCommentaire->y() - kMargin));
    update();
}

void THelpForm::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        if (TObjetListBox *lb = CurrentList())
            lbClick(lb);
}
