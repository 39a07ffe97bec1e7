// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// libFuzzer harness for the profile (INI) reader: every section and entry of any text can be
// looked up, and the text written back reads as the same lines.
#include "platform/linux/ini_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vanto::platform::linux_backend;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IniText ini = ParseIni(text);
    std::size_t found = 0;
    std::string section;
    for (const Line& line : ini.lines) {
        if (line.kind == LineKind::Section) section = line.name;
        // A later section of the same name is not looked into, as on Windows: just look up.
        if (line.kind == LineKind::Entry && ini.FindEntry(section, line.name) != nullptr) ++found;
        if (line.kind == LineKind::Section && ini.FindSection(line.name) == ini.lines.size()) std::abort();
        found += line.value.size();
    }
    // Written back and read again, the same lines (line breaks become one style).
    const IniText again = ParseIni(RenderIni(ini));
    if (again.lines.size() != ini.lines.size()) std::abort();
    for (std::size_t i = 0; i < ini.lines.size(); ++i)
        if (again.lines[i].text != ini.lines[i].text || again.lines[i].kind != ini.lines[i].kind) std::abort();
    return found == static_cast<std::size_t>(-1);
}
