// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Writes small PE32 / PE32+ and ELF files with a chosen version resource, so a test states
// the resource it needs in a few lines instead of carrying a binary blob. The layout offsets
// that come back let tests damage exactly one structure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vanto::testing {

using Bytes = std::vector<std::uint8_t>;

struct VersionTableSpec {
    std::string key = "040904B0";
    std::vector<std::pair<std::string, std::string>> strings;  // UTF-8, written as UTF-16
};

struct VersionInfoSpec {
    bool withFixedInfo = true;
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    std::uint32_t fileFlags = 0;
    std::vector<VersionTableSpec> tables;
    bool withVarFileInfo = true;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations = {{0x0409, 0x04B0}};
    bool varFileInfoFirst = false;
    // NULs written after each value's terminator and counted in its stated length.
    std::size_t valuePaddingNuls = 0;
    // The root block claims this many bytes more than it has.
    std::size_t rootClaimsExtra = 0;
};

// Transitional name: one test still spells it this way; VersionInfoSpec is the name to use.
using VersionInfoOptions = VersionInfoSpec;

// One table "040904B0" holding `strings`, under Translation 0409/04B0.
VersionInfoSpec VersionWithStrings(std::vector<std::pair<std::string, std::string>> strings);

Bytes EncodeVersionInfo(const VersionInfoSpec& options);

// Offset of the block whose key is `key` (ASCII) inside encoded version bytes; npos if absent.
std::size_t FindVersionBlock(const Bytes& versionInfo, std::string_view key);

struct PeVersionEntry {
    std::uint16_t language = 0x0409;
    Bytes data;
};

struct PeSpec {
    bool pe32plus = false;
    std::uint16_t machine = 0;  // 0: 0x014C for PE32, 0x8664 for PE32+
    // RT_VERSION entries in directory order; none means a resource section without RT_VERSION.
    std::vector<PeVersionEntry> versions;
    std::uint32_t versionNameId = 1;
    bool withResourceSection = true;
    // Size of the code section placed before the resource section.
    std::size_t codeSize = 0x200;
};

struct PeFile {
    Bytes bytes;
    // File offsets of the structures, for tests that damage one of them.
    std::size_t ntHeaders = 0;
    std::size_t optionalHeader = 0;
    std::size_t resourceDataDirectory = 0;  // the RVA/size pair of the resource directory
    std::size_t sectionTable = 0;
    std::size_t resourceSection = 0;     // also the root (type) directory
    std::size_t versionTypeEntry = 0;    // the RT_VERSION entry of the root directory
    std::size_t nameDirectory = 0;
    std::size_t languageDirectory = 0;
    std::vector<std::size_t> dataEntries;   // one per version entry
    std::vector<std::size_t> versionData;   // one per version entry
};

PeFile BuildPe(const PeSpec& options);

// A PE whose single version entry (language 0x0409) holds `versionInfo`.
PeFile BuildPeWithVersion(const Bytes& versionInfo, bool pe32plus = false);

struct ElfSpec {
    bool elf64 = true;
    bool bigEndian = false;
    bool withVersionSection = false;
    Bytes versionSection;
};

struct ElfFile {
    Bytes bytes;
    std::size_t sectionHeaders = 0;
    std::size_t versionSection = 0;
};

ElfFile BuildElf(const ElfSpec& options);

// Little-endian patching helpers for damage tests.
void Put16(Bytes& b, std::size_t at, std::uint16_t v);
void Put32(Bytes& b, std::size_t at, std::uint32_t v);

}  // namespace vanto::testing
