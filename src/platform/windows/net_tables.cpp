// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Windows socket tables: the IP Helper owner-PID tables, each read with one size probe and
// one read into a buffer that is freed at once.
#include "platform/net_tables.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace vanto::platform {

struct NetTableReader::State {};

NetTableReader::NetTableReader(Source) : state_(std::make_unique<State>()) {}
NetTableReader::~NetTableReader() = default;

namespace {

// The size probe and the read are two calls, and the table can grow between them (a busy
// machine opens sockets all the time; under Wine each call walks the host's sockets and can
// take seconds). A read that finds the buffer too small is tried again with the size it
// reports and room for a few more rows, rather than losing the whole table for this snapshot.
template <typename Fn>
std::vector<BYTE> ReadTable(Fn call) {
    constexpr int kAttempts = 8;
    constexpr DWORD kMaxTableBytes = DWORD{64} << 20;
    DWORD size = 0;
    call(nullptr, &size);  // only the size it writes back is used
    for (int attempt = 0; attempt < kAttempts && size != 0; ++attempt) {
        std::vector<BYTE> buf(size);
        const DWORD rc = call(buf.data(), &size);
        if (rc == NO_ERROR) return buf;
        if (rc != ERROR_INSUFFICIENT_BUFFER || size > kMaxTableBytes) break;
        size += size / 4;
    }
    return {};
}

}  // namespace

bool NetTableReader::ReadTcp(std::vector<TcpRowOwnerPid>& rows) {
    auto buf = ReadTable([](void* p, DWORD* size) {
        return GetExtendedTcpTable(p, size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
    });
    if (buf.size() < sizeof(DWORD)) return false;
    const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buf.data());
    const std::size_t max = (buf.size() - offsetof(MIB_TCPTABLE_OWNER_PID, table)) / sizeof(MIB_TCPROW_OWNER_PID);
    const std::size_t count = table->dwNumEntries < max ? table->dwNumEntries : max;
    rows.reserve(rows.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto& r = table->table[i];
        rows.push_back({r.dwState, r.dwLocalAddr, r.dwLocalPort, r.dwRemoteAddr, r.dwRemotePort, r.dwOwningPid});
    }
    return true;
}

bool NetTableReader::ReadUdp(std::vector<UdpRowOwnerPid>& rows) {
    auto buf = ReadTable([](void* p, DWORD* size) {
        return GetExtendedUdpTable(p, size, FALSE, AF_INET, UDP_TABLE_OWNER_PID, 0);
    });
    if (buf.size() < sizeof(DWORD)) return false;
    const auto* table = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(buf.data());
    const std::size_t max = (buf.size() - offsetof(MIB_UDPTABLE_OWNER_PID, table)) / sizeof(MIB_UDPROW_OWNER_PID);
    const std::size_t count = table->dwNumEntries < max ? table->dwNumEntries : max;
    rows.reserve(rows.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto& r = table->table[i];
        rows.push_back({r.dwLocalAddr, r.dwLocalPort, r.dwOwningPid});
    }
    return true;
}

}  // namespace vanto::platform
