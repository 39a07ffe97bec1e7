// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The signed-in user's session as the single-instance rule sees it: a name that tells this
// user's programs from other users' ones, and the permission a starting copy gives the
// running one to come to the front.
#pragma once

#include <cstdint>
#include <string>

namespace vanto::platform {

// A short text of letters, digits, '-', '_' and '.' naming the current user (and on Windows
// the logon session), for per-user object names. Linux: the real uid. Windows: the user
// name and the session number. Never empty.
std::string CurrentUserKey();

// Lets process `pid` bring its window to the front although this process holds the
// foreground (Windows refuses that otherwise). Linux: nothing to do, true.
bool AllowForegroundActivation(std::uint32_t pid);

}  // namespace vanto::platform
