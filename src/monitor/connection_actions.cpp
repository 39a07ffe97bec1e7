// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/connection_actions.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/net_control.h"

namespace vanto {

namespace {

std::string Scaled(double v, const char* suffix) {
    static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB", "PB"};
    std::size_t u = 0;
    while (v >= 1024.0 && u + 1 < std::size(kUnits)) {
        v /= 1024.0;
        ++u;
    }
    char buf[48];
    if (u == 0) std::snprintf(buf, sizeof buf, "%.0f %s%s", v, kUnits[u], suffix);
    else std::snprintf(buf, sizeof buf, "%.1f %s%s", v, kUnits[u], suffix);
    return buf;
}

// The two ends of a row as one key: family, addresses and ports.
std::string RowKey(const TConnection& c) {
    std::string key(1, static_cast<char>(c.family));
    if (c.family == platform::kFamilyIPv6) {
        key.append(reinterpret_cast<const char*>(c.local_addr6.data()), 16);
        key.append(reinterpret_cast<const char*>(c.remote_addr6.data()), 16);
    } else {
        key.append(reinterpret_cast<const char*>(&c.local_addr), 4);
        key.append(reinterpret_cast<const char*>(&c.remote_addr), 4);
    }
    const std::uint16_t ports[2] = {static_cast<std::uint16_t>(c.local_port), static_cast<std::uint16_t>(c.remote_port)};
    key.append(reinterpret_cast<const char*>(ports), sizeof ports);
    return key;
}

std::string Ends(const TConnection& c) {
    return "from " + EndpointText(LocalAddressText(c), c.family, c.local_port) + " to " +
           EndpointText(RemoteAddressText(c), c.family, c.remote_port);
}

bool ParseIpv4(const std::string& s, std::uint32_t& addr) {
    unsigned char b[4];
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
        unsigned v = 0;
        std::size_t digits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 4) {
            v = v * 10 + static_cast<unsigned>(s[i] - '0');
            ++i;
            ++digits;
        }
        if (v > 255 || digits > 3) return false;
        b[part] = static_cast<unsigned char>(v);
        if (part < 3) {
            if (i >= s.size() || s[i] != '.') return false;
            ++i;
        }
    }
    if (i != s.size()) return false;
    std::memcpy(&addr, b, 4);
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// RFC 4291 text: groups of up to four hex digits, at most one "::", an IPv4 tail.
bool ParseIpv6(const std::string& s, platform::Ip6Bytes& out) {
    if (s.empty() || s.size() > 45) return false;
    std::uint16_t groups[8] = {};
    int n = 0, gap = -1;
    std::size_t i = 0;
    if (s.compare(0, 2, "::") == 0) {
        gap = 0;
        i = 2;
        if (i == s.size()) {
            out.fill(0);
            return true;
        }
    } else if (s[0] == ':') {
        return false;
    }
    while (i < s.size()) {
        if (n >= 8) return false;
        const std::size_t start = i;
        unsigned v = 0;
        while (i < s.size() && HexDigit(s[i]) >= 0 && i - start < 4) v = v * 16 + static_cast<unsigned>(HexDigit(s[i++]));
        if (i < s.size() && s[i] == '.') {
            // An IPv4 tail takes the last two groups.
            std::uint32_t v4;
            if (n > 6 || !ParseIpv4(s.substr(start), v4)) return false;
            const auto* b = reinterpret_cast<const unsigned char*>(&v4);
            groups[n++] = static_cast<std::uint16_t>((b[0] << 8) | b[1]);
            groups[n++] = static_cast<std::uint16_t>((b[2] << 8) | b[3]);
            break;
        }
        if (i == start) return false;
        groups[n++] = static_cast<std::uint16_t>(v);
        if (i == s.size()) break;
        if (s[i] != ':') return false;
        ++i;
        if (i < s.size() && s[i] == ':') {
            if (gap >= 0) return false;
            gap = n;
            ++i;
            if (i == s.size()) break;
        } else if (i == s.size()) {
            return false;  // a lone ":" at the end
        }
    }
    if (gap < 0 ? n != 8 : n > 7) return false;
    std::uint16_t full[8] = {};
    if (gap < 0) {
        std::copy(groups, groups + 8, full);
    } else {
        std::copy(groups, groups + gap, full);
        std::copy(groups + gap, groups + n, full + 8 - (n - gap));
    }
    for (std::size_t g = 0; g < 8; ++g) {
        out[2 * g] = static_cast<std::uint8_t>(full[g] >> 8);
        out[2 * g + 1] = static_cast<std::uint8_t>(full[g] & 0xFF);
    }
    return true;
}

std::string PidText(std::uint32_t pid) { return "the process with PID " + std::to_string(pid); }

}  // namespace

