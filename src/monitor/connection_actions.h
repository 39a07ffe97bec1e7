// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The actions that change the machine (Close Connection, End Process) and the traffic texts,
// shared by the window and the command line: what each asks, what it does, and what it says
// when the system refuses. An action acts only on what the user confirmed: a connection by
// its two ends, a process by its pid and start time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "monitor/connection_snapshot.h"
#include "platform/process_control.h"

namespace vanto {

// Said where the traffic counts need rights the program does not have (the header's tooltip,
// the command line's standard error).
inline constexpr const char* kTrafficNeedsRightsNotice =
    "Traffic counts need administrator rights: Windows collects them per connection only when an administrator "
    "turns that on.";
inline constexpr const char* kTrafficUnsupportedNotice = "This system gives no traffic counts per connection.";

// Bytes in readable units: "512 B", "1.5 KB", "12.0 MB" (units of 1024).
std::string FormatBytes(std::uint64_t bytes);
// A rate in the same units: "1.5 KB/s".
std::string FormatRate(double bytes_per_second);

// The bytes of every counted TCP row of one process.
struct TProcessTraffic {
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    bool counted = false;  // some row of the process has counts
};
TProcessTraffic ProcessTraffic(const TConnectionArray& connections, std::uint32_t pid);

// The bytes per second each row moved since the previous snapshot handed to Update.
class TTrafficRates {
public:
    struct Rate {
        bool known = false;  // counted now and in the previous snapshot
        double sent = 0;
        double received = 0;
    };
    // One rate per row of `now`, in its order; `seconds` since the previous call.
    std::vector<Rate> Update(const TConnectionArray& now, double seconds);

private:
    struct Counts {
        std::uint64_t sent, received;
    };
    std::vector<std::pair<std::string, Counts>> previous_;  // sorted by key
};

// "127.0.0.1:5000" or "[::1]:5000": a connection end as the details panel writes it. False
// for anything else (a port outside 1..65535 too, except 0 for a remote end given as such).
bool ParseEndpoint(const std::string& text, std::uint8_t& family, std::uint32_t& addr4, platform::Ip6Bytes& addr6,
                   std::uint32_t& port_field);

// The TCP row of a snapshot with these two ends as text, if there is one.
std::optional<TConnection> FindTcpConnection(const TConnectionArray& connections, const std::string& local,
                                             const std::string& remote);

struct TActionResult {
    bool done = false;
    std::string message;  // one line: what was done, or why not
};

// "Close the connection from ... to ... (owner)?"
std::string CloseConnectionQuestion(const TConnection& c, const std::string& process_text);
// Closes the row's connection (TCP only) and says how it went.
TActionResult CloseConnection(const TConnection& c);

// A process as the user confirmed it.
struct TProcessTarget {
    std::uint32_t pid = 0;
    std::uint64_t start = 0;  // 0: it had already ended when it was named
};

// The process that owns a row: its pid and the start time the snapshot saw (or, where the
// table has none, the one it has now).
TProcessTarget ProcessTargetOf(const TConnection& c);
// Why End Process is not offered for a pid (PID 0, 4, 1 and this program), if it is not.
std::optional<std::string> EndProcessRefusal(std::uint32_t pid);
// "End the process ... (PID ..., path)?"
std::string EndProcessQuestion(const std::string& product, std::uint32_t pid, const std::string& path);
// Asks the process to end (or, with `force`, ends it by force) and says how it went.
TActionResult EndProcessNow(const TProcessTarget& target, bool force);
// How long a process asked to end is given before the offer to end it by force.
inline constexpr int kEndProcessGraceMs = 3000;
// Whether the confirmed process still runs.
bool TargetRunning(const TProcessTarget& target);
// The offer made when it still runs after the grace time.
std::string EndProcessForceQuestion(std::uint32_t pid);

}  // namespace vanto
