// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Closing one TCP connection of the machine, as the user asked for it: Linux destroys the
// socket through sock_diag (the peer sees a reset), Windows deletes its TCB. Neither ever
// raises its own rights: a refusal comes back with its reason.
#pragma once

#include <string>

#include "platform/net_tables.h"

namespace vanto::platform {

enum class CloseResult {
    Closed,
    NoRights,      // the system wants rights we do not have
    NotSupported,  // this system cannot close connections (or not this kind)
    NotFound,      // no such connection (any more)
    Failed,        // refused for another reason; `detail` of CloseOutcome names it
};

struct CloseOutcome {
    CloseResult result = CloseResult::Failed;
    std::string detail;  // the system's own words for a Failed close
};

// Closes the TCP connection with exactly these two ends (family, addresses and ports of the
// row; state and owner are not looked at).
CloseOutcome CloseTcpConnection(const TcpRowOwnerPid& row);

// What the rights to close a connection are on this system, for the refusal's message.
std::string CloseConnectionRightsText();
// Why this system cannot close connections, for the refusal's message.
std::string CloseConnectionUnsupportedText(std::uint8_t family);

}  // namespace vanto::platform
