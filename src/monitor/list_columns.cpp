// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/list_columns.h"

#include "monitor/connection_actions.h"
#include "monitor/connection_list.h"

namespace vanto {

std::string NumberSortKey(std::uint64_t n) {
    std::string key(8, '\0');
    for (int i = 7; i >= 0; --i, n >>= 8) key[static_cast<std::size_t>(i)] = static_cast<char>(n & 0xFFu);
    return key;
}

std::string Ipv4SortKey(std::uint32_t addr_field) {
    // The field's bytes lie in network order, first octet first: that is the numeric order.
    std::string key(4, '\0');
    for (int i = 0; i < 4; ++i) key[static_cast<std::size_t>(i)] = static_cast<char>((addr_field >> (8 * i)) & 0xFFu);
    return key;
}

std::string TextSortKey(std::string_view text) {
    std::string key(text);
    for (char& ch : key)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return key;
}

std::string VersionSortKey(std::string_view text) {
    // Runs of digits padded to one width, so that 10.0 comes after 9.1.
    std::string key;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] >= '0' && text[i] <= '9') {
            std::size_t j = i;
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
            while (i + 1 < j && text[i] == '0') ++i;
            if (j - i < 12) key.append(12 - (j - i), '0');
            key.append(text.substr(i, j - i));
            i = j;
        } else {
            const char ch = text[i++];
            key.push_back(ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch);
        }
    }
    return key;
}

std::string AddressSortKey(std::uint8_t family, std::uint32_t addr_field, const platform::Ip6Bytes& addr6) {
    // IPv4 addresses before IPv6 ones, each family by its numeric value.
    std::string key(1, family != platform::kFamilyIPv6 ? '\x04' : '\x06');
    if (family != platform::kFamilyIPv6) key += Ipv4SortKey(addr_field);
    else key.append(reinterpret_cast<const char*>(addr6.data()), addr6.size());
    return key;
}

namespace {

using C = const TConnection&;

std::string Bytes(bool known, std::uint64_t n) { return known ? FormatBytes(n) : std::string(); }
// Known counts after the empty cells, by value.
std::string CountKey(std::uint64_t n) {
    std::string key(1, '\x01');
    key += NumberSortKey(n);
    return key;
}
std::string BytesKey(bool known, std::uint64_t n) { return known ? CountKey(n) : std::string(); }
std::string Rate(double r) { return r >= 0 ? FormatRate(r) : std::string(); }
std::string RateKey(double r) { return r >= 0 ? CountKey(static_cast<std::uint64_t>(r)) : std::string(); }
using P = const TProcessFacts&;

const TListColumn kColumns[] = {
    {"pid", "PID", [](C c, P) { return PidToStr(c.pid); }, [](C c, P) { return NumberSortKey(c.pid); }, true, true,
     TProcessNeed::None},
    {"protocol", "Protocol", [](C c, P) { return ProtocolText(c); },
     [](C c, P) { return TextSortKey(ProtocolText(c)); }, true, false, TProcessNeed::None},
    {"process", "Process", [](C, P p) { return p.name; }, [](C, P p) { return TextSortKey(p.name); }, true, false,
     TProcessNeed::None},
    {"remote_address", "Remote Address", [](C c, P) { return RemoteAddressText(c); },
     [](C c, P) { return AddressSortKey(c.family, c.remote_addr, c.remote_addr6); }, true, false, TProcessNeed::None},
    {"remote_port", "Remote Port", [](C c, P) { return RemotePortText(c); },
     [](C c, P) { return NumberSortKey(SwapPort(c.remote_port)); }, true, false, TProcessNeed::None},
    {"state", "State", [](C c, P) { return StateName(c.state); },
     [](C c, P) { return TextSortKey(StateName(c.state)); }, false, false, TProcessNeed::None},
    {"local_address", "Local Address", [](C c, P) { return LocalAddressText(c); },
     [](C c, P) { return AddressSortKey(c.family, c.local_addr, c.local_addr6); }, false, false, TProcessNeed::None},
    {"local_port", "Local Port", [](C c, P) { return std::to_string(SwapPort(c.local_port)); },
     [](C c, P) { return NumberSortKey(SwapPort(c.local_port)); }, false, true, TProcessNeed::None},
    {"company", "Company", [](C, P p) { return p.company; }, [](C, P p) { return TextSortKey(p.company); }, false, false,
     TProcessNeed::Company},
    {"version", "Version", [](C, P p) { return p.version; }, [](C, P p) { return VersionSortKey(p.version); }, false,
     false, TProcessNeed::Version},
    {"path", "Path", [](C, P p) { return p.path; }, [](C, P p) { return TextSortKey(p.path); }, false, false,
     TProcessNeed::None},
    {"sent", "Sent", [](C c, P) { return Bytes(c.has_traffic, c.bytes_sent); },
     [](C c, P) { return BytesKey(c.has_traffic, c.bytes_sent); }, false, false, TProcessNeed::None},
    {"received", "Received", [](C c, P) { return Bytes(c.has_traffic, c.bytes_received); },
     [](C c, P) { return BytesKey(c.has_traffic, c.bytes_received); }, false, false, TProcessNeed::None},
    {"sent_rate", "Sent/s", [](C c, P) { return Rate(c.sent_rate); }, [](C c, P) { return RateKey(c.sent_rate); },
     false, false, TProcessNeed::None},
    {"received_rate", "Received/s", [](C c, P) { return Rate(c.received_rate); },
     [](C c, P) { return RateKey(c.received_rate); }, false, false, TProcessNeed::None},
};

}  // namespace

std::span<const TListColumn> ListColumns() { return kColumns; }

int ListColumnIndex(std::string_view id) {
    for (std::size_t i = 0; i < std::size(kColumns); ++i)
        if (id == kColumns[i].id) return static_cast<int>(i);
    return -1;
}

bool IsTrafficColumn(std::string_view id) {
    return id == "sent" || id == "received" || id == "sent_rate" || id == "received_rate";
}

}  // namespace vanto
