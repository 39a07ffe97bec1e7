// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Windows socket tables: the IP Helper owner-PID tables, each read with one size probe and
// one read into a buffer that is freed at once; the IPv6 tables on request; the byte counts
// of each TCP connection from its extended statistics, which only an administrator may turn
// on.
#include "platform/net_tables.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <tcpestats.h>

#include <cstring>

namespace vanto::platform {

struct NetTableReader::State {
    NetTableOptions options;
    TrafficAvailability traffic = TrafficAvailability::Unsupported;
};

NetTableReader::NetTableReader(Source, NetTableOptions options) : state_(std::make_unique<State>()) {
    state_->options = options;
}
NetTableReader::~NetTableReader() = default;

TrafficAvailability NetTableReader::Traffic() const { return state_->traffic; }

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


// Entries of a table buffer, never more than the buffer holds.
template <typename Table, typename Row>
std::size_t Entries(const std::vector<BYTE>& buf) {
    const auto* table = reinterpret_cast<const Table*>(buf.data());
    const std::size_t max = (buf.size() - offsetof(Table, table)) / sizeof(Row);
    return table->dwNumEntries < max ? table->dwNumEntries : max;
}

bool IsV4Mapped(const UCHAR* a) {
    static const UCHAR kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    return std::memcmp(a, kPrefix, 12) == 0;
}

bool IsAny(const UCHAR* a) {
    static const UCHAR kZero[16] = {};
    return std::memcmp(a, kZero, 16) == 0;
}

// The extended-statistics calls, looked up at first use: Wine has none of them, and a
// program that imported them would not start there.
struct EStats {
    using GetV4 = ULONG(WINAPI*)(PMIB_TCPROW, TCP_ESTATS_TYPE, PUCHAR, ULONG, ULONG, PUCHAR, ULONG, ULONG, PUCHAR,
                                 ULONG, ULONG);
    using SetV4 = ULONG(WINAPI*)(PMIB_TCPROW, TCP_ESTATS_TYPE, PUCHAR, ULONG, ULONG, ULONG);
    using GetV6 = ULONG(WINAPI*)(PMIB_TCP6ROW, TCP_ESTATS_TYPE, PUCHAR, ULONG, ULONG, PUCHAR, ULONG, ULONG, PUCHAR,
                                 ULONG, ULONG);
    using SetV6 = ULONG(WINAPI*)(PMIB_TCP6ROW, TCP_ESTATS_TYPE, PUCHAR, ULONG, ULONG, ULONG);
    GetV4 get4 = nullptr;
    SetV4 set4 = nullptr;
    GetV6 get6 = nullptr;
    SetV6 set6 = nullptr;
};

const EStats& EStatsCalls() {
    static const EStats calls = [] {
        EStats e;
        if (HMODULE m = GetModuleHandleW(L"iphlpapi.dll")) {
            e.get4 = reinterpret_cast<EStats::GetV4>(reinterpret_cast<void*>(GetProcAddress(m, "GetPerTcpConnectionEStats")));
            e.set4 = reinterpret_cast<EStats::SetV4>(reinterpret_cast<void*>(GetProcAddress(m, "SetPerTcpConnectionEStats")));
            e.get6 = reinterpret_cast<EStats::GetV6>(reinterpret_cast<void*>(GetProcAddress(m, "GetPerTcp6ConnectionEStats")));
            e.set6 = reinterpret_cast<EStats::SetV6>(reinterpret_cast<void*>(GetProcAddress(m, "SetPerTcp6ConnectionEStats")));
        }
        return e;
    }();
    return calls;
}

// Turns collection on for one connection (it stays on while the connection lives) and reads
// its data counters. Access denied marks the whole read as wanting administrator rights.
template <typename RowT, typename SetFn, typename GetFn>
void ReadCounts(RowT& row, SetFn set, GetFn get, TrafficAvailability& availability, TcpRowOwnerPid& out) {
    TCP_ESTATS_DATA_RW_v0 rw{};
    rw.EnableCollection = TRUE;
    const ULONG s = set(&row, TcpConnectionEstatsData, reinterpret_cast<PUCHAR>(&rw), 0, sizeof rw, 0);
    if (s == ERROR_ACCESS_DENIED) {
        availability = TrafficAvailability::NeedsRights;
        return;
    }
    if (s == ERROR_NOT_SUPPORTED || s == ERROR_CALL_NOT_IMPLEMENTED) {
        availability = TrafficAvailability::Unsupported;
        return;
    }
    if (s != NO_ERROR) return;  // a connection gone meanwhile, or one the stack does not track
    TCP_ESTATS_DATA_ROD_v0 rod{};
    if (get(&row, TcpConnectionEstatsData, nullptr, 0, 0, nullptr, 0, 0, reinterpret_cast<PUCHAR>(&rod), 0,
            sizeof rod) != NO_ERROR)
        return;
    out.has_traffic = true;
    out.bytes_sent = rod.DataBytesOut;
    out.bytes_received = rod.DataBytesIn;
}

bool Counted(DWORD state) { return state != MIB_TCP_STATE_LISTEN && state != MIB_TCP_STATE_CLOSED; }

}  // namespace

