// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/version_api.h"

#include <windows.h>

namespace vanto::platform {

namespace {
// VS_VERSIONINFO states its length in 16 bits; the API may add its own converted copy, so
// allow a little more than one block.
constexpr DWORD kMaxVersionInfoBytes = 3u * 65536u;
}  // namespace

SystemVersionLoad LoadSystemVersionResource(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (path.empty()) return SystemVersionLoad::NoResource;
    const int wlen = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (wlen <= 0) return SystemVersionLoad::NoResource;
    std::wstring wide(static_cast<std::size_t>(wlen), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), wlen) <= 0) return SystemVersionLoad::NoResource;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &handle);
    if (size == 0 || size > kMaxVersionInfoBytes) return SystemVersionLoad::NoResource;
    bytes.resize(size);
    if (!GetFileVersionInfoW(wide.c_str(), 0, size, bytes.data())) {
        bytes.clear();
        return SystemVersionLoad::NoResource;
    }
    return SystemVersionLoad::Loaded;
}

}  // namespace vanto::platform
