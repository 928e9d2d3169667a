#pragma once
// The surface the picture is painted on: a child widget that the renderer manager places on
// the destination rectangle of the active display (the bound window, the separate window or
// the full-screen plate). It takes the newest frame from the latest-frame mailbox, composes
// the presented picture at the video's native size (flips, then the overlay, which is never
// mirrored) and scales it into its own rectangle, letterboxed to the picture's aspect when asked.
// The same composition gives the captures, so a grab is exactly what is shown.
//
// Main thread only (the mailbox's wake-up is a queued call to this object).
#include "playback/TVideoSink.h"

#include <QWidget>

#include <cstdint>
#include <memory>

class TOverlayPainter;

class TVideoView : public QWidget
{
    Q_OBJECT
public:
    explicit TVideoView(QWidget *parent = nullptr);
    ~TVideoView() override;

    // Takes frames from mailbox from now on (none: shows nothing).
    void SetMailbox(std::shared_ptr<TFrameMailbox> mailbox);

    // How the picture is presented. The overlay is read at every composition; the owner
    // calls PresentationChanged after changing it or the flips.
    bool FlipHorizontal = false;
    bool FlipVertical = false;
    bool KeepAspect = false;
    const TOverlayPainter *Overlay = nullptr; // composited when set
    void PresentationChanged();

    // The newest frame delivered (null before the first one and after Clear).
    const TVideoFrame &Frame() const { return m_frame; }
    // Forgets the frame: nothing is shown until the next one arrives.
    void Clear();
    // Takes what the mailbox holds now (otherwise done on the queued wake-up and when painting).
    void Fetch();

    // Frames painted since creation: each frame counts once, when first painted. A frame that
    // arrives while the view cannot be painted (hidden, minimised) counts on arrival, so that waiting
    // for a drawn frame never hangs on a hidden display.
    int FramesDrawn() const { return m_framesDrawn; }

    // The presented picture at native size: frame mirrored by the flips, overlay blended in.
    QImage Picture();
    static QImage ComposePicture(const QImage &frame, bool flipH, bool flipV, const TOverlayPainter *overlay);

    // Where the picture lies inside the view: the whole view, or the largest rectangle of the
    // picture's aspect centred in it when KeepAspect is set.
    QRect PictureRect() const;

Q_SIGNALS:
    // A frame of another native size than the one before arrived.
    void NativeSizeChanged(QSize size);
    // A new frame was taken from the mailbox.
    void FrameArrived();
    // A frame counted as drawn (see FramesDrawn).
    void FramePainted();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void OnWake();

    std::shared_ptr<TFrameMailbox> m_mailbox;
    TVideoFrame m_frame;
    std::uint64_t m_sequence = 0;
    std::uint64_t m_counted = 0; // sequence of the last frame counted as drawn
    int m_framesDrawn = 0;
    QImage m_picture; // composition cache
    std::uint64_t m_pictureSequence = 0;
    bool m_pictureValid = false;
};
