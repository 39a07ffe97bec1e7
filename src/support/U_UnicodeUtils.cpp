// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/U_UnicodeUtils.h"

#include "platform/build_info.h"
#include "support/pe_version_reader.h"
#include "support/text_utils.h"

#include <string_view>

namespace vanto {

namespace {

// Deeper folders than this are not searched: no real tree needs it, and a search must not
// exhaust a worker thread's stack.
constexpr int kMaxSearchDepth = 256;

using platform::IsPathSeparator;

std::string WithSeparator(const std::string& folder) {
    if (!folder.empty() && IsPathSeparator(folder.back())) return folder;
    return folder + platform::kPathSeparator;
}

// Redirection is off for the lifetime of one search level, on again when it ends.
class RedirectionOff {
public:
    RedirectionOff() { SuspendFsRedirection(true); }
    ~RedirectionOff() { SuspendFsRedirection(false); }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;
};

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// Calls `visit(full_path, entry)` for each entry of the folder except "." and "..", in
// enumeration order. Nothing for an empty folder name or a folder that cannot be read.
template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
    if (folder.empty()) return;
    std::string base = WithSeparator(folder);
    std::vector<platform::FolderEntry> entries;
    if (!platform::ListFolderEntries(base, entries)) return;
    for (const auto& e : entries) {
        if (IsDotEntry(e.name)) continue;
        visit(base + e.name, e);
    }
}

// A folder the recursive searches enter: a real folder, not a link to one.
bool Descendable(const std::string& full, const platform::FolderEntry& e) {
    return !e.link && DirectoryExistsWide(platform::AnsiToWide(full));
}

void FindByExt(const std::string& folder, const std::string& ext, std::vector<std::string>& list, int depth) {
    RedirectionOff off;
    ForEachEntry(folder, [&](const std::string& full, const platform::FolderEntry& e) {
        if (DirectoryExistsWide(platform::AnsiToWide(full))) {
            if (Descendable(full, e) && depth < kMaxSearchDepth) FindByExt(full, ext, list, depth + 1);
            return;
        }
        // A name without a dot has the empty extension.
        const auto dot = e.name.find_last_of('.');
        const std::string_view extension =
            dot == std::string::npos ? std::string_view() : std::string_view(e.name).substr(dot);
        if (SameText(extension, ext)) list.push_back(full);
    });
}

void FindNamedRecursive(const std::string& folder, const std::string& name, std::vector<std::string>& list, int depth) {
    RedirectionOff off;
    ForEachEntry(folder, [&](const std::string& full, const platform::FolderEntry& e) {
        if (DirectoryExistsWide(platform::AnsiToWide(full))) {
            if (Descendable(full, e) && depth < kMaxSearchDepth) FindNamedRecursive(full, name, list, depth + 1);
            return;
        }
        if (SameText(e.name, name)) list.push_back(full);
    });
}

}  // namespace

bool WideApiAvailable() { return platform::WideApiAvailable(); }

FindHandle FindFirstFileWide(const std::wstring& path, FindData& data) { return platform::FindFirstWide(path, data); }

bool FileExistsWide(const std::wstring& path) {
    FindData data;
    FindHandle h = FindFirstFileWide(path, data);
    return h.IsValid() && (data.attributes & (platform::kAttrDirectory | platform::kAttrDevice)) == 0;
}

bool DirectoryExistsWide(const std::wstring& path) {
    bool drive_form = (path.size() == 2 && path[1] == L':') || (path.size() == 3 && path[1] == L':' && path[2] == L'\\');
    if (drive_form) return platform::DriveMounted(path[0]);
    // A find-first does not take a trailing separator; the folder is the same without it.
    std::wstring p = path;
    while (p.size() > 1 && IsPathSeparator(p.back())) p.pop_back();
    FindData data;
    FindHandle h = FindFirstFileWide(p, data);
    return h.IsValid() && (data.attributes & platform::kAttrDirectory) != 0;
}

