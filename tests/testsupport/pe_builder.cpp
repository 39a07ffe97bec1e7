// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "testsupport/pe_builder.h"

#include <algorithm>
#include <stdexcept>

namespace vanto::testing {

namespace {

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0;
        std::size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else {
            cp = c & 0x07;
            len = 4;
        }
        if (i + len > s.size()) throw std::invalid_argument("bad UTF-8 in a test string");
        for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

void Append16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Append32(Bytes& b, std::uint32_t v) {
    Append16(b, static_cast<std::uint16_t>(v));
    Append16(b, static_cast<std::uint16_t>(v >> 16));
}
void AppendUtf16(Bytes& b, const std::u16string& s) {
    for (char16_t c : s) Append16(b, c);
    Append16(b, 0);
}
void Pad4(Bytes& b) {
    while (b.size() % 4 != 0) b.push_back(0);
}
std::size_t AlignUp(std::size_t v, std::size_t a) { return (v + a - 1) / a * a; }

// One version block: header, key, value, children; wLength covers all but trailing padding.
Bytes VersionBlock(std::string_view key, const Bytes& value, std::uint16_t valueLength, std::uint16_t type,
                   const std::vector<Bytes>& children, std::size_t claimsExtra = 0) {
    Bytes b;
    Append16(b, 0);
    Append16(b, valueLength);
    Append16(b, type);
    AppendUtf16(b, Utf8ToUtf16(key));
    Pad4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad4(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    Put16(b, 0, static_cast<std::uint16_t>(b.size() + claimsExtra));
    return b;
}

}  // namespace

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, static_cast<std::uint16_t>(v));
    Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

VersionInfoSpec VersionWithStrings(std::vector<std::pair<std::string, std::string>> strings) {
    VersionInfoSpec options;
    options.tables.push_back({"040904B0", std::move(strings)});
    return options;
}

Bytes EncodeVersionInfo(const VersionInfoSpec& options) {
    std::vector<Bytes> tables;
    for (const VersionTableSpec& t : options.tables) {
        std::vector<Bytes> strings;
        for (const auto& [key, value] : t.strings) {
            Bytes v;
            const std::u16string text = Utf8ToUtf16(value);
            AppendUtf16(v, text);
            for (std::size_t i = 0; i < options.valuePaddingNuls; ++i) Append16(v, 0);
            const auto chars = static_cast<std::uint16_t>(text.size() + 1 + options.valuePaddingNuls);
            strings.push_back(VersionBlock(key, v, chars, 1, {}));
        }
        tables.push_back(VersionBlock(t.key, {}, 0, 1, strings));
    }
    std::vector<Bytes> children;
    if (!options.tables.empty()) children.push_back(VersionBlock("StringFileInfo", {}, 0, 1, tables));
    if (options.withVarFileInfo) {
        Bytes pairs;
        for (const auto& [lang, cp] : options.translations) {
            Append16(pairs, lang);
            Append16(pairs, cp);
        }
        const Bytes var = VersionBlock("Translation", pairs, static_cast<std::uint16_t>(pairs.size()), 0, {});
        const Bytes vfi = VersionBlock("VarFileInfo", {}, 0, 1, {var});
        if (options.varFileInfoFirst)
            children.insert(children.begin(), vfi);
        else
            children.push_back(vfi);
    }
    Bytes fixed;
    if (options.withFixedInfo) {
        for (std::uint32_t v : {0xFEEF04BDu, 0x00010000u, options.fileVersionMS, options.fileVersionLS,
                                options.productVersionMS, options.productVersionLS, 0x3Fu, options.fileFlags, 0x00040004u,
                                1u, 0u, 0u, 0u})
            Append32(fixed, v);
    }
    return VersionBlock("VS_VERSION_INFO", fixed, static_cast<std::uint16_t>(fixed.size()), 0, children,
                        options.rootClaimsExtra);
}

std::size_t FindVersionBlock(const Bytes& versionInfo, std::string_view key) {
    Bytes pattern;
    for (char c : key) Append16(pattern, static_cast<unsigned char>(c));
    Append16(pattern, 0);
    // Keys start 6 bytes into a block, and blocks start on 4-byte boundaries.
    for (std::size_t at = 0; at + 6 + pattern.size() <= versionInfo.size(); at += 4) {
        if (std::equal(pattern.begin(), pattern.end(), versionInfo.begin() + static_cast<std::ptrdiff_t>(at + 6)))
            return at;
    }
    return std::string_view::npos;
}

PeFile BuildPe(const PeSpec& options) {
    constexpr std::size_t kFileAlign = 0x200;
    constexpr std::size_t kSectionAlign = 0x1000;
    constexpr std::size_t kNt = 0x80;
    PeFile pe;
    const std::size_t optionalSize = options.pe32plus ? 240 : 224;
    const std::uint16_t sectionCount = options.withResourceSection ? 2 : 1;
    pe.ntHeaders = kNt;
    pe.optionalHeader = kNt + 24;
    pe.sectionTable = pe.optionalHeader + optionalSize;
    const std::size_t headersSize = AlignUp(pe.sectionTable + std::size_t{40} * sectionCount, kFileAlign);

    const std::size_t codeRaw = AlignUp(options.codeSize, kFileAlign);
    const std::size_t codeVa = kSectionAlign;
    const std::size_t rsrcVa = AlignUp(codeVa + std::max<std::size_t>(options.codeSize, 1), kSectionAlign);
    pe.resourceSection = headersSize + codeRaw;

    // Resource tree: an icon type before RT_VERSION, so the reader must pick by ID.
    Bytes rsrc;
    auto dirHeader = [](Bytes& b, std::uint16_t ids) {
        for (int i = 0; i < 3; ++i) Append32(b, 0);
        Append16(b, 0);
        Append16(b, ids);
    };
    const std::size_t versionCount = options.versions.size();
    const std::size_t typeDir = 0;
    const std::size_t iconNameDir = typeDir + 16 + 2 * std::size_t{8};
    const std::size_t iconLangDir = iconNameDir + 16 + 8;
    const std::size_t nameDir = iconLangDir + 16 + 8;
    const std::size_t langDir = nameDir + 16 + 8;
    const std::size_t iconEntry = langDir + 16 + 8 * versionCount;
    const std::size_t firstVersionEntry = iconEntry + 16;
    std::size_t blob = AlignUp(firstVersionEntry + 16 * versionCount, 8);
    const std::size_t iconBlob = blob;
    blob += 16;
    std::vector<std::size_t> blobs;
    for (const PeVersionEntry& v : options.versions) {
        blobs.push_back(blob);
        blob = AlignUp(blob + v.data.size(), 8);
    }
    const std::size_t rsrcSize = blob;
    rsrc.reserve(rsrcSize);

    dirHeader(rsrc, 2);
    Append32(rsrc, 3);
    Append32(rsrc, 0x80000000u | static_cast<std::uint32_t>(iconNameDir));
    Append32(rsrc, versionCount > 0 ? 16 : 24);  // without versions the tree holds a manifest
    Append32(rsrc, 0x80000000u | static_cast<std::uint32_t>(nameDir));
    dirHeader(rsrc, 1);
    Append32(rsrc, 1);
    Append32(rsrc, 0x80000000u | static_cast<std::uint32_t>(iconLangDir));
    dirHeader(rsrc, 1);
    Append32(rsrc, 0x0409);
    Append32(rsrc, static_cast<std::uint32_t>(iconEntry));
    dirHeader(rsrc, 1);
    Append32(rsrc, options.versionNameId);
    Append32(rsrc, 0x80000000u | static_cast<std::uint32_t>(langDir));
    dirHeader(rsrc, static_cast<std::uint16_t>(versionCount));
    for (std::size_t i = 0; i < versionCount; ++i) {
        Append32(rsrc, options.versions[i].language);
        Append32(rsrc, static_cast<std::uint32_t>(firstVersionEntry + 16 * i));
    }
    auto dataEntry = [&](std::size_t at, std::size_t size) {
        Append32(rsrc, static_cast<std::uint32_t>(rsrcVa + at));
        Append32(rsrc, static_cast<std::uint32_t>(size));
        Append32(rsrc, 0);
        Append32(rsrc, 0);
    };
    dataEntry(iconBlob, 16);
    for (std::size_t i = 0; i < versionCount; ++i) dataEntry(blobs[i], options.versions[i].data.size());
    rsrc.resize(iconBlob, 0);
    rsrc.insert(rsrc.end(), 16, 0xAB);
    for (std::size_t i = 0; i < versionCount; ++i) {
        rsrc.resize(blobs[i], 0);
        rsrc.insert(rsrc.end(), options.versions[i].data.begin(), options.versions[i].data.end());
    }
    rsrc.resize(rsrcSize, 0);
    const std::size_t rsrcRaw = AlignUp(rsrcSize, kFileAlign);

    pe.resourceDataDirectory = pe.optionalHeader + (options.pe32plus ? 112 : 96) + 2 * std::size_t{8};
    pe.versionTypeEntry = pe.resourceSection + typeDir + 16 + 8;
    pe.nameDirectory = pe.resourceSection + nameDir;
    pe.languageDirectory = pe.resourceSection + langDir;
    for (std::size_t i = 0; i < versionCount; ++i) {
        pe.dataEntries.push_back(pe.resourceSection + firstVersionEntry + 16 * i);
        pe.versionData.push_back(pe.resourceSection + blobs[i]);
    }

    const std::size_t total = pe.resourceSection + (options.withResourceSection ? rsrcRaw : 0);
    Bytes& b = pe.bytes;
    b.assign(total, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, kNt);
    b[kNt] = 'P';
    b[kNt + 1] = 'E';
    const std::size_t fh = kNt + 4;
    const std::uint16_t machine = options.machine != 0 ? options.machine : (options.pe32plus ? 0x8664 : 0x014C);
    Put16(b, fh, machine);
    Put16(b, fh + 2, sectionCount);
    Put16(b, fh + 16, static_cast<std::uint16_t>(optionalSize));
    Put16(b, fh + 18, options.pe32plus ? 0x0022 : 0x0102);

    const std::size_t oh = pe.optionalHeader;
    Put16(b, oh, options.pe32plus ? 0x20B : 0x10B);
    Put32(b, oh + 4, static_cast<std::uint32_t>(codeRaw));
    Put32(b, oh + 16, static_cast<std::uint32_t>(codeVa));
    Put32(b, oh + 20, static_cast<std::uint32_t>(codeVa));
    if (options.pe32plus) {
        Put32(b, oh + 24, 0x40000000u);
        Put32(b, oh + 28, 0x1);
    } else {
        Put32(b, oh + 28, 0x00400000u);
    }
    Put32(b, oh + 32, kSectionAlign);
    Put32(b, oh + 36, kFileAlign);
    Put16(b, oh + 40, 6);
    Put16(b, oh + 48, 6);
    Put32(b, oh + 56, static_cast<std::uint32_t>(rsrcVa + AlignUp(rsrcSize, kSectionAlign)));
    Put32(b, oh + 60, static_cast<std::uint32_t>(headersSize));
    Put16(b, oh + 68, 2);  // GUI subsystem
    const std::size_t countAt = options.pe32plus ? 108 : 92;
    Put32(b, oh + countAt, 16);
    if (options.withResourceSection) {
        Put32(b, pe.resourceDataDirectory, static_cast<std::uint32_t>(rsrcVa));
        Put32(b, pe.resourceDataDirectory + 4, static_cast<std::uint32_t>(rsrcSize));
    }

    auto section = [&](std::size_t at, const char* name, std::size_t vsize, std::size_t va, std::size_t raw,
                       std::size_t ptr, std::uint32_t flags) {
        for (std::size_t i = 0; name[i] != '\0' && i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(name[i]);
        Put32(b, at + 8, static_cast<std::uint32_t>(vsize));
        Put32(b, at + 12, static_cast<std::uint32_t>(va));
        Put32(b, at + 16, static_cast<std::uint32_t>(raw));
        Put32(b, at + 20, static_cast<std::uint32_t>(ptr));
        Put32(b, at + 36, flags);
    };
    section(pe.sectionTable, ".text", options.codeSize, codeVa, codeRaw, headersSize, 0x60000020u);
    if (options.withResourceSection)
        section(pe.sectionTable + 40, ".rsrc", rsrcSize, rsrcVa, rsrcRaw, pe.resourceSection, 0x40000040u);

    std::fill(b.begin() + static_cast<std::ptrdiff_t>(headersSize),
              b.begin() + static_cast<std::ptrdiff_t>(headersSize + options.codeSize), 0xCC);
    if (options.withResourceSection)
        std::copy(rsrc.begin(), rsrc.end(), b.begin() + static_cast<std::ptrdiff_t>(pe.resourceSection));
    return pe;
}

PeFile BuildPeWithVersion(const Bytes& versionInfo, bool pe32plus) {
    PeSpec options;
    options.pe32plus = pe32plus;
    options.versions.push_back({0x0409, versionInfo});
    return BuildPe(options);
}

ElfFile BuildElf(const ElfSpec& options) {
    const bool is64 = options.elf64;
    auto put = [&](Bytes& b, std::size_t at, std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = options.bigEndian ? (bytes - 1 - i) * 8 : i * 8;
            b.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> shift);
        }
    };
    const std::size_t headerSize = is64 ? 64 : 52;
    const std::size_t shentsize = is64 ? 64 : 40;