bool NetTableReader::ReadTcp(std::vector<TcpRowOwnerPid>& rows) {
    auto buf = ReadTable([](void* p, DWORD* size) {
        return GetExtendedTcpTable(p, size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
    });
    if (buf.size() < sizeof(DWORD)) return false;
    const bool traffic = state_->options.traffic;
    const EStats& es = EStatsCalls();
    TrafficAvailability& availability = state_->traffic;
    availability = es.get4 && es.set4 ? TrafficAvailability::Available : TrafficAvailability::Unsupported;
    bool denied = false;
    {
        const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buf.data());
        const std::size_t count = Entries<MIB_TCPTABLE_OWNER_PID, MIB_TCPROW_OWNER_PID>(buf);
        rows.reserve(rows.size() + count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto& r = table->table[i];
            rows.push_back({r.dwState, r.dwLocalAddr, r.dwLocalPort, r.dwRemoteAddr, r.dwRemotePort, r.dwOwningPid});
            if (traffic && !denied && es.get4 && es.set4 && Counted(r.dwState)) {
                MIB_TCPROW row{};
                row.dwState = r.dwState;
                row.dwLocalAddr = r.dwLocalAddr;
                row.dwLocalPort = r.dwLocalPort;
                row.dwRemoteAddr = r.dwRemoteAddr;
                row.dwRemotePort = r.dwRemotePort;
                ReadCounts(row, es.set4, es.get4, availability, rows.back());
                denied = availability != TrafficAvailability::Available;
            }
        }
    }
    if (!state_->options.ipv6) return true;
    auto buf6 = ReadTable([](void* p, DWORD* size) {
        return GetExtendedTcpTable(p, size, FALSE, AF_INET6, TCP_TABLE_OWNER_PID_ALL, 0);
    });
    if (buf6.size() < sizeof(DWORD)) return true;  // the IPv4 rows stand on their own
    const auto* table = reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID*>(buf6.data());
    const std::size_t count = Entries<MIB_TCP6TABLE_OWNER_PID, MIB_TCP6ROW_OWNER_PID>(buf6);
    std::vector<TcpRowOwnerPid> v6;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& r = table->table[i];
        TcpRowOwnerPid row{r.dwState, 0, r.dwLocalPort, 0, r.dwRemotePort, r.dwOwningPid};
        if (IsV4Mapped(r.ucLocalAddr) && (IsV4Mapped(r.ucRemoteAddr) || IsAny(r.ucRemoteAddr))) {
            // IPv4 traffic on a dual-stack socket: an IPv4 row, as on Linux.
            std::memcpy(&row.local_addr, r.ucLocalAddr + 12, 4);
            if (!IsAny(r.ucRemoteAddr)) std::memcpy(&row.remote_addr, r.ucRemoteAddr + 12, 4);
            rows.push_back(row);
            continue;
        }
        row.family = kFamilyIPv6;
        std::memcpy(row.local_addr6.data(), r.ucLocalAddr, 16);
        std::memcpy(row.remote_addr6.data(), r.ucRemoteAddr, 16);
        if (traffic && !denied && es.get6 && es.set6 && Counted(r.dwState)) {
            MIB_TCP6ROW row6{};
            row6.State = static_cast<MIB_TCP_STATE>(r.dwState);
            std::memcpy(&row6.LocalAddr, r.ucLocalAddr, 16);
            row6.dwLocalScopeId = r.dwLocalScopeId;
            row6.dwLocalPort = r.dwLocalPort;
            std::memcpy(&row6.RemoteAddr, r.ucRemoteAddr, 16);
            row6.dwRemoteScopeId = r.dwRemoteScopeId;
            row6.dwRemotePort = r.dwRemotePort;
            ReadCounts(row6, es.set6, es.get6, availability, row);
            denied = availability != TrafficAvailability::Available;
        }
        v6.push_back(row);
    }
    rows.insert(rows.end(), v6.begin(), v6.end());
    return true;
}

bool NetTableReader::ReadUdp(std::vector<UdpRowOwnerPid>& rows) {
    auto buf = ReadTable([](void* p, DWORD* size) {
        return GetExtendedUdpTable(p, size, FALSE, AF_INET, UDP_TABLE_OWNER_PID, 0);
    });
    if (buf.size() < sizeof(DWORD)) return false;
    const auto* table = reinterpret_cast<const MIB_UDPTABLE_OWNER_PID*>(buf.data());
    const std::size_t count = Entries<MIB_UDPTABLE_OWNER_PID, MIB_UDPROW_OWNER_PID>(buf);
    rows.reserve(rows.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto& r = table->table[i];
        rows.push_back({r.dwLocalAddr, r.dwLocalPort, r.dwOwningPid});
    }
    if (!state_->options.ipv6) return true;
    auto buf6 = ReadTable([](void* p, DWORD* size) {
        return GetExtendedUdpTable(p, size, FALSE, AF_INET6, UDP_TABLE_OWNER_PID, 0);
    });
    if (buf6.size() < sizeof(DWORD)) return true;
    const auto* table6 = reinterpret_cast<const MIB_UDP6TABLE_OWNER_PID*>(buf6.data());
    const std::size_t count6 = Entries<MIB_UDP6TABLE_OWNER_PID, MIB_UDP6ROW_OWNER_PID>(buf6);
    for (std::size_t i = 0; i < count6; ++i) {
        const auto& r = table6->table[i];
        UdpRowOwnerPid row{0, r.dwLocalPort, r.dwOwningPid};
        if (IsV4Mapped(r.ucLocalAddr)) {
            std::memcpy(&row.local_addr, r.ucLocalAddr + 12, 4);
        } else {
            row.family = kFamilyIPv6;
            std::memcpy(row.local_addr6.data(), r.ucLocalAddr, 16);
        }
        rows.push_back(row);
    }
    return true;
}

}  // namespace vanto::platform
