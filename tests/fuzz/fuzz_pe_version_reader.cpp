// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// libFuzzer harness for the version-resource reader: every input is read as a file image
// (PE, ELF or neither) and as a bare VS_VERSIONINFO block, and every result is queried.
#include "support/pe_version_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

constexpr const char* kKeys[] = {"FileDescription", "CompanyName",      "FileVersion", "InternalName",
                                 "LegalCopyright",  "OriginalFilename", "ProductName", "ProductVersion"};

// Touches every byte of the result so the sanitizers see any bad string.
std::size_t Exercise(const vanto::VersionResource& res) {
    std::size_t sum = res.fixed.fileVersionMS ^ res.fixed.fileVersionLS;
    for (const char* key : kKeys) sum += vanto::PrimaryVersionString(res, key).size();
    std::string value;
    // A few translations are enough: querying thousands of them per input only slows the fuzzer.
    const std::size_t translations = std::min<std::size_t>(res.translations.size(), 4);
    for (std::size_t i = 0; i < translations; ++i) {
        const auto& t = res.translations[i];
        const std::string prefix = "\\StringFileInfo\\" + vanto::TranslationKey(t) + "\\";
        for (const char* key : kKeys)
            if (vanto::VerQueryString(res, prefix + key, value)) sum += value.size();
    }
    for (const auto& table : res.stringTables) {
        sum += table.key.size();
        for (const auto& [k, v] : table.strings) {
            for (char c : k) sum += static_cast<unsigned char>(c);
            for (char c : v) sum += static_cast<unsigned char>(c);
        }
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static volatile std::size_t sink = 0;
    vanto::MemoryByteSource source(data, size);
    vanto::VersionResource res;
    if (vanto::ReadVersionResource(source, res)) sink = sink + Exercise(res);
    vanto::PEImageHeader header;
    if (vanto::ReadPEImageHeader(source, header)) sink = sink + header.machine;
    if (vanto::ParseVersionInfo(data, size, res)) sink = sink + Exercise(res);
    return 0;
}
