// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Ending a process the user named. A process is named by its pid and its start time, so a
// pid that another process took in the meantime is never acted on.
#pragma once

#include <cstdint>
#include <string>

namespace vanto::platform {

// The start time of a running process in the system's own unit (Linux: clock ticks since
// boot, as /proc/<pid>/stat gives it; Windows: its creation time); 0 when it is gone or
// cannot be asked.
std::uint64_t ProcessStartTime(std::uint32_t pid);

// Whether that very process (pid and start time) still runs; a process that has ended but
// was not yet collected by its parent no longer does.
bool ProcessRunning(std::uint32_t pid, std::uint64_t start);

std::uint32_t CurrentProcessId();

enum class EndResult {
    Sent,      // the request went through (Windows: the process is ended)
    NoRights,  // the system refused: the process belongs to someone else or is protected
    Gone,      // it has ended already
    Reused,    // the pid now names another process
    Failed,    // refused for another reason; `detail` names it
};

struct EndOutcome {
    EndResult result = EndResult::Failed;
    std::string detail;
};

// Asks the process to end (Linux: SIGTERM; with `force`, SIGKILL). Windows has only the hard
// way: TerminateProcess, whatever `force` says.
EndOutcome EndProcess(std::uint32_t pid, std::uint64_t start, bool force);

// Whether EndProcess without `force` leaves the ending to the process, so that a caller
// should look again and offer the hard way.
bool EndProcessIsRequest();

}  // namespace vanto::platform
