#pragma once
// The video renderer manager: everything about how the picture appears on screen. It owns the
// video renderer element (a converter and an application sink behind the frames notifier),
// the surface that paints the picture, the full-screen plate and the separate window; it
// computes the destination rectangle that keeps the picture's aspect inside a coloured
// border, mirrors the picture for the flips, draws the text overlay (eight lines with an
// outline) into an image of the video's native size that is blended over the picture, and
// captures the picture as presented.
//
// The picture is shown in one display at a time: the bound window (`Window`, the main
// window's video panel), the separate window (which then replaces it as the bound window), or
// full screen (the plate over the monitor of the bound window). The bound window paints the
// four strips outside the picture's border in its own colour and the border in BorderColor;
// the picture surface lies on the destination rectangle.
//
// Frames reach the main thread through the video sink's latest-frame mailbox. Everything here
// runs on the main thread. The video manager derives from this class.
#include "actions/TVDActionComponent.h"
#include "core/TColors.h"
#include "core/TMessageReceiver.h"
#include "media/gst/TGstGraph.h"
#include "playback/TOverlayPainter.h"
#include "playback/TPreviewForm.h"
#include "playback/TVideoSink.h"
#include "playback/TVideoView.h"
#include "playback/Tplaque.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QTimer>

#include <memory>

class TCheckAction;
class TIntegerAction;
class TColorAction;
class TFontAction;
class TDoubleAction;
class TPointAction;
class TRectAction;

// Whether the overlay is drawn on the picture (the documents' values 0 and 2).
enum class TOverlayState : int { Off = 0, On = 2 };

// Posted by the manager to itself (main thread) when the display to use may have changed.
struct TDisplayChangedMsg
{
};

class TWindowLessMan : public TVDActionComponent
{
    Q_OBJECT
public:
    explicit TWindowLessMan(QObject *parent = nullptr);
    ~TWindowLessMan() override;

    // --- The renderer ---------------------------------------------------------------------
    // The renderer element ("VD VideoWindow" once in a graph) and its input pad; null when
    // it could not be made (nothing is shown then and captures fail).
    GstElement *Renderer() const;
    GstPad *VideoSinkPad() const;
    // Takes the renderer out of the graph it is in and puts it into graph (none: out only),
    // then applies the window position. The picture of the previous video is dropped.
    bool AttachToGraph(TGstGraph *graph);
    TGstGraph *Graph() const { return m_graph; }

    // --- Displays -------------------------------------------------------------------------
    QWidget *Window() const { return m_window; }
    void SetWindow(QWidget *window);
    // The window the picture is bound to now: Window, or the separate window when it is on.
    QWidget *BoundWindow() const { return m_bound; }
    Tplaque *Plaque() const { return m_plaque; }
    TPreviewForm *PreviewForm() const { return m_preview; }
    TVideoView *View() const { return m_view; }

    bool FullScreen() const { return m_fullScreen; }
    bool PreviewWindow() const { return m_previewWindow; }
    QRect PreviewRect() const { return m_previewRect; }
    // Moves the separate window to rect and keeps it as PreviewRect.
    void SetPreviewRect(const QRect &rect);
    // The separate window's current bounds while it is shown, else PreviewRect.
    QRect PreviewBounds() const;
    QRect WindowDestRect() const { return m_windowDestRect; }
    QRect FullDestRect() const { return m_fullDestRect; }
    // The aspect to keep, (0, 0) for none.
    QSize AspectSize() const { return m_aspectSize; }
    void SetAspectSize(QSize aspect);

    int WinBorderWidth() const { return m_winBorderWidth; }
    void SetWinBorderWidth(int width);
    int FullBorderWidth() const { return m_fullBorderWidth; }
    void SetFullBorderWidth(int width);
    TColor BorderColor() const { return m_borderColor; }
    void SetBorderColor(TColor color);
    TColor BackColor() const { return m_backColor; }
    void SetBackColor(TColor color);
    bool KeepAspectratio() const { return m_keepAspect; }
    void SetKeepAspectratio(bool keep);
    bool FlipVertical() const { return m_flipVertical; }
    void SetFlipVertical(bool flip);
    bool FlipHorizontal() const { return m_flipHorizontal; }
    void SetFlipHorizontal(bool flip);

    void SetFullScreenOn(bool on);
    void SetPreviewWindowOn(bool on);

    // Recomputes the destination rectangle of the active display and applies it.
    void UpdateLayout();
    // Repaints the borders and the picture in the active display.
    void Repaint();
    // Fills the bound window with its own colour and shows no picture until the next frame.
    void ClearWindow();

    struct TVideoPosition
    {
        QRect Source; // the whole native picture
        QRect Dest;   // the destination rectangle of the active display
    };
    TVideoPosition VideoPosition() const;

