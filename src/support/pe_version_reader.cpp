// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/pe_version_reader.h"

#include "platform/ascii_text.h"
#include "platform/codepage.h"
#include "platform/read_only_file.h"

#include <algorithm>
#include <cstring>

namespace vanto {

namespace {

// wLength of a VS_VERSIONINFO block is 16 bits wide, so no version resource is larger.
constexpr std::size_t kMaxVersionInfo = 0xFFFF;
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedFileInfoSize = 52;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVsVersionInfoId = 1;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kBlockHeader = 6;  // wLength, wValueLength, wType

// Signed 32-bit NT header block: signature, file header, PE32 optional header.
constexpr std::uint64_t kNtHeaders32Size = 248;
constexpr std::uint64_t kFileHeaderSize = 20;
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kResourceDirectorySize = 16;
constexpr std::size_t kResourceEntrySize = 8;

// ELF limits: real executables have a few dozen sections and a section-name table of a few
// hundred bytes; anything far beyond is not an executable we name.
constexpr std::uint64_t kMaxElfSections = 0xFFFF;
constexpr std::uint64_t kMaxElfSectionHeaderSize = 0x400;
constexpr std::uint64_t kMaxElfNameTable = 1u << 20;
constexpr std::uint32_t kShtNobits = 8;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Whether [offset, offset + count) lies inside a source of `size` bytes; checked before any
// buffer is sized from a count the file claims.
bool Fits(std::uint64_t size, std::uint64_t offset, std::uint64_t count) {
    return offset <= size && count <= size - offset;
}

constexpr std::size_t Align4(std::size_t v) { return (v + 3) & ~static_cast<std::size_t>(3); }

// ---------------------------------------------------------------------------------------------
// VS_VERSIONINFO

// One block of the version tree, its bounds already clamped to its parent.
struct Block {
    std::size_t end = 0;         // one past its last byte
    std::uint16_t valueLength = 0;
    std::u16string key;
    std::size_t valueStart = 0;  // aligned position after the key, at most `end`
};

// Reads the block at `pos` inside a parent that ends at `limit`. Returns the block's full
// stated length (before clamping) in `stated`; 0 when no block header fits, in which case
// the caller must stop walking.
bool ReadBlock(const std::uint8_t* data, std::size_t limit, std::size_t pos, Block& b, std::size_t& stated) {
    stated = 0;
    if (pos > limit || limit - pos < kBlockHeader) return false;
    const std::size_t length = Le16(data + pos);
    if (length < kBlockHeader) return false;
    stated = length;
    b.end = std::min(pos + length, limit);
    b.valueLength = Le16(data + pos + 2);
    b.key.clear();
    std::size_t i = pos + kBlockHeader;
    for (;; i += 2) {
        if (i + 2 > b.end) return false;  // key without terminator: a damaged block
        const char16_t c = Le16(data + i);
        if (c == 0) break;
        b.key.push_back(c);
    }
    b.valueStart = std::min(Align4(i + 2), b.end);
    return true;
}

bool KeyIs(const std::u16string& key, std::string_view ascii) {
    if (key.size() != ascii.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        char16_t a = key[i];
        char b = ascii[i];
        if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a - u'A' + u'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != static_cast<unsigned char>(b)) return false;
    }
    return true;
}

// Text from `start` to the first NUL or `end`, whichever comes first; a trailing odd byte is dropped.
std::string ReadText(const std::uint8_t* data, std::size_t start, std::size_t end) {
    std::u16string text;
    for (std::size_t i = start; i + 2 <= end; i += 2) {
        const char16_t c = Le16(data + i);
        if (c == 0) break;
        text.push_back(c);
    }
    return platform::Utf16ToCodePage(text);
}

// Calls `visit(block)` for each well-formed child in [from, limit). A child with a damaged key
// is skipped by its stated length; a child too short to step over ends the walk.
template <typename Visit>
void ForEachChild(const std::uint8_t* data, std::size_t from, std::size_t limit, Visit&& visit) {
    std::size_t pos = Align4(from);
    while (pos < limit) {
        Block child;
        std::size_t stated = 0;
        const bool ok = ReadBlock(data, limit, pos, child, stated);
        if (stated == 0) break;
        if (ok) visit(child);
        pos = Align4(pos + stated);  // stated >= 6, so the walk always moves forward
    }
}

void ParseStringFileInfo(const std::uint8_t* data, const Block& sfi, VersionResource& out) {
    ForEachChild(data, sfi.valueStart, sfi.end, [&](const Block& table) {
        VersionStringTable t;
        t.key = platform::Utf16ToCodePage(table.key);
        ForEachChild(data, table.valueStart, table.end, [&](const Block& str) {
            t.strings.emplace_back(platform::Utf16ToCodePage(str.key), ReadText(data, str.valueStart, str.end));
        });
        out.stringTables.push_back(std::move(t));
    });
}

void ParseVarFileInfo(const std::uint8_t* data, const Block& vfi, VersionResource& out) {
    out.hasVarFileInfo = true;
    ForEachChild(data, vfi.valueStart, vfi.end, [&](const Block& var) {
        if (!KeyIs(var.key, "Translation")) return;
        const std::size_t bytes = std::min<std::size_t>(var.valueLength, var.end - var.valueStart);
        for (std::size_t i = 0; i + 4 <= bytes; i += 4) {
            const std::uint8_t* p = data + var.valueStart + i;
            out.translations.push_back({Le16(p), Le16(p + 2)});
        }
    });
}

// ---------------------------------------------------------------------------------------------
// PE

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t span = 0;  // bytes the section covers in memory
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

// A range of file bytes an RVA maps to: from `offset`, `available` bytes of raw data.
struct Mapped {
    std::uint64_t offset = 0;
    std::uint64_t available = 0;
};

bool MapRva(const std::vector<Section>& sections, std::uint64_t fileSize, std::uint32_t rva, Mapped& m) {
    for (const Section& s : sections) {
        const std::uint64_t va = s.virtualAddress;
        if (rva < va || rva - va >= s.span) continue;
        const std::uint64_t delta = rva - va;
        const std::uint64_t raw = std::min<std::uint64_t>(s.rawSize, s.span);
        if (delta >= raw) return false;  // zero-filled memory that has no bytes in the file
        const std::uint64_t offset = static_cast<std::uint64_t>(s.rawPointer) + delta;
        if (offset >= fileSize) return false;
        // Not clamped to the file: bytes the section table promises but a truncated file
        // lacks make the reads fail rather than hand back half a resource.
        m.offset = offset;
        m.available = raw - delta;
        return true;
    }
    return false;
}

struct DirEntry {
    std::uint32_t name = 0;
    std::uint32_t target = 0;
    bool isNamed() const { return (name & kHighBit) != 0; }
    bool isDirectory() const { return (target & kHighBit) != 0; }
    std::uint32_t offset() const { return target & ~kHighBit; }
};

class ResourceWalker {
public:
    ResourceWalker(ByteSource& src, const Mapped& root) : src_(src), root_(root) {}

