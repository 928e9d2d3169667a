// Interval capture in the main window: its actions in gpal (before the menus and the tool bar
// look caIntervalloShow up by name), its panel under the video, its count after a video was
// opened, and a close that waits for a run to end.
#include "actions/TCustomVDActionList.h"
#include "actions/TNopeAction.h"
#include "capture/TIntervalCapture.h"
#include "capture/TIntervalCaptureHost.h"
#include "capture/TShowForm.h"
#include "capture/Tintervalloframe.h"

void TShowForm::AddIntervalActions()
{
    auto *host = new TIntervalCaptureHost(NavMan, audman, grabber, this);
    Interval = new TIntervalCapture(*host, gpal, this);
    Interval->setObjectName(QStringLiteral("Interval"));
    Interval->SetPanel(qobject_cast<Tintervalloframe *>(intervalloframe));
    AfterOpenInterval = [this] { Interval->Count(); };
    connect(Interval, &TIntervalCapture::RunEnded, this, [this] {
        if (!m_closeAfterInterval)
            return;
        m_closeAfterInterval = false;
        // Queued: the end message's handler is still on the stack.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}

bool TShowForm::IntervalHoldsClose()
{
    if (!Interval || !Interval->Running())
        return false;
    // The run's loop is below this handler on the stack: closing now would pull the window
    // from under it. Stop it; the window closes once the run has ended.
    m_closeAfterInterval = true;
    naAbort->Apply();
    return true;
}