    // --- Overlay ----------------------------------------------------------------------------
    int InsertBorderWidth() const { return m_overlay.InsertBorderWidth; }
    void SetInsertBorderWidth(int width);
    TColor InsertBorderColor() const { return m_overlay.InsertBorderColor; }
    void SetInsertBorderColor(TColor color);
    double InsertTransparency() const { return m_overlay.InsertTransparency; }
    void SetInsertTransparency(double opacity);
    TColor InsertTransparentColor() const { return m_overlay.InsertTransparentColor; }
    void SetInsertTransparentColor(TColor color);
    bool InsertAntiAliasing() const { return m_overlay.InsertAntiAliasing; }
    void SetInsertAntiAliasing(bool on);
    int InsertAlignLines() const { return m_insertAlignLines; }
    void SetInsertAlignLines(int align);
    TFontDesc InsertFont() const { return m_overlay.InsertFont; }
    void SetInsertFont(const TFontDesc &font);
    bool InsertAutoSize() const { return m_overlay.InsertAutoSize; }
    void SetInsertAutoSize(bool on);
    QPoint InsertPosition() const { return m_overlay.InsertPosition; }
    void SetInsertPosition(QPoint position);

    // The eight lines. The video manager fills Text and Enabled, then calls RefreshOverlay.
    Tligne &OverlayLine(int index) { return m_overlay.OverlayLines[size_t(index)]; }
    const TOverlayPainter &Overlay() const { return m_overlay; }
    TOverlayState OverlayState() const { return m_overlayState; }
    const QImage &OverlayBitmap() const { return m_overlay.Image(); }

    void DrawOverlay();
    void HideOverlay();
    // LastOverlayFrames := FramesDrawn; redraws the overlay when it is on.
    void RefreshOverlay();
    int LastOverlayFrames() const { return m_lastOverlayFrames; }

    // --- Frames and capture -----------------------------------------------------------------
    // Frames painted since the manager was made (a frame counts once).
    int FramesDrawn() const;
    // The native size of the video: of the newest frame, else of the negotiated caps; empty
    // without video.
    QSize NativeVideoSize() const;
    bool HasFrame() const;
    // Fills bitmap with the picture as presented, at the video's native size: the newest frame,
    // mirrored by the flips, with the overlay. False (bitmap untouched) without a frame.
    bool CaptureImage(QImage &bitmap);

    // --- Actions ----------------------------------------------------------------------------
    TCheckAction *caFullscreen = nullptr;
    TCheckAction *caFlipVertical = nullptr;
    TCheckAction *caFlipHorizontal = nullptr;
    TCheckAction *caPreviewform = nullptr;
    TCheckAction *caKeepAspectratio = nullptr;
    TIntegerAction *iaFullBorderWidth = nullptr;
    TIntegerAction *iaInsertAlignLines = nullptr;
    TIntegerAction *iaWinBorderWidth = nullptr;
    TColorAction *iaBorderColor = nullptr;
    TColorAction *iaBackColor = nullptr;
    TCheckAction *caInsertTextOn = nullptr;
    TIntegerAction *iaInsertBorderWidth = nullptr;
    TColorAction *iaInsertBorderColor = nullptr;
    TFontAction *faInsertFont = nullptr;
    TColorAction *iaInsertTransparentColor = nullptr;
    TCheckAction *caInsertAntiAliasing = nullptr;
    TDoubleAction *daInsertTransparency = nullptr;
    TPointAction *paInsertPosition = nullptr;
    TRectAction *raPreviewSave = nullptr;
    TIntegerAction *iaTimerInterval = nullptr;

protected:
    // For derived managers: everything but BuildActions, which the most-derived class runs.
    struct TNoBuild
    {
    };
    TWindowLessMan(QObject *parent, TNoBuild);

    void CreateActions() override;
    void InitActions() override;
    void FindActions() override;
    void ConnectActions() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // After the picture was bound to another window (or to none): derived managers move what
    // they show in the window along.
    virtual void BoundWindowChanged() {}
    // Main thread: no display change is handled from now on (the destructors, first thing).
    void CloseDisplayInbox() { m_displayInbox.close(); }

private:
    void Setup();
    void OnDisplayChanged();
    void Bind(QWidget *window);
    void Unbind();
    void EnsureView();
    void ApplyWindowPosition();
    void ShowView(QWidget *display, const QRect &dest);
    void OnFrameArrived();
    void ApplyFullScreenPosition();
    void PaintBorders(QWidget *window);
    void PlacePlaqueOnMonitor();
    void PresentationChanged();
    void OnNativeSizeChanged();
    void OnHintTimer();

    TMessageReceiver<TDisplayChangedMsg> m_displayInbox;
    std::unique_ptr<TVideoSink> m_sink;
    QPointer<TGstGraph> m_graph;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_bound;
    QPointer<TVideoView> m_view;
    QPointer<Tplaque> m_plaque;
    QPointer<TPreviewForm> m_preview;
    QTimer m_hintTimer;
    QPointer<QScreen> m_screen; // the monitor of the bound window, watched for display changes

    int m_winBorderWidth = 8;
    int m_fullBorderWidth = 8;
    TColor m_borderColor = TColors::clSilver;
    TColor m_backColor = TColors::clBlack;
    bool m_keepAspect = false;
    bool m_flipVertical = false;
    bool m_flipHorizontal = false;
    bool m_fullScreen = false;
    bool m_previewWindow = false;
    bool m_cleared = false;
    QRect m_previewRect{0, 0, 640, 480};
    QRect m_windowDestRect;
    QRect m_fullDestRect;
    QSize m_aspectSize{0, 0};

    TOverlayPainter m_overlay;
    int m_insertAlignLines = 0;
    TOverlayState m_overlayState = TOverlayState::Off;
    int m_lastOverlayFrames = 0;
    int m_framesDrawn = 0;
};
