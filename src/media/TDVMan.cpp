#include "media/TDVMan.h"

#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "media/TframeData.h"

TDVMan::TDVMan(QObject *parent) : TGrapheMan(parent)
{}

TDVMan::~TDVMan() = default;

void TDVMan::SetDVCodeSource(TavSource *source)
{
    if (m_source && m_source->DvNotifier())
        m_source->DvNotifier()->SetNotifyDvFrame(false);
    m_source = source;
    if (source) {
        source->SetDvFrameTarget(Receiver());
        source->SetNotifyDvFrame(true);
        source->OwnNotifier()->SetDateFormat(DateFormat);
    }
}

// Main thread.
void TDVMan::WndProc(TMessage &message)
{
    if (message.msg != WM_NOTIFY_DVFRAME) {
        TGrapheMan::WndProc(message);
        return;
    }
    if (!OnDVcode || !DVCodeEnabled)
        return;
    const auto *frame = std::any_cast<TframeData>(&message.payload);
    if (!frame)
        return;
    const QString date = frame->DateValid ? frame->DateStr : QStringLiteral("Pas de Datecode");
    const QString tc = frame->TimecodeValid ? frame->TimecodeStr : QStringLiteral("Pas de Timecode");
    OnDVcode(date, tc);
}
