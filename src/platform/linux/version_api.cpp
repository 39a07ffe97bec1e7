// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/version_api.h"

namespace vanto::platform {

SystemVersionLoad LoadSystemVersionResource(const std::string& /*path*/, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    return SystemVersionLoad::Unavailable;
}

}  // namespace vanto::platform
