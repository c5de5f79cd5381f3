// SPDX-License-Identifier: MIT
// Entry: the one window and the event loop.
#include "main_window.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Form1 form;
    form.show();
    return app.exec();
}
