// SPDX-License-Identifier: MIT
// The ring rasterizer beside Qt's own antialiased stroke of the same circle:
// a check of the look, since Qt's curves sit slightly inside the true ones.
#include "ring_raster.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <iostream>

TEST(RingLook, CloseToQtsStrokeOfTheSameCircle)
{
    const QRgb back = qRgb(0xF0, 0xF0, 0xF0);
    const QRgb ink = qRgb(0x20, 0x80, 0xE0);
    double worst = 0;
    for (double ratio : {1.0, 1.5, 2.0}) {
        // Radii from half the pen up (where Qt's stroke has no hole of
        // its own), in pixels before the ratio, the largest ball included.
        for (double r0 : {4.5, 4.75, 10.0, 23.0, 42.0}) {
            const double r = r0 * ratio;
            const double pen = 9 * ratio;
            SCOPED_TRACE(testing::Message() << "ratio " << ratio << " radius " << r);
            const int side = static_cast<int>(std::ceil(2 * (r + pen))) + 4;
            const int c = side / 2;
            QImage ours(side, side, QImage::Format_RGB32);
            ours.fill(back);
            QImage qt = ours.copy();
            RingShape shape;
            shape.Measure(r, pen);
            DrawRing({reinterpret_cast<std::uint32_t*>(ours.bits()), ours.bytesPerLine() / 4, side,
                      side},
                     {0, 0, side, side}, c, c, shape, ink & 0xFFFFFFu);
            QPainter p(&qt);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(ink), pen));
            p.drawEllipse(QPointF(c, c), r, r);
            p.end();

            long sum = 0;
            long touched = 0;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    const QRgb a = ours.pixel(x, y);
                    const QRgb b = qt.pixel(x, y);
                    if ((a | 0xFF000000u) == back && (b | 0xFF000000u) == back) {
                        continue;
                    }
                    ++touched;
                    sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                           std::abs(qBlue(a) - qBlue(b));
                }
            }
            ASSERT_GT(touched, 0);
            const double mean = static_cast<double>(sum) / (3.0 * touched);
            worst = std::max(worst, mean);
            EXPECT_LT(mean, 2.0);
        }
    }
    std::cout << "largest mean difference from Qt's stroke: " << worst << " levels a channel\n";
}
