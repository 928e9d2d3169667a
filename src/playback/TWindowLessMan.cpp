#include "playback/TWindowLessMan.h"

#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "media/FitRect.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <gst/video/video.h>

#include <algorithm>

TWindowLessMan::TWindowLessMan(QObject *parent) : TWindowLessMan(parent, TNoBuild{})
{
    BuildActions();
}

TWindowLessMan::TWindowLessMan(QObject *parent, TNoBuild)
    : TVDActionComponent(parent), m_displayInbox([this](TDisplayChangedMsg &) { OnDisplayChanged(); })
{
    Setup();
}

TWindowLessMan::~TWindowLessMan()
{
    CloseDisplayInbox();
    m_hintTimer.stop();
    if (m_sink) {
        if (m_graph && m_graph->contains(m_sink->Element()))
            m_graph->removeElement(m_sink->Element());
        m_sink->Mailbox()->SetWake({});
    }
    if (m_bound)
        m_bound->removeEventFilter(this);
    delete m_view.data();
    delete m_preview.data();
    // No event of the plate's own destruction may reach the filter.
    if (m_plaque)
        m_plaque->removeEventFilter(this);
    delete m_plaque.data();
}

void TWindowLessMan::Setup()
{
    // Without its elements the manager runs without a renderer: nothing is shown and
    // captures fail.
    m_sink = std::make_unique<TVideoSink>();
    if (!m_sink->IsValid())
        m_sink.reset();

    m_plaque = new Tplaque();
    m_plaque->SetBackColor(TColors::ToQColor(m_backColor));
    m_plaque->installEventFilter(this);
    connect(m_plaque, &Tplaque::QuitHintClicked, this, [this] { m_plaque->HideQuitHint(); });

    m_hintTimer.setInterval(3000);
    connect(&m_hintTimer, &QTimer::timeout, this, &TWindowLessMan::OnHintTimer);

    m_preview = new TPreviewForm();
    m_preview->setGeometry(m_previewRect);
    connect(m_preview, &TPreviewForm::Closed, this, [this] {
        if (caPreviewform && caPreviewform->Checked())
            caPreviewform->SetChecked(false);
        else if (m_previewWindow)
            SetPreviewWindowOn(false);
    });

    m_overlay.InsertBorderWidth = 2;
    m_overlay.InsertBorderColor = TColors::clBlack;
    m_overlay.InsertTransparency = 1.0;
    m_overlay.InsertTransparentColor = TColors::clFuchsia;
    m_overlay.InsertAntiAliasing = true;
    m_overlay.InsertPosition = QPoint(0, 0);
    m_overlay.InsertFont = TOverlayPainter::DefaultFont();
    EnsureView();
}

// --- Renderer -------------------------------------------------------------------------------

GstElement *TWindowLessMan::Renderer() const
{
    return m_sink ? m_sink->Element() : nullptr;
}

GstPad *TWindowLessMan::VideoSinkPad() const
{
    return m_sink ? m_sink->SinkPad() : nullptr;
}

bool TWindowLessMan::AttachToGraph(TGstGraph *graph)
{
    if (!m_sink)
        return false;
    GstElement *bin = m_sink->Element();
    if (m_graph && m_graph->contains(bin)) {
        m_graph->removeElement(bin);
    } else if (GstObject *parent = GST_OBJECT_PARENT(bin)) {
        gst_element_set_state(bin, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(parent), bin);
    }
    m_graph = nullptr;
    // The last picture belongs to the previous video.
    if (m_view)
        m_view->Clear();
    m_sink->Mailbox()->Clear();
    bool ok = true;
    if (graph) {
        ok = graph->addElement(bin, QStringLiteral("VD VideoWindow"));
        if (ok) {
            m_graph = graph;
            // A renderer put into a live graph follows its state.
            gst_element_sync_state_with_parent(bin);
        }
    }
    UpdateLayout();
    return ok;
}

// --- Displays --------------------------------------------------------------------------------

