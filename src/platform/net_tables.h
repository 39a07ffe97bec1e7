// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The operating system's IPv4 socket tables with the id of each socket's owning process.
// Rows keep the Windows owner-PID layout on every platform: addresses and ports in network
// byte order (ports in the low 16 bits), TCP states as the Windows MIB_TCP_STATE codes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vanto::platform {

// One MIB_TCPROW_OWNER_PID: the six fields in the table's order.
struct TcpRowOwnerPid {
    std::uint32_t state = 0;
    std::uint32_t local_addr = 0;
    std::uint32_t local_port = 0;
    std::uint32_t remote_addr = 0;
    std::uint32_t remote_port = 0;
    std::uint32_t pid = 0;
};

// One MIB_UDPROW_OWNER_PID.
struct UdpRowOwnerPid {
    std::uint32_t local_addr = 0;
    std::uint32_t local_port = 0;
    std::uint32_t pid = 0;
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

    explicit NetTableReader(Source source = Source::Auto);
    ~NetTableReader();
    NetTableReader(const NetTableReader&) = delete;
    NetTableReader& operator=(const NetTableReader&) = delete;

    // Appends every IPv4 TCP listener and connection in the platform's order; false (and
    // nothing appended) when the table could not be read.
    bool ReadTcp(std::vector<TcpRowOwnerPid>& rows);
    // Appends every IPv4 UDP endpoint in the platform's order; false when unreadable.
    bool ReadUdp(std::vector<UdpRowOwnerPid>& rows);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vanto::platform
