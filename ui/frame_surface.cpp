// SPDX-License-Identifier: MIT
// Drawing into the window's frame image.
#include "frame_surface.h"

#include <QPalette>
#include <QWidget>
#include <bit>
#include <cmath>

namespace {

// 0x00BBGGRR, red in the low byte.
QColor ColorOf(std::int32_t color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

} // namespace

FrameSurface::FrameSurface(const QWidget& client) : client_(client) {}

float FrameSurface::ScaleWidth() const
{
    return static_cast<float>(client_.width()) * TwipsPerPixel;
}

float FrameSurface::ScaleHeight() const
{
    return static_cast<float>(client_.height()) * TwipsPerPixel;
}

void FrameSurface::DrawWidth(int pixels)
{
    if (pixels != drawWidth_) {
        DropRings();
    }
    drawWidth_ = pixels;
}

void FrameSurface::Cls()
{
    if (painter_.isActive()) {
        painter_.end();
    }
    const qreal ratio = client_.devicePixelRatioF();
    if (ratio != ratio_) {
        DropRings();
        ratio_ = ratio;
    }
    calls_ = 0;
    // The frame is drawn in device pixels with an identity transform, so
    // that copying a ring is a plain blend of whole pixels. It is opaque,
    // and says so: a frame without an alpha channel reaches the window's
    // backing store (opaque RGB32 or premultiplied ARGB32 on the platforms
    // Qt has) as a plain copy of its lines instead of a blend of every pixel.
    const QSize size(qCeil(client_.width() * ratio_), qCeil(client_.height() * ratio_));
    if (frame_.size() != size) {
        frame_ = QImage(size, QImage::Format_RGB32);
    }
    wanted_ = size;
    // An empty client area has a null frame, and so has one too large for
    // memory (Qt returns a null image when it cannot allocate the pixels).
    // The pile goes on moving; its rings are drawn again once a frame fits.
    // A painter is not started on a null image: that only warns, every tick.
    if (frame_.isNull()) {
        return;
    }
    frame_.setDevicePixelRatio(1.0);
    frame_.fill(client_.palette().color(QPalette::Window));
    painter_.begin(&frame_);
}

int FrameSurface::RingHalf(float radius) const
{
    // In device pixels: the pen is centred on the circle, so the ring
    // reaches half a pen width beyond the radius. Smoothing only shades the
    // pixels the edge crosses, and the centre sits on a pixel corner, so no
    // pixel beyond that is touched. Every pixel here is read at every frame.
    return qCeil(radius / TwipsPerPixel * ratio_ + drawWidth_ * ratio_ / 2);
}

void FrameSurface::Circle(float x, float y, float radius, std::int32_t color)
{
    if (!painter_.isActive()) {
        return;
    }
    const std::size_t call = calls_++;
    // The ring's centre lies on the corner between its image's middle
    // pixels; place that on the ball's centre to the nearest device pixel.
    const int half = RingHalf(radius);
    const double scale = ratio_ / TwipsPerPixel;
    const double cx = std::floor(x * scale + 0.5);
    const double cy = std::floor(y * scale + 0.5);
    // Rings wholly outside the client area cost nothing. Compared before
    // any conversion to int, so that no centre, however far off, overflows.
    if (!(cx + half > 0 && cx - half < frame_.width() && cy + half > 0 &&
          cy - half < frame_.height())) {
        return;
    }
    const int left = static_cast<int>(cx) - half;
    const int top = static_cast<int>(cy) - half;
    painter_.drawImage(QPoint(left, top), Ring(radius, color, call));
}

void FrameSurface::DropRings()
{
    rings_.clear();
    used_.clear();
}

const QImage& FrameSurface::Ring(float radius, std::int32_t color, std::size_t call)
{
    const RingKey key{std::bit_cast<std::uint32_t>(radius), color};
    if (call < used_.size() && used_[call].image && used_[call].key == key) {
        return *used_[call].image;
    }
    if (call >= used_.size()) {
        used_.resize(call + 1, Used{{}, nullptr});
    }
    if (auto it = rings_.find(key); it != rings_.end()) {
        used_[call] = {key, &it->second};
        return it->second;
    }

    const qreal r = radius / TwipsPerPixel * ratio_;
    const qreal pen = drawWidth_ * ratio_;
    const int half = RingHalf(radius);
    QImage image(2 * half, 2 * half, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(half, half);
    if (r == 0) {
        // A circle of radius 0 leaves a dot as wide as the pen.
        p.setPen(Qt::NoPen);
        p.setBrush(ColorOf(color));
        p.drawEllipse(centre, pen / 2, pen / 2);
    } else {
        p.setPen(QPen(ColorOf(color), pen, Qt::SolidLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, r, r);
    }
    p.end();
    const QImage& made = rings_.emplace(key, std::move(image)).first->second;
    used_[call] = {key, &made};
    return made;
}

const QImage& FrameSurface::Frame()
{
    if (painter_.isActive()) {
        painter_.end();
    }
    frame_.setDevicePixelRatio(ratio_);
    return frame_;
}
