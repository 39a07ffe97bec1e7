// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The operating system's socket tables with the id of each socket's owning process.
// Rows keep the Windows owner-PID layout on every platform: addresses and ports in network
// byte order (ports in the low 16 bits), TCP states as the Windows MIB_TCP_STATE codes.
// IPv6 rows (on request) carry their 16-byte addresses beside the IPv4 fields, which stay 0.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace vanto::platform {

inline constexpr std::uint8_t kFamilyIPv4 = 4;
inline constexpr std::uint8_t kFamilyIPv6 = 6;

// An IPv6 address in network byte order.
using Ip6Bytes = std::array<std::uint8_t, 16>;

// One MIB_TCPROW_OWNER_PID: the six fields in the table's order, then what the IPv6 table
// and the traffic counts add.
struct TcpRowOwnerPid {
    std::uint32_t state = 0;
    std::uint32_t local_addr = 0;
    std::uint32_t local_port = 0;
    std::uint32_t remote_addr = 0;
    std::uint32_t remote_port = 0;
    std::uint32_t pid = 0;
    std::uint8_t family = kFamilyIPv4;
    bool has_traffic = false;  // the two counts below are known
    Ip6Bytes local_addr6{};    // IPv6 rows only
    Ip6Bytes remote_addr6{};
    std::uint64_t bytes_sent = 0;      // payload bytes the peer acknowledged
    std::uint64_t bytes_received = 0;  // payload bytes received
    std::uint64_t owner_start = 0;     // the owner's start time where the table knows it, else 0
};

// One MIB_UDPROW_OWNER_PID, and the IPv6 address of an IPv6 row.
struct UdpRowOwnerPid {
    std::uint32_t local_addr = 0;
    std::uint32_t local_port = 0;
    std::uint32_t pid = 0;
    std::uint8_t family = kFamilyIPv4;
    Ip6Bytes local_addr6{};
    std::uint64_t owner_start = 0;
};

// What a snapshot reads beyond the IPv4 rows.
struct NetTableOptions {
    bool ipv6 = false;     // IPv6 rows too, after the IPv4 rows of each table
    bool traffic = false;  // bytes sent and received per TCP connection
};

// Whether the traffic counts of the last read could be had.
enum class TrafficAvailability {
    Available,
    NeedsRights,   // Windows: collecting them needs administrator rights
    Unsupported,   // the system has no such counts (Wine, an old kernel)
};

// The owner of a socket that exists but whose process could not be looked up for lack of
// rights (another user's process, a /proc that hides them). No process has this id on any
// platform; the system's own sockets keep PID 0.
inline constexpr std::uint32_t kUnknownOwnerPid = 0xFFFFFFFFu;

// Reads the tables of one snapshot. Reading both tables through one reader lets the Linux
// backend resolve socket owners with a single pass over /proc instead of one per table.
class NetTableReader {
public:
    // Where the Linux backend reads the tables: the netlink dump with the /proc text tables
    // as fallback (Auto), only the /proc text tables, or only the netlink dump (no fallback,
    // so that each source can be tried alone). Windows has one source.
    enum class Source { Auto, TextTables, Netlink };

    explicit NetTableReader(Source source = Source::Auto, NetTableOptions options = NetTableOptions());
    ~NetTableReader();
    NetTableReader(const NetTableReader&) = delete;
    NetTableReader& operator=(const NetTableReader&) = delete;

    // Appends every IPv4 TCP listener and connection in the platform's order (then the IPv6
    // ones when asked); false (and nothing appended) when the table could not be read.
    bool ReadTcp(std::vector<TcpRowOwnerPid>& rows);
    // Appends every IPv4 UDP endpoint in the platform's order (then the IPv6 ones when asked);
    // false when unreadable.
    bool ReadUdp(std::vector<UdpRowOwnerPid>& rows);
    // After ReadTcp with traffic asked for: whether the counts could be had.
    TrafficAvailability Traffic() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vanto::platform
