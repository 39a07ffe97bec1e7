// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// ASCII text helpers the backends share (not a platform service): names that compare as the
// registry and the profile functions compare them, with the ASCII letters folded and every other
// byte exact, so no answer depends on the locale.
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

}  // namespace vanto::platform
