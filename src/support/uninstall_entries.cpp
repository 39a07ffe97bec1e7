// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/uninstall_entries.h"

#include <algorithm>
#include <utility>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_facts.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;

constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kUninstallParentKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
constexpr const char* kUninstallKey32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

const char* RootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
}

// One line of the names list, with the entry's "InstallLocation" (empty for a header line
// and for an entry without one).
struct EntryLine {
    std::string line;
    std::string location;
};

// One entry line per subkey of `key`: its string DisplayName, or the subkey's own name.
void ListEntries(RegRoot root, const std::string& key, const RegKey& opened, RegView view,
                 std::vector<EntryLine>& names, std::vector<std::string>& errors) {
    std::vector<std::string> subkeys;
    if (!opened.GetSubKeyNames(subkeys)) return;
    for (const std::string& sub : subkeys) {
        RegKey entry;
        if (!entry.Open(root, key + sub + "\\", RegAccess::Read, view)) {
            std::string error = "Unable to open ";
            error.append(RootName(root)).append(key).append(sub);
            errors.push_back(std::move(error));
            continue;
        }
        EntryLine line;
        if (!entry.ReadString("DisplayName", line.line)) line.line = sub;
        if (!entry.ReadString("InstallLocation", line.location)) line.location.clear();
        names.push_back(std::move(line));
    }
}

// Whether the user's uninstall key exists, asked of its parent: a key whose permissions refuse
// to open it still stands in its parent's list.
bool UserKeyExists(RegView view) {
    RegKey parent;
    std::vector<std::string> subkeys;
    if (!parent.Open(RegRoot::CurrentUser, kUninstallParentKey, RegAccess::Read, view) || !parent.GetSubKeyNames(subkeys)) {
        return false;
    }
    return std::any_of(subkeys.begin(), subkeys.end(), [](const std::string& name) { return SameText(name, "Uninstall"); });
}


void ReadUninstallEntries(std::vector<EntryLine>& names, std::vector<std::string>& errors) {
    names.clear();
    errors.clear();
    // A 32-bit copy on 64-bit Windows asks for the 64-bit view, so it sees what the system lists.
    const bool wow64 = platform::IsWow64();
    const RegView view = wow64 ? RegView::View64 : RegView::Native;

    {
        // The user's location counts only when it exists at all; one that exists but does not
        // open (its permissions refuse us) is listed and said, as the machine's are.
        RegKey key;
        const bool opened = key.Open(RegRoot::CurrentUser, kUninstallKey, RegAccess::Read, view);
        if (opened || UserKeyExists(view)) {
            names.push_back({std::string(RootName(RegRoot::CurrentUser)) + kUninstallKey, {}});
            if (opened) {
                ListEntries(RegRoot::CurrentUser, kUninstallKey, key, view, names, errors);
            } else {
                errors.push_back(std::string("Unable to open ") + RootName(RegRoot::CurrentUser) + kUninstallKey);
            }
        }
    }
    for (const char* path : {kUninstallKey, kUninstallKey32}) {
        names.push_back({std::string(RootName(RegRoot::LocalMachine)) + path, {}});
        RegKey key;
        if (!key.Open(RegRoot::LocalMachine, path, RegAccess::Read, view)) {
            // A 32-bit system has no 32-bit view to miss.
            if (path == kUninstallKey || wow64) {
                errors.push_back(std::string("Unable to open ") + RootName(RegRoot::LocalMachine) + path);
            }
            continue;
        }
        ListEntries(RegRoot::LocalMachine, path, key, view, names, errors);
    }
}

// The folder part of a path, either separator.
std::string FolderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return {};
    if (cut == 0 || (cut == 2 && path[1] == ':')) return path.substr(0, cut + 1);  // a root keeps its separator
    return path.substr(0, cut);
}

}  // namespace

void GetUninstallEntries(std::vector<std::string>& names, std::vector<std::string>& errors) {
    std::vector<EntryLine> lines;
    ReadUninstallEntries(lines, errors);
    names.clear();
    names.reserve(lines.size());
    for (EntryLine& l : lines) names.push_back(std::move(l.line));
}

bool IsInstalled(std::string_view prefix) {
    std::vector<std::string> names;
    std::vector<std::string> errors;
    GetUninstallEntries(names, errors);
    for (const std::string& line : names) {
        if (TextStartsWith(line, prefix)) return true;
    }
    return false;
}

bool IsInstalled(std::string_view prefix, const std::string& exe_path) {
    std::vector<EntryLine> lines;
    std::vector<std::string> errors;
    ReadUninstallEntries(lines, errors);
    const std::string folder = FolderOf(exe_path);
    for (const EntryLine& l : lines) {
        if (!TextStartsWith(l.line, prefix)) continue;
        // Installers may quote the location or end it with a separator; neither changes the folder.
        std::string location = l.location;
        if (location.size() >= 2 && location.front() == '"' && location.back() == '"')
            location = location.substr(1, location.size() - 2);
        if (location.empty()) return true;
        if (platform::IsSameFolder(location, folder)) return true;
    }
    return false;
}

}  // namespace vanto
