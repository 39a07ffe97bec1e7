// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// TerminateProcess on a handle that was checked to belong to the process the user named:
// while the handle is open its pid cannot be given to another process.
#include "platform/process_control.h"

#include <windows.h>

namespace vanto::platform {

namespace {

std::uint64_t CreationTime(HANDLE h) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(h, &created, &exited, &kernel, &user)) return 0;
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

bool Running(HANDLE h) {
    DWORD code = 0;
    return GetExitCodeProcess(h, &code) && code == STILL_ACTIVE && WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
}

std::string SystemText(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

}  // namespace

std::uint64_t ProcessStartTime(std::uint32_t pid) {
    if (pid == 0) return 0;
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (!h) return 0;
    const std::uint64_t t = Running(h) ? CreationTime(h) : 0;
    CloseHandle(h);
    return t;
}

bool ProcessRunning(std::uint32_t pid, std::uint64_t start) { return start != 0 && ProcessStartTime(pid) == start; }

std::uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

EndOutcome EndProcess(std::uint32_t pid, std::uint64_t start, bool) {
    if (pid == 0) return {EndResult::Gone, {}};
    HANDLE h = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (!h) {
        const DWORD err = GetLastError();
        if (err == ERROR_ACCESS_DENIED) return {EndResult::NoRights, {}};
        if (err == ERROR_INVALID_PARAMETER) return {EndResult::Gone, {}};
        return {EndResult::Failed, SystemText(err)};
    }
    EndOutcome out;
    if (!Running(h)) out = {EndResult::Gone, {}};
    else if (CreationTime(h) != start) out = {EndResult::Reused, {}};
    else if (TerminateProcess(h, 1)) out = {EndResult::Sent, {}};
    else {
        const DWORD err = GetLastError();
        out = err == ERROR_ACCESS_DENIED ? EndOutcome{EndResult::NoRights, {}} : EndOutcome{EndResult::Failed, SystemText(err)};
    }
    CloseHandle(h);
    return out;
}

bool EndProcessIsRequest() { return false; }

}  // namespace vanto::platform
