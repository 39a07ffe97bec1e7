// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// libFuzzer harness for sock_diag netlink datagrams: any bytes give rows, the end of a dump
// or an error, and nothing is read past the datagram.
#include "platform/linux/net_parsers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vanto::platform::linux_backend;
    // A copy of exactly the datagram's size, so AddressSanitizer sees any read past it.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    std::vector<SocketEntry> rows;
    const DiagParse result = ParseInetDiagDatagram(copy.get(), size, rows);
    if (result != DiagParse::More && result != DiagParse::Done && result != DiagParse::Error) std::abort();
    for (const auto& e : rows)
        if (e.local_port > 0xFFFF || e.remote_port > 0xFFFF) std::abort();
    return 0;
}
