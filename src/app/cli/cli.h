// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The command line of the one executable: the window (default), the headless connection
// table (--list), the naming of executables (--identify), whether the copy is portable,
// help and the version. The window itself is passed in by the caller, so this code and its
// tests need no Qt.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/table_format.h"
#include "monitor/connection_snapshot.h"

namespace vanto::cli {

enum class Mode { Window, List, Identify, Help, Version, PortableStatus, CheckUpdate, Close };

struct Options {
    Mode mode = Mode::Window;
    bool all = false;
    bool ipv6 = false;     // --list: IPv6 rows too
    bool resolve = false;  // --list: host names for remote addresses
    Format format = Format::Text;
    bool minimized = false;  // "/minimized": start hidden
    bool verbose = false;    // --identify: also the version-resource fields
    std::vector<std::string> paths;  // --identify: the files to name, in order
    std::string update_url;          // --check-update: the service's base instead of the maker's
    std::string close_local;         // --close: the connection's two ends
    std::string close_remote;
};

// Said after a usage error's one line.
inline constexpr const char* kTryHelp = "Try 'vantoscope --help' for more information.";

// Exit codes of --close.
inline constexpr int kExitClosed = 0;
inline constexpr int kExitNotClosed = 1;

// How long --list --resolve waits for host names in all.
inline constexpr int kResolveWaitMs = 2000;

// Exit codes of --check-update.
inline constexpr int kExitUpToDate = 0;
inline constexpr int kExitCheckFailed = 1;
inline constexpr int kExitNewerVersion = 10;

struct ParseResult {
    bool ok = true;
    std::string error;  // one line, when !ok
    Options options;
};

// Arguments without the program name.
ParseResult ParseCommandLine(const std::vector<std::string>& args);
std::string Usage();
// "Vantoscope" and the four-part version, as --version prints it (without the line end).
std::string VersionLine();

// The rows the window shows by default (or every row with `all`), one per record. The JSON
// objects also carry `family` ("IPv4", "IPv6"), `bytes_sent` and `bytes_received` (null where
// unknown). With `remote_name`, the remote address of a row whose name is known becomes that
// name (JSON: `remote_name`, the number staying in `remote_address`).
Table ConnectionTable(const TConnectionArray& connections, bool all,
                      const std::function<std::string(std::uint32_t pid)>& process_text,
                      const std::function<std::string(const TConnection&)>& remote_name = {});

// The file-version cell of --identify --verbose for a path that is a folder.
inline constexpr const char* kIsAFolderText = "Is a folder, not a file";

// One row per path: the path, its product name, company and version; with `verbose` also the
// fixed file version and the eight version-resource strings. A missing or unreadable file
// still gets its row, named after its file name.
Table IdentifyTable(const std::vector<std::string>& paths, bool verbose);

// Runs the program. `window` opens the window and returns the exit code; it is empty when
// there is no display, and then the connection table is printed instead. `check_update` runs
// one update check (--check-update) and returns its exit code; empty in a build without it.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
         const std::function<int(const Options&)>& window,
         const std::function<int(const Options&)>& check_update = {});

}  // namespace vanto::cli