    struct Sec {
        std::string name;
        std::uint32_t type;
        Bytes data;
        std::size_t nameOffset = 0;
        std::size_t offset = 0;
    };
    std::vector<Sec> secs;
    secs.push_back({"", 0, {}});
    secs.push_back({".text", 1, Bytes(64, 0x90)});
    secs.push_back({".rodata", 1, Bytes(32, 0x41)});
    if (options.withVersionSection) secs.push_back({std::string(".vs_version_info"), 1, options.versionSection});
    secs.push_back({".shstrtab", 3, {}});
    Bytes& names = secs.back().data;
    names.push_back(0);
    for (Sec& s : secs) {
        if (s.name.empty()) continue;
        s.nameOffset = names.size();
        names.insert(names.end(), s.name.begin(), s.name.end());
        names.push_back(0);
    }

    ElfFile elf;
    Bytes& b = elf.bytes;
    b.assign(headerSize, 0);
    for (Sec& s : secs) {
        if (s.type == 0) continue;
        b.resize(AlignUp(b.size(), 8), 0);
        s.offset = b.size();
        if (s.name == ".vs_version_info") elf.versionSection = s.offset;
        b.insert(b.end(), s.data.begin(), s.data.end());
    }
    b.resize(AlignUp(b.size(), 8), 0);
    elf.sectionHeaders = b.size();
    b.resize(b.size() + shentsize * secs.size(), 0);

