// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/net_parsers.h"

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/tcp.h>
#include <sys/socket.h>

#include <array>
#include <cstddef>
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

namespace {

bool AllZero(const std::uint8_t* a, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != 0) return false;
    return true;
}

// "::ffff:a.b.c.d"
bool IsV4Mapped(const std::uint8_t a[16]) { return AllZero(a, 10) && a[10] == 0xFF && a[11] == 0xFF; }

// The attributes that follow a diag message: INET_DIAG_SKV6ONLY and, from INET_DIAG_INFO,
// the two byte counts (a kernel older than the counts sends a shorter tcp_info: no counts).
V6Only ReadAttributes(const std::uint8_t* attrs, std::size_t len, SocketEntry& e) {
    V6Only v6only = V6Only::Unknown;
    constexpr std::size_t kCountsEnd = offsetof(tcp_info, tcpi_bytes_received) + sizeof(std::uint64_t);
    std::size_t off = 0;
    while (len - off >= sizeof(rtattr)) {
        rtattr a;
        std::memcpy(&a, attrs + off, sizeof a);
        if (a.rta_len < sizeof(rtattr) || a.rta_len > len - off) break;
        const std::uint8_t* payload = attrs + off + RTA_LENGTH(0);
        if (a.rta_type == INET_DIAG_SKV6ONLY && a.rta_len >= RTA_LENGTH(1)) {
            v6only = payload[0] != 0 ? V6Only::Yes : V6Only::No;
        } else if (a.rta_type == INET_DIAG_INFO && a.rta_len >= RTA_LENGTH(kCountsEnd)) {
            std::memcpy(&e.bytes_sent, payload + offsetof(tcp_info, tcpi_bytes_acked), sizeof e.bytes_sent);
            std::memcpy(&e.bytes_received, payload + offsetof(tcp_info, tcpi_bytes_received), sizeof e.bytes_received);
            e.has_traffic = true;
        }
        const std::size_t step = RTA_ALIGN(a.rta_len);
        if (step > len - off) break;
        off += step;
    }
    return v6only;
}

// Appends what one IPv6 socket gives: an IPv4 row for IPv4 traffic, an IPv6 row for the
// rest when those are kept, both for a dual-stack socket bound to "::" (it takes either).
void AddV6Socket(const std::uint8_t local[16], const std::uint8_t remote[16], V6Only v6only, bool keep_v6,
                 const SocketEntry& base, std::vector<SocketEntry>& out) {
    SocketEntry e = base;
    const bool v4 = MapV6ToV4(local, remote, v6only, e);
    if (v4) out.push_back(e);
    if (!keep_v6 || (v4 && !(AllZero(local, 16) && AllZero(remote, 16)))) return;
    SocketEntry r = base;
    r.from_v6 = true;
    r.v6 = true;
    std::memcpy(r.local6.data(), local, 16);
    std::memcpy(r.remote6.data(), remote, 16);
    out.push_back(r);
}

}  // namespace

bool MapV6ToV4(const std::uint8_t local[16], const std::uint8_t remote[16], V6Only v6only, SocketEntry& e) {
    const bool remote_any = AllZero(remote, 16);
    if (!remote_any && !IsV4Mapped(remote)) return false;
    if (IsV4Mapped(local)) {
        std::memcpy(&e.local_addr, local + 12, 4);
    } else if (AllZero(local, 16)) {
        // A mapped peer proves the socket takes IPv4; otherwise only the socket's flag can.
        if (remote_any && v6only == V6Only::Yes) return false;
        e.local_addr = 0;
        e.v6_any_unknown = remote_any && v6only == V6Only::Unknown;
    } else {
        return false;
    }
    if (remote_any) e.remote_addr = 0;
    else std::memcpy(&e.remote_addr, remote + 12, 4);
    e.from_v6 = true;
    return true;
}

