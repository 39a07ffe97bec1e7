// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// An INI file as lines (not a platform service): the parser of untrusted profile text, which
// classifies each line and keeps it as written, and the writer that gives back every line as it
// was, so a change of one entry leaves comments, blank lines and line breaks alone.
#pragma once

#include "platform/ascii_text.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::platform::linux_backend {

// `s` without blanks (spaces and tabs) at either end.
std::string Trim(std::string_view s);

enum class LineKind { Other, Section, Entry };

struct Line {
    std::string text;  // as in the file, without its line break
    LineKind kind = LineKind::Other;
    std::string name;   // section or entry name, trimmed
    std::string value;  // entry text, trimmed
    int eol = -1;       // 1: ended in CR LF, 0: in LF; -1 (a new line): the file's style
};

struct IniText {
    std::vector<Line> lines;
    bool crlf = false;
    bool bom = false;

    // Index of the first section of that name, or lines.size().
    std::size_t FindSection(const std::string& section) const {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind == LineKind::Section && EqualsNoCase(lines[i].name, section)) return i;
        }
        return lines.size();
    }
    std::size_t SectionEnd(std::size_t header) const {
        std::size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != LineKind::Section) ++i;
        return i;
    }
    const Line* FindEntry(const std::string& section, const std::string& entry) const {
        std::size_t header = FindSection(section);
        if (header == lines.size()) return nullptr;
        for (std::size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
            if (lines[i].kind == LineKind::Entry && EqualsNoCase(lines[i].name, entry)) return &lines[i];
        }
        return nullptr;
    }
};

// One line of the file, read as in a section (`in_section`) or before the first.
Line Classify(std::string text, bool in_section);
IniText ParseIni(std::string_view content);
std::string RenderIni(const IniText& ini);

}  // namespace vanto::platform::linux_backend
