// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "support/U_Version.h"

#include <array>

namespace vanto {

namespace {

constexpr std::int32_t kMaxPart = 65535;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::int32_t PartOrZero(std::string_view field) {
    const std::optional<std::int32_t> value = ParseVersionInteger(field);
    if (!value.has_value() || *value > kMaxPart) return 0;
    return *value;
}

}  // namespace

std::optional<std::int32_t> ParseVersionInteger(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) {
        negative = field[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < field.size() && (field[i] == '$' || field[i] == 'x' || field[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < field.size() && field[i] == '0' && (field[i + 1] == 'x' || field[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    const std::string_view digits = field.substr(i);
    if (digits.empty()) return std::nullopt;  // empty field, bare sign or bare prefix

    std::uint32_t magnitude = 0;
    if (hex) {
        int significant = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) return std::nullopt;
            magnitude = (magnitude << 4) | static_cast<std::uint32_t>(d);
        }
        // Eight hex digits are a two's-complement pattern: FFFFFFFF reads as -1.
    } else {
        // The negative range reaches one further than the positive one.
        const std::uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
        std::uint64_t value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
            if (value > limit) return std::nullopt;
        }
        magnitude = static_cast<std::uint32_t>(value);
    }
    if (negative) magnitude = 0U - magnitude;  // wraps like the 32-bit negation it stands for
    return static_cast<std::int32_t>(magnitude);
}

TOrvoVersion::TOrvoVersion(std::string_view text) {
    Parse(text);
}

TOrvoVersion TOrvoVersion::Create(std::string_view text) {
    return TOrvoVersion(text);
}

TOrvoVersion TOrvoVersion::CreateFromMSLS(std::uint32_t ms, std::uint32_t ls) {
    TOrvoVersion v;
    v.Major = static_cast<std::int32_t>(ms >> 16);
    v.Minor = static_cast<std::int32_t>(ms & 0xFFFFU);
    v.Release = static_cast<std::int32_t>(ls >> 16);
    v.Build = static_cast<std::int32_t>(ls & 0xFFFFU);
    return v;
}

void TOrvoVersion::Parse(std::string_view text) {
    // Fields end at the first three dots; the fourth keeps any further dots (and so reads
    // as invalid). Missing fields count as "0", the same as padding the text with ".0".
    std::array<std::string_view, 4> fields{"0", "0", "0", "0"};
    if (!text.empty()) {
        std::string_view rest = text;
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const std::size_t dot = f + 1 < fields.size() ? rest.find('.') : std::string_view::npos;
            fields[f] = rest.substr(0, dot);
            if (dot == std::string_view::npos) break;
            rest.remove_prefix(dot + 1);
        }
    }
    // An empty text pads to ".0.0.0": an empty first field, which reads as 0 all the same.
    Major = PartOrZero(fields[0]);
    Minor = PartOrZero(fields[1]);
    Release = PartOrZero(fields[2]);
    Build = PartOrZero(fields[3]);
}

std::uint32_t TOrvoVersion::MS() const {
    return static_cast<std::uint32_t>(Major) * 65536U + static_cast<std::uint32_t>(Minor);
}

std::uint32_t TOrvoVersion::LS() const {
    return static_cast<std::uint32_t>(Release) * 65536U + static_cast<std::uint32_t>(Build);
}

std::string TOrvoVersion::MSText() const {
    return std::to_string(MS());
}

std::string TOrvoVersion::LSText() const {
    return std::to_string(LS());
}

std::string TOrvoVersion::ToText() const {
    return std::to_string(Major) + "." + std::to_string(Minor) + "." + std::to_string(Release) +
           "." + std::to_string(Build);
}

bool TOrvoVersion::IsValid() const {
    const std::uint32_t sum = static_cast<std::uint32_t>(Major) + static_cast<std::uint32_t>(Minor) +
                              static_cast<std::uint32_t>(Release) + static_cast<std::uint32_t>(Build);
    return static_cast<std::int32_t>(sum) > 0;
}

bool TOrvoVersion::IsNewerThan(const TOrvoVersion& other) const {
    if (Major != other.Major) return Major > other.Major;
    if (Minor != other.Minor) return Minor > other.Minor;
    if (Release != other.Release) return Release > other.Release;
    return Build > other.Build;
}

bool TOrvoVersion::IsNewerThanMSLS(std::uint32_t ms, std::uint32_t ls) const {
    if (MS() != ms) return MS() > ms;
    return LS() > ls;
}

}  // namespace vanto
