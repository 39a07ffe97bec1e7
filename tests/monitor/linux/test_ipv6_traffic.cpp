// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Real sockets of this test on "::1" and 127.0.0.1: IPv6 rows with the test's own PID through
// each table source, the bytes a held connection moved, and the IPv6 text forms they get.
#include "monitor/connection_actions.h"
#include "monitor/connection_snapshot.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace vanto;

namespace {

struct Sock {
    int fd;
    explicit Sock(int f) : fd(f) {}
    ~Sock() {
        if (fd >= 0) ::close(fd);
    }
};

std::uint16_t PortOf(int fd) {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return a.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&a)->sin6_port
                                   : reinterpret_cast<sockaddr_in*>(&a)->sin_port;
}

sockaddr_in6 Loop6(std::uint16_t port_n) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    a.sin6_port = port_n;
    return a;
}

const TConnection* Find(const TConnectionArray& snap, std::uint8_t protocol, std::uint8_t family,
                        std::uint16_t local_port_n, std::uint16_t remote_port_n = 0) {
    for (const auto& c : snap)
        if (c.protocol == protocol && c.family == family && (c.local_port & 0xFFFF) == local_port_n &&
            (c.remote_port & 0xFFFF) == remote_port_n)
            return &c;
    return nullptr;
}

TConnectionArray Snapshot(platform::NetTableReader::Source source, platform::NetTableOptions options) {
    TConnectionArray snap;
    platform::NetTableReader reader(source, options);
    EXPECT_TRUE(GetTcpConnections(snap, &reader));
    EXPECT_TRUE(GetUdpConnections(snap, &reader));
    return snap;
}

}  // namespace

class Ipv6Loopback : public ::testing::TestWithParam<platform::NetTableReader::Source> {};

INSTANTIATE_TEST_SUITE_P(EachSource, Ipv6Loopback,
                         ::testing::Values(platform::NetTableReader::Source::Netlink,
                                           platform::NetTableReader::Source::TextTables),
                         [](const auto& info) {
                             return info.param == platform::NetTableReader::Source::Netlink ? "Netlink" : "ProcText";
                         });