    // Reads the directory at `offset` (relative to the resource root). A directory seen
    // before means the tree loops back on itself.
    bool directory(std::uint32_t offset, std::vector<DirEntry>& entries) {
        if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end()) return false;
        visited_.push_back(offset);
        std::uint8_t head[kResourceDirectorySize];
        if (!readRel(offset, head, sizeof head)) return false;
        const std::size_t count = static_cast<std::size_t>(Le16(head + 12)) + Le16(head + 14);
        if (!Fits(root_.available, static_cast<std::uint64_t>(offset) + kResourceDirectorySize,
                  count * kResourceEntrySize))
            return false;
        std::vector<std::uint8_t> raw(count * kResourceEntrySize);
        if (count > 0 && !readRel(static_cast<std::uint64_t>(offset) + kResourceDirectorySize, raw.data(), raw.size()))
            return false;
        entries.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            entries[i].name = Le32(raw.data() + i * kResourceEntrySize);
            entries[i].target = Le32(raw.data() + i * kResourceEntrySize + 4);
        }
        return true;
    }

    bool readRel(std::uint64_t offset, void* dst, std::size_t count) {
        if (!Fits(root_.available, offset, count)) return false;
        return src_.read(root_.offset + offset, dst, count);
    }

private:
    ByteSource& src_;
    Mapped root_;
    std::vector<std::uint32_t> visited_;
};

