// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The parts of the profile-string service that are the same on every platform.
#include "platform/profile.h"

#include <limits>

namespace vanto::platform {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

bool ParseProfileInteger(std::string_view text, std::int32_t& value) {
    while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    std::uint64_t magnitude = 0;
    for (char c : text) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return false;
        magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (base == 10) {
        constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
        if (magnitude > kMaxPositive + (negative ? 1 : 0)) return false;
        value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                         : static_cast<std::int32_t>(magnitude);
        return true;
    }
    // Hexadecimal gives the 32 bits themselves; a sign negates them modulo 2^32.
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative) bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
}

std::int32_t ReadProfileInteger(const std::string& file, const std::string& section, const std::string& entry,
                                std::int32_t default_value) {
    // A missing entry reads as the empty text, which is not an integer either.
    std::string text = ReadProfileText(file, section, entry, std::string(), kProfileTextBufferSize);
    std::int32_t value = 0;
    return ParseProfileInteger(text, value) ? value : default_value;
}

namespace profile_detail {

std::vector<std::string> FitNames(std::vector<std::string> names, std::size_t buffer_size) {
    std::size_t used = 1;  // the list's final NUL
    std::size_t keep = 0;
    for (; keep < names.size(); ++keep) {
        std::size_t need = names[keep].size() + 1;
        if (used + need > buffer_size) break;
        used += need;
    }
    names.resize(keep);
    return names;
}

bool WritableSection(std::string_view section) {
    return !section.empty() && !HasLineBreak(section) && section.find(']') == std::string_view::npos;
}

bool WritableEntry(std::string_view entry) {
    std::size_t first = 0;
    while (first < entry.size() && Blank(entry[first])) ++first;
    if (first == entry.size() || HasLineBreak(entry) || entry.find('=') != std::string_view::npos) return false;
    return entry[first] != '[' && entry[first] != ';';
}

bool WritableText(std::string_view text) { return !HasLineBreak(text); }

std::string DefaultText(const std::string& text, std::size_t buffer_size) {
    std::string out = text;
    while (!out.empty() && Blank(out.back())) out.pop_back();
    if (buffer_size == 0) return {};
    if (out.size() > buffer_size - 1) out.resize(buffer_size - 1);
    return out;
}

}  // namespace profile_detail

}  // namespace vanto::platform
