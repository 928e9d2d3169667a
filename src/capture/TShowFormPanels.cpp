// The settings panels of the main window. Those whose controls are not built yet are empty
// frames of the right size and place; their owners replace them here.
#include "capture/TShowForm.h"
#include "capture/Tintervalloframe.h"

#include <QFrame>

namespace {

QWidget *EmptyPanel(QWidget *client, const QString &name)
{
    auto *f = new QFrame(client);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    f->resize(TShowFormLayout::PanelWidth, 400);
    f->hide();
    return f;
}

} // namespace

void TShowForm::CreatePanels(QWidget *client)
{
    intervalloframe = new Tintervalloframe(client);
    intervalloframe->hide();
    intervalloframe->installEventFilter(this);
    SaveImagesFrame = EmptyPanel(client, QStringLiteral("SaveImagesFrame"));
    ImagetteFrame = EmptyPanel(client, QStringLiteral("ImagetteFrame"));
    OptionsFrame = EmptyPanel(client, QStringLiteral("OptionsFrame"));
    DVIncrustFrame = EmptyPanel(client, QStringLiteral("DVIncrustFrame"));
    IncrustFrame = EmptyPanel(client, QStringLiteral("IncrustFrame"));
    AboutFrame = EmptyPanel(client, QStringLiteral("AboutFrame"));
}
