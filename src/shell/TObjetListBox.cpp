#include "shell/TObjetListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

TSortIndex TSortIndex::Alpha()
{
    return {QStringLiteral("alpha"), QStringLiteral("par ordre alphabétique"),
            QStringLiteral("tri alphabétique")};
}
TSortIndex TSortIndex::Raccourci()
{
    return {QStringLiteral("raccourci"), QStringLiteral("selon le raccourci"),
            QStringLiteral("trié selon le raccourci")};
}
TSortIndex TSortIndex::Switch()
{
    return {QStringLiteral("switch"), QStringLiteral("selon le switch"),
            QStringLiteral("trié selon le switch")};
}
TSortIndex TSortIndex::Taille()
{
    return {QStringLiteral("taille"), QStringLiteral("selon la taille"),
            QStringLiteral("trié selon la taille")};
}
TSortIndex TSortIndex::Modify()
{
    return {QStringLiteral("modify"), QStringLiteral("selon la date"), QStringLiteral("trié selon la date")};
}
TSortIndex TSortIndex::Extension()
{
    return {QStringLiteral("extension"), QStringLiteral("selon l'extension"),
            QStringLiteral("trié selon l'extension")};
}
TSortIndex TSortIndex::Path()
{
    return {QStringLiteral("path"), QStringLiteral("selon le chemin"),
            QStringLiteral("trié selon le chemin")};
}

QString TAbstractListObjet::GetSortKey(const TSortIndex &order) const
{
    return order.Key == TSortIndex::Alpha().Key ? m_alphaKey : QString();
}

TObjetListBox::TObjetListBox(QWidget *parent) : QListWidget(parent), m_sortIndex(TSortIndex::Alpha())
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Whole items only.
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

TObjetListBox::~TObjetListBox() = default;

std::pair<int, bool> TObjetListBox::Locate(const QString &key) const
{
    auto less = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; };
    const auto it = std::lower_bound(m_keys.cbegin(), m_keys.cend(), key, less);
    const int p = int(it - m_keys.cbegin());
    return {p, it != m_keys.cend() && it->compare(key, Qt::CaseInsensitive) == 0};
}

int TObjetListBox::UpperBound(const QString &key) const
{
    auto less = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; };
    return int(std::upper_bound(m_keys.cbegin(), m_keys.cend(), key, less) - m_keys.cbegin());
}

int TObjetListBox::AddObjet(std::unique_ptr<TAbstractListObjet> entry, bool select)
{
    if (!entry)
        return -1;
    const QString key = entry->GetSortKey(m_sortIndex);
    const auto [p, exists] = Locate(key);
    if (!exists) {
        m_keys.insert(p, key);
        const QString text = entry->DisplayText();
        m_entries.insert(m_entries.begin() + p, std::move(entry));
        // The current row is a persistent index: it moves down with the items after p.
        insertItem(p, text);
        if (select || p == currentRow())
            item(p)->setSelected(true);
    } else {
        if (m_active == m_entries[size_t(p)].get())
            m_active = nullptr;
        item(p)->setText(entry->DisplayText());
        m_entries[size_t(p)] = std::move(entry);
    }
    if (count() == 1)
        SelectIndex(0);
    ReportCounts();
    return p;
}

void TObjetListBox::Resort()
{
    const int sel = currentRow();
    TAbstractListObjet *remembered = sel >= 0 ? m_entries[size_t(sel)].get() : nullptr;
    std::vector<std::unique_ptr<TAbstractListObjet>> entries;
    entries.swap(m_entries);
    m_keys.clear();
    {
        const QSignalBlocker block(this);
        clear();
    }
    int again = -1;
    for (auto &e : entries) {
        const QString key = e->GetSortKey(m_sortIndex);
        // Entries already listed stay listed whatever the order: equal keys (an order that
        // gives every entry the empty key, such as the file orders) keep their former order.
        const int p = UpperBound(key);
        m_keys.insert(p, key);
        insertItem(p, e->DisplayText());
        m_entries.insert(m_entries.begin() + p, std::move(e));
    }
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].get() == remembered)
            again = int(i);
    if (m_active && again < 0)
        m_active = nullptr;
    SelectIndex(again >= 0 ? again : (remembered ? 0 : -1));
}

void TObjetListBox::SelectIndex(int i)
{
    if (i < -1 || i >= count())
        return;
    if (i < 0) {
        clearSelection();
        setCurrentRow(-1);
    } else {
        setCurrentRow(i, QItemSelectionModel::ClearAndSelect);
    }
    ReportActive();
    ReportCounts();
}

TAbstractListObjet *TObjetListBox::Objet(int i) const
{
    return i >= 0 && i < Count() ? m_entries[size_t(i)].get() : nullptr;
}

QString TObjetListBox::SortKey(int i) const
{
    return m_keys.value(i);
}

int TObjetListBox::SelectionCount() const
{
    int n = 0;
    for (int i = 0; i < count(); ++i)
        n += item(i)->isSelected() ? 1 : 0;
    return n;
}

void TObjetListBox::ReportCounts()
{
    const int n = count();
    const int sel = SelectionCount();
    if (n != m_lastCount || sel != m_lastSelCount) {
        m_lastCount = n;
        m_lastSelCount = sel;
        setToolTip(sel < 2 ? QStringLiteral("un item sélectionné sur %1").arg(n)
                           : QStringLiteral("%1 items sélectionnés sur %2").arg(sel).arg(n));
    }
    if (auto f = OnCountsChange)
        f(sel, n);
}

void TObjetListBox::ReportActive()
{
    const int i = currentRow();
    if (i < 0 || i >= count()) {
        if (i >= count())
            setCurrentRow(-1);
        if (m_active) {
            m_active = nullptr;
            if (auto f = OnActiveChange)
                f(nullptr);
        }
        return;
    }
    if (!item(i)->isSelected())
        item(i)->setSelected(true);
    TAbstractListObjet *e = m_entries[size_t(i)].get();
    if (e != m_active && OnActiveChange) {
        m_active = e;
        auto f = OnActiveChange;
        f(e);
    }
}

void TObjetListBox::mouseReleaseEvent(QMouseEvent *e)
{
    QListWidget::mouseReleaseEvent(e);
    ReportCounts();
    ReportActive();
}

void TObjetListBox::keyReleaseEvent(QKeyEvent *e)
{
    QListWidget::keyReleaseEvent(e);
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return;
    switch (e->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
        break;
    case Qt::Key_Delete:
        if (!(e->modifiers() & Qt::ShiftModifier) && m_keyDelete)
            DeleteSelected();
        break;
    default:
        return;
    }
    ReportCounts();
    ReportActive();
}

void TObjetListBox::DeleteSelected()
{
    int lowest = -1;
    for (int i = count() - 1; i >= 0; --i) {
        if (!item(i)->isSelected())
            continue;
        if (m_active == m_entries[size_t(i)].get())
            m_active = nullptr;
        delete takeItem(i);
        m_entries.erase(m_entries.begin() + i);
        m_keys.removeAt(i);
        lowest = i;
    }
    if (count() == 0) {
        SelectIndex(-1);
        return;
    }
    SelectIndex(lowest <= 0 ? 0 : std::min(lowest - 1, count() - 1));
}

void TObjetListBox::ClearAll()
{
    {
        const QSignalBlocker block(this);
        clear();
    }
    m_keys.clear();
    // The active entry is only compared from here on (ReportActive tells its end), never read.
    m_entries.clear();
    SelectIndex(-1);
}
