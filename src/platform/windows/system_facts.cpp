// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Windows system facts: the classic version record, the workstation information, the
// CurrentVersion key, the 64-bit host test and the administrator test on the token.

#include "platform/system_facts.h"

#include <windows.h>
#include <lm.h>

#include <algorithm>
#include <vector>

namespace vanto::platform {

namespace {

constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr DWORD kMaxValueBytes = 64 * 1024;
constexpr DWORD kMaxTokenGroupBytes = 1024 * 1024;

class TokenHandle {
public:
    TokenHandle() = default;
    ~TokenHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    TokenHandle(const TokenHandle&) = delete;
    TokenHandle& operator=(const TokenHandle&) = delete;
    HANDLE* out() { return &handle_; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace

bool QueryClassicVersion(ClassicVersion& version) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);  // the 148-byte classic record
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (!ok) return false;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    version.platform_id = info.dwPlatformId;
    info.szCSDVersion[sizeof(info.szCSDVersion) - 1] = '\0';
    version.service_pack = info.szCSDVersion;
    return true;
}

bool QueryWorkstationVersion(std::uint32_t& major, std::uint32_t& minor) {
    // Unlike GetVersionEx, the workstation record is not capped at 6.2 by manifest rules.
    LPBYTE buffer = nullptr;
    if (NetWkstaGetInfo(nullptr, 100, &buffer) != NERR_Success || buffer == nullptr) {
        if (buffer != nullptr) NetApiBufferFree(buffer);
        return false;
    }
    const auto* info = reinterpret_cast<const WKSTA_INFO_100*>(buffer);
    major = info->wki100_ver_major;
    minor = info->wki100_ver_minor;
    NetApiBufferFree(buffer);
    return true;
}

bool ReadCurrentVersionValue(const std::string& name, std::string& value) {
    // Read access only: opening this machine-wide key for writing fails for every user
    // without elevation, which would make the version text wrong for them.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool ok = false;
    std::vector<char> data(256);
    for (;;) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_MORE_DATA && size > data.size() && size <= kMaxValueBytes) {
            data.resize(size);
            continue;
        }
        if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::size_t length = std::min<std::size_t>(size, data.size());
            // The stored text may or may not carry its terminator.
            std::size_t nul = 0;
            while (nul < length && data[nul] != '\0') ++nul;
            value.assign(data.data(), nul);
            ok = true;
        }
        break;
    }
    RegCloseKey(key);
    return ok;
}

bool IsWow64() {
    if (const auto forced = detail::Wow64Override()) return *forced;
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return false;
    FARPROC proc = GetProcAddress(kernel, "IsWow64Process");
    if (proc == nullptr) return false;  // older than XP SP2: no 64-bit host possible
    const auto fn = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(proc));
    BOOL wow64 = FALSE;
    // A failing test answers false: it is only worth a log line, not the program.
    if (!fn(GetCurrentProcess(), &wow64)) return false;
    return wow64 != FALSE;
}

bool IsPreVista() {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    return !QueryWorkstationVersion(major, minor) || major < 6;
}

bool IsUserAdmin() {
    ClassicVersion classic;
    if (QueryClassicVersion(classic) && classic.platform_id != VER_PLATFORM_WIN32_NT) return true;

    TokenHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.out()) &&
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) {
        return false;
    }

    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins)) {
        return false;
    }

    bool result = false;
    DWORD needed = 0;
    GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &needed);
    if (needed > 0 && needed <= kMaxTokenGroupBytes) {
        // DWORD-aligned storage for the TOKEN_GROUPS record.
        std::vector<DWORD_PTR> buffer((needed + sizeof(DWORD_PTR) - 1) / sizeof(DWORD_PTR));
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(DWORD_PTR));
        if (GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size)) {
            const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
            for (DWORD i = 0; i < groups->GroupCount; ++i) {
                if (EqualSid(groups->Groups[i].Sid, admins)) {
                    // Under user account control an unelevated administrator holds the
                    // group for deny only.
                    result = (groups->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0;
                    break;
                }
            }
        }
    }
    FreeSid(admins);
    return result;
}

bool ReadOsRelease(std::string& /*text*/) {
    return false;
}

bool GetKernelRelease(std::string& /*release*/) {
    return false;
}

bool AdjustProcessPrivilege(const std::string& name, bool enable) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    LUID id{};
    if (!LookupPrivilegeValueA(nullptr, name.c_str(), &id)) {
        CloseHandle(token);
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = id;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    TOKEN_PRIVILEGES previous{};
    DWORD returned = 0;
    // The outcome is not looked at: without the right the privilege simply stays off.
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(previous), &previous, &returned);
    CloseHandle(token);
    return true;
}

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
    if (localtime_s(&tm, &t) != 0) tm = std::tm{};
    return tm;
}

}  // namespace vanto::platform
