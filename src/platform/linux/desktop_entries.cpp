// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/desktop_entries.h"

#include <vector>

namespace vanto::platform {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Escapes of the string value type; an unknown escape keeps its backslash.
std::string UnescapeValue(std::string_view v) {
    std::string out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        switch (v[++i]) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default:
            out += '\\';
            out += v[i];
        }
    }
    return out;
}

// Splits an Exec value into arguments: blanks separate them, double quotes group them, and
// inside quotes a backslash escapes the next character.
std::vector<std::string> SplitArguments(std::string_view exec) {
    std::vector<std::string> args;
    std::string current;
    bool in_arg = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                current += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (in_arg) args.push_back(std::move(current));
            current.clear();
            in_arg = false;
        } else if (c == '"') {
            quoted = true;
            in_arg = true;
        } else {
            current += c;
            in_arg = true;
        }
    }
    if (in_arg) args.push_back(std::move(current));
    return args;
}

}  // namespace

bool ParseDesktopEntry(std::string_view text, DesktopEntry& entry) {
    entry = {};
    bool found = false;
    bool in_group = false;
    bool have_type = false, have_exec = false, have_try = false, have_icon = false, have_hidden = false;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            in_group = line == "[Desktop Entry]";
            found = found || in_group;
            continue;
        }
        if (!in_group) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value = Trim(line.substr(eq + 1));
        auto take = [&](bool& have, std::string& into) {
            if (have) return;
            have = true;
            into = UnescapeValue(value);
        };
        if (key == "Type") take(have_type, entry.type);
        else if (key == "Exec") take(have_exec, entry.exec);
        else if (key == "TryExec") take(have_try, entry.try_exec);
        else if (key == "Icon") take(have_icon, entry.icon);
        else if (key == "Hidden" && !have_hidden) {
            have_hidden = true;
            entry.hidden = value == "true";
        }
    }
    return found;
}

std::string ExecProgram(std::string_view exec) {
    const std::vector<std::string> args = SplitArguments(exec);
    std::size_t i = 0;
    if (i < args.size() && (args[i] == "env" || args[i] == "/usr/bin/env")) {
        ++i;
        while (i < args.size() && (args[i].find('=') != std::string::npos || (!args[i].empty() && args[i][0] == '-')))
            ++i;
    }
    if (i >= args.size() || args[i].empty() || args[i][0] == '%') return {};
    return args[i];
}

}  // namespace vanto::platform
