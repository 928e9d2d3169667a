#pragma once
// The dialog that asks, at the first close, where the preferences are to be kept: a text at
// the top and three buttons, "Normal" (per-user store), "Portable" (ini file beside the
// program) and "Aucun" (nothing saved, existing data deleted). Each button records its mode,
// marks the dialog as answered and closes it; closing it by its frame leaves it unanswered.
#include "prefs/TVardoPreferences.h"

#include <QDialog>

class QPushButton;
class TLinkEdit;

class TSavePrefsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSavePrefsForm(QWidget *parent = nullptr);

    // The label's marked-up text.
    static const QString kRichText;

    // Clears the answer, shows the dialog modally; true when a button was used.
    bool Ask();
    bool Answered() const { return m_answered; }
    TSavePreferences ChosenMode() const { return m_mode; }

    QPushButton *NormalButton() const { return m_normal; }
    QPushButton *PortableButton() const { return m_portable; }
    QPushButton *AucunButton() const { return m_aucun; }
    TLinkEdit *Label() const { return m_label; }

private:
    void Choose(TSavePreferences mode);

    TLinkEdit *m_label = nullptr;
    QPushButton *m_normal = nullptr;
    QPushButton *m_portable = nullptr;
    QPushButton *m_aucun = nullptr;
    TSavePreferences m_mode = spRegistre;
    bool m_answered = false;
};
