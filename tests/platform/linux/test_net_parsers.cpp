// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/net_parsers.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/tcp.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "testsupport/test_support.h"

using namespace vanto::platform::linux_backend;

TEST(ProcNetTable, ParsesGoodLinesAndSkipsDamagedOnes) {
    std::vector<SocketEntry> rows;
    ParseProcNetTable(vanto::testing::readFile(vanto::testing::fixture("proc/net_tcp.txt")), rows);
    ASSERT_EQ(rows.size(), 4u);

    // 127.0.0.1:631 listening: address kept as the raw network-order word, port turned into
    // network order like the Windows row.
    const unsigned char lo[4] = {127, 0, 0, 1};
    std::uint32_t lo_field;
    std::memcpy(&lo_field, lo, 4);
    EXPECT_EQ(rows[0].local_addr, lo_field);
    EXPECT_EQ(rows[0].local_port, htons(631));
    EXPECT_EQ(rows[0].remote_addr, 0u);
    EXPECT_EQ(rows[0].linux_state, 10u);
    EXPECT_EQ(rows[0].inode, 21563u);

    EXPECT_EQ(rows[1].local_port, htons(8080));
    EXPECT_EQ(rows[1].remote_port, htons(50000));
    EXPECT_EQ(rows[1].linux_state, 1u);

    EXPECT_EQ(rows[2].linux_state, 6u);  // TIME_WAIT: inode 0, owner unknown
    EXPECT_EQ(rows[2].inode, 0u);
    EXPECT_EQ(rows[3].inode, 4294967296u);  // inode numbers are 64-bit
}

TEST(ProcNetTable, EmptyAndHeaderOnlyAndUnterminated) {
    std::vector<SocketEntry> rows;
    ParseProcNetTable("", rows);
    ParseProcNetTable("  sl  local_address rem_address   st\n", rows);
    EXPECT_TRUE(rows.empty());
    // No final line break; UDP tables look the same.
    ParseProcNetTable("  0: 00000000:14E9 00000000:0000 07 00000000:00000000 00:00000000 00000000 0 0 777 2", rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].local_port, htons(5353));
    EXPECT_EQ(rows[0].linux_state, 7u);
}

TEST(ProcNetTable, Ipv6TableGivesOnlyRowsThatCarryIpv4) {
    std::vector<SocketEntry> rows;
    ParseProcNetTable(vanto::testing::readFile(vanto::testing::fixture("proc/net_tcp6.txt")), rows);
    // "::" listener (dual-stack unless told otherwise), a mapped connection; "::1", a pure
    // IPv6 end and a damaged port are left out.
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].local_addr, 0u);
    EXPECT_EQ(rows[0].local_port, htons(8080));
    EXPECT_EQ(rows[0].linux_state, 10u);
    EXPECT_TRUE(rows[0].v6_any_unknown);
    EXPECT_EQ(rows[1].local_addr, vanto::testing::Ipv4Field(127, 0, 0, 1));
    EXPECT_EQ(rows[1].remote_addr, vanto::testing::Ipv4Field(127, 0, 0, 2));
    EXPECT_EQ(rows[1].remote_port, htons(50000));
    EXPECT_EQ(rows[1].inode, 5002u);
    EXPECT_FALSE(rows[1].v6_any_unknown);
}

