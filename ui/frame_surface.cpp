// SPDX-License-Identifier: MIT
// Drawing into the window's frame image.
#include "frame_surface.h"

#include "ring_raster.h"

#include <QPalette>
#include <QWidget>
#include <cmath>

namespace {

PixelFrame PixelsOf(QImage& image)
{
    // bits() detaches the image if the window still shares it, so the
    // frame on screen is never written under it.
    return {reinterpret_cast<std::uint32_t*>(image.bits()), image.bytesPerLine() / 4, image.width(),
            image.height()};
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
    drawWidth_ = pixels;
}

void FrameSurface::Cls()
{
    ratio_ = client_.devicePixelRatioF();
    // The frame is drawn in device pixels, so that rings stay crisp on dense
    // screens. It is opaque, and says so: a frame without an alpha channel
    // reaches the window's backing store (opaque RGB32 or premultiplied
    // ARGB32 on the platforms Qt has) as a plain copy of its lines instead
    // of a blend of every pixel.
    const QSize size(qCeil(client_.width() * ratio_), qCeil(client_.height() * ratio_));
    if (frame_.size() != size) {
        frame_ = QImage(size, QImage::Format_RGB32);
        drawn_ = false;
    }
    wanted_ = size;
    // An empty client area has a null frame, and so has one too large for
    // memory (Qt returns a null image when it cannot allocate the pixels).
    // The pile goes on moving; its rings are drawn again once a frame fits.
    drawing_ = !frame_.isNull();
    if (!drawing_) {
        drawn_ = false;
        damage_.Begin(0, 0, true);
        return;
    }
    frame_.setDevicePixelRatio(ratio_);
    background_ = client_.palette().color(QPalette::Window).rgb() & 0xFFFFFFu;
    pen_ = drawWidth_ * ratio_;
    const bool whole =
        !drawn_ || ratio_ != drawnRatio_ || background_ != drawnBackground_ || pen_ != drawnPen_;
    damage_.Begin(frame_.width(), frame_.height(), whole);
}

void FrameSurface::Circle(float x, float y, float radius, std::int32_t color)
{
    if (!drawing_) {
        return;
    }
    // Only recorded here; Frame() draws. Device pixels. The centre is kept
    // where the rasterizer puts it, on the pixel corner nearest to it,
    // floor(x * scale + 0.5), so that a ball moving within a pixel changes
    // nothing. RingBounds skips rings wholly outside the frame before
    // converting anything to int, so that no centre, however far off,
    // overflows.
    const double scale = ratio_ / TwipsPerPixel;
    const double cx = std::floor(x * scale + 0.5);
    const double cy = std::floor(y * scale + 0.5);
    const double r = radius * scale;
    const double pen = drawWidth_ * ratio_;
    damage_.Add({cx, cy, r, pen, RgbWordOf(color),
                 RingBounds(cx, cy, r, pen, {0, 0, frame_.width(), frame_.height()})});
}

const QImage& FrameSurface::Frame()
{
    if (damage_.InPass()) {
        damage_.End();
        if (drawing_) {
            pass_.Draw(PixelsOf(frame_), damage_, background_);
            drawn_ = true;
            drawnRatio_ = ratio_;
            drawnBackground_ = background_;
            drawnPen_ = pen_;
        }
    }
    drawing_ = false;
    return frame_;
}
