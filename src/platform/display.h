// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Whether a window can be shown at all: without a display the program prints its table
// instead of failing to open the window.
#pragma once

namespace vanto::platform {

// Linux: DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM (an explicit choice such as
// "offscreen") is set and not empty. Windows: the process runs on the interactive window
// station, not in a service session.
bool HasDisplay();

}  // namespace vanto::platform
