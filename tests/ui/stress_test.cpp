// SPDX-License-Identifier: MIT
// The real window under abuse, on Qt's offscreen platform with its timer on
// a fake clock: a burst of presses far beyond the table, a storm of resizes
// from 1 x 1 to 20000 x 20000 pixels, minimising and restoring a crowded
// pile, and closing the window while ticks run. Every case checks the pile to
// the bit against the simulation run on its own, not just that nothing broke.
#include "asan.h"
#include "shown_window.h"
#include "sim_test_util.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Collects what Qt warns of while it is alive: painting on a frame that
// could not be made, for one, only shows up there.
class QtWarnings {
public:
    QtWarnings()
    {
        Seen().clear();
        previous_ = qInstallMessageHandler(&Collect);
    }
    ~QtWarnings() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& Seen()
    {
        static std::vector<std::string> seen;
        return seen;
    }

private:
    static void Collect(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type != QtDebugMsg && type != QtInfoMsg) {
            Seen().push_back(text.toStdString());
        }
    }
    QtMessageHandler previous_;
};

// Client size in pixels as world units (twips), as the tick gets it.
float Twips(int pixels)
{
    return static_cast<float>(pixels) * TwipsPerPixel;
}

class WindowStress : public ShownWindow {
protected:
    // The latest frame covers the whole client area in device pixels.
    ::testing::AssertionResult FrameFitsClient()
    {
        const QImage& f = form.Screen().Frame();
        const qreal ratio = form.devicePixelRatioF();
        const QSize device(qCeil(form.width() * ratio), qCeil(form.height() * ratio));
        // An empty client area is the one size whose frame has no pixels
        // (Qt makes any image with a side of 0 a null image of 0 x 0).
        if (device.isEmpty() ? !f.isNull() : f.size() != device || f.isNull()) {
            return ::testing::AssertionFailure()
                   << "frame " << f.width() << " x " << f.height() << (f.isNull() ? " (null)" : "")
                   << ", client " << form.width() << " x " << form.height() << " at ratio "
                   << ratio;
        }
        if (!f.isNull() && f.devicePixelRatio() != ratio) {
            return ::testing::AssertionFailure() << "frame ratio " << f.devicePixelRatio();
        }
        return ::testing::AssertionSuccess();
    }

    // A full table, settled for a second: the pile the resize storms shake.
    void CrowdedPile()
    {
        FillTable();
        for (int k = 0; k < 64; ++k) {
            Tick();
        }
    }

    // Each burst of sizes, then one tick: alternately as the program resizes
    // and as the window system does, of which only the last size of a burst
    // counts, as when a window edge is dragged. After every tick the pile is
    // the simulation's own to the bit and the frame is the client's size.
    void Storm(const std::vector<std::vector<QSize>>& storm)
    {
        BallTable expected = form.Table;
        const QtWarnings warnings;
        int resizes = 0;
        for (const auto& burst : storm) {
            for (const QSize& size : burst) {
                // An empty client area comes only from the program's own
                // resize: Qt hides the native window while its widget is
                // empty and takes no size from it until the program gives
                // the widget one again.
                const bool empty = size.isEmpty() || form.size().isEmpty();
                if (resizes++ % 2 == 0 || empty) {
                    form.resize(size);
                } else {
                    form.windowHandle()->resize(size);
                    QCoreApplication::processEvents();
                }
            }
            const QSize size = burst.back();
            SCOPED_TRACE(::testing::Message() << "resize " << resizes << " to " << size.width()
                                              << " x " << size.height());
            ASSERT_EQ(form.size(), size);
            // Nothing moves until a tick reads the new size.
            ASSERT_TRUE(SameTable(form.Table, expected));
            Tick();
            expected.MoveBalls(Twips(size.width()), Twips(size.height()));
            ASSERT_TRUE(SameTable(form.Table, expected));
            ASSERT_TRUE(TableSound(form.Table));
            ASSERT_TRUE(FrameFitsClient());
        }
        EXPECT_EQ(QtWarnings::Seen(), std::vector<std::string>{});
        RecordProperty("resizes", resizes);
        RecordProperty("ticks", static_cast<int>(storm.size()));
    }
};

// Storms that take seconds and gigabytes: labelled soak, run in CI.
using WindowStressSoak = WindowStress;

} // namespace

TEST_F(WindowStress, BurstOfPressesFillsTheTableThenChangesNothing)
{
    // 5000 presses with no tick between them: every button, some with
    // modifiers, one in ten through the window system's path (as a real
    // mouse comes), the rest sent straight to the widget.
    constexpr int Presses = 5000;
    const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
    std::vector<QPoint> at;
    for (int k = 0; k < Presses; ++k) {
        at.push_back(Spread(k));
        const Qt::MouseButton b = buttons[k % 3];
        const Qt::KeyboardModifiers mods = k % 5 == 0 ? Qt::ShiftModifier : Qt::NoModifier;
        if (k % 10 == 9) {
            QTest::mousePress(form.windowHandle(), b, mods, at[k]);
            QTest::mouseRelease(form.windowHandle(), b, mods, at[k]);
        } else {
            QTest::mousePress(&form, b, mods, at[k]);
            QTest::mouseRelease(&form, b, mods, at[k]);
        }
    }

    // The same table after only the first 1000 presses, with a fresh
    // random source: the other 4000 took no slot and no random value.
    Rnd rnd;
    BallTable expected = StartTable();
    for (int k = 0; k < MaxSlot; ++k) {
        expected.AddBall(Twips(at[k].x()), Twips(at[k].y()), rnd);
    }
    ASSERT_EQ(form.Table.BallCount, MaxSlot);
    EXPECT_TRUE(SameTable(form.Table, expected));

    Tick();
    expected.MoveBalls(StartWidth, StartHeight);
    EXPECT_TRUE(SameTable(form.Table, expected));
    EXPECT_TRUE(FrameFitsClient());
}