TEST(MapV6, OnlyIpv4TrafficBecomesARow) {
    using A = std::array<std::uint8_t, 16>;
    const A any{}, mapped{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 10, 0, 0, 7};
    const A loop6{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    const A mapped_other{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 192, 168, 1, 1};
    struct Case {
        A local, remote;
        V6Only v6only;
        bool row, unknown;
    } cases[] = {
        {any, any, V6Only::No, true, false},       {any, any, V6Only::Yes, false, false},
        {any, any, V6Only::Unknown, true, true},   {mapped, mapped_other, V6Only::Unknown, true, false},
        {any, mapped_other, V6Only::Unknown, true, false}, {loop6, any, V6Only::No, false, false},
        {mapped, loop6, V6Only::No, false, false}, {loop6, loop6, V6Only::No, false, false},
    };
    for (const auto& c : cases) {
        SocketEntry e;
        EXPECT_EQ(MapV6ToV4(c.local.data(), c.remote.data(), c.v6only, e), c.row) << &c - cases;
        if (!c.row) continue;
        EXPECT_EQ(e.v6_any_unknown, c.unknown) << &c - cases;
        if (c.local == mapped) {
            EXPECT_EQ(e.local_addr, vanto::testing::Ipv4Field(10, 0, 0, 7));
        }
        if (c.remote == mapped_other) {
            EXPECT_EQ(e.remote_addr, vanto::testing::Ipv4Field(192, 168, 1, 1));
        }
    }
}

TEST(TableState, LinuxStatesMapToTableCodes) {
    struct Case {
        std::uint32_t linux_state, table;
    } cases[] = {{1, 5}, {2, 3}, {3, 4}, {4, 6}, {5, 7}, {6, 11}, {7, 1}, {8, 8}, {9, 10}, {10, 2}, {11, 9}, {12, 4},
                 {0, 0}, {13, 0}, {255, 0}};
    for (const auto& c : cases) EXPECT_EQ(TableStateFromLinux(c.linux_state), c.table) << c.linux_state;
}

TEST(SocketLink, OnlySocketTargetsGiveAnInode) {
    std::uint64_t inode = 0;
    EXPECT_TRUE(ParseSocketLink("socket:[12345]", inode));
    EXPECT_EQ(inode, 12345u);
    for (const char* bad : {"socket:[]", "socket:[12", "socket:12]", "pipe:[12345]", "/dev/null", "socket:[1x]",
                            "anon_inode:[eventfd]", "", "socket:[99999999999999999999999]"})
        EXPECT_FALSE(ParseSocketLink(bad, inode)) << bad;
}

namespace {

std::vector<std::uint8_t> DiagMessage(std::uint8_t state, std::uint32_t src, std::uint16_t sport, std::uint32_t inode,
                                      std::uint8_t family = AF_INET, int v6only = -1) {
    const std::size_t attr = v6only < 0 ? 0 : RTA_SPACE(1);
    std::vector<std::uint8_t> buf(NLMSG_SPACE(sizeof(inet_diag_msg) + attr));
    nlmsghdr h{};
    h.nlmsg_len = NLMSG_LENGTH(NLMSG_ALIGN(sizeof(inet_diag_msg)) + attr);
    if (v6only >= 0) {
        rtattr a{};
        a.rta_len = RTA_LENGTH(1);
        a.rta_type = INET_DIAG_SKV6ONLY;
        const std::size_t at = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(inet_diag_msg));
        std::memcpy(buf.data() + at, &a, sizeof a);
        buf[at + RTA_LENGTH(0)] = static_cast<std::uint8_t>(v6only);
    }
    h.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    inet_diag_msg m{};
    m.idiag_family = family;
    m.idiag_state = state;
    m.id.idiag_src[0] = src;
    m.id.idiag_sport = sport;
    m.idiag_inode = inode;
    std::memcpy(buf.data(), &h, sizeof h);
    std::memcpy(buf.data() + NLMSG_HDRLEN, &m, sizeof m);
    return buf;
}

std::vector<std::uint8_t> Done(int code = 0) {
    std::vector<std::uint8_t> buf(NLMSG_SPACE(sizeof(int)));
    nlmsghdr h{};
    h.nlmsg_len = NLMSG_LENGTH(sizeof(int));
    h.nlmsg_type = NLMSG_DONE;
    std::memcpy(buf.data(), &h, sizeof h);
    std::memcpy(buf.data() + NLMSG_HDRLEN, &code, sizeof code);
    return buf;
}

}  // namespace

TEST(InetDiag, ParsesMessagesUntilDone) {
    auto d = DiagMessage(10, 0x0100007F, htons(631), 42);
    auto second = DiagMessage(1, 0x0200007F, htons(80), 43);
    auto v6 = DiagMessage(1, 1, 1, 44, AF_INET6);  // "::1"-like source: pure IPv6
    d.insert(d.end(), v6.begin(), v6.end());
    d.insert(d.end(), second.begin(), second.end());
    std::vector<SocketEntry> rows;
    EXPECT_EQ(ParseInetDiagDatagram(d.data(), d.size(), rows), DiagParse::More);
    ASSERT_EQ(rows.size(), 2u);  // the IPv6 message is not ours
    EXPECT_EQ(rows[0].local_port, htons(631));
    EXPECT_EQ(rows[0].inode, 42u);
    EXPECT_EQ(rows[1].local_addr, 0x0200007Fu);
    auto done = Done();
    EXPECT_EQ(ParseInetDiagDatagram(done.data(), done.size(), rows), DiagParse::Done);
    EXPECT_EQ(rows.size(), 2u);
}