const DirEntry* FindId(const std::vector<DirEntry>& entries, std::uint32_t id) {
    for (const DirEntry& e : entries)
        if (!e.isNamed() && e.name == id) return &e;
    return nullptr;
}

// Finds the RT_VERSION data entry: its RVA and size. See the header for the choices.
bool FindVersionEntry(ResourceWalker& walker, std::uint32_t& rva, std::uint32_t& size, std::uint16_t& language) {
    std::vector<DirEntry> types;
    if (!walker.directory(0, types)) return false;
    const DirEntry* type = FindId(types, kRtVersion);
    if (type == nullptr || !type->isDirectory()) return false;

    std::vector<DirEntry> names;
    if (!walker.directory(type->offset(), names) || names.empty()) return false;
    const DirEntry* name = FindId(names, kVsVersionInfoId);
    if (name == nullptr) name = &names.front();
    if (!name->isDirectory()) return false;

    std::vector<DirEntry> languages;
    if (!walker.directory(name->offset(), languages) || languages.empty()) return false;
    std::vector<std::uint16_t> ids;
    std::vector<const DirEntry*> candidates;
    for (const DirEntry& e : languages) {
        if (e.isNamed() || e.name > 0xFFFF) continue;
        ids.push_back(static_cast<std::uint16_t>(e.name));
        candidates.push_back(&e);
    }
    const DirEntry* chosen = candidates.empty() ? &languages.front() : candidates[ChooseResourceLanguage(ids)];
    if (chosen->isDirectory()) return false;  // deeper than a resource tree goes

    std::uint8_t data[16];
    if (!walker.readRel(chosen->offset(), data, sizeof data)) return false;
    rva = Le32(data);
    size = Le32(data + 4);
    language = candidates.empty() ? 0 : static_cast<std::uint16_t>(chosen->name);
    return true;
}

bool ReadPeVersion(ByteSource& src, VersionResource& out) {
    const std::uint64_t fileSize = src.size();
    std::uint8_t dos[64];
    if (!src.read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint64_t nt = Le32(dos + 0x3C);

    std::uint8_t head[4 + kFileHeaderSize];
    if (!src.read(nt, head, sizeof head) || std::memcmp(head, "PE\0\0", 4) != 0) return false;
    const std::uint16_t sectionCount = Le16(head + 4 + 2);
    const std::uint16_t optionalSize = Le16(head + 4 + 16);
    const std::uint64_t optional = nt + 4 + kFileHeaderSize;

    std::uint8_t opt[240] = {};
    const std::size_t optRead = std::min<std::size_t>(optionalSize, sizeof opt);
    if (optRead < 2 || !src.read(optional, opt, optRead)) return false;
    const std::uint16_t magic = Le16(opt);
    std::size_t countAt = 0;
    if (magic == kMagicPe32)
        countAt = 92;
    else if (magic == kMagicPe32Plus)
        countAt = 108;
    else
        return false;
    const std::size_t resourceDirAt = countAt + 4 + 16;  // data directory 2, after 0 and 1 of 8 bytes each
    if (optRead < resourceDirAt + 8 || Le32(opt + countAt) < 3) return false;
    const std::uint32_t resourceRva = Le32(opt + resourceDirAt);
    if (resourceRva == 0) return false;  // the stated size is not trusted, the walk is bounded anyway

    const std::uint64_t tableAt = optional + optionalSize;
    if (!Fits(fileSize, tableAt, static_cast<std::uint64_t>(sectionCount) * kSectionHeaderSize)) return false;
    std::vector<std::uint8_t> table(static_cast<std::size_t>(sectionCount) * kSectionHeaderSize);
    if (sectionCount == 0 || !src.read(tableAt, table.data(), table.size())) return false;
    std::vector<Section> sections(sectionCount);
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::uint8_t* s = table.data() + i * kSectionHeaderSize;
        const std::uint32_t virtualSize = Le32(s + 8);
        sections[i].virtualAddress = Le32(s + 12);
        sections[i].rawSize = Le32(s + 16);
        sections[i].rawPointer = Le32(s + 20);
        sections[i].span = virtualSize != 0 ? virtualSize : sections[i].rawSize;
    }

    Mapped root;
    if (!MapRva(sections, fileSize, resourceRva, root)) return false;
    ResourceWalker walker(src, root);
    std::uint32_t dataRva = 0;
    std::uint32_t dataSize = 0;
    std::uint16_t language = 0;
    if (!FindVersionEntry(walker, dataRva, dataSize, language)) return false;

    Mapped data;
    if (!MapRva(sections, fileSize, dataRva, data)) return false;
    // An entry that overstates its section is clamped to the section; the section itself
    // must be in the file.
    const std::size_t count = static_cast<std::size_t>(
        std::min<std::uint64_t>({dataSize, data.available, kMaxVersionInfo}));
    if (count < kBlockHeader || !Fits(fileSize, data.offset, count)) return false;
    std::vector<std::uint8_t> bytes(count);
    if (!src.read(data.offset, bytes.data(), count)) return false;
    if (!ParseVersionInfo(bytes.data(), bytes.size(), out)) return false;
    out.resourceLanguage = language;
    return true;
}

