// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Read-only lookups in the operating system's list of installed programs: the highest
// installed version of a product, the display name or publisher registered for a folder,
// a version inside a display name. All walk the uninstall key of the machine (and, for some,
// of the user), skip what they cannot read and answer an empty text when nothing matches.
//
// `view` is the registry view prefix: empty for the native view, "Wow6432Node\" for the
// 32-bit view of 64-bit Windows. Callers pass it empty; a 32-bit copy on 64-bit Windows then
// makes a second pass over the 32-bit view by itself. Versions compare numerically
// (TOrvoVersion), so 10.0 is newer than 2.1, and the first of equal versions stays.
#pragma once

#include <string>

namespace vanto {

inline constexpr const char* kWow6432NodeView = "Wow6432Node\\";

// The highest "DisplayVersion" (without a leading "v") of the entries whose "DisplayName"
// contains `name` and, when `folder` is given, that belong to that folder. The machine's
// entries first; the user's only when the machine has none.
std::string FindUninstallVersion(const std::string& name, const std::string& view = {},
                                 const std::string& folder = {});
std::string FindInstalledVersion(const std::string& name, const std::string& view = {});

// The "DisplayName" (or, for an Inno Setup entry, its icon-group name) and the "Publisher"
// of the last entry registered for `folder`. The machine's entries first, then the user's.
std::string FindUninstallDisplayName(const std::string& folder, const std::string& view = {});
std::string FindUninstallPublisher(const std::string& folder, const std::string& view = {});

// Version texts inside the machine's display names:
// the last piece (space and "-" delimited) of names beginning with `prefix`;
std::string FindVersionInDisplayName(const std::string& prefix, const std::string& view = {});
// the second piece of names whose first piece is `word`;
std::string FindVersionAfterFirstWord(const std::string& word, const std::string& view = {});
// the newest last run of digits and dots of names whose first piece is `word`;
std::string FindNumberInDisplayName(const std::string& word, const std::string& view = {});
// the newest last run of digits and dots of names that contain `text`.
std::string FindNumberByNameContains(const std::string& text, const std::string& view = {});

// The highest "DisplayVersion" of the machine's entries whose display name contains both
// texts, or the first and not the second.
std::string FindVersionByTwoWords(const std::string& a, const std::string& b, const std::string& view = {});
std::string FindVersionByWordWithout(const std::string& a, const std::string& b, const std::string& view = {});

// `text` without a leading "v" or "V", trimmed.
std::string StripVersionPrefix(const std::string& text);

}  // namespace vanto
