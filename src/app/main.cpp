// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Program entry: hands the arguments to the testable entry function, with the window when
// this build has one and a display is there.
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"

using WindowFunction = std::function<int(const vanto::cli::Options&)>;

#if VS_WITH_QT
#include "app/check_update_main.h"
#include "app/gui_main.h"
#include "platform/display.h"

static WindowFunction Window(int& argc, char** argv) {
    if (!vanto::platform::HasDisplay()) return {};
    return [&argc, argv](const vanto::cli::Options& options) { return vanto::RunMainWindow(argc, argv, options); };
}

// Needs no display: the check runs on the core application's event loop.
static WindowFunction CheckUpdate(int& argc, char** argv) {
    return [&argc, argv](const vanto::cli::Options& options) {
        return vanto::RunCheckUpdate(argc, argv, options, std::cout);
    };
}
#else
// The headless build: every start prints the table.
static WindowFunction Window(int&, char**) { return {}; }
static WindowFunction CheckUpdate(int&, char**) { return {}; }
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return vanto::cli::Main(args, std::cout, std::cerr, Window(argc, argv), CheckUpdate(argc, argv));
}
