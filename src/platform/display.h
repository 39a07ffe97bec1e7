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

// Windows: the program with the window is built for the window subsystem, so it has no console
// of its own. Its text commands (the table, --help, a command-line error) then write to the
// console of the prompt that started it, unless their output already goes to a file or pipe.
// Nothing happens when there is no such console or the program is a console program.
// Linux: nothing to do.
void UseParentConsole();

}  // namespace vanto::platform
