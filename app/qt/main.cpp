// SPDX-License-Identifier: MIT
// Entry: the one window and the event loop.
#include "qt_window.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Wayland compositors and X11 window managers match the window to its
    // menu entry, org.example.torvane.desktop, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(TORVANE_APP_ID));
    // Every size of the icon that is built in (app/icons/hicolor), so that
    // the window system can take the one it shows.
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/icons/hicolor"), {QStringLiteral(TORVANE_APP_ID ".png")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext()) {
        icon.addFile(sizes.next());
    }
    QApplication::setWindowIcon(icon);

    QtWindow window;
    window.show();
    return app.exec();
}