std::string FormatBytes(std::uint64_t bytes) { return Scaled(static_cast<double>(bytes), ""); }

std::string FormatRate(double bytes_per_second) { return Scaled(bytes_per_second < 0 ? 0 : bytes_per_second, "/s"); }

TProcessTraffic ProcessTraffic(const TConnectionArray& connections, std::uint32_t pid) {
    TProcessTraffic t;
    for (const auto& c : connections) {
        if (c.pid != pid || !c.has_traffic) continue;
        t.sent += c.bytes_sent;
        t.received += c.bytes_received;
        t.counted = true;
    }
    return t;
}

std::vector<TTrafficRates::Rate> TTrafficRates::Update(const TConnectionArray& now, double seconds) {
    std::vector<std::pair<std::string, Counts>> current;
    std::vector<Rate> rates(now.size());
    std::vector<std::pair<std::string, std::size_t>> keys;
    for (std::size_t i = 0; i < now.size(); ++i)
        if (now[i].has_traffic) keys.emplace_back(RowKey(now[i]), i);
    std::sort(keys.begin(), keys.end());
    current.reserve(keys.size());
    for (const auto& [key, i] : keys) {
        const TConnection& c = now[i];
        current.push_back({key, {c.bytes_sent, c.bytes_received}});
        if (seconds <= 0) continue;
        const auto it = std::lower_bound(previous_.begin(), previous_.end(), key,
                                         [](const auto& p, const std::string& k) { return p.first < k; });
        // Counts that went down belong to a new connection on the same ends.
        if (it == previous_.end() || it->first != key || it->second.sent > c.bytes_sent ||
            it->second.received > c.bytes_received)
            continue;
        rates[i] = {true, static_cast<double>(c.bytes_sent - it->second.sent) / seconds,
                    static_cast<double>(c.bytes_received - it->second.received) / seconds};
    }
    previous_ = std::move(current);
    return rates;
}

bool ParseEndpoint(const std::string& text, std::uint8_t& family, std::uint32_t& addr4, platform::Ip6Bytes& addr6,
                   std::uint32_t& port_field) {
    std::string host, port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') return false;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        family = platform::kFamilyIPv6;
        addr4 = 0;
        if (!ParseIpv6(host, addr6)) return false;
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos) return false;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        family = platform::kFamilyIPv4;
        addr6.fill(0);
        if (!ParseIpv4(host, addr4)) return false;
    }
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long p = std::stoul(port);
    if (p > 65535) return false;
    port_field = ((p & 0xFF) << 8) | (p >> 8);
    return true;
}

std::optional<TConnection> FindTcpConnection(const TConnectionArray& connections, const std::string& local,
                                             const std::string& remote) {
    TConnection want;
    std::uint8_t remote_family;
    if (!ParseEndpoint(local, want.family, want.local_addr, want.local_addr6, want.local_port) ||
        !ParseEndpoint(remote, remote_family, want.remote_addr, want.remote_addr6, want.remote_port) ||
        remote_family != want.family)
        return std::nullopt;
    for (const auto& c : connections) {
        if (c.protocol != kProtocolTcp || c.family != want.family) continue;
        if ((c.local_port & 0xFFFF) != want.local_port || (c.remote_port & 0xFFFF) != want.remote_port) continue;
        const bool same = c.family == platform::kFamilyIPv6
                              ? c.local_addr6 == want.local_addr6 && c.remote_addr6 == want.remote_addr6
                              : c.local_addr == want.local_addr && c.remote_addr == want.remote_addr;
        if (same) return c;
    }
    return std::nullopt;
}

