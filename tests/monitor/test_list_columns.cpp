// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/list_columns.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "testsupport/test_support.h"

using namespace vanto;
using vanto::testing::Ipv4Field;
using vanto::testing::PortField;

TEST(ListColumns, ThePartsFiveLeadAndAreTheOnlyOnesShownAtFirst) {
    const auto columns = ListColumns();
    std::string shown;
    std::set<std::string> ids;
    for (const TListColumn& c : columns) {
        EXPECT_TRUE(ids.insert(c.id).second) << "id used twice: " << c.id;
        EXPECT_NE(c.text, nullptr) << c.id;
        EXPECT_NE(c.sort_key, nullptr) << c.id;
        if (c.shown_by_default) shown += std::string(shown.empty() ? "" : "|") + c.caption;
    }
    EXPECT_EQ(shown, "PID|Protocol|Process|Remote Address|Remote Port");
    for (const char* id : {"state", "local_address", "local_port", "company", "version", "path"})
        EXPECT_GE(ListColumnIndex(id), 5) << id;
    EXPECT_EQ(ListColumnIndex("pid"), 0);
    EXPECT_EQ(ListColumnIndex("no such column"), -1);
}

TEST(ListColumns, TextsOfOneRow) {
    const TConnection c{kProtocolTcp, 11, Ipv4Field(10, 0, 0, 7), PortField(50123), Ipv4Field(93, 184, 216, 34),
                        PortField(443), 4242};
    TProcessFacts p;
    p.path = "/opt/tool/bin/tool";
    p.name = "Tool";
    p.company = "Maker";
    p.version = "1.2";
    auto text = [&](const char* id) { return ListColumns()[static_cast<std::size_t>(ListColumnIndex(id))].text(c, p); };
    EXPECT_EQ(text("pid"), "4242");
    EXPECT_EQ(text("protocol"), "TCP");
    EXPECT_EQ(text("process"), "Tool");
    EXPECT_EQ(text("remote_address"), "93.184.216.34");
    EXPECT_EQ(text("remote_port"), "443 (HTTPS)");
    EXPECT_EQ(text("state"), "TIME WAIT");
    EXPECT_EQ(text("local_address"), "10.0.0.7");
    EXPECT_EQ(text("local_port"), "50123");
    EXPECT_EQ(text("company"), "Maker");
    EXPECT_EQ(text("version"), "1.2");
    EXPECT_EQ(text("path"), "/opt/tool/bin/tool");
}

// Each pair is in ascending order of its column; the keys must say so.
TEST(ListColumns, SortKeysOrderByValue) {
    struct Case {
        const char* id;
        TConnection lower, higher;
        const char *lower_text, *higher_text;
    };
    auto tcp = [](std::uint32_t pid, std::uint32_t remote, unsigned port, unsigned local_port = 1) {
        return TConnection{kProtocolTcp, 5, 0, PortField(local_port), remote, PortField(port), pid};
    };
    const Case cases[] = {
        {"pid", tcp(20, 0, 1), tcp(1000, 0, 1), "", ""},
        {"pid", tcp(255, 0, 1), tcp(256, 0, 1), "", ""},  // a byte carried over
        {"remote_address", tcp(1, Ipv4Field(9, 9, 9, 9), 1), tcp(1, Ipv4Field(10, 0, 0, 1), 1), "", ""},
        {"remote_address", tcp(1, Ipv4Field(10, 0, 0, 9), 1), tcp(1, Ipv4Field(10, 0, 0, 10), 1), "", ""},
        {"remote_address", tcp(1, Ipv4Field(10, 0, 1, 0), 1), tcp(1, Ipv4Field(10, 1, 0, 0), 1), "", ""},
        {"remote_port", tcp(1, 0, 80), tcp(1, 0, 443), "", ""},
        {"remote_port", tcp(1, 0, 443), tcp(1, 0, 8080), "", ""},  // "443 (HTTPS)" > "8080 (HTTP)" as text
        {"local_port", tcp(1, 0, 1, 999), tcp(1, 0, 1, 1000), "", ""},
        {"process", tcp(1, 0, 1), tcp(1, 0, 1), "alpha", "Beta"},
        {"process", tcp(1, 0, 1), tcp(1, 0, 1), "Alpha", "beta"},
        {"version", tcp(1, 0, 1), tcp(1, 0, 1), "9.1", "10.0"},
        {"version", tcp(1, 0, 1), tcp(1, 0, 1), "1.2.9", "1.2.10"},
        {"version", tcp(1, 0, 1), tcp(1, 0, 1), "1.02", "1.3"},  // leading zeros do not count
    };
    for (const Case& k : cases) {
        const TListColumn& col = ListColumns()[static_cast<std::size_t>(ListColumnIndex(k.id))];
        TProcessFacts a, b;
        a.name = a.version = k.lower_text;
        b.name = b.version = k.higher_text;
        EXPECT_LT(col.sort_key(k.lower, a), col.sort_key(k.higher, b)) << k.id << " " << k.lower_text;
        EXPECT_FALSE(col.sort_key(k.higher, b) < col.sort_key(k.lower, a)) << k.id;
    }
    // Case alone makes no difference: such rows keep their order.
    EXPECT_EQ(TextSortKey("FireFox"), TextSortKey("firefox"));
    EXPECT_EQ(VersionSortKey("V1.0"), VersionSortKey("v1.00"));
}
