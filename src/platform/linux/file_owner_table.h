// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The hash table of the package index (not a platform service): file path to owning package.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vanto::platform {

// Which package owns a file: an open-addressing table over views into the .list texts, so
// that hundreds of thousands of files cost two flat arrays and no allocation per file.
class FileOwnerTable {
public:
    void Reserve(std::size_t files);
    // Keeps the first owner of a file.
    void Insert(std::string_view file, std::uint32_t owner);
    // The owner of `file`, or -1.
    std::int64_t Find(std::string_view file) const;
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        const char* data;
        std::uint32_t size;
        std::uint32_t owner;
        std::uint64_t hash;
    };
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;  // entry index + 1; 0 is a free slot
};

}  // namespace vanto::platform
