// SPDX-License-Identifier: MIT
// The window on Qt.
#include "qt_window.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTouchEvent>
#include <algorithm>
#include <cmath>

QtWindow::QtWindow(const Clock& clock) : clock_(clock)
{
    setWindowTitle(QString::fromUtf8(Form1::Caption));
    // paintEvent covers every pixel it is asked for, so Qt need not fill
    // the client area with the background first, 64 times a second.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_AcceptTouchEvents); // a ball for every finger: event()
    // Precise, because a coarse timer may wake up to 5% early and would then
    // only find that nothing is due yet.
    wake_.setTimerType(Qt::PreciseTimer);
    wake_.setSingleShot(true);
    QObject::connect(&wake_, &QTimer::timeout, [this] { Form.WakeUp(); });
    resize(Form1::StartClientWidth, Form1::StartClientHeight);
    Form.Form_Load();
}

void QtWindow::WakeAt(std::chrono::nanoseconds at)
{
    wake_.start(static_cast<int>(UnitsToWait(at, Now(), std::chrono::milliseconds(1))));
}

void QtWindow::Repaint(std::span<const PixelRect> rects)
{
    // Device pixels to pixels of the window, rounded outwards, so that a
    // fractional pixel ratio never leaves a changed pixel out.
    const double k = Form.FrameRatio();
    QRegion region;
    for (const PixelRect& r : rects) {
        region += QRect(QPoint(int(std::floor(r.left / k)), int(std::floor(r.top / k))),
                        QPoint(int(std::ceil(r.right / k)) - 1, int(std::ceil(r.bottom / k)) - 1));
    }
    update(region);
}

void QtWindow::mousePressEvent(QMouseEvent* event)
{
    // What Qt or the system make of a touch: each finger added its ball.
    if (event->pointingDevice()->type() == QInputDevice::DeviceType::TouchScreen) {
        return;
    }
    // Qt's left, right and middle buttons are Form1's 1, 2 and 4, and every
    // other button is 8 or more; its Shift, Control and Alt are bits 25 to
    // 27, Form1's 1, 2 and 4.
    const int button = std::min<int>(event->button(), ExtraButton);
    const int shift = (event->modifiers().toInt() >> 25) & (ShiftMask | CtrlMask | AltMask);
    Form.MouseDown(button, shift, event->position().x(), event->position().y());
}

void QtWindow::paintEvent(QPaintEvent* event)
{
    // The frame, wrapped without a copy, and the background where it does
    // not reach (everywhere before the first tick and while none fits).
    const PixelFrame& f = Form.Frame();
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

bool QtWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        // Accepted, so that Qt makes no presses of it.
        for (const QEventPoint& p : static_cast<QTouchEvent*>(event)->points()) {
            if (p.state() == QEventPoint::Pressed) {
                Form.MouseDown(LeftButton, 0, p.position().x(), p.position().y());
            }
        }
        event->accept();
        return true;
    case QEvent::MouseButtonDblClick:
        // Widgets get the second press of a double-click only as this
        // event; it adds a ball like any other press.
        mousePressEvent(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::Paint:
        // A new pixel ratio (a move to another screen) shows here on every Qt 6.
        Form.ClientChanged();
        break;
    case QEvent::Show:
    case QEvent::Hide:
        event->type() == QEvent::Show ? Form.Shown() : Form.Hidden();
        break;
    case QEvent::WindowStateChange:
    case QEvent::Resize:
    case QEvent::PaletteChange:
        isMinimized() ? Form.Minimised() : Form.Restored();
        Form.ClientChanged();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
