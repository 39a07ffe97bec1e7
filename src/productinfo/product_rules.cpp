// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "productinfo/product_rules.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <algorithm>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/read_only_file.h"
#include "support/U_Version.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

const std::string kNoText;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A character that has no single-byte form in some ANSI code pages (™, ®). Empty when the
// platform's code page cannot hold it: the conversion would give "?" or a look-alike
// letter, and stripping those would damage names.
std::string CodePageChar(char16_t c) {
    const std::string s = platform::Utf16ToCodePage(std::u16string_view(&c, 1));
    const bool ok =
        !s.empty() && std::all_of(s.begin(), s.end(), [](char b) { return static_cast<unsigned char>(b) >= 0x80; });
    return ok ? s : std::string();
}

std::string ReplaceEvery(const std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return text;
    std::string out;
    std::size_t at = 0;
    for (std::size_t hit; (hit = text.find(from, at)) != std::string::npos; at = hit + from.size()) {
        out.append(text, at, hit - at);
        out += to;
    }
    out.append(text, at, std::string::npos);
    return out;
}

// The space-separated words of `text` before the first one that begins with `prefix`.
std::string WordsBefore(const std::string& text, std::string_view prefix) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start && TextStartsWith(std::string_view(text).substr(start, end - start), prefix)) {
            return TrimText(std::string_view(text).substr(0, start));
        }
        start = end + 1;
    }
    return text;
}

}  // namespace

namespace {

// Depth first in the file system's order; `budget` counts the entries looked at.
bool CollectFilesBelow(const std::string& folder, std::string_view name, int depth, std::size_t max_found,
                       int& budget, std::vector<std::string>& found) {
    std::vector<platform::FolderEntry> entries;
    if (depth < 0 || budget <= 0 || !platform::ListFolderEntries(folder, entries)) return true;
    for (const platform::FolderEntry& e : entries) {
        if (--budget <= 0) return false;
        if (e.name == "." || e.name == ".." || (e.attributes & platform::kAttrReparsePoint) != 0) continue;
        std::string path = SiblingPath(folder, e.name);
        if ((e.attributes & platform::kAttrDirectory) != 0) {
            if (!CollectFilesBelow(path, name, depth - 1, max_found, budget, found)) return false;
        } else if (SameText(e.name, name)) {
            found.push_back(std::move(path));
            if (found.size() >= max_found) return false;
        }
    }
    return true;
}

}  // namespace

void FindFilesBelow(const std::string& folder, std::string_view name, int depth, std::size_t max_found,
                    std::vector<std::string>& found) {
    found.clear();
    if (folder.empty() || max_found == 0) return;
    int budget = kMaxEntriesBelow;
    CollectFilesBelow(folder, name, depth, max_found, budget, found);
}

bool SiblingFileExists(const std::string& folder, std::string_view relative) {
    if (folder.empty()) return false;
    platform::ReadOnlyFile file;
    return file.open(SiblingPath(folder, relative));
}

const std::string& SubjectText(const NamingCall& call, Subject subject) {
    switch (subject) {
        case Subject::None:
            return kNoText;
        case Subject::R:
            return call.R;
        case Subject::BaseName:
            return call.base_name;
        case Subject::Folder:
            return call.folder;
        case Subject::FolderName:
            return call.folder_name;
        case Subject::Path:
            return call.path;
        case Subject::FileDescription:
            return call.V.FileDescription;
        case Subject::CompanyName:
            return call.V.CompanyName;
        case Subject::FileVersion:
            return call.V.FileVersion;
        case Subject::InternalName:
            return call.V.InternalName;
        case Subject::LegalCopyright:
            return call.V.LegalCopyright;
        case Subject::OriginalFilename:
            return call.V.OriginalFilename;
        case Subject::ProductName:
            return call.V.ProductName;
        case Subject::ProductVersion:
            return call.V.ProductVersion;
        case Subject::Product:
            return call.product;
        case Subject::Company:
            return call.company;
    }
    return kNoText;
}

bool TestHolds(const RuleTest& test, const NamingCall& call) {
    if (test.subject == Subject::None) return true;
    const std::string& s = SubjectText(call, test.subject);
    bool holds = false;
    switch (test.match) {
        case Match::Equals:
            holds = test.case_sensitive ? s == test.text : SameText(s, test.text);
            break;
        case Match::BeginsWith:
            holds = test.case_sensitive ? StrStartsWith(s, test.text) : TextStartsWith(s, test.text);
            break;
        case Match::EndsWith:
            holds = test.case_sensitive ? std::string_view(s).ends_with(test.text) : TextEndsWith(s, test.text);
            break;
        case Match::Contains:
            holds = test.case_sensitive ? s.find(test.text) != std::string::npos : TextContains(test.text, s);
            break;
        case Match::IsEmpty:
            holds = s.empty();
            break;
        case Match::Wildcard:
            holds = MatchesMask(s, test.text);
            break;
        case Match::MajorIn:
        case Match::ReleaseIn: {
            const TOrvoVersion v = TOrvoVersion::Create(s);
            const std::int32_t n = test.match == Match::MajorIn ? v.Major : v.Release;
            holds = n >= test.low && n <= test.high;
            break;
        }
        case Match::FileExists:
            holds = SiblingFileExists(call.folder, test.text);
            break;
    }
    return holds != test.negate;
}

