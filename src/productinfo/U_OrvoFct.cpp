// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "productinfo/U_OrvoFct.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/program_identity.h"
#include "platform/version_api.h"
#include "productinfo/product_rules.h"
#include "support/U_UnicodeUtils.h"
#include "support/pe_version_reader.h"
#include "support/U_Version.h"
#include "support/text_utils.h"
#include "support/versionhelpers.h"

namespace vanto {

namespace {

// CSIDL_SYSTEM: the shell's system folder.
constexpr int kCsidlSystemFolder = 37;

// The version-resource keys of the eight fields, in record order.
constexpr std::string_view kVersionKeys[8] = {"FileDescription", "CompanyName",      "FileVersion", "InternalName",
                                              "LegalCopyRight",  "OriginalFileName", "ProductName", "ProductVersion"};

std::string* FieldByIndex(FileVersionInfoRec& v, int i) {
    std::string* fields[8] = {&v.FileDescription, &v.CompanyName,      &v.FileVersion, &v.InternalName,
                              &v.LegalCopyright,  &v.OriginalFilename, &v.ProductName, &v.ProductVersion};
    return fields[i];
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty()) return text;
    std::size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

std::string RemoveAllChars(std::string text, char c) {
    text.erase(std::remove(text.begin(), text.end(), c), text.end());
    return text;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The folder's own name: its last component.
std::string FolderNameOf(const std::string& folder) {
    std::string_view f = folder;
    while (!f.empty() && IsSeparator(f.back())) f.remove_suffix(1);
    const std::size_t sep = f.find_last_of("\\/");
    return std::string(sep == std::string_view::npos ? f : f.substr(sep + 1));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A word such as "v1.2", "10" or "3.0.1": a digit, "." or "v" first, then only digits and
// dots, and either a dot in it or fewer than four characters (so a year like 2010 stays).
bool IsVersionWord(std::string_view w) {
    if (w.empty()) return false;
    const char first = w.front();
    if (!IsDigit(first) && first != '.' && first != 'v' && first != 'V') return false;
    for (std::size_t i = 1; i < w.size(); ++i) {
        if (!IsDigit(w[i]) && w[i] != '.') return false;
    }
    return w.find('.') != std::string_view::npos || w.size() < 4;
}

// Removes the last space-separated word when it is a version word.
void RemoveTrailingVersionWord(std::string& r) {
    const std::size_t space = r.rfind(' ');
    if (space == std::string::npos) return;
    if (IsVersionWord(std::string_view(r).substr(space + 1))) r = TrimText(r.substr(0, space));
}

// The fallback reader's query rules: the first translation's table, or the bare key.
void FillFromQueries(const VersionResource& res, FileVersionInfoRec& v) {
    for (int i = 0; i < 8; ++i) {
        std::string query;
        if (!res.translations.empty()) {
            query = "\\StringFileInfo\\" + TranslationKey(res.translations.front()) + "\\";
        }
        query += kVersionKeys[i];
        std::string value;
        if (VerQueryString(res, query, value)) *FieldByIndex(v, i) = value;
    }
}

FileVersionInfoRec FallbackVersionInfo(const std::string& path, const VersionResource& own, bool own_read) {
    FileVersionInfoRec v;
    std::vector<std::uint8_t> bytes;
    switch (platform::LoadSystemVersionResource(path, bytes)) {
        case platform::SystemVersionLoad::Unavailable:
            // No system loader: the same portable reader, whose result is already at hand.
            if (own_read) FillFromQueries(own, v);
            break;
        case platform::SystemVersionLoad::NoResource:
            break;
        case platform::SystemVersionLoad::Loaded: {
            VersionResource res;
            if (ParseVersionInfo(bytes.data(), bytes.size(), res)) FillFromQueries(res, v);
            break;
        }
    }
    return v;
}

bool HasSpace(const std::string& s) { return s.find(' ') != std::string::npos; }

// The last space-separated word ("" when there is no space).
std::string_view LastWord(const std::string& s) {
    const std::size_t space = s.rfind(' ');
    return space == std::string::npos ? std::string_view() : std::string_view(s).substr(space + 1);
}

}  // namespace

std::optional<std::string> SpecialProductName(std::string_view id) {
    for (const auto& s : kSpecialProductIds) {
        if (s.id == id) return std::string(s.name);
    }
    return std::nullopt;
}

bool IsDottedNumber(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c) || c == '.'; });
}

