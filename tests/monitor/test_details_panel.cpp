// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The details panel's texts, label lines, button rules and action addresses for the kinds
// of connection the list shows.
#include "monitor/details_panel.h"
#include "monitor/connection_list.h"

#include <gtest/gtest.h>

#include "testsupport/test_support.h"

#include <cstring>

using namespace vanto;

namespace {

using vanto::testing::Ipv4Field;
using vanto::testing::PortField;

TConnection Tcp(std::uint32_t state, std::uint32_t remote, unsigned remote_port) {
    return {kProtocolTcp, state, Ipv4Field(10, 0, 0, 7), PortField(50123), remote, PortField(remote_port), 4321};
}

const std::string kPath = "/usr/lib/browser/browser-bin";

}  // namespace

TEST(DetailsPanel, EstablishedTcpConnection) {
    const TDetailsTexts t = MakeDetailsTexts(Tcp(5, Ipv4Field(192, 0, 2, 10), 443), kPath, "Browser");
    EXPECT_EQ(t.pid_text, "4321");
    EXPECT_EQ(t.protocol_text, "TCP");
    EXPECT_EQ(t.local_addr_text, "10.0.0.7");
    EXPECT_EQ(t.local_text, "10.0.0.7:50123");
    EXPECT_EQ(t.remote_addr_text, "192.0.2.10");
    EXPECT_EQ(t.remote_text, "192.0.2.10:443");
    EXPECT_EQ(t.state_text, "ESTABLISHED");
    EXPECT_EQ(t.remote_port_label, " (HTTPS)");
    const TDetailsLabels l = DetailsLabels(t);
    EXPECT_EQ(l.pid, "Process ID: 4321");
    EXPECT_EQ(l.protocol, "Protocol: TCP [ESTABLISHED]");
    EXPECT_EQ(l.local, "Local Address/Port: 10.0.0.7:50123");
    EXPECT_EQ(l.remote, "Remote Address/Port: 192.0.2.10:443");
    EXPECT_EQ(l.process, "Process: Browser");
    const TDetailsButtons b = DetailsButtons(t);
    EXPECT_TRUE(b.whois && b.search && b.openweb && b.openfolder);
    EXPECT_EQ(WebAddress(t), "https://192.0.2.10:443");
    EXPECT_EQ(WhoisAddress(t.remote_addr_text), "https://whois.domaintools.com/192.0.2.10");
}

TEST(DetailsPanel, UdpEndpointAndListenerHaveNoRemoteToLookUp) {
    const TConnection udp{kProtocolUdp, 0, Ipv4Field(0, 0, 0, 0), PortField(5353), 0, 0, 99};
    const TDetailsTexts u = MakeDetailsTexts(udp, kPath, "Browser");
    EXPECT_EQ(DetailsLabels(u).protocol, "Protocol: UDP");
    EXPECT_EQ(DetailsLabels(u).remote, "Remote Address/Port: 0.0.0.0:0");
    EXPECT_FALSE(DetailsButtons(u).whois);
    EXPECT_FALSE(DetailsButtons(u).openweb);

    const TDetailsTexts l = MakeDetailsTexts(Tcp(2, 0, 0), kPath, "Browser");
    EXPECT_EQ(DetailsLabels(l).protocol, "Protocol: TCP [LISTENING]");
    EXPECT_EQ(DetailsLabels(l).remote, "Remote Address/Port: 0.0.0.0:0");
    EXPECT_FALSE(DetailsButtons(l).whois);

    const TDetailsTexts loop = MakeDetailsTexts(Tcp(5, Ipv4Field(127, 0, 0, 1), 80), kPath, "Browser");
    EXPECT_FALSE(DetailsButtons(loop).whois) << "127.0.0.1 is local";
    EXPECT_TRUE(DetailsButtons(loop).openweb);
    const TDetailsTexts other = MakeDetailsTexts(Tcp(5, Ipv4Field(127, 0, 0, 2), 80), kPath, "Browser");
    EXPECT_TRUE(DetailsButtons(other).whois) << "127.0.0.2 is not";
}