// ---------------------------------------------------------------------------------------------
// ELF

struct ElfReader {
    bool bigEndian = false;
    std::uint64_t u(const std::uint8_t* p, int bytes) const {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) {
            const int shift = bigEndian ? (bytes - 1 - i) * 8 : i * 8;
            v |= static_cast<std::uint64_t>(p[i]) << shift;
        }
        return v;
    }
};

struct ElfSection {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

bool ReadElfVersion(ByteSource& src, VersionResource& out) {
    std::uint8_t ident[64] = {};
    if (!src.read(0, ident, 16) || std::memcmp(ident, "\x7F" "ELF", 4) != 0) return false;
    const bool is64 = ident[4] == 2;
    if (!is64 && ident[4] != 1) return false;
    if (ident[5] != 1 && ident[5] != 2) return false;
    ElfReader r{ident[5] == 2};
    const std::size_t headerSize = is64 ? 64 : 52;
    if (!src.read(0, ident, headerSize)) return false;

    const std::uint64_t shoff = is64 ? r.u(ident + 0x28, 8) : r.u(ident + 0x20, 4);
    const std::uint64_t shentsize = r.u(ident + (is64 ? 0x3A : 0x2E), 2);
    std::uint64_t shnum = r.u(ident + (is64 ? 0x3C : 0x30), 2);
    std::uint64_t shstrndx = r.u(ident + (is64 ? 0x3E : 0x32), 2);
    const std::uint64_t minEntry = is64 ? 64 : 40;
    if (shoff == 0 || shentsize < minEntry || shentsize > kMaxElfSectionHeaderSize) return false;

    auto parse = [&](const std::uint8_t* p) {
        ElfSection s;
        s.name = static_cast<std::uint32_t>(r.u(p, 4));
        s.type = static_cast<std::uint32_t>(r.u(p + 4, 4));
        s.offset = is64 ? r.u(p + 0x18, 8) : r.u(p + 0x10, 4);
        s.size = is64 ? r.u(p + 0x20, 8) : r.u(p + 0x14, 4);
        s.link = static_cast<std::uint32_t>(r.u(p + (is64 ? 0x28 : 0x18), 4));
        return s;
    };

    // Many sections: the real count and name-table index live in section 0.
    if (shnum == 0 || shstrndx == 0xFFFF) {
        std::vector<std::uint8_t> first(static_cast<std::size_t>(shentsize));
        if (!src.read(shoff, first.data(), first.size())) return false;
        const ElfSection zero = parse(first.data());
        if (shnum == 0) shnum = zero.size;
        if (shstrndx == 0xFFFF) shstrndx = zero.link;
    }
    if (shnum == 0 || shnum > kMaxElfSections || shstrndx >= shnum) return false;
    if (!Fits(src.size(), shoff, shnum * shentsize)) return false;

    std::vector<std::uint8_t> table(static_cast<std::size_t>(shnum * shentsize));
    if (!src.read(shoff, table.data(), table.size())) return false;
    std::vector<ElfSection> sections(static_cast<std::size_t>(shnum));
    for (std::size_t i = 0; i < sections.size(); ++i) sections[i] = parse(table.data() + i * shentsize);

    const ElfSection& names = sections[static_cast<std::size_t>(shstrndx)];
    if (names.type == kShtNobits || names.size == 0 || names.size > kMaxElfNameTable ||
        !Fits(src.size(), names.offset, names.size))
        return false;
    std::vector<char> nameTable(static_cast<std::size_t>(names.size));
    if (!src.read(names.offset, nameTable.data(), nameTable.size())) return false;

    for (const ElfSection& s : sections) {
        if (s.name >= nameTable.size()) continue;
        const std::size_t room = nameTable.size() - s.name;
        const std::size_t len = strnlen(nameTable.data() + s.name, room);
        if (len == room) continue;  // name without terminator
        if (std::string_view(nameTable.data() + s.name, len) != kVersionSectionName) continue;
        if (s.type == kShtNobits) return false;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(s.size, kMaxVersionInfo));
        if (count < kBlockHeader || !Fits(src.size(), s.offset, count)) return false;
        std::vector<std::uint8_t> bytes(count);
        if (!src.read(s.offset, bytes.data(), count)) return false;
        return ParseVersionInfo(bytes.data(), bytes.size(), out);
    }
    return false;  // an ELF file without the section has no version resource
}

