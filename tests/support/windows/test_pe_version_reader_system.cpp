// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The portable version-resource reader against the system's own loader (GetFileVersionInfoW
// and VerQueryValueW): the fixed version, the first translation and the eight strings the
// product rules read, field by field, on built fixtures and on every PE file of a folder full
// of real ones (Wine's own library folder under Wine, the system folder on Windows).
#include "support/pe_version_reader.h"

#include "platform/codepage.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace vanto;
using namespace vanto::testing;

namespace {

constexpr std::array<const char*, 8> kKeys = {"FileDescription", "CompanyName",      "FileVersion", "InternalName",
                                              "LegalCopyright",  "OriginalFilename", "ProductName", "ProductVersion"};

// What one side makes of a file's version resource, in comparable form.
struct Fields {
    bool present = false;
    bool hasFixed = false;
    std::uint32_t fileMS = 0, fileLS = 0, productMS = 0, productLS = 0;
    std::optional<std::string> translation;             // as a table key, "040904b0"
    std::array<std::optional<std::string>, 8> strings;  // of the first translation's table

    std::string Describe() const {
        if (!present) return "no version resource";
        char buf[128];
        std::snprintf(buf, sizeof buf, "fixed %d %08X.%08X / %08X.%08X translation ", hasFixed ? 1 : 0,
                      static_cast<unsigned>(fileMS), static_cast<unsigned>(fileLS), static_cast<unsigned>(productMS),
                      static_cast<unsigned>(productLS));
        std::string out = buf;
        out += translation.value_or("none");
        for (std::size_t i = 0; i < kKeys.size(); ++i) {
            out += std::string("\n  ") + kKeys[i] + (strings[i] ? " = \"" + *strings[i] + "\"" : " absent");
        }
        return out;
    }
    bool operator==(const Fields&) const = default;
};

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

Fields SystemFields(const std::wstring& path) {
    Fields f;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return f;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return f;
    f.present = true;
    void* data = nullptr;
    UINT len = 0;
    if (VerQueryValueW(block.data(), L"\\", &data, &len) && len >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(data);
        f.hasFixed = fixed->dwSignature == 0xFEEF04BD;
        if (f.hasFixed) {
            f.fileMS = fixed->dwFileVersionMS;
            f.fileLS = fixed->dwFileVersionLS;
            f.productMS = fixed->dwProductVersionMS;
            f.productLS = fixed->dwProductVersionLS;
        }
    }
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &data, &len) || len < 4) return f;
    const auto* words = static_cast<const WORD*>(data);
    f.translation = TranslationKey(VersionTranslation{words[0], words[1]});
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        const std::wstring query = L"\\StringFileInfo\\" + Wide(*f.translation) + L"\\" + Wide(kKeys[i]);
        if (!VerQueryValueW(block.data(), query.c_str(), &data, &len)) continue;
        // The length is in characters; like every reader of these strings, stop at the first NUL.
        const auto* text = static_cast<const char16_t*>(data);
        std::size_t n = 0;
        while (n < len && text[n] != u'\0') ++n;
        f.strings[i] = platform::Utf16ToCodePage(std::u16string_view(text, n));
    }
    return f;
}

Fields ReaderFields(const std::string& path) {
    Fields f;
    VersionResource res;
    if (!ReadVersionResource(path, res)) return f;
    f.present = true;
    f.hasFixed = res.hasFixedInfo;
    if (f.hasFixed) {
        f.fileMS = res.fixed.fileVersionMS;
        f.fileLS = res.fixed.fileVersionLS;
        f.productMS = res.fixed.productVersionMS;
        f.productLS = res.fixed.productVersionLS;
    }
    if (res.translations.empty()) return f;
    f.translation = TranslationKey(res.translations.front());
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        std::string value;
        const std::string query = "\\StringFileInfo\\" + *f.translation + "\\" + kKeys[i];
        if (VerQueryString(res, query, value)) f.strings[i] = value;
    }
    return f;
}

// A folder of real PE files: VS_PE_COMPARE_DIR when set, else Wine's own library folder (its
// Unix path through drive Z:), else the system folder.
std::string RealPeFolder() {
    if (const char* dir = std::getenv("VS_PE_COMPARE_DIR"); dir != nullptr && *dir != '\0') return dir;
    if (RunningUnderWine()) {
        for (const char* dir :
             {"Z:\\usr\\lib\\x86_64-linux-gnu\\wine\\x86_64-windows", "Z:\\usr\\lib\\wine\\x86_64-windows",
              "Z:\\usr\\lib64\\wine\\x86_64-windows", "Z:\\usr\\local\\lib\\wine\\x86_64-windows",
              "Z:\\opt\\wine-stable\\lib64\\wine\\x86_64-windows"}) {
            if (std::filesystem::is_directory(dir)) return dir;
        }
        return {};
    }
    char dir[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(dir, n) : std::string();
}

bool IsPe(const std::string& path) {
    PEImageHeader header;
    return ReadPEImageHeader(path, header);
}

VersionInfoSpec Typical() {
    VersionInfoSpec spec = VersionWithStrings({{"CompanyName", "Ombrevale"},
                                               {"FileDescription", "Vantoscope network connection monitor"},
                                               {"FileVersion", "1.8.4.23"},
                                               {"InternalName", "vantoscope"},
                                               {"LegalCopyright", "© Ombrevale"},
                                               {"OriginalFilename", "vantoscope.exe"},
                                               {"ProductName", "Vantoscope"},
                                               {"ProductVersion", "1.8"}});
    spec.fileVersionMS = 0x00010008;
    spec.fileVersionLS = 0x00040017;
    spec.productVersionMS = 0x00010008;
    return spec;
}

}  // namespace

