// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "platform/display.h"

#include <windows.h>

#include <cstdio>

namespace vanto::platform {

std::string DisplayUnavailableReason() {
    return HasDisplay() ? std::string() : std::string("no display found (a service session has no desktop)");
}

bool HasDisplay() {
    HWINSTA station = GetProcessWindowStation();
    if (station == nullptr) return true;  // cannot tell: let the window try
    USEROBJECTFLAGS flags{};
    if (!GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

namespace {

// A handle the runtime already writes to: a file, a pipe or a console of the caller's choosing.
bool Redirected(DWORD which) {
    HANDLE h = GetStdHandle(which);
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsole() {
    static bool asked = false;
    if (asked) return;
    asked = true;
    if (GetConsoleWindow() != nullptr) return;  // a console program, or attached already
    const bool out = Redirected(STD_OUTPUT_HANDLE);
    const bool err = Redirected(STD_ERROR_HANDLE);
    if (out && err) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;  // started from Explorer: nobody reads it
    if (!out && std::freopen("CONOUT$", "w", stdout) != nullptr) std::setvbuf(stdout, nullptr, _IOLBF, 4096);
    if (!err && std::freopen("CONOUT$", "w", stderr) != nullptr) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

}  // namespace vanto::platform
