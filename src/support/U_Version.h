// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Four-part dotted version numbers (major.minor.release.build): parsed leniently from any
// text, converted to and from the two 32-bit file-version words of a version resource,
// printed and compared. Every text yields a version; malformed fields read as 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vanto {

class TOrvoVersion {
public:
    std::int32_t Major = 0;
    std::int32_t Minor = 0;
    std::int32_t Release = 0;
    std::int32_t Build = 0;

    TOrvoVersion() = default;
    // Parses `text` (see Parse).
    explicit TOrvoVersion(std::string_view text);

    // A version parsed from `text`.
    static TOrvoVersion Create(std::string_view text);
    // A version from the file-version words: the high and low 16 bits of `ms`, then of
    // `ls`. Every part lies in 0..65535.
    static TOrvoVersion CreateFromMSLS(std::uint32_t ms, std::uint32_t ls);

    // Replaces all four parts from `text`: the text is padded with ".0" to four fields;
    // fields 1 to 3 end at the first three dots, field 4 runs to the end (further dots
    // included). Each field is read by ParseVersionInteger; an invalid field gives 0 and a
    // part above 65535 becomes 0. Negative parts stay.
    void Parse(std::string_view text);

    // Major * 65536 + Minor, 32-bit with wrap-around.
    std::uint32_t MS() const;
    // Release * 65536 + Build, 32-bit with wrap-around.
    std::uint32_t LS() const;
    // MS and LS as unsigned decimal numbers.
    std::string MSText() const;
    std::string LSText() const;
    // "Major.Minor.Release.Build", each signed decimal ("1.8.4.23").
    std::string ToText() const;
    // True when the signed 32-bit sum of the four parts is greater than 0.
    bool IsValid() const;
    // True when this version is strictly greater, comparing the parts in order as signed.
    bool IsNewerThan(const TOrvoVersion& other) const;
    // True when (MS, LS) is strictly greater than (ms, ls), compared as unsigned.
    bool IsNewerThanMSLS(std::uint32_t ms, std::uint32_t ls) const;
};

// The integer rule of version fields: leading spaces (only spaces) skipped, an optional
// "-" or "+", then decimal digits within the signed 32-bit range, or hexadecimal after
// "$", "x", "X", "0x" or "0X" with at most eight significant digits read as a 32-bit
// two's-complement pattern; a leading "-" negates. Anything after the digits (a trailing
// space or line break included), an empty field, a bare sign or prefix make it invalid.
std::optional<std::int32_t> ParseVersionInteger(std::string_view field);

}  // namespace vanto
