// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Windows shell requests through ShellExecuteEx and ShellExecute (ANSI: our texts are in
// the active code page).

#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <utility>

namespace vanto::platform {

namespace {

// An SRW lock rather than std::mutex: the mingw-w64 win32 thread model has no std::mutex.
SRWLOCK g_hook_lock = SRWLOCK_INIT;
ShellOpenHook g_hook;  // the test seam; empty in the program

const char* OptionalText(const std::optional<std::string>& text) {
    return text.has_value() ? text->c_str() : nullptr;
}

bool ExecuteNative(const ShellRequest& request) {
    if (request.call == ShellRequest::Call::Execute) {
        SHELLEXECUTEINFOA info{};
        // 60 bytes in a 32-bit build; the structure's own size in either build.
        info.cbSize = sizeof(info);
        // No shell error boxes: the callers ignore failures and show nothing themselves.
        info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_DOENVSUBST;
        info.hwnd = nullptr;
        info.lpVerb = OptionalText(request.verb);
        info.lpFile = request.file.c_str();
        info.lpParameters = OptionalText(request.parameters);
        info.lpDirectory = nullptr;
        info.nShow = request.show_command;
        return ShellExecuteExA(&info) != FALSE;
    }

    const std::string verb = request.verb.value_or(std::string());
    const std::string parameters = request.parameters.value_or(std::string());
    HINSTANCE result =
        ShellExecuteA(reinterpret_cast<HWND>(request.owner), verb.c_str(), request.file.c_str(),
                      parameters.c_str(), request.directory.c_str(), request.show_command);
    // Values up to 32 are error codes.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace

ShellOpenHook SetShellOpenHook(ShellOpenHook hook) {
    AcquireSRWLockExclusive(&g_hook_lock);
    std::swap(g_hook, hook);
    ReleaseSRWLockExclusive(&g_hook_lock);
    return hook;
}

bool ShellExecuteRequest(const ShellRequest& request) {
    ShellOpenHook hook;
    AcquireSRWLockShared(&g_hook_lock);
    hook = g_hook;
    ReleaseSRWLockShared(&g_hook_lock);
    if (hook) return hook(request);
    return ExecuteNative(request);
}

}  // namespace vanto::platform
