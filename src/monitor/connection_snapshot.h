// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A connection snapshot: every IPv4 TCP connection or listener and every IPv4 UDP endpoint
// of the machine at one moment with its owning process, and the text forms of its fields.
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
    std::uint32_t pid = 0;          // 0 when the owner is unknown

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
// One whole snapshot: the array cleared, then the TCP rows, then the UDP rows.
void TakeSnapshot(TConnectionArray& connections);

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
// The name of a TCP state code; empty for UDP rows and for codes outside 0..12.
std::string StateName(std::uint32_t state);
// " (HTTPS)" and the like for well-known ports (host order), else the empty text.
std::string PortLabel(int port);

}  // namespace vanto
