// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/connection_snapshot.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace vanto {

const char* const TcpStateNames[13] = {
    "",           "CLOSED",     "LISTENING", "SYN SENT",  "SYN RECIEVED",        "ESTABLISHED", "FIN WAIT1?",
    "FIN WAIT2?", "CLOSE WAIT", "CLOSING",   "LAST ACKNOWLEDGMENT", "TIME WAIT", "DELETE TCP",
};

bool GetTcpConnections(TConnectionArray& connections, platform::NetTableReader* reader) {
    std::optional<platform::NetTableReader> own;
    if (!reader) reader = &own.emplace();
    std::vector<platform::TcpRowOwnerPid> rows;
    if (!reader->ReadTcp(rows)) return false;
    connections.reserve(connections.size() + rows.size());
    for (const auto& r : rows)
        connections.push_back({kProtocolTcp, r.state, r.local_addr, r.local_port, r.remote_addr, r.remote_port, r.pid,
                               r.family, r.has_traffic, r.local_addr6, r.remote_addr6, r.bytes_sent, r.bytes_received,
                               r.owner_start});
    return true;
}

bool GetUdpConnections(TConnectionArray& connections, platform::NetTableReader* reader) {
    std::optional<platform::NetTableReader> own;
    if (!reader) reader = &own.emplace();
    std::vector<platform::UdpRowOwnerPid> rows;
    if (!reader->ReadUdp(rows)) return false;
    connections.reserve(connections.size() + rows.size());
    for (const auto& r : rows) {
        TConnection c{kProtocolUdp, 0, r.local_addr, r.local_port, 0, 0, r.pid};
        c.family = r.family;
        c.local_addr6 = r.local_addr6;
        c.owner_start = r.owner_start;
        connections.push_back(c);
    }
    return true;
}

platform::TrafficAvailability TakeSnapshot(TConnectionArray& connections, platform::NetTableOptions options) {
    connections.clear();
    platform::NetTableReader reader(platform::NetTableReader::Source::Auto, options);
    // A table that cannot be read contributes no rows; the next refresh tries again.
    GetTcpConnections(connections, &reader);
    GetUdpConnections(connections, &reader);
    return reader.Traffic();
}

std::string PidToStr(std::uint32_t pid) {
    return pid == platform::kUnknownOwnerPid ? std::string("?") : std::to_string(pid);
}

bool HasUnknownOwners(const TConnectionArray& connections) {
    for (const auto& c : connections)
        if (c.pid == platform::kUnknownOwnerPid) return true;
    return false;
}

std::string IpToStr(std::uint32_t addr) {
    // By hand: every row of a table has two, and a formatted print costs more than the rest
    // of the row together.
    const auto* b = reinterpret_cast<const unsigned char*>(&addr);
    char buf[16];
    char* p = buf;
    for (int i = 0; i < 4; ++i) {
        const unsigned v = b[i];
        if (v >= 100) *p++ = static_cast<char>('0' + v / 100);
        if (v >= 10) *p++ = static_cast<char>('0' + v / 10 % 10);
        *p++ = static_cast<char>('0' + v % 10);
        if (i < 3) *p++ = '.';
    }
    return std::string(buf, p);
}

std::uint32_t SwapPort(std::uint32_t port) {
    port &= 0xFFFFu;
    return (port >> 8) + ((port & 0xFFu) << 8);
}

std::string ProtocolToStr(std::uint8_t protocol) {
    switch (protocol) {
    case kProtocolTcp:
        return "TCP";
    case kProtocolUdp:
        return "UDP";
    default:
        return "Unknown";
    }
}

std::string ProtocolText(const TConnection& c) {
    std::string text = ProtocolToStr(c.protocol);
    if (c.family == platform::kFamilyIPv6 && c.protocol <= kProtocolUdp) text += "v6";
    return text;
}

std::string Ip6ToStr(const platform::Ip6Bytes& a) {
    static const std::uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::equal(a.begin(), a.begin() + 12, kMapped)) {
        std::uint32_t v4;
        std::memcpy(&v4, a.data() + 12, 4);
        return "::ffff:" + IpToStr(v4);
    }
    unsigned groups[8];
    for (std::size_t i = 0; i < 8; ++i) groups[i] = (unsigned{a[2 * i]} << 8) | a[2 * i + 1];
    // The longest run of zero groups, at least two long; the first of equal runs.
    int best = -1, best_len = 0;
    for (int i = 0; i < 8;) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && groups[j] == 0) ++j;
        if (j - i > best_len && j - i >= 2) {
            best = i;
            best_len = j - i;
        }
        i = j;
    }
    static const char kHex[] = "0123456789abcdef";
    char buf[48];
    char* p = buf;
    for (int i = 0; i < 8; ++i) {
        if (i == best) {
            *p++ = ':';
            if (i == 0) *p++ = ':';
            i += best_len - 1;
            continue;
        }
        const unsigned g = groups[i];
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned d = (g >> shift) & 0xF;
            if (d || started || shift == 0) {
                *p++ = kHex[d];
                started = true;
            }
        }
        if (i < 7) *p++ = ':';
    }
    return std::string(buf, p);
}

std::string LocalAddressText(const TConnection& c) {
    return c.family == platform::kFamilyIPv6 ? Ip6ToStr(c.local_addr6) : IpToStr(c.local_addr);
}

std::string RemoteAddressText(const TConnection& c) {
    return c.family == platform::kFamilyIPv6 ? Ip6ToStr(c.remote_addr6) : IpToStr(c.remote_addr);
}

std::string EndpointText(const std::string& address_text, std::uint8_t family, std::uint32_t port_field) {
    const std::string port = std::to_string(SwapPort(port_field));
    return family == platform::kFamilyIPv6 ? "[" + address_text + "]:" + port : address_text + ":" + port;
}

bool RemoteIsUnspecified(const TConnection& c) {
    if (c.family != platform::kFamilyIPv6) return c.remote_addr == 0;
    for (const auto b : c.remote_addr6)
        if (b != 0) return false;
    return true;
}

std::string StateName(std::uint32_t state) { return state < 13 ? TcpStateNames[state] : ""; }

std::string PortLabel(int port) {
    switch (port) {
    case 21: return " (FTP)";
    case 25: return " (SMTP)";
    case 80: return " (HTTP)";
    case 110: return " (POP3)";
    case 143: return " (IMAP)";
    case 443: return " (HTTPS)";
    case 445: return " (Microsoft-DS)";
    case 465: return " (SMTP / SSL)";
    case 587: return " (SMTP / Auth)";
    case 993: return " (IMAPS)";
    case 5000: return " (Mozilla Sync)";
    case 5353: return " (mDNS)";
    case 8080: return " (HTTP)";
    default: return "";
    }
}

}  // namespace vanto
