// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Hands a file, folder or web address to the desktop shell: ShellExecuteEx / ShellExecute
// on Windows, a detached `xdg-open` on Linux. Nothing waits for the opened program and
// failures stay silent. Tests install a hook that captures each request instead of
// launching anything.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vanto::platform {

// A native top-level window (HWND on Windows); 0 means no owner window.
using WindowHandle = std::uintptr_t;

struct ShellRequest {
    enum class Call {
        // ShellExecuteEx without UI and with environment-variable expansion; an absent
        // verb or parameter text is passed as null.
        Execute,
        // ShellExecute with an owner window; every text is passed as a string, even empty.
        ExecuteWithOwner,
    };

    Call call = Call::Execute;
    WindowHandle owner = 0;
    std::optional<std::string> verb;        // absent: the shell's default verb
    std::string file;                       // file, folder or address to open
    std::optional<std::string> parameters;  // absent or empty: none
    std::string directory;                  // working folder; empty: none
    int show_command = 1;                   // SW_SHOWNORMAL
};

// Carries out `request`. True when the shell accepted it (Windows), or when the opener
// was started (Linux: `xdg-open` runs detached in its own session and is never waited
// for, so its own failures are not seen). The file text reaches the opener as one
// argument, never through a command interpreter.
bool ShellExecuteRequest(const ShellRequest& request);

// Test seam: while a hook is installed, ShellExecuteRequest passes every request to it
// and returns its answer instead of launching anything. An empty function removes the
// hook. Returns the hook that was installed before.
using ShellOpenHook = std::function<bool(const ShellRequest& request)>;
ShellOpenHook SetShellOpenHook(ShellOpenHook hook);

}  // namespace vanto::platform