DiagParse ParseInetDiagDatagram(const std::uint8_t* data, std::size_t len, std::vector<SocketEntry>& out,
                                bool keep_v6) {
    std::size_t off = 0;
    while (len - off >= sizeof(nlmsghdr)) {
        nlmsghdr h;
        std::memcpy(&h, data + off, sizeof h);
        if (h.nlmsg_len < sizeof(nlmsghdr) || h.nlmsg_len > len - off) return DiagParse::Error;
        if (h.nlmsg_type == NLMSG_DONE) {
            // A dump the kernel could not finish (no handler for the protocol, say) ends with
            // the error code in place of the usual 0.
            int code = 0;
            if (h.nlmsg_len >= NLMSG_LENGTH(sizeof code)) std::memcpy(&code, data + off + NLMSG_HDRLEN, sizeof code);
            return code < 0 ? DiagParse::Error : DiagParse::Done;
        }
        if (h.nlmsg_type == NLMSG_ERROR) return DiagParse::Error;
        if (h.nlmsg_len - sizeof(nlmsghdr) < sizeof(inet_diag_msg)) return DiagParse::Error;
        inet_diag_msg m;
        std::memcpy(&m, data + off + NLMSG_HDRLEN, sizeof m);
        SocketEntry e;
        e.linux_state = m.idiag_state;
        e.local_port = m.id.idiag_sport;
        e.remote_port = m.id.idiag_dport;
        e.inode = m.idiag_inode;
        const std::size_t attrs = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof m);
        const V6Only v6only =
            h.nlmsg_len > attrs ? ReadAttributes(data + off + attrs, h.nlmsg_len - attrs, e) : V6Only::Unknown;
        if (m.idiag_family == AF_INET) {
            e.local_addr = m.id.idiag_src[0];
            e.remote_addr = m.id.idiag_dst[0];
            out.push_back(e);
        } else if (m.idiag_family == AF_INET6) {
            std::uint8_t src[16], dst[16];
            std::memcpy(src, m.id.idiag_src, 16);
            std::memcpy(dst, m.id.idiag_dst, 16);
            AddV6Socket(src, dst, v6only, keep_v6, e, out);
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

// The IPv6 form: four such raw 32-bit words, then the port.
bool ParseEndpoint6(std::string_view s, std::uint8_t addr[16], std::uint32_t& port) {
    if (s.size() != 37 || s[32] != ':') return false;
    for (std::size_t w = 0; w < 4; ++w) {
        std::uint64_t v;
        if (!ParseHex(s.substr(w * 8, 8), v)) return false;
        const auto word = static_cast<std::uint32_t>(v);
        std::memcpy(addr + w * 4, &word, 4);
    }
    std::uint64_t p;
    if (!ParseHex(s.substr(33, 4), p)) return false;
    port = htons(static_cast<std::uint16_t>(p));
    return true;
}

// The rows one line gives (none for a malformed one), with every field but the ends filled.
void AddEndpoints(std::string_view local, std::string_view remote, SocketEntry e, bool keep_v6,
                  std::vector<SocketEntry>& out) {
    if (local.size() == 13) {
        if (ParseEndpoint(local, e.local_addr, e.local_port) && ParseEndpoint(remote, e.remote_addr, e.remote_port))
            out.push_back(e);
        return;
    }
    std::uint8_t l[16], r[16];
    if (ParseEndpoint6(local, l, e.local_port) && ParseEndpoint6(remote, r, e.remote_port))
        AddV6Socket(l, r, V6Only::Unknown, keep_v6, e, out);
}

}  // namespace

void ParseProcNetTable(std::string_view text, std::vector<SocketEntry>& out, bool keep_v6) {
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
        if (f[3].size() != 2 || !ParseHex(f[3], st) || !ParseDec(f[9], inode)) continue;
        e.linux_state = static_cast<std::uint32_t>(st);
        e.inode = inode;
        AddEndpoints(f[1], f[2], e, keep_v6, out);
    }
}

bool ParseSocketLink(std::string_view link, std::uint64_t& inode) {
    constexpr std::string_view kPrefix = "socket:[";
    if (link.size() <= kPrefix.size() + 1 || link.substr(0, kPrefix.size()) != kPrefix || link.back() != ']')
        return false;
    return ParseDec(link.substr(kPrefix.size(), link.size() - kPrefix.size() - 1), inode);
}

}  // namespace vanto::platform::linux_backend
