#pragma once
// The navigation manager: moves through the opened media (play and pause, absolute seeks,
// relative steps of frames, seconds and minutes, start and end, scenes, typed positions,
// frame-exact seeks), keeps the position edit and the track bar of the navigation panel in
// step with playback, and owns the navigation actions. It is also the graph manager of the
// program's one graph (through the DV manager).
//
// Positions are media time (100-ns units) counted from the first video frame of the file:
// the frames notifier's origin is added to every target before it reaches the graph and taken
// off every position read from it. The length is the graph's, except for MPEG transport and
// program streams, whose demuxers only estimate it: there it is read from the time stamps of
// the file's first and last video frames.
//
// Frame-exact seeks land before the target and let the frames notifier hold frames back up to
// it; a demuxer that lands after the target is sent further back. A short step forward from a
// paused, exactly shown frame decodes on instead of seeking back.
//
// Frames: frame k's position is TFrameGrid(FrameDuration).TimeOf(k) (media/FrameGrid.h), its
// start on the grid of the stream's frame rate, exact for the NTSC rates whose duration is no
// whole number of 100-ns units; every target is moved to the start of its nearest frame, and
// the position texts name the frames of that grid. The end is the last frame: EndPosition is
// its start. A length that runs past the last video frame (a container's estimate, audio
// longer than the video) is found out by the first precise seek to the end, which shows the
// last frame the stream gives and moves EndPosition and MediaDuration to it.
//
// Variable frame rate (an MP4 whose sample durations vary, as phones record): the grid is the
// nominal one, the duration most of its frames last (media/Mp4SampleTable.h), not the average
// the demuxer reports; its frames sit on that grid with some slots empty. A frame's position is
// the slot it starts on, and it is named after it; a target on an empty slot shows a frame next
// to it (the one lasting over the slot, or the next) at that frame's own position, so no two
// frames share a name and no name stands for a frame not shown. A step forward always shows a
// later frame and a step back an earlier one: a step that lands on the frame it started from
// goes on slot by slot.
//
// Wiring by the owner (main window and video manager), all optional:
//   SetPositionEdit(edit)         the position display and entry field
//   SetSlider(slider)             the track bar (values are positions div SliderUnit)
//   SetScenesList(&list)          the scene list of the video's ".scn" file (scene steps)
//   SetFramesNotifier(fn)         set by the video manager once a video stream is connected
//   SetRendererFilter(element)    the video renderer element, waited on after seeks
//   AttachVideoSource(source)     the connected video source (frame-duration reports, the
//                                 file whose MPEG time stamps give the length)
//   ResetDuration()               after a stream was connected or disconnected
//
// Everything here runs on the main thread; the notifiers reach it through NavInbox().
#include "core/TMessageReceiver.h"
#include "media/FrameGrid.h"
#include "media/MediaMessages.h"
#include "media/TDVMan.h"
#include "media/gst/TGstHandles.h"

#include <QLineEdit>
#include <QPointer>
#include <QSlider>
#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

class QWheelEvent;
class TCheckAction;
class TFramesNotifier;
class TImageList;
class TIntegerAction;
class TNopeAction;
class TScenesList;
class TVideoSource;
class TWidestringAction;

class TNavMan : public TDVMan
{
    Q_OBJECT
public:
    // The track bar works in units of 1,024 positions.
    static constexpr int64_t SliderUnit = 1024;
    static constexpr int64_t OneSecond = 10000000;
    static constexpr int64_t MaxPosition = std::numeric_limits<int64_t>::max();

    explicit TNavMan(QObject *parent = nullptr);
    ~TNavMan() override;

    // Where the notifiers post and send positions, frame durations and reached targets (any
    // thread); M is one of those three messages.
    template <class M> TInbox<M> *NavInbox() { return &m_navInbox; }

    // --- Bound controls ----------------------------------------------------------------------
    QLineEdit *PositionEdit() const { return m_edit; }
    // Binding sets EditFollows; Enter seeks to the typed text when AcceptEnter. The edit may be
    // destroyed at any time: the manager then forgets it.
    void SetPositionEdit(QLineEdit *edit);
    QSlider *Slider() const { return m_slider; }
    // Binding sets the range from StartPosition and EndPosition and SliderFollows; a value the
    // user moves the slider to is sought with SeekTo(true, value * SliderUnit).
    void SetSlider(QSlider *slider);

