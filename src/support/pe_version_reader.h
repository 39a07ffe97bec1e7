// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Reads the version resource (VS_VERSIONINFO) of an executable with bounded reads, without
// the operating system's loader, so it works the same on Windows and Linux and on files of
// the other architecture. PE32 and PE32+ images carry it as the RT_VERSION resource; our own
// Linux executable carries the same bytes in the ELF section ".vs_version_info".
//
// Only the DOS header, the PE headers, the section table, the resource directory and the
// version entry are read (or the ELF header, its section headers and that one section);
// never the whole file. Every offset, size and count is checked against the file, so a
// damaged or hostile file gives an empty result, never a crash or a hang.
//
// Real files are untidy; these choices make them read as Windows shows them to an English
// (United States) user:
//  - Several languages of the resource: the language-neutral one (primary language 0) wins,
//    else 0x0409, else any English one (primary language 0x09), else the first listed.
//    Among several resource names, ID 1 (VS_VERSION_INFO) wins, else the first.
//  - The string table of the resource is the one whose key matches the first
//    VarFileInfo\Translation entry; keys such as "040904B0" match in either letter case.
//    When no table matches (a table "080904b0" under a Translation 0409/04b0) or there is no
//    VarFileInfo at all, the first string table is taken, so such files keep their names.
//  - VarFileInfo may come before StringFileInfo; blocks of any other name are skipped.
//  - A block may claim a few bytes past the end of its parent or of the resource: its length
//    is clamped to what is there, not rejected. Likewise a version entry whose size overstates
//    its section. But a file too short to hold what its headers place in it (a truncated
//    download) gives no resource rather than half of one.
//  - The stated length of a string value is not trusted (writers disagree on whether it
//    counts bytes or characters, and some pad with NULs): a value runs from its start to the
//    end of its block and is cut at the first NUL.
//  - A block whose key has no terminator inside the block is damaged and skipped with all it
//    holds; a damaged root block gives no resource at all.
//  - The fixed file information counts only when all 52 bytes are there and its signature
//    is 0xFEEF04BD; a damaged one would otherwise yield a made-up version number.
//  - The resource directory is walked at its three levels (type, name, language) and no
//    deeper; an entry that points back at a directory already visited, or a subdirectory
//    where a data entry belongs, ends the walk with no resource.
//
// Strings come back in the platform's 8-bit text (platform/codepage.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vanto {

// The ELF section that carries the version resource of our Linux executables.
inline constexpr std::string_view kVersionSectionName = ".vs_version_info";

// VS_FIXEDFILEINFO, field for field.
struct FixedFileInfo {
    std::uint32_t signature = 0;
    std::uint32_t structVersion = 0;
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    std::uint32_t fileFlagsMask = 0;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOS = 0;
    std::uint32_t fileType = 0;
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMS = 0;
    std::uint32_t fileDateLS = 0;
};

// One StringFileInfo table: its key as stored (language and code page, e.g. "040904B0") and
// its strings in file order.
struct VersionStringTable {
    std::string key;
    std::vector<std::pair<std::string, std::string>> strings;
};

// One VarFileInfo\Translation entry.
struct VersionTranslation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

struct VersionResource {
    bool hasFixedInfo = false;
    FixedFileInfo fixed;
    std::vector<VersionStringTable> stringTables;  // from every StringFileInfo block, in order
    std::vector<VersionTranslation> translations;  // from VarFileInfo\Translation, in order
    bool hasVarFileInfo = false;
    std::uint16_t resourceLanguage = 0;  // language of the chosen PE resource entry; 0 for ELF
};

// A source of bytes the reader can only read piece by piece; lets the same code serve files
// and memory (the fuzzer, tests).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Copies exactly `count` bytes from `offset`; false (and nothing promised about `dst`)
    // when the range is not wholly inside the source or the read fails.
    virtual bool read(std::uint64_t offset, void* dst, std::size_t count) = 0;
};

class MemoryByteSource final : public ByteSource {
public:
    MemoryByteSource(const void* data, std::size_t size)
        : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, void* dst, std::size_t count) override;

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Reads the version resource of the PE or ELF file at `path`. False (and `out` empty) when
// the file cannot be read, is neither PE nor ELF, or has no readable version resource.
bool ReadVersionResource(const std::string& path, VersionResource& out);
// The same for a wide path (platform/files.h): on Windows every file name, also those the
// ANSI code page cannot hold.
bool ReadVersionResource(const std::wstring& path, VersionResource& out);
bool ReadVersionResource(ByteSource& source, VersionResource& out);

// Parses a VS_VERSIONINFO block already in memory. False when its root block is damaged.
bool ParseVersionInfo(const std::uint8_t* data, std::size_t size, VersionResource& out);

// The fixed file version (dwFileVersionMS / dwFileVersionLS) of the file's version resource.
// False when the file has no readable version resource or it lacks the fixed part.
bool ReadFixedFileVersion(const std::string& path, std::uint32_t& ms, std::uint32_t& ls);
bool ReadFixedFileVersion(const std::wstring& path, std::uint32_t& ms, std::uint32_t& ls);

// Picks one language among the language IDs of a resource's entries (neutral, else 0x0409,
// else any English, else the first). Returns the index; 0 for an empty list.
std::size_t ChooseResourceLanguage(const std::vector<std::uint16_t>& languages);

// The string table of the resource as described above: the one matching the first
// translation, else the first. Null when the resource has no string table.
const VersionStringTable* PrimaryStringTable(const VersionResource& res);

// The value of `name` (case-insensitive) in the primary string table; empty when absent.
std::string PrimaryVersionString(const VersionResource& res, std::string_view name);

// Answers a VerQueryValue-style string query such as "\\StringFileInfo\\040904b0\\ProductName":
// the path is walked from the root block, "\" separated (leading, doubled and trailing
// separators ignored), names compared case-insensitively. Only string values can be asked
// for; like the platform's query, a bare key ("ProductName") names a child of the root block
// and so finds nothing. False when the path names no string.
bool VerQueryString(const VersionResource& res, std::string_view subBlock, std::string& value);

// A translation as a string-table key: language and code page as four lower-case hexadecimal
// digits each ("040904b0"), the form the fallback queries use.
std::string TranslationKey(const VersionTranslation& translation);

// What the PE headers say about the image.
struct PEImageHeader {
    std::uint16_t machine = 0;        // IMAGE_FILE_HEADER.Machine
    std::uint16_t magic = 0;          // optional-header magic: 0x10B PE32, 0x20B PE32+
    bool is64 = false;                // magic == 0x20B
};

// True when the file starts with "MZ", the 32-bit offset at byte 60 points at the signature
// "PE\0\0", and the 248-byte 32-bit NT header block that starts there lies wholly inside the
// file. A file that cannot be read, or is too short, gives false with `out` zeroed.
bool ReadPEImageHeader(const std::string& path, PEImageHeader& out);
bool ReadPEImageHeader(ByteSource& source, PEImageHeader& out);

}  // namespace vanto
