// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/path_text.h"

#include "platform/files.h"

#include <windows.h>

#include <climits>

namespace vanto::platform {

namespace {

// The ANSI text of `text`, or nothing when a character has no exact form in the code page
// (a best-fit look-alike would name another file, so those count as lost too).
bool ExactAnsi(std::wstring_view text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return false;
    const int len = static_cast<int>(text.size());
    BOOL lost = FALSE;
    // Code pages such as UTF-7 and UTF-8 refuse the lost-character flag; they lose nothing.
    const UINT acp = GetACP();
    const bool can_report = acp != CP_UTF7 && acp != CP_UTF8;
    const DWORD flags = can_report ? WC_NO_BEST_FIT_CHARS : 0;
    const int n =
        WideCharToMultiByte(CP_ACP, flags, text.data(), len, nullptr, 0, nullptr, can_report ? &lost : nullptr);
    if (n <= 0 || lost) return false;
    out.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(CP_ACP, flags, text.data(), len, out.data(), n, nullptr, nullptr);
    return true;
}

}  // namespace

std::string WideToAnsiPath(std::wstring_view path) {
    std::string out;
    if (ExactAnsi(path, out)) return out;
    const std::wstring full(path);
    const DWORD need = GetShortPathNameW(full.c_str(), nullptr, 0);
    if (need > 0 && need <= 32768) {
        std::wstring shorter(need, L'\0');
        const DWORD got = GetShortPathNameW(full.c_str(), shorter.data(), need);
        if (got > 0 && got < need) {
            shorter.resize(got);
            if (ExactAnsi(shorter, out)) return out;
        }
    }
    return WideToAnsi(path);
}

}  // namespace vanto::platform
