// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "productinfo/uninstall_lookups.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_facts.h"
#include "support/U_Version.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;

using Visit = std::function<void(const RegKey& entry, const std::string& display_name)>;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Calls `visit` for every entry of one uninstall key that opens and has a string display
// name, in the registry's order.
void Walk(RegRoot root, const std::string& view, const Visit& visit) {
    // A 32-bit copy on 64-bit Windows asks for the 64-bit view explicitly; its 32-bit pass
    // names "Wow6432Node" in the path instead.
    const RegView access = platform::IsWow64() ? RegView::View64 : RegView::Native;
    const std::string key = "SOFTWARE\\" + view + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    std::vector<std::string> subkeys;
    {
        RegKey list;
        if (!list.Open(root, key, RegAccess::Read, access) || !list.GetSubKeyNames(subkeys)) return;
    }
    for (const std::string& sub : subkeys) {
        RegKey entry;
        if (!entry.Open(root, key + sub, RegAccess::Read, access)) continue;
        std::string display_name;
        if (!entry.ReadString("DisplayName", display_name)) continue;
        visit(entry, display_name);
    }
}

bool Newer(const std::string& candidate, const std::string& than) {
    return TOrvoVersion::Create(candidate).IsNewerThan(TOrvoVersion::Create(than));
}

void KeepNewest(std::string& result, const std::string& candidate) {
    if (Newer(candidate, result)) result = candidate;
}

enum class SecondPass { WhenNewer, WhenEmpty };

// `one` for the given view and, for callers of the native view in a 32-bit process on
// 64-bit Windows, once more for the 32-bit view.
std::string WithBothViews(const std::string& view, SecondPass rule,
                          const std::function<std::string(const std::string& view)>& one) {
    std::string result = one(view);
    if (!view.empty() || !platform::IsWow64()) return result;
    if (rule == SecondPass::WhenEmpty && !result.empty()) return result;
    const std::string second = one(kWow6432NodeView);
    if (rule == SecondPass::WhenEmpty || Newer(second, result)) result = second;
    return result;
}

std::string MachineThenUser(const std::function<std::string(RegRoot root)>& one) {
    std::string result = one(RegRoot::LocalMachine);
    if (result.empty()) result = one(RegRoot::CurrentUser);
    return result;
}

std::string WithSeparator(const std::string& folder) {
    if (folder.empty() || IsSeparator(folder.back())) return folder;
    char sep = platform::kPathSeparator;
    for (auto it = folder.rbegin(); it != folder.rend(); ++it) {
        if (IsSeparator(*it)) {
            sep = *it;
            break;
        }
    }
    return folder + sep;
}

bool SameFolder(const std::string& a, const std::string& b) {
    return !a.empty() && SameText(WithSeparator(a), WithSeparator(b));
}

