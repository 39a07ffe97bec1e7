// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "support/text_utils.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace vanto {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameFolded(char a, char b) {
    return platform::FoldAscii(a) == platform::FoldAscii(b);
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::size_t ClampCount(int count, std::size_t length) {
    if (count <= 0) return 0;
    return std::min(static_cast<std::size_t>(count), length);
}

}  // namespace

std::string UrlEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == ' ') {
            out += "%20";
        } else if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                   b == '-' || b == '.' || b == '_') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    return platform::EqualsNoCase(a, b);
}

std::string AsciiLowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
    return out;
}

bool TextContains(std::string_view sub, std::string_view text) {
    if (sub.empty() || sub.size() > text.size()) return false;
    return std::search(text.begin(), text.end(), sub.begin(), sub.end(), SameFolded) != text.end();
}

bool TextStartsWith(std::string_view text, std::string_view prefix) {
    return prefix.size() <= text.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool TextEndsWith(std::string_view text, std::string_view suffix) {
    return suffix.size() <= text.size() &&
           SameText(text.substr(text.size() - suffix.size()), suffix);
}

bool StrStartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string LeftText(std::string_view text, int count) {
    return std::string(text.substr(0, ClampCount(count, text.size())));
}

std::string RightText(std::string_view text, int count) {
    const std::size_t n = ClampCount(count, text.size());
    return std::string(text.substr(text.size() - n));
}

std::string RemovePrefixText(std::string_view text, std::string_view prefix) {
    if (TextStartsWith(text, prefix)) text.remove_prefix(prefix.size());
    return std::string(text);
}

std::string RemoveSuffixText(std::string_view text, std::string_view suffix) {
    if (TextEndsWith(text, suffix)) text.remove_suffix(suffix.size());
    return std::string(text);
}

std::string TextBefore(std::string_view text, std::string_view sub) {
    const std::size_t pos = sub.empty() ? std::string_view::npos : text.find(sub);
    return std::string(pos == std::string_view::npos ? text : text.substr(0, pos));
}

std::string TextAfter(std::string_view text, std::string_view sub) {
    const std::size_t pos = sub.empty() ? std::string_view::npos : text.find(sub);
    return std::string(pos == std::string_view::npos ? text : text.substr(pos + sub.size()));
}

int WordCount(std::string_view text, std::string_view delimiters) {
    if (text.empty()) return 0;
    long long count = 1;
    for (char c : text) {
        if (delimiters.find(c) != std::string_view::npos) ++count;
    }
    return static_cast<int>(std::min<long long>(count, INT_MAX));
}

std::string ExtractWord(std::string_view text, int index, std::string_view delimiters) {
    if (index < 0) return {};
    int word = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || delimiters.find(text[i]) != std::string_view::npos) {
            if (word == index) return std::string(text.substr(start, i - start));
            ++word;
            start = i + 1;
        }
    }
    return {};
}

std::string TrimText(std::string_view text) {
    return std::string(platform::TrimWhere(text, IsBlankOrControl));
}

std::string StripTrailingUrls(std::string_view text) {
    // Removing an "http://" word and then an "https://" word, each time starting over on the
    // shortened text, comes down to removing trailing address words of either kind until the
    // last word is something else or the only word left. Done in one backward pass so that a
    // long run of addresses costs linear time and no recursion.
    std::string_view rest = text;
    for (;;) {
        const std::size_t space = rest.rfind(' ');
        if (space == std::string_view::npos) break;  // a single word stays, address or not
        const std::string_view last = rest.substr(space + 1);
        if (!TextStartsWith(last, "http://") && !TextStartsWith(last, "https://")) break;
        rest.remove_suffix(last.size());
        rest = platform::TrimWhere(rest, IsBlankOrControl);
    }
    return std::string(rest);
}

std::string FileNameNoExt(std::string_view path) {
    const std::size_t sep = path.find_last_of("/\\:");
    std::string_view name = sep == std::string_view::npos ? path : path.substr(sep + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

std::string FolderWithSeparator(std::string_view path) {
    const std::size_t sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string BoolToYesNo(bool value) {
    return value ? "Yes" : "No";
}

}  // namespace vanto
