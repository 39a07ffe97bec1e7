// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/portable_mode.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/build_info.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "support/U_UnicodeUtils.h"
#include "support/maker_key.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;


bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && IsSeparator(path.back()) && !(path.size() == 3 && path[1] == ':')) path.pop_back();
    return path;
}

// `inner` is `outer` or lies below it. Letters fold: a false match only protects more.
bool SameOrBelow(const std::string& inner, const std::string& outer) {
    if (inner.empty() || outer.empty()) return false;
    if (SameText(inner, outer)) return true;
    std::string prefix = outer;
    if (!IsSeparator(prefix.back())) prefix.push_back(platform::kPathSeparator);
    return inner.size() > prefix.size() && TextStartsWith(inner, prefix);
}

bool IsRoot(const std::string& resolved) {
    if (resolved.size() <= 1) return true;
    if (resolved.size() <= 3 && resolved[1] == ':') return true;  // "C:" and "C:\"
    // A network share's root, "\\server\share".
    if (resolved.rfind("\\\\", 0) == 0) {
        const auto share = resolved.find('\\', 2);
        return share == std::string::npos || resolved.find('\\', share + 1) == std::string::npos;
    }
    return false;
}

void DeleteEntries(const std::string& folder, const std::string& mask, const std::string& exe_path, int depth) {
    // Deeper than any real tree: a folder that keeps appearing below itself ends here.
    constexpr int kMaxDepth = 256;
    if (depth > kMaxDepth || IsProtectedFolder(folder, exe_path)) return;
    const std::string base = WithoutTrailingSeparators(folder);
    const std::wstring prefix = platform::AnsiToWide(base + platform::kPathSeparator);
    platform::FindData data;
    platform::FindHandle find = platform::FindFirstWide(prefix + platform::AnsiToWide("*." + mask), data);
    if (find.IsValid()) {
        do {
            const std::wstring& name = data.name;
            if (name.empty() || name == L"." || name == L".." || name.find_first_of(L"/\\") != std::wstring::npos)
                continue;
            const std::wstring path = prefix + name;
            const bool link = (data.attributes & platform::kAttrReparsePoint) != 0;
            const bool directory = (data.attributes & platform::kAttrDirectory) != 0;
            if (directory && link) {
                platform::RemoveDirectoryWide(path);  // the link only
            } else if (directory) {
                DeleteEntries(platform::WideToAnsi(path), mask, exe_path, depth + 1);
            } else {
                if (!link && data.attributes != platform::kAttrArchive)
                    platform::SetFileAttributesWide(path, platform::kAttrArchive);
                platform::DeleteFileWide(path);
            }
        } while (find.Next(data));
        find.Close();
    }
    platform::RemoveDirectoryWide(platform::AnsiToWide(base));  // fails while not empty
}

}  // namespace

std::string SettingsKeyPath(const std::string& product) { return MakerKeyPath() + "\\" + product; }

void ImportSettings(const std::string& product, const std::string& settings_file) {
    RegKey key;
    if (!key.Create(RegRoot::CurrentUser, SettingsKeyPath(product), RegAccess::ReadWrite)) return;
    // Read one entry at a time, written together: the file's order is kept, and the user hive
    // on Linux is replaced once rather than once per entry.
    std::vector<std::pair<std::string, platform::RegValue>> values;
    for (const std::string& name : platform::ReadProfileEntryNames(settings_file, kSettingsSection))
        values.emplace_back(name, platform::RegValue::String(
                                      platform::ReadProfileText(settings_file, kSettingsSection, name, "")));
    for (const std::string& name : platform::ReadProfileEntryNames(settings_file, kSettingsDwordSection)) {
        const std::int32_t value = platform::ReadProfileInteger(settings_file, kSettingsDwordSection, name, 0);
        values.emplace_back(name, platform::RegValue::Dword(static_cast<std::uint32_t>(value)));
    }
    key.WriteValues(values);
}

