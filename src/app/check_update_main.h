// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The headless update check (--check-update): the window's checker run once without a window,
// its log lines and outcome printed, the outcome as exit code.
#pragma once

#include <ostream>

#include "app/cli/cli.h"

namespace vanto {

// Creates the Qt core application itself; call with no application running.
int RunCheckUpdate(int& argc, char** argv, const cli::Options& options, std::ostream& out);

}  // namespace vanto
