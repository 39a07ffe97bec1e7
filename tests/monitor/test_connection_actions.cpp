// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The IPv6 text forms, the connection ends the command line takes, traffic texts and rates,
// and the refusals of the actions that need no system call.
#include "monitor/connection_actions.h"
#include "monitor/connection_filters.h"
#include "monitor/details_panel.h"

#include <gtest/gtest.h>

using namespace vanto;

namespace {

platform::Ip6Bytes Bytes(std::initializer_list<unsigned> groups) {
    platform::Ip6Bytes b{};
    std::size_t i = 0;
    for (const unsigned g : groups) {
        b[i++] = static_cast<std::uint8_t>(g >> 8);
        b[i++] = static_cast<std::uint8_t>(g & 0xFF);
    }
    return b;
}

TConnection V6Row(const platform::Ip6Bytes& local, std::uint16_t lport, const platform::Ip6Bytes& remote,
                  std::uint16_t rport) {
    TConnection c{kProtocolTcp, 5, 0, static_cast<std::uint32_t>((lport >> 8) | ((lport & 0xFF) << 8)), 0,
                  static_cast<std::uint32_t>((rport >> 8) | ((rport & 0xFF) << 8)), 1234};
    c.family = platform::kFamilyIPv6;
    c.local_addr6 = local;
    c.remote_addr6 = remote;
    return c;
}

}  // namespace