bool ExportSettings(const std::string& product, const std::string& settings_file) {
    RegKey key;
    if (!key.Create(RegRoot::CurrentUser, SettingsKeyPath(product), RegAccess::Read, RegView::View64)) return false;
    std::vector<std::string> names;
    if (!key.GetValueNames(names)) return false;
    for (const std::string& name : names) {
        platform::RegValue value;
        if (!key.ReadValue(name, value)) return false;
        if (value.type == platform::kRegSz) {
            std::string text;
            if (!key.ReadString(name, text) || !platform::WriteProfileText(settings_file, kSettingsSection, name, text))
                return false;
        } else if (value.type == platform::kRegDword) {
            std::uint32_t number = 0;
            if (!key.ReadDword(name, number) ||
                !platform::WriteProfileText(settings_file, kSettingsDwordSection, name,
                                            std::to_string(static_cast<std::int32_t>(number))))
                return false;
        }
    }
    return true;
}

void DeleteSettingsKey(const std::string& product) {
    platform::DeleteRegistryTree(RegRoot::CurrentUser, SettingsKeyPath(product));
}

void DeleteMakerKeyIfEmpty() {
    RegKey key;
    if (!key.Open(RegRoot::CurrentUser, MakerKeyPath(), RegAccess::Read)) return;
    std::size_t sub_keys = 0, values = 0;
    if (!key.QueryInfo(sub_keys, values) || sub_keys != 0 || values != 0) return;
    key.Close();
    platform::DeleteRegistryTree(RegRoot::CurrentUser, MakerKeyPath());
    // The last trace of a portable copy: a settings store that now holds nobody's key or value.
    platform::RemoveUserStoreIfEmpty();
}

bool IsProtectedFolder(const std::string& folder, const std::string& exe_path) {
    const std::string resolved = platform::ResolvedPath(WithoutTrailingSeparators(folder));
    if (resolved.empty() || IsRoot(resolved)) return true;
    const std::string home = platform::ResolvedPath(platform::GetHomeFolderPath());
    if (SameOrBelow(home, resolved)) return true;
    const std::string exe_folder = FolderWithSeparator(exe_path);
    if (!exe_folder.empty()) {
        const std::string exe_resolved = platform::ResolvedPath(WithoutTrailingSeparators(exe_folder));
        // An executable folder that cannot be resolved is judged by its path as given.
        if (SameOrBelow(exe_resolved.empty() ? WithoutTrailingSeparators(exe_folder) : exe_resolved, resolved))
            return true;
    }
    return false;
}

bool DeleteFolderFiles(const std::string& folder, const std::string& mask, const std::string& exe_path) {
    if (folder.empty() || mask.empty()) return true;
    // A folder that is itself a link: the link goes, the folder it names is not entered.
    platform::FindData self;
    const std::wstring wide = platform::AnsiToWide(WithoutTrailingSeparators(folder));
    if (platform::FindHandle h = platform::FindFirstWide(wide, self);
        h.IsValid() && (self.attributes & platform::kAttrReparsePoint) != 0) {
        if ((self.attributes & platform::kAttrDirectory) != 0) platform::RemoveDirectoryWide(wide);
        return true;
    }
    DeleteEntries(folder, mask, exe_path, 0);
    return true;
}

bool DeleteFolderFiles(const std::string& folder, const std::string& mask) {
    return DeleteFolderFiles(folder, mask, platform::GetExecutablePath());
}

void RemoveMakerDataFolder() {
    const std::string appdata = GetSpecialFolder(kCsidlAppData);
    if (appdata.empty()) return;
    const std::string maker = appdata + platform::kPathSeparator + build::kCompanyName + platform::kPathSeparator;
    std::vector<std::string> folders;
    ListFolders(maker, folders);
    if (folders.empty()) platform::RemoveDirectoryWide(platform::AnsiToWide(maker));
}

std::string CleanVirtualStore(const std::string& exe_folder) {
    const std::string root = platform::GetVirtualStoreRoot();
    if (root.empty() || exe_folder.size() < 3) return {};
    std::string folder = root + exe_folder.substr(3);
    if (!DirectoryExistsWide(platform::AnsiToWide(folder))) return {};
    DeleteFolderFiles(folder, "SPK");
    return folder;
}

}  // namespace vanto
