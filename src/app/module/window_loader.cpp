// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Finds and loads the window module (Linux). The module is looked for beside the program's
// own file (as /proc/self/exe names it, whatever the working folder or PATH), first where the
// package installs it, then in the same folder, as a build leaves it.
#include "app/module/window_module.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <ostream>
#include <string>

#include "platform/build_info.h"

namespace vanto::window_module {

namespace {

std::string ProgramFolder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
    std::string path(buf, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

int Run(Entry entry, int& argc, char** argv, const cli::Options& options, std::ostream& err) {
    const std::string folder = ProgramFolder();
    if (folder.empty()) {
        err << "vantoscope: the program's own folder is unknown, so its window module cannot be found\n";
        return 1;
    }
    std::string tried;
    void* module = nullptr;
    for (const char* relative : {VS_WINDOW_MODULE_INSTALLED, VS_WINDOW_MODULE_FILE}) {
        const std::string path = folder + "/" + relative;
        // Now, not lazily: a module that does not fit fails here, not in the middle of the window.
        module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module != nullptr) break;
        const char* why = ::dlerror();
        tried += "\n  ";
        tried += why != nullptr ? why : path;
    }
    if (module == nullptr) {
        err << "vantoscope: the window module cannot be loaded:" << tried << "\n";
        return 1;
    }
    const auto run = reinterpret_cast<EntryFunction>(::dlsym(module, kEntrySymbol));
    if (run == nullptr) {
        err << "vantoscope: the window module has no entry " << kEntrySymbol << "\n";
        return 1;
    }
    // The module stays loaded until the process ends: Qt's own exit work runs from it.
    return run(static_cast<int>(entry), &argc, argv, &options, build::kVersion);
}

}  // namespace vanto::window_module
