#include "media/TDVMan.h"

#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "media/TframeData.h"

#include <QCoreApplication>

TDVMan::TDVMan(QObject *parent)
    : TGrapheMan(parent), m_dvInbox([this](const TDvFrameMsg &m) { OnDvFrame(m); })
{}

TDVMan::~TDVMan()
{
    // The notifiers in the graph post to m_dvInbox: it is closed, then the graph goes down
    // while it still exists.
    CloseDvInbox();
    StopStreaming();
}

void TDVMan::SetDVCodeSource(TavSource *source)
{
    if (m_source && m_source->DvNotifier())
        m_source->DvNotifier()->SetNotifyDvFrame(false);
    m_source = source;
    if (source) {
        source->SetDvFrameTarget(&m_dvInbox);
        source->SetNotifyDvFrame(true);
        source->OwnNotifier()->SetDateFormat(DateFormat);
    }
}

void TDVMan::DeliverPostedDvFrames()
{
    QCoreApplication::sendPostedEvents(&m_dvInbox);
}

// Main thread.
void TDVMan::OnDvFrame(const TDvFrameMsg &message)
{
    if (!OnDVcode || !DVCodeEnabled)
        return;
    const TframeData &frame = message.frame;
    const QString date = frame.DateValid ? frame.DateStr : QStringLiteral("Pas de Datecode");
    const QString tc = frame.TimecodeValid ? frame.TimecodeStr : QStringLiteral("Pas de Timecode");
    OnDVcode(date, tc);
}
