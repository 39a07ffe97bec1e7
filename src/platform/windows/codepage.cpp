// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/codepage.h"

#include <windows.h>

#include <climits>

namespace vanto::platform {

std::string Utf16ToCodePage(std::u16string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int count = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, count, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    const int written = WideCharToMultiByte(CP_ACP, 0, wide, count, out.data(), needed, nullptr, nullptr);
    if (written <= 0) return {};
    out.resize(static_cast<std::size_t>(written));
    return out;
}

}  // namespace vanto::platform
