// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Registry contents for tests on Linux: hive files written from a few lines of data and
// put in place of the user's and the machine's hives for the life of the fixture.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "testsupport/test_support.h"

namespace vanto::testing {

// One key of a hive, with its string and 32-bit integer values. `path` begins with the
// root ("HKEY_LOCAL_MACHINE\\SOFTWARE\\...").
struct HiveKey {
    std::string path;
    std::vector<std::pair<std::string, std::string>> strings;
    std::vector<std::pair<std::string, std::uint32_t>> dwords;
};

// The REGEDIT4 text of `keys`.
std::string HiveText(const std::vector<HiveKey>& keys);

inline constexpr const char* kMachineUninstall =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr const char* kMachineUninstall32 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr const char* kUserUninstall =
    "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Fresh, empty hives for the current user and the machine while it lives.
class ScopedHives {
public:
    ScopedHives();
    ScopedHives(const ScopedHives&) = delete;
    ScopedHives& operator=(const ScopedHives&) = delete;

    // Replaces the machine's (or the user's) hive with these keys, or with raw text.
    void machine(const std::vector<HiveKey>& keys) { machineText(HiveText(keys)); }
    void user(const std::vector<HiveKey>& keys) { userText(HiveText(keys)); }
    void machineText(const std::string& text);
    void userText(const std::string& text);

    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    int writes_ = 0;
    ScopedEnv user_env_;
    ScopedEnv machine_env_;
};

}  // namespace vanto::testing
