// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The operating system's list of installed programs, as the installed-or-portable test
// reads it: every entry of the three uninstall locations (the user's, the machine's and the
// machine's 32-bit view), read only. A copy of this program is installed when one entry's
// display name begins with the maker and product name; otherwise it runs portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vanto {

// The display-name prefix of this program's own uninstall entry.
inline constexpr std::string_view kInstalledDisplayNamePrefix = "Ombrevale Vantoscope";

// Clears both lists, then fills `names` with, per location, its header line (the root and
// key path; the user's location only when it exists) and one line per entry: its string
// "DisplayName", or the entry's key name when it has none. `errors` gets one line per key
// that could not be opened. Nothing is ever written.
void GetUninstallEntries(std::vector<std::string>& names, std::vector<std::string>& errors);

// True when a line of the uninstall names list begins with `prefix` (ASCII case-insensitive).
bool IsInstalled(std::string_view prefix = kInstalledDisplayNamePrefix);

// Whether the copy at `exe_path` is the installed one: an entry matches `prefix` as above and
// either names no "InstallLocation" or names the folder that holds `exe_path` (compared as
// the file system compares folders). A copy run from elsewhere while the program is
// installed (a build folder, a USB stick) is therefore portable.
bool IsInstalled(std::string_view prefix, const std::string& exe_path);

}  // namespace vanto