    // --- Collaborators -----------------------------------------------------------------------
    TFramesNotifier *FramesNotifier() const { return m_notifier; }
    // Kept until another one is given (disconnecting the video leaves it attached); the
    // notifier's frame duration and position window are set here.
    void SetFramesNotifier(TFramesNotifier *notifier);
    // The video renderer element: seeks with wait poll its state, frame steps go to it. None:
    // seeks do not wait and steps always seek.
    GstElement *RendererFilter() const { return m_renderer.get(); }
    void SetRendererFilter(GstElement *renderer);
    // The scene list of the opened video (owned by the main window; none: scene steps go to
    // the start and the end). Scene steps use it when it holds at least one scene.
    const TScenesList *ScenesList() const { return m_scenes; }
    void SetScenesList(const TScenesList *scenes) { m_scenes = scenes; }
    TVideoSource *AttachedVideoSource() const { return m_videoSource; }
    // The previous source stops reporting frame durations here, the new one starts (none:
    // detach only).
    void AttachVideoSource(TVideoSource *source);
    // The navigation buttons' images (0 .. 9, owned by the manager) the actions refer to.
    TImageList *NavImages() const { return m_images; }

    // --- State -------------------------------------------------------------------------------
    int64_t FrameDuration = 1;
    int64_t MediaDuration = 0;
    int64_t StartPosition = 0;
    int64_t EndPosition = MaxPosition;
    int64_t SeekPrepos = OneSecond;
    // The bound of the frames notifier's decoded-frame cache (iaFrameCache).
    std::size_t FrameCacheBytes = std::size_t(256) << 20;
    QString LastPositionText;
    // The position of the last frame the frames notifier reported shown.
    static constexpr int64_t kNothingShown = std::numeric_limits<int64_t>::min();
    int64_t ShownPosition = kNothingShown;
    TGrapheManState SavedState = TGrapheManState::gmStopped;
    bool Stepping = false;
    bool Seeking = false;
    bool Quiet = false;         // no seek feedback, no frame refresh (a file is being opened)
    bool EditFollows = false;   // the position edit is rewritten on every position
    bool AcceptEnter = false;   // Enter in the position edit seeks
    bool SliderFollows = false; // the track bar follows the position

    // --- Events ------------------------------------------------------------------------------
    std::function<void(int64_t rt)> onAbsolutePosition;
    std::function<void(int32_t pos)> OnKPosition;
    std::function<void(const QString &atimeStr)> OnDisplayTime;
    std::function<void(const QString &aDurationStr)> OnDuration;
    std::function<void()> OnDisplaySeek;
    std::function<void()> OnDisplayNormal;
    std::function<void(bool isVitesseMaxi)> OnVitesse;

    // --- Operations --------------------------------------------------------------------------
    // Stop switches the notifier's position texts and the DV codes off around the stop.
    bool Stop() override;
    // A frame painted from the decoded-frame cache is not where the paused graph is: the graph
    // moves to it first, so playing goes on from the frame shown.
    bool Play() override;
    // Absolute seek, clamped to StartPosition .. EndPosition (the last frame); with wait it
    // returns once the renderer shows the new position. Ignored while a seek runs.
    void SeekTo(bool wait, int64_t position);
    // Frame-exact seek: lands before the target and lets the frames notifier hold frames back
    // until the one at the target, which is the first the renderer gets.
    void SeekPrecise(int64_t target);
    void StepForward(int64_t delta);
    void StepBackward(int64_t delta);
    // Precise seek to target, then on slot by slot (direction +1 or -1) while the frame shown is
    // still the one the step started from (a variable rate's empty slots).
    void StepPastEmptySlots(int64_t from, int64_t target, int direction);
    void GoToStart();
    void GoToEnd();
    void PreviousScene();
    void NextScene();
    // The current position (the notifier's, else the graph's; 0 when unknown); updates the
    // track bar and raises OnKPosition when the position text changed.
    int64_t GetPosition();
    void SetFrameDuration(int64_t d);
    void ResetDuration();
    // Parses "h:mm:ss:ff" and seeks there. Anything else ("abc", "5.5", 61 seconds, more
    // frames than a second holds) moves nothing and answers false.
    bool SeekToText(const QString &text);
    // Whether text is a position the user may type: hours, then two digits each of minutes
    // (0-59), seconds (0-59) and frame (fewer than one second's worth of frameDuration when
    // that is known), colon-separated, blanks around allowed.
    static bool IsPositionText(const QString &text, int64_t frameDuration);
    // The position field is marked (red frame, hint) while it holds a text that was refused.
    bool PositionEditMarked() const { return m_editMarked; }
    // Shows the current frame again (after a change of flips or other display effects).
    void RefreshFrame();
    // The paused graph moves to the frame shown, by an accurate seek, when it stands elsewhere
    // (behind a frame painted from the decoded-frame cache, or on a segment begun at a key
    // frame): before it plays, and before anything that reads the graph's own position (a
    // decoder change).
    void RejoinCachedFrame();
    // The paused graph has settled on its own picture of the first frame (an open that
    // prerolled there): a move to the start would only decode it again.
    bool HoldsFirstFrame();
    // After a decoder change under the paused graph: waits for the new decoder's first picture
    // and, when the change's seek met a stream error (a flush among the new decoder's first
    // buffers) or landed elsewhere, moves exactly to `position`, the frame shown before.
    void SettleAfterDecoderChange(int64_t position, int errorsBefore);
    // No key frame lies after position `from` up to `to`, by the file's index: a frame-exact
    // move from one to the other decodes on rather than seeking back. False when the file has
    // no index the program reads.
    bool SameGroupOfPictures(int64_t from, int64_t to) const;
    void SetNormalSpeed();
    void SetCompatibleSpeed();
    // The frame grid of the current frame duration: every target of a frame-exact seek, step,
    // scene and typed position is moved to the start of its nearest grid frame.
    TFrameGrid Grid() const { return TFrameGrid(FrameDuration); }
    // The position text of t with the current frame duration.
    QString PositionText(int64_t t) const;
    // MPEG transport and program streams (by extension): the time from the first video frame
    // shown to the last one, read from the packets' time stamps at both ends of the file
    // (100-ns units); -1 for other files or when no time stamps are found.
    static int64_t MpegVideoSpan(const QString &path);

