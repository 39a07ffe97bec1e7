// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// ASCII text helpers shared by the backends and the layers above (not a platform service):
// names that compare as the registry and the profile functions compare them, with the ASCII
// letters folded and every other byte exact, so no answer depends on the locale; and trimming
// with the blanks each text format names.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace vanto::platform {

// a-z as A-Z; every other byte unchanged.
inline char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// The registry's subkey order: names compared with ASCII letters upper-cased, byte by byte.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            auto x = static_cast<unsigned char>(FoldAscii(a[i]));
            auto y = static_cast<unsigned char>(FoldAscii(b[i]));
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

// `s` without the leading bytes for which `blank(c)` holds, then without the trailing ones.
template <typename IsBlank>
std::string_view TrimWhere(std::string_view s, IsBlank blank) {
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// `s` without the bytes of `blanks` at its start, at its end, or at either end.
inline std::string_view TrimStart(std::string_view s, std::string_view blanks) {
    while (!s.empty() && blanks.find(s.front()) != std::string_view::npos) s.remove_prefix(1);
    return s;
}
inline std::string_view TrimEnd(std::string_view s, std::string_view blanks) {
    while (!s.empty() && blanks.find(s.back()) != std::string_view::npos) s.remove_suffix(1);
    return s;
}
inline std::string_view Trim(std::string_view s, std::string_view blanks) { return TrimEnd(TrimStart(s, blanks), blanks); }

}  // namespace vanto::platform
