#pragma once
// The graph manager with the DV recording information of the stream being played: it attaches
// itself to one source whose notifier decodes the DV date and time code, receives the per-frame
// DV notifications and raises OnDVcode with ready-made texts. Main thread only.
#include "core/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TGrapheMan.h"

class TavSource;

using TDVcodeEvent = std::function<void(const QString &dateCode, const QString &timecode)>;

class TDVMan : public TGrapheMan
{
    Q_OBJECT
public:
    explicit TDVMan(QObject *parent = nullptr);
    ~TDVMan() override;

    // Where the attached source's notifier posts the per-frame DV values (any thread).
    TInbox<TDvFrameMsg> *DvFrameInbox() { return &m_dvInbox; }

    TavSource *DVCodeSource() const { return m_source; }
    // Attaches source (none detaches); the previous source's DV-frame channel goes off first.
    void SetDVCodeSource(TavSource *source);

    QString DateFormat; // handed to the attached source's own notifier (empty: short date + long time)
    bool DVCodeEnabled = false; // OnDVcode is raised only while true
    TDVcodeEvent OnDVcode;

protected:
    // Main thread: no DV frame reaches this manager from now on (see TMessageReceiverBase::close).
    void CloseDvInbox() { m_dvInbox.close(); }
    // Main thread: the DV frames already posted to this manager, handled now.
    void DeliverPostedDvFrames();

private:
    void OnDvFrame(const TDvFrameMsg &message);

    // Declared first: it lives until the graph is down (StopStreaming in the destructor).
    TMessageReceiver<TDvFrameMsg> m_dvInbox;
    TavSource *m_source = nullptr;
};
