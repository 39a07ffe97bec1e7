// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A connection snapshot: every IPv4 TCP connection or listener and every IPv4 UDP endpoint
// of the machine at one moment with its owning process (and, when asked, the IPv6 ones and
// the bytes each TCP connection moved), and the text forms of its fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/net_tables.h"

namespace vanto {

// One row of a snapshot. Addresses and ports keep the platform's network byte order;
// they are converted only when text is made.
struct TConnection {
    std::uint8_t protocol = 0;      // 0 TCP, 1 UDP
    std::uint32_t state = 0;        // MIB_TCP_STATE code 1..12; 0 in UDP rows
    std::uint32_t local_addr = 0;   // first octet in the lowest-addressed byte
    std::uint32_t local_port = 0;   // network order in the low 16 bits
    std::uint32_t remote_addr = 0;  // 0 in UDP rows and for listeners
    std::uint32_t remote_port = 0;  // 0 in UDP rows
    std::uint32_t pid = 0;          // 0: no owner; kUnknownOwnerPid: an owner we may not look up
    std::uint8_t family = platform::kFamilyIPv4;  // IPv6 rows keep their addresses below, the fields above 0
    bool has_traffic = false;                     // the byte counts are known (TCP rows only)
    platform::Ip6Bytes local_addr6{};
    platform::Ip6Bytes remote_addr6{};
    std::uint64_t bytes_sent = 0;
    std::uint64_t bytes_received = 0;
    std::uint64_t owner_start = 0;  // the owner's start time where the table knows it, else 0
    // Bytes per second since the previous snapshot; the window's list fills them, -1: unknown.
    double sent_rate = -1;
    double received_rate = -1;

    friend bool operator==(const TConnection&, const TConnection&) = default;
};

// All TCP rows in the platform's table order, then all UDP rows in theirs.
using TConnectionArray = std::vector<TConnection>;

inline constexpr std::uint8_t kProtocolTcp = 0;
inline constexpr std::uint8_t kProtocolUdp = 1;

// Names of the TCP states indexed by `state`; index 0 (UDP rows) is empty.
extern const char* const TcpStateNames[13];

// Appends one record per IPv4 TCP row; true when the table was read. Pass the snapshot's
// reader so that the TCP and UDP reads of one snapshot share the owner lookup.
bool GetTcpConnections(TConnectionArray& connections, platform::NetTableReader* reader = nullptr);
// Appends one record per IPv4 UDP row; true when the table was read.
bool GetUdpConnections(TConnectionArray& connections, platform::NetTableReader* reader = nullptr);
// One whole snapshot: the array cleared, then the TCP rows, then the UDP rows. Returns
// whether the traffic counts (when asked for) could be had.
platform::TrafficAvailability TakeSnapshot(TConnectionArray& connections,
                                           platform::NetTableOptions options = platform::NetTableOptions());

// The text of a `pid`: its decimal, or "?" for an owner that could not be looked up.
std::string PidToStr(std::uint32_t pid);
// Whether some row's owner could not be looked up for lack of rights.
bool HasUnknownOwners(const TConnectionArray& connections);

// Dotted decimal text of an address field: its bytes in memory order.
std::string IpToStr(std::uint32_t addr);
// Host-order port number of a port field. The platform leaves the upper 16 bits of the
// field undefined, so they are masked off first.
std::uint32_t SwapPort(std::uint32_t port);
// "TCP", "UDP" or "Unknown".
std::string ProtocolToStr(std::uint8_t protocol);
// The protocol of a row: "TCP", "UDP", or "TCPv6" and "UDPv6" for IPv6 rows.
std::string ProtocolText(const TConnection& c);
// RFC 5952 text of an IPv6 address: lower case, the longest run of two or more zero groups
// (the first of equal runs) as "::", and "::ffff:a.b.c.d" for a mapped IPv4 address.
std::string Ip6ToStr(const platform::Ip6Bytes& addr);
// The address texts of a row of either family.
std::string LocalAddressText(const TConnection& c);
std::string RemoteAddressText(const TConnection& c);
// "addr:port", with the IPv6 address in brackets: "[::1]:443".
std::string EndpointText(const std::string& address_text, std::uint8_t family, std::uint32_t port_field);
// Whether a row's remote end is the unspecified address (a listener, a UDP row).
bool RemoteIsUnspecified(const TConnection& c);
// The name of a TCP state code; empty for UDP rows and for codes outside 0..12.
std::string StateName(std::uint32_t state);
// " (HTTPS)" and the like for well-known ports (host order), else the empty text.
std::string PortLabel(int port);

}  // namespace vanto