std::string CloseConnectionQuestion(const TConnection& c, const std::string& process_text) {
    std::string q = "Close the connection " + Ends(c);
    if (!process_text.empty()) q += " of \"" + process_text + "\" (PID " + PidToStr(c.pid) + ")";
    return q + "? The program that holds it sees the connection reset.";
}

TActionResult CloseConnection(const TConnection& c) {
    const std::string ends = Ends(c);
    if (c.protocol != kProtocolTcp) return {false, "Only TCP connections can be closed."};
    if (RemoteIsUnspecified(c)) return {false, "A listener is not a connection: end its process to close it."};
    platform::TcpRowOwnerPid row{c.state, c.local_addr, c.local_port, c.remote_addr, c.remote_port, c.pid};
    row.family = c.family;
    row.local_addr6 = c.local_addr6;
    row.remote_addr6 = c.remote_addr6;
    const platform::CloseOutcome o = platform::CloseTcpConnection(row);
    const std::string refused = "The connection " + ends + " could not be closed: ";
    switch (o.result) {
    case platform::CloseResult::Closed: return {true, "Closed the connection " + ends + "."};
    case platform::CloseResult::NoRights: return {false, refused + platform::CloseConnectionRightsText()};
    case platform::CloseResult::NotSupported: return {false, refused + platform::CloseConnectionUnsupportedText(c.family)};
    case platform::CloseResult::NotFound: return {false, refused + "it is already gone."};
    case platform::CloseResult::Failed: break;
    }
    return {false, refused + o.detail + "."};
}

TProcessTarget ProcessTargetOf(const TConnection& c) {
    TProcessTarget t{c.pid, c.owner_start};
    if (t.start == 0 && c.pid != 0 && c.pid != platform::kUnknownOwnerPid) t.start = platform::ProcessStartTime(c.pid);
    return t;
}

std::optional<std::string> EndProcessRefusal(std::uint32_t pid) {
    if (pid == 0 || pid == 4 || pid == 1)
        return "Vantoscope does not end the system's own processes (PID 0, 4 and 1).";
    if (pid == platform::kUnknownOwnerPid) return "The owner of this connection is not known.";
    if (pid == platform::CurrentProcessId()) return "Vantoscope does not end itself: use Quit.";
    return std::nullopt;
}

std::string EndProcessQuestion(const std::string& product, std::uint32_t pid, const std::string& path) {
    return "End the process \"" + product + "\" (PID " + std::to_string(pid) + ", " + path +
           ")? Anything it has not saved is lost.";
}

TActionResult EndProcessNow(const TProcessTarget& target, bool force) {
    if (const auto refusal = EndProcessRefusal(target.pid)) return {false, *refusal};
    const std::string who = PidText(target.pid);
    if (target.start == 0) return {false, "The process with PID " + std::to_string(target.pid) + " has already ended."};
    const platform::EndOutcome o = platform::EndProcess(target.pid, target.start, force);
    switch (o.result) {
    case platform::EndResult::Sent:
        return {true, std::string(force || !platform::EndProcessIsRequest() ? "Ended " : "Asked ") + who +
                          (force || !platform::EndProcessIsRequest() ? "." : " to end.")};
    case platform::EndResult::NoRights:
        return {false, "The system refused to end " + who + ": it belongs to another user or is protected."};
    case platform::EndResult::Gone:
        return {false, "The process with PID " + std::to_string(target.pid) + " has already ended."};
    case platform::EndResult::Reused:
        return {false, "The process with PID " + std::to_string(target.pid) +
                           " has ended and its PID now belongs to another process; nothing was done."};
    case platform::EndResult::Failed: break;
    }
    return {false, "The system refused to end " + who + ": " + o.detail + "."};
}

bool TargetRunning(const TProcessTarget& target) { return platform::ProcessRunning(target.pid, target.start); }

std::string EndProcessForceQuestion(std::uint32_t pid) {
    return "The process with PID " + std::to_string(pid) +
           " is still running three seconds after it was asked to end. End it by force? Anything it has not saved is "
           "lost.";
}

}  // namespace vanto
