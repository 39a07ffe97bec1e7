// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// File-system calls on Windows. Systems whose wide file functions do not work get the ANSI
// functions with converted paths.
#include "platform/files.h"

#include "platform/path_text.h"

#include <windows.h>
#include <shlobj.h>

#include <climits>
#include <cstring>

namespace vanto::platform {

namespace {

std::uint64_t Join(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

std::uint64_t Join(const FILETIME& ft) { return Join(ft.dwHighDateTime, ft.dwLowDateTime); }

void Fill(const WIN32_FIND_DATAW& fd, FindData& data) {
    data.attributes = fd.dwFileAttributes;
    data.creation_time = Join(fd.ftCreationTime);
    data.last_access_time = Join(fd.ftLastAccessTime);
    data.last_write_time = Join(fd.ftLastWriteTime);
    data.size = Join(fd.nFileSizeHigh, fd.nFileSizeLow);
    data.name.assign(fd.cFileName, wcsnlen(fd.cFileName, MAX_PATH));
    data.short_name.assign(fd.cAlternateFileName, wcsnlen(fd.cAlternateFileName, 14));
}

// The ANSI record converted: the fixed part as it is, the two names to wide characters.
void Fill(const WIN32_FIND_DATAA& fa, FindData& data) {
    WIN32_FIND_DATAW fw{};
    std::memcpy(&fw, &fa, offsetof(WIN32_FIND_DATAA, cFileName));
    MultiByteToWideChar(CP_ACP, 0, fa.cFileName, -1, fw.cFileName, MAX_PATH);
    MultiByteToWideChar(CP_ACP, 0, fa.cAlternateFileName, -1, fw.cAlternateFileName, 14);
    fw.cFileName[MAX_PATH - 1] = L'\0';
    fw.cAlternateFileName[13] = L'\0';
    Fill(fw, data);
}

bool AbsoluteDrivePath(const std::wstring& p) {
    return p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/');
}

using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using Wow64EnableFn = BOOLEAN(WINAPI*)(BOOLEAN);

}  // namespace

struct FindHandle::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool wide = true;
    ~Impl() {
        if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
};

void FindHandle::ImplDeleter::operator()(Impl* impl) const { delete impl; }

bool FindHandle::Next(FindData& data) {
    if (!impl_) return false;
    if (impl_->wide) {
        WIN32_FIND_DATAW fd{};
        if (!FindNextFileW(impl_->handle, &fd)) return false;
        Fill(fd, data);
    } else {
        WIN32_FIND_DATAA fa{};
        if (!FindNextFileA(impl_->handle, &fa)) return false;
        Fill(fa, data);
    }
    return true;
}

bool WideApiAvailable() {
    // Decided once: a wide find-first on the Windows folder either works or it does not.
    static const bool available = [] {
        char dir[1024] = {};
        UINT n = GetWindowsDirectoryA(dir, sizeof dir);
        if (n == 0 || n >= sizeof dir) return false;
        std::string pattern(dir, n);
        if (pattern.back() != '\\') pattern.push_back('\\');
        pattern += "*.*";
        std::wstring wide = AnsiToWide(pattern);
        WIN32_FIND_DATAW fd{};
        HANDLE h = FindFirstFileW(wide.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return false;
        FindClose(h);
        return true;
    }();
    return available;
}

FindHandle FindFirstWide(const std::wstring& pattern, FindData& data) {
    auto impl = std::make_unique<FindHandle::Impl>();
    if (WideApiAvailable()) {
        WIN32_FIND_DATAW fd{};
        impl->handle = FindFirstFileW(pattern.c_str(), &fd);
        if (impl->handle == INVALID_HANDLE_VALUE) return {};
        Fill(fd, data);
    } else {
        WIN32_FIND_DATAA fa{};
        impl->wide = false;
        impl->handle = FindFirstFileA(WideToAnsi(pattern).c_str(), &fa);
        if (impl->handle == INVALID_HANDLE_VALUE) return {};
        Fill(fa, data);
    }
    return FindHandle(impl.release());
}

bool GetFileAttributesSize(const std::wstring& path, std::uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) return false;
    size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    return true;
}

bool GetFileIdentity(const std::string& path, FileIdentity& identity) {
    if (path.empty()) return false;
    // No access right asked: the identity of a file another process holds open still reads.
    HANDLE h = CreateFileW(AnsiToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != FALSE;
    CloseHandle(h);
    if (!ok) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.file = Join(info.nFileIndexHigh, info.nFileIndexLow);
    identity.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    identity.write_time = Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool CreateDirectoryWide(const std::wstring& path) {
    if (!WideApiAvailable()) return CreateDirectoryA(WideToAnsi(path).c_str(), nullptr) != FALSE;
    // The long-path forms lift the 260-character limit. They only apply to absolute paths and
    // take backslashes only; a relative path goes to the system as it is.
    std::wstring p = path;
    for (auto& c : p) {
        if (c == L'/') c = L'\\';
    }
    std::wstring full;
    if (p.rfind(L"\\\\?\\", 0) == 0) {
        full = p;
    } else if (p.rfind(L"\\\\", 0) == 0) {
        full = L"\\\\?\\UNC\\" + p.substr(2);
    } else if (AbsoluteDrivePath(p)) {
        full = L"\\\\?\\" + p;
    } else {
        full = p;
    }
    return CreateDirectoryW(full.c_str(), nullptr) != FALSE;
}

bool DriveMounted(wchar_t letter) {
    wchar_t root[4] = {letter, L':', L'\\', L'\0'};
    UINT type = GetDriveTypeW(root);
    return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
}

bool SetFsRedirectionSuspended(bool suspend) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return true;
    auto disable = reinterpret_cast<Wow64DisableFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    auto enable = reinterpret_cast<Wow64EnableFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64EnableWow64FsRedirection")));
    if (disable == nullptr || enable == nullptr) return true;
    if (suspend) {
        PVOID previous = nullptr;  // not kept: the switch back turns redirection on again
        disable(&previous);
    } else {
        enable(TRUE);
    }
    return true;
}

bool ListFolderEntries(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    if (folder.empty()) return false;
    std::string pattern = folder;
    if (pattern.back() != '\\' && pattern.back() != '/') pattern.push_back('\\');
    pattern += "*";
    const std::string base = pattern.substr(0, pattern.size() - 1);
    WIN32_FIND_DATAA fa{};
    HANDLE h = FindFirstFileA(pattern.c_str(), &fa);
    if (h == INVALID_HANDLE_VALUE) return false;
    do {
        FolderEntry e{std::string(fa.cFileName, strnlen(fa.cFileName, MAX_PATH)), fa.dwFileAttributes};
        // The find data carries the reparse tag in its first reserved word.
        e.link = IsLinkEntry(fa.dwFileAttributes, fa.dwReserved0, [&] {
            // A folder where a volume is mounted names that volume; a junction does not.
            char volume[64] = {};
            return GetVolumeNameForVolumeMountPointA((base + e.name + "\\").c_str(), volume, sizeof volume) != FALSE;
        });
        entries.push_back(std::move(e));
    } while (FindNextFileA(h, &fa));
    FindClose(h);
    return true;
}

std::string GetSpecialFolderPath(int csidl) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || list == nullptr) return {};
    char path[MAX_PATH] = {};
    BOOL ok = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    if (!ok) return {};
    return std::string(path, strnlen(path, MAX_PATH));
}

std::string GetExecutablePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            return WideToAnsiPath(buf);
        }
        if (buf.size() >= 32768) return {};
        buf.resize(buf.size() * 2);
    }
}

