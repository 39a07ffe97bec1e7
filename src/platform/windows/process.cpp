// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Windows process identity: the main module's file name through the process-status library
// (loaded at first use), and the Toolhelp process list.
#include "platform/process.h"

#include "platform/path_text.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

namespace vanto::platform {

namespace {

// The wide form: the 8-bit one turns every character outside the ANSI code page into "?",
// which leaves a path that opens nothing. WideToAnsiPath gives one that opens the file.
using GetModuleFileNameExWFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

GetModuleFileNameExWFn ModuleFileNameFn() {
    static const GetModuleFileNameExWFn fn = [] {
        HMODULE lib = LoadLibraryW(L"psapi.dll");
        return lib ? reinterpret_cast<GetModuleFileNameExWFn>(
                         reinterpret_cast<void*>(GetProcAddress(lib, "GetModuleFileNameExW")))
                   : nullptr;
    }();
    return fn;
}

}  // namespace

bool GetProcessImagePath(std::uint32_t pid, std::string& path) {
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!h) return false;
    wchar_t buf[MAX_PATH] = {};
    DWORD n = 0;
    if (auto fn = ModuleFileNameFn()) n = fn(h, nullptr, buf, MAX_PATH);
    CloseHandle(h);
    if (n == 0) return false;
    path = WideToAnsiPath(std::wstring_view(buf, wcsnlen(buf, MAX_PATH)));
    return !path.empty();
}

bool GetProcessListName(std::uint32_t pid, std::string& name) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    if (Process32First(snap, &entry)) {
        do {
            if (entry.th32ProcessID == pid) {
                name.assign(entry.szExeFile, strnlen(entry.szExeFile, MAX_PATH));
                found = true;
            }
        } while (Process32Next(snap, &entry));
    }
    CloseHandle(snap);
    return found;
}

bool MayLookIntoEveryProcess() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const BOOL ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return ok != FALSE && elevation.TokenIsElevated != 0;
}

bool StatusAllowsLookingIntoEveryProcess(const std::string&) { return false; }

}  // namespace vanto::platform
