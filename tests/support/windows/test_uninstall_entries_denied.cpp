// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A per-user uninstall key that exists but whose permissions refuse to open it. Only Windows
// keeps permissions on keys. The user's hive is a scratch key for the test's process
// (RegOverridePredefKey), so the real per-user uninstall key is never touched.
#include "support/uninstall_entries.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace vanto;

namespace {

constexpr const char* kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool SetDacl(HKEY key, const char* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) return false;
    const bool ok = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    LocalFree(sd);
    return ok;
}

}  // namespace

TEST(UninstallEntries, AUserLocationThatRefusesToOpenIsListedAndSaid) {
    const std::string scratch_path = "Software\\Ombrevale Tests\\denied-" + std::to_string(GetCurrentProcessId());
    HKEY scratch = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratch_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &scratch, nullptr),
              ERROR_SUCCESS);
    HKEY uninstall = nullptr;
    ASSERT_EQ(RegCreateKeyExA(scratch, kKey, 0, nullptr, 0, KEY_ALL_ACCESS | WRITE_DAC, nullptr, &uninstall, nullptr),
              ERROR_SUCCESS);
    // A protected DACL without entries: nobody may read it.
    ASSERT_TRUE(SetDacl(uninstall, "D:P"));

    HKEY probe = nullptr;
    const bool refused = RegOpenKeyExA(scratch, kKey, 0, KEY_READ, &probe) != ERROR_SUCCESS;
    if (probe != nullptr) RegCloseKey(probe);

    std::vector<std::string> names, errors;
    if (refused) {
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch), ERROR_SUCCESS);
        GetUninstallEntries(names, errors);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    }

    SetDacl(uninstall, "D:(A;;KA;;;WD)");
    RegCloseKey(uninstall);
    RegCloseKey(scratch);
    RegDeleteTreeA(HKEY_CURRENT_USER, scratch_path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ombrevale Tests");  // only when no other run's key is left
    if (!refused) GTEST_SKIP() << "this system (Wine) opens a key whatever its permissions say";

    const std::string header = std::string("HKEY_CURRENT_USER\\") + kKey;
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), header) << "the key exists: its header line stands";
    EXPECT_NE(std::find(errors.begin(), errors.end(), "Unable to open " + header), errors.end());
}
