// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "platform/display.h"

#include <windows.h>

namespace vanto::platform {

bool HasDisplay() {
    HWINSTA station = GetProcessWindowStation();
    if (station == nullptr) return true;  // cannot tell: let the window try
    USEROBJECTFLAGS flags{};
    if (!GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace vanto::platform
