// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Whether a window can be shown at all: without a display the program prints its table
// instead of failing to open the window.
#pragma once

#include <string>

namespace vanto::platform {

// Linux: a display server answers at DISPLAY or WAYLAND_DISPLAY, or QT_QPA_PLATFORM names a
// platform that needs none (such as "offscreen"); asked before Qt starts, which would abort
// on a display it cannot open. Windows: the process runs on the interactive window station,
// not in a service session.
bool HasDisplay();
// Why HasDisplay is false, as a phrase for the user ("the display :99 cannot be opened"), or
// empty when there is a display.
std::string DisplayUnavailableReason();

// Windows: the program with the window is built for the window subsystem, so it has no console
// of its own. Its text commands (the table, --help, a command-line error) then write to the
// console of the prompt that started it, unless their output already goes to a file or pipe.
// Nothing happens when there is no such console or the program is a console program.
// Linux: nothing to do.
void UseParentConsole();

}  // namespace vanto::platform
