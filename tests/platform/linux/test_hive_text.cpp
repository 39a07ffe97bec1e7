// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The hive writer's size limit: checked while the text grows, so a tree whose text would be
// huge (deep keys with long names) is refused before it is spelt out.
#include "platform/linux/hive_text.h"

#include <gtest/gtest.h>

using namespace vanto::platform;
using namespace vanto::platform::linux_backend;

namespace {

TEST(HiveText, TheWriterStopsAtItsLimitAndGivesTheSameTextBelowIt) {
    KeyNode root;
    root.name = "HKEY_CURRENT_USER";
    KeyNode* node = &root;
    for (int depth = 0; depth < 512; ++depth) {
        node = &node->ChildOrNew(std::string(250, char('a' + depth % 26)) + std::to_string(depth));
        node->SetValue("v", RegValue::Dword(1));
    }
    const std::string whole = SerializeHive(root, "HKEY_CURRENT_USER");
    ASSERT_GT(whole.size(), 30u << 20) << "each key spells its whole path";

    std::string out = "old";
    EXPECT_FALSE(SerializeHive(root, "HKEY_CURRENT_USER", 16u << 20, out));
    EXPECT_TRUE(out.empty());
    EXPECT_LE(out.capacity(), 16u << 20) << "nothing larger than the limit was kept";

    ASSERT_TRUE(SerializeHive(root, "HKEY_CURRENT_USER", whole.size(), out));
    EXPECT_EQ(out, whole);
    EXPECT_FALSE(SerializeHive(root, "HKEY_CURRENT_USER", whole.size() - 1, out));
}

TEST(HiveText, ManyValuesLookUpWithLettersFoldedInAnyState) {
    KeyNode key;
    for (int i = 0; i < 1000; ++i) key.SetValue("Name" + std::to_string(i), RegValue::Dword(std::uint32_t(i)));
    ASSERT_NE(key.FindValue("NAME999"), nullptr);
    EXPECT_EQ(key.FindValue("name999")->name, "Name999");
    key.SetValue("NAME5", RegValue::Dword(77));
    EXPECT_EQ(key.values.size(), 1000u);
    EXPECT_EQ(key.values[5].value, RegValue::Dword(77));
    EXPECT_TRUE(key.RemoveValue("name0"));
    EXPECT_FALSE(key.RemoveValue("name0"));
    EXPECT_EQ(key.FindValue("Name0"), nullptr);
    EXPECT_EQ(key.FindValue("name6")->value, RegValue::Dword(6)) << "positions after a removal still right";
    const auto copy = key.Clone();
    copy->SetValue("Name0", RegValue::Dword(0));
    EXPECT_EQ(copy->values.back().name, "Name0");
    EXPECT_EQ(key.FindValue("Name0"), nullptr) << "the copy is its own";
}

}  // namespace
