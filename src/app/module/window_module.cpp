// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The window module's entry (Linux): what the program would call directly if it linked Qt.
#include "app/module/window_module.h"

#include <cstring>
#include <iostream>
#include <type_traits>

#include "app/check_update_main.h"
#include "app/gui_main.h"
#include "platform/build_info.h"

extern "C" __attribute__((visibility("default"))) int vantoscope_window_module_run(int entry, int* argc, char** argv,
                                                                                  const vanto::cli::Options* options,
                                                                                  const char* version) {
    using vanto::window_module::Entry;
    static_assert(std::is_same_v<decltype(&vantoscope_window_module_run), vanto::window_module::EntryFunction>);
    if (version == nullptr || std::strcmp(version, vanto::build::kVersion) != 0) {
        std::cerr << "vantoscope: the window module is version " << vanto::build::kVersion << ", the program "
                  << (version != nullptr ? version : "unknown") << "\n";
        return 1;
    }
    switch (static_cast<Entry>(entry)) {
    case Entry::Window:
        return vanto::RunMainWindow(*argc, argv, *options);
    case Entry::CheckUpdate:
        return vanto::RunCheckUpdate(*argc, argv, *options, std::cout);
    }
    return 1;
}