TEST_F(WindowStress, ResizeStormKeepsThePileExactAndTheFrameTheClientSize)
{
    CrowdedPile();
    // The extremes first: a window a pixel wide or high crushes the pile
    // against the walls, one 20000 pixels long is a long thin frame, and an
    // empty client area has no frame at all. Then a run of ordinary sizes,
    // several to a tick.
    std::vector<std::vector<QSize>> storm = {
        {{1, 1}}, {StartSize}, {{1, 20000}}, {{20000, 1}}, {{0, 0}},
        {{2, 3}}, {{0, 366}},  {{605, 0}},   {{1, 1}},     {{640, 480}},
    };
    SceneRandom random;
    for (int step = 0; step < 100; ++step) {
        std::vector<QSize> burst;
        for (int k = 0; k < 1 + step % 4; ++k) {
            burst.emplace_back(1 + static_cast<int>(random() * 1920),
                               1 + static_cast<int>(random() * 1200));
        }
        storm.push_back(burst);
    }
    storm.push_back({StartSize});
    Storm(storm);
}

TEST_F(WindowStressSoak, TwentyThousandPixelsASideKeepThePileExact)
{
    // A 1.6 GB frame (Qt's offscreen platform allocates it, and a backing
    // store of the same size to paint it into), reached from a pixel and
    // left for one, twice.
    CrowdedPile();
    Storm({{{1, 1}}, {{20000, 20000}}, {{1, 1}}, {{20000, 20000}}, {{640, 480}}, {StartSize}});
}

TEST_F(WindowStress, AFrameTooLargeForMemoryDrawsNothingUntilOneFitsAgain)
{
    if (UnderAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer ends the process on an allocation it cannot make";
    }
    // Three balls well apart, so that each ring can be seen.
    const QPoint at[] = {{100, 100}, {300, 150}, {500, 100}};
    for (const QPoint& p : at) {
        QTest::mouseClick(&form, Qt::LeftButton, Qt::NoModifier, p);
    }
    Tick();
    BallTable expected = form.Table;
    const QtWarnings warnings;

    // The largest widget Qt allows: its frame would be 1.1 PB, beyond any
    // address space, so the allocation fails on every machine and Qt hands
    // back a null image. The pile goes on moving at that size all the same.
    const QSize huge(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    form.resize(huge);
    ASSERT_EQ(form.size(), huge);
    for (int k = 0; k < 3; ++k) {
        Tick();
        expected.MoveBalls(Twips(huge.width()), Twips(huge.height()));
        ASSERT_TRUE(SameTable(form.Table, expected));
        ASSERT_TRUE(TableSound(form.Table));
        EXPECT_TRUE(form.Screen().Frame().isNull());
    }

    form.resize(StartSize);
    Tick();
    expected.MoveBalls(StartWidth, StartHeight);
    ASSERT_TRUE(SameTable(form.Table, expected));
    ASSERT_TRUE(FrameFitsClient());
    const QImage& f = form.Screen().Frame();
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        const float r = form.Table.BallRadius[i];
        const qreal scale = f.devicePixelRatio() / TwipsPerPixel;
        const QRgb ring =
            f.pixel(qRound((form.Table.BallX[i] + r) * scale), qRound(form.Table.BallY[i] * scale));
        EXPECT_EQ(ring | 0xFF000000u, RgbOf(form.Table.BallColor[i]));
    }
    EXPECT_EQ(QtWarnings::Seen(), std::vector<std::string>{});
}

