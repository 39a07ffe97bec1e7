// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// libFuzzer harness for the /proc/<pid>/fd link parser: a link gives an inode only when it
// is "socket:[N]", and N written back reads as the same inode.
#include "platform/linux/net_parsers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vanto::platform::linux_backend;
    const std::string_view link(reinterpret_cast<const char*>(data), size);
    std::uint64_t inode = 0;
    if (!ParseSocketLink(link, inode)) return 0;
    if (link.substr(0, 8) != "socket:[" || link.back() != ']') std::abort();
    std::uint64_t again = 0;
    if (!ParseSocketLink("socket:[" + std::to_string(inode) + "]", again) || again != inode) std::abort();
    return 0;
}
