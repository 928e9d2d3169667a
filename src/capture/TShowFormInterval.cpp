// Interval capture in the main window: its actions in gpal (before the menus and the tool bar
// bind to caIntervalloShow), its panel under the video, its count after a video was
// opened, and a close that waits for a run to end.
#include "actions/TCustomVDActionList.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TIntervalCapture.h"
#include "capture/TIntervalCaptureHost.h"
#include "capture/TShowForm.h"
#include "capture/Tintervalloframe.h"

#include <QPointer>

void TShowForm::AddIntervalActions()
{
    auto *host = new TIntervalCaptureHost(NavMan.get(), audman.get(), m_grabber, this);
    m_interval = new TIntervalCapture(*host, gpal, this);
    m_interval->setObjectName(QStringLiteral("Interval"));
    m_interval->SetPanel(qobject_cast<Tintervalloframe *>(intervalloframe));
    AfterOpenInterval = [this] { m_interval->Count(); };
    connect(m_interval, &TIntervalCapture::StepDone, this,
            [this](qint64 done, qint64 total) { m_prompts.Progress(done, total); });
    connect(m_interval, &TIntervalCapture::RunEnded, this, [this] {
        // The user went elsewhere during a long run: tell them it is over and where the images
        // are; a click shows the last one in its folder.
        if (!isActiveWindow() && m_interval->Taken() > 0) {
            const int taken = m_interval->Taken();
            m_prompts.Notify(QStringLiteral("Capture par intervalles terminée"),
                             QStringLiteral("%1 image%2 enregistrée%2 dans %3")
                                 .arg(taken)
                                 .arg(taken > 1 ? QStringLiteral("s") : QString())
                                 .arg(m_grabber->waDossierSave->Value),
                             [grabber = QPointer<TGrabber>(m_grabber)] {
                                 if (grabber)
                                     grabber->StatusLineClicked();
                             });
        }
        if (!m_closeAfterInterval)
            return;
        m_closeAfterInterval = false;
        // Queued: the end message's handler is still on the stack.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}

bool TShowForm::IntervalHoldsClose()
{
    if (!m_interval || !m_interval->Running())
        return false;
    // The run's loop is below this handler on the stack: closing now would pull the window
    // from under it. Stop it; the window closes once the run has ended.
    m_closeAfterInterval = true;
    naAbort->Apply();
    return true;
}