// Files the PE builder writes, each meant to look the same to both readers.
TEST(PeVersionReaderVsSystem, BuiltFixturesReadTheSame) {
    struct Case {
        const char* name;
        PeFile pe;
    };
    std::vector<Case> cases;
    cases.push_back({"pe32", BuildPeWithVersion(EncodeVersionInfo(Typical()), false)});
    cases.push_back({"pe32plus", BuildPeWithVersion(EncodeVersionInfo(Typical()), true)});
    {
        VersionInfoSpec spec = Typical();
        spec.valuePaddingNuls = 4;  // NULs inside the stated value length
        cases.push_back({"padded values", BuildPeWithVersion(EncodeVersionInfo(spec), true)});
    }
    {
        VersionInfoSpec spec = Typical();
        spec.varFileInfoFirst = true;
        cases.push_back({"VarFileInfo first", BuildPeWithVersion(EncodeVersionInfo(spec), true)});
    }
    {
        VersionInfoSpec spec = Typical();
        spec.tables = {{"080904b0", {{"ProductName", "British"}}}, {"040904b0", {{"ProductName", "American"}}}};
        cases.push_back({"two tables, lower-case keys", BuildPeWithVersion(EncodeVersionInfo(spec), true)});
    }
    {
        VersionInfoSpec spec = Typical();
        spec.translations = {{0x0407, 0x04E4}, {0x0409, 0x04B0}};
        spec.tables = {{"040904B0", {{"ProductName", "English"}}}, {"040704E4", {{"ProductName", "Deutsch"}}}};
        cases.push_back({"second table is the first translation's", BuildPeWithVersion(EncodeVersionInfo(spec), true)});
    }
    {
        VersionInfoSpec spec = Typical();
        spec.withVarFileInfo = false;
        cases.push_back({"no translation", BuildPeWithVersion(EncodeVersionInfo(spec), true)});
    }
    {
        VersionInfoSpec spec = Typical();
        spec.withFixedInfo = false;
        cases.push_back({"no fixed part", BuildPeWithVersion(EncodeVersionInfo(spec), true)});
    }
    {
        VersionInfoSpec spec = VersionWithStrings({{"ProductName", "أداة 𝄞"}, {"CompanyName", ""}});
        cases.push_back({"text outside the code page, empty value", BuildPeWithVersion(EncodeVersionInfo(spec), true)});
    }
    {
        PeSpec spec;
        spec.pe32plus = true;
        spec.versions = {{0x0000, EncodeVersionInfo(VersionWithStrings({{"ProductName", "Neutral"}}))}};
        cases.push_back({"language-neutral entry", BuildPe(spec)});
    }
    {
        PeSpec spec;
        spec.pe32plus = true;
        cases.push_back({"resources without a version", BuildPe(spec)});  // stays last
    }

    TempDir dir;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::string path = dir.write("fixture" + std::to_string(i) + ".dll", cases[i].pe.bytes).string();
        const Fields system = SystemFields(Wide(path));
        const Fields reader = ReaderFields(path);
        // Agreement on "nothing there" would prove nothing: the system must see these.
        EXPECT_EQ(system.present, i + 1 < cases.size());
        EXPECT_EQ(reader, system) << "reader: " << reader.Describe() << "\nsystem: " << system.Describe();
    }
}

// Where the reader is knowingly more lenient than the system, a file the system cannot read
// still gives its strings: the reader's rules say so (support/pe_version_reader.h).
TEST(PeVersionReaderVsSystem, DocumentedLeniencies) {
    TempDir dir;
    // Resource name 2 instead of VS_VERSION_INFO (1): the system asks for name 1 only.
    PeSpec spec;
    spec.pe32plus = true;
    spec.versionNameId = 2;
    spec.versions = {{0x0409, EncodeVersionInfo(Typical())}};
    const std::string path = dir.write("named2.dll", BuildPe(spec).bytes).string();
    EXPECT_FALSE(SystemFields(Wide(path)).present);
    EXPECT_EQ(ReaderFields(path).strings[6], "Vantoscope");
}

// Every PE file of a folder of real ones: the two agree on each, and many of them have a
// version resource at all, so the comparison means something.
TEST(PeVersionReaderVsSystem, RealLibraryFolderReadsTheSame) {
    const std::string folder = RealPeFolder();
    if (folder.empty()) GTEST_SKIP() << "no folder of real PE files found";
    std::size_t compared = 0;
    std::size_t with_version = 0;
    std::size_t differing = 0;
    std::size_t strings = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        const std::string path = entry.path().string();
        if (!IsPe(path)) continue;
        ++compared;
        const Fields system = SystemFields(entry.path().wstring());
        const Fields reader = ReaderFields(path);
        if (system.present) ++with_version;
        for (const auto& text : system.strings) strings += text.has_value() ? 1 : 0;
        if (!(reader == system)) {
            ++differing;
            ADD_FAILURE() << path << "\nreader: " << reader.Describe() << "\nsystem: " << system.Describe();
        }
    }
    std::printf("compared %zu PE files of %s, %zu with a version resource (%zu strings), %zu differing\n", compared,
                folder.c_str(), with_version, strings, differing);
    RecordProperty("compared", static_cast<int>(compared));
    RecordProperty("with_version", static_cast<int>(with_version));
    EXPECT_GT(compared, 50u);
    EXPECT_GT(with_version, 20u);
    EXPECT_GT(strings, 4 * with_version);
}