std::string ToNativeSystemPath(const std::string& path) {
    if (!IsWow64()) return path;
    const std::string system = GetSpecialFolder(kCsidlSystemFolder);
    if (system.empty() || path.rfind(system, 0) != 0) return path;
    const std::string lower = AsciiLowerCase(path);
    const std::size_t at = lower.find("\\system32\\");
    if (at == std::string::npos) return path;
    std::string out = path;
    out.replace(at, 10, "\\sysnative\\");
    return out;
}

bool IsPEImage(const std::string& path, bool& is64) {
    is64 = false;
    const std::string p = ToNativeSystemPath(path);
    if (p.empty()) return false;
    PEImageHeader header;
    if (!ReadPEImageHeader(p, header)) return false;
    is64 = header.magic == 0x20B;
    return true;
}

FileVersionInfoRec ReadVersionInfo(const std::string& path) {
    const std::string p = ToNativeSystemPath(path);
    FileVersionInfoRec v;
    VersionResource res;
    bool read = false;
    try {
        read = ReadVersionResource(p, res);
        if (read) {
            for (int i = 0; i < 8; ++i) *FieldByIndex(v, i) = PrimaryVersionString(res, kVersionKeys[i]);
        }
    } catch (const std::exception&) {
        // A reader failure (memory) only means the fallback gets its turn.
        read = false;
        v = {};
    }
    if (v.FileDescription.empty() && v.CompanyName.empty() && v.FileVersion.empty()) {
        // The fallback answers instead, but only when it finds something: a resource whose
        // one table does not match its translation would otherwise lose the name it has.
        FileVersionInfoRec second = FallbackVersionInfo(p, res, read);
        if (second != FileVersionInfoRec{}) v = std::move(second);
    }
    v.FileVersion = ReplaceAll(v.FileVersion, ", ", ".");
    v.ProductVersion = ReplaceAll(v.ProductVersion, ", ", ".");
    return v;
}

std::string CleanProductName(const std::string& text) {
    std::string s = text;
    for (;;) {
        std::string t = TrimText(StripTrailingUrls(s));
        if (!t.empty() && t.front() == '?') t.erase(0, 1);
        if (std::string_view(t).ends_with(" -")) t.resize(t.size() - 2);
        if (t == "@") t.clear();
        if (t == s) return t;
        s = std::move(t);
    }
}

std::string GetXmlTagValue(const std::vector<std::string>& lines, const std::string& tag) {
    const std::string open = "<" + tag + ">";
    const std::string close = "</" + tag + ">";
    std::string result;
    for (const std::string& line : lines) {
        if (!TextContains(open, line)) continue;
        std::string s = TrimText(line);
        if (s.find("<!--") != std::string::npos) {
            s = TrimText(TextAfter(s, "<!--"));
            s = TrimText(TextBefore(s, "-->"));
        }
        s = TrimText(TextAfter(s, open));
        s = TrimText(TextBefore(s, close));
        if (TextContains("App name goes here", s)) s.clear();
        result = std::move(s);
    }
    return result;
}