// The folder part of a command or icon location such as "\"C:\App\app.exe\",0" or
// "C:\App\unins000.exe /S": the quoted path when it is quoted, up to its last separator.
std::string FolderOfCommand(const std::string& command) {
    std::string path = TrimText(command);
    if (!path.empty() && path.front() == '"') {
        const std::size_t close = path.find('"', 1);
        path = path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else {
        // Unquoted: the program ends at its ".exe", or before its first switch.
        const std::string lower = AsciiLowerCase(path);
        const std::size_t exe = lower.find(".exe");
        std::size_t end = exe != std::string::npos ? exe + 4 : std::min(path.find(" /"), path.find(" -"));
        if (end != std::string::npos) path.resize(end);
    }
    const std::size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

// Whether an entry belongs to `folder`: its install location, or where it has none, the
// folder of its icon (and, for the version lookup, of its uninstaller).
bool BelongsToFolder(const RegKey& entry, const std::string& folder, bool try_uninstaller) {
    std::string location;
    if (entry.ReadString("InstallLocation", location)) return SameFolder(location, folder);
    std::string icon;
    if (entry.ReadString("DisPlayIcon", icon) && SameFolder(FolderOfCommand(icon), folder)) return true;
    std::string uninstaller;
    return try_uninstaller && entry.ReadString("UninstallString", uninstaller) &&
           SameFolder(FolderOfCommand(uninstaller), folder);
}

std::string DisplayVersionOf(const RegKey& entry) {
    std::string version;
    if (!entry.ReadString("DisplayVersion", version)) return {};
    return StripVersionPrefix(version);
}

// The last run of digits and dots of a text, found from its end ("" when there is none).
std::string LastNumberRun(const std::string& text) {
    std::size_t end = text.size();
    auto in_run = [](char c) { return (c >= '0' && c <= '9') || c == '.'; };
    while (end > 0 && !in_run(text[end - 1])) --end;
    std::size_t start = end;
    while (start > 0 && in_run(text[start - 1])) --start;
    return text.substr(start, end - start);
}

std::string FirstPiece(const std::string& display_name) { return ExtractWord(display_name, 0, " -"); }

// A lookup of the machine's entries only, keeping the newest candidate `pick` gives.
std::string NewestOnMachine(const std::string& view,
                            const std::function<std::string(const RegKey&, const std::string&)>& pick) {
    return WithBothViews(view, SecondPass::WhenNewer, [&](const std::string& v) {
        std::string result;
        Walk(RegRoot::LocalMachine, v, [&](const RegKey& entry, const std::string& name) {
            KeepNewest(result, pick(entry, name));
        });
        return result;
    });
}

// A lookup of the machine's entries only, keeping the last candidate `pick` gives.
std::string LastOnMachine(const std::string& view,
                          const std::function<bool(const std::string& name, std::string& found)>& pick) {
    return WithBothViews(view, SecondPass::WhenNewer, [&](const std::string& v) {
        std::string result;
        Walk(RegRoot::LocalMachine, v, [&](const RegKey&, const std::string& name) {
            std::string found;
            if (pick(name, found)) result = std::move(found);
        });
        return result;
    });
}

// The value `read` gives for the last entry of `folder`, machine first, then user.
std::string LastForFolder(const std::string& folder, const std::string& view,
                          const std::function<bool(const RegKey&, const std::string&, std::string&)>& read) {
    return MachineThenUser([&](RegRoot root) {
        return WithBothViews(view, SecondPass::WhenEmpty, [&](const std::string& v) {
            std::string result;
            Walk(root, v, [&](const RegKey& entry, const std::string& name) {
                if (!BelongsToFolder(entry, folder, false)) return;
                std::string found;
                if (read(entry, name, found)) result = std::move(found);
            });
            return result;
        });
    });
}

}  // namespace

std::string StripVersionPrefix(const std::string& text) {
    std::string_view t = text;
    if (!t.empty() && (t.front() == 'v' || t.front() == 'V')) t.remove_prefix(1);
    return TrimText(t);
}

std::string FindUninstallVersion(const std::string& name, const std::string& view, const std::string& folder) {
    return MachineThenUser([&](RegRoot root) {
        return WithBothViews(view, SecondPass::WhenNewer, [&](const std::string& v) {
            std::string result;
            Walk(root, v, [&](const RegKey& entry, const std::string& display_name) {
                if (!TextContains(name, display_name)) return;
                if (!folder.empty() && !BelongsToFolder(entry, folder, true)) return;
                KeepNewest(result, DisplayVersionOf(entry));
            });
            return result;
        });
    });
}

std::string FindInstalledVersion(const std::string& name, const std::string& view) {
    return FindUninstallVersion(name, view, {});
}

std::string FindUninstallDisplayName(const std::string& folder, const std::string& view) {
    return LastForFolder(folder, view, [](const RegKey& entry, const std::string& name, std::string& found) {
        found = name;
        // Inno Setup appends the version to the display name; its icon group is the bare name.
        std::string group;
        if (entry.ReadString("Inno Setup: Icon Group", group) && !group.empty() && TextStartsWith(name, group)) {
            found = group;
        }
        return true;
    });
}

std::string FindUninstallPublisher(const std::string& folder, const std::string& view) {
    return LastForFolder(folder, view, [](const RegKey& entry, const std::string&, std::string& found) {
        return entry.ReadString("Publisher", found);
    });
}

std::string FindVersionInDisplayName(const std::string& prefix, const std::string& view) {
    return LastOnMachine(view, [&](const std::string& name, std::string& found) {
        if (!TextStartsWith(name, prefix)) return false;
        const int pieces = WordCount(name, " -");
        found = TrimText(ExtractWord(name, pieces - 1, " -"));
        return true;
    });
}

std::string FindVersionAfterFirstWord(const std::string& word, const std::string& view) {
    return LastOnMachine(view, [&](const std::string& name, std::string& found) {
        if (!SameText(FirstPiece(name), word)) return false;
        found = ExtractWord(name, 1, " -");
        return true;
    });
}

std::string FindNumberInDisplayName(const std::string& word, const std::string& view) {
    return NewestOnMachine(view, [&](const RegKey&, const std::string& name) {
        return SameText(FirstPiece(name), word) ? LastNumberRun(name) : std::string();
    });
}

std::string FindNumberByNameContains(const std::string& text, const std::string& view) {
    return NewestOnMachine(view, [&](const RegKey&, const std::string& name) {
        return TextContains(text, name) ? LastNumberRun(name) : std::string();
    });
}

std::string FindVersionByTwoWords(const std::string& a, const std::string& b, const std::string& view) {
    return NewestOnMachine(view, [&](const RegKey& entry, const std::string& name) {
        return TextContains(a, name) && TextContains(b, name) ? DisplayVersionOf(entry) : std::string();
    });
}

std::string FindVersionByWordWithout(const std::string& a, const std::string& b, const std::string& view) {
    return NewestOnMachine(view, [&](const RegKey& entry, const std::string& name) {
        return TextContains(a, name) && !TextContains(b, name) ? DisplayVersionOf(entry) : std::string();
    });
}

}  // namespace vanto