bool CreateDirectoryWide(const std::wstring& path) { return platform::CreateDirectoryWide(path); }

bool SuspendFsRedirection(bool suspend) { return platform::SetFsRedirectionSuspended(suspend); }

std::uint64_t GetFileSize64(const std::wstring& path) {
    std::uint64_t size = 0;
    if (platform::GetFileAttributesSize(path, size)) return size;
    FindData data;
    FindHandle h = FindFirstFileWide(path, data);
    return h.IsValid() ? data.size : 0;
}

bool FileExistsNotEmpty(const std::wstring& path) {
    SuspendFsRedirection(true);
    bool result = FileExistsWide(path) && GetFileSize64(path) > 0;
    SuspendFsRedirection(false);
    return result;
}

std::wstring GetFileVersionText(const std::wstring& path) {
    if (!FileExistsWide(path)) return L"File not found";
    std::uint32_t ms = 0;
    std::uint32_t ls = 0;
    // By the wide path itself: narrowed to the code page, a name it cannot hold opens nothing.
    if (!ReadFixedFileVersion(path, ms, ls)) return {};
    return std::to_wstring(ms >> 16) + L"." + std::to_wstring(ms & 0xFFFFu) + L"." + std::to_wstring(ls >> 16) + L"." +
           std::to_wstring(ls & 0xFFFFu);
}

std::string GetFileVersionText(const std::string& path) {
    return platform::WideToAnsi(GetFileVersionText(platform::AnsiToWide(path)));
}

std::string GetSpecialFolder(int csidl) { return platform::GetSpecialFolderPath(csidl); }

std::string GetUserDataFolder(const std::string& exe_path, const std::string& title) {
    std::string fallback;
    for (std::size_t i = exe_path.size(); i > 0; --i) {
        if (IsPathSeparator(exe_path[i - 1])) {
            fallback = exe_path.substr(0, i);
            break;
        }
    }
    // The title names one folder inside the maker's; anything else would lead elsewhere.
    if (title.empty() || title == "." || title == ".." || title.find_first_of("/\\") != std::string::npos) {
        return fallback;
    }
    std::string appdata = GetSpecialFolder(kCsidlAppData);
    if (appdata.empty()) return fallback;
    std::string maker = WithSeparator(appdata) + build::kCompanyName;
    CreateDirectoryWide(platform::AnsiToWide(maker));  // an existing folder is fine
    std::string folder = maker + platform::kPathSeparator + title;
    CreateDirectoryWide(platform::AnsiToWide(folder));
    if (!DirectoryExistsWide(platform::AnsiToWide(folder))) return fallback;
    return folder + platform::kPathSeparator;
}

void FindFilesByExt(const std::string& folder, const std::string& ext, std::vector<std::string>& list) {
    FindByExt(folder, ext, list, 0);
}

void ListFiles(const std::string& folder, std::vector<std::string>& list) {
    RedirectionOff off;
    ForEachEntry(folder, [&](const std::string& full, const platform::FolderEntry&) {
        if (FileExistsWide(platform::AnsiToWide(full))) list.push_back(full);
    });
}

void ListFolders(const std::string& folder, std::vector<std::string>& list) {
    RedirectionOff off;
    ForEachEntry(folder, [&](const std::string& full, const platform::FolderEntry&) {
        if (DirectoryExistsWide(platform::AnsiToWide(full))) list.push_back(full);
    });
}

void FindFilesNamed(const std::string& folder, const std::string& name, std::vector<std::string>& list) {
    RedirectionOff off;
    ForEachEntry(folder, [&](const std::string& full, const platform::FolderEntry& e) {
        if (SameText(e.name, name) && FileExistsWide(platform::AnsiToWide(full))) list.push_back(full);
    });
}

void FindFilesNamedRecursive(const std::string& folder, const std::string& name, std::vector<std::string>& list) {
    FindNamedRecursive(folder, name, list, 0);
}

}  // namespace vanto
