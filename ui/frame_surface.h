// SPDX-License-Identifier: MIT
// The Surface of the window: draws into an off-screen frame image with
// QPainter, at the screen's device pixel ratio.
#pragma once

#include "surface.h"

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <unordered_map>
#include <vector>

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

    // Rings drawn and kept for reuse; for tests.
    std::size_t CachedRings() const { return rings_.size(); }

private:
    struct RingKey {
        std::uint32_t radiusBits;
        std::int32_t color;
        bool operator==(const RingKey&) const = default;
    };
    struct RingKeyHash {
        std::size_t operator()(const RingKey& k) const
        {
            return (static_cast<std::size_t>(k.radiusBits) << 32) ^
                   static_cast<std::uint32_t>(k.color);
        }
    };

    // Half the side of a ring's image, device pixels.
    int RingHalf(float radius) const;
    // The ring for the call-th Circle of the pass under way.
    const QImage& Ring(float radius, std::int32_t color, std::size_t call);
    void DropRings();

    const QWidget& client_;
    // Pen width in device-independent pixels.
    int drawWidth_ = 1;
    // Device pixels per device-independent pixel of the frame being drawn.
    qreal ratio_ = 1.0;
    QImage frame_;
    // Size in device pixels the last draw pass asked for.
    QSize wanted_;
    QPainter painter_;
    // Every ring is stroked once and then only copied: stroking 1001
    // antialiased rings afresh costs tens of milliseconds a frame. Valid for
    // one pen width and one pixel ratio; dropped when either changes. Balls
    // never change radius or colour, so this holds at most one image per
    // ball the table has ever had.
    std::unordered_map<RingKey, QImage, RingKeyHash> rings_;
    // The ring each Circle call of the last pass used, by call number. A
    // pass draws the same balls as the one before, in the same order, so
    // the ring is found by one comparison instead of a hash lookup, which
    // (a division and a scattered node) cost a third of a millisecond a
    // full frame. Points into rings_, whose nodes never move.
    struct Used {
        RingKey key;
        const QImage* image;
    };
    std::vector<Used> used_;
    std::size_t calls_ = 0;
};
