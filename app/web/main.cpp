// SPDX-License-Identifier: MIT
// Entry: the one window. main returns at once; the page's events run it.
#include "web_window.h"

int main()
{
    // Lives as long as the page: the runtime is not torn down after main.
    static WebWindow window;
    window.Start();
}
