// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/name_lookup.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

namespace vanto::platform {

namespace {

// getnameinfo needs Winsock started in the process; started once and left running.
bool WinsockReady() {
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

}  // namespace

bool ReverseLookup(std::uint8_t family, const Ip6Bytes& addr, std::string& name) {
    if (!WinsockReady()) return false;
    sockaddr_storage ss{};
    int len;
    if (family == kFamilyIPv6) {
        auto* sa = reinterpret_cast<sockaddr_in6*>(&ss);
        sa->sin6_family = AF_INET6;
        std::memcpy(&sa->sin6_addr, addr.data(), 16);
        len = sizeof *sa;
    } else {
        auto* sa = reinterpret_cast<sockaddr_in*>(&ss);
        sa->sin_family = AF_INET;
        std::memcpy(&sa->sin_addr, addr.data(), 4);
        len = sizeof *sa;
    }
    char host[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<sockaddr*>(&ss), len, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
        return false;
    host[sizeof host - 1] = '\0';
    name = host;
    return true;
}

}  // namespace vanto::platform
