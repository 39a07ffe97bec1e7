// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Portable mode: the settings transfer between "settings.ini" beside the executable and the
// program's registry settings key, the removal of the key, of an emptied maker key and of
// the per-user data folder at close, and the VirtualStore clean-up. Whether the copy is
// installed at all is IsInstalled (uninstall_entries.h). Nothing here shows a message.
//
// The deletions never follow a symbolic link or junction (the link goes, its target stays),
// never leave the folder they were given, and refuse outright the executable's folder, any
// folder holding it, the home folder and a root.
#pragma once

#include <string>
#include <vector>

namespace vanto {

// The name of the program's settings key, and its settings file.
inline constexpr const char* kSettingsProduct = "Vantoscope";
inline constexpr const char* kSettingsFileName = "settings.ini";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kSettingsDwordSection = "Settings_DWORD";

// "SOFTWARE\Ombrevale\" + product under the current user.
std::string SettingsKeyPath(const std::string& product);

// Section "Settings" as string values, then "Settings_DWORD" as 32-bit integers (a text that is
// not a number reads as 0), into the settings key, created when absent. Values the file does
// not name stay. Nothing happens when the key does not open.
void ImportSettings(const std::string& product, const std::string& settings_file);

// Every string and 32-bit integer value of the settings key into the file's two sections, in
// the key's order, each section written at once; other types are skipped. A value the file
// cannot hold (a line break in its text, "=" in its name) is left out and its name added to
// `dropped`. False when the key does not open, a read fails, or the file cannot be written.
bool ExportSettings(const std::string& product, const std::string& settings_file,
                    std::vector<std::string>* dropped = nullptr);

// The settings key with everything below it.
void DeleteSettingsKey(const std::string& product);
// The maker key, only when it has neither subkeys nor values; then the user's settings store
// itself when nothing of anyone is left in it (platform::RemoveUserStoreIfEmpty).
void DeleteMakerKeyIfEmpty();

// Deletes the entries of `folder` matching "*." + mask (mask "*": every entry), folders
// matching it recursively with the same mask, then the folder itself when empty. Refuses (and
// deletes nothing) for a protected folder, judged against `exe_path`, and leaves every
// protected folder below it. Never follows a link, never enters another mount, and leaves
// a `folder` that is itself a link alone (platform::DeleteFolderTree). Always true.
bool DeleteFolderFiles(const std::string& folder, const std::string& mask);
bool DeleteFolderFiles(const std::string& folder, const std::string& mask, const std::string& exe_path);

// True for a folder no clean-up may touch: a root, the home folder or one holding it, the
// executable's folder or one holding it; also for a folder that does not resolve.
bool IsProtectedFolder(const std::string& folder, const std::string& exe_path);

// The maker's per-user data folder, when it holds no folder any more.
void RemoveMakerDataFolder();

// The program's VirtualStore folder (the per-user VirtualStore, then the executable's folder
// without its drive) cleaned of "*.SPK" entries, and returned, when it exists; otherwise
// empty. Always empty on a system without VirtualStore.
std::string CleanVirtualStore(const std::string& exe_folder);

}  // namespace vanto
