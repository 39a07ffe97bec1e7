// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Pure parsers behind the Linux socket tables: sock_diag netlink replies, /proc/net/tcp|udp
// text and /proc/<pid>/fd link targets. Kept apart from the I/O so they can be fed
// hand-made and damaged input in tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vanto::platform::linux_backend {

// One socket as Linux reports it. Addresses and ports are in network byte order (ports in
// the low 16 bits), the state is the kernel's TCP state number. IPv4 traffic on IPv6 sockets
// arrives as IPv4: "::ffff:a.b.c.d" ends become a.b.c.d and a dual-stack socket bound to "::"
// becomes one bound to 0.0.0.0 (and, when IPv6 rows are kept, also an IPv6 one on "::").
struct SocketEntry {
    std::uint32_t linux_state = 0;
    std::uint32_t local_addr = 0;
    std::uint32_t local_port = 0;
    std::uint32_t remote_addr = 0;
    std::uint32_t remote_port = 0;
    std::uint64_t inode = 0;
    // An IPv6 socket bound to "::" whose source did not say whether it also takes IPv4
    // (the /proc tables never do): the table reader decides.
    bool v6_any_unknown = false;
    bool from_v6 = false;  // an IPv6 socket: IPv4 traffic on it, or an IPv6 row
    bool v6 = false;       // an IPv6 row: the addresses are in local6 and remote6
    bool has_traffic = false;
    std::array<std::uint8_t, 16> local6{};
    std::array<std::uint8_t, 16> remote6{};
    std::uint64_t bytes_sent = 0;      // tcpi_bytes_acked
    std::uint64_t bytes_received = 0;  // tcpi_bytes_received
};

// Whether an IPv6 socket takes IPv4 too, as far as its source tells.
enum class V6Only { No, Yes, Unknown };

// Fills the addresses of `e` from the 16-byte addresses of an IPv6 socket when its traffic
// is IPv4 (mapped ends, or a dual-stack socket bound to "::"); false for IPv6 traffic.
bool MapV6ToV4(const std::uint8_t local[16], const std::uint8_t remote[16], V6Only v6only, SocketEntry& e);

// Windows MIB_TCP_STATE code for a Linux TCP state; 0 for a number Linux does not define.
std::uint32_t TableStateFromLinux(std::uint32_t linux_state);

enum class DiagParse { More, Done, Error };

// Appends the inet_diag messages of one netlink datagram (IPv4 sockets, IPv6 sockets that
// carry IPv4, and with `keep_v6` the IPv6 rows). The byte counts of a TCP socket come from
// its INET_DIAG_INFO attribute when the dump carries one. More: the dump goes on in the next
// datagram; Done: NLMSG_DONE seen; Error: NLMSG_ERROR, an NLMSG_DONE that carries an error,
// or a message that does not fit.
DiagParse ParseInetDiagDatagram(const std::uint8_t* data, std::size_t len, std::vector<SocketEntry>& out,
                                bool keep_v6 = false);

// Appends one entry per well-formed line of /proc/net/tcp|udp, or per line of
// /proc/net/tcp6|udp6 that carries IPv4 (or any, with `keep_v6`); the header and malformed
// lines are skipped.
void ParseProcNetTable(std::string_view text, std::vector<SocketEntry>& out, bool keep_v6 = false);

// The inode of a "socket:[N]" link target; false for anything else.
bool ParseSocketLink(std::string_view link, std::uint64_t& inode);

}  // namespace vanto::platform::linux_backend
