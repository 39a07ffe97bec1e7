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
#include "platform/safe_files.h"
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

bool ExportSettings(const std::string& product, const std::string& settings_file, std::vector<std::string>* dropped) {
    RegKey key;
    if (!key.Create(RegRoot::CurrentUser, SettingsKeyPath(product), RegAccess::Read, RegView::View64)) return false;
    std::vector<std::string> names;
    if (!key.GetValueNames(names)) return false;
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::pair<std::string, std::string>> numbers;
    for (const std::string& name : names) {
        platform::RegValue value;
        if (!key.ReadValue(name, value)) return false;
        if (value.type == platform::kRegSz) {
            std::string text;
            if (!key.ReadString(name, text)) return false;
            texts.emplace_back(name, std::move(text));
        } else if (value.type == platform::kRegDword) {
            std::uint32_t number = 0;
            if (!key.ReadDword(name, number)) return false;
            numbers.emplace_back(name, std::to_string(static_cast<std::int32_t>(number)));
        }
    }
    // Each section is written at once; a value the file cannot hold (a line break, a name
    // with "=") is left out rather than keeping every other setting from going back.
    std::vector<std::string> refused;
    if (!platform::WriteProfileEntries(settings_file, kSettingsSection, texts, refused) ||
        !platform::WriteProfileEntries(settings_file, kSettingsDwordSection, numbers, refused))
        return false;
    if (dropped) *dropped = std::move(refused);
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
    // Through open folder handles, on the folder's own mount only; a folder that is itself a
    // link is left alone, and so is every protected folder met on the way.
    platform::DeleteFolderTree(WithoutTrailingSeparators(folder), "*." + mask,
                               [&exe_path](const std::string& path) { return IsProtectedFolder(path, exe_path); });
    return true;
}

bool DeleteFolderFiles(const std::string& folder, const std::string& mask) {
    return DeleteFolderFiles(folder, mask, platform::GetExecutablePath());
}

void RemoveMakerDataFolder() {
    const std::string appdata = GetSpecialFolder(kCsidlAppData);
    if (appdata.empty()) return;
    const std::string maker = appdata + platform::kPathSeparator + build::kCompanyName + platform::kPathSeparator;
    // A maker folder that is a link is someone's arrangement, not ours to remove.
    platform::FindData self;
    if (platform::FindHandle h = platform::FindFirstWide(platform::AnsiToWide(WithoutTrailingSeparators(maker)), self);
        !h.IsValid() || (self.attributes & platform::kAttrReparsePoint) != 0)
        return;
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
