// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The windowed program: the Qt application, the main window and its message loop.
#pragma once

#include "app/cli/cli.h"

namespace vanto {

// Runs the window until it is closed and returns the exit code. `argc` and `argv` are the
// program's own; Qt keeps references to them.
int RunMainWindow(int& argc, char** argv, const cli::Options& options);

}  // namespace vanto
