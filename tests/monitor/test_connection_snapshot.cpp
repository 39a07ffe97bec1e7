// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/connection_filters.h"
#include "monitor/connection_snapshot.h"

#include <gtest/gtest.h>

#include "testsupport/test_support.h"

#include <cstring>

using namespace vanto;
using vanto::testing::Ipv4Field;
using vanto::testing::PortField;

TEST(IpToStr, FormatsBytesInMemoryOrder) {
    EXPECT_EQ(IpToStr(Ipv4Field(0x7F, 0, 0, 1)), "127.0.0.1");
    EXPECT_EQ(IpToStr(0), "0.0.0.0");
    EXPECT_EQ(IpToStr(Ipv4Field(255, 255, 255, 255)), "255.255.255.255");
    EXPECT_EQ(IpToStr(Ipv4Field(192, 0, 2, 10)), "192.0.2.10");
}

TEST(SwapPort, ExchangesTheLowBytesAndMasksTheRest) {
    struct Case {
        std::uint32_t field;
        std::uint32_t port;
    } cases[] = {
        {0x5000, 80}, {0xBB01, 443}, {0, 0}, {0x3500, 53}, {0xFFFF, 65535},
        {0xDEAD5000, 80},  // undefined upper half ignored
    };
    for (const auto& c : cases) EXPECT_EQ(SwapPort(c.field), c.port) << std::hex << c.field;
    EXPECT_EQ(SwapPort(PortField(8080)), 8080u);
}

TEST(TextForms, ProtocolStateAndLabel) {
    EXPECT_EQ(ProtocolToStr(0), "TCP");
    EXPECT_EQ(ProtocolToStr(1), "UDP");
    EXPECT_EQ(ProtocolToStr(2), "Unknown");
    EXPECT_EQ(ProtocolToStr(255), "Unknown");

    const char* expected[13] = {"",           "CLOSED",     "LISTENING", "SYN SENT",  "SYN RECIEVED",
                                "ESTABLISHED", "FIN WAIT1?", "FIN WAIT2?", "CLOSE WAIT", "CLOSING",
                                "LAST ACKNOWLEDGMENT", "TIME WAIT", "DELETE TCP"};
    for (std::uint32_t i = 0; i < 13; ++i) EXPECT_EQ(StateName(i), expected[i]) << i;
    EXPECT_EQ(StateName(13), "");
    EXPECT_EQ(StateName(0xFFFFFFFF), "");

    struct Case {
        int port;
        const char* label;
    } labels[] = {{21, " (FTP)"},        {25, " (SMTP)"},          {80, " (HTTP)"},         {110, " (POP3)"},
                  {143, " (IMAP)"},      {443, " (HTTPS)"},        {445, " (Microsoft-DS)"}, {465, " (SMTP / SSL)"},
                  {587, " (SMTP / Auth)"}, {993, " (IMAPS)"},      {5000, " (Mozilla Sync)"}, {5353, " (mDNS)"},
                  {8080, " (HTTP)"},     {53, ""},                 {0, ""},                 {8443, ""}};
    for (const auto& c : labels) EXPECT_EQ(PortLabel(c.port), c.label) << c.port;
    EXPECT_EQ(PortLabel(static_cast<int>(SwapPort(0x3500))), "");
}

TEST(ConnectionFilters, SystemAndLocalRows) {
    const std::uint32_t loop = Ipv4Field(127, 0, 0, 1), loop2 = Ipv4Field(127, 0, 0, 2), net = Ipv4Field(192, 0, 2, 1);
    struct Case {
        TConnection c;
        bool shown[4];  // (system, local) = (f,f), (t,f), (f,t), (t,t)
    } cases[] = {
        {{0, 5, loop, 0, net, 0x5000, 1234}, {true, true, true, true}},
        {{0, 5, loop, 0, net, 0x5000, 4}, {false, true, false, true}},
        {{0, 5, loop, 0, net, 0x5000, 0}, {false, true, false, true}},
        {{0, 5, loop, 0, loop, 0x5000, 1234}, {false, false, true, true}},
        {{0, 5, loop, 0, loop, 0x5000, 4}, {false, false, false, true}},  // needs both filters
        {{0, 5, loop, 0, loop2, 0x5000, 1234}, {true, true, true, true}}, // 127.0.0.2 is not local
        {{0, 2, 0, 0x5000, 0, 0, 1234}, {false, false, true, true}},      // listener
        {{1, 0, 0, 0x3500, 0, 0, 1234}, {false, false, true, true}},      // UDP endpoint
    };
    for (const auto& k : cases) {
        EXPECT_EQ(IsShown(k.c, false, false), k.shown[0]);
        EXPECT_EQ(IsShown(k.c, true, false), k.shown[1]);
        EXPECT_EQ(IsShown(k.c, false, true), k.shown[2]);
        EXPECT_EQ(IsShown(k.c, true, true), k.shown[3]);
    }
    EXPECT_TRUE(IsLocalAddress("127.0.0.1"));
    EXPECT_TRUE(IsLocalAddress("0.0.0.0"));
    EXPECT_FALSE(IsLocalAddress("127.0.0.2"));
    EXPECT_FALSE(IsLocalAddress(""));
}
