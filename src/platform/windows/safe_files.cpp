// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/safe_files.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/files.h"

namespace vanto::platform {

namespace {

bool WriteAll(HANDLE h, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = DWORD(std::min<std::size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(h, content.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

// Opens an entry itself (a link or junction is opened, not what it names) for reading its
// facts and for deleting it through the handle.
HANDLE OpenEntry(const std::wstring& path, DWORD access) {
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Deletes the entry at `path` when it is still the object `expected` describes (same volume
// and file index, still no link where there was none): the object is opened itself and
// deleted through that handle, so a name swapped since it was looked at cannot redirect it.
// Looking and deleting use separate handles because a handle holding delete access would
// keep the folder's own listing from opening.
bool DeleteIfSame(const std::wstring& path, const BY_HANDLE_FILE_INFORMATION& expected) {
    HANDLE h = OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION now{};
    bool ok = ::GetFileInformationByHandle(h, &now) && now.dwVolumeSerialNumber == expected.dwVolumeSerialNumber &&
              now.nFileIndexHigh == expected.nFileIndexHigh && now.nFileIndexLow == expected.nFileIndexLow &&
              (now.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ==
                  (expected.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (ok && (now.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = (now.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FILE_ATTRIBUTE_DIRECTORY
                                                                                 : FILE_ATTRIBUTE_ARCHIVE;
        ::SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
    }
    if (ok) {
        FILE_DISPOSITION_INFO info{};
        info.DeleteFile = TRUE;
        ok = ::SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof info) != FALSE;
    }
    ::CloseHandle(h);
    return ok;
}

bool Matches(const std::wstring& pattern, const std::wstring& name) {
    auto fold = [](wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; };
    std::size_t p = 0, n = 0, star = std::wstring::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || fold(pattern[p]) == fold(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

void CleanFolder(const std::wstring& path, DWORD volume, const std::wstring& pattern,
                 const std::function<bool(const std::string&)>& keep, int depth) {
    constexpr int kMaxDepth = 256;
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> names;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L".." || name.empty()) continue;
        if (Matches(pattern, name) || (data.cAlternateFileName[0] && Matches(pattern, data.cAlternateFileName)))
            names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);

    for (const std::wstring& name : names) {
        const std::wstring entry = path + L"\\" + name;
        HANDLE h = OpenEntry(entry, FILE_READ_ATTRIBUTES);
        if (h == INVALID_HANDLE_VALUE) continue;
        BY_HANDLE_FILE_INFORMATION info{};
        const bool known = ::GetFileInformationByHandle(h, &info) && info.dwVolumeSerialNumber == volume;
        ::CloseHandle(h);
        if (!known) continue;  // gone, or on another volume
        const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool reparse = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (reparse && folder) {
            // A junction or a folder link goes itself; a folder where a volume is mounted stays.
            wchar_t name_of_volume[64] = {};
            if (!::GetVolumeNameForVolumeMountPointW((entry + L"\\").c_str(), name_of_volume, 64))
                DeleteIfSame(entry, info);
            continue;
        }
        if (!folder) {
            DeleteIfSame(entry, info);
            continue;
        }
        if (depth >= kMaxDepth || (keep && keep(WideToAnsi(entry)))) continue;
        CleanFolder(entry, volume, pattern, keep, depth + 1);
        DeleteIfSame(entry, info);  // refused while not empty
    }
}

}  // namespace

std::string TemporaryNamePrefix(const std::string& file_name) { return "." + file_name + ".tmp-"; }

bool ReplaceFileContents(const std::string& path, const std::string& content) {
    const std::wstring target = AnsiToWide(path);
    const std::size_t sep = target.find_last_of(L"\\/");
    const std::wstring folder = sep == std::wstring::npos ? std::wstring() : target.substr(0, sep + 1);
    const std::wstring name = sep == std::wstring::npos ? target : target.substr(sep + 1);
    HANDLE h = INVALID_HANDLE_VALUE;
    std::wstring temp;
    for (unsigned attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t suffix[32];
        std::swprintf(suffix, 32, L"%06lx", (::GetCurrentProcessId() * 7919ul + ::GetTickCount() + attempt * 104729ul) & 0xFFFFFFul);
        temp = folder + L"." + name + L".tmp-" + suffix;
        h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(h, content) && ::FlushFileBuffers(h);
    ok = ::CloseHandle(h) && ok;
    // MoveFileEx replaces a link at the target, never the file it points at.
    if (!ok || !::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

int RemoveLeftoverTemporaryFiles(const std::string& folder, const std::vector<std::string>& file_names,
                                 std::uint32_t min_age_seconds) {
    std::wstring base = WithoutTrailingSeparators(AnsiToWide(folder));
    if (base.empty()) return 0;
    FILETIME now_ft{};
    ::GetSystemTimeAsFileTime(&now_ft);
    const std::uint64_t now = (std::uint64_t(now_ft.dwHighDateTime) << 32) | now_ft.dwLowDateTime;
    int removed = 0;
    for (const std::string& file : file_names) {
        const std::wstring prefix = AnsiToWide(TemporaryNamePrefix(file));
        WIN32_FIND_DATAW data{};
        HANDLE find = ::FindFirstFileW((base + L"\\" + prefix + L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) continue;
        std::vector<std::wstring> names;
        do {
            const std::wstring name = data.cFileName;
            if (name.size() <= prefix.size() || _wcsnicmp(name.c_str(), prefix.c_str(), prefix.size()) != 0) continue;
            if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
            const std::uint64_t written =
                (std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
            if (written > now || (now - written) / 10000000ull < min_age_seconds) continue;
            names.push_back(name);
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
        for (const std::wstring& name : names)
            if (::DeleteFileW((base + L"\\" + name).c_str())) ++removed;
    }
    return removed;
}

void DeleteFolderTree(const std::string& folder, const std::string& pattern,
                      const std::function<bool(const std::string&)>& keep) {
    const std::wstring base = WithoutTrailingSeparators(AnsiToWide(folder));
    if (base.empty()) return;
    HANDLE h = OpenEntry(base, FILE_READ_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = ::GetFileInformationByHandle(h, &info) != FALSE;
    ::CloseHandle(h);
    // A data folder that is itself a link or junction is left alone.
    if (!ok || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || (keep && keep(WideToAnsi(base))))
        return;
    CleanFolder(base, info.dwVolumeSerialNumber, AnsiToWide(pattern == "*.*" ? "*" : pattern), keep, 0);
    DeleteIfSame(base, info);
}

}  // namespace vanto::platform