    b[0] = 0x7F;
    b[1] = 'E';
    b[2] = 'L';
    b[3] = 'F';
    b[4] = is64 ? 2 : 1;
    b[5] = options.bigEndian ? 2 : 1;
    b[6] = 1;
    put(b, 16, 2, 2);                           // ET_EXEC
    put(b, 18, is64 ? 0x3E : 0x03, 2);          // x86-64 / i386
    put(b, 20, 1, 4);
    if (is64) {
        put(b, 0x28, elf.sectionHeaders, 8);
        put(b, 0x34, headerSize, 2);
        put(b, 0x3A, shentsize, 2);
        put(b, 0x3C, secs.size(), 2);
        put(b, 0x3E, secs.size() - 1, 2);
    } else {
        put(b, 0x20, elf.sectionHeaders, 4);
        put(b, 0x28, headerSize, 2);
        put(b, 0x2E, shentsize, 2);
        put(b, 0x30, secs.size(), 2);
        put(b, 0x32, secs.size() - 1, 2);
    }
    for (std::size_t i = 0; i < secs.size(); ++i) {
        const std::size_t at = elf.sectionHeaders + i * shentsize;
        const Sec& s = secs[i];
        put(b, at, s.nameOffset, 4);
        put(b, at + 4, s.type, 4);
        if (is64) {
            put(b, at + 0x18, s.offset, 8);
            put(b, at + 0x20, s.data.size(), 8);
            put(b, at + 0x30, 1, 8);
        } else {
            put(b, at + 0x10, s.offset, 4);
            put(b, at + 0x14, s.data.size(), 4);
            put(b, at + 0x20, 1, 4);
        }
    }
    return elf;
}

}  // namespace vanto::testing
