// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Pure parsers behind the Linux socket tables: sock_diag netlink replies, /proc/net/tcp|udp
// text and /proc/<pid>/fd link targets. Kept apart from the I/O so they can be fed
// hand-made and damaged input in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vanto::platform::linux_backend {

// One IPv4 socket as Linux reports it. Addresses and ports are in network byte order
// (ports in the low 16 bits), the state is the kernel's TCP state number.
struct SocketEntry {
    std::uint32_t linux_state = 0;
    std::uint32_t local_addr = 0;
    std::uint32_t local_port = 0;
    std::uint32_t remote_addr = 0;
    std::uint32_t remote_port = 0;
    std::uint64_t inode = 0;
};

// Windows MIB_TCP_STATE code for a Linux TCP state; 0 for a number Linux does not define.
std::uint32_t TableStateFromLinux(std::uint32_t linux_state);

enum class DiagParse { More, Done, Error };

// Appends the inet_diag messages of one netlink datagram. More: the dump goes on in the next
// datagram; Done: NLMSG_DONE seen; Error: NLMSG_ERROR or a message that does not fit.
DiagParse ParseInetDiagDatagram(const std::uint8_t* data, std::size_t len, std::vector<SocketEntry>& out);

// Appends one entry per well-formed line of /proc/net/tcp or /proc/net/udp; the header and
// malformed lines are skipped.
void ParseProcNetTable(std::string_view text, std::vector<SocketEntry>& out);

// The inode of a "socket:[N]" link target; false for anything else.
bool ParseSocketLink(std::string_view link, std::uint64_t& inode);

}  // namespace vanto::platform::linux_backend
