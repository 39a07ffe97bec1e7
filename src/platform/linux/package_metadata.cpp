// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/package_metadata.h"

#include "platform/ascii_text.h"

#include <cstdint>
#include <optional>

namespace vanto::platform {

namespace {

constexpr std::size_t kMaxDepth = 64;
constexpr std::size_t kMaxValueBytes = 256;

constexpr std::string_view kBlanks = " \t\r\n";

bool IsBlank(char c) { return kBlanks.find(c) != std::string_view::npos; }

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The five predefined entities and character references; anything else stays as written.
// Blank runs fold into one space, as a text node is shown.
std::string DecodeText(std::string_view s) {
    s = Trim(s, kBlanks);
    std::string out;
    for (std::size_t i = 0; i < s.size() && out.size() <= kMaxValueBytes; ++i) {
        const char c = s[i];
        if (IsBlank(c)) {
            if (out.empty() || out.back() != ' ') out += ' ';
            continue;
        }
        if (c != '&') {
            out += c;
            continue;
        }
        const std::size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += c;
            continue;
        }
        const std::string_view ent = s.substr(i + 1, semi - i - 1);
        std::optional<std::uint32_t> cp;
        if (ent == "amp") cp = '&';
        else if (ent == "lt") cp = '<';
        else if (ent == "gt") cp = '>';
        else if (ent == "quot") cp = '"';
        else if (ent == "apos") cp = '\'';
        else if (ent.size() > 1 && ent[0] == '#') {
            std::uint32_t v = 0;
            const bool hex = ent[1] == 'x' || ent[1] == 'X';
            bool ok = ent.size() > (hex ? 2u : 1u);
            for (std::size_t k = hex ? 2 : 1; ok && k < ent.size(); ++k) {
                const char d = ent[k];
                int digit = -1;
                if (d >= '0' && d <= '9') digit = d - '0';
                else if (hex && d >= 'a' && d <= 'f') digit = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F') digit = d - 'A' + 10;
                if (digit < 0) ok = false;
                else v = v * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
            }
            // No NUL, no control characters, no surrogates.
            if (ok && v >= 0x20 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF) && v != 0x7F) cp = v;
        }
        if (!cp) {
            out += c;
            continue;
        }
        AppendUtf8(out, *cp);
        i = semi;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (out.size() > kMaxValueBytes) out.clear();  // not a name or a version
    return out;
}

// The value of attribute `name` in the text of a start tag after its element name.
std::optional<std::string_view> Attribute(std::string_view attrs, std::string_view name) {
    std::size_t i = 0;
    while (i < attrs.size()) {
        while (i < attrs.size() && IsBlank(attrs[i])) ++i;
        const std::size_t key_start = i;
        while (i < attrs.size() && attrs[i] != '=' && !IsBlank(attrs[i])) ++i;
        const std::string_view key = attrs.substr(key_start, i - key_start);
        while (i < attrs.size() && IsBlank(attrs[i])) ++i;
        if (i >= attrs.size() || attrs[i] != '=') {
            if (key.empty()) ++i;
            continue;
        }
        ++i;
        while (i < attrs.size() && IsBlank(attrs[i])) ++i;
        if (i >= attrs.size() || (attrs[i] != '"' && attrs[i] != '\'')) return std::nullopt;
        const char quote = attrs[i++];
        const std::size_t end = attrs.find(quote, i);
        if (end == std::string_view::npos) return std::nullopt;
        if (key == name) return attrs.substr(i, end - i);
        i = end + 1;
    }
    return std::nullopt;
}

// Days since 1970-01-01 of a "YYYY-MM-DD..." date; nullopt for anything else.
std::optional<std::int64_t> DateDays(std::string_view d) {
    if (d.size() < 10 || d[4] != '-' || d[7] != '-') return std::nullopt;
    auto num = [&](std::size_t at, std::size_t len) -> int {
        int v = 0;
        for (std::size_t k = at; k < at + len; ++k) {
            if (d[k] < '0' || d[k] > '9') return -1;
            v = v * 10 + (d[k] - '0');
        }
        return v;
    };
    const int y = num(0, 4), m = num(5, 2), day = num(8, 2);
    if (y < 0 || m < 1 || m > 12 || day < 1 || day > 31) return std::nullopt;
    // Days from civil (proleptic Gregorian).
    const int yy = y - (m <= 2 ? 1 : 0);
    const int era = (yy >= 0 ? yy : yy - 399) / 400;
    const int yoe = yy - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<std::int64_t>(era) * 146097 + doe - 719468;
}

std::optional<std::int64_t> ReleaseTime(std::string_view attrs) {
    if (auto ts = Attribute(attrs, "timestamp")) {
        std::int64_t v = 0;
        if (ts->empty() || ts->size() > 12) return std::nullopt;
        for (char c : *ts) {
            if (c < '0' || c > '9') return std::nullopt;
            v = v * 10 + (c - '0');
        }
        return v;
    }
    if (auto date = Attribute(attrs, "date")) {
        if (auto days = DateDays(*date)) return *days * 86400;
    }
    return std::nullopt;
}

}  // namespace

