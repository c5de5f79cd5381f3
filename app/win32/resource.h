// SPDX-License-Identifier: MIT
// Resource ids shared by the resource script and the program.
#pragma once

// The icon, in every size app/icons has (torvane.rc.in).
#define IDI_TORVANE 1