std::wstring AnsiToWide(std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string WideToAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool DeleteFileWide(const std::wstring& path) {
    if (!WideApiAvailable()) return DeleteFileA(WideToAnsi(path).c_str()) != FALSE;
    return DeleteFileW(path.c_str()) != FALSE;
}

bool RemoveDirectoryWide(const std::wstring& path) {
    // A junction or folder link is removed itself; its target is not touched.
    if (!WideApiAvailable()) return RemoveDirectoryA(WideToAnsi(path).c_str()) != FALSE;
    return RemoveDirectoryW(path.c_str()) != FALSE;
}

bool SetFileAttributesWide(const std::wstring& path, std::uint32_t attributes) {
    if (!WideApiAvailable()) return SetFileAttributesA(WideToAnsi(path).c_str(), attributes) != FALSE;
    return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

std::string ResolvedPath(const std::string& path) {
    if (path.empty()) return {};
    char full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string out(full, n);
    if (GetFileAttributesA(out.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    while (out.size() > 3 && (out.back() == '\\' || out.back() == '/')) out.pop_back();
    return out;
}

std::string GetHomeFolderPath() {
    constexpr int kCsidlProfile = 40;
    return GetSpecialFolderPath(kCsidlProfile);
}

std::string GetVirtualStoreRoot() {
    constexpr int kCsidlLocalAppData = 28;
    const std::string local = GetSpecialFolderPath(kCsidlLocalAppData);
    return local.empty() ? std::string() : local + "\\VirtualStore\\";
}

namespace {

// The full path of a folder in wide form, "/" as "\\", without trailing separators but a root's.
std::wstring FullFolderPath(const std::string& path) {
    const std::wstring wide = AnsiToWide(path);
    const DWORD need = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (need == 0 || need > 32768) return {};
    std::wstring full(need, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
    if (got == 0 || got >= need) return {};
    full.resize(got);
    for (wchar_t& c : full)
        if (c == L'/') c = L'\\';
    // A short (8.3) name and its long name are the same folder.
    const DWORD long_need = GetLongPathNameW(full.c_str(), nullptr, 0);
    if (long_need > 0 && long_need <= 32768) {
        std::wstring longer(long_need, L'\0');
        const DWORD long_got = GetLongPathNameW(full.c_str(), longer.data(), long_need);
        if (long_got > 0 && long_got < long_need) full.assign(longer.data(), long_got);
    }
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    return full;
}

bool FolderIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return ok != FALSE && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool IsSameFolder(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    const std::wstring fa = FullFolderPath(a), fb = FullFolderPath(b);
    if (fa.empty() || fb.empty()) return false;
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    const bool has_a = FolderIdentity(fa, ia), has_b = FolderIdentity(fb, ib);
    if (!has_a || !has_b) return false;
    if (ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
        ia.nFileIndexLow == ib.nFileIndexLow && (ia.nFileIndexHigh | ia.nFileIndexLow) != 0)
        return true;
    // Some file systems give no stable index; the names then decide, compared as NTFS does.
    return fa.size() <= static_cast<std::size_t>(INT_MAX) && fb.size() <= static_cast<std::size_t>(INT_MAX) &&
           CompareStringOrdinal(fa.c_str(), static_cast<int>(fa.size()), fb.c_str(), static_cast<int>(fb.size()),
                                TRUE) == CSTR_EQUAL;
}

}  // namespace vanto::platform