std::string GetProductName(const std::string& input) {
    NamingCall c;
    // Redirection, base name and folder.
    c.path = ToNativeSystemPath(input);
    c.base_name = FileNameNoExt(c.path);
    c.folder = FolderWithSeparator(c.path);
    c.folder_name = FolderNameOf(c.folder);
    std::string& R = c.R;

    // Products named by an identifier instead of a file.
    if (auto special = SpecialProductName(c.path)) return *special;

    // Version strings and their piece counts.
    c.V = ReadVersionInfo(c.path);
    const FileVersionInfoRec& V = c.V;

    // Without a version resource the system may still know the program (Linux: its desktop
    // entry, or an ELF file's whole name); none of the rules below is meant for such names.
    if (V == FileVersionInfoRec{}) {
        platform::ProgramIdentity identity;
        if (platform::FindProgramIdentity(c.path, identity, platform::ProgramIdentityNeed::Names) && !identity.name.empty())
            return identity.name;
    }
    const int nd = WordCount(ReplaceAll(V.FileDescription, " - ", "-"), " -");
    const int np = WordCount(ReplaceAll(V.ProductName, " - ", "-"), " ");
    const int ni = WordCount(V.InternalName, " ");

    // The base text: ProductName when short, FileDescription when it says more.
    if (np > 0 && np < 5) R = V.ProductName;
    bool a = nd >= np && V.FileDescription.find('(') == std::string::npos;
    if (!a) a = !RegisteredSign().empty() && R.find(RegisteredSign()) != std::string::npos;
    const bool b = nd < 4 || (nd == 4 && !SameText(V.ProductName, c.base_name));
    const bool cflag = SameText(c.base_name, "updater") || SameText(V.ProductName, "shockwave") ||
                       V.ProductName.empty() || !StrStartsWith(V.FileDescription, V.ProductName);
    if (nd > 0 && a && b && cflag) R = V.FileDescription;
    if (R.empty()) {
        if (ni > 0) R = V.InternalName;
        if (np > 0) R = V.ProductName;
        if (nd > 0) R = V.FileDescription;
    }
    if (ni > 0 && (WordCount(R, " ") > 6 || R.empty())) R = V.InternalName;

    // Programs known by their file alone.
    if (R.empty()) {
        if (SameText(c.base_name, "gswin32") && TextContains("gs", c.folder)) return "GPL Ghostscript";
        if (SameText(c.base_name, "nsis")) return "NSIS";
        if (SameText(c.base_name, "EAC") && SameText(c.folder_name, "Exact Audio Copy")) return "Exact Audio Copy";
    }

    // One publisher fills its names with "?".
    if (R.find('?') != std::string::npos &&
        AsciiLowerCase(RemoveAllChars(V.CompanyName, '?')).find("auslogics") != std::string::npos) {
        R = RemoveAllChars(R, '?');
    }

    // Per-product rules, first group.
    RunProductRules(EarlyProductRules(), c);

    // Generic clean-up.
    R = RemovePrefixText(R, "_4dots");

    if (HasSpace(R)) {
        std::size_t p = std::string::npos;
        for (std::string_view bits : {"(16", "(32", "(64"}) {
            const std::size_t at = R.find(bits);
            if (at != std::string::npos && (p == std::string::npos || at > p)) p = at;
        }
        if (p != std::string::npos && R.find(')') == R.size() - 1) R = TrimText(R.substr(0, p));
    }

    // These two carry their major version in the name (FixWin 10), not a release number.
    if (TextStartsWith(R, "FixWin")) R = V.FileDescription;
    if (TextStartsWith(R, "Ultimate Windows Tweaker") || TextStartsWith(R, "FixWin")) {
        RemoveTrailingVersionWord(R);
        R += " " + std::to_string(TOrvoVersion::Create(V.FileVersion).Major);
    } else if (HasSpace(R) && R != "DVD Flick v2" && !TextStartsWith(R, "Dimension") &&
               !SameText(R, "EOS Utility 2") && !SameText(R, "EOS Utility 3")) {  // the major its rule appends
        RemoveTrailingVersionWord(R);
    }

    if (TextStartsWith(R, "Winmerge") &&
        (TextStartsWith(V.ProductVersion, "2011.") || TextStartsWith(V.ProductVersion, "0.2011."))) {
        R = "WinMerge 2011";
    }

    if (HasSpace(R) && TextContains("(tm)", LastWord(R))) R = TrimText(R.substr(0, R.rfind(' ')));

    if (!TradeMarkSign().empty()) R = TrimText(ReplaceAll(R, TradeMarkSign(), ""));

    if (R.size() > 1 && R.back() == '.') R = TrimText(R.substr(0, R.size() - 1));

    if (R.empty()) {
        // Adobe AIR applications keep their name in the package's manifest.
        std::vector<std::string> lines;
        if (ReadTextLines(SiblingPath(c.folder, "META-INF\\AIR\\application.xml"), lines)) {
            R = GetXmlTagValue(lines, "name");
            if (R.empty()) R = GetXmlTagValue(lines, "filename");
        }
    }

    // Installers are named as such, so they are not taken for the product itself.
    if (TextStartsWith(V.FileDescription, V.ProductName) && TextContains(" installer", V.FileDescription)) {
        R = V.FileDescription;
    }
    if (TextStartsWith(V.FileDescription, "install ")) R += " installer";
    if (TextEndsWith(V.FileDescription, " installationsprogramm")) R += " installer";
    if (TextEndsWith(V.FileDescription, " setup")) R += " installer";
    if (TextStartsWith(V.OriginalFilename, "setup.exe")) R += " installer";
    if (TextStartsWith(V.InternalName, "setup")) R += " installer";
    if (TextStartsWith(V.OriginalFilename, "bootstrapper.exe")) R += " installer";

    for (std::string_view s :
         {".exe", ".dll", ".dll loader", "MFC Application", "Application", "application file", "main executable"}) {
        R = RemoveSuffixText(R, s);
    }
    for (std::string_view s : {"Main executable for", "32-Bit", "64-Bit"}) R = RemovePrefixText(R, s);
    if (!R.empty() && R.front() == '"' && R.back() == '"') R = R.size() >= 2 ? R.substr(1, R.size() - 2) : "";
    R = RemovePrefixText(R, "ShInstUtil - ");
    R = CleanProductName(R);
    for (std::string_view s :
         {"for Windows", "for Win32", "for Windows NT", "for Windows NT/2000/XP/Vista", "for Windows 98/Me/2000/XP",
          "for Windows XP", "for WindowsNT", "for Win2k/XP", "for Windows(R)"}) {
        R = RemoveSuffixText(R, s);
    }
    if (!RegisteredSign().empty()) R = RemoveSuffixText(R, "for Windows" + RegisteredSign());
    for (std::string_view s : {"for Windows 2000/XP", "for Windows 9x/Me/NT/2k/XP", "64-bit", "32-bit"}) {
        R = RemoveSuffixText(R, s);
    }
    for (std::string_view domain : PublisherDomainSuffixes()) R = RemoveSuffixText(R, domain);
    R = RemoveSuffixText(R, " executable");
    R = RemoveSuffixText(R, " 64bit");

    if (R.empty()) R = c.base_name;

    // Per-product rules, second group.
    RunProductRules(LateProductRules(), c);

    // The 64-bit Flash Player plug-ins differ from the 32-bit ones only in their file name.
    if (TextContains("Adobe Flash Player for ", R)) {
        const std::string version =
            ReplaceAll(platform::WideToAnsi(GetFileVersionText(platform::AnsiToWide(c.path))), ".", "_");
        if (TextContains("64_" + version, c.base_name)) R += " (64 bits)";
    }

    R = TrimText(R);

    bool is64 = false;
    if (IsPEImage(c.path, is64) && is64) {
        R = RemoveSuffixText(R, " x64");
        R = RemoveSuffixText(R, " (64 bits)");
        R += " (64 bits)";
    }

    // Garbage in a version resource never reaches the list.
    if (R == "?" || R.find("??") != std::string::npos || (!R.empty() && R.front() == '$')) R.clear();
    return R;
}

}  // namespace vanto