TEST(DetailsPanel, WebFollowsThePortLabel) {
    const struct {
        unsigned port;
        bool web;
        const char* address;
    } cases[] = {
        {80, true, "http://198.51.100.4:80"},     {8080, true, "http://198.51.100.4:8080"},
        {443, true, "https://198.51.100.4:443"},  {5000, false, nullptr},
        {53, false, nullptr},                     {993, false, nullptr},
    };
    for (const auto& c : cases) {
        const TDetailsTexts t = MakeDetailsTexts(Tcp(5, Ipv4Field(198, 51, 100, 4), c.port), kPath, "x");
        EXPECT_EQ(DetailsButtons(t).openweb, c.web) << c.port;
        if (c.address != nullptr) {
            EXPECT_EQ(WebAddress(t), c.address);
        }
    }
    EXPECT_EQ(PortLabel(5000), " (Mozilla Sync)");
}

TEST(DetailsPanel, FolderPartOfProcessPaths) {
    const struct {
        const char* path;
        const char* folder;
        bool enabled;
    } cases[] = {
        {"/usr/bin/ssh", "/usr/bin/", true},
        {"C:\\Program Files\\App\\app.exe", "C:\\Program Files\\App\\", true},
        {"C:app.exe", "C:\\", true},
        {"/opt/mixed\\sub/prog", "/opt/mixed\\sub/", true},
        {"/prog", "/", false},
        {"sshd", "\\", false},
        {"?", "\\", false},
        {"", "\\", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProcessFolder(c.path), c.folder) << c.path;
        TDetailsTexts t;
        t.process_path = c.path;
        EXPECT_EQ(DetailsButtons(t).openfolder, c.enabled) << c.path;
    }
}

TEST(DetailsPanel, BareProcessNameIsSearchableButHasNoFolder) {
    const TDetailsTexts t = MakeDetailsTexts(Tcp(5, Ipv4Field(203, 0, 113, 9), 22), "sshd", "sshd");
    EXPECT_FALSE(DetailsButtons(t).openfolder);
    EXPECT_TRUE(DetailsButtons(t).search);
    EXPECT_EQ(SearchAddress(t.process_text), "https://www.google.com/search?q=sshd");
}

TEST(DetailsPanel, SearchTextIsUrlEncoded) {
    EXPECT_EQ(SearchAddress("Mozilla Firefox"), "https://www.google.com/search?q=Mozilla%20Firefox");
    EXPECT_EQ(SearchAddress("Caf\xC3\xA9 & Co+"), "https://www.google.com/search?q=Caf%C3%A9%20%26%20Co%2B");
    EXPECT_EQ(SearchAddress(""), "");
    EXPECT_EQ(WhoisAddress(""), "");
}

TEST(DetailsPanel, NothingSelectedGivesBarePrefixesAndNoActions) {
    const TDetailsTexts none;
    const TDetailsLabels l = DetailsLabels(none);
    EXPECT_EQ(l.pid, "Process ID: ");
    EXPECT_EQ(l.protocol, "Protocol: ");
    EXPECT_EQ(l.local, "Local Address/Port: ");
    EXPECT_EQ(l.remote, "Remote Address/Port: ");
    EXPECT_EQ(l.process, "Process: ");
    const TDetailsButtons b = DetailsButtons(none);
    EXPECT_FALSE(b.whois || b.search || b.openweb || b.openfolder);
}

TEST(ConnectionList, RowTextsAndPortLabels) {
    const TListRowTexts r = ListRowTexts(Tcp(5, Ipv4Field(192, 0, 2, 1), 443), "Browser");
    EXPECT_EQ(r.caption, "4321");
    EXPECT_EQ(r.protocol, "TCP");
    EXPECT_EQ(r.process, "Browser");
    EXPECT_EQ(r.remote_addr, "192.0.2.1");
    EXPECT_EQ(r.remote_port, "443 (HTTPS)");
    EXPECT_EQ(RemotePortText(Tcp(5, 0, 53)), "53");
    EXPECT_EQ(RemotePortText(Tcp(5, 0, 8080)), "8080 (HTTP)");
    EXPECT_EQ(RemotePortText({kProtocolUdp, 0, 0, PortField(68), 0, 0, 1}), "0");
}
