#pragma once
// A list box of objects: each item shows an entry's display text and owns the entry, and the
// items are kept in the order of the entries' sort keys for the current order (alphabetical,
// by shortcut, by switch...). One entry per key: adding an entry whose key is already listed
// replaces the older one (a resort keeps every entry). The box reports its counts (and shows them as its
// hint) and the entry that became active after every change, mouse release and navigation key.
//
// Main thread only.
#include <QListWidget>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// An order of a list: told apart by Key; the two texts describe it.
struct TSortIndex
{
    QString Key;
    QString Description;
    QString ShortDescription;

    static TSortIndex Alpha();
    static TSortIndex Raccourci();
    static TSortIndex Switch();
    // File-list orders: no entry of this program computes keys for them.
    static TSortIndex Taille();
    static TSortIndex Modify();
    static TSortIndex Extension();
    static TSortIndex Path();
};

// A list entry: its display text and alphabetical key, and its key in any order.
class TAbstractListObjet
{
public:
    virtual ~TAbstractListObjet() = default;
    QString DisplayText() const { return m_displayText; }
    QString AlphaKey() const { return m_alphaKey; }
    virtual QString GetSortKey(const TSortIndex &order) const;

protected:
    TAbstractListObjet(const QString &displayText, const QString &alphaKey)
        : m_displayText(displayText), m_alphaKey(alphaKey)
    {}

private:
    QString m_displayText;
    QString m_alphaKey;
};

class TObjetListBox : public QListWidget
{
    Q_OBJECT
public:
    using TonCountsChangeEvent = std::function<void(int iselcount, int icount)>;
    using TonActiveChangeEvent = std::function<void(TAbstractListObjet *actif)>;

    explicit TObjetListBox(QWidget *parent = nullptr);
    ~TObjetListBox() override;

    TSortIndex SortIndex() const { return m_sortIndex; }
    void SetSortIndex(const TSortIndex &order) { m_sortIndex = order; }
    bool KeyDelete() const { return m_keyDelete; }
    void SetKeyDelete(bool on) { m_keyDelete = on; }
    TonCountsChangeEvent OnCountsChange;
    TonActiveChangeEvent OnActiveChange;

    // Inserts the entry (the box takes it) at the place of its key; returns that place.
    int AddObjet(std::unique_ptr<TAbstractListObjet> entry, bool select);
    // Rebuilds the items in the current order, the selected entry staying selected.
    void Resort();
    // Selects item i (-1: none) and reports.
    void SelectIndex(int i);
    void DeleteSelected();
    void ClearAll();

    int Count() const { return int(m_entries.size()); }
    TAbstractListObjet *Objet(int i) const;
    // The key of item i in the current order.
    QString SortKey(int i) const;
    int SelectedIndex() const { return currentRow(); }
    TAbstractListObjet *Active() const { return m_active; }

    // Reports the counts (hint and OnCountsChange) and the active entry.
    void ReportCounts();
    void ReportActive();

protected:
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;

private:
    // The sorted position of key, and whether an equal key (case ignored) is there.
    std::pair<int, bool> Locate(const QString &key) const;
    // The place after every key equal to key.
    int UpperBound(const QString &key) const;
    int SelectionCount() const;

    TSortIndex m_sortIndex;
    bool m_keyDelete = false;
    std::vector<std::unique_ptr<TAbstractListObjet>> m_entries;
    QStringList m_keys;
    int m_lastCount = -1;
    int m_lastSelCount = -1;
    TAbstractListObjet *m_active = nullptr;
};