// Reads a file through the platform's bounded reader. The headers, and separately the resource
// directory with its version entry, usually sit within a few KB of each other, so small reads
// go through one window that is refilled on a miss: a handful of system calls per file.
class FileByteSource final : public ByteSource {
public:
    template <typename Path>
    bool open(const Path& path) {
        return file_.open(path);
    }
    std::uint64_t size() const override { return file_.size(); }
    bool read(std::uint64_t offset, void* dst, std::size_t count) override {
        if (!Fits(file_.size(), offset, count)) return false;
        if (count > kWindow) return file_.readAt(offset, dst, count);
        if (offset < windowStart_ || offset + count > windowStart_ + windowSize_) {
            const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, file_.size() - offset));
            windowSize_ = 0;
            if (!file_.readAt(offset, window_, size)) return false;
            windowStart_ = offset;
            windowSize_ = size;
        }
        if (count > 0) std::memcpy(dst, window_ + (offset - windowStart_), count);
        return true;
    }

private:
    static constexpr std::size_t kWindow = 4096;
    platform::ReadOnlyFile file_;
    std::uint8_t window_[kWindow] = {};
    std::uint64_t windowStart_ = 0;
    std::size_t windowSize_ = 0;
};

}  // namespace

bool MemoryByteSource::read(std::uint64_t offset, void* dst, std::size_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    if (count > 0) std::memcpy(dst, data_ + offset, count);
    return true;
}

bool ParseVersionInfo(const std::uint8_t* data, std::size_t size, VersionResource& out) {
    out = VersionResource{};
    if (data == nullptr) return false;
    size = std::min(size, kMaxVersionInfo);
    Block root;
    std::size_t stated = 0;
    if (!ReadBlock(data, size, 0, root, stated)) return false;

    if (root.valueLength >= kFixedFileInfoSize && root.end - root.valueStart >= kFixedFileInfoSize &&
        Le32(data + root.valueStart) == kFixedFileInfoSignature) {
        std::uint32_t f[13];
        for (std::size_t i = 0; i < 13; ++i) f[i] = Le32(data + root.valueStart + 4 * i);
        out.fixed = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12]};
        out.hasFixedInfo = true;
    }
    const std::size_t children = std::min(root.valueStart + root.valueLength, root.end);
    ForEachChild(data, children, root.end, [&](const Block& child) {
        if (KeyIs(child.key, "StringFileInfo"))
            ParseStringFileInfo(data, child, out);
        else if (KeyIs(child.key, "VarFileInfo"))
            ParseVarFileInfo(data, child, out);
    });
    return true;
}

bool ReadVersionResource(ByteSource& source, VersionResource& out) {
    out = VersionResource{};
    std::uint8_t magic[4];
    if (!source.read(0, magic, sizeof magic)) return false;
    const bool ok = (magic[0] == 'M' && magic[1] == 'Z') ? ReadPeVersion(source, out) : ReadElfVersion(source, out);
    if (!ok) out = VersionResource{};
    return ok;
}

namespace {

template <typename Path>
bool ReadVersionResourceAt(const Path& path, VersionResource& out) {
    out = VersionResource{};
    FileByteSource file;
    if (!file.open(path)) return false;
    return ReadVersionResource(file, out);
}

template <typename Path>
bool ReadFixedFileVersionAt(const Path& path, std::uint32_t& ms, std::uint32_t& ls) {
    VersionResource res;
    if (!ReadVersionResourceAt(path, res) || !res.hasFixedInfo) return false;
    ms = res.fixed.fileVersionMS;
    ls = res.fixed.fileVersionLS;
    return true;
}

}  // namespace