    // --- Actions -----------------------------------------------------------------------------
    TCheckAction *caPlay = nullptr;
    TNopeAction *naReculeDebut = nullptr;
    TNopeAction *naReculeTrack = nullptr;
    TNopeAction *naRecule10Minutes = nullptr;
    TNopeAction *naReculeMinute = nullptr;
    TNopeAction *naReculeHigh = nullptr;
    TNopeAction *naRecule10Secondes = nullptr;
    TNopeAction *naReculeSeconde = nullptr;
    TNopeAction *naReculeMedium = nullptr;
    TNopeAction *naRecule10Frames = nullptr;
    TNopeAction *naReculeFrame = nullptr;
    TNopeAction *naReculeLow = nullptr;
    TNopeAction *naAvanceFin = nullptr;
    TNopeAction *naAvanceTrack = nullptr;
    TNopeAction *naAvance10Minutes = nullptr;
    TNopeAction *naAvanceMinute = nullptr;
    TNopeAction *naAvanceHigh = nullptr;
    TNopeAction *naAvance10Secondes = nullptr;
    TNopeAction *naAvanceSeconde = nullptr;
    TNopeAction *naAvanceMedium = nullptr;
    TNopeAction *naAvance10Frames = nullptr;
    TNopeAction *naAvanceFrame = nullptr;
    TNopeAction *naAvanceLow = nullptr;
    TCheckAction *caVitesseCompatible = nullptr;
    TCheckAction *caSeekPrecision = nullptr;
    TIntegerAction *iaSeekPrepos = nullptr;
    // The decoded-frame cache of backward steps, in MB (0: none).
    TIntegerAction *iaFrameCache = nullptr;
    TWidestringAction *waStrPosition = nullptr;

protected:
    // For a derived manager that builds the actions itself.
    struct TNoBuild
    {
    };
    TNavMan(QObject *parent, TNoBuild);

    void CreateActions() override;
    void InitActions() override;
    void FindActions() override;
    void ConnectActions() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Whether Shift is held now (the keyboard state when an action is applied).
    virtual bool ShiftHeld() const;

private:
    void Setup();
    // The inner step of SeekTo: pause, move, wait, resume.
    void ApplySeek(bool wait, int64_t position);
    // Moves the graph to position (relative to the origin); false when nothing moved.
    bool SetMediaPosition(int64_t position);
    // The graph holds a demuxer that lands after accurate seek targets.
    bool LandsLate() const;
    // Polls the renderer until its state change ended, answering sent messages meanwhile;
    // stops early when done() holds.
    // Waits until the paused renderer holds its picture, `done` says so, `timeoutMs` have passed
    // or, with `idleMs`, no frame has reached the frames notifier for that long.
    void WaitForRenderer(int timeoutMs, const std::function<bool()> &done = {}, int idleMs = 0);
    // An error counted after `since` (an earlier errorCount()) was posted on the way the
    // pictures take: by the renderer, an element upstream of it or a bin holding one. An error
    // of the sound's branch (a parser that found no frame) leaves the pictures flowing.
    bool VideoPathError(int since) const;
    bool FindVideoPathError(int since) const;
    // The graph itself moves to `position`, by an accurate seek, whatever the cache holds.
    void SeekExactPastTheCache(int64_t position);
    // The precise seek without the shortcuts to the start and the end.
    void SeekExact(int64_t target);
    // One attempt of a precise seek: decoding on from the frame shown, or a seek to `from`;
    // the outcome lands in m_precise. False when nothing moved.
    bool PreciseAttempt(int64_t target, bool decodeOn, int64_t from, bool acceptLate);
    // Paused: the renderer lets its picture go and takes the next frame passed to it. False
    // when the renderer refused or nothing came.
    bool StepShownFrames();
    // Paused: paints the frame at target from the decoded-frame cache; false when it holds none
    // (or the renderer cannot take it), and nothing changed.
    bool ShowCachedFrame(int64_t target);
    // The attached source's video is DV (its frames carry records the cache does not keep).
    bool SourceCarriesDv() const;
    // Empties the cache when target lies far from what it holds (a seek away).
    void ForgetFarFrames(int64_t target);

