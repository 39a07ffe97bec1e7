// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/net_parsers.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

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
                                      std::uint8_t family = AF_INET) {
    std::vector<std::uint8_t> buf(NLMSG_SPACE(sizeof(inet_diag_msg)));
    nlmsghdr h{};
    h.nlmsg_len = NLMSG_LENGTH(sizeof(inet_diag_msg));
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

std::vector<std::uint8_t> Done() {
    std::vector<std::uint8_t> buf(NLMSG_SPACE(sizeof(int)));
    nlmsghdr h{};
    h.nlmsg_len = NLMSG_LENGTH(sizeof(int));
    h.nlmsg_type = NLMSG_DONE;
    std::memcpy(buf.data(), &h, sizeof h);
    return buf;
}

}  // namespace

TEST(InetDiag, ParsesMessagesUntilDone) {
    auto d = DiagMessage(10, 0x0100007F, htons(631), 42);
    auto second = DiagMessage(1, 0x0200007F, htons(80), 43);
    auto v6 = DiagMessage(1, 1, 1, 44, AF_INET6);
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
