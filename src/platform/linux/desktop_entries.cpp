// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/desktop_entries.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vanto::platform {

namespace {

constexpr std::string_view kEntryBlanks = " \t\r";

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

// A name is shown in a list cell: well-formed UTF-8 (no overlong forms, surrogates or code
// points past U+10FFFF), no control characters, and a sane length.
bool IsShowableText(std::string_view s) {
    constexpr std::size_t kMaxNameBytes = 1024;
    if (s.empty() || s.size() > kMaxNameBytes) return false;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F) return false;
            ++i;
            continue;
        }
        int more = 0;
        unsigned cp = 0;
        if (c >= 0xC2 && c <= 0xDF) more = 1, cp = c & 0x1Fu;
        else if (c >= 0xE0 && c <= 0xEF) more = 2, cp = c & 0x0Fu;
        else if (c >= 0xF0 && c <= 0xF4) more = 3, cp = c & 0x07u;
        else return false;
        if (i + static_cast<std::size_t>(more) >= s.size()) return false;  // cut off
        for (int k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3Fu);
        }
        if ((more == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        if (cp >= 0x80 && cp < 0xA0) return false;  // C1 controls
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

// A locale name's parts; the encoding is dropped, as the desktop-entry rules ask.
struct LocaleParts {
    std::string_view lang, country, modifier;
};

LocaleParts SplitLocale(std::string_view l) {
    LocaleParts p;
    if (const std::size_t at = l.find('@'); at != std::string_view::npos) {
        p.modifier = l.substr(at + 1);
        l = l.substr(0, at);
    }
    if (const std::size_t dot = l.find('.'); dot != std::string_view::npos) l = l.substr(0, dot);
    if (const std::size_t us = l.find('_'); us != std::string_view::npos) {
        p.country = l.substr(us + 1);
        l = l.substr(0, us);
    }
    p.lang = l;
    return p;
}

// How well a key's locale ("de_CH@euro") fits the wanted one: 4 for lang_COUNTRY@MODIFIER,
// 3 for lang_COUNTRY, 2 for lang@MODIFIER, 1 for lang, 0 when it does not fit.
int LocaleRank(std::string_view key_locale, const LocaleParts& want) {
    if (want.lang.empty()) return 0;
    const LocaleParts k = SplitLocale(key_locale);
    if (k.lang != want.lang) return 0;
    const bool country = !k.country.empty();
    const bool modifier = !k.modifier.empty();
    if (country && (want.country.empty() || k.country != want.country)) return 0;
    if (modifier && (want.modifier.empty() || k.modifier != want.modifier)) return 0;
    if (country && modifier) return 4;
    if (country) return 3;
    if (modifier) return 2;
    return 1;
}

}  // namespace

bool ParseDesktopEntry(std::string_view text, DesktopEntry& entry, std::string_view locale) {
    entry = {};
    bool found = false;
    bool in_group = false;
    bool have_type = false, have_exec = false, have_try = false, have_icon = false, have_hidden = false;
    bool have_flatpak = false, have_snap = false;
    // "C" and "POSIX" name no language: only plain Name fits them.
    const LocaleParts want = (locale == "C" || locale == "POSIX" || locale.starts_with("C.")) ? LocaleParts{}
                                                                                              : SplitLocale(locale);
    int name_rank = -1;  // of the name taken so far; -1 for none
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol), kEntryBlanks);
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
        const std::string_view key = Trim(line.substr(0, eq), kEntryBlanks);
        const std::string_view value = Trim(line.substr(eq + 1), kEntryBlanks);
        auto take = [&](bool& have, std::string& into) {
            if (have) return;
            have = true;
            into = UnescapeValue(value);
        };
        if (key.starts_with("Name")) {
            int rank = -1;
            if (key == "Name") {
                rank = 0;
            } else if (key.size() > 6 && key[4] == '[' && key.back() == ']') {
                rank = LocaleRank(key.substr(5, key.size() - 6), want);
                if (rank == 0) rank = -1;
            }
            if (rank <= name_rank) continue;
            std::string name = UnescapeValue(value);
            if (!IsShowableText(name)) {
                if (entry.name.empty()) entry.bad_name = true;
                continue;  // a damaged translation leaves the others
            }
            entry.bad_name = false;
            entry.name = std::move(name);
            name_rank = rank;
        } else if (key == "Type") take(have_type, entry.type);
        else if (key == "Exec") take(have_exec, entry.exec);
        else if (key == "TryExec") take(have_try, entry.try_exec);
        else if (key == "Icon") take(have_icon, entry.icon);
        else if (key == "X-Flatpak") take(have_flatpak, entry.flatpak);
        else if (key == "X-SnapInstanceName") take(have_snap, entry.snap);
        else if (key == "Hidden" && !have_hidden) {
            have_hidden = true;
            entry.hidden = value == "true";
        }
    }
    return found;
}

std::vector<std::string> ExecArguments(std::string_view exec) {
    std::vector<std::string> args = SplitArguments(exec);
    std::size_t i = 0;
    if (i < args.size() && (args[i] == "env" || args[i] == "/usr/bin/env")) {
        ++i;
        while (i < args.size() && (args[i].find('=') != std::string::npos || (!args[i].empty() && args[i][0] == '-'))) {
            // The options of env that take the next argument as their value.
            const bool takes_value = args[i] == "-u" || args[i] == "--unset" || args[i] == "-C" || args[i] == "--chdir";
            i += takes_value ? 2 : 1;
        }
        i = std::min(i, args.size());
    }
    args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(i));
    return args;
}

std::string ExecProgram(std::string_view exec) {
    const std::vector<std::string> args = ExecArguments(exec);
    if (args.empty() || args[0].empty() || args[0][0] == '%') return {};
    return args[0];
}

std::string MessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v != nullptr && *v != '\0') return v;
    }
    return {};
}

}  // namespace vanto::platform
