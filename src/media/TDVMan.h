#pragma once
// The graph manager with the DV recording information of the stream being played: it attaches
// itself to one source whose notifier decodes the DV date and time code, receives the per-frame
// DV notifications and raises OnDVcode with ready-made texts. Main thread only.
#include "media/TGrapheMan.h"

class TavSource;

using TDVcodeEvent = std::function<void(const QString &dateCode, const QString &timecode)>;

class TDVMan : public TGrapheMan
{
    Q_OBJECT
public:
    explicit TDVMan(QObject *parent = nullptr);
    ~TDVMan() override;

    TavSource *DVCodeSource() const { return m_source; }
    // Attaches source (none detaches); the previous source's DV-frame channel goes off first.
    void SetDVCodeSource(TavSource *source);

    QString DateFormat; // handed to the attached source's own notifier (empty: short date + long time)
    bool DVCodeEnabled = false; // OnDVcode is raised only while true
    TDVcodeEvent OnDVcode;

protected:
    void WndProc(TMessage &message) override;

private:
    TavSource *m_source = nullptr;
};