void TWindowLessMan::SetWindow(QWidget *window)
{
    if (m_window == window)
        return;
    m_window = window;
    if (m_window)
        connect(m_window, &QObject::destroyed, this, [this](QObject *gone) {
            if (m_bound == gone || !m_bound)
                Unbind();
        });
    if (!m_previewWindow)
        Bind(window);
}

void TWindowLessMan::Bind(QWidget *window)
{
    if (m_bound != window) {
        if (m_bound)
            m_bound->removeEventFilter(this);
        m_bound = window;
        if (!m_bound) {
            Unbind();
            return;
        }
        m_bound->installEventFilter(this);
    }
    EnsureView();
    PlacePlaqueOnMonitor();
    UpdateLayout();
    BoundWindowChanged();
}

void TWindowLessMan::EnsureView()
{
    if (m_view || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    // The surface takes the frames even while no window shows them (hidden, without parent
    // until a display takes it); made again if the window that held it died.
    m_view = new TVideoView();
    m_view->hide();
    m_view->FlipHorizontal = m_flipHorizontal;
    m_view->FlipVertical = m_flipVertical;
    m_view->KeepAspect = m_keepAspect;
    m_view->Overlay = m_overlayState == TOverlayState::On ? &m_overlay : nullptr;
    connect(m_view, &TVideoView::FramePainted, this, [this] { ++m_framesDrawn; });
    connect(m_view, &TVideoView::FrameArrived, this, &TWindowLessMan::OnFrameArrived);
    connect(m_view, &TVideoView::NativeSizeChanged, this, &TWindowLessMan::OnNativeSizeChanged);
    if (m_sink)
        m_view->SetMailbox(m_sink->Mailbox());
}

void TWindowLessMan::Unbind()
{
    if (m_bound)
        m_bound->removeEventFilter(this);
    m_bound = nullptr;
    // The view leaves a window that goes away (or was taken with it: then a new one is made).
    if (m_view && m_view->parentWidget() && m_view->parentWidget() != m_plaque &&
        m_view->parentWidget() != m_preview) {
        m_view->hide();
        m_view->setParent(nullptr);
    }
    EnsureView();
    BoundWindowChanged();
}

void TWindowLessMan::PlacePlaqueOnMonitor()
{
    QScreen *screen = m_bound ? m_bound->screen() : QGuiApplication::primaryScreen();
    if (!screen || !m_plaque)
        return;
    if (screen != m_screen) {
        if (m_screen)
            disconnect(m_screen, nullptr, this, nullptr);
        m_screen = screen;
        // A new resolution of the monitor: the plate and the full-screen picture follow.
        connect(screen, &QScreen::geometryChanged, this, [this] { m_displayInbox.post({}); });
    }
    if (m_plaque->screen() != screen)
        m_plaque->setScreen(screen);
    m_plaque->setGeometry(screen->geometry());
}

void TWindowLessMan::SetAspectSize(QSize aspect)
{
    m_aspectSize = aspect;
    UpdateLayout();
}

void TWindowLessMan::UpdateLayout()
{
    if (!m_bound)
        return;
    if (m_fullScreen) {
        QScreen *screen = m_bound->screen();
        const QRect bounds(QPoint(0, 0), screen ? screen->geometry().size() : m_plaque->size());
        m_fullDestRect =
            FitRect(m_aspectSize.width(), m_aspectSize.height(), bounds, m_fullBorderWidth, true);
        ApplyFullScreenPosition();
    } else {
        m_windowDestRect =
            FitRect(m_aspectSize.width(), m_aspectSize.height(), m_bound->rect(), m_winBorderWidth, true);
        ApplyWindowPosition();
    }
}

void TWindowLessMan::ShowView(QWidget *display, const QRect &dest)
{
    if (!m_view)
        return;
    if (m_view->parentWidget() != display)
        m_view->setParent(display);
    m_view->setGeometry(dest);
    // Nothing to show before the first frame, nor after the window was cleared: the
    // display's own colour shows through.
    m_view->setVisible(m_view->Frame().IsNull() ? false : !m_cleared);
    m_view->raise();
    m_view->update();
}

void TWindowLessMan::ApplyWindowPosition()
{
    if (!m_bound)
        return;
    ShowView(m_bound, m_windowDestRect);
    m_bound->update();
}

void TWindowLessMan::ApplyFullScreenPosition()
{
    if (!m_plaque)
        return;
    const QRect outer =
        m_fullDestRect.adjusted(-m_fullBorderWidth, -m_fullBorderWidth, m_fullBorderWidth, m_fullBorderWidth);
    m_plaque->SetShape(outer, TColors::ToQColor(m_borderColor));
    ShowView(m_plaque, m_fullDestRect);
    // The quit hint stays in front of the picture.
    if (m_plaque->PanelQuit()->isVisible())
        m_plaque->PanelQuit()->raise();
    m_plaque->raise();
    m_plaque->update();
}

void TWindowLessMan::PaintBorders(QWidget *window)
{
    QPainter p(window);
    const QColor own = window->palette().color(window->backgroundRole());
    const QRect client = window->rect();
    if (m_cleared) {
        p.fillRect(client, own);
        return;
    }
    const QRect dest = m_windowDestRect;
    const int b = m_winBorderWidth;
    const QRect outer = dest.adjusted(-b, -b, b, b);
    auto strips = [&p](const QRect &out, const QRect &in, const QColor &c) {
        // Left and right strips full height, top and bottom strips between them.
        p.fillRect(QRect(QPoint(out.left(), out.top()), QPoint(in.left() - 1, out.bottom())), c);
        p.fillRect(QRect(QPoint(in.right() + 1, out.top()), QPoint(out.right(), out.bottom())), c);
        p.fillRect(QRect(QPoint(in.left(), out.top()), QPoint(in.right(), in.top() - 1)), c);
        p.fillRect(QRect(QPoint(in.left(), in.bottom() + 1), QPoint(in.right(), out.bottom())), c);
    };
    strips(client, outer, own);
    strips(outer, dest, TColors::ToQColor(m_borderColor));
}

void TWindowLessMan::Repaint()
{
    if (m_fullScreen && m_plaque)
        m_plaque->update();
    else if (m_bound)
        m_bound->update();
    if (m_view)
        m_view->update();
}

void TWindowLessMan::ClearWindow()
{
    m_cleared = true;
    if (m_view) {
        m_view->Clear();
        m_view->hide();
    }
    if (m_bound)
        m_bound->update();
}

void TWindowLessMan::OnFrameArrived()
{
    if (m_cleared) {
        m_cleared = false;
        if (m_bound)
            m_bound->update();
    }
    // Shown only inside a display (a view without parent would be a window of its own).
    if (m_view && m_view->isHidden() && m_view->parentWidget())
        m_view->show();
}

TWindowLessMan::TVideoPosition TWindowLessMan::VideoPosition() const
{
    return {QRect(QPoint(0, 0), NativeVideoSize()), m_fullScreen ? m_fullDestRect : m_windowDestRect};
}

// The action keeps what a script typed; the frame drawn around the video takes no less than
// nothing and no more than any screen holds, so that the rectangles it makes stay in range.
static int UsableBorderWidth(int width)
{
    return std::clamp(width, 0, 10000);
}

void TWindowLessMan::SetWinBorderWidth(int width)
{
    m_winBorderWidth = UsableBorderWidth(width);
    // The destination stays as it is until the next layout.
    if (!m_fullScreen)
        ApplyWindowPosition();
}

void TWindowLessMan::SetFullBorderWidth(int width)
{
    m_fullBorderWidth = UsableBorderWidth(width);
    if (m_fullScreen)
        ApplyFullScreenPosition();
}

void TWindowLessMan::SetBorderColor(TColor color)
{
    m_borderColor = color;
    if (m_fullScreen)
        ApplyFullScreenPosition();
    Repaint();
}

void TWindowLessMan::SetBackColor(TColor color)
{
    m_backColor = color;
    if (m_plaque)
        m_plaque->SetBackColor(TColors::ToQColor(color));
}

void TWindowLessMan::SetKeepAspectratio(bool keep)
{
    m_keepAspect = keep;
    if (m_view) {
        m_view->KeepAspect = keep;
        m_view->update();
    }
}

void TWindowLessMan::SetFlipVertical(bool flip)
{
    m_flipVertical = flip;
    PresentationChanged();
}

void TWindowLessMan::SetFlipHorizontal(bool flip)
{
    m_flipHorizontal = flip;
    PresentationChanged();
}

void TWindowLessMan::PresentationChanged()
{
    if (!m_view)
        return;
    m_view->FlipHorizontal = m_flipHorizontal;
    m_view->FlipVertical = m_flipVertical;
    m_view->Overlay = m_overlayState == TOverlayState::On ? &m_overlay : nullptr;
    m_view->PresentationChanged();
}

void TWindowLessMan::SetFullScreenOn(bool on)
{
    if (on) {
        if (!m_bound)
            return;
        m_fullScreen = true;
        PlacePlaqueOnMonitor();
        m_plaque->SetBackColor(TColors::ToQColor(m_backColor));
        m_plaque->show();
        m_plaque->raise();
        m_plaque->activateWindow();
        // A negative interval (a script's value) counts as 0: a timer cannot run backwards,
        // and a hint without one would stay over the picture for good.
        const int interval = iaTimerInterval ? iaTimerInterval->Value : 3000;
        if (interval > 0) {
            m_plaque->ShowQuitHint();
            m_hintTimer.start(interval);
        } else {
            m_hintTimer.stop();
            m_plaque->HideQuitHint();
        }
    } else {
        m_fullScreen = false;
        m_hintTimer.stop();
        if (m_plaque)
            m_plaque->hide();
        m_displayInbox.post({});
    }
    UpdateLayout();
}

void TWindowLessMan::OnHintTimer()
{
    m_hintTimer.stop();
    if (m_plaque)
        m_plaque->HideQuitHint();
    Repaint();
}

void TWindowLessMan::SetPreviewWindowOn(bool on)
{
    if (on) {
        m_previewWindow = true;
        // Never at the screen's corner over the main window's menus (the default place, or a
        // stored one on a screen that is gone): beside the main window.
        const QWidget *main = m_window ? m_window->window() : nullptr;
        const QScreen *onScreen = QGuiApplication::screenAt(m_previewRect.center());
        if (main && main->isVisible() && (m_previewRect.topLeft() == QPoint(0, 0) || !onScreen)) {
            const QScreen *screen = main->screen();
            m_previewRect = TPreviewForm::PlaceBeside(
                main->frameGeometry(), main->geometry(), m_previewRect.size().expandedTo(QSize(160, 120)),
                screen ? screen->availableGeometry() : main->frameGeometry());
        }
        m_preview->setGeometry(m_previewRect);
        m_preview->show();
        m_preview->raise();
        m_preview->activateWindow();
        Bind(m_preview);
    } else {
        if (m_previewWindow)
            m_previewRect = m_preview->geometry();
        m_previewWindow = false;
        m_preview->hide();
        Bind(m_window);
    }
    UpdateLayout();
}

void TWindowLessMan::SetPreviewRect(const QRect &rect)
{
    m_previewRect = rect;
    if (m_preview)
        m_preview->setGeometry(rect);
}

QRect TWindowLessMan::PreviewBounds() const
{
    return m_preview && m_previewWindow ? m_preview->geometry() : m_previewRect;
}

// --- Overlay -----------------------------------------------------------------------------------

void TWindowLessMan::SetInsertBorderWidth(int width)
{
    m_overlay.InsertBorderWidth = width;
    RefreshOverlay();
}

void TWindowLessMan::SetInsertBorderColor(TColor color)
{
    m_overlay.InsertBorderColor = color;
    RefreshOverlay();
}

void TWindowLessMan::SetInsertTransparency(double opacity)
{
    m_overlay.InsertTransparency = opacity;
    RefreshOverlay();
}

void TWindowLessMan::SetInsertTransparentColor(TColor color)
{
    m_overlay.InsertTransparentColor = color;
    RefreshOverlay();
}

void TWindowLessMan::SetInsertAntiAliasing(bool on)
{
    m_overlay.InsertAntiAliasing = on;
    RefreshOverlay();
}

void TWindowLessMan::SetInsertAlignLines(int align)
{
    m_insertAlignLines = align;
    m_overlay.SetAlignLines(align);
    RefreshOverlay();
}

void TWindowLessMan::SetInsertFont(const TFontDesc &font)
{
    m_overlay.InsertFont = font;
    RefreshOverlay();
}

void TWindowLessMan::SetInsertAutoSize(bool on)
{
    m_overlay.InsertAutoSize = on;
    RefreshOverlay();
}

void TWindowLessMan::SetInsertPosition(QPoint position)
{
    m_overlay.InsertPosition = position;
    RefreshOverlay();
}

void TWindowLessMan::DrawOverlay()
{
    m_overlayState = TOverlayState::On;
    m_overlay.Draw(NativeVideoSize());
    PresentationChanged();
}

void TWindowLessMan::HideOverlay()
{
    m_overlayState = TOverlayState::Off;
    PresentationChanged();
}

void TWindowLessMan::RefreshOverlay()
{
    m_lastOverlayFrames = FramesDrawn();
    if (m_overlayState == TOverlayState::On)
        DrawOverlay();
}

void TWindowLessMan::OnNativeSizeChanged()
{
    // The overlay is drawn at the video's native size: a new size needs a new drawing.
    if (m_overlayState == TOverlayState::On)
        DrawOverlay();
}

// --- Frames and capture ------------------------------------------------------------------------

int TWindowLessMan::FramesDrawn() const
{
    return m_framesDrawn;
}

bool TWindowLessMan::HasFrame() const
{
    if (m_view && !m_view->Frame().IsNull())
        return true;
    return m_sink && bool(m_sink->Mailbox()->Peek());
}

QSize TWindowLessMan::NativeVideoSize() const
{
    if (m_view && !m_view->Frame().IsNull())
        return m_view->Frame().NativeSize();
    if (!m_sink)
        return {};
    if (TGstSample s = m_sink->Mailbox()->Peek()) {
        const TVideoFrame f = TVideoFrame::FromSample(s);
        if (!f.IsNull())
            return f.NativeSize();
    }
    GstVideoInfo info;
    TGstCaps caps = m_sink->CurrentCaps();
    if (caps && gst_video_info_from_caps(&info, caps))
        return QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
    return {};
}

bool TWindowLessMan::CaptureImage(QImage &bitmap)
{
    if (!m_sink)
        return false;
    QImage picture;
    if (m_view) {
        m_view->Fetch();
        picture = m_view->Picture();
    } else {
        const TVideoFrame f = TVideoFrame::FromSample(m_sink->Mailbox()->Peek());
        picture = TVideoView::ComposePicture(f.Image, m_flipHorizontal, m_flipVertical,
                                             m_overlayState == TOverlayState::On ? &m_overlay : nullptr);
    }
    if (picture.isNull())
        return false;
    // A copy of its own: the picture may still be the decoder's buffer.
    QImage copy = picture.copy();
    if (copy.isNull())
        return false;
    bitmap = std::move(copy);
    return true;
}

// --- Window events ---------------------------------------------------------------------------------

bool TWindowLessMan::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_bound && m_bound) {
        switch (event->type()) {
        case QEvent::Paint:
            if (!m_fullScreen)
                PaintBorders(m_bound);
            break; // the window's own painting follows
        case QEvent::Resize:
            UpdateLayout();
            break;
        case QEvent::ScreenChangeInternal:
            PlacePlaqueOnMonitor();
            break;
        default:
            break;
        }
    } else if (m_fullScreen && event->type() == QEvent::Resize &&
               watched == static_cast<QObject *>(m_plaque)) {
        UpdateLayout();
    }
    return TVDActionComponent::eventFilter(watched, event);
}

void TWindowLessMan::OnDisplayChanged()
{
    // The display to use may have changed: the plate follows the monitor of the window.
    PlacePlaqueOnMonitor();
    if (m_fullScreen)
        UpdateLayout();
}
