// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/hive_text.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace vanto::platform::linux_backend {

namespace {

constexpr const char* kHiveHeader = "REGEDIT4";

// Blanks of hive text: spaces and tabs, and at the end also the CR of a CRLF line.
std::string_view TrimView(std::string_view s) { return TrimEnd(TrimStart(s, " \t"), " \t\r"); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses a quoted text starting at s[pos] == '"'; only \\ and \" are escapes. On success pos
// is just past the closing quote.
bool ParseQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\') {
            if (pos >= s.size() || (s[pos] != '\\' && s[pos] != '"')) return false;
            out.push_back(s[pos++]);
        } else {
            out.push_back(c);
        }
    }
    return false;
}

bool ParseHexList(std::string_view list, std::string& out) {
    out.clear();
    list = TrimView(list);
    if (list.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = list.find(',', start);
        std::string_view item = TrimView(list.substr(start, comma == std::string_view::npos ? list.size() - start : comma - start));
        if (item.empty() || item.size() > 2) return false;
        int value = 0;
        for (char c : item) {
            int d = HexDigit(c);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        out.push_back(static_cast<char>(value));
        if (out.size() > kRegMaxValueSize) return false;
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

}  // namespace

bool ValidKeyName(const std::string& name) {
    if (name.empty() || name.size() > kRegMaxKeyNameLength) return false;
    for (char c : name) {
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

bool ValidValueName(const std::string& name) {
    if (name.size() > kRegMaxValueNameLength) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

ParseOutcome ParseHive(std::string_view text, const char* root_name) {
    ParseOutcome result;
    auto root = std::make_unique<KeyNode>();
    root->name = root_name;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }

    auto fail = [&](std::size_t line, const std::string& why) {
        result.error = "line " + std::to_string(line + 1) + ": " + why;
        return std::move(result);
    };

    bool header_seen = false;
    KeyNode* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = TrimView(lines[i]);
        if (line.empty()) continue;
        if (!header_seen) {
            if (line != kHiveHeader) return fail(i, "the file does not start with REGEDIT4");
            header_seen = true;
            continue;
        }
        if (line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) return fail(i, "unterminated key line");
            std::string_view inner = line.substr(1, line.size() - 2);
            if (inner.front() == '-') return fail(i, "key deletions are not allowed in a hive");
            std::size_t depth = 0;
            KeyNode* node = nullptr;
            std::size_t start = 0;
            for (;;) {
                std::size_t bs = inner.find('\\', start);
                std::string part(inner.substr(start, bs == std::string_view::npos ? inner.size() - start : bs - start));
                if (node == nullptr) {
                    if (!EqualsNoCase(part, root_name)) return fail(i, "key outside " + std::string(root_name));
                    node = root.get();
                } else {
                    if (!ValidKeyName(part) || ++depth > kMaxKeyDepth) return fail(i, "invalid key name");
                    node = &node->ChildOrNew(part);
                }
                if (bs == std::string_view::npos) break;
                start = bs + 1;
            }
            current = node;
            continue;
        }

        // A value line: @=data or "name"=data.
        if (current == nullptr) return fail(i, "value outside any key");
        std::size_t pos = 0;
        std::string name;
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() == '"') {
            if (!ParseQuoted(line, pos, name)) return fail(i, "bad value name");
            if (!ValidValueName(name)) return fail(i, "invalid value name");
        } else {
            return fail(i, "unrecognised line");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') return fail(i, "missing '='");
        std::string_view data = TrimView(line.substr(pos + 1));

        RegValue value;
        if (!data.empty() && data.front() == '"') {
            std::size_t p = 0;
            std::string s;
            if (!ParseQuoted(data, p, s) || !TrimView(data.substr(p)).empty()) return fail(i, "bad string");
            value = RegValue::String(s);
        } else if (data.substr(0, 6) == "dword:") {
            std::string_view digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) return fail(i, "bad dword");
            std::uint32_t n = 0;
            for (char c : digits) {
                int d = HexDigit(c);
                if (d < 0) return fail(i, "bad dword");
                n = n * 16 + static_cast<std::uint32_t>(d);
            }
            value = RegValue::Dword(n);
        } else if (data.substr(0, 3) == "hex") {
            std::uint32_t type = kRegBinary;
            std::size_t p = 3;
            if (p < data.size() && data[p] == '(') {
                std::size_t close = data.find(')', p);
                if (close == std::string_view::npos || close == p + 1 || close - p - 1 > 8) return fail(i, "bad type");
                type = 0;
                for (std::size_t k = p + 1; k < close; ++k) {
                    int d = HexDigit(data[k]);
                    if (d < 0) return fail(i, "bad type");
                    type = type * 16 + static_cast<std::uint32_t>(d);
                }
                p = close + 1;
            }
            if (p >= data.size() || data[p] != ':') return fail(i, "bad hex value");
            std::string hex(data.substr(p + 1));
            // A trailing backslash continues the byte list on the next line.
            while (!hex.empty() && hex.back() == '\\') {
                hex.pop_back();
                if (i + 1 >= lines.size()) return fail(i, "continuation at end of file");
                hex += std::string(TrimView(lines[++i]));
                if (hex.size() > 3 * kRegMaxValueSize + 16) return fail(i, "value too large");
            }
            value.type = type;
            if (!ParseHexList(hex, value.data)) return fail(i, "bad hex bytes");
        } else {
            return fail(i, "unrecognised value data");
        }
        current->SetValue(name, value);
    }
    result.root = std::move(root);
    return result;
}

namespace {

void AppendQuoted(std::string& out, const std::string& s) {
    out.push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// A REG_SZ whose text can stand between quotes: one terminating NUL and no control bytes.
bool PlainString(const RegValue& v) {
    if (v.type != kRegSz || v.data.empty() || v.data.back() != '\0') return false;
    for (std::size_t i = 0; i + 1 < v.data.size(); ++i) {
        if (static_cast<unsigned char>(v.data[i]) < 0x20) return false;
    }
    return true;
}

void AppendValue(std::string& out, const NamedValue& nv) {
    static const char* kHex = "0123456789abcdef";
    if (nv.name.empty()) {
        out.push_back('@');
    } else {
        AppendQuoted(out, nv.name);
    }
    out.push_back('=');
    const RegValue& v = nv.value;
    if (PlainString(v)) {
        AppendQuoted(out, v.data.substr(0, v.data.size() - 1));
    } else if (v.type == kRegDword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
        out += buf;
    } else {
        if (v.type == kRegBinary) {
            out += "hex:";
        } else {
            char buf[24];
            std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
            out += buf;
        }
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            auto b = static_cast<unsigned char>(v.data[i]);
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
            if (i + 1 < v.data.size()) {
                out.push_back(',');
                if ((i + 1) % 25 == 0) out += "\\\n  ";
            }
        }
    }
    out.push_back('\n');
}

// `path` is one buffer for the whole walk: each level appends its name and takes it off again.
bool AppendKey(std::string& out, const KeyNode& node, std::string& path, bool is_root, std::size_t limit) {
    if (!is_root || !node.values.empty()) {
        if (out.size() + path.size() + 3 > limit) return false;
        out += '[';
        out += path;
        out += "]\n";
        for (const auto& v : node.values) {
            AppendValue(out, v);
            if (out.size() > limit) return false;
        }
        out.push_back('\n');
    }
    for (const auto& [name, child] : node.subkeys) {
        const std::size_t before = path.size();
        path += '\\';
        path += child->name;
        const bool ok = AppendKey(out, *child, path, false, limit);
        path.resize(before);
        if (!ok) return false;
    }
    return out.size() <= limit;
}

}  // namespace

bool SerializeHive(const KeyNode& root, const char* root_name, std::size_t limit, std::string& out) {
    out = std::string(kHiveHeader) + "\n\n";
    std::string path = root_name;
    if (AppendKey(out, root, path, true, limit)) return true;
    out.clear();
    out.shrink_to_fit();
    return false;
}

std::string SerializeHive(const KeyNode& root, const char* root_name) {
    std::string out;
    SerializeHive(root, root_name, std::string::npos, out);
    return out;
}

}  // namespace vanto::platform::linux_backend
