// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/connection_snapshot.h"

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
        connections.push_back({kProtocolTcp, r.state, r.local_addr, r.local_port, r.remote_addr, r.remote_port, r.pid});
    return true;
}

bool GetUdpConnections(TConnectionArray& connections, platform::NetTableReader* reader) {
    std::optional<platform::NetTableReader> own;
    if (!reader) reader = &own.emplace();
    std::vector<platform::UdpRowOwnerPid> rows;
    if (!reader->ReadUdp(rows)) return false;
    connections.reserve(connections.size() + rows.size());
    for (const auto& r : rows) connections.push_back({kProtocolUdp, 0, r.local_addr, r.local_port, 0, 0, r.pid});
    return true;
}

void TakeSnapshot(TConnectionArray& connections) {
    connections.clear();
    platform::NetTableReader reader;
    // A table that cannot be read contributes no rows; the next refresh tries again.
    GetTcpConnections(connections, &reader);
    GetUdpConnections(connections, &reader);
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
