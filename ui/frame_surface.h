// SPDX-License-Identifier: MIT
// The Surface of the window: draws into an off-screen frame image at the
// screen's device pixel ratio, every ring rasterized straight into it.
#pragma once

#include "surface.h"

#include <QImage>
#include <cstdint>

class QWidget;

class FrameSurface final : public Surface {
public:
    // client is the widget whose client area this surface stands for; it
    // must outlive the surface.
    explicit FrameSurface(const QWidget& client);

    float ScaleWidth() const override;
    float ScaleHeight() const override;
    void DrawWidth(int pixels) override;
    void Cls() override;
    void Circle(float x, float y, float radius, std::int32_t color) override;

    // The frame the latest draw pass made, in device pixels (its device
    // pixel ratio is set). Ends that pass: the frame is complete from here.
    const QImage& Frame();
    // Whether the last draw pass wanted a frame that memory could not hold.
    bool FrameTooLarge() const { return frame_.isNull() && !wanted_.isEmpty(); }

private:
    const QWidget& client_;
    // Pen width in device-independent pixels.
    int drawWidth_ = 1;
    // Device pixels per device-independent pixel of the frame being drawn.
    qreal ratio_ = 1.0;
    QImage frame_;
    // Size in device pixels the last draw pass asked for.
    QSize wanted_;
    // Between Cls and Frame, while the frame holds pixels.
    bool drawing_ = false;
};
