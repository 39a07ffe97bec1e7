// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Helpers shared by the tests: a self-deleting temporary folder and small file writers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::testing {

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes `content` to `name` (relative to the folder, parents created) and returns the full path.
    std::filesystem::path write(const std::string& name, std::string_view content) const;
    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

private:
    std::filesystem::path path_;
};

// Sets (or, given nullptr, removes) an environment variable and puts it back on destruction.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Address and port fields as the socket tables store them: network byte order in memory.
std::uint32_t Ipv4Field(unsigned char a, unsigned char b, unsigned char c, unsigned char d);
std::uint32_t PortField(unsigned port);

std::string readFile(const std::filesystem::path& p);

// True in a Windows build running under Wine (ntdll exports wine_get_version); false
// elsewhere, Linux included. For tests that skip or relax a check Wine does not support.
bool RunningUnderWine();

#ifndef _WIN32
// Runs `work(0)` .. `work(processes - 1)` in that many forked processes, released at the
// same moment so that they really race. True when every one returned true.
bool RunInProcessesAtOnce(int processes, const std::function<bool(int process)>& work);
#endif
std::filesystem::path fixture(const std::string& relative);

}  // namespace vanto::testing
