// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/cli/cli.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>

#include <chrono>

#include "monitor/connection_actions.h"
#include "monitor/connection_filters.h"
#include "monitor/name_resolver.h"
#include "monitor/display_name.h"
#include "monitor/process_identity.h"
#include "platform/build_info.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/program_identity.h"
#include "productinfo/U_OrvoFct.h"
#include "support/U_UnicodeUtils.h"
#include "support/text_utils.h"
#include "support/uninstall_entries.h"

namespace vanto::cli {

std::string Usage() {
    // The GNU layout ("  or:", an option's text after two blanks or on the next line), which
    // the manual page is made from.
    return "Usage: vantoscope [/minimized]\n"
           "  or:  vantoscope --list [--all] [--ipv6] [--resolve] [--format text|csv|json|html]\n"
           "  or:  vantoscope --close LOCAL REMOTE\n"
           "  or:  vantoscope --identify [--verbose] [--format text|csv|json|html] [--] PATH...\n"
           "  or:  vantoscope --check-update [--update-url BASE]\n"
           "  or:  vantoscope --portable-status\n"
           "  or:  vantoscope --help | --version\n"
           "\n"
           "Without options Vantoscope opens its window, which lists every IPv4 TCP connection\n"
           "and listener and every UDP endpoint with the process that owns it, refreshed once a\n"
           "second. Without a display it prints the connection table instead.\n"
           "\n"
           "  --list             print one snapshot of the connections and exit\n"
           "  --all              with --list: every row, also system processes (PID 0 and 4),\n"
           "                     listeners, UDP endpoints and connections to 127.0.0.1\n"
           "  --ipv6             with --list: IPv6 connections and endpoints too (TCPv6, UDPv6)\n"
           "  --resolve          with --list: the host names of remote addresses, where found\n"
           "                     within about two seconds; numbers for the rest\n"
           "  --close LOCAL REMOTE\n"
           "                     close the TCP connection with these ends, written as\n"
           "                     127.0.0.1:5000 or [::1]:5000; exit code 0 when closed, 1 when\n"
           "                     refused or not found (needs CAP_NET_ADMIN on Linux, an\n"
           "                     administrator on Windows)\n"
           "  --identify PATH...\n"
           "                     print the product name, company and version of each file and\n"
           "                     exit; a file that is missing or cannot be read is named after\n"
           "                     its file name\n"
           "  --verbose          with --identify: also the fixed file version and the eight\n"
           "                     strings of the version resource\n"
           "  --format FORMAT    with --list or --identify: text (aligned columns, the default),\n"
           "                     csv (RFC 4180), json (an array of objects) or html (a report)\n"
           "  --                 with --identify: every later argument is a path\n"
           "  --check-update     ask the update service once whether a newer version exists,\n"
           "                     print the log lines of the check and its outcome; exit code 0\n"
           "                     when up to date, 10 when a newer version exists, 1 on failure\n"
           "  --update-url BASE  with --check-update: the service's scheme and host (a mirror,\n"
           "                     a test server) instead of the maker's\n"
           "  --portable-status  print whether this copy runs portable, as the window's log\n"
           "                     says it (\"Portable : Yes\" or \"Portable : No\"), and exit\n"
           "  /minimized         start the window hidden in the notification area\n"
           "  -h, --help         show this help and exit\n"
           "  --version          print the name and version and exit\n";
}

std::string VersionLine() { return std::string(build::kProductName) + " " + build::kVersion; }

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
    ParseResult r;
    bool list = false, identify = false, help = false, version = false, portable_status = false, format_given = false,
         only_paths = false;
    bool check_update = false, update_url_given = false, close = false;
    std::vector<std::string> loose;  // arguments that are not options: paths for --identify
    std::string dash_word;           // the first "-x" that is none of ours: a path only after "--"
    auto fail = [&](std::string msg) {
        r.ok = false;
        r.error = std::move(msg);
        return r;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (only_paths || (a != "/minimized" && (a.empty() || a.front() != '-'))) {
            loose.push_back(a);  // a path for --identify, or a parameter of the window
        } else if (a == "--") {
            only_paths = true;
        } else if (a == "--list") {
            list = true;
        } else if (a == "--identify") {
            identify = true;
        } else if (a == "--close") {
            if (i + 2 >= args.size()) return fail("option --close needs two ends: LOCAL REMOTE (127.0.0.1:5000 127.0.0.3:80)");
            close = true;
            r.options.close_local = args[++i];
            r.options.close_remote = args[++i];
        } else if (a == "--ipv6") {
            r.options.ipv6 = true;
        } else if (a == "--resolve") {
            r.options.resolve = true;
        } else if (a == "--check-update") {
            check_update = true;
        } else if (a == "--update-url" || a.rfind("--update-url=", 0) == 0) {
            if (a == "--update-url") {
                if (i + 1 >= args.size()) return fail("option --update-url needs a value: the service's base URL");
                r.options.update_url = args[++i];
            } else {
                r.options.update_url = a.substr(13);
            }
            while (!r.options.update_url.empty() && r.options.update_url.back() == '/') r.options.update_url.pop_back();
            if (r.options.update_url.rfind("https://", 0) != 0 && r.options.update_url.rfind("http://", 0) != 0)
                return fail("--update-url needs an http:// or https:// address");
            update_url_given = true;
        } else if (a == "--verbose") {
            r.options.verbose = true;
        } else if (a == "--all") {
            r.options.all = true;
        } else if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--version") {
            version = true;
        } else if (a == "--portable-status") {
            portable_status = true;
        } else if (a == "/minimized") {
            r.options.minimized = i == 0;
            if (i != 0) loose.push_back(a);
        } else if (a == "--format" || a.rfind("--format=", 0) == 0) {
            std::string value;
            if (a == "--format") {
                if (i + 1 >= args.size()) return fail("option --format needs a value: text, csv, json or html");
                value = args[++i];
            } else {
                value = a.substr(9);
            }
            if (value == "text") r.options.format = Format::Text;
            else if (value == "csv") r.options.format = Format::Csv;
            else if (value == "json") r.options.format = Format::Json;
            else if (value == "html") r.options.format = Format::Html;
            else return fail("unknown format '" + value + "': use text, csv, json or html");
            format_given = true;
        } else if (a.rfind("--", 0) == 0) {
            return fail("unknown option '" + a + "'");
        } else {
            // The window records any parameter it does not know, "-x" as well as "x".
            if (dash_word.empty()) dash_word = a;
            loose.push_back(a);
        }
    }
    if (help) {
        r.options.mode = Mode::Help;
        return r;
    }
    if (version) {
        r.options.mode = Mode::Version;
        return r;
    }
    if (portable_status) {
        if (list || identify || check_update || !loose.empty() || only_paths || r.options.all || r.options.verbose ||
            format_given || update_url_given)
            return fail("--portable-status takes no other argument");
        r.options.mode = Mode::PortableStatus;
        return r;
    }
    if (list && identify) return fail("--list and --identify cannot be combined");
    if ((r.options.ipv6 || r.options.resolve) && !list) return fail("--ipv6 and --resolve go with --list");
    if (close) {
        if (list || identify || check_update) return fail("--close cannot be combined with other commands");
        if (!loose.empty()) return fail("unknown argument '" + loose.front() + "'");
        if (r.options.all || r.options.verbose || format_given) return fail("--close takes no --all, --verbose or --format");
        r.options.mode = Mode::Close;
        return r;
    }
    if (update_url_given && !check_update) return fail("--update-url goes with --check-update");
    if (check_update) {
        if (list || identify) return fail("--check-update cannot be combined with --list or --identify");
        if (!loose.empty()) return fail("unknown argument '" + loose.front() + "'");
        if (r.options.all || r.options.verbose || format_given)
            return fail("--check-update takes no --all, --verbose or --format");
        r.options.mode = Mode::CheckUpdate;
        return r;
    }
    if (identify) {
        if (!dash_word.empty()) return fail("unknown option '" + dash_word + "'");
        if (r.options.all) return fail("--all goes with --list");
        if (loose.empty()) return fail("--identify needs at least one path");
        r.options.mode = Mode::Identify;
        r.options.paths = std::move(loose);
        return r;
    }
    if (only_paths) return fail("-- goes with --identify");
    // The window takes its parameters as the Windows program does: it acts on "/minimized" as
    // its first parameter, exactly, and records any other ("/Minimized", a word, a file name)
    // without acting on it. A second start hands them over whatever they are.
    if (list && !loose.empty()) return fail("unknown argument '" + loose.front() + "' (paths go with --identify)");
    if (r.options.verbose) return fail("--verbose goes with --identify");
    if (list) {
        r.options.mode = Mode::List;
    } else if (r.options.all) {
        return fail("--all goes with --list");
    } else if (format_given) {
        return fail("--format goes with --list or --identify");
    }
    return r;
}

