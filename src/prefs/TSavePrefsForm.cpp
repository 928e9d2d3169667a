#include "prefs/TSavePrefsForm.h"

#include "widgets/TLinkEdit.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

const QString TSavePrefsForm::kRichText = QStringLiteral(
    "<br><size 10><i>Voulez-vous enregistrer vos préférences pour pouvoir les retrouver au prochain "
    "lancement?<br><br>Cliquez sur votre choix:</i><br><br>* soit pour les enregistrer dans le registre "
    "(mode normal).<br>* soit pour les enregistrer dans un fichier ini (mode portable).<br>* soit pour ne "
    "pas les enregistrer. Dans ce cas, elles seront perdues et les valeurs par défaut seront chargées lors "
    "du prochain lancement.<br></size>");

namespace {

// The button images, drawn: a cabinet of drawers (per-user store), a sheet of paper (file),
// a struck circle (nothing).
QIcon DrawIcon(int kind)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    switch (kind) {
    case 0:
        p.setBrush(QColor(200, 170, 110));
        p.drawRect(QRectF(6, 3, 20, 26));
        for (int i = 0; i < 3; ++i) {
            p.drawRect(QRectF(8, 5 + i * 8, 16, 6));
            p.drawLine(QPointF(14, 8 + i * 8), QPointF(18, 8 + i * 8));
        }
        break;
    case 1: {
        p.setBrush(Qt::white);
        QPainterPath path;
        path.moveTo(7, 3);
        path.lineTo(20, 3);
        path.lineTo(26, 9);
        path.lineTo(26, 29);
        path.lineTo(7, 29);
        path.closeSubpath();
        p.drawPath(path);
        p.drawLine(QPointF(20, 3), QPointF(20, 9));
        p.drawLine(QPointF(20, 9), QPointF(26, 9));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(10, 14 + i * 4), QPointF(23, 14 + i * 4));
        break;
    }
    default:
        p.setPen(QPen(QColor(190, 30, 30), 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 5, 22, 22));
        p.drawLine(QPointF(9, 23), QPointF(23, 9));
        break;
    }
    return QIcon(pm);
}

} // namespace

TSavePrefsForm::TSavePrefsForm(QWidget *parent) : QDialog(parent)
{
    setModal(true);
    setFixedSize(551, 364);
    m_label = new TLinkEdit(this);
    m_label->setFrameShape(QFrame::NoFrame);
    m_label->SetRichText(kRichText);
    m_label->setGeometry(16, 8, 551 - 32, 364 - 8 - 60 - 32);

    struct B
    {
        QPushButton **button;
        const char *text;
        QString hint;
        TSavePreferences mode;
    };
    const B buttons[] = {
        {&m_normal, "Normal",
         QStringLiteral(
             "Enregistre les préférences dans le registre.\nSi un fichier ini existait, il est supprimé."),
         spRegistre},
        {&m_portable, "Portable",
         QStringLiteral("Enregistre les préférences dans un fichier ini.\nEfface les valeurs contenues dans "
                        "le registre."),
         spPortable},
        {&m_aucun, "Aucun",
         QStringLiteral(
             "Quitte sans enregistrer les préférences.\nSi elles existaient dans un fichier ini ou dans le "
             "registre,\nelles sont effacées."),
         spNone},
    };
    // Three buttons of 120 x 60 in a row, centred below the text.
    const int gap = (551 - 3 * 120) / 4;
    for (int i = 0; i < 3; ++i) {
        auto *b = new QPushButton(QString::fromLatin1(buttons[i].text), this);
        b->setGeometry(gap + i * (120 + gap), 364 - 60 - 20, 120, 60);
        b->setToolTip(buttons[i].hint);
        b->setIcon(DrawIcon(i));
        b->setIconSize(QSize(32, 32));
        b->setAutoDefault(false);
        const TSavePreferences mode = buttons[i].mode;
        connect(b, &QPushButton::clicked, this, [this, mode] { Choose(mode); });
        *buttons[i].button = b;
    }
}

void TSavePrefsForm::Choose(TSavePreferences mode)
{
    m_mode = mode;
    m_answered = true;
    accept();
}

bool TSavePrefsForm::Ask()
{
    m_answered = false;
    m_mode = spRegistre;
    exec();
    return m_answered;
}