void RunProductRules(std::span<const ProductRule> rules, NamingCall& call) {
    for (const ProductRule& rule : rules) {
        bool holds = true;
        for (const RuleTest& t : rule.when) {
            if (!TestHolds(t, call)) {
                holds = false;
                break;
            }
        }
        if (!holds) continue;
        const RuleEffect& e = rule.then;
        switch (e.action) {
            case Action::SetTo:
                call.R = std::string(e.text);
                break;
            case Action::TakeField:
                call.R = SubjectText(call, e.field);
                break;
            case Action::Prepend:
                call.R = std::string(e.text) + call.R;
                break;
            case Action::Append:
                call.R += e.text;
                break;
            case Action::CutPrefix:
                call.R = RemovePrefixText(call.R, e.text);
                if (e.trim) call.R = TrimText(call.R);
                break;
            case Action::CutSuffix:
                call.R = RemoveSuffixText(call.R, e.text);
                if (e.trim) call.R = TrimText(call.R);
                break;
            case Action::Call:
                if (e.fn) e.fn(call);
                break;
            case Action::AppendMajor: {
                // A 64-bit sum, so no offset a row names can overflow.
                const std::int64_t n =
                    std::int64_t{TOrvoVersion::Create(SubjectText(call, e.field)).Major} + e.number;
                call.R += ' ';
                call.R += std::to_string(n);
                break;
            }
            case Action::ReplaceText:
                call.R = ReplaceEvery(call.R, e.text, e.with);
                break;
            case Action::TakeFieldNoExt:
                call.R = FileNameNoExt(SubjectText(call, e.field));
                break;
            case Action::KeepWordsBefore:
                call.R = WordsBefore(call.R, e.text);
                break;
        }
    }
}

const std::string& TradeMarkSign() {
    static const std::string sign = CodePageChar(u'\u2122');
    return sign;
}

const std::string& RegisteredSign() {
    static const std::string sign = CodePageChar(u'\u00AE');
    return sign;
}

const std::string& CopyrightSign() {
    static const std::string sign = CodePageChar(u'\u00A9');
    return sign;
}


bool MatchesMask(std::string_view text, std::string_view mask) {
    // Greedy match with one backtrack point per "*": linear in practice, never exponential.
    std::size_t t = 0, m = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    while (t < text.size()) {
        if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = t;
        } else if (m < mask.size() && (mask[m] == '?' || lower(mask[m]) == lower(text[t]))) {
            ++m;
            ++t;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::string SiblingPath(const std::string& folder, std::string_view relative) {
    // A bare name has no folder, and so no siblings: never a file of the current folder.
    if (folder.empty()) return {};
    // Follow the separator the folder already uses, so Windows-style rows work on paths
    // that came from /proc as well.
    char sep = '\0';
    for (auto it = folder.rbegin(); it != folder.rend() && sep == '\0'; ++it) {
        if (IsSeparator(*it)) sep = *it;
    }
    if (sep == '\0') sep = platform::kPathSeparator;
    std::string out = folder;
    if (!out.empty() && !IsSeparator(out.back())) out += sep;
    for (char c : relative) out += IsSeparator(c) ? sep : c;
    return out;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines, std::size_t max_bytes) {
    lines.clear();
    platform::ReadOnlyFile file;
    if (!file.open(path)) return false;
    if (file.size() > max_bytes) return false;
    std::string text(static_cast<std::size_t>(file.size()), '\0');
    if (!text.empty() && !file.readAt(0, text.data(), text.size())) return false;
    std::size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return true;
}

bool FindInFile(const std::string& path, std::string_view needle, std::uint64_t& offset, std::uint64_t from,
                std::uint64_t limit) {
    if (needle.empty()) return false;
    platform::ReadOnlyFile file;
    if (!file.open(path)) return false;
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    // Each read keeps the last needle-1 bytes of the one before, so a match across two
    // chunks is found.
    const std::size_t keep = needle.size() - 1;
    std::string window;
    std::uint64_t window_start = from;
    std::uint64_t pos = from;
    // Only the first `limit` bytes: the markers sit near the start of a real executable, and a
    // file of gigabytes must not cost seconds of reading.
    const std::uint64_t size = std::min<std::uint64_t>(file.size(), limit);
    while (pos < size) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - pos));
        const std::size_t old = window.size();
        window.resize(old + count);
        if (!file.readAt(pos, window.data() + old, count)) return false;
        pos += count;
        const std::size_t at = window.find(needle);
        if (at != std::string::npos) {
            offset = window_start + at;
            return true;
        }
        if (window.size() > keep) {
            window_start += window.size() - keep;
            window.erase(0, window.size() - keep);
        }
    }
    return false;
}

bool ReadFileBytes(const std::string& path, std::uint64_t offset, std::size_t max_bytes, std::string& out) {
    out.clear();
    platform::ReadOnlyFile file;
    if (!file.open(path) || offset > file.size()) return false;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(max_bytes, file.size() - offset));
    out.resize(count);
    if (count > 0 && !file.readAt(offset, out.data(), count)) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace vanto