TEST_F(WindowStress, MinimiseAndRestoreLeaveACrowdedPileAsItWas)
{
    FillTable();
    for (int k = 0; k < 200; ++k) {
        Tick();
    }
    // A crowded pile, which still moves at every tick: each cycle below
    // checks that it did.
    BallTable expected = form.Table;
    Tick();
    expected.MoveBalls(StartWidth, StartHeight);
    ASSERT_TRUE(SameTable(form.Table, expected));

    for (int cycle = 0; cycle < 20; ++cycle) {
        SCOPED_TRACE(cycle);
        const BallTable before = form.Table;
        const QImage frame = form.Screen().Frame().copy();
        // By the program's call and by the window system's.
        if (cycle % 2 == 0) {
            form.showMinimized();
        } else {
            form.windowHandle()->showMinimized();
        }
        QCoreApplication::processEvents();
        ASSERT_TRUE(form.isMinimized());
        EXPECT_FALSE(form.Timer1.Enabled());

        // A second of timer events falls due, polled directly and through
        // the event loop.
        for (int k = 0; k < 64; ++k) {
            Tick();
        }
        QTest::qWait(5);
        ASSERT_TRUE(SameTable(form.Table, before));

        if (cycle % 2 == 0) {
            form.showNormal();
        } else {
            form.windowHandle()->showNormal();
        }
        QCoreApplication::processEvents();
        ASSERT_FALSE(form.isMinimized());
        EXPECT_TRUE(form.Timer1.Enabled());
        ASSERT_EQ(form.size(), StartSize);
        ASSERT_TRUE(SameTable(form.Table, before));
        EXPECT_EQ(form.Screen().Frame(), frame);

        // The pile goes on from where it stopped.
        Tick();
        expected.MoveBalls(StartWidth, StartHeight);
        ASSERT_TRUE(SameTable(form.Table, expected));
        ASSERT_FALSE(SameTable(form.Table, before));
    }
}

namespace {

// Records the pile when the window takes its close event and again when
// Qt is about to delete it, to show that no tick ran in between.
struct CloseWatch : QObject {
    int closes = 0;
    bool deleted = false;
    std::uint64_t atClose = 0;
    std::uint64_t atDelete = 0;

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        const auto& form = static_cast<const Form1&>(*watched);
        if (e->type() == QEvent::Close) {
            ++closes;
            atClose = StateHash(form.Table);
        } else if (e->type() == QEvent::DeferredDelete) {
            deleted = true;
            atDelete = StateHash(form.Table);
        }
        return false;
    }
};

// The close button as the window system reports it: queued for the event
// loop, never delivered in the middle of a handler.
void PostClose(Form1& form)
{
    QCoreApplication::postEvent(form.windowHandle(), new QCloseEvent);
}

} // namespace

TEST(WindowClose, ClosingWhileTheTimerIsArmedEndsTheTicks)
{
    FakeClock clock;
    Form1 form{clock.Source()};
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    PressMany(form, 100);
    TickAndPaint(clock, form);
    ASSERT_TRUE(form.Timer1.Enabled());
    const std::uint64_t atClose = StateHash(form.Table);

    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Timer1.Enabled());
    // A second of events falls due, and the wake-up that was armed before
    // the close would have come by now.
    for (int k = 0; k < 64; ++k) {
        TickAndPaint(clock, form);
    }
    QTest::qWait(40);
    EXPECT_EQ(StateHash(form.Table), atClose);
}

TEST(WindowClose, CloseDuringATickTakesEffectAfterItAndDeletesTheWindowSafely)
{
    // A clock that can act once when it is read, which Timer does in the
    // middle of delivering a timer event: the close the user clicks while a
    // tick runs is queued there.
    struct {
        std::chrono::nanoseconds now{0};
        std::function<void()> onRead;
    } clock;
    Clock source = [&clock] {
        if (auto act = std::exchange(clock.onRead, nullptr)) {
            act();
        }
        return clock.now;
    };
    CloseWatch watch;
    auto* form = new Form1(source);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->installEventFilter(&watch);
    const QPointer<Form1> alive(form);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    PressMany(*form, MaxSlot);
    for (int k = 0; k < 10; ++k) {
        clock.now += Timer::Granularity;
        form->Timer1.Poll();
    }
    BallTable expected = form->Table;

    clock.onRead = [form] { PostClose(*form); };
    clock.now += Timer::Granularity;
    form->Timer1.Poll();
    ASSERT_FALSE(clock.onRead);
    // The tick ran whole; the close waits for the event loop.
    expected.MoveBalls(StartWidth, StartHeight);
    EXPECT_TRUE(SameTable(form->Table, expected));
    EXPECT_EQ(watch.closes, 0);

    // Ten more events fall due while the close waits in the queue, and a
    // second's worth after it: whatever would still touch the deleted
    // window comes in this wait, before the checks.
    clock.now += 74 * Timer::Granularity;
    QTest::qWait(90);
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(watch.closes, 1);
    EXPECT_TRUE(watch.deleted);
    EXPECT_EQ(watch.atDelete, watch.atClose);
}

TEST(WindowClose, ClosingEndsTheEventLoopWhileTicksRun)
{
    // As the program runs: the machine's clock, a full table, the event
    // loop, and the window closed after about twenty ticks.
    CloseWatch watch;
    Form1 form;
    form.installEventFilter(&watch);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    PressMany(form, MaxSlot);
    const std::uint64_t start = StateHash(form.Table);

    QTimer close;
    close.setSingleShot(true);
    QObject::connect(&close, &QTimer::timeout, [&form] { PostClose(form); });
    close.start(300ms);
    // Only a fault keeps the loop running this long.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, qApp, &QCoreApplication::quit);
    giveUp.start(20s);

    QApplication::exec();
    ASSERT_EQ(watch.closes, 1) << "the loop ended without the window closing";
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_NE(watch.atClose, start) << "no tick ran before the close";
    QTest::qWait(100);
    EXPECT_EQ(StateHash(form.Table), watch.atClose);
}
