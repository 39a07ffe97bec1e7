// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Requests from outside to end the program (on Linux SIGTERM, SIGINT and SIGHUP, which also
// come when the desktop session ends), turned into something an event loop can watch, so
// the program closes as its Quit command does instead of ending on the spot.
#pragma once

namespace vanto::platform {

// Installs the handlers (once) and returns a descriptor that becomes readable when a request
// arrives; -1 where the system has none or it cannot be set up (Windows: the session's end
// comes as a window message to the program's windows).
int TerminationRequestDescriptor();

// Reads away the requests that arrived, so the descriptor waits for the next one.
void ClearTerminationRequests(int descriptor);

}  // namespace vanto::platform