Table ConnectionTable(const TConnectionArray& connections, bool all,
                      const std::function<std::string(std::uint32_t pid)>& process_text,
                      const std::function<std::string(const TConnection&)>& remote_name) {
    Table t;
    t.columns = {{"PID", "pid", true},
                 {"Protocol", "protocol", false},
                 {"State", "state", false},
                 {"Local Address", "local_address", false},
                 {"Local Port", "local_port", true},
                 {"Remote Address", "remote_address", false},
                 {"Remote Port", "remote_port", true},
                 {"Port Label", "remote_port_label", false},
                 {"Process", "process", false},
                 {"Family", "family", false, true},
                 {"Sent", "bytes_sent", true, true},
                 {"Received", "bytes_received", true, true}};
    if (remote_name) {
        // The tables show the name in place of the number; JSON keeps both, each in its field.
        t.columns[5].table_only = true;
        t.columns.insert(t.columns.begin() + 6, Column{"Remote Address", "remote_address", false, true});
        t.columns.push_back({"Remote Name", "remote_name", false, true});
    }
    t.rows.reserve(connections.size());
    for (const auto& c : connections) {
        if (!all && !IsShown(c, false, false)) continue;
        const auto remote_port = SwapPort(c.remote_port);
        std::string label = PortLabel(static_cast<int>(remote_port));
        // The label carries a leading blank and brackets so that it can follow the number;
        // a column of its own wants just the name.
        if (label.size() > 3) label = label.substr(2, label.size() - 3);
        const bool v6 = c.family == platform::kFamilyIPv6;
        std::string remote = v6 ? Ip6ToStr(c.remote_addr6) : IpToStr(c.remote_addr);
        std::string name = remote_name ? remote_name(c) : std::string();
        t.rows.push_back({PidToStr(c.pid), ProtocolText(c), StateName(c.state),
                          v6 ? Ip6ToStr(c.local_addr6) : IpToStr(c.local_addr), std::to_string(SwapPort(c.local_port)),
                          name.empty() ? remote : name, std::to_string(remote_port), label, process_text(c.pid),
                          v6 ? "IPv6" : "IPv4", c.has_traffic ? std::to_string(c.bytes_sent) : "?",
                          c.has_traffic ? std::to_string(c.bytes_received) : "?"});
        if (remote_name) {
            auto& row = t.rows.back();
            row.insert(row.begin() + 6, remote);
            row.push_back(name);
        }
    }
    return t;
}