TEST(Ip6ToStr, Rfc5952Text) {
    const struct {
        platform::Ip6Bytes addr;
        const char* text;
    } cases[] = {
        {Bytes({0, 0, 0, 0, 0, 0, 0, 0}), "::"},
        {Bytes({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
        {Bytes({0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}), "2001:db8::1"},
        {Bytes({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}), "2001:db8:0:1:1:1:1:1"},  // one zero group stays
        {Bytes({0x2001, 0, 0, 1, 0, 0, 0, 1}), "2001:0:0:1::1"},           // the longer run
        {Bytes({0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}), "2001:db8::1:0:0:1"},    // the first of equal runs
        {Bytes({0xfe80, 0, 0, 0, 0x1ff, 0xfe23, 0x4567, 0x890a}), "fe80::1ff:fe23:4567:890a"},
        {Bytes({0xABCD, 0, 0, 0, 0, 0, 0, 0}), "abcd::"},
        {Bytes({0, 0, 0, 0, 0, 0xffff, 0xc000, 0x0201}), "::ffff:192.0.2.1"},
    };
    for (const auto& c : cases) EXPECT_EQ(Ip6ToStr(c.addr), c.text);
}

TEST(ParseEndpoint, BothFamiliesAndWhatIsRefused) {
    std::uint8_t family;
    std::uint32_t addr4, port;
    platform::Ip6Bytes addr6;
    ASSERT_TRUE(ParseEndpoint("127.0.0.1:5000", family, addr4, addr6, port));
    EXPECT_EQ(family, platform::kFamilyIPv4);
    EXPECT_EQ(IpToStr(addr4), "127.0.0.1");
    EXPECT_EQ(SwapPort(port), 5000u);
    ASSERT_TRUE(ParseEndpoint("[2001:db8::1]:443", family, addr4, addr6, port));
    EXPECT_EQ(family, platform::kFamilyIPv6);
    EXPECT_EQ(Ip6ToStr(addr6), "2001:db8::1");
    EXPECT_EQ(SwapPort(port), 443u);
    ASSERT_TRUE(ParseEndpoint("[::ffff:10.0.0.1]:1", family, addr4, addr6, port));
    EXPECT_EQ(Ip6ToStr(addr6), "::ffff:10.0.0.1");
    ASSERT_TRUE(ParseEndpoint("[1:2:3:4:5:6:7:8]:65535", family, addr4, addr6, port));
    EXPECT_EQ(Ip6ToStr(addr6), "1:2:3:4:5:6:7:8");
    for (const char* bad : {"", "127.0.0.1", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:-1", "256.0.0.1:80",
                            "1.2.3:80", "1.2.3.4.5:80", "host:80", "::1:80", "[::1]80", "[::1]:", "[1::2::3]:80",
                            "[1:2:3:4:5:6:7:8:9]:80", "[12345::]:80", "[:1]:80", "[1:]:80", "0127.0.0.1:80"})
        EXPECT_FALSE(ParseEndpoint(bad, family, addr4, addr6, port)) << bad;
}

TEST(FindTcpConnection, MatchesBothEndsOfTheRightFamily) {
    const TConnection v6 = V6Row(Bytes({0, 0, 0, 0, 0, 0, 0, 1}), 5000, Bytes({0, 0, 0, 0, 0, 0, 0, 1}), 80);
    TConnection udp = v6;
    udp.protocol = kProtocolUdp;
    const TConnectionArray snap = {udp, v6};
    const auto found = FindTcpConnection(snap, "[::1]:5000", "[::1]:80");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, v6);
    EXPECT_FALSE(FindTcpConnection(snap, "[::1]:80", "[::1]:5000"));
    EXPECT_FALSE(FindTcpConnection(snap, "127.0.0.1:5000", "[::1]:80"));
}

TEST(Ipv6Rows, FiltersDetailsAndProtocol) {
    const TConnection loop = V6Row(Bytes({0, 0, 0, 0, 0, 0, 0, 1}), 5000, Bytes({0, 0, 0, 0, 0, 0, 0, 1}), 443);
    const TConnection out = V6Row(Bytes({0x2001, 0xdb8, 0, 0, 0, 0, 0, 2}), 5001, Bytes({0x2001, 0xdb8, 0, 0, 0, 0, 0, 9}), 443);
    EXPECT_FALSE(IsShown(loop, false, false));  // "::1" is local like 127.0.0.1
    EXPECT_TRUE(IsShown(loop, false, true));
    EXPECT_TRUE(IsShown(out, false, false));
    EXPECT_TRUE(IsLocalAddress("::"));
    EXPECT_FALSE(IsLocalAddress("::2"));
    TDetailsTexts t = MakeDetailsTexts(out, "/usr/bin/x", "X");
    EXPECT_EQ(t.protocol_text, "TCPv6");
    EXPECT_EQ(t.local_text, "[2001:db8::2]:5001");
    EXPECT_EQ(t.remote_text, "[2001:db8::9]:443");
    EXPECT_EQ(WebAddress(t), "https://[2001:db8::9]:443");
    EXPECT_TRUE(DetailsButtons(t).whois);
    EXPECT_EQ(DetailsLabels(t).remote, "Remote Address/Port: [2001:db8::9]:443");
    t.remote_name = "far.example";
    EXPECT_EQ(DetailsLabels(t).remote, "Remote Address/Port: [2001:db8::9]:443 (far.example)");
    TConnection udp = out;
    udp.protocol = kProtocolUdp;
    EXPECT_EQ(ProtocolText(udp), "UDPv6");
    TConnection v4 = out;
    v4.family = platform::kFamilyIPv4;
    EXPECT_EQ(ProtocolText(v4), "TCP");
}

TEST(Traffic, ReadableUnitsAndRatesOverTheLastRefresh) {
    EXPECT_EQ(FormatBytes(0), "0 B");
    EXPECT_EQ(FormatBytes(1023), "1023 B");
    EXPECT_EQ(FormatBytes(1536), "1.5 KB");
    EXPECT_EQ(FormatBytes(std::uint64_t{5} << 30), "5.0 GB");
    EXPECT_EQ(FormatRate(2048), "2.0 KB/s");

    TConnection a = V6Row(Bytes({0, 0, 0, 0, 0, 0, 0, 1}), 1, Bytes({0, 0, 0, 0, 0, 0, 0, 2}), 2);
    a.has_traffic = true;
    TConnection b = a;
    b.local_port = 0x0300;  // another connection
    TTrafficRates rates;
    a.bytes_sent = 1000;
    b.bytes_received = 500;
    auto r = rates.Update({a, b}, 1.0);
    EXPECT_FALSE(r[0].known);  // nothing to compare with yet
    a.bytes_sent = 3000;
    a.bytes_received = 100;
    b.bytes_received = 100;  // fewer than before: a new connection on the same ends
    r = rates.Update({b, a}, 2.0);
    EXPECT_FALSE(r[0].known);
    ASSERT_TRUE(r[1].known);
    EXPECT_DOUBLE_EQ(r[1].sent, 1000.0);
    EXPECT_DOUBLE_EQ(r[1].received, 50.0);
    TConnection udp = a;
    udp.protocol = kProtocolUdp;
    udp.has_traffic = false;
    r = rates.Update({udp}, 1.0);
    EXPECT_FALSE(r[0].known);

    const TProcessTraffic t = ProcessTraffic({a, b, udp}, 1234);
    EXPECT_TRUE(t.counted);
    EXPECT_EQ(t.sent, 3000u);
    EXPECT_EQ(t.received, 200u);
    EXPECT_FALSE(ProcessTraffic({udp}, 1234).counted);
}

TEST(CloseConnection, OnlyTcpConnectionsAreClosed) {
    TConnection udp = V6Row(Bytes({0, 0, 0, 0, 0, 0, 0, 1}), 1, Bytes({}), 0);
    udp.protocol = kProtocolUdp;
    EXPECT_EQ(CloseConnection(udp).message, "Only TCP connections can be closed.");
    TConnection listener = udp;
    listener.protocol = kProtocolTcp;
    listener.state = 2;
    EXPECT_FALSE(CloseConnection(listener).done);
    const TConnection c = V6Row(Bytes({0, 0, 0, 0, 0, 0, 0, 1}), 5000, Bytes({0, 0, 0, 0, 0, 0, 0, 1}), 80);
    EXPECT_EQ(CloseConnectionQuestion(c, "Firefox"),
              "Close the connection from [::1]:5000 to [::1]:80 of \"Firefox\" (PID 1234)? The program that holds it "
              "sees the connection reset.");
}
