// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/pe_version_reader.h"

#include "platform/codepage.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

#if defined(VS_OWN_VERSION_INFO)
#include "platform/build_info.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

using namespace vanto;
using namespace vanto::testing;

namespace {

using Strings = std::vector<std::pair<std::string, std::string>>;

std::optional<VersionResource> ReadBytes(const Bytes& bytes) {
    MemoryByteSource src(bytes.data(), bytes.size());
    VersionResource res;
    if (!ReadVersionResource(src, res)) return std::nullopt;
    return res;
}

VersionResource MustRead(const Bytes& bytes) {
    auto res = ReadBytes(bytes);
    EXPECT_TRUE(res.has_value());
    return res.value_or(VersionResource{});
}

std::string Product(const Bytes& bytes) { return PrimaryVersionString(MustRead(bytes), "ProductName"); }

bool SameResource(const VersionResource& a, const VersionResource& b) {
    if (a.hasFixedInfo != b.hasFixedInfo || a.fixed.fileVersionMS != b.fixed.fileVersionMS ||
        a.fixed.fileVersionLS != b.fixed.fileVersionLS || a.stringTables.size() != b.stringTables.size() ||
        a.translations.size() != b.translations.size() || a.resourceLanguage != b.resourceLanguage)
        return false;
    for (std::size_t i = 0; i < a.stringTables.size(); ++i)
        if (a.stringTables[i].key != b.stringTables[i].key || a.stringTables[i].strings != b.stringTables[i].strings)
            return false;
    return true;
}

VersionInfoSpec Typical() {
    VersionInfoSpec options = VersionWithStrings({{"CompanyName", "Ombrevale"},
                                               {"FileDescription", "Vantoscope network connection monitor"},
                                               {"FileVersion", "1.8.4.23"},
                                               {"ProductName", "Vantoscope"}});
    options.fileVersionMS = 0x00010008;
    options.fileVersionLS = 0x00040017;
    options.productVersionMS = 0x00010008;
    return options;
}

// Counts what a reader asks for, to show it never reads the whole file.
class CountingSource final : public ByteSource {
public:
    explicit CountingSource(const Bytes& b) : inner_(b.data(), b.size()) {}
    std::uint64_t size() const override { return inner_.size(); }
    bool read(std::uint64_t offset, void* dst, std::size_t count) override {
        total += count;
        return inner_.read(offset, dst, count);
    }
    std::uint64_t total = 0;

private:
    MemoryByteSource inner_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Well-formed files

class PeFormats : public ::testing::TestWithParam<bool> {};

TEST_P(PeFormats, ReadsFixedInfoStringsAndTranslations) {
    const bool pe32plus = GetParam();
    const PeFile pe = BuildPeWithVersion(EncodeVersionInfo(Typical()), pe32plus);
    const VersionResource res = MustRead(pe.bytes);

    ASSERT_TRUE(res.hasFixedInfo);
    EXPECT_EQ(res.fixed.signature, 0xFEEF04BDu);
    EXPECT_EQ(res.fixed.fileVersionMS, 0x00010008u);
    EXPECT_EQ(res.fixed.fileVersionLS, 0x00040017u);
    EXPECT_EQ(res.fixed.productVersionMS, 0x00010008u);
    EXPECT_EQ(res.fixed.fileType, 1u);
    ASSERT_EQ(res.stringTables.size(), 1u);
    EXPECT_EQ(res.stringTables[0].key, "040904B0");
    EXPECT_EQ(res.stringTables[0].strings, (Strings{{"CompanyName", "Ombrevale"},
                                                    {"FileDescription", "Vantoscope network connection monitor"},
                                                    {"FileVersion", "1.8.4.23"},
                                                    {"ProductName", "Vantoscope"}}));
    ASSERT_EQ(res.translations.size(), 1u);
    EXPECT_EQ(res.translations[0].language, 0x0409);
    EXPECT_EQ(res.translations[0].codePage, 0x04B0);
    EXPECT_EQ(res.resourceLanguage, 0x0409);

    PEImageHeader header;
    MemoryByteSource src(pe.bytes.data(), pe.bytes.size());
    ASSERT_TRUE(ReadPEImageHeader(src, header));
    EXPECT_EQ(header.is64, pe32plus);
    EXPECT_EQ(header.magic, pe32plus ? 0x20B : 0x10B);
    EXPECT_EQ(header.machine, pe32plus ? 0x8664 : 0x014C);
}

TEST_P(PeFormats, ReadsFromDiskWithoutReadingTheWholeFile) {
    PeSpec options;
    options.pe32plus = GetParam();
    options.codeSize = 4 << 20;  // the resource section comes last, 4 MB into the file
    options.versions.push_back({0x0409, EncodeVersionInfo(Typical())});
    const PeFile pe = BuildPe(options);

    CountingSource counting(pe.bytes);
    VersionResource res;
    ASSERT_TRUE(ReadVersionResource(counting, res));
    EXPECT_LT(counting.total, 4096u);

    TempDir dir;
    const std::string path = dir.write("tool.exe", pe.bytes).string();
    std::uint32_t ms = 0;
    std::uint32_t ls = 0;
    ASSERT_TRUE(ReadFixedFileVersion(path, ms, ls));
    EXPECT_EQ(ms, 0x00010008u);
    EXPECT_EQ(ls, 0x00040017u);
    ASSERT_TRUE(ReadVersionResource(path, res));
    EXPECT_EQ(PrimaryVersionString(res, "ProductName"), "Vantoscope");
    PEImageHeader header;
    ASSERT_TRUE(ReadPEImageHeader(path, header));
    EXPECT_EQ(header.is64, options.pe32plus);
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeFormats, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Pe32Plus" : "Pe32"; });

TEST(PeVersionReader, ChoosesTheLanguageWindowsShowsAnEnglishUser) {
    struct Case {
        std::vector<std::uint16_t> languages;
        std::size_t expected;
    };
    const Case cases[] = {
        {{0x0401, 0x0409, 0x0000}, 2},  // Arabic first, neutral wins
        {{0x0401, 0x0400, 0x0409}, 1},  // neutral with a sublanguage
        {{0x0401, 0x0809, 0x0409}, 2},  // US English over British
        {{0x0401, 0x0407, 0x0809}, 2},  // any English
        {{0x0401, 0x0407}, 0},          // else the first
        {{}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseResourceLanguage(c.languages), c.expected);

    // The same choice in a real resource directory, 36 languages with Arabic first.
    PeSpec options;
    std::vector<std::uint16_t> languages = {0x0401, 0x0402, 0x0405, 0x0406, 0x0407, 0x0408, 0x0C0A, 0x040B,
                                            0x040C, 0x040D, 0x040E, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414,
                                            0x0415, 0x0416, 0x0418, 0x0419, 0x041A, 0x041B, 0x041D, 0x041E,
                                            0x041F, 0x0422, 0x0424, 0x0425, 0x0426, 0x0427, 0x0804, 0x0816,
                                            0x0C04, 0x081A, 0x0409, 0x0809};
    for (std::uint16_t lang : languages)
        options.versions.push_back({lang, EncodeVersionInfo(VersionWithStrings({{"ProductName", "Tool " + std::to_string(lang)}}))});
    EXPECT_EQ(Product(BuildPe(options).bytes), "Tool 1033");
    EXPECT_EQ(MustRead(BuildPe(options).bytes).resourceLanguage, 0x0409);

    options.versions.push_back({0x0000, EncodeVersionInfo(VersionWithStrings({{"ProductName", "Neutral"}}))});
    EXPECT_EQ(Product(BuildPe(options).bytes), "Neutral");
}

TEST(PeVersionReader, PrimaryTableFollowsTheFirstTranslationInEitherCase) {
    struct Case {
        const char* name;
        std::vector<std::string> tableKeys;
        std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
        bool withVarFileInfo;
        const char* expected;
    };
    const Case cases[] = {
        {"matching table second", {"040704B0", "040904B0"}, {{0x0409, 0x04B0}}, true, "040904B0"},
        {"lower-case key", {"040704b0", "040904b0"}, {{0x0409, 0x04B0}}, true, "040904b0"},
        {"first translation decides", {"040904B0", "040704B0"}, {{0x0407, 0x04B0}, {0x0409, 0x04B0}}, true, "040704B0"},
        {"no table matches", {"080904b0", "040704B0"}, {{0x0409, 0x04B0}}, true, "080904b0"},
        {"no VarFileInfo", {"040704B0", "040904B0"}, {}, false, "040704B0"},
        {"empty Translation", {"040704B0", "040904B0"}, {}, true, "040704B0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VersionInfoSpec options;
        for (const std::string& key : c.tableKeys) options.tables.push_back({key, {{"ProductName", "from " + key}}});
        options.translations = c.translations;
        options.withVarFileInfo = c.withVarFileInfo;
        const VersionResource res = MustRead(BuildPeWithVersion(EncodeVersionInfo(options)).bytes);
        EXPECT_EQ(res.hasVarFileInfo, c.withVarFileInfo);
        EXPECT_EQ(res.stringTables.size(), c.tableKeys.size());
        EXPECT_EQ(PrimaryVersionString(res, "productname"), std::string("from ") + c.expected);
    }
}

TEST(PeVersionReader, VarFileInfoBeforeStringFileInfo) {
    VersionInfoSpec options = Typical();
    options.varFileInfoFirst = true;
    options.translations = {{0x0409, 0x04B0}, {0x0407, 0x04E4}};
    const VersionResource res = MustRead(BuildPeWithVersion(EncodeVersionInfo(options), true).bytes);
    ASSERT_EQ(res.translations.size(), 2u);
    EXPECT_EQ(res.translations[1].language, 0x0407);
    EXPECT_EQ(res.translations[1].codePage, 0x04E4);
    EXPECT_EQ(PrimaryVersionString(res, "CompanyName"), "Ombrevale");
}

TEST(PeVersionReader, TolerantOfUntidyBlocks) {
    VersionInfoSpec claims = Typical();
    claims.rootClaimsExtra = 12;  // the root claims bytes past the end of the resource
    EXPECT_EQ(Product(BuildPeWithVersion(EncodeVersionInfo(claims)).bytes), "Vantoscope");

    VersionInfoSpec padded = Typical();
    padded.valuePaddingNuls = 5;  // NULs inside the stated value length
    const VersionResource res = MustRead(BuildPeWithVersion(EncodeVersionInfo(padded)).bytes);
    EXPECT_EQ(PrimaryVersionString(res, "ProductName"), "Vantoscope");
    EXPECT_EQ(PrimaryVersionString(res, "FileVersion"), "1.8.4.23");

    // A value written without a terminator, its block ending right after the text.
    Bytes bytes = EncodeVersionInfo(VersionWithStrings({{"CompanyName", "Maker"}, {"ProductName", "Tool"}}));
    const std::size_t at = FindVersionBlock(bytes, "ProductName");
    Put16(bytes, at, static_cast<std::uint16_t>(32 + 8));  // header and key padded to 32, then "Tool"
    EXPECT_EQ(PrimaryVersionString(MustRead(BuildPeWithVersion(bytes).bytes), "ProductName"), "Tool");
    EXPECT_EQ(PrimaryVersionString(MustRead(BuildPeWithVersion(bytes).bytes), "CompanyName"), "Maker");
}

TEST(PeVersionReader, ConvertsUtf16ToPlatformText) {
    const Bytes bytes = EncodeVersionInfo(VersionWithStrings(
        {{"LegalCopyright", "© Ombrevale"}, {"ProductName", "أداة"}, {"Comments", "𝄞 clef"}}));
    const VersionResource res = MustRead(BuildPeWithVersion(bytes).bytes);
    // The strings are the platform's 8-bit text, the same as the platform conversion gives.
    EXPECT_EQ(PrimaryVersionString(res, "LegalCopyright"), platform::Utf16ToCodePage(u"© Ombrevale"));
    EXPECT_EQ(PrimaryVersionString(res, "ProductName"), platform::Utf16ToCodePage(u"أداة"));
    EXPECT_EQ(PrimaryVersionString(res, "Comments"), platform::Utf16ToCodePage(u"𝄞 clef"));
#if defined(_WIN32)
    // Windows: the ANSI code page, where the rules look for the sign as byte 0xA9; what it
    // cannot hold becomes its default character.
    if (GetACP() == 1252) {
        EXPECT_EQ(PrimaryVersionString(res, "LegalCopyright"), "\xA9 Ombrevale");
        EXPECT_EQ(PrimaryVersionString(res, "ProductName"), "????");
    }
#else
    // Linux: UTF-8, every character kept, the surrogate pair as one four-byte character.
    EXPECT_EQ(PrimaryVersionString(res, "LegalCopyright"), "© Ombrevale");
    EXPECT_EQ(PrimaryVersionString(res, "ProductName"), "أداة");
    EXPECT_EQ(PrimaryVersionString(res, "Comments"), "𝄞 clef");
#endif
}

TEST(PeVersionReader, QueriesLikeThePlatformVersionApi) {
    VersionInfoSpec options;
    options.tables = {{"080904b0", {{"ProductName", "British"}}}, {"040904B0", {{"ProductName", "American"}, {"Empty", ""}}}};
    const VersionResource res = MustRead(BuildPeWithVersion(EncodeVersionInfo(options)).bytes);

    struct Case {
        const char* query;
        bool found;
        const char* value;
    };
    const Case cases[] = {
        {"\\StringFileInfo\\040904b0\\ProductName", true, "American"},
        {"\\stringfileinfo\\040904B0\\PRODUCTNAME", true, "American"},
        {"StringFileInfo\\080904B0\\ProductName\\", true, "British"},
        {"\\\\StringFileInfo\\\\080904b0\\ProductName", true, "British"},
        {"\\StringFileInfo\\040904b0\\Empty", true, ""},
        {"\\StringFileInfo\\040904b0\\CompanyName", false, ""},
        {"\\StringFileInfo\\040704b0\\ProductName", false, ""},
        {"ProductName", false, ""},  // a bare key is a child of the root block
        {"\\StringFileInfo\\040904b0", false, ""},
        {"\\VarFileInfo\\Translation", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        std::string value = "stale";
        EXPECT_EQ(VerQueryString(res, c.query, value), c.found);
        EXPECT_EQ(value, c.value);
    }
    EXPECT_EQ(TranslationKey({0x0409, 0x04B0}), "040904b0");
    EXPECT_EQ(TranslationKey({0xFFFF, 0x0000}), "ffff0000");
}

TEST(PeVersionReader, FixedInfoNeedsItsSignatureAndFullSize) {
    VersionInfoSpec noFixed = Typical();
    noFixed.withFixedInfo = false;
    const VersionResource res = MustRead(BuildPeWithVersion(EncodeVersionInfo(noFixed)).bytes);
    EXPECT_FALSE(res.hasFixedInfo);
    EXPECT_EQ(PrimaryVersionString(res, "ProductName"), "Vantoscope");

    Bytes badSignature = EncodeVersionInfo(Typical());
    Put32(badSignature, 40, 0x12345678);  // the fixed info starts after the 15-character key
    EXPECT_FALSE(MustRead(BuildPeWithVersion(badSignature).bytes).hasFixedInfo);

    Bytes shortValue = EncodeVersionInfo(Typical());
    Put16(shortValue, 2, 48);
    EXPECT_FALSE(MustRead(BuildPeWithVersion(shortValue).bytes).hasFixedInfo);
}

// ---------------------------------------------------------------------------------------------
// Damaged files: never a crash, never half a resource

TEST(PeVersionReaderDamage, TruncatedAtEveryByte) {
    TempDir dir;
    for (bool pe32plus : {false, true}) {
        const PeFile pe = BuildPeWithVersion(EncodeVersionInfo(Typical()), pe32plus);
        const VersionResource full = MustRead(pe.bytes);
        const std::size_t needed = pe.versionData[0] + EncodeVersionInfo(Typical()).size();
        for (std::size_t length = 0; length < pe.bytes.size(); ++length) {
            const Bytes cut(pe.bytes.begin(), pe.bytes.begin() + static_cast<std::ptrdiff_t>(length));
            const auto res = ReadBytes(cut);
            ASSERT_EQ(res.has_value(), length >= needed) << "length " << length;
            if (res) {
                ASSERT_TRUE(SameResource(*res, full)) << "length " << length;
            }

            // The file reader (buffered through its own window) agrees with the memory one.
            if (length % 61 == 0 || (length + 2 >= needed && length <= needed + 2)) {
                VersionResource fromDisk;
                const std::string path = dir.write("cut.exe", cut).string();
                ASSERT_EQ(ReadVersionResource(path, fromDisk), res.has_value()) << "length " << length;
                ASSERT_TRUE(SameResource(fromDisk, res.value_or(VersionResource{}))) << "length " << length;
            }

            PEImageHeader header;
            MemoryByteSource src(cut.data(), cut.size());
            ASSERT_EQ(ReadPEImageHeader(src, header), length >= pe.ntHeaders + 248) << "length " << length;
            if (length < pe.ntHeaders + 248) {
                ASSERT_FALSE(header.is64);
            }
        }
    }
}

TEST(PeVersionReaderDamage, OffsetsAndCountsOutOfRange) {
    const PeFile pe = BuildPeWithVersion(EncodeVersionInfo(Typical()));
    const std::size_t rsrcHeader = pe.sectionTable + 40;
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        bool stillReads;
    };
    const Case cases[] = {
        {"new header offset past the end", [](Bytes& b) { Put32(b, 0x3C, 0xFFFFFFF0u); }, false},
        {"no PE signature", [&](Bytes& b) { b[pe.ntHeaders + 1] = 'X'; }, false},
        {"unknown optional-header magic", [&](Bytes& b) { Put16(b, pe.optionalHeader, 0x107); }, false},
        {"optional header too short for the data directories",
         [&](Bytes& b) { Put16(b, pe.ntHeaders + 4 + 16, 96); }, false},
        {"optional header size past the end", [&](Bytes& b) { Put16(b, pe.ntHeaders + 4 + 16, 0xFFFF); }, false},
        {"too few data directories", [&](Bytes& b) { Put32(b, pe.optionalHeader + 92, 2); }, false},
        {"65535 sections", [&](Bytes& b) { Put16(b, pe.ntHeaders + 4 + 2, 0xFFFF); }, false},
        {"no sections", [&](Bytes& b) { Put16(b, pe.ntHeaders + 4 + 2, 0); }, false},
        {"resource RVA in no section", [&](Bytes& b) { Put32(b, pe.resourceDataDirectory, 0x7FFF0000u); }, false},
        {"resource section raw data past the end", [&](Bytes& b) { Put32(b, rsrcHeader + 20, 0xFFFFFF00u); }, false},
        {"resource section without raw data", [&](Bytes& b) { Put32(b, rsrcHeader + 16, 0); }, false},
        {"root directory claims 131070 entries",
         [&](Bytes& b) { Put32(b, pe.resourceSection + 12, 0xFFFFFFFFu); }, false},
        {"name directory past the section",
         [&](Bytes& b) { Put32(b, pe.versionTypeEntry + 4, 0x80000000u | 0x7FFFFFF0u); }, false},
        {"data entry RVA past the end", [&](Bytes& b) { Put32(b, pe.dataEntries[0], 0xFFFFFFF0u); }, false},
        {"data entry size of 4 GB, clamped to its section",
         [&](Bytes& b) { Put32(b, pe.dataEntries[0] + 4, 0xFFFFFFFFu); }, true},
        {"data entry size of 2 bytes", [&](Bytes& b) { Put32(b, pe.dataEntries[0] + 4, 2); }, false},
        {"root block length 0", [&](Bytes& b) { Put16(b, pe.versionData[0], 0); }, false},
        {"root key without terminator",
         [&](Bytes& b) { Put16(b, pe.versionData[0], 6 + 30); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = pe.bytes;
        c.damage(bytes);
        const auto res = ReadBytes(bytes);
        EXPECT_EQ(res.has_value(), c.stillReads);
        if (res) {
            EXPECT_EQ(PrimaryVersionString(*res, "ProductName"), "Vantoscope");
        }
    }
}

TEST(PeVersionReaderDamage, ResourceDirectoryLoopsAreRefused) {
    const PeFile pe = BuildPeWithVersion(EncodeVersionInfo(Typical()));
    const std::size_t rel = pe.languageDirectory - pe.resourceSection;
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t target;
    };
    const Case cases[] = {
        {"type entry points at the root", pe.versionTypeEntry + 4, 0x80000000u},
        {"name entry points at its own directory", pe.nameDirectory + 16 + 4,
         0x80000000u | static_cast<std::uint32_t>(pe.nameDirectory - pe.resourceSection)},
        {"language entry is another directory", pe.languageDirectory + 16 + 4,
         0x80000000u | static_cast<std::uint32_t>(rel)},
        {"name entry is a data entry", pe.nameDirectory + 16 + 4, static_cast<std::uint32_t>(rel)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = pe.bytes;
        Put32(bytes, c.at, c.target);
        EXPECT_FALSE(ReadBytes(bytes).has_value());
    }
}

TEST(PeVersionReaderDamage, InnerBlocksWithBadLengths) {
    const Bytes good = EncodeVersionInfo(Typical());
    const std::size_t table = FindVersionBlock(good, "040904B0");
    const std::size_t product = FindVersionBlock(good, "ProductName");
    const std::size_t company = FindVersionBlock(good, "CompanyName");
    const std::size_t sfi = FindVersionBlock(good, "StringFileInfo");
    ASSERT_NE(table, std::string_view::npos);
    ASSERT_NE(product, std::string_view::npos);

    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        std::string productName;
        std::string companyName;
        std::size_t translations;
    };
    const Case cases[] = {
        // Clamped to the parent: the strings inside stay readable and VarFileInfo is untouched.
        {"string table longer than its block", [&](Bytes& b) { Put16(b, table, 0xFFF0); }, "Vantoscope", "Ombrevale", 1},
        {"last string longer than its table", [&](Bytes& b) { Put16(b, product, 0x7FF0); }, "Vantoscope", "Ombrevale", 1},
        // Half of the value's terminator cut off: the odd byte is dropped, never read past.
        {"odd string length", [&](Bytes& b) { Put16(b, product, static_cast<std::uint16_t>(b[product] - 1)); },
         "Vantoscope", "Ombrevale", 1},
        // A key that runs to the end of its block without a NUL: that block is dropped alone.
        {"string key without terminator",
         [&](Bytes& b) {
             for (std::size_t i = company + 6; i + 2 <= company + b[company]; i += 2) Put16(b, i, 'X');
         },
         "Vantoscope", "", 1},
        {"table key without terminator", [&](Bytes& b) { Put16(b, table, 6 + 16); }, "", "", 1},
        // A block too short to step over ends its parent's walk: no loop, no later siblings.
        {"string length 0", [&](Bytes& b) { Put16(b, company, 0); }, "", "", 1},
        {"StringFileInfo length 3", [&](Bytes& b) { Put16(b, sfi, 3); }, "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = good;
        c.damage(bytes);
        const VersionResource res = MustRead(BuildPeWithVersion(bytes).bytes);
        EXPECT_EQ(PrimaryVersionString(res, "ProductName"), c.productName);
        EXPECT_EQ(PrimaryVersionString(res, "CompanyName"), c.companyName);
        EXPECT_EQ(res.translations.size(), c.translations);
        EXPECT_TRUE(res.hasFixedInfo);
    }
}

TEST(PeVersionReaderDamage, EveryByteOfTheResourceSectionOverwritten) {
    // Each byte of the resource section set to 0xFF and to 0x00 in turn. A damaged length may
    // make the walk read strings as tables, but what comes back stays within the bytes of the
    // resource: never more blocks or longer texts than it holds.
    const PeFile pe = BuildPeWithVersion(EncodeVersionInfo(Typical()), true);
    for (std::uint8_t fill : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
        for (std::size_t at = pe.resourceSection; at < pe.bytes.size(); ++at) {
            Bytes bytes = pe.bytes;
            bytes[at] = fill;
            const auto res = ReadBytes(bytes);
            if (!res) continue;
            std::size_t blocks = res->stringTables.size();
            for (const auto& table : res->stringTables) {
                blocks += table.strings.size();
                for (const auto& [key, value] : table.strings) ASSERT_LE(value.size(), 3u * 38) << "offset " << at;
            }
            ASSERT_LE(blocks, 8u) << "offset " << at;  // the resource holds eight blocks below its root
            ASSERT_LE(res->translations.size(), 1u) << "offset " << at;
        }
    }
}

TEST(PeVersionReaderDamage, FilesThatAreNotExecutables) {
    TempDir dir;
    std::uint32_t ms = 7;
    std::uint32_t ls = 7;
    VersionResource res;
    PEImageHeader header;
    const std::string missing = (dir.path() / "missing.exe").string();
    const std::string empty = dir.write("empty.exe", std::string_view()).string();
    const std::string text = dir.write("readme.txt", std::string_view("MZ is how it starts")).string();
    std::vector<std::string> paths = {missing, empty, text, dir.str(), std::string()};
#if !defined(_WIN32)
    const std::string fifo = (dir.path() / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back(fifo);
#endif
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(ReadVersionResource(path, res));  // the FIFO must not block
        EXPECT_FALSE(ReadFixedFileVersion(path, ms, ls));
        EXPECT_FALSE(ReadPEImageHeader(path, header));
    }
    EXPECT_EQ(ms, 7u);

    PeSpec noResources;
    noResources.withResourceSection = false;
    EXPECT_FALSE(ReadBytes(BuildPe(noResources).bytes).has_value());
    PeSpec noVersion;  // resources, but no RT_VERSION among them
    EXPECT_FALSE(ReadBytes(BuildPe(noVersion).bytes).has_value());
}

// ---------------------------------------------------------------------------------------------
// ELF

TEST(ElfVersionReader, ReadsTheVersionSection) {
    for (bool elf64 : {true, false}) {
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(std::string(elf64 ? "ELF64" : "ELF32") + (bigEndian ? " big-endian" : ""));
            ElfSpec options{elf64, bigEndian, true, EncodeVersionInfo(Typical())};
            const VersionResource res = MustRead(BuildElf(options).bytes);
            EXPECT_EQ(PrimaryVersionString(res, "ProductName"), "Vantoscope");
            EXPECT_EQ(res.fixed.fileVersionLS, 0x00040017u);
            EXPECT_EQ(res.resourceLanguage, 0);

            options.withVersionSection = false;
            EXPECT_FALSE(ReadBytes(BuildElf(options).bytes).has_value());
        }
    }
}

TEST(ElfVersionReader, DamagedElfFiles) {
    const ElfFile elf = BuildElf({true, false, true, EncodeVersionInfo(Typical())});
    for (std::size_t length = 0; length < elf.bytes.size(); ++length) {
        const Bytes cut(elf.bytes.begin(), elf.bytes.begin() + static_cast<std::ptrdiff_t>(length));
        ASSERT_FALSE(ReadBytes(cut).has_value()) << "length " << length;  // headers are at the end
    }
    const std::size_t versionHeader = elf.sectionHeaders + 3 * std::size_t{64};
    const std::size_t namesHeader = elf.sectionHeaders + 4 * std::size_t{64};
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"section headers past the end", [](Bytes& b) { Put32(b, 0x28, 0xFFFFFF00u); }},
        {"section header size too small", [](Bytes& b) { Put16(b, 0x3A, 16); }},
        {"name table index out of range", [](Bytes& b) { Put16(b, 0x3E, 40); }},
        {"extended count in section 0 out of range", [](Bytes& b) { Put16(b, 0x3C, 0); }},
        {"version section past the end", [&](Bytes& b) { Put32(b, versionHeader + 0x18, 0xFFFFFF00u); }},
        {"version section longer than the file", [&](Bytes& b) { Put32(b, versionHeader + 0x20, 0x8000); }},
        {"version section without bytes (NOBITS)", [&](Bytes& b) { Put32(b, versionHeader + 4, 8); }},
        {"name table past the end", [&](Bytes& b) { Put32(b, namesHeader + 0x18, 0xFFFFFF00u); }},
        {"section name offset past the name table", [&](Bytes& b) { Put32(b, versionHeader, 0xFFFF); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = elf.bytes;
        c.damage(bytes);
        EXPECT_FALSE(ReadBytes(bytes).has_value());
    }
}

#if !defined(_WIN32)
TEST(ElfVersionReader, AnOrdinaryExecutableHasNoVersionResource) {
    VersionResource res;
    EXPECT_FALSE(ReadVersionResource("/bin/sh", res));
    PEImageHeader header;
    EXPECT_FALSE(ReadPEImageHeader("/bin/sh", header));
}
#endif

#if defined(VS_OWN_VERSION_INFO) && defined(__linux__)
// Built only when this test program links the executable's generated version resource.
TEST(ElfVersionReader, OurOwnExecutableCarriesTheVersionOfTheBuild) {
    VersionResource res;
    ASSERT_TRUE(ReadVersionResource("/proc/self/exe", res));
    EXPECT_EQ(PrimaryVersionString(res, "ProductName"), "Vantoscope");
    EXPECT_EQ(PrimaryVersionString(res, "CompanyName"), "Ombrevale");
    EXPECT_EQ(PrimaryVersionString(res, "FileDescription"), "Vantoscope network connection monitor");
    EXPECT_EQ(PrimaryVersionString(res, "FileVersion"), build::kVersion);
    EXPECT_EQ(PrimaryVersionString(res, "ProductVersion"), build::kVersion);
    ASSERT_TRUE(res.hasFixedInfo);
    EXPECT_EQ(res.fixed.fileVersionMS, (build::kVersionMajor << 16) | build::kVersionMinor);
    EXPECT_EQ(res.fixed.fileVersionLS, (build::kVersionPatch << 16) | build::kVersionTweak);
    EXPECT_EQ(res.fixed.productVersionLS, res.fixed.fileVersionLS);
    ASSERT_EQ(res.translations.size(), 1u);
    EXPECT_EQ(TranslationKey(res.translations[0]), "040904b0");
    ASSERT_EQ(res.stringTables.size(), 1u);
    EXPECT_EQ(res.stringTables[0].key, "040904B0");
}
#endif
