// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// On Linux the window and the update check live in a module of their own that the program
// loads only when it opens its window or checks for an update: Qt and the fifty libraries it
// brings take longer to load than a whole `--list`, which needs none of them. This is the
// contract between the program and that module; both are built from the same sources, and the
// module refuses a program of another version.
#pragma once

#include <ostream>

#include "app/cli/cli.h"

namespace vanto::window_module {

enum class Entry : int { Window = 0, CheckUpdate = 1 };

// The module's one exported function, by this name.
inline constexpr const char* kEntrySymbol = "vantoscope_window_module_run";
using EntryFunction = int (*)(int entry, int* argc, char** argv, const cli::Options* options, const char* version);

// Loads the module, found next to the program or where the package installs it, and runs
// `entry` in it. When the module is missing or does not fit, says so on `err` and gives 1.
int Run(Entry entry, int& argc, char** argv, const cli::Options& options, std::ostream& err);

}  // namespace vanto::window_module