bool ReadVersionResource(const std::string& path, VersionResource& out) { return ReadVersionResourceAt(path, out); }

bool ReadVersionResource(const std::wstring& path, VersionResource& out) { return ReadVersionResourceAt(path, out); }

bool ReadFixedFileVersion(const std::string& path, std::uint32_t& ms, std::uint32_t& ls) {
    return ReadFixedFileVersionAt(path, ms, ls);
}

bool ReadFixedFileVersion(const std::wstring& path, std::uint32_t& ms, std::uint32_t& ls) {
    return ReadFixedFileVersionAt(path, ms, ls);
}

std::size_t ChooseResourceLanguage(const std::vector<std::uint16_t>& languages) {
    auto first = [&](auto pred) -> std::size_t {
        for (std::size_t i = 0; i < languages.size(); ++i)
            if (pred(languages[i])) return i;
        return languages.size();
    };
    constexpr std::uint16_t kPrimaryMask = 0x3FF;
    std::size_t i = first([](std::uint16_t l) { return (l & kPrimaryMask) == 0x00; });
    if (i == languages.size()) i = first([](std::uint16_t l) { return l == 0x0409; });
    if (i == languages.size()) i = first([](std::uint16_t l) { return (l & kPrimaryMask) == 0x09; });
    return i == languages.size() ? 0 : i;
}

std::string TranslationKey(const VersionTranslation& t) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string key(8, '0');
    const std::uint32_t v = (static_cast<std::uint32_t>(t.language) << 16) | t.codePage;
    for (int i = 0; i < 8; ++i) key[static_cast<std::size_t>(i)] = kHex[(v >> (28 - 4 * i)) & 0xF];
    return key;
}

const VersionStringTable* PrimaryStringTable(const VersionResource& res) {
    if (res.stringTables.empty()) return nullptr;
    if (!res.translations.empty()) {
        const std::string wanted = TranslationKey(res.translations.front());
        for (const VersionStringTable& t : res.stringTables)
            if (platform::EqualsNoCase(t.key, wanted)) return &t;
    }
    return &res.stringTables.front();
}

std::string PrimaryVersionString(const VersionResource& res, std::string_view name) {
    const VersionStringTable* table = PrimaryStringTable(res);
    if (table == nullptr) return {};
    for (const auto& [key, value] : table->strings)
        if (platform::EqualsNoCase(key, name)) return value;
    return {};
}

bool VerQueryString(const VersionResource& res, std::string_view subBlock, std::string& value) {
    value.clear();
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos <= subBlock.size()) {
        const std::size_t next = std::min(subBlock.find('\\', pos), subBlock.size());
        if (next > pos) parts.push_back(subBlock.substr(pos, next - pos));
        pos = next + 1;
    }
    if (parts.size() != 3 || !platform::EqualsNoCase(parts[0], "StringFileInfo")) return false;
    for (const VersionStringTable& t : res.stringTables) {
        if (!platform::EqualsNoCase(t.key, parts[1])) continue;
        for (const auto& [key, v] : t.strings) {
            if (platform::EqualsNoCase(key, parts[2])) {
                value = v;
                return true;
            }
        }
        return false;  // like the platform, only the first table of that name is searched
    }
    return false;
}

bool ReadPEImageHeader(ByteSource& source, PEImageHeader& out) {
    out = PEImageHeader{};
    std::uint8_t dos[64];
    if (!source.read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint64_t nt = Le32(dos + 0x3C);
    std::uint8_t block[kNtHeaders32Size];
    if (!source.read(nt, block, sizeof block) || std::memcmp(block, "PE\0\0", 4) != 0) return false;
    out.machine = Le16(block + 4);
    out.magic = Le16(block + 24);
    out.is64 = out.magic == kMagicPe32Plus;
    return true;
}

bool ReadPEImageHeader(const std::string& path, PEImageHeader& out) {
    out = PEImageHeader{};
    FileByteSource file;
    return file.open(path) && ReadPEImageHeader(file, out);
}

}  // namespace vanto