TEST_P(Ipv6Loopback, ListenerConnectionAndUdpEndpointWithOwnPid) {
    Sock listener(::socket(AF_INET6, SOCK_STREAM, 0));
    int one = 1;
    ::setsockopt(listener.fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    auto any = Loop6(0);
    if (listener.fd < 0 || ::bind(listener.fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0)
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    ASSERT_EQ(::listen(listener.fd, 4), 0);
    const std::uint16_t lport = PortOf(listener.fd);
    Sock client(::socket(AF_INET6, SOCK_STREAM, 0));
    auto to = Loop6(lport);
    ASSERT_EQ(::connect(client.fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    Sock server(::accept(listener.fd, nullptr, nullptr));
    ASSERT_GE(server.fd, 0);
    const std::uint16_t cport = PortOf(client.fd);
    Sock udp(::socket(AF_INET6, SOCK_DGRAM, 0));
    auto u = Loop6(0);
    ASSERT_EQ(::bind(udp.fd, reinterpret_cast<sockaddr*>(&u), sizeof u), 0);
    const std::uint16_t uport = PortOf(udp.fd);
    const auto pid = static_cast<std::uint32_t>(::getpid());

    // Off by default: the IPv4 tables alone, as before.
    const TConnectionArray v4 = Snapshot(GetParam(), {});
    EXPECT_FALSE(std::any_of(v4.begin(), v4.end(), [](const TConnection& c) { return c.family == 6; }));

    const TConnectionArray snap = Snapshot(GetParam(), {true, false});
    const TConnection* l = Find(snap, kProtocolTcp, platform::kFamilyIPv6, lport);
    const TConnection* c = Find(snap, kProtocolTcp, platform::kFamilyIPv6, cport, lport);
    const TConnection* s = Find(snap, kProtocolTcp, platform::kFamilyIPv6, lport, cport);
    const TConnection* d = Find(snap, kProtocolUdp, platform::kFamilyIPv6, uport);
    ASSERT_TRUE(l && c && s && d);
    for (const TConnection* row : {l, c, s, d}) {
        EXPECT_EQ(row->pid, pid);
        EXPECT_EQ(row->local_addr, 0u);  // the IPv4 fields stay empty in IPv6 rows
        EXPECT_EQ(LocalAddressText(*row), "::1");
    }
    EXPECT_EQ(StateName(l->state), "LISTENING");
    EXPECT_EQ(RemoteAddressText(*l), "::");
    EXPECT_EQ(StateName(c->state), "ESTABLISHED");
    EXPECT_EQ(ProtocolText(*c), "TCPv6");
    EXPECT_EQ(ProtocolText(*d), "UDPv6");
    EXPECT_EQ(EndpointText(RemoteAddressText(*c), c->family, c->remote_port), "[::1]:" + std::to_string(ntohs(lport)));
    // IPv4 rows come first in each protocol, TCP before UDP.
    const auto first_v6 = std::find_if(snap.begin(), snap.end(), [](const TConnection& r) { return r.family == 6; });
    EXPECT_TRUE(std::all_of(first_v6, snap.end(), [](const TConnection& r) {
        return r.family == 6 || r.protocol == kProtocolUdp;
    }));
    // The owner's start time comes with the row: End Process names the process by it.
    EXPECT_NE(c->owner_start, 0u);
    EXPECT_EQ(c->owner_start, platform::ProcessStartTime(pid));
}

TEST(Traffic, BytesOfAHeldConnectionAfterOneMegabyte) {
    Sock listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener.fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener.fd, 4), 0);
    a.sin_port = PortOf(listener.fd);
    Sock client(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_EQ(::connect(client.fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    Sock server(::accept(listener.fd, nullptr, nullptr));
    constexpr std::size_t kMegabyte = 1 << 20;
    std::vector<char> data(kMegabyte, 'x');
    std::size_t sent = 0, got = 0;
    std::vector<char> in(65536);
    while (got < kMegabyte) {
        if (sent < kMegabyte) {
            const ssize_t n = ::send(client.fd, data.data() + sent, std::min<std::size_t>(65536, kMegabyte - sent), 0);
            ASSERT_GT(n, 0);
            sent += static_cast<std::size_t>(n);
        }
        const ssize_t n = ::recv(server.fd, in.data(), in.size(), sent < kMegabyte ? MSG_DONTWAIT : 0);
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    const std::uint16_t cport = PortOf(client.fd);
    const TConnectionArray snap = Snapshot(platform::NetTableReader::Source::Netlink, {false, true});
    const TConnection* c = Find(snap, kProtocolTcp, platform::kFamilyIPv4, cport, a.sin_port);
    const TConnection* s = Find(snap, kProtocolTcp, platform::kFamilyIPv4, a.sin_port, cport);
    const TConnection* l = Find(snap, kProtocolTcp, platform::kFamilyIPv4, a.sin_port);
    ASSERT_TRUE(c && s && l);
    ASSERT_TRUE(c->has_traffic && s->has_traffic);
    // Everything was read, so everything was acknowledged; the kernel counts the SYN as one.
    EXPECT_GE(c->bytes_sent, kMegabyte);
    EXPECT_LE(c->bytes_sent, kMegabyte + 1);
    EXPECT_EQ(s->bytes_received, kMegabyte);
    EXPECT_FALSE(l->has_traffic);  // a listener moves nothing of its own
    for (const auto& r : snap)
        EXPECT_TRUE(r.protocol != kProtocolUdp || !r.has_traffic);
    const TProcessTraffic mine = ProcessTraffic(snap, static_cast<std::uint32_t>(::getpid()));
    EXPECT_TRUE(mine.counted);
    EXPECT_GE(mine.sent, kMegabyte);
    EXPECT_GE(mine.received, kMegabyte);

    // Without the counts asked for, or from the text tables, there are none.
    for (auto [source, traffic] : {std::pair{platform::NetTableReader::Source::Netlink, false},
                                   std::pair{platform::NetTableReader::Source::TextTables, true}}) {
        const TConnectionArray plain = Snapshot(source, {false, traffic});
        const TConnection* p = Find(plain, kProtocolTcp, platform::kFamilyIPv4, cport, a.sin_port);
        ASSERT_TRUE(p);
        EXPECT_FALSE(p->has_traffic);
    }
}
