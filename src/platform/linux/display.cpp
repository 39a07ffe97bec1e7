// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "platform/display.h"

#include <cstdlib>
#include <initializer_list>

namespace vanto::platform {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

void UseParentConsole() {}

}  // namespace vanto::platform
