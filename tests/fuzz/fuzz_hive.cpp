// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// libFuzzer harness for the REGEDIT4 hive reader: any text either fails to parse or parses
// into a tree whose written form parses again into the very same written form.
#include "platform/linux/hive_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vanto::platform::linux_backend;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ParseOutcome first = ParseHive(text, "HKEY_CURRENT_USER");
    if (!first.root) return 0;
    const std::string written = SerializeHive(*first.root, "HKEY_CURRENT_USER");
    ParseOutcome second = ParseHive(written, "HKEY_CURRENT_USER");
    if (!second.root) std::abort();  // what we write we must be able to read
    if (SerializeHive(*second.root, "HKEY_CURRENT_USER") != written) std::abort();
    return 0;
}
