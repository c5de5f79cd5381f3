// SPDX-License-Identifier: MIT
// The frame built from damage against the frame drawn whole, pixel for
// pixel after every pass, over random scenes: presses, ticks, resizes, pen
// and background changes, balls pushed across every edge. The same program
// runs at pixel ratios 1, 1.5 and 2 (tests/ui/CMakeLists.txt), and the
// window's repaints are checked to cover the damage and little else.
#include "frame_surface.h"
#include "render.h"
#include "ring_raster.h"
#include "shown_window.h"
#include "sim_test_util.h"

#include <QPaintEvent>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// The whole frame drawn afresh: cleared, then every live ball's ring in
// slot order, nothing remembered from any earlier frame.
QImage FullRedraw(const BallTable& t, const QWidget& client, int pen)
{
    const qreal ratio = client.devicePixelRatioF();
    QImage image(qCeil(client.width() * ratio), qCeil(client.height() * ratio),
                 QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    const PixelFrame f{reinterpret_cast<std::uint32_t*>(image.bits()), image.bytesPerLine() / 4,
                       image.width(), image.height()};
    const PixelRect all{0, 0, f.width, f.height};
    FillRect(f, all, client.palette().color(QPalette::Window).rgb() & 0xFFFFFFu);
    const double scale = ratio / TwipsPerPixel;
    for (int i = 0; i <= t.BallCount; ++i) {
        DrawRing(f, all, t.BallX[i] * scale, t.BallY[i] * scale, t.BallRadius[i] * scale,
                 pen * ratio, RgbWordOf(t.BallColor[i]));
    }
    return image;
}

// Where two frames differ first, if they do.
::testing::AssertionResult SamePixels(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "size " << actual.width() << " x " << actual.height() << ", expected "
               << expected.width() << " x " << expected.height();
    }
    for (int y = 0; y < actual.height(); ++y) {
        const auto* a = reinterpret_cast<const std::uint32_t*>(actual.constScanLine(y));
        const auto* e = reinterpret_cast<const std::uint32_t*>(expected.constScanLine(y));
        for (int x = 0; x < actual.width(); ++x) {
            if ((a[x] & 0xFFFFFFu) != (e[x] & 0xFFFFFFu)) {
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is 0x"
                       << QString::number(a[x] & 0xFFFFFFu, 16).toStdString() << ", expected 0x"
                       << QString::number(e[x] & 0xFFFFFFu, 16).toStdString();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(DamageDiff, EveryPassEqualsAFullRedraw)
{
    SceneRandom random;
    auto below = [&](int n) { return static_cast<int>(random() * n); };
    int partial = 0;
    int untouched = 0;
    for (int scene = 0; scene < 5; ++scene) {
        SCOPED_TRACE(scene);
        QWidget client;
        client.resize(300 + below(300), 150 + below(250));
        FrameSurface surface(client);
        int pen = 9;
        surface.DrawWidth(pen);
        BallTable t;
        t.InitBalls(surface.ScaleWidth());
        Rnd rnd;
        for (int pass = 0; pass < 200; ++pass) {
            SCOPED_TRACE(pass);
            const int what = below(100);
            if (what < 25 && !t.Full()) {
                // Presses anywhere, a few beyond the edges.
                const float x = (random() * 1.2f - 0.1f) * surface.ScaleWidth();
                const float y = (random() * 1.2f - 0.1f) * surface.ScaleHeight();
                for (int k = below(4); k >= 0; --k) {
                    t.AddBall(x + 400 * k, y, rnd);
                }
            } else if (what < 30 && t.BallCount > 0) {
                // A ball pushed across an edge, or wholly outside.
                const int i = 1 + below(t.BallCount);
                const float r = t.BallRadius[i];
                const float edges[][2] = {
                    {-r * 0.5f, t.BallY[i]}, {surface.ScaleWidth() + r * 0.3f, t.BallY[i]},
                    {t.BallX[i], -r * 0.7f}, {t.BallX[i], surface.ScaleHeight() + 10},
                    {-5000, -5000},          {0, 0}};
                const auto& e = edges[below(6)];
                t.BallX[i] = e[0];
                t.BallY[i] = e[1];
            } else if (what < 34) {
                // Among them the extremes: a pixel, a line, nothing at all.
                const QSize sizes[] = {{1, 1}, {1, 200}, {400, 1}, {0, 0}, {33, 31}, {64, 64}};
                client.resize(below(3) == 0 ? sizes[below(6)]
                                            : QSize(1 + below(600), 1 + below(400)));
            } else if (what < 36) {
                pen = 1 + below(20);
                surface.DrawWidth(pen);
            } else if (what < 38) {
                QPalette p = client.palette();
                p.setColor(QPalette::Window, QColor::fromRgb(RgbWordOf(below(1 << 24))));
                client.setPalette(p);
            } else if (what < 43) {
                // A pass with nothing changed.
            } else {
                t.MoveBalls(surface.ScaleWidth(), surface.ScaleHeight());
            }
            DrawBalls(t, surface);
            const QImage& frame = surface.Frame();
            ASSERT_TRUE(SamePixels(frame, FullRedraw(t, client, pen)));
            const Damage& d = surface.LastDamage();
            if (!d.Whole()) {
                (d.Rects().empty() ? untouched : partial) += 1;
            }
        }
    }
    // Most passes drew only part of the frame, some nothing: both ways were
    // taken, not only the whole redraw.
    EXPECT_GT(partial, 500);
    EXPECT_GT(untouched, 40);
}

TEST(DamageDiff, AFrameTheWindowStillSharesIsCopiedNotChanged)
{
    // A frame handed out (the way a paint event or a test holds it) keeps
    // its pixels when the next pass draws only its damage.
    QWidget client;
    client.resize(200, 100);
    FrameSurface surface(client);
    surface.DrawWidth(9);
    BallTable t = StartTable();
    PutBall(t, 1500, 750, 300, 0x0000FF);
    DrawBalls(t, surface);
    const QImage held = surface.Frame();
    const QImage copy = held.copy();
    t.BallX[1] = 600;
    DrawBalls(t, surface);
    EXPECT_TRUE(SamePixels(surface.Frame(), FullRedraw(t, client, 9)));
    EXPECT_FALSE(surface.LastDamage().Whole());
    EXPECT_TRUE(SamePixels(held, copy));
}

namespace {

// The region of every paint event the window gets.
struct PaintRegions : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(e)->region();
        }
        return false;
    }
};

class DamageRepaint : public ShownWindow {};

} // namespace

TEST_F(DamageRepaint, TheWindowRepaintsWhatChangedAndNoMore)
{
    // One ball falling in a wide window, far from the anchor's place.
    form.resize(1200, 800);
    QCoreApplication::processEvents();
    QTest::mouseClick(&form, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    PaintRegions paints;
    form.installEventFilter(&paints);
    for (int k = 0; k < 3; ++k) {
        Tick();
        QCoreApplication::processEvents();
    }
    paints.painted = QRegion();
    const float x = form.Table.BallX[1] / TwipsPerPixel;
    const float y = form.Table.BallY[1] / TwipsPerPixel;
    const float outer = form.Table.BallRadius[1] / TwipsPerPixel + 4.5f;
    Tick();
    QCoreApplication::processEvents();
    // The ring where it was and where it is now, the anchor's dot below
    // it, each within a tile: a sliver of the window.
    const auto covers = [&](float cx, float cy, float reach) {
        const QRect ring(QPoint(static_cast<int>(std::floor(cx - reach)),
                                static_cast<int>(std::floor(cy - reach))),
                         QPoint(static_cast<int>(std::ceil(cx + reach)) - 1,
                                static_cast<int>(std::ceil(cy + reach)) - 1));
        return (QRegion(ring) - paints.painted).isEmpty();
    };
    EXPECT_TRUE(covers(x, y, outer));
    EXPECT_TRUE(covers(x, form.Table.BallY[1] / TwipsPerPixel, outer));
    EXPECT_TRUE(
        covers(form.Table.BallX[0] / TwipsPerPixel, form.Table.BallY[0] / TwipsPerPixel, 4.5f));
    long area = 0;
    for (const QRect& r : paints.painted) {
        area += static_cast<long>(r.width()) * r.height();
    }
    EXPECT_GT(area, 0);
    EXPECT_LT(area, 1200L * 800 / 20);
    form.removeEventFilter(&paints);
}
