// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/net_parsers.h"

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>

#include <array>
#include <cstring>

namespace vanto::platform::linux_backend {

std::uint32_t TableStateFromLinux(std::uint32_t linux_state) {
    // Index: Linux TCP_* number (include/net/tcp_states.h); value: MIB_TCP_STATE.
    static constexpr std::array<std::uint32_t, 13> kMap = {
        0,   // unused
        5,   // ESTABLISHED
        3,   // SYN_SENT
        4,   // SYN_RECV
        6,   // FIN_WAIT1
        7,   // FIN_WAIT2
        11,  // TIME_WAIT
        1,   // CLOSE
        8,   // CLOSE_WAIT
        10,  // LAST_ACK
        2,   // LISTEN
        9,   // CLOSING
        4,   // NEW_SYN_RECV: a half-open connection, shown as SYN received
    };
    return linux_state < kMap.size() ? kMap[linux_state] : 0;
}

DiagParse ParseInetDiagDatagram(const std::uint8_t* data, std::size_t len, std::vector<SocketEntry>& out) {
    std::size_t off = 0;
    while (len - off >= sizeof(nlmsghdr)) {
        nlmsghdr h;
        std::memcpy(&h, data + off, sizeof h);
        if (h.nlmsg_len < sizeof(nlmsghdr) || h.nlmsg_len > len - off) return DiagParse::Error;
        if (h.nlmsg_type == NLMSG_DONE) return DiagParse::Done;
        if (h.nlmsg_type == NLMSG_ERROR) return DiagParse::Error;
        if (h.nlmsg_len - sizeof(nlmsghdr) < sizeof(inet_diag_msg)) return DiagParse::Error;
        inet_diag_msg m;
        std::memcpy(&m, data + off + NLMSG_HDRLEN, sizeof m);
        if (m.idiag_family == AF_INET) {
            SocketEntry e;
            e.linux_state = m.idiag_state;
            e.local_addr = m.id.idiag_src[0];
            e.local_port = m.id.idiag_sport;
            e.remote_addr = m.id.idiag_dst[0];
            e.remote_port = m.id.idiag_dport;
            e.inode = m.idiag_inode;
            out.push_back(e);
        }
        const std::size_t step = NLMSG_ALIGN(h.nlmsg_len);
        if (step > len - off) break;
        off += step;
    }
    return DiagParse::More;
}

namespace {

bool ParseHex(std::string_view s, std::uint64_t& v) {
    if (s.empty() || s.size() > 16) return false;
    v = 0;
    for (char c : s) {
        unsigned d;
        if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
        else return false;
        v = (v << 4) | d;
    }
    return true;
}

bool ParseDec(std::string_view s, std::uint64_t& v) {
    if (s.empty() || s.size() > 20) return false;
    v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        const std::uint64_t next = v * 10 + static_cast<unsigned>(c - '0');
        if (next < v) return false;
        v = next;
    }
    return true;
}

// "0100007F:0050": the address as the kernel prints the raw 32-bit word (so the parsed value is
// already the network-order field), the port in host order.
bool ParseEndpoint(std::string_view s, std::uint32_t& addr, std::uint32_t& port) {
    if (s.size() != 13 || s[8] != ':') return false;
    std::uint64_t a, p;
    if (!ParseHex(s.substr(0, 8), a) || !ParseHex(s.substr(9, 4), p)) return false;
    addr = static_cast<std::uint32_t>(a);
    port = htons(static_cast<std::uint16_t>(p));
    return true;
}

}  // namespace

void ParseProcNetTable(std::string_view text, std::vector<SocketEntry>& out) {
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);

        // Fields: sl local rem st tx:rx tr:when retrnsmt uid timeout inode ...
        std::array<std::string_view, 10> f;
        std::size_t n = 0, i = 0;
        while (n < f.size()) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
            if (i >= line.size()) break;
            const std::size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
            f[n++] = line.substr(start, i - start);
        }
        if (n < f.size() || f[0].empty() || f[0].back() != ':') continue;  // header or damaged
        SocketEntry e;
        std::uint64_t st, inode;
        if (!ParseEndpoint(f[1], e.local_addr, e.local_port) || !ParseEndpoint(f[2], e.remote_addr, e.remote_port) ||
            f[3].size() != 2 || !ParseHex(f[3], st) || !ParseDec(f[9], inode))
            continue;
        e.linux_state = static_cast<std::uint32_t>(st);
        e.inode = inode;
        out.push_back(e);
    }
}

bool ParseSocketLink(std::string_view link, std::uint64_t& inode) {
    constexpr std::string_view kPrefix = "socket:[";
    if (link.size() <= kPrefix.size() + 1 || link.substr(0, kPrefix.size()) != kPrefix || link.back() != ']')
        return false;
    return ParseDec(link.substr(kPrefix.size(), link.size() - kPrefix.size() - 1), inode);
}

}  // namespace vanto::platform::linux_backend