    void OnFramesReached(int64_t target, int64_t position);
    void OnFramesPosition(const QString &text);
    int64_t Origin() const;
    // The media's length: from the video packets' time stamps where the demuxer only estimates
    // it, else the graph's; -1 when unknown.
    int64_t ReadMediaDuration();
    // The time-stamp length of the attached source's file, read once per source.
    void ReadVideoSpan();
    bool HasVideoSpan() const { return m_videoSource && m_spanSource == m_videoSource && m_videoSpan >= 0; }
    // EndPosition (the start of the last frame) and the track bar's range.
    void SetEndPosition(int64_t end);
    void SeekFeedback(bool seeking);
    void UpdateSliderRange();
    void UnbindEdit();
    void UnbindSlider();
    void OnSliderMoved(int value);
    void SetSpeed(bool compatible);
    void MarkPositionEdit(bool marked);
    // A wheel turn over the position field or the track bar: one frame per notch.
    void WheelFrames(const QWheelEvent *event);

    // Declared first: it lives until the graph is down (StopStreaming in the destructor).
    TMessageReceiver<TFramesPositionMsg, TFrameDurationMsg, TFramesReachedMsg> m_navInbox;
    QPointer<QLineEdit> m_edit;
    QPointer<QSlider> m_slider;
    bool m_editMarked = false;
    QString m_editHint;  // the field's own hint, given back when the mark goes
    int m_wheelRest = 0; // eighths of a degree not yet stepped (high-resolution wheels)
    TFramesNotifier *m_notifier = nullptr;
    TGstElement m_renderer;
    const TScenesList *m_scenes = nullptr;
    TVideoSource *m_videoSource = nullptr;
    const TVideoSource *m_spanSource = nullptr; // the source m_videoSpan was read for
    int64_t m_videoSpan = -1;
    int64_t m_nominalDuration = 0; // of m_spanSource's file when it has a variable rate, else 0
    // The key frames of m_spanSource's file by position, from its index (MP4 family); empty
    // when unknown or when every frame is one.
    std::vector<int64_t> m_keyFrames;
    TImageList *m_images = nullptr;
    // What reaches the renderer's input (counted on the streaming thread, read here).
    struct TRendererInput
    {
        std::atomic<int> buffers{0};
        std::atomic<bool> eos{false};
    };
    std::shared_ptr<TRendererInput> m_input = std::make_shared<TRendererInput>();
    TGstProbe m_inputProbe; // on the renderer's input pad
    // The renderer shows the frame at the notifier's position (a precise seek reached it).
    bool m_shownExact = false;
    // The last exact move found no frame at or after its target: the stream ended before it
    // (a file cut short of the length its header gives) or stopped on an error.
    bool m_endedShort = false;
    // The frame shown came from the decoded-frame cache: the paused graph still holds the one
    // at m_graphPosition (shown exactly when m_graphExact).
    bool m_cacheShown = false;
    int64_t m_graphPosition = 0;
    bool m_graphExact = false;
    // The next precise attempt seeks to the key frame before its start, so that the frames
    // decoded up to the target pass the notifier (and fill its cache).
    bool m_keyUnitSeek = false;
    // The graph's segment starts at such a key frame.
    bool m_graphKeyUnit = false;
    // This source's demuxer snapped past a target on such a seek.
    bool m_keyUnitRefused = false;
    // Moves go through the graph, not the cache (the graph rejoins the frame shown).
    bool m_bypassCache = false;
    // VideoPathError's last answer, for the errors counted from `since` up to `count`.
    struct TPathError
    {
        int since = -1, count = -1;
        bool found = false;
    };
    mutable TPathError m_pathError;
    // How far before StartPosition seeks may go (the retries of a precise seek only).
    int64_t m_belowStart = 0;
    // A precise seek in this source has landed after its target (MPEG program streams): its
    // later seeks start SeekPrepos early instead of at the target.
    bool m_landsLate = false;

    // The precise seek in progress (main thread; the watch's answer arrives as a sent message).
    struct TPreciseState
    {
        bool active = false;
        int64_t target = 0;
        bool reached = false; // the watch fired on the target
        bool late = false;    // the first frame after the seek was already past the target
        bool acceptLate = false;
    } m_precise;
};
