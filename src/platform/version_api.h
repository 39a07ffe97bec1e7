// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The operating system's own version-resource loader (GetFileVersionInfoSize and
// GetFileVersionInfo on Windows). It sees files as the system does, through the loader's
// redirections and language fallbacks, which makes it the second opinion when our own PE
// reader finds nothing. Linux has no such service.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vanto::platform {

enum class SystemVersionLoad {
    Unavailable,  // the platform has no version API (Linux)
    NoResource,   // the API reports no version resource (size 0) or loading failed
    Loaded,       // `bytes` holds the VS_VERSIONINFO block as the API returned it
};

// Loads the version resource of `path` (platform 8-bit text) through the system's version
// API. The block is at most 64 KiB, the limit of its 16-bit length field.
SystemVersionLoad LoadSystemVersionResource(const std::string& path, std::vector<std::uint8_t>& bytes);

}  // namespace vanto::platform