Table IdentifyTable(const std::vector<std::string>& paths, bool verbose) {
    Table t;
    t.columns = {{"Path", "path", false},
                 {"Product", "product", false},
                 {"Company", "company", false},
                 {"Version", "version", false}};
    if (verbose) {
        t.columns.insert(t.columns.end(), {{"File Version", "fixed_file_version", false},
                                           {"FileDescription", "file_description", false},
                                           {"CompanyName", "company_name", false},
                                           {"FileVersion", "file_version", false},
                                           {"InternalName", "internal_name", false},
                                           {"LegalCopyright", "legal_copyright", false},
                                           {"OriginalFilename", "original_filename", false},
                                           {"ProductName", "product_name", false},
                                           {"ProductVersion", "product_version", false}});
    }
    for (const std::string& path : paths) {
        const TDisplayedFileInfo info = GetDisplayedFileInfo(path);
        std::string resolved = path;
        const std::string version = GetProductVersion(resolved, info.ProductName, info.Company);
        std::vector<std::string> row = {path, info.ProductName, info.Company, version};
        if (verbose) {
            const FileVersionInfoRec v = ReadVersionInfo(path);
            const std::wstring wide = platform::AnsiToWide(path);
            // A folder is no file either, but "File not found" would send the user looking for it.
            std::string file_version = DirectoryExistsWide(wide) ? std::string(kIsAFolderText)
                                                                 : platform::WideToAnsi(GetFileVersionText(wide));
            row.insert(row.end(),
                       {std::move(file_version), v.FileDescription, v.CompanyName, v.FileVersion, v.InternalName,
                        v.LegalCopyright, v.OriginalFilename, v.ProductName, v.ProductVersion});
        }
        t.rows.push_back(std::move(row));
    }
    return t;
}

