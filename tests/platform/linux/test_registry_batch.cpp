// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Several values written at once: one change of the hive file, each value as WriteValue
// would write it, a bad name refused without keeping the others out.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "testsupport/test_support.h"

using namespace vanto::platform;
using vanto::testing::ScopedEnv;
using vanto::testing::TempDir;

TEST(RegistryBatch, ManyValuesChangeTheHiveOnceAndBadNamesAreSkipped) {
    TempDir dir;
    const std::string hive = (dir.path() / "user.reg").string();
    ScopedEnv user("VANTOSCOPE_USER_HIVE", hive);
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Test", RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteString("first", "before"));
    struct stat before {};
    ASSERT_EQ(::stat(hive.c_str(), &before), 0);

    std::vector<std::pair<std::string, RegValue>> values;
    for (int i = 0; i < 3000; ++i) {
        std::string name = "v";
        name += std::to_string(i);
        values.emplace_back(std::move(name), RegValue::Dword(static_cast<std::uint32_t>(i)));
    }
    values.emplace_back("first", RegValue::String("after"));
    values.emplace_back(std::string("bad\nname"), RegValue::String("x"));
    values.emplace_back("V7", RegValue::String("seven"));  // the same name as "v7": the later wins
    EXPECT_FALSE(key.WriteValues(values)) << "one name could not be written";

    struct stat after {};
    ASSERT_EQ(::stat(hive.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "replaced, once";
    std::vector<std::string> names;
    ASSERT_TRUE(key.GetValueNames(names));
    EXPECT_EQ(names.size(), 3001u);
    std::uint32_t n = 0;
    ASSERT_TRUE(key.ReadDword("v2999", n));
    EXPECT_EQ(n, 2999u);
    std::string text;
    ASSERT_TRUE(key.ReadString("first", text));
    EXPECT_EQ(text, "after");
    ASSERT_TRUE(key.ReadString("v7", text));
    EXPECT_EQ(text, "seven");

    // Nothing to change: the file stays as it is.
    EXPECT_TRUE(key.WriteValues({{"first", RegValue::String("after")}}));
    struct stat same {};
    ASSERT_EQ(::stat(hive.c_str(), &same), 0);
    EXPECT_EQ(same.st_ino, after.st_ino);
}
