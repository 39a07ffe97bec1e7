// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Files and folders: wide-path existence, size and version tests that look past the 32-bit
// file-system redirection, folder listings and searches, the shell's special folders and the
// per-user data folder. Nothing here raises or shows anything: failures come back as false,
// empty texts, zero sizes or unchanged lists.
//
// Searches take and return 8-bit paths, never clear the list they are given, append full
// paths (folder, separator, name) in the file system's enumeration order, depth first, and
// never descend into a folder that is a symbolic link or junction.
#pragma once

#include "platform/files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vanto {

using platform::FindData;
using platform::FindHandle;

// Whether the wide file functions are used (decided once per process).
bool WideApiAvailable();

FindHandle FindFirstFileWide(const std::wstring& path, FindData& data);
// A find-first on the path finds an entry that is not a folder.
bool FileExistsWide(const std::wstring& path);
// "X:" and "X:\" ask the drive; any other path: a find-first finds a folder. A trailing
// separator is dropped before the search, so "C:\Tools\" names the same folder as "C:\Tools"
// (a find-first alone would find nothing there and answer false): callers join folder
// paths both ways, and the answer should not depend on it.
bool DirectoryExistsWide(const std::wstring& path);
// One level, default security.
bool CreateDirectoryWide(const std::wstring& path);

// Turns the calling thread's file-system redirection off (true) or back on (false).
bool SuspendFsRedirection(bool suspend);
std::uint64_t GetFileSize64(const std::wstring& path);
// An existing file of more than 0 bytes, redirection suspended while testing.
bool FileExistsNotEmpty(const std::wstring& path);
// "File not found", the file version as "a.b.c.d", or empty when it has no readable version.
std::wstring GetFileVersionText(const std::wstring& path);
// The same for an 8-bit path, answering 8-bit text.
std::string GetFileVersionText(const std::string& path);

// CSIDL numbers of the folders this program asks for.
inline constexpr int kCsidlAppData = 26;
inline constexpr int kCsidlLocalAppData = 28;

std::string GetSpecialFolder(int csidl);
// The roaming application-data folder, "Ombrevale", then the title, created as needed, with a
// trailing separator; the executable's folder when that folder cannot be had.
std::string GetUserDataFolder(const std::string& exe_path, const std::string& title);

// Files whose extension (from the last ".", dot included; empty for a name without a dot)
// equals `ext`, ASCII case folded; recursive.
void FindFilesByExt(const std::string& folder, const std::string& ext, std::vector<std::string>& list);
// Files directly inside the folder.
void ListFiles(const std::string& folder, std::vector<std::string>& list);
// Folders directly inside the folder.
void ListFolders(const std::string& folder, std::vector<std::string>& list);
// Files directly inside the folder named `name`, ASCII case folded.
void FindFilesNamed(const std::string& folder, const std::string& name, std::vector<std::string>& list);
// Entries that are not folders named `name`, ASCII case folded; recursive.
void FindFilesNamedRecursive(const std::string& folder, const std::string& name, std::vector<std::string>& list);

}  // namespace vanto
