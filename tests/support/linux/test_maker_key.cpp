// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/maker_key.h"

#include "platform/build_info.h"
#include "platform/registry.h"
#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace vanto;
using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using vanto::testing::readFile;
using vanto::testing::TempDir;

namespace {

class MakerKeyTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path hive = dir.path() / "registry.reg";

    void SetUp() override { ::setenv("VANTOSCOPE_USER_HIVE", hive.c_str(), 1); }
    void TearDown() override { ::unsetenv("VANTOSCOPE_USER_HIVE"); }
};

// One maker name, from the build, for the key and for the per-user data folder.
TEST(MakerKeyPath, IsSoftwareAndTheMakersName) {
    EXPECT_EQ(MakerKeyPath(), "SOFTWARE\\Ombrevale");
    EXPECT_EQ(MakerKeyPath(), std::string("SOFTWARE\\") + build::kCompanyName);
}

TEST_F(MakerKeyTest, ProgramPathsAreRecordedAndRemoved) {
    EXPECT_EQ(GetRegisteredProgramPath("Orvo"), "");
    RegKey key;
    EXPECT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::Read)) << "looking creates the key";

    RegisterProgramPath("Vantoscope", "/opt/ombrevale/vantoscope");
    RegisterProgramPath("Orvo", "/opt/ombrevale/orvo");
    RegisterProgramPath("Vantoscope", "/home/me/vantoscope");
    EXPECT_EQ(GetRegisteredProgramPath("Vantoscope"), "/home/me/vantoscope");
    EXPECT_EQ(GetRegisteredProgramPath("ORVO"), "/opt/ombrevale/orvo");

    std::string text;
    ASSERT_TRUE(key.ReadString("Vantoscope", text)) << "a REG_SZ value under the maker key";
    EXPECT_EQ(text, "/home/me/vantoscope");

    UnregisterProgramPath("Vantoscope");
    UnregisterProgramPath("Vantoscope");  // already gone: nothing happens
    EXPECT_EQ(GetRegisteredProgramPath("Vantoscope"), "");
    EXPECT_EQ(GetRegisteredProgramPath("Orvo"), "/opt/ombrevale/orvo");
}

TEST_F(MakerKeyTest, OnlyStringValuesAreProgramPaths) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteString("Language", "English"));
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteDword("Orvo", 1));
    EXPECT_EQ(GetRegisteredProgramPath("Orvo"), "");

    RegisterProgramPath("Vantoscope", "/opt/x");
    UnregisterProgramPath("Vantoscope");
    RegKey settings;
    ASSERT_TRUE(settings.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::Read))
        << "the program's settings subkey is not its value";
    std::string language;
    ASSERT_TRUE(settings.ReadString("Language", language));
    EXPECT_EQ(language, "English");
}

TEST_F(MakerKeyTest, AnUnparsableRegistryIsSetAsideAndTheRegistrationGoesIntoAFreshOne) {
    const std::string corrupt = "this is not a hive\n";
    dir.write("registry.reg", corrupt);
    ::testing::internal::CaptureStderr();
    RegisterProgramPath("Vantoscope", "/opt/x");
    EXPECT_EQ(GetRegisteredProgramPath("Vantoscope"), "/opt/x");
    ::testing::internal::GetCapturedStderr();
    platform::TakeRegistryNotices();
    std::string aside;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("registry.reg.unparsable-", 0) == 0) aside = e.path().string();
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(readFile(aside), corrupt) << "kept whole";
}

}  // namespace
