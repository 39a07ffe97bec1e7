// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Per-product naming rules as data. A rule is a row: up to three tests on the name being
// built (R) and on the facts of the naming call, and one effect on R. Most rows are
// declarative (rename, take another version field, add or cut an affix); a row that needs
// more (sibling files, version numbers, the uninstall registry) names a plain function.
// Rows run in table order and each sees R as the previous row left it: the order is part of
// the behaviour. GetProductName runs the early list before its generic clean-up and the
// late list near its end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "productinfo/U_OrvoFct.h"

namespace vanto {

// Everything a rule may look at during one naming call, and R itself.
struct NamingCall {
    std::string path;         // after system-folder redirection
    std::string base_name;    // file name without its last extension
    std::string folder;       // folder part of the path, with its trailing separator
    std::string folder_name;  // the last component of the folder ("" for a bare name)
    FileVersionInfoRec V;
    std::string product;  // the product name, for the publisher and version rules ("" while naming)
    std::string company;  // the normalised company, for the version rules
    std::string R;        // the name being built (the company, for the publisher rules)
};

// What a test looks at.
enum class Subject : unsigned char {
    None,  // an unused test slot: always holds
    R,
    BaseName,
    Folder,
    FolderName,
    Path,
    FileDescription,
    CompanyName,
    FileVersion,
    InternalName,
    LegalCopyright,
    OriginalFilename,
    ProductName,
    ProductVersion,
    Product,  // the worked-out product name (publisher and version rules)
    Company,  // the normalised company (version rules)
};

// Wildcard: a file-name style mask, "*" for any run and "?" for one byte.
// MajorIn / ReleaseIn: the first / third number of the subject read as a four-part version
// lies in [low, high].
// FileExists: `text` below the folder is a regular file that can be opened (the subject is
// ignored; a bare name without a folder has no siblings).
enum class Match : unsigned char { Equals, BeginsWith, EndsWith, Contains, IsEmpty, Wildcard, MajorIn, ReleaseIn, FileExists };

struct RuleTest {
    Subject subject = Subject::None;
    Match match = Match::Equals;
    std::string_view text{};
    bool case_sensitive = false;  // rows compare ASCII case-insensitively unless they say so
    bool negate = false;
    std::int32_t low = 0;  // the range of MajorIn and ReleaseIn
    std::int32_t high = 0;
};

using RuleFunction = void (*)(NamingCall& call);

enum class Action : unsigned char {
    SetTo,      // R := text
    TakeField,  // R := the field named by `field`
    Prepend,    // R := text + R
    Append,     // R := R + text
    CutPrefix,  // a leading text removed (case-insensitive), R trimmed when `trim`
    CutSuffix,  // a trailing text removed (case-insensitive), R trimmed when `trim`
    Call,       // fn(call): for rows that are more than a test and a text
    AppendMajor,      // R += " " + (first number of `field` + `number`)
    ReplaceText,      // every `text` in R (case-sensitive) becomes `with`
    TakeFieldNoExt,   // R := the field named by `field`, less its last extension
    KeepWordsBefore,  // R := the words before the first word that begins with `text`, trimmed
};

struct RuleEffect {
    Action action = Action::SetTo;
    std::string_view text{};
    Subject field = Subject::None;
    bool trim = false;
    RuleFunction fn = nullptr;
    std::int32_t number = 0;
    std::string_view with{};
};

// The case a product row is meant for, small enough to build in a test folder: the file
// (its path below the folder, "/" between folders), its version strings, the files beside
// it and the uninstall entries the row reads, and the name GetProductName then gives.
//   fields:    "Key=value" pairs joined by "|"; keys D C F I L O P V stand for
//              FileDescription, CompanyName, FileVersion, InternalName, LegalCopyright,
//              OriginalFilename, ProductName, ProductVersion.
//   files:     "path=content" pairs joined by "|", paths relative to the file's folder;
//              content "PE:K=value" is an executable with that one version string, and
//              the path "<self>" adds the content to the end of the file itself.
//   uninstall: entries joined by "|", each "Name=value" pairs joined by ";"; "{dir}"
//              stands for the file's folder; an entry beginning "HKCU:" is the user's.
//   fields "-" is an executable without a version resource.
struct ProductExample {
    std::string_view file{};
    std::string_view fields{};
    std::string_view result{};
    std::string_view files{};
    std::string_view uninstall{};
};

struct ProductRule {
    std::array<RuleTest, 3> when{};  // all must hold; unused slots hold
    RuleEffect then{};
    // One raw text the row is meant for (the company, or the product name for rows that test
    // the product), so that a test can run every row's own case through the whole table.
    std::string_view example{};
    // The product rows' own case (product rows leave `example` empty).
    ProductExample sample{};
};

// One set of names for the subjects, the same in every table (after `using namespace vanto::rules;`).
// R is what the table builds: the name, the company being normalised, or the version so far;
// Co is the CompanyName string, Company the worked-out company, Product the worked-out name.
namespace rules {
inline constexpr Subject R = Subject::R;
inline constexpr Subject Base = Subject::BaseName;
inline constexpr Subject Folder = Subject::Folder;
inline constexpr Subject FolderName = Subject::FolderName;
inline constexpr Subject Path = Subject::Path;
inline constexpr Subject FD = Subject::FileDescription;
inline constexpr Subject Co = Subject::CompanyName;
inline constexpr Subject FV = Subject::FileVersion;
inline constexpr Subject IN = Subject::InternalName;
inline constexpr Subject PN = Subject::ProductName;
inline constexpr Subject PV = Subject::ProductVersion;
inline constexpr Subject Product = Subject::Product;
inline constexpr Subject Company = Subject::Company;
}  // namespace rules

// Builders that keep a table row on one line (after `using namespace vanto::rules;`):
//   {{Is(Subject::R, "MSPCManager")}, SetTo("Microsoft PC Manager")},
//   {{BeginsWith(Subject::R, "7-Zip"), Is(Subject::BaseName, "7za")}, SetTo("7-Zip Standalone Console")},
namespace rules {

constexpr RuleTest Is(Subject s, std::string_view text) { return {s, Match::Equals, text}; }
constexpr RuleTest IsExactly(Subject s, std::string_view text) { return {s, Match::Equals, text, true}; }
constexpr RuleTest BeginsWith(Subject s, std::string_view text) { return {s, Match::BeginsWith, text}; }
constexpr RuleTest EndsWith(Subject s, std::string_view text) { return {s, Match::EndsWith, text}; }
constexpr RuleTest Contains(Subject s, std::string_view text) { return {s, Match::Contains, text}; }
constexpr RuleTest IsEmpty(Subject s) { return {s, Match::IsEmpty, {}}; }
constexpr RuleTest Like(Subject s, std::string_view mask) { return {s, Match::Wildcard, mask}; }
constexpr RuleTest BeginsWithExactly(Subject s, std::string_view text) {
    return {s, Match::BeginsWith, text, true};
}
constexpr RuleTest ContainsExactly(Subject s, std::string_view text) { return {s, Match::Contains, text, true}; }
constexpr RuleTest MajorIn(Subject s, std::int32_t low, std::int32_t high) {
    return {s, Match::MajorIn, {}, false, false, low, high};
}
constexpr RuleTest ReleaseIs(Subject s, std::int32_t n) { return {s, Match::ReleaseIn, {}, false, false, n, n}; }
constexpr RuleTest HasFile(std::string_view relative) { return {Subject::Folder, Match::FileExists, relative}; }
constexpr RuleTest Not(RuleTest t) {
    t.negate = !t.negate;
    return t;
}

constexpr RuleEffect SetTo(std::string_view name) { return {Action::SetTo, name}; }
constexpr RuleEffect TakeField(Subject field) { return {Action::TakeField, {}, field}; }
constexpr RuleEffect Prepend(std::string_view text) { return {Action::Prepend, text}; }
constexpr RuleEffect Append(std::string_view text) { return {Action::Append, text}; }
constexpr RuleEffect CutPrefix(std::string_view text, bool trim = false) {
    return {Action::CutPrefix, text, Subject::None, trim};
}
constexpr RuleEffect CutSuffix(std::string_view text, bool trim = false) {
    return {Action::CutSuffix, text, Subject::None, trim};
}
constexpr RuleEffect Call(RuleFunction fn) { return {Action::Call, {}, Subject::None, false, fn}; }
constexpr RuleEffect AppendMajor(Subject field, std::int32_t add = 0) {
    return {Action::AppendMajor, {}, field, false, nullptr, add};
}
constexpr RuleEffect ReplaceText(std::string_view from, std::string_view to) {
    return {Action::ReplaceText, from, Subject::None, false, nullptr, 0, to};
}
constexpr RuleEffect TakeFieldNoExt(Subject field) { return {Action::TakeFieldNoExt, {}, field}; }
constexpr RuleEffect KeepWordsBefore(std::string_view prefix) { return {Action::KeepWordsBefore, prefix}; }

}  // namespace rules

// The text a subject stands for in `call` (empty for Subject::None).
const std::string& SubjectText(const NamingCall& call, Subject subject);

bool TestHolds(const RuleTest& test, const NamingCall& call);

// Runs `rules` on call.R in table order.
void RunProductRules(std::span<const ProductRule> rules, NamingCall& call);

// The rules GetProductName runs before its generic clean-up, and near its end.
std::span<const ProductRule> EarlyProductRules();
std::span<const ProductRule> LateProductRules();

// The publisher rules NormaliseCompany runs: R is the company being normalised, `product`
// the product name. Each row's example is a raw company (or, for rows that test the
// product, a product name with no company) that the row turns into its result.
std::span<const ProductRule> PublisherRules();

// The version rows' own cases, stage by stage in the order GetProductVersion runs them, for
// the tests: each sample's `result` is the version the row's case gives. `has_tests`: the row
// tests something; `has_source`: a row that calls a function names one.
struct VersionRowCase {
    std::string_view stage;
    ProductExample sample;
    bool has_tests = false;
    bool has_source = false;
};
std::vector<VersionRowCase> VersionRuleCases();

// Signs in the platform's code page (ANSI on Windows, UTF-8 on Linux); empty where the code
// page has no single-byte form of them, since a look-alike letter must never be stripped.
const std::string& TradeMarkSign();   // U+2122
const std::string& RegisteredSign();  // U+00AE
const std::string& CopyrightSign();   // U+00A9

// True when `text` matches the file-name style `mask` ("*" any run, "?" one byte), ASCII
// case-insensitively.
bool MatchesMask(std::string_view text, std::string_view mask);

// Publishers' web domains that some names carry at their end ("Foo Tool example.com");
// the clean-up tries each in order and cuts it where the name ends with it (ASCII case folded).
std::span<const std::string_view> PublisherDomainSuffixes();

// Facts for rules that look beside the executable. A sibling file that exists but cannot
// be read counts as absent, so one unreadable file never aborts the naming of the rest.

// `relative` (written with "\" or "/") below `folder`, with the folder's own separator;
// empty for an empty folder (a bare name has no siblings).
std::string SiblingPath(const std::string& folder, std::string_view relative);

// True when `relative` below `folder` is a regular file that opens for reading; false for
// an empty folder (a bare name has no siblings), a folder, a FIFO or a broken link.
bool SiblingFileExists(const std::string& folder, std::string_view relative);

// Files called `name` (ASCII case folded) below `folder`, at most `depth` folders down, depth
// first in the file system's order, up to `max_found` of them. The walk never follows a link
// and stops after kMaxEntriesBelow entries, so a folder such as a system folder costs no more
// than a bounded listing. Empty for an empty folder.
inline constexpr int kMaxEntriesBelow = 2000;
void FindFilesBelow(const std::string& folder, std::string_view name, int depth, std::size_t max_found,
                    std::vector<std::string>& found);

// The lines of a text file (CR LF, LF or CR line ends; a UTF-8 byte-order mark dropped),
// reading at most `max_bytes`. False when the file is absent, not a regular file, larger
// than `max_bytes` or unreadable; `lines` is then empty.
inline constexpr std::size_t kMaxSiblingTextBytes = std::size_t{4} << 20;
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines,
                   std::size_t max_bytes = kMaxSiblingTextBytes);

// Searches the first `limit` bytes of the file for `needle` (case-sensitive), streaming them in
// bounded chunks so a file of any size costs a fixed amount of memory and at most `limit`
// bytes of reading. Sets `offset` to the first occurrence at or after `from` that ends within
// the limit. False when absent there, when the file is not a regular file or cannot be read.
inline constexpr std::uint64_t kMaxContentSearchBytes = std::uint64_t{64} << 20;
bool FindInFile(const std::string& path, std::string_view needle, std::uint64_t& offset, std::uint64_t from = 0,
                std::uint64_t limit = kMaxContentSearchBytes);

// Up to `max_bytes` bytes of the file from `offset` (fewer at its end). False when the file
// cannot be read there.
bool ReadFileBytes(const std::string& path, std::uint64_t offset, std::size_t max_bytes, std::string& out);

}  // namespace vanto