bool ParseAppStreamComponent(std::string_view xml, AppStreamComponent& out) {
    out = {};
    struct Open {
        std::string_view name, attrs;
    };
    std::vector<Open> stack;  // open elements from the component down
    bool in_component = false;
    bool have_release = false;
    std::optional<std::int64_t> release_time;
    std::size_t i = 0;
    std::size_t text_start = 0;
    while (i < xml.size()) {
        const std::size_t lt = xml.find('<', i);
        if (lt == std::string_view::npos) break;
        if (xml.compare(lt, 4, "<!--") == 0 || xml.compare(lt, 9, "<![CDATA[") == 0) {
            const bool comment = xml.compare(lt, 4, "<!--") == 0;
            const std::size_t end = xml.find(comment ? "-->" : "]]>", lt);
            if (end == std::string_view::npos) break;
            i = end + 3;
            text_start = i;  // only the text after it counts
            continue;
        }
        const std::size_t gt = xml.find('>', lt);
        if (gt == std::string_view::npos) break;  // cut off
        const std::string_view text = xml.substr(text_start, lt - text_start);
        std::string_view tag = xml.substr(lt + 1, gt - lt - 1);
        i = gt + 1;
        text_start = i;
        if (tag.empty() || tag.front() == '?' || tag.front() == '!') continue;
        if (tag.front() == '/') {
            const std::string_view name = Trim(tag.substr(1), kBlanks);
            if (stack.empty() || stack.back().name != name) continue;  // a stray end tag
            const Open el = stack.back();
            const std::size_t depth = stack.size() - 1;  // 0 is the component itself
            const bool untranslated = !Attribute(el.attrs, "xml:lang");
            if (depth == 1 && name == "id" && out.id.empty()) out.id = DecodeText(text);
            if (depth == 1 && name == "launchable" && Attribute(el.attrs, "type") == "desktop-id") {
                std::string id = DecodeText(text);
                if (!id.empty()) out.desktop_ids.push_back(std::move(id));
            }
            if (depth == 1 && name == "developer_name" && untranslated && out.developer.empty())
                out.developer = DecodeText(text);
            if (depth == 2 && stack[1].name == "developer" && name == "name" && untranslated && out.developer.empty())
                out.developer = DecodeText(text);
            stack.pop_back();
            if (stack.empty()) return !out.id.empty();
            continue;
        }
        const bool self_closing = tag.back() == '/';
        if (self_closing) tag.remove_suffix(1);
        std::size_t name_end = 0;
        while (name_end < tag.size() && !IsBlank(tag[name_end])) ++name_end;
        const std::string_view name = tag.substr(0, name_end);
        const std::string_view attrs = tag.substr(name_end);
        if (!in_component) {
            // A catalogue wraps its components in <components>: look inside it.
            if (name != "component") continue;
            in_component = true;
        }
        const std::size_t depth = stack.size();
        if (depth == 2 && stack[1].name == "releases" && name == "release") {
            if (auto v = Attribute(attrs, "version")) {
                const auto t = ReleaseTime(attrs);
                // Newest by time; a release without one counts only while none had one.
                const bool newer = !have_release || (t && (!release_time || *t > *release_time));
                std::string version = DecodeText(*v);
                if (newer && !version.empty()) {
                    out.newest_release = std::move(version);
                    release_time = t;
                    have_release = true;
                }
            }
        }
        if (self_closing) {
            if (depth == 0) return !out.id.empty();
            continue;
        }
        if (stack.size() >= kMaxDepth) break;
        stack.push_back({name, attrs});
    }
    return in_component && !out.id.empty();
}

std::string UpstreamVersion(std::string_view v) {
    v = Trim(v, kBlanks);
    if (const std::size_t colon = v.find(':'); colon != std::string_view::npos) {
        bool digits = colon > 0;
        for (std::size_t k = 0; k < colon; ++k) digits = digits && v[k] >= '0' && v[k] <= '9';
        if (digits) v.remove_prefix(colon + 1);
    }
    if (const std::size_t dash = v.rfind('-'); dash != std::string_view::npos && dash > 0) v = v.substr(0, dash);
    return std::string(v);
}

void ParseDpkgStatus(std::string_view text,
                     const std::function<void(std::string_view, std::string_view, std::string_view)>& package) {
    std::string_view name, arch, version, status;
    auto flush = [&] {
        const bool gone = status.ends_with(" not-installed") || status.ends_with(" config-files");
        if (!name.empty() && !version.empty() && !gone) package(name, arch, version);
        name = arch = version = status = {};
    };
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (Trim(line, kBlanks).empty()) {
            flush();
            continue;
        }
        if (line.front() == ' ' || line.front() == '\t') continue;  // a continuation line
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, colon);
        const std::string_view value = Trim(line.substr(colon + 1), kBlanks);
        if (key == "Package") name = value;
        else if (key == "Architecture") arch = value;
        else if (key == "Version") version = value;
        else if (key == "Status") status = value;
    }
    flush();
}

std::string FlatpakHostPath(std::string_view sandbox_path, std::string_view info) {
    std::string_view key;
    std::string_view rest;
    if (sandbox_path.starts_with("/app/")) {
        key = "app-path";
        rest = sandbox_path.substr(4);
    } else if (sandbox_path.starts_with("/usr/")) {
        key = "runtime-path";
        rest = sandbox_path.substr(4);
    } else {
        return {};
    }
    if (rest.find("/../") != std::string_view::npos) return {};
    bool in_instance = false;
    while (!info.empty()) {
        const std::size_t eol = info.find('\n');
        const std::string_view line = Trim(info.substr(0, eol), kBlanks);
        info = eol == std::string_view::npos ? std::string_view{} : info.substr(eol + 1);
        if (line.starts_with('[')) {
            in_instance = line == "[Instance]";
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!in_instance || eq == std::string_view::npos || Trim(line.substr(0, eq), kBlanks) != key) continue;
        std::string_view folder = Trim(line.substr(eq + 1), kBlanks);
        while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
        if (folder.empty() || folder.front() != '/' || folder.find("/../") != std::string_view::npos) return {};
        return std::string(folder) + std::string(rest);
    }
    return {};
}

}  // namespace vanto::platform
