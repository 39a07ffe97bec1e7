// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "productinfo/product_rules.h"

#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/read_only_file.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

// The per-product rows. Each list runs top to bottom.
constexpr std::array<ProductRule, 0> kEarlyRules{};
constexpr std::array<ProductRule, 0> kLateRules{};
constexpr std::array<std::string_view, 0> kPublisherDomains{};

const std::string kNoText;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

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
        }
    }
}

std::span<const ProductRule> EarlyProductRules() { return kEarlyRules; }
std::span<const ProductRule> LateProductRules() { return kLateRules; }
std::span<const std::string_view> PublisherDomainSuffixes() { return kPublisherDomains; }

std::string SiblingPath(const std::string& folder, std::string_view relative) {
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

}  // namespace vanto
