// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The parts of a freedesktop.org desktop entry that name a program and its icon, read from
// untrusted text: the [Desktop Entry] group's Type, Name (in the user's language), Exec,
// TryExec, Icon and Hidden keys, the application ids Flatpak and Snap write into the entries
// they export, and the program an Exec line runs. Pure functions, so they are tested on
// hand-made input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vanto::platform {

struct DesktopEntry {
    std::string type;      // "Application", "Link", ...
    std::string name;      // Name in the asked language, else plain Name; valid UTF-8, one line
    std::string exec;      // value escapes (\s \n \t \r \\) already undone
    std::string try_exec;
    std::string icon;      // an icon-theme name or an image file's full path
    std::string flatpak;   // X-Flatpak: the Flatpak application id of an exported entry
    std::string snap;      // X-SnapInstanceName: the snap of an exported entry
    bool hidden = false;   // "Hidden=true": the entry counts as deleted
    bool bad_name = false; // a Name key was there, but none could be shown (too long, not UTF-8)
};

// Reads the keys of the [Desktop Entry] group; the first occurrence of a key wins. Only Name
// is read in a language: `locale` is a POSIX locale name (lang_COUNTRY.ENCODING@MODIFIER, as
// in LC_MESSAGES) and the best of Name[lang_COUNTRY@MODIFIER], Name[lang_COUNTRY],
// Name[lang@MODIFIER], Name[lang] is taken, else Name. A name that is not valid UTF-8 or
// holds a control character counts as absent. False when the text has no such group.
bool ParseDesktopEntry(std::string_view text, DesktopEntry& entry, std::string_view locale = {});

// The arguments of an Exec value with the quoting undone, from the program on: an "env"
// prefix and its options and NAME=value assignments are left out.
std::vector<std::string> ExecArguments(std::string_view exec);

// The program an Exec value runs: its first argument with the quoting undone, after an
// "env" prefix and its NAME=value assignments. Empty when there is none or the first
// argument is a field code such as %U.
std::string ExecProgram(std::string_view exec);

// The user's language for messages: the first of LC_ALL, LC_MESSAGES and LANG that is set
// and not empty.
std::string MessagesLocale();

}  // namespace vanto::platform
