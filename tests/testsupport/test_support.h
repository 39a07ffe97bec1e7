// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Helpers shared by the tests: a self-deleting temporary folder and small file writers.
#pragma once

#include <cstdint>
#include <filesystem>
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

std::string readFile(const std::filesystem::path& p);
std::filesystem::path fixture(const std::string& relative);

}  // namespace vanto::testing
