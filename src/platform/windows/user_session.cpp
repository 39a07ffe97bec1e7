// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "platform/user_session.h"

#include <windows.h>

namespace vanto::platform {

std::string CurrentUserKey() {
    char name[257] = {};
    DWORD size = sizeof name;
    std::string key;
    if (GetUserNameA(name, &size) && size > 0) {
        for (const char* p = name; *p != '\0'; ++p) {
            const unsigned char c = static_cast<unsigned char>(*p);
            const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
                               c == '_' || c == '.';
            key += plain ? static_cast<char>(c) : '_';
        }
    }
    if (key.empty()) key = "user";
    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session)) {
        key += '-';
        key += std::to_string(session);
    }
    return key;
}

bool AllowForegroundActivation(std::uint32_t pid) { return AllowSetForegroundWindow(pid) != FALSE; }

}  // namespace vanto::platform
