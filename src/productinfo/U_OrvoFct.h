// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The product-identification engine: turns an executable's path into the product name a
// person recognises, from its version resource, a fixed heuristic, the ordered product
// rules (product_rules.h) and a generic clean-up. Plain functions, no state between calls:
// a moved or updated executable is named afresh on the next call.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vanto {

// The eight strings of an executable's version resource, in this order; empty when absent.
struct FileVersionInfoRec {
    std::string FileDescription;
    std::string CompanyName;
    std::string FileVersion;  // every ", " replaced by "."
    std::string InternalName;
    std::string LegalCopyright;
    std::string OriginalFilename;
    std::string ProductName;
    std::string ProductVersion;  // every ", " replaced by "."

    bool operator==(const FileVersionInfoRec&) const = default;
};

// Products that are detected by other means than an executable. The identifier is passed
// to GetProductName instead of a path and matched case-sensitively.
struct SpecialProductId {
    std::string_view id;
    std::string_view name;
};

inline constexpr std::array<SpecialProductId, 9> kSpecialProductIds{{
    {"CCCP", "Combined Community Codec Pack"},
    {"QTA", "QuickTime Alternative"},
    {"QTL", "QuickTime Lite"},
    {"KLITE", "K-Lite Codec Pack"},
    {"KLITE64", "K-Lite Codec Pack (64-Bits)"},
    {"KLITEMEGA", "K-Lite Codec Pack (Mega)"},
    {"OPENHASHTAB", "OpenHashTab"},
    {"HASHTAB", "HashTab"},
    {"QTTABBAR", "QtTabBar"},
}};

// The fixed name of a special identifier (exact, case-sensitive match); nullopt otherwise.
std::optional<std::string> SpecialProductName(std::string_view id);

// The product name of the executable at `path` (or of a special identifier); empty when
// nothing usable is found. Never throws: a file that cannot be read counts as absent.
std::string GetProductName(const std::string& path);

// The eight version strings of the file at `path`, from our own reader (the string table
// chosen as pe_version_reader.h describes). When that finds none of FileDescription,
// CompanyName and FileVersion, a second reader asks the resource as the system's version
// API loads it (on Linux, which has none, the same resource) for the table of its first
// translation, or for the bare keys when it has no translation; its answer replaces the
// first one unless it found nothing at all. All empty when the file is missing or has no
// version resource. ", " in FileVersion and ProductVersion becomes ".".
FileVersionInfoRec ReadVersionInfo(const std::string& path);

// True when the file starts with a DOS header whose new-header offset points at the PE
// signature; `is64` is true for an optional-header magic of 0x20B. A missing, short or
// truncated file gives false with `is64` false.
bool IsPEImage(const std::string& path, bool& is64);

// A 32-bit process on 64-bit Windows sees the 32-bit system folder under "system32": a path
// inside the shell's system folder is redirected to the native one through "sysnative".
// Every other path (and every path on Linux, and from a 64-bit process) is unchanged.
std::string ToNativeSystemPath(const std::string& path);

// Removes trailing web addresses and stray punctuation (a leading "?", a trailing " -", a
// lone "@") until nothing changes.
std::string CleanProductName(const std::string& text);

// The text between the opening and the closing element `tag` of the last line that holds
// the opening element (a commented-out element counts too); empty when none does, or when
// the value is the placeholder "App name goes here".
std::string GetXmlTagValue(const std::vector<std::string>& lines, const std::string& tag);

// True when every character is a digit or "."; true for the empty text.
bool IsDottedNumber(std::string_view text);

// --- Company ------------------------------------------------------------------------------

// Product name and company of one executable, as the update check reports them.
struct TDisplayedFileInfo {
    std::string ProductName;
    std::string Company;

    bool operator==(const TDisplayedFileInfo&) const = default;
};

// The fixed company of a special identifier (exact match); nullopt otherwise.
std::optional<std::string> SpecialProductCompany(std::string_view id);

// The publisher of the executable at `path`: its CompanyName (or, when that gives nothing,
// its LegalCopyright) normalised by the publisher rules and freed of copyright and licence
// wording. `product` is its product name, worked out from the path when empty.
std::string GetProductCompany(const std::string& path, const std::string& product = {});

// One raw company text through the publisher rules and the clean-up: cut at its first line
// break, licence names and web-address tails removed, "?"-garbage and placeholders emptied.
std::string NormaliseCompany(const std::string& company, const std::string& path, const std::string& product);

// Removes copyright marks, years and licence sentences, repeating until nothing changes:
// "Copyright (c) 2005-2011 Foo Software. All rights reserved." gives "Foo Software".
std::string CleanCompanyName(const std::string& text);

// Product name and company; a file with a company but no name is named after its file.
TDisplayedFileInfo GetDisplayedFileInfo(const std::string& path);

// --- Version --------------------------------------------------------------------------

// The installed version of the product at `path` (or of a special identifier), as a person
// compares it with the vendor's release number. `path` is replaced by the redirected path
// (and, for a few products, by the path of the product's main executable). `product` and
// `company` are those of GetDisplayedFileInfo, worked out when `product` is empty. With
// `raw` false a non-zero result is written as four dotted numbers; an empty or all-zero
// result is returned unchanged.
std::string GetProductVersion(std::string& path, const std::string& product = {}, const std::string& company = {},
                              bool raw = false);
// The resolver behind GetProductVersion; may return an empty text.
std::string ResolveProductVersion(std::string& path, std::string product, std::string company);

// The text is not empty and its four parts add up to more than 0.
bool IsNonZeroVersion(const std::string& text);

// The leading run of digits, dots, commas and spaces, commas turned into dots: "2.5 beta"
// gives "2.5", "1, 2, 3, 4" gives "1.2.3.4". Spaces are dropped (" 2.3" gives "2.3"), except
// that a space between two digit runs ends the run ("2.5 2019" gives "2.5").
std::string CleanVersionText(const std::string& text);

// The newest sub-folder name of the executable's folder that reads as a version (a browser
// that keeps one folder per version); empty when there is none.
std::string GetChromeVersion(const std::string& path);

}  // namespace vanto
