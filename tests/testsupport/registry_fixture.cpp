// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "testsupport/registry_fixture.h"

#include <cstdio>
#include <cstdlib>

namespace vanto::testing {

namespace {

void Put(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string HiveText(const std::vector<HiveKey>& keys) {
    std::string text = "REGEDIT4\n";
    for (const HiveKey& key : keys) {
        std::string path = key.path;
        while (!path.empty() && path.back() == '\\') path.pop_back();
        text += "\n[" + path + "]\n";
        for (const auto& [name, value] : key.strings) text += Quoted(name) + "=" + Quoted(value) + "\n";
        for (const auto& [name, value] : key.dwords) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%08x", value);
            text += Quoted(name) + "=dword:" + hex + "\n";
        }
    }
    return text;
}

ScopedHives::ScopedHives()
    : user_env_("VANTOSCOPE_USER_HIVE", (dir_.path() / "user.reg").string()),
      machine_env_("VANTOSCOPE_MACHINE_HIVE", (dir_.path() / "machine.reg").string()) {}

// Every write goes to a new file, so a reader never mistakes it for the one it has parsed.
void ScopedHives::machineText(const std::string& text) {
    const std::string name = "machine" + std::to_string(++writes_) + ".reg";
    Put("VANTOSCOPE_MACHINE_HIVE", dir_.write(name, text).string());
}

void ScopedHives::userText(const std::string& text) {
    const std::string name = "user" + std::to_string(++writes_) + ".reg";
    Put("VANTOSCOPE_USER_HIVE", dir_.write(name, text).string());
}

}  // namespace vanto::testing
