// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The windowed program: the Qt application, the single-instance rule, the main window with
// its About window, and the message loop.
#pragma once

#include "app/cli/cli.h"

namespace vanto {

class TMaindlg;
class TSingleInstance;

// Runs the window until it is closed and returns the exit code; 0 at once when another copy
// of the program runs and has been brought to the front. `argc` and `argv` are the
// program's own; Qt keeps references to them.
int RunMainWindow(int& argc, char** argv, const cli::Options& options);

// A later start of the program brings `window` back to the front, from the notification
// area or the taskbar; the arguments it passes are ignored.
void ShowOnActivation(TSingleInstance& instance, TMaindlg& window);

// SIGTERM, SIGINT, SIGHUP and the end of the desktop session close `window` as Quit does.
void CloseOnTerminationRequests(TMaindlg& window);

}  // namespace vanto
