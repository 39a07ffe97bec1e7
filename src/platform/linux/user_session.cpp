// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "platform/user_session.h"

#include <unistd.h>

namespace vanto::platform {

std::string CurrentUserKey() { return std::to_string(static_cast<unsigned long>(getuid())); }

bool AllowForegroundActivation(std::uint32_t) { return true; }

}  // namespace vanto::platform
