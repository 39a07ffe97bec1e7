// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// libFuzzer harness for desktop entries: the [Desktop Entry] keys of any text, and the
// program of its Exec line and of the text taken as an Exec line.
#include "platform/linux/desktop_entries.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vanto::platform;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DesktopEntry entry;
    std::size_t sum = 0;
    if (ParseDesktopEntry(text, entry)) {
        sum += ExecProgram(entry.exec).size() + ExecProgram(entry.try_exec).size();
        sum += entry.type.size() + entry.icon.size();
    }
    sum += ExecProgram(text).size();
    return sum == static_cast<std::size_t>(-1);
}
