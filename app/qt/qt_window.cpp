// SPDX-License-Identifier: MIT
// The window on Qt.
#include "qt_window.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>

QtWindow::QtWindow(Clock clock, QWidget* parent) : QWidget(parent), clock_(std::move(clock))
{
    setWindowTitle(QString::fromUtf8(Form1::Caption));
    // paintEvent covers every pixel it is asked for, so Qt need not fill
    // the client area with the background first, 64 times a second.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Precise, because a coarse timer may wake up to 5% early and would then
    // only find that nothing is due yet.
    wake_.setTimerType(Qt::PreciseTimer);
    wake_.setSingleShot(true);
    QObject::connect(&wake_, &QTimer::timeout, [this] { Form.WakeUp(); });
    resize(Form1::StartClientWidth, Form1::StartClientHeight);
    Form.Form_Load();
}

std::uint32_t QtWindow::Background() const
{
    return palette().color(QPalette::Window).rgb() & 0xFFFFFFu;
}

void QtWindow::WakeAt(std::chrono::nanoseconds at)
{
    // Rounded up: waking a little after the boundary is harmless, waking
    // before it would only cost a second wake-up.
    const auto wait = std::max<std::int64_t>((at - Now()).count(), 0);
    wake_.start(static_cast<int>((wait + 999'999) / 1'000'000));
}

void QtWindow::Repaint(std::span<const PixelRect> rects)
{
    // Device pixels to pixels of the window, rounded outwards, so that a
    // fractional pixel ratio never leaves a changed pixel out.
    const double ratio = Form.FrameRatio();
    QRegion region;
    for (const PixelRect& r : rects) {
        const int left = static_cast<int>(std::floor(r.left / ratio));
        const int top = static_cast<int>(std::floor(r.top / ratio));
        const int right = static_cast<int>(std::ceil(r.right / ratio));
        const int bottom = static_cast<int>(std::ceil(r.bottom / ratio));
        region += QRect(left, top, right - left, bottom - top);
    }
    update(region);
}

void QtWindow::mousePressEvent(QMouseEvent* event)
{
    const QPointF p = event->position();
    const int button = event->button() == Qt::RightButton    ? RightButton
                       : event->button() == Qt::MiddleButton ? MiddleButton
                       : event->button() == Qt::LeftButton   ? LeftButton
                                                             : ExtraButton;
    const Qt::KeyboardModifiers m = event->modifiers();
    const int shift = (m & Qt::ShiftModifier ? ShiftMask : 0) |
                      (m & Qt::ControlModifier ? CtrlMask : 0) |
                      (m & Qt::AltModifier ? AltMask : 0);
    Form.MouseDown(button, shift, p.x(), p.y());
}

void QtWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Widgets get the second press of a double-click only as this event,
    // never as a press of its own; it adds a ball like any other press.
    mousePressEvent(event);
}

void QtWindow::paintEvent(QPaintEvent* event)
{
    const PixelFrame& f = Form.Frame();
    // A frame of another pixel ratio than the window's (the window moved
    // to another screen while the pile rested) is drawn again by a tick.
    if (f.pixels != nullptr && Form.FrameRatio() != FrameSurface::RatioFor(devicePixelRatioF())) {
        Form.PixelRatioChanged();
    }
    // A client area too large for memory has no frame, and then Qt has no
    // window image to paint on either: a painter would only warn.
    if (Form.Screen().FrameTooLarge()) {
        return;
    }
    // Qt clips the painter to the region asked for. The frame, opaque, is
    // copied as it is, wrapped without a copy; until the first tick there
    // is none, and what a resize uncovers shows the background until the
    // next one.
    QPainter painter(this);
    QRegion uncovered = event->region();
    if (f.pixels != nullptr) {
        QImage frame(reinterpret_cast<const uchar*>(f.pixels), f.width, f.height,
                     f.stride * static_cast<qsizetype>(sizeof *f.pixels), QImage::Format_RGB32);
        frame.setDevicePixelRatio(Form.FrameRatio());
        painter.drawImage(QPointF(0, 0), frame);
        uncovered -= QRect(QPoint(0, 0), frame.deviceIndependentSize().toSize());
    }
    for (const QRect& r : uncovered) {
        painter.fillRect(r, palette().color(QPalette::Window));
    }
}

void QtWindow::resizeEvent(QResizeEvent* event)
{
    Form.Resized();
    QWidget::resizeEvent(event);
}

void QtWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        isMinimized() ? Form.Minimised() : Form.Restored();
    } else if (event->type() == QEvent::PaletteChange) {
        Form.BackgroundChanged();
    }
    QWidget::changeEvent(event);
}

void QtWindow::showEvent(QShowEvent* event)
{
    Form.Shown();
    QWidget::showEvent(event);
}

void QtWindow::hideEvent(QHideEvent* event)
{
    Form.Hidden();
    QWidget::hideEvent(event);
}
