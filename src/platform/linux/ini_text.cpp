// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/ini_text.h"

#include <utility>

namespace vanto::platform::linux_backend {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string Trim(std::string_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

Line Classify(std::string text, bool in_section) {
    Line line;
    line.text = std::move(text);
    std::string trimmed = Trim(line.text);
    if (trimmed.empty() || trimmed.front() == ';') return line;
    if (trimmed.front() == '[') {
        std::size_t close = trimmed.find(']');
        line.kind = LineKind::Section;
        line.name = Trim(std::string_view(trimmed).substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return line;
    }
    std::size_t eq = trimmed.find('=');
    if (!in_section || eq == std::string::npos) return line;
    line.name = Trim(std::string_view(trimmed).substr(0, eq));
    if (line.name.empty()) return line;
    line.kind = LineKind::Entry;
    line.value = Trim(std::string_view(trimmed).substr(eq + 1));
    return line;
}

IniText ParseIni(std::string_view content) {
    IniText ini;
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        ini.bom = true;
        content.remove_prefix(3);
    }
    std::size_t first_nl = content.find('\n');
    ini.crlf = first_nl != std::string_view::npos && first_nl > 0 && content[first_nl - 1] == '\r';
    bool in_section = false;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t nl = content.find('\n', start);
        std::string_view raw = content.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        const bool cr = !raw.empty() && raw.back() == '\r';
        if (cr) raw.remove_suffix(1);
        Line line = Classify(std::string(raw), in_section);
        // Each line keeps its own ending: a file of mixed endings is written back as it was.
        line.eol = cr ? 1 : 0;
        if (line.kind == LineKind::Section) in_section = true;
        ini.lines.push_back(std::move(line));
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return ini;
}

std::string RenderIni(const IniText& ini) {
    std::string out = ini.bom ? "\xEF\xBB\xBF" : "";
    for (const auto& line : ini.lines) {
        out += line.text;
        out += (line.eol < 0 ? ini.crlf : line.eol == 1) ? "\r\n" : "\n";
    }
    return out;
}

}  // namespace vanto::platform::linux_backend