TEST(InetDiag, DamagedDatagramsAreRefusedWithoutReadingPastThem) {
    std::vector<SocketEntry> rows;
    auto msg = DiagMessage(1, 1, 1, 1);
    // Claims more than the datagram holds.
    auto longer = msg;
    nlmsghdr h;
    std::memcpy(&h, longer.data(), sizeof h);
    h.nlmsg_len = static_cast<std::uint32_t>(longer.size() + 100);
    std::memcpy(longer.data(), &h, sizeof h);
    EXPECT_EQ(ParseInetDiagDatagram(longer.data(), longer.size(), rows), DiagParse::Error);
    // Too short to hold a diag message, and shorter than its own header.
    for (std::uint32_t len : {static_cast<std::uint32_t>(NLMSG_LENGTH(4)), 3u, 0u}) {
        auto shorter = msg;
        h.nlmsg_len = len;
        std::memcpy(shorter.data(), &h, sizeof h);
        EXPECT_EQ(ParseInetDiagDatagram(shorter.data(), shorter.size(), rows), DiagParse::Error) << len;
    }
    // A datagram cut inside the header is simply over.
    EXPECT_EQ(ParseInetDiagDatagram(msg.data(), 7, rows), DiagParse::More);
    auto err = Done();
    std::memcpy(&h, err.data(), sizeof h);
    h.nlmsg_type = NLMSG_ERROR;
    std::memcpy(err.data(), &h, sizeof h);
    EXPECT_EQ(ParseInetDiagDatagram(err.data(), err.size(), rows), DiagParse::Error);
    EXPECT_TRUE(rows.empty());
}

TEST(InetDiag, DoneCarryingAnErrorIsAnError) {
    std::vector<SocketEntry> rows;
    auto failed = Done(-ENOENT);  // what a kernel without the protocol's diag module answers
    EXPECT_EQ(ParseInetDiagDatagram(failed.data(), failed.size(), rows), DiagParse::Error);
    auto ok = Done(0);
    EXPECT_EQ(ParseInetDiagDatagram(ok.data(), ok.size(), rows), DiagParse::Done);
    // An old kernel's bare NLMSG_DONE without a code ends the dump well.
    nlmsghdr h{};
    h.nlmsg_len = NLMSG_HDRLEN;
    h.nlmsg_type = NLMSG_DONE;
    std::vector<std::uint8_t> bare(NLMSG_HDRLEN);
    std::memcpy(bare.data(), &h, sizeof h);
    EXPECT_EQ(ParseInetDiagDatagram(bare.data(), bare.size(), rows), DiagParse::Done);
}

TEST(InetDiag, DualStackListenersFollowTheirV6OnlyFlag) {
    std::vector<std::uint8_t> d;
    for (int flag : {0, 1, -1}) {
        auto m = DiagMessage(10, 0, htons(static_cast<std::uint16_t>(8000 + flag + 1)), 70u + static_cast<unsigned>(flag + 1),
                             AF_INET6, flag);
        d.insert(d.end(), m.begin(), m.end());
    }
    std::vector<SocketEntry> rows;
    EXPECT_EQ(ParseInetDiagDatagram(d.data(), d.size(), rows), DiagParse::More);
    ASSERT_EQ(rows.size(), 2u);  // the IPv6-only listener is not an IPv4 one
    EXPECT_EQ(rows[0].local_port, htons(8001));
    EXPECT_EQ(rows[0].local_addr, 0u);
    EXPECT_FALSE(rows[0].v6_any_unknown);
    EXPECT_EQ(rows[1].local_port, htons(8000));  // no flag in the reply: the reader decides
    EXPECT_TRUE(rows[1].v6_any_unknown);
}

