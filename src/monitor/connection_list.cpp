// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/connection_list.h"

namespace vanto {

std::string RemotePortText(const TConnection& c) {
    const std::uint32_t port = SwapPort(c.remote_port);
    return std::to_string(port) + PortLabel(static_cast<int>(port));
}

TListRowTexts ListRowTexts(const TConnection& c, const std::string& process_text) {
    return {PidToStr(c.pid), ProtocolText(c), process_text, RemoteAddressText(c), RemotePortText(c)};
}

}  // namespace vanto
