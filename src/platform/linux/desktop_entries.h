// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The parts of a freedesktop.org desktop entry that name a program and its icon, read from
// untrusted text: the [Desktop Entry] group's Type, Exec, TryExec, Icon and Hidden keys, and
// the program an Exec line runs. Pure functions, so they are tested on hand-made input.
#pragma once

#include <string>
#include <string_view>

namespace vanto::platform {

struct DesktopEntry {
    std::string type;      // "Application", "Link", ...
    std::string exec;      // value escapes (\s \n \t \r \\) already undone
    std::string try_exec;
    std::string icon;      // an icon-theme name or an image file's full path
    bool hidden = false;   // "Hidden=true": the entry counts as deleted
};

// Reads the keys of the [Desktop Entry] group; the first occurrence of a key wins and
// localised keys ("Icon[de]") are ignored. False when the text has no such group.
bool ParseDesktopEntry(std::string_view text, DesktopEntry& entry);

// The program an Exec value runs: its first argument with the quoting undone, after an
// "env" prefix and its NAME=value assignments. Empty when there is none or the first
// argument is a field code such as %U.
std::string ExecProgram(std::string_view exec);

}  // namespace vanto::platform