namespace {

// A diag message followed by an INET_DIAG_INFO attribute of `info_len` bytes of tcp_info.
std::vector<std::uint8_t> DiagWithInfo(std::size_t info_len, std::uint64_t acked, std::uint64_t received) {
    auto buf = DiagMessage(1, 0x0100007F, htons(5000), 7);
    const std::size_t at = NLMSG_ALIGN(buf.size());
    buf.resize(at + RTA_SPACE(info_len));
    rtattr a{};
    a.rta_len = static_cast<unsigned short>(RTA_LENGTH(info_len));
    a.rta_type = INET_DIAG_INFO;
    std::memcpy(buf.data() + at, &a, sizeof a);
    std::uint8_t* info = buf.data() + at + RTA_LENGTH(0);
    if (info_len >= offsetof(tcp_info, tcpi_bytes_received) + 8) {
        std::memcpy(info + offsetof(tcp_info, tcpi_bytes_acked), &acked, 8);
        std::memcpy(info + offsetof(tcp_info, tcpi_bytes_received), &received, 8);
    }
    nlmsghdr h;
    std::memcpy(&h, buf.data(), sizeof h);
    h.nlmsg_len = static_cast<std::uint32_t>(at + RTA_LENGTH(info_len));
    std::memcpy(buf.data(), &h, sizeof h);
    return buf;
}

}  // namespace

TEST(InetDiag, ByteCountsComeFromTcpInfoWhenItHoldsThem) {
    std::vector<SocketEntry> rows;
    auto full = DiagWithInfo(sizeof(tcp_info), 1'000'000, 2'500);
    ASSERT_EQ(ParseInetDiagDatagram(full.data(), full.size(), rows), DiagParse::More);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].has_traffic);
    EXPECT_EQ(rows[0].bytes_sent, 1'000'000u);
    EXPECT_EQ(rows[0].bytes_received, 2'500u);
    // An older kernel's shorter tcp_info ends before the counts: none, rather than garbage.
    rows.clear();
    auto old = DiagWithInfo(offsetof(tcp_info, tcpi_bytes_acked), 0, 0);
    ASSERT_EQ(ParseInetDiagDatagram(old.data(), old.size(), rows), DiagParse::More);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0].has_traffic);
}

TEST(InetDiag, Ipv6RowsAreKeptOnlyWhenAskedFor) {
    auto v6 = DiagMessage(1, 0, htons(443), 44, AF_INET6);
    // "::1" as the source: the fourth 32-bit word holds 1 in its last byte.
    inet_diag_msg m;
    std::memcpy(&m, v6.data() + NLMSG_HDRLEN, sizeof m);
    const std::uint8_t one[4] = {0, 0, 0, 1};
    std::memcpy(&m.id.idiag_src[3], one, 4);
    std::memcpy(v6.data() + NLMSG_HDRLEN, &m, sizeof m);
    auto dual = DiagMessage(10, 0, htons(80), 45, AF_INET6, 0);  // "::" listener taking IPv4 too
    v6.insert(v6.end(), dual.begin(), dual.end());
    std::vector<SocketEntry> rows;
    ParseInetDiagDatagram(v6.data(), v6.size(), rows);
    ASSERT_EQ(rows.size(), 1u);  // the dual-stack listener as an IPv4 row
    EXPECT_FALSE(rows[0].v6);
    rows.clear();
    ParseInetDiagDatagram(v6.data(), v6.size(), rows, true);
    ASSERT_EQ(rows.size(), 3u);  // "::1" row, then the listener as IPv4 and as IPv6
    EXPECT_TRUE(rows[0].v6);
    EXPECT_EQ(rows[0].local6[15], 1);
    EXPECT_EQ(rows[0].local_port, htons(443));
    EXPECT_FALSE(rows[1].v6);
    EXPECT_TRUE(rows[2].v6);
    EXPECT_EQ(rows[2].inode, 45u);
}

TEST(ProcNetTable, Ipv6TableKeepsIpv6RowsWhenAskedFor) {
    std::vector<SocketEntry> rows;
    ParseProcNetTable(vanto::testing::readFile(vanto::testing::fixture("proc/net_tcp6.txt")), rows, true);
    std::size_t v6 = 0, v4 = 0;
    for (const auto& r : rows) (r.v6 ? v6 : v4)++;
    EXPECT_EQ(v4, 2u);  // as without IPv6 rows
    // The "::" listener again, "::1" and the pure IPv6 end; the damaged line stays out.
    EXPECT_EQ(v6, 3u);
    for (const auto& r : rows)
        EXPECT_TRUE(!r.v6 || !r.v6_any_unknown);
}
