#include "playback/TVideoView.h"

#include "media/FitRect.h"
#include "playback/TOverlayPainter.h"

#include <QPainter>

TVideoView::TVideoView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Clicks on the picture belong to the window under it (grab on click, overlay placement).
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setObjectName(QStringLiteral("VideoView"));
}

TVideoView::~TVideoView()
{
    if (m_mailbox)
        m_mailbox->SetWake({});
}

void TVideoView::SetMailbox(std::shared_ptr<TFrameMailbox> mailbox)
{
    if (m_mailbox)
        m_mailbox->SetWake({});
    m_mailbox = std::move(mailbox);
    if (m_mailbox) {
        // Called on a streaming thread with the mailbox locked: only queue the call.
        m_mailbox->SetWake(
            [this] { QMetaObject::invokeMethod(this, &TVideoView::OnWake, Qt::QueuedConnection); });
    }
    Fetch();
}

void TVideoView::PresentationChanged()
{
    m_pictureValid = false;
    update();
}

void TVideoView::Clear()
{
    if (m_mailbox)
        m_mailbox->Clear();
    m_frame = {};
    m_picture = {};
    m_pictureValid = false;
    update();
}

void TVideoView::OnWake()
{
    Fetch();
}

void TVideoView::Fetch()
{
    if (!m_mailbox)
        return;
    std::uint64_t seq = 0;
    TGstSample sample = m_mailbox->Take(&seq);
    if (!sample || (seq == m_sequence && !m_frame.IsNull()))
        return;
    TVideoFrame frame = TVideoFrame::FromSample(sample);
    if (frame.IsNull())
        return;
    const QSize before = m_frame.NativeSize();
    m_frame = std::move(frame);
    m_sequence = seq;
    m_pictureValid = false;
    // The owner may show the view or redraw the overlay first.
    if (m_frame.NativeSize() != before)
        Q_EMIT NativeSizeChanged(m_frame.NativeSize());
    Q_EMIT FrameArrived();
    if (isVisible() && !window()->isMinimized()) {
        update();
    } else if (m_counted != m_sequence) {
        m_counted = m_sequence;
        ++m_framesDrawn;
        Q_EMIT FramePainted();
    }
}

QImage TVideoView::ComposePicture(const QImage &frame, bool flipH, bool flipV, const TOverlayPainter *overlay)
{
    if (frame.isNull())
        return {};
    QImage out = flipH || flipV ? frame.mirrored(flipH, flipV) : frame;
    if (overlay) {
        out.detach(); // never write into the decoder's buffer
        overlay->Composite(out);
    }
    return out;
}

QImage TVideoView::Picture()
{
    if (!m_pictureValid) {
        m_picture = ComposePicture(m_frame.Image, FlipHorizontal, FlipVertical, Overlay);
        m_pictureSequence = m_sequence;
        m_pictureValid = true;
    }
    return m_picture;
}

QRect TVideoView::PictureRect() const
{
    const QSize a = m_frame.Aspect;
    if (!KeepAspect || a.width() <= 0 || a.height() <= 0)
        return rect();
    return FitRect(a.width(), a.height(), rect(), 0, false);
}

void TVideoView::paintEvent(QPaintEvent *)
{
    Fetch();
    QPainter p(this);
    const QImage picture = Picture();
    if (picture.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const QRect target = PictureRect();
    if (target != rect()) {
        // Letterbox bars.
        const QRegion bars = QRegion(rect()) - QRegion(target);
        for (const QRect &r : bars)
            p.fillRect(r, Qt::black);
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, picture);
    if (m_counted != m_pictureSequence) {
        m_counted = m_pictureSequence;
        ++m_framesDrawn;
        Q_EMIT FramePainted();
    }
}
