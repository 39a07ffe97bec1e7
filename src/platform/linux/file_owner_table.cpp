// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/file_owner_table.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>

namespace vanto::platform {

void FileOwnerTable::Reserve(std::size_t files) {
    entries_.reserve(files);
    std::size_t capacity = 16;
    while (capacity < files + files / 2) capacity *= 2;  // at most two thirds full
    slots_.assign(capacity, 0);
}

void FileOwnerTable::Insert(std::string_view file, std::uint32_t owner) {
    if (file.size() > UINT32_MAX || entries_.size() >= UINT32_MAX - 1) return;
    if ((entries_.size() + 1) * 3 > slots_.size() * 2) {
        // Grow: rehash what is there into twice the slots.
        std::vector<std::uint32_t> bigger(std::max<std::size_t>(16, slots_.size() * 2), 0);
        const std::size_t mask = bigger.size() - 1;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            std::size_t at = entries_[i].hash & mask;
            while (bigger[at] != 0) at = (at + 1) & mask;
            bigger[at] = static_cast<std::uint32_t>(i + 1);
        }
        slots_ = std::move(bigger);
    }
    const std::uint64_t hash = std::hash<std::string_view>{}(file);
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at] != 0) {
        const Entry& e = entries_[slots_[at] - 1];
        if (e.hash == hash && std::string_view(e.data, e.size) == file) return;
        at = (at + 1) & mask;
    }
    entries_.push_back({file.data(), static_cast<std::uint32_t>(file.size()), owner, hash});
    slots_[at] = static_cast<std::uint32_t>(entries_.size());
}

std::int64_t FileOwnerTable::Find(std::string_view file) const {
    if (slots_.empty()) return -1;
    const std::uint64_t hash = std::hash<std::string_view>{}(file);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask; slots_[at] != 0; at = (at + 1) & mask) {
        const Entry& e = entries_[slots_[at] - 1];
        if (e.hash == hash && std::string_view(e.data, e.size) == file) return e.owner;
    }
    return -1;
}

}  // namespace vanto::platform
