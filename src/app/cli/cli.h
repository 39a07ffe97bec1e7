// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The command line of the one executable: the window (default), the headless connection
// table (--list), the naming of executables (--identify) and help. The window itself is passed in by the caller, so this code and
// its tests need no Qt.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/table_format.h"
#include "monitor/connection_snapshot.h"

namespace vanto::cli {

enum class Mode { Window, List, Identify, Help };

struct Options {
    Mode mode = Mode::Window;
    bool all = false;
    Format format = Format::Text;
    bool minimized = false;  // "/minimized": start hidden
    bool verbose = false;    // --identify: also the version-resource fields
    std::vector<std::string> paths;  // --identify: the files to name, in order
};

struct ParseResult {
    bool ok = true;
    std::string error;  // one line, when !ok
    Options options;
};

// Arguments without the program name.
ParseResult ParseCommandLine(const std::vector<std::string>& args);
std::string Usage();

// The rows the window shows by default (or every row with `all`), one per record.
Table ConnectionTable(const TConnectionArray& connections, bool all,
                      const std::function<std::string(std::uint32_t pid)>& process_text);

// One row per path: the path, its product name, company and version; with `verbose` also the
// fixed file version and the eight version-resource strings. A missing or unreadable file
// still gets its row, named after its file name.
Table IdentifyTable(const std::vector<std::string>& paths, bool verbose);

// Runs the program. `window` opens the window and returns the exit code; it is empty when
// there is no display, and then the connection table is printed instead.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
         const std::function<int(const Options&)>& window);

}  // namespace vanto::cli
