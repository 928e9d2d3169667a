#pragma once
// Interval capture: grabs a series of images at a regular spacing through the video, from the
// position at which the count was last computed to the end, one image every N frames, seconds
// or minutes. Each step seeks frame-exactly and then runs the ordinary grab (naming, overlay,
// overwrite question and all).
//
// The run is a loop on the main thread inside naIntervalloStart's apply handler. It lets the
// event loop run after every seek, so the switch, naIntervalloBreak, Esc (naAbort) and the
// close of the window are handled while it goes on; they set the shared stop flag, which the
// loop reads once per step, before its seek. The loop ends by posting TIntervalEndMsg to
// its own message receiver: the end steps (back to the start, volume, panel, new count) run
// only once the loop has left the stack.
//
// The loop talks to the rest of the window through IIntervalHost (navigation, audio, grab,
// stop flag), so it does not depend on how the managers are put together.
//
// Main thread only.
#include "core/TMessageReceiver.h"

#include <QObject>
#include <QPointer>

#include <cstdint>

class TCheckAction;
class TCustomVDActionList;
class TIntegerAction;
class TNopeAction;
class Tintervalloframe;

// The posted message that ends a run (WM_INTERVALLO_END).
struct TIntervalEndMsg
{
};

// What a run needs from the window. Every call is made on the main thread.
class IIntervalHost
{
public:
    virtual ~IIntervalHost() = default;
    // Navigation manager: frame duration, media duration and current position (100 ns units).
    virtual std::int64_t FrameDuration() = 0;
    virtual std::int64_t MediaDuration() = 0;
    virtual std::int64_t GetPosition() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void GoToStart() = 0;
    // Returns once the frame at target is the one shown (or the seek failed).
    virtual void SeekPrecise(std::int64_t target) = 0;
    // Audio manager: the renderer's volume (0..10000) and the volume setting to come back to.
    virtual void SetVolume(int volume) = 0;
    virtual int VolumeSetting() = 0;
    // A video stream is loaded (a run ends when the video is closed under it).
    virtual bool HasVideo() = 0;
    // naGrab's handler (not the action: nothing is recorded in a macro). False only when the
    // image could not be written (the grab has then told the user why); a save the user
    // declined is not a failure.
    virtual bool Grab() = 0;
    // The stop flag shared with the grab's overwrite question ("Annuler") and naAbort.
    virtual bool StopRequested() = 0;
    virtual void SetStopRequested(bool stop) = 0;
    // Lets the event loop handle what is pending.
    virtual void ProcessMessages() = 0;
    // The video file as the run found it, and whether it changed since (cut, rewritten).
    virtual void NoteVideoFile() {}
    virtual bool VideoFileChanged() { return false; }
    // A frame the run asked for could not be read from a file that changed under it: said
    // once, and the run fails as a grab that could not be written does.
    virtual void FrameLost(std::int64_t target) {}
};

class TIntervalCapture : public QObject
{
    Q_OBJECT
public:
    // The values are those of iaIntervalloUnit (stored, and the panel's list order).
    enum class TUnit : int { iuFrames = 0, iuSecondes = 1, iuMinutes = 2 };
    enum class TState { isIdle, isRunning, isEnding };

    // The five actions are created for `owner`'s window and listed in `list` (the window's
    // gpal), in the order caIntervalloShow, iaIntervalloDelai, iaIntervalloUnit,
    // naIntervalloStart, naIntervalloBreak.
    TIntervalCapture(IIntervalHost &host, TCustomVDActionList *list, QObject *owner = nullptr);
    ~TIntervalCapture() override;

    // The panel under the video; its controls follow the actions and set them.
    void SetPanel(Tintervalloframe *panel);
    Tintervalloframe *Panel() const;

    // The spacing of one unit in 100 ns units: frames take the navigation manager's frame
    // duration; any unit other than 0, 1, 2 counts as 0.
    static std::int64_t UnitTicks(TUnit unit, std::int64_t frameDuration);
    // The number of images from start to the end of a video of duration `duration`, one every
    // `step` (> 0), the image at the start included.
    static std::int64_t ImageCount(std::int64_t duration, std::int64_t start, std::int64_t step);

    // Computes StepTicks, StartPos and Remaining from the settings and the current position,
    // and shows the count. With a spacing of 0 everything keeps its previous value.
    void Count();
    // naIntervalloStart: the run loop; returns when the run has ended (the end steps follow
    // once the end message is handled). Ignored unless idle.
    void Run();
    // naIntervalloBreak: the run stops after the step in progress.
    void Break();

    TState State() const { return m_state; }
    bool Running() const { return m_state != TState::isIdle; }
    std::int64_t StepTicks() const { return m_stepTicks; }
    std::int64_t StartPos() const { return m_startPos; }
    std::int64_t Remaining() const { return m_remaining; }
    // Steps of the last run that reached the grab.
    int Taken() const { return m_taken; }

    TCheckAction *caIntervalloShow = nullptr;
    TIntegerAction *iaIntervalloDelai = nullptr;
    TIntegerAction *iaIntervalloUnit = nullptr;
    TNopeAction *naIntervalloStart = nullptr;
    TNopeAction *naIntervalloBreak = nullptr;

Q_SIGNALS:
    // A run has fully ended (end steps done): the window may close now if it was asked to.
    void RunEnded();
    // One more step of `total` is done (taken or skipped); main thread, inside Run.
    void StepDone(qint64 done, qint64 total);

private:
    void CreateActions(TCustomVDActionList *list, QObject *owner);
    void ConnectActions();
    void ShowPanel(bool show);
    void ShowRunning(bool running);
    // The end steps of a run (TIntervalEndMsg).
    void EndRun();

    IIntervalHost &m_host;
    QPointer<Tintervalloframe> m_panel;
    TMessageReceiver<TIntervalEndMsg> m_window;
    TState m_state = TState::isIdle;
    std::int64_t m_stepTicks = 0;
    std::int64_t m_stepFrames = 0; // the spacing in frames when the unit is frames, else 0
    std::int64_t m_startPos = 0;
    std::int64_t m_remaining = 0;
    bool m_counted = false;
    int m_taken = 0;
};