namespace {

int PrintList(const Options& o, std::ostream& out, std::ostream& err) {
    // Names only: the list shows no versions. The names part is built while the tables are read.
    platform::StartProgramIdentityIndex(platform::ProgramIdentityNeed::Names);
    TConnectionArray snapshot;
    platform::NetTableOptions options;
    options.ipv6 = o.ipv6;
    options.traffic = o.format == Format::Json;  // only JSON carries the counts
    const platform::TrafficAvailability traffic = TakeSnapshot(snapshot, options);
    if (HasUnknownOwners(snapshot)) err << "vantoscope: " << UnknownOwnerNotice() << "\n";
    if (options.traffic && traffic == platform::TrafficAvailability::NeedsRights)
        err << "vantoscope: " << kTrafficNeedsRightsNotice << "\n";
    // Names are asked for all at once and waited for at most a fixed time in all.
    std::optional<NameResolver> resolver;
    std::function<std::string(const TConnection&)> remote_name;
    if (o.resolve) {
        resolver.emplace(NameResolver::SystemLookup());
        auto address_of = [](const TConnection& c) {
            TIpAddress a{c.family, c.remote_addr6};
            if (c.family != platform::kFamilyIPv6) std::memcpy(a.bytes.data(), &c.remote_addr, 4);
            return a;
        };
        for (const auto& c : snapshot)
            if ((o.all || IsShown(c, false, false)) && !RemoteIsUnspecified(c)) resolver->Get(address_of(c));
        resolver->WaitIdle(std::chrono::steady_clock::now() + std::chrono::milliseconds(kResolveWaitMs));
        remote_name = [&resolver, address_of](const TConnection& c) {
            if (RemoteIsUnspecified(c)) return std::string();
            const NameResolver::Answer a = resolver->Get(address_of(c));
            return a.state == NameResolver::State::Found ? a.name : std::string();
        };
    }
    // No window waits on us: name the programs from the index, not the file alone.
    platform::WaitForProgramIdentityIndex(platform::ProgramIdentityNeed::Names);
    // Each process is named once, however many rows it owns: naming is most of the cost.
    std::unordered_map<std::uint32_t, std::string> named;
    WriteTable(ConnectionTable(snapshot, o.all,
                               [&named](std::uint32_t pid) {
                                   auto it = named.find(pid);
                                   if (it == named.end()) it = named.emplace(pid, DisplayName(GetProcessPath(pid))).first;
                                   return it->second;
                               },
                               remote_name),
               o.format, out);
    out.flush();
    return out ? 0 : 1;
}

int CloseFromShell(const Options& o, std::ostream& out, std::ostream& err) {
    TConnectionArray snapshot;
    platform::NetTableOptions options;
    options.ipv6 = !o.close_local.empty() && o.close_local.front() == '[';
    TakeSnapshot(snapshot, options);
    std::uint8_t family;
    std::uint32_t addr4, port;
    platform::Ip6Bytes addr6;
    if (!ParseEndpoint(o.close_local, family, addr4, addr6, port) ||
        !ParseEndpoint(o.close_remote, family, addr4, addr6, port)) {
        err << "vantoscope: --close needs two ends written as 127.0.0.1:5000 or [::1]:5000\n";
        return kExitNotClosed;
    }
    const auto c = FindTcpConnection(snapshot, o.close_local, o.close_remote);
    if (!c) {
        err << "vantoscope: no TCP connection from " << o.close_local << " to " << o.close_remote << "\n";
        return kExitNotClosed;
    }
    const TActionResult r = CloseConnection(*c);
    (r.done ? out : err) << (r.done ? "" : "vantoscope: ") << r.message << "\n";
    return r.done ? kExitClosed : kExitNotClosed;
}

int PrintIdentify(const Options& o, std::ostream& out) {
    platform::WaitForProgramIdentityIndex(platform::ProgramIdentityNeed::Versions);
    WriteTable(IdentifyTable(o.paths, o.verbose), o.format, out);
    out.flush();
    return out ? 0 : 1;
}

}  // namespace

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
         const std::function<int(const Options&)>& window, const std::function<int(const Options&)>& check_update) {
    const ParseResult p = ParseCommandLine(args);
    // Text only goes somewhere a person reads it once the window program has a console.
    if (!p.ok || p.options.mode != Mode::Window || !window) platform::UseParentConsole();
    if (!p.ok) {
        // The one line that matters, and where the rest is (as GNU programs do).
        err << "vantoscope: " << p.error << "\n" << kTryHelp << "\n";
        return 2;
    }
    switch (p.options.mode) {
    case Mode::Help:
        out << Usage();
        return 0;
    case Mode::PortableStatus:
        // The same test as the window's: by display name, and by the entry's install location.
        out << "Portable : " << BoolToYesNo(!IsInstalled(kInstalledDisplayNamePrefix, platform::GetExecutablePath()))
            << "\n";
        out.flush();
        return out ? 0 : 1;
    case Mode::Version:
        out << VersionLine() << "\n";
        out.flush();
        return out ? 0 : 1;
    case Mode::List:
        return PrintList(p.options, out, err);
    case Mode::Identify:
        return PrintIdentify(p.options, out);
    case Mode::Close:
        return CloseFromShell(p.options, out, err);
    case Mode::CheckUpdate:
        if (check_update) return check_update(p.options);
        err << "vantoscope: this build has no update check\n";
        return kExitCheckFailed;
    case Mode::Window:
        break;
    }
    if (window) return window(p.options);
    std::string why = platform::DisplayUnavailableReason();
    if (why.empty()) why = "no display found";
    err << "vantoscope: " << why << "; printing the connection table instead\n";
    return PrintList(p.options, out, err);
}

}  // namespace vanto::cli
