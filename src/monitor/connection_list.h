// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The texts of one row of the connection list: PID, protocol, process, remote address and
// remote port with its label. The window writes them into its rows; the local end and the
// TCP state are left to the details panel.
#pragma once

#include <string>

#include "monitor/connection_snapshot.h"

namespace vanto {

struct TListRowTexts {
    std::string caption;      // "PID": the pid in decimal
    std::string protocol;     // "Protocol"
    std::string process;      // "Process": the display name
    std::string remote_addr;  // "Remote Address"
    std::string remote_port;  // "Remote Port": the number followed by its label
};

// The remote port as the list shows it: 443 gives "443 (HTTPS)", 53 gives "53".
std::string RemotePortText(const TConnection& c);

// `process_text` is the display name of the owning process, worked out by the caller.
TListRowTexts ListRowTexts(const TConnection& c, const std::string& process_text);

}  // namespace vanto
