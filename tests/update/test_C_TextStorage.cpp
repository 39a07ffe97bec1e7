// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "update/C_TextStorage.h"

#include <gtest/gtest.h>

using vanto::TTextStorage;

TEST(TTextStorage, GetTextByLoadedKey) {
    TTextStorage ts({"About", "Application Name :", "Version :", "unused"});
    struct Case {
        const char* key;
        const char* text;
    } cases[] = {
        {"About", "About"},
        {"version :", "Version :"},          // another letter case finds the entry
        {"APPLICATION NAME :", "Application Name :"},
        {"unused", "unused"},                // the slot holds no text: the key comes back
        {"Not a key", "Not a key"},          // unknown: unchanged
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ts.GetText(c.key), c.text) << c.key;
}

TEST(TTextStorage, ReplacedItemsKeepTheLoadedKeys) {
    TTextStorage ts({"About", "Application Name :", "Version :", "unused"});
    ts.SetItems({"Info", "Programme :", "unused", "Spare"});
    EXPECT_EQ(ts.GetText("About"), "Info");
    EXPECT_EQ(ts.GetText("application name :"), "Programme :");
    EXPECT_EQ(ts.GetText("Version :"), "Version :");  // now "unused"
    EXPECT_EQ(ts.GetText("unused"), "Spare");        // a key that was "unused" now has a text
    EXPECT_EQ(ts.GetText("Info"), "Info");           // new texts are not keys
    EXPECT_EQ(ts.Keys().size(), 4u);
    // Fewer items than keys: a key past the end has nothing stored.
    ts.SetItems({"Only"});
    EXPECT_EQ(ts.GetText("Version :"), "Version :");
}
