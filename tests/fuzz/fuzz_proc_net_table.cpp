// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// libFuzzer harness for the /proc/net/tcp|udp and tcp6|udp6 line parser.
#include "platform/linux/net_parsers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vanto::platform::linux_backend;
    std::vector<SocketEntry> rows;
    ParseProcNetTable(std::string_view(reinterpret_cast<const char*>(data), size), rows);
    for (const auto& e : rows) {
        if (e.local_port > 0xFFFF || e.remote_port > 0xFFFF || e.linux_state > 0xFF) std::abort();
        // Only a socket bound to "::" with no peer leaves its IPv4 nature open.
        if (e.v6_any_unknown && (e.local_addr != 0 || e.remote_addr != 0)) std::abort();
    }
    return 0;
}
