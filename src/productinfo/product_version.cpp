// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The version half of the product-identification engine: which version of a product is
// installed at a path. It starts from the fixed version of the version resource and applies
// ordered per-product sources (the uninstall registry, sibling files and libraries, the
// version strings, the executable's own bytes), then a generic reconciliation of the three
// version texts. The sources are rows of small tables, one per stage; a row names a plain
// function only where it must do more than one lookup.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/program_identity.h"
#include "platform/registry.h"
#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_rules.h"
#include "productinfo/uninstall_lookups.h"
#include "support/U_UnicodeUtils.h"
#include "support/U_Version.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

constexpr int kCsidlSystemFolder = 37;

// --- Version texts ------------------------------------------------------------------------

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

TOrvoVersion Ver(const std::string& text) { return TOrvoVersion::Create(text); }

bool Newer(const std::string& a, const std::string& b) { return Ver(a).IsNewerThan(Ver(b)); }

std::string NewerOf(const std::string& a, const std::string& b) { return Newer(b, a) ? b : a; }

// A dotted number with something in it (the empty text is dotted too, but says nothing).
bool IsDotted(const std::string& text) { return !text.empty() && IsDottedNumber(text); }

// Pads a dotted text with ".0" to four parts.
std::string PadToFour(std::string text) {
    for (auto parts = std::count(text.begin(), text.end(), '.') + 1; parts < 4; ++parts) text += ".0";
    return text;
}

std::string Part(const std::string& text, int index) { return ExtractWord(text, index, "."); }

std::string WithPart(const std::string& version, int index, std::int32_t value) {
    TOrvoVersion v = Ver(version);
    std::int32_t* parts[4] = {&v.Major, &v.Minor, &v.Release, &v.Build};
    *parts[index] = value;
    return v.ToText();
}

std::string ParentFolderOf(const std::string& folder) {
    if (folder.size() < 2) return {};
    return FolderWithSeparator(folder.substr(0, folder.size() - 1));
}

std::string FixedVersionOf(const std::string& path) {
    std::string b = GetFileVersionText(path);
    return b == "File not found" ? std::string() : b;
}

std::string FirstLineOf(const std::string& path) {
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines, std::size_t{1} << 20) || lines.empty()) return {};
    return lines.front();
}

// --- Recursion into sibling files -----------------------------------------------------------

// The paths being resolved on this thread, so a sibling never leads back to one of them.
thread_local std::vector<std::string> t_in_progress;

struct InProgress {
    explicit InProgress(const std::string& path) { t_in_progress.push_back(path); }
    ~InProgress() { t_in_progress.pop_back(); }
    InProgress(const InProgress&) = delete;
    InProgress& operator=(const InProgress&) = delete;
};

// The version of another file of the same product, never of a file already being resolved.
std::string SiblingVersion(const std::string& sibling) {
    constexpr std::size_t kMaxDepth = 4;
    if (t_in_progress.size() >= kMaxDepth) return {};
    for (const std::string& p : t_in_progress) {
        if (SameText(p, sibling)) return {};
    }
    std::string path = sibling;
    return GetProductVersion(path);
}

// --- Product getters ------------------------------------------------------------------------

std::string XvidVersion() { return NewerOf(FindInstalledVersion("XVid"), FindNumberInDisplayName("XVid")); }

std::string GimpVersion() {
    std::string v = FindNumberByNameContains("gimp");
    if (v.find('.') == std::string::npos) v = FindInstalledVersion("gimp");
    return v;
}

std::string OpenOfficeVersion() {
    std::string v = FindInstalledVersion("openoffice.org");
    if (!v.empty()) return v;
    v = FindNumberByNameContains("openoffice");
    if (v.empty()) return v;
    // The display name carries three parts; the fourth is the installed version's third.
    const std::string third = Part(FindInstalledVersion("openoffice"), 2);
    return WithPart(v, 3, Ver("0.0.0." + third).Build);
}

std::string FfdshowVersion() {
    std::string v = FindInstalledVersion("ffdshow");
    if (v.empty()) {
        platform::RegKey key;
        std::uint32_t revision = 0;
        if (key.Open(platform::RegRoot::LocalMachine, "SOFTWARE\\GNU\\ffdshow\\", platform::RegAccess::Read) &&
            key.ReadDword("revision", revision)) {
            const std::string r = std::to_string(revision);
            if (revision == 0) v = r;
            else if (revision > 4422) v = "1.2." + r;
            else if (revision > 3402) v = "1.1." + r;
            else v = "1.0." + r;
        }
    }
    const std::string system = GetSpecialFolder(kCsidlSystemFolder);
    if (!system.empty()) {
        const std::string vfw = FixedVersionOf(SiblingPath(system, "ff_vfw.dll"));
        const TOrvoVersion a = Ver(vfw), b = Ver(v);
        if (!vfw.empty() && a.Release == b.Release && a.Minor > b.Minor) v = vfw;
    }
    return v;
}

std::string MalwarebytesVersion(const std::string& folder) {
    for (const char* name : {"Malwarebytes Anti-Malware", "Malwarebytes Anti-Ransomware version", "Malwarebytes version"}) {
        std::string v = ExtractWord(FindInstalledVersion(name), 0, " ");
        if (!v.empty()) return v;
    }
    const std::string line = FirstLineOf(SiblingPath(folder, "changes.txt"));
    if (line.empty()) return {};
    const std::string last = ExtractWord(line, WordCount(line, " ") - 1, " ");
    return IsNonZeroVersion(last) ? Ver(last).ToText() : std::string();
}

// The tweaking suite registers per user only, under its publisher's name.
std::string TweakingSuiteVersion() {
    using platform::RegAccess;
    using platform::RegKey;
    using platform::RegRoot;
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    std::vector<std::string> subkeys;
    {
        RegKey list;
        if (!list.Open(RegRoot::CurrentUser, key, RegAccess::Read) || !list.GetSubKeyNames(subkeys)) return {};
    }
    std::string result;
    for (const std::string& sub : subkeys) {
        RegKey entry;
        std::string publisher, name, version;
        if (!entry.Open(RegRoot::CurrentUser, key + sub, RegAccess::Read)) continue;
        if (!entry.ReadString("Publisher", publisher) || publisher != "Yamicsoft") continue;
        if (!entry.ReadString("DisplayName", name) || !TextContains("Manager", name) || !TextContains("Windows", name)) {
            continue;
        }
        if (entry.ReadString("DisplayVersion", version)) result = version;
    }
    return result;
}

struct SpecialVersion {
    std::string_view id;
    std::string (*get)();
};

const std::array<SpecialVersion, 9> kSpecialVersions{{
    {"CCCP", [] { return FindInstalledVersion("Combined Community Codec Pack"); }},
    {"QTA", [] { return FindNumberByNameContains("QuickTime Alternative"); }},
    {"QTL", [] { return FindNumberByNameContains("QT Lite"); }},
    {"KLITE", [] { return FindVersionByWordWithout("K-Lite Codec Pack", "64-bit"); }},
    {"KLITE64", [] { return FindVersionByTwoWords("K-Lite Codec Pack", "64-bit"); }},
    {"KLITEMEGA", [] { return FindInstalledVersion("K-Lite Mega Codec Pack"); }},
    // "HashTab" is also part of "OpenHashTab": an installed OpenHashTab hides it.
    {"HASHTAB",
     [] { return FindInstalledVersion("OpenHashTab").empty() ? FindInstalledVersion("HashTab") : std::string(); }},
    {"OPENHASHTAB", [] { return FindInstalledVersion("OpenHashTab"); }},
    {"QTTABBAR", [] { return FindNumberByNameContains("QtTabBar"); }},
}};

// --- Rows ----------------------------------------------------------------------------------

// The facts of one call: R is the result so far (R), `product` N, `company` K.
struct VersionCall {
    NamingCall n;
    std::string fixed;  // B
    bool ended = false;
};

using VersionFn = std::string (*)(VersionCall& c);

enum class Source : unsigned char {
    Installed,             // FindInstalledVersion(arg)
    InstalledInFolder,     // FindUninstallVersion(arg) of the entries of the executable's folder
    NumberByNameContains,  // FindNumberByNameContains(arg)
    Sibling,               // the version of file `arg` beside the executable
    ProductVersion,        // the ProductVersion text, when it is a dotted number
    FileVersion,           // the FileVersion text, when it is a dotted number
    Fixed,                 // the text `arg`
    Call,                  // fn(call)
};

struct VersionRule {
    std::array<RuleTest, 3> when{};
    Source source = Source::Call;
    std::string_view arg{};
    VersionFn fn = nullptr;
    // The row's own case; its `result` is the version GetProductVersion then gives.
    ProductExample sample{};
};

// The text when it is a dotted number as it stands ("1.5.6 beta" is not) with a digit above 0.
std::string DottedField(const std::string& text) {
    return IsDotted(text) && text.find_first_of("123456789") != std::string::npos ? text : std::string();
}

std::string Candidate(const VersionRule& row, VersionCall& c) {
    switch (row.source) {
        case Source::Installed:
            return FindInstalledVersion(std::string(row.arg));
        case Source::InstalledInFolder:
            return FindUninstallVersion(std::string(row.arg), {}, c.n.folder);
        case Source::NumberByNameContains:
            return FindNumberByNameContains(std::string(row.arg));
        case Source::Sibling:
            return SiblingVersion(SiblingPath(c.n.folder, row.arg));
        case Source::ProductVersion:
            return DottedField(c.n.V.ProductVersion);
        case Source::FileVersion:
            return DottedField(c.n.V.FileVersion);
        case Source::Fixed:
            return std::string(row.arg);
        case Source::Call:
            return row.fn ? row.fn(c) : std::string();
    }
    return {};
}

bool Holds(const VersionRule& row, const VersionCall& c) {
    return std::all_of(row.when.begin(), row.when.end(), [&](const RuleTest& t) { return TestHolds(t, c.n); });
}

// Runs rows until one gives a version, which ends the call. True when one did.
bool FirstFound(std::span<const VersionRule> rows, VersionCall& c) {
    for (const VersionRule& row : rows) {
        if (!Holds(row, c)) continue;
        std::string v = Candidate(row, c);
        if (c.ended) return true;
        if (!v.empty()) {
            c.n.R = std::move(v);
            return true;
        }
    }
    return false;
}

// Runs every row that holds; each found version replaces the result.
void EachFound(std::span<const VersionRule> rows, VersionCall& c) {
    for (const VersionRule& row : rows) {
        if (!Holds(row, c)) continue;
        std::string v = Candidate(row, c);
        if (!v.empty()) c.n.R = std::move(v);
    }
}

using namespace rules;

// Functions of the rows below.

std::string UnlockerInFolder(VersionCall& c) {
    const std::string v = FindUninstallVersion("Unlocker", {}, c.n.folder);
    return IsDottedNumber(v) ? v : std::string();
}
std::string Gimp(VersionCall&) { return GimpVersion(); }
std::string Ffdshow(VersionCall&) { return FfdshowVersion(); }
std::string Xvid(VersionCall&) { return XvidVersion(); }
std::string Launchy(VersionCall&) { return FindVersionAfterFirstWord("launchy"); }
std::string TweakingSuite(VersionCall&) { return TweakingSuiteVersion(); }

std::string TweakingSuiteLibrary(VersionCall& c) {
    const std::string second = ExtractWord(c.n.product, 1, " ");
    return second.empty() ? std::string() : SiblingVersion(SiblingPath(c.n.folder, "W" + second + "MPCL.dll"));
}

std::string JDownloader(VersionCall& c) {
    c.ended = true;  // its fixed version says nothing, whatever is found
    std::string v = FindInstalledVersion("JDownloader");
    const std::string line = FirstLineOf(SiblingPath(c.n.folder, "build.json"));
    const std::size_t key = line.find("JDownloaderRevision");
    if (key != std::string::npos) {
        const std::size_t colon = line.find(':', key);
        if (colon != std::string::npos) {
            // The value ends at the first "," or "}" that follows it: with another key after
            // it the later of the two would swallow that key.
            std::size_t end = std::min(line.find(',', colon), line.find('}', colon));
            if (end == std::string::npos) end = line.size();
            std::string digits = TrimText(line.substr(colon + 1, end - colon - 1));
            if (!digits.empty() && digits.front() == '"') digits = TrimText(TextBefore(digits.substr(1), "\""));
            const auto build = ParseVersionInteger(digits);
            v = WithPart(v.empty() ? "0" : v, 3, build.value_or(0));
        }
    }
    c.n.R = v;
    return v;
}

// Screencast-O-Matic: the version words of its uninstall display name, and the
// "version-x64.txt" files it keeps below the executable's grandparent folder; the newest.
std::string ScreencastOMatic(VersionCall& c) {
    const std::string name = FindUninstallDisplayName(c.n.folder);
    const std::string last = StripVersionPrefix(ExtractWord(name, WordCount(name, " ") - 1, " "));
    std::string best = IsDotted(last) ? last : std::string();
    std::vector<std::string> files;
    FindFilesBelow(ParentFolderOf(c.n.folder), "version-x64.txt", 3, 16, files);
    for (const std::string& file : files) {
        const std::string v = StripVersionPrefix(FirstLineOf(file));
        if (IsDotted(v) && Newer(v, best)) best = v;
    }
    return best;
}

std::string Ventoy(VersionCall& c) {
    return DottedField(TrimText(FirstLineOf(SiblingPath(c.n.folder, "ventoy\\version"))));
}

// Waterfox's current line writes its generation before the version ("G5.1.2" is 5.1.2).
std::string Waterfox(VersionCall& c) {
    std::string v = FindUninstallVersion("Waterfox", {}, c.n.folder);
    if (!v.empty() && (v.front() == 'G' || v.front() == 'g')) v.erase(0, 1);
    return v;
}

std::string ChrisPC(VersionCall& c) { return FindUninstallVersion(c.n.product, {}, c.n.folder); }

std::string PartitionWizard(VersionCall& c) {
    if (!c.fixed.empty()) return {};
    const std::string v = FindVersionInDisplayName("MiniTool Partition Wizard");
    return IsNonZeroVersion(v) ? Ver(v).ToText() : std::string();
}

std::string ArtMoney(VersionCall& c) {
    const std::string& base = c.n.base_name;
    const bool am = base.size() > 2 && TextStartsWith(base, "am") && IsDottedNumber(std::string_view(base).substr(2));
    return am && c.n.R == "1.0.0.0" ? FindInstalledVersion("ArtMoney") : std::string();
}

std::string PaintNet(VersionCall& c) {
    const std::string v = FindNumberInDisplayName("Paint.NET");
    return v.empty() ? std::string() : v + "." + std::to_string(Ver(c.n.R).Release);
}

// PhotoScape keeps its version between two markers of its language table.
std::string PhotoScape(VersionCall& c) {
    std::uint64_t at = 0, end = 0;
    if (!FindInFile(c.n.path, "IDR_LANG_EN", at)) return {};
    const std::uint64_t from = at + 17;
    if (!FindInFile(c.n.path, "photoscape", end, from) || end < from + 4) return {};
    std::string text;
    if (end - 4 - from > 64 || !ReadFileBytes(c.n.path, from, static_cast<std::size_t>(end - 4 - from), text)) return {};
    return IsDotted(text) ? text : std::string();
}

// DOSBox prints its build as "DOSBox %s r<build>,".
std::string DosBox(VersionCall& c) {
    std::uint64_t at = 0;
    if (!FindInFile(c.n.path, "DOSBox %s r", at)) return {};
    std::string text;
    if (!ReadFileBytes(c.n.path, at + 11, 32, text)) return {};
    const std::string build = TextBefore(text, ",");
    const auto n = ParseVersionInteger(build);
    return n && build.size() < text.size() ? WithPart(c.n.R, 3, *n) : std::string();
}

std::string OpenVpnConnect(VersionCall& c) {
    const std::string fv = DottedField(c.n.V.FileVersion);
    const std::string pv = DottedField(c.n.V.ProductVersion);
    if (fv.empty() || pv.empty()) return {};
    return WithPart(pv, 3, Ver(fv).Major);
}

// AdwCleaner writes 8.4.1 as 8.4.0.1 in its FileVersion.
std::string AdwCleaner(VersionCall& c) {
    const TOrvoVersion f = Ver(c.n.V.FileVersion);
    if (f.Release + f.Build <= 0 || f.Major >= 5) return {};
    return std::to_string(f.Major) + "." + std::to_string(f.Minor) + std::to_string(f.Release) + std::to_string(f.Build);
}

// Farbar's tools carry their release date as day.month.year.
std::string Farbar(VersionCall& c) {
    const std::string& pv = c.n.V.ProductVersion;
    if (WordCount(pv, ".") != 3) return {};
    const auto day = ParseVersionInteger(Part(pv, 0)), month = ParseVersionInteger(Part(pv, 1)),
               year = ParseVersionInteger(Part(pv, 2));
    if (!day || !month || !year || *year < 2001 || *year > 2099) return {};
    return std::to_string(*year) + "." + std::to_string(*month) + "." + std::to_string(*day);
}

std::string PotPlayer(VersionCall& c) {
    if (c.n.R != "0.0.0.0") return {};
    for (const char* lib : {"PotPlayer.dll", "PotPlayer64.dll"}) {
        std::string v = FixedVersionOf(SiblingPath(c.n.folder, lib));
        if (IsNonZeroVersion(v)) return v;
    }
    return {};
}

std::string AdvancedSystemCare(VersionCall& c) {
    c.ended = true;  // its other executables carry the version of a component
    c.n.R.clear();
    return {};
}

std::string TrimV(VersionCall& c) {
    std::string fv = c.n.V.FileVersion;
    if (!fv.empty() && (fv.front() == 'v' || fv.front() == 'V')) fv.erase(0, 1);
    return DottedField(fv);
}

// The version word of a readme's first line ("DBeaver 23.1.0").
std::string ReadmeVersion(VersionCall& c, const char* file) {
    const std::string line = FirstLineOf(SiblingPath(c.n.folder, file));
    for (int i = WordCount(line, " ") - 1; i >= 0; --i) {
        std::string w = StripVersionPrefix(ExtractWord(line, i, " "));
        if (IsDotted(w) && w.find('.') != std::string::npos) return w;
    }
    return {};
}
std::string DBeaver(VersionCall& c) { return ReadmeVersion(c, "readme.txt"); }
std::string VirtualDub2(VersionCall& c) { return ReadmeVersion(c, "readme.md"); }

// The tax products keep their version in libraries named with the year's last two digits.
std::string TaxLibraries(VersionCall& c) {
    const std::string year = RightText(c.n.product, 2);
    for (const std::string& lib : {"wmain" + year + ".dll", "wcore" + year + ".dll"}) {
        std::string v = SiblingVersion(SiblingPath(c.n.folder, lib));
        if (!v.empty()) return v;
    }
    return {};
}

std::string NwJs(VersionCall& c) {
    const std::string name = FindUninstallDisplayName(c.n.folder);
    return name.empty() ? std::string() : FindUninstallVersion(name, {}, c.n.folder);
}

std::string RevoPortable(VersionCall& c) {
    for (const char* exe : {"x64\\RevoUnPro.exe", "x86\\RevoUnPro.exe", "x64\\RevoUn.exe", "x86\\RevoUn.exe"}) {
        std::string v = SiblingVersion(SiblingPath(c.n.folder, exe));
        if (!v.empty()) return v;
    }
    return {};
}

std::string SkypeRelease(VersionCall& c) { return WithPart(c.n.R, 2, 0); }

std::string InternetDownloadManager(VersionCall& c) {
    std::string v = WithPart(c.n.R, 3, 0);
    if (std::string_view(v).ends_with(".0")) v.resize(v.size() - 2);
    return v;
}

std::string OpenOffice(VersionCall&) { return OpenOfficeVersion(); }
std::string InstalledProduct(VersionCall& c) { return FindInstalledVersion(c.n.product); }

std::string Malwarebytes(VersionCall& c) {
    std::string lib = FixedVersionOf(SiblingPath(c.n.folder, "mbam.dll"));
    if (lib.empty()) lib = FixedVersionOf(SiblingPath(ParentFolderOf(c.n.folder), "mbam.dll"));
    return NewerOf(lib, MalwarebytesVersion(c.n.folder));
}

std::string WinMerge2011(VersionCall& c) { return c.n.R.substr(2); }

std::string TorBrowser(VersionCall& c) {
    const std::string line = FirstLineOf(SiblingPath(c.n.folder, "TorBrowser\\Docs\\changelog.txt"));
    const std::size_t at = line.find("Tor Browser ");
    if (at == std::string::npos) return {};
    return ExtractWord(TrimText(line.substr(at + 12)), 0, " ");
}

std::string MadVr(VersionCall& c) {
    std::string line = TrimText(FirstLineOf(SiblingPath(c.n.folder, "changelog.txt")));
    if (!line.empty() && (line.front() == 'v' || line.front() == 'V')) line.erase(0, 1);
    return line;
}

std::string SoftMaker(VersionCall& c) {
    const TOrvoVersion v = Ver(c.n.R);
    return v.Major >= 2001 && v.Major <= 2099 ? WithPart(c.n.R, 1, v.Build) : std::string();
}

// clang-format off

// Files that are known by their name alone (the file exists and is not empty).
const std::array kTriggerRows = std::to_array<VersionRule>({
    {{Is(Base, "unlocker")}, Source::Call, {}, UnlockerInFolder, {"Unlocker/Unlocker.exe", "P=Unlocker", "1.9.2.0", "", "DisplayName=Unlocker 1.9.2;DisplayVersion=1.9.2;InstallLocation={dir}"}},
    {{BeginsWith(Base, "gimp")}, Source::Call, {}, Gimp, {"gimp-2.10.exe", "P=GNU Image Manipulation Program", "2.10.34.0", "", "DisplayName=GIMP 2.10.34"}},
    {{BeginsWith(Base, "glimpse")}, Source::Installed, "glimpse", nullptr, {"glimpse.exe", "P=Glimpse", "0.2.0.0", "", "DisplayName=Glimpse Image Editor;DisplayVersion=0.2.0"}},
    {{BeginsWith(Base, "ff_vfw")}, Source::Call, {}, Ffdshow, {"ff_vfw.dll", "P=ffdshow VFW", "1.3.4531.0", "", "DisplayName=ffdshow;DisplayVersion=1.3.4531.0"}},
    {{BeginsWith(Base, "xvidvfw")}, Source::Call, {}, Xvid, {"xvidvfw.dll", "P=Xvid VFW", "1.3.7.0", "", "DisplayName=Xvid Video Codec;DisplayVersion=1.3.7"}},
    {{Is(Base, "ffdshow"), EndsWith(Path, ".ax")}, Source::Call, {}, Ffdshow, {"ffdshow.ax", "P=ffdshow", "1.3.4500.0", "", "DisplayName=ffdshow [rev 4500];DisplayVersion=1.3.4500.0"}},  // the file "ffdshow.ax"
    {{BeginsWith(Base, "launchy")}, Source::Call, {}, Launchy, {"Launchy.exe", "P=Launchy", "2.5.0.0", "", "DisplayName=Launchy 2.5"}},
    {{Is(Product, "XVid Video Codec")}, Source::Call, {}, Xvid, {"xvid.exe", "P=XVid Video Codec", "1.3.5.0", "", "DisplayName=XviD 1.3.5"}},
    {{Is(Base, "eac")}, Source::Installed, "Exact Audio Copy", nullptr, {"eac.exe", "P=EAC", "1.6.0.0", "", "DisplayName=Exact Audio Copy 1.6;DisplayVersion=1.6"}},
    {{Contains(Product, "ashampoo snap")}, Source::Installed, "ashampoo snap", nullptr, {"Snap.exe", "P=Ashampoo Snap 12", "12.0.8.0", "", "DisplayName=Ashampoo Snap 12;DisplayVersion=12.0.8"}},
    {{Is(Company, "Yamicsoft"), Contains(Product, "Manager"), Contains(Product, "Windows")}, Source::Call, {}, TweakingSuite, {"Windows11Manager.exe", "P=Windows 11 Manager|C=Yamicsoft", "1.4.3.0", "", "HKCU:DisplayName=Windows 11 Manager;Publisher=Yamicsoft;DisplayVersion=1.4.3"}},
});

// Products whose fixed version is not theirs: asked before it.
const std::array kBeforeFixedRows = std::to_array<VersionRule>({
    {{Is(Company, "Yamicsoft"), Contains(Product, "Manager"), Contains(Product, "Windows")}, Source::Call, {}, TweakingSuiteLibrary, {"Windows10Manager.exe", "P=Windows 10 Manager|C=Yamicsoft", "3.8.1.0", "W10MPCL.dll=PE:F=3.8.1.0", ""}},
    {{Is(Product, "JDownloader")}, Source::Call, {}, JDownloader, {"JDownloader2.exe", "P=JDownloader", "2.0.0.48123", "build.json={\"JDownloaderRevision\":48123}", "DisplayName=JDownloader 2;DisplayVersion=2.0"}},
    {{Contains(Product, "Vuze")}, Source::Installed, "Vuze", nullptr, {"app.exe", "P=Vuze", "2.5.1.0", "", "DisplayName=Vuze;DisplayVersion=2.5.1"}},
    {{Contains(Product, "SSD Dashboard"), Is(Company, "Western Digital")}, Source::InstalledInFolder, "Dashboard", nullptr, {"SSD Dashboard/Dashboard.exe", "P=Dashboard|C=Western Digital", "3.7.2.5", "", "DisplayName=Western Digital SSD Dashboard;DisplayVersion=3.7.2.5;InstallLocation={dir}"}},
    {{BeginsWith(Product, "Ashampoo WinOptimizer")}, Source::Installed, "Ashampoo WinOptimizer", nullptr, {"app.exe", "P=Ashampoo WinOptimizer", "2.5.1.0", "", "DisplayName=Ashampoo WinOptimizer;DisplayVersion=2.5.1"}},
    {{Contains(Product, "MediathekView")}, Source::Installed, "MediathekView", nullptr, {"app.exe", "P=MediathekView", "2.5.1.0", "", "DisplayName=MediathekView;DisplayVersion=2.5.1"}},
    {{Contains(Product, "LatencyMon")}, Source::Installed, "LatencyMon", nullptr, {"app.exe", "P=LatencyMon", "2.5.1.0", "", "DisplayName=LatencyMon;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Citrix Workspace")}, Source::Installed, "Citrix Workspace", nullptr, {"app.exe", "P=Citrix Workspace", "2.5.1.0", "", "DisplayName=Citrix Workspace;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Zortam Mp3 Media Studio")}, Source::Installed, "Zortam Mp3 Media Studio", nullptr, {"app.exe", "P=Zortam Mp3 Media Studio", "2.5.1.0", "", "DisplayName=Zortam Mp3 Media Studio;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Screencast-O-Matic")}, Source::Call, {}, ScreencastOMatic, {"som/app/ScreenRecorder.exe", "P=Screencast-O-Matic", "3.2.0.0", "som-data/version-x64.txt=3.1", "DisplayName=Screencast-O-Matic v3.2;InstallLocation={dir}"}},
    {{Is(Product, "Ventoy")}, Source::Call, {}, Ventoy, {"Ventoy2Disk.exe", "P=Ventoy", "1.0.97.0", "ventoy/version=1.0.97\n", ""}},
    {{BeginsWith(Product, "8GadgetPack")}, Source::Installed, "8GadgetPack", nullptr, {"app.exe", "P=8GadgetPack", "2.5.1.0", "", "DisplayName=8GadgetPack;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "IceCream Ebook Reader")}, Source::Installed, "IceCream Ebook Reader", nullptr, {"app.exe", "P=IceCream Ebook Reader", "2.5.1.0", "", "DisplayName=IceCream Ebook Reader;DisplayVersion=2.5.1"}},
    {{Is(Company, "Chris P.C. srl")}, Source::Call, {}, ChrisPC, {"ChrisPC/FreeTube.exe", "P=ChrisPC Free VideoTube Downloader|C=Chris P.C. srl", "14.23.0.0", "", "DisplayName=ChrisPC Free VideoTube Downloader 14.23;DisplayVersion=14.23;InstallLocation={dir}"}},
    {{BeginsWith(Product, "StarMoney")}, Source::Installed, "StarMoney", nullptr, {"app.exe", "P=StarMoney", "2.5.1.0", "", "DisplayName=StarMoney;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "NVIDIA GeForce Experience")}, Source::Installed, "NVIDIA GeForce Experience", nullptr, {"app.exe", "P=NVIDIA GeForce Experience", "2.5.1.0", "", "DisplayName=NVIDIA GeForce Experience;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "AMD Ryzen Master")}, Source::Installed, "AMD Ryzen Master", nullptr, {"app.exe", "P=AMD Ryzen Master", "2.5.1.0", "", "DisplayName=AMD Ryzen Master;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Radeon Software")}, Source::Installed, "AMD Software", nullptr, {"app.exe", "P=Radeon Software", "2.5.1.0", "", "DisplayName=AMD Software;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "OWASP Zed Attack Proxy")}, Source::Installed, "OWASP ZAP", nullptr, {"app.exe", "P=OWASP Zed Attack Proxy", "2.5.1.0", "", "DisplayName=OWASP ZAP;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Waterfox G")}, Source::Call, {}, Waterfox, {"waterfox.exe", "P=Waterfox", "5.1.2.0", "", "DisplayName=Waterfox;DisplayVersion=G5.1.2;InstallLocation={dir}"}},
    {{Contains(Product, "ashampoo undeleter")}, Source::Installed, "ashampoo undeleter", nullptr, {"app.exe", "P=ashampoo undeleter", "2.5.1.0", "", "DisplayName=ashampoo undeleter;DisplayVersion=2.5.1"}},
    {{Is(Product, "Plex")}, Source::Installed, "Plex Media Server", nullptr, {"app.exe", "P=Plex", "2.5.1.0", "", "DisplayName=Plex Media Server;DisplayVersion=2.5.1"}},
    {{Is(Product, "Plex Media Player")}, Source::Installed, "Plex Media Player", nullptr, {"app.exe", "P=Plex Media Player", "2.5.1.0", "", "DisplayName=Plex Media Player;DisplayVersion=2.5.1"}},
    {{Is(Base, "GlyphClient")}, Source::Sibling, "GlyphClientApp.exe", nullptr, {"GlyphClient.exe", "P=Glyph", "3.4.5.6", "GlyphClientApp.exe=PE:F=3.4.5.6", ""}},
    {{Is(Base, "wweb32")}, Source::Sibling, "wwnotray.exe", nullptr, {"wweb32.exe", "P=WordWeb", "10.1.0.0", "wwnotray.exe=PE:F=10.1.0.0", ""}},
    {{Is(Base, "RevoUPort")}, Source::Call, {}, RevoPortable, {"RevoUPort.exe", "P=Revo Uninstaller Portable", "2.4.5.0", "x64/RevoUn.exe=PE:F=2.4.5.0", ""}},
    {{Is(Base, "RevoUPPort")}, Source::Call, {}, RevoPortable, {"RevoUPPort.exe", "P=Revo Uninstaller Pro Portable", "5.2.1.0", "x64/RevoUnPro.exe=PE:F=5.2.1.0", ""}},
    {{Is(Base, "RevoUninstallerProPortable")}, Source::Call, {}, RevoPortable, {"RevoUninstallerProPortable.exe", "P=Revo Uninstaller Pro Portable", "5.1.7.0", "x86/RevoUnPro.exe=PE:F=5.1.7.0", ""}},
    {{BeginsWith(Product, "Linqpad")}, Source::Installed, "LINQPad", nullptr, {"app.exe", "P=Linqpad", "2.5.1.0", "", "DisplayName=LINQPad;DisplayVersion=2.5.1"}},
    {{Is(Product, "StartUI")}, Source::Installed, "StartUI", nullptr, {"app.exe", "P=StartUI", "2.5.1.0", "", "DisplayName=StartUI;DisplayVersion=2.5.1"}},
    {{Is(Base, "avcenter")}, Source::Installed, "Avira", nullptr, {"avcenter.exe", "P=Avira Control Center", "15.0.45.0", "", "DisplayName=Avira;DisplayVersion=15.0.45"}},
    {{Is(Base, "WindscribeLauncher")}, Source::Sibling, "Windscribe.exe", nullptr, {"WindscribeLauncher.exe", "P=Windscribe", "2.8.6.0", "Windscribe.exe=PE:F=2.8.6.0", ""}},
    {{BeginsWith(Product, "Librewolf Portable")}, Source::Sibling, "LibreWolf\\librewolf.exe", nullptr, {"LibreWolf-Portable.exe", "P=LibreWolf Portable", "120.0.0.0", "LibreWolf/librewolf.exe=PE:F=120.0.0.0", ""}},
    {{BeginsWith(Product, "Ubisoft Connect")}, Source::Installed, "Ubisoft Connect", nullptr, {"app.exe", "P=Ubisoft Connect", "2.5.1.0", "", "DisplayName=Ubisoft Connect;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Inno Setup")}, Source::Installed, "Inno Setup", nullptr, {"app.exe", "P=Inno Setup", "2.5.1.0", "", "DisplayName=Inno Setup;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "CloudBuckit")}, Source::Installed, "CloudBuckit", nullptr, {"app.exe", "P=CloudBuckit", "2.5.1.0", "", "DisplayName=CloudBuckit;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Airdroid")}, Source::Installed, "AirDroid", nullptr, {"app.exe", "P=Airdroid", "2.5.1.0", "", "DisplayName=AirDroid;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "O&O Defrag")}, Source::Installed, "O&O Defrag", nullptr, {"app.exe", "P=O&O Defrag", "2.5.1.0", "", "DisplayName=O&O Defrag;DisplayVersion=2.5.1"}},
    {{Is(Base, "mbae-test")}, Source::Sibling, "mbae.exe", nullptr, {"mbae-test.exe", "P=Anti-Exploit Test", "1.13.1.0", "mbae.exe=PE:F=1.13.1.0", ""}},
});

// Sources that look at the fixed version B (R is B when they start); a found version replaces the result.
const std::array kNeedFixedRows = std::to_array<VersionRule>({
    {{Is(Base, "partitionwizard")}, Source::Call, {}, PartitionWizard, {"partitionwizard.exe", "-", "12.5.0.0", "", "DisplayName=MiniTool Partition Wizard Free 12.5"}},
    {{Is(Base, "seatools"), IsEmpty(R)}, Source::InstalledInFolder, "SeaTools", nullptr, {"SeaTools/SeaTools.exe", "-", "5.1.0.0", "", "DisplayName=SeaTools for Windows;DisplayVersion=5.1.0;InstallLocation={dir}"}},
    {{BeginsWith(Product, "AudioConverter Studio"), Is(R, "1.0.0.0")}, Source::Installed, "AudioConverter Studio", nullptr, {"AudioConverterStudio.exe", "P=AudioConverter Studio|F=1.0.0.0", "10.1.0.0", "", "DisplayName=AudioConverter Studio;DisplayVersion=10.1"}},
    {{BeginsWith(Product, "EaseUS Data Recovery Wizard")}, Source::InstalledInFolder, "EaseUS Data Recovery Wizard", nullptr, {"EaseUS/DRW.exe", "P=EaseUS Data Recovery Wizard", "16.2.0.0", "", "DisplayName=EaseUS Data Recovery Wizard;DisplayVersion=16.2;InstallLocation={dir}"}},
    {{Is(Product, "GPL Ghostscript"), IsEmpty(R)}, Source::Installed, "GPL Ghostscript", nullptr, {"gs/bin/gswin32.exe", "-", "10.2.1.0", "", "DisplayName=GPL Ghostscript;DisplayVersion=10.02.1"}},
    {{Is(Product, "Thonny"), IsEmpty(R)}, Source::InstalledInFolder, "Thonny", nullptr, {"Thonny/thonny.exe", "-", "4.1.4.0", "", "DisplayName=Thonny 4.1.4;DisplayVersion=4.1.4;InstallLocation={dir}"}},
    {{Is(Base, "nsis"), IsEmpty(R)}, Source::Installed, "Nullsoft Install System", nullptr, {"nsis.exe", "-", "3.9.0.0", "", "DisplayName=Nullsoft Install System;DisplayVersion=3.09"}},
    {{Contains(Product, "ArtMoney")}, Source::Call, {}, ArtMoney, {"am810.exe", "P=ArtMoney SE v8.10|F=1.0.0.0", "8.10.0.0", "", "DisplayName=ArtMoney SE 8.10;DisplayVersion=8.10"}},
});

// Versions inside the executable's own bytes.
const std::array kContentRows = std::to_array<VersionRule>({
    {{Is(Product, "Paint.NET")}, Source::Call, {}, PaintNet, {"PaintDotNet.exe", "P=Paint.NET|F=4.3.7947.0", "4.4.7947.0", "", "DisplayName=Paint.NET v4.4"}},
    {{Is(Product, "photoscape")}, Source::Call, {}, PhotoScape, {"PhotoScape.exe", "P=PhotoScape", "3.7.0.0", "<self>=IDR_LANG_EN......3.7....photoscape", ""}},
    {{Is(Base, "dosbox")}, Source::Call, {}, DosBox, {"dosbox.exe", "P=DOSBox|F=0.74.0.0", "0.74.0.4482", "<self>=..DOSBox %s r4482, built", ""}},
});

// Products whose version strings say more than the fixed version; the first found ends the call.
const std::array kFieldRows = std::to_array<VersionRule>({
    {{Is(Product, "DBeaver Community")}, Source::Call, {}, DBeaver, {"dbeaver.exe", "-", "23.1.0.0", "readme.txt=DBeaver 23.1.0\nmore", ""}},
    {{BeginsWith(Product, "WISO"), ContainsExactly(Company, "Buhl")}, Source::Call, {}, TaxLibraries, {"steuer.exe", "P=WISO steuer-Sparbuch|V=2020.3.0.7|C=Buhl Data Service GmbH", "27.3.0.1", "wmain20.dll=PE:F=27.3.0.1", ""}},
    {{Contains(Co, "NW.JS"), Contains(PN, "NWJS")}, Source::Call, {}, NwJs, {"Star Garden/game.exe", "P=nwjs|C=The NW.js Community", "1.4.2.0", "", "DisplayName=Star Garden Deluxe;DisplayVersion=1.4.2;InstallLocation={dir}"}},
    {{Is(Product, "IOBit Unlocker")}, Source::Installed, "IObit Unlocker", nullptr, {"IObitUnlocker.exe", "P=Unlocker", "1.3.0.11", "", "DisplayName=IObit Unlocker;DisplayVersion=1.3.0.11"}},
    {{BeginsWith(Product, "BleachBit")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=BleachBit|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Is(Base, "OpenVPNConnect")}, Source::Call, {}, OpenVpnConnect, {"OpenVPNConnect.exe", "P=OpenVPN Connect|F=3.4.0.0|V=3.4.2", "3.4.2.3", "", ""}},
    {{BeginsWith(Product, "VirtualDub2")}, Source::Call, {}, VirtualDub2, {"VirtualDub64.exe", "P=VirtualDub2", "2.1.0.0", "readme.md=VirtualDub2 pack v2.1.0\n", ""}},
    {{BeginsWith(Product, "PowerShell"), Contains(Folder, "WindowsPowerShell\\v1.0\\")}, Source::Fixed, "5.1", nullptr, {"WindowsPowerShell\\v1.0\\/powershell.exe", "P=PowerShell|F=10.0.19041.1", "5.1.0.0", "", ""}},
    {{Is(Product, "Grammarly")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Grammarly|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Is(Product, "Brave Portable")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Brave Portable|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Is(Product, "Logitech Media Server")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Logitech Media Server|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Is(Product, "Dell Display Manager")}, Source::FileVersion, {}, nullptr, {"app.exe", "P=Dell Display Manager|F=2.5.1.0", "2.5.1.0", "", ""}},
    {{Is(Product, "Trident Z Lighting Control")}, Source::Call, {}, TrimV, {"TridentZ.exe", "P=Trident Z Lighting Control|F=v1.0.1.5", "1.0.1.5", "", ""}},
    {{BeginsWith(Product, "Ant Download Manager")}, Source::Installed, "Ant Download Manager", nullptr, {"app.exe", "P=Ant Download Manager", "2.5.1.0", "", "DisplayName=Ant Download Manager;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "WSCC")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=WSCC|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Trader WorkStation")}, Source::Installed, "Trader Workstation", nullptr, {"app.exe", "P=Trader WorkStation", "2.5.1.0", "", "DisplayName=Trader Workstation;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "DWG TrueView")}, Source::Installed, "DWG TrueView", nullptr, {"app.exe", "P=DWG TrueView", "2.5.1.0", "", "DisplayName=DWG TrueView;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "iSCSIAgent")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=iSCSIAgent|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "MiKTeX")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=MiKTeX|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "PowerPanel")}, Source::Installed, "PowerPanel", nullptr, {"app.exe", "P=PowerPanel", "2.5.1.0", "", "DisplayName=PowerPanel;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Password Tech")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Password Tech|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "CrystalDiskInfo")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=CrystalDiskInfo|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "FastKeys")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=FastKeys|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "VoodooShield")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=VoodooShield|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "ESET"), Contains(Company, "ESET")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=ESET|C=ESET|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "PostBox")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=PostBox|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Dante Virtual Soundcard")}, Source::Installed, "Dante Virtual Soundcard", nullptr, {"app.exe", "P=Dante Virtual Soundcard", "2.5.1.0", "", "DisplayName=Dante Virtual Soundcard;DisplayVersion=2.5.1"}},
    {{Is(Product, "slack")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=slack|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "NetPhone Client")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=NetPhone Client|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Avidemux")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Avidemux|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Farbar")}, Source::Call, {}, Farbar, {"FRST64.exe", "P=Farbar Recovery Scan Tool|V=12.03.2024", "2024.3.12.0", "", ""}},
    {{BeginsWith(Product, "PotPlayer")}, Source::Call, {}, PotPlayer, {"PotPlayerMini64.exe", "P=PotPlayer", "1.7.21.0", "PotPlayer64.dll=PE:F=1.7.21.0", ""}},
    {{BeginsWith(Product, "Advanced SystemCare"), Not(Is(Base, "ASC"))}, Source::Call, {}, AdvancedSystemCare, {"Monitor.exe", "P=Advanced SystemCare|F=16.0.0.0", "", "", ""}},
    {{BeginsWith(Product, "AdwCleaner")}, Source::Call, {}, AdwCleaner, {"AdwCleaner.exe", "P=AdwCleaner|F=4.2.0.1", "4.201.0.0", "", ""}},
    {{BeginsWith(Product, "Songbird")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Songbird|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Kobo")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Kobo|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Firefox"), Contains(Company, "Mozilla")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Firefox|C=Mozilla|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Instantbird")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Instantbird|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Tag&Rename")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Tag&Rename|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Directory Opus")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Directory Opus|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Thunderbird"), Contains(Company, "Mozilla")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Thunderbird|C=Mozilla|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "SeaMonkey")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=SeaMonkey|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Sunbird")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Sunbird|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Pale Moon")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Pale Moon|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Is(Base, "VC10Play")}, Source::Sibling, "VC10Start.exe", nullptr, {"VC10Play.exe", "P=VC10 Player", "2.3.1.0", "VC10Start.exe=PE:F=2.3.1.0", ""}},
    {{Is(Base, "vc10Center")}, Source::Sibling, "VC10Start.exe", nullptr, {"vc10Center.exe", "P=VC10 Center", "2.3.2.0", "VC10Start.exe=PE:F=2.3.2.0", ""}},
    {{BeginsWith(Product, "System Explorer")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=System Explorer|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Contains(Product, "PDF"), Is(Company, "Softland")}, Source::FileVersion, {}, nullptr, {"app.exe", "P=PDF|C=Softland|F=2.5.1.0", "2.5.1.0", "", ""}},
});

// Adjustments of the final result.
const std::array kAdjustRows = std::to_array<VersionRule>({
    {{BeginsWith(Product, "ThreatFire")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=ThreatFire|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Is(Product, "Thaiphoon Burner"), Is(Base, "Thaiphoon")}, Source::ProductVersion, {}, nullptr, {"Thaiphoon.exe", "P=Thaiphoon Burner|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Is(Product, "Skype"), Contains(Company, "Skype")}, Source::Call, {}, SkypeRelease, {"Skype.exe", "P=Skype|C=Skype Technologies S.A.|V=8.105.0.211|F=8.105.0.211", "8.105.0.211", "", ""}},
    {{Is(Product, "Skype Classic"), Contains(Company, "Skype")}, Source::Call, {}, SkypeRelease, {"Skype.exe", "P=Skype|C=Skype Technologies S.A.|V=7.41.0.101|F=7.41.2.101", "7.41.0.101", "", ""}},
    {{BeginsWith(Product, "Internet Download Manager")}, Source::Call, {}, InternetDownloadManager, {"IDMan.exe", "P=Internet Download Manager|F=6.41.2.5", "6.41.2.0", "", ""}},
    {{BeginsWith(Product, "TuneUp")}, Source::Installed, "TuneUp Utilities", nullptr, {"app.exe", "P=TuneUp", "2.5.1.0", "", "DisplayName=TuneUp Utilities;DisplayVersion=2.5.1"}},
    {{Contains(Product, "OpenOffice"), Contains(Company, "OpenOffice.org")}, Source::Call, {}, OpenOffice, {"soffice.exe", "P=OpenOffice|C=OpenOffice.org|F=4.1.0.0", "4.1.14.0", "", "DisplayName=OpenOffice.org 4.1.14;DisplayVersion=4.1.14"}},
    {{Contains(Product, "LibreOffice"), Contains(Company, "Document Foundation")}, Source::Installed, "libreoffice", nullptr, {"soffice.exe", "P=LibreOffice|C=The Document Foundation|F=7.6.0.0", "7.6.4.1", "", "DisplayName=LibreOffice 7.6.4.1;DisplayVersion=7.6.4.1"}},
    {{BeginsWith(Product, "WD Security"), Is(Company, "Western Digital")}, Source::Call, {}, InstalledProduct, {"WD Security.exe", "P=WD Security|C=Western Digital|F=1.0.0.0", "2.0.0.70", "", "DisplayName=WD Security;DisplayVersion=2.0.0.70"}},
    {{BeginsWith(Product, "WD Drive Utilities"), Is(Company, "Western Digital")}, Source::Call, {}, InstalledProduct, {"WD Drive Utilities.exe", "P=WD Drive Utilities|C=Western Digital|F=1.0.0.0", "2.1.0.142", "", "DisplayName=WD Drive Utilities;DisplayVersion=2.1.0.142"}},
    {{BeginsWith(Product, "Malwarebytes"), Contains(Company, "Malwarebytes")}, Source::Call, {}, Malwarebytes, {"mbam.exe", "P=Malwarebytes|C=Malwarebytes|F=1.0.0.0", "4.6.8.0", "mbam.dll=PE:F=4.6.8.0", ""}},
    {{BeginsWith(Product, "Java(TM)")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Java(TM)|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "JavaFX")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=JavaFX|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Wondershare Filmora")}, Source::Installed, "Wondershare Filmora", nullptr, {"app.exe", "P=Wondershare Filmora", "2.5.1.0", "", "DisplayName=Wondershare Filmora;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Ultimate TagScanner")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Ultimate TagScanner|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{Is(Base, "reader_sl")}, Source::Sibling, "AcroRd32.exe", nullptr, {"reader_sl.exe", "P=Adobe Reader Speed Launcher|F=1.0.0.0", "11.0.23.0", "AcroRd32.exe=PE:F=11.0.23.0", ""}},
    {{Is(Product, "SIW")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=SIW|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "HiSuite")}, Source::Installed, "HiSuite", nullptr, {"app.exe", "P=HiSuite", "2.5.1.0", "", "DisplayName=HiSuite;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "BlueGriffon")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=BlueGriffon|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "Brave Browser")}, Source::ProductVersion, {}, nullptr, {"app.exe", "P=Brave Browser|F=9.0.0.0|V=2.5.1", "2.5.1.0", "", ""}},
    {{BeginsWith(Product, "jv16 PowerTools")}, Source::Installed, "jv16 PowerTools", nullptr, {"app.exe", "P=jv16 PowerTools", "2.5.1.0", "", "DisplayName=jv16 PowerTools;DisplayVersion=2.5.1"}},
    {{BeginsWith(Product, "Winmerge"), BeginsWith(R, "0.2011.")}, Source::Call, {}, WinMerge2011, {"WinMergeU.exe", "P=WinMerge|F=0.2011.7.0", "2011.7.0.0", "", ""}},
    {{BeginsWith(Product, "Tor Browser")}, Source::Call, {}, TorBrowser, {"tor/firefox.exe", "P=Tor Browser|F=1.2.0.0", "13.0.5.0", "TorBrowser/Docs/changelog.txt=Tor Browser 13.0.5 - November 2023\nmore", ""}},
    {{Is(Product, "madVR")}, Source::Call, {}, MadVr, {"madHcCtrl.exe", "P=madHcCtrl|F=1.0.0.0", "0.92.17.0", "changelog.txt=v0.92.17\n", ""}},
    {{BeginsWith(Company, "SoftMaker ")}, Source::Call, {}, SoftMaker, {"TextMaker.exe", "P=TextMaker|C=SoftMaker Software GmbH|F=2021.0.0.1030", "2021.1030.0.1030", "", ""}},
});

// clang-format on

// The fixed version reconciled with the version strings.
void Reconcile(VersionCall& c) {
    std::string& w = c.n.R;
    const std::string& pv = c.n.V.ProductVersion;
    const std::string& fv = c.n.V.FileVersion;
    const std::string& name = c.n.product;

    // WinZip writes its version as words ("26.0 (build 16340)").
    const std::string file = FileNameNoExt(c.n.path);
    if (TextContains("winzip", file) || (TextStartsWith(file, "wz") && StrStartsWith(w, "1."))) {
        std::string out;
        bool skipping = false;
        for (char ch : pv) {
            if (IsDigit(ch) || ch == '.') {
                if (skipping && !IsDigit(ch)) continue;
                skipping = false;
                out += ch;
            } else {
                if (ch == '(') skipping = true;
                if (!out.empty() && out.back() != '.') out += '.';
            }
        }
        out = PadToFour(out);
        while (!out.empty() && out.back() == '.') out.pop_back();
        c.ended = true;
        w = out;
        return;
    }

    if (IsDotted(fv)) {
        const std::string f4 = PadToFour(fv);
        if (Newer(f4, w) && Ver(f4).MS() == Ver(w).MS()) w = f4;
    }

    if (w.find('.') != std::string::npos && pv.find('.') != std::string::npos) {
        const std::string p = CleanVersionText(pv);
        const TOrvoVersion wv = Ver(w), pvv = Ver(p);
        // 7.61 written as 7.6.1 is the same version; a greater minor is a newer one.
        const bool newer_minor = wv.MS() < pvv.MS() && wv.Major == pvv.Major &&
                                 Part(w, 1) + Part(w, 2) != Part(p, 1) && !TextContains("notepad++", name);
        if (newer_minor || (w == "0.0.0.0" && pvv.MS() != 0)) w = p;
    }

    {
        const std::string p = CleanVersionText(pv), f = CleanVersionText(fv);
        const std::int32_t build_before = Ver(w).Build;
        if (Ver(p).MS() == Ver(f).MS() && Newer(p, w) && !TextContains("notepad++", name) && IsNonZeroVersion(p) &&
            IsNonZeroVersion(f)) {
            w = p.size() > f.size() ? p : f;
            if (TextContains("Total Commander", name) && build_before > 0) w += "." + std::to_string(build_before);
        }
    }

    if (TextContains("LimeWire", c.n.path) && StrStartsWith(w, "1")) {
        w = FixedVersionOf(SiblingPath(c.n.folder, "uninstall.exe"));
    }

    if (w == "1.0.0.0" || w == "1.0.0.1") {
        // An empty FileVersion replaces nothing.
        if (IsDotted(fv)) w = PadToFour(CleanVersionText(fv));
        if (w == "1.0.0.0" || w == "1.0.0.1") {
            const std::string p = CleanVersionText(pv);
            if (Newer(p, w)) w = p;
        }
    }
    // A separate step: a template's 1.0.0.0 that its FileVersion made 0.0.0.5 still takes a
    // newer ProductVersion.
    if (StrStartsWith(w, "0.0.0")) {
        const std::string p = CleanVersionText(pv);
        if (Newer(p, w)) w = p;
    }
}

}  // namespace

std::vector<VersionRowCase> VersionRuleCases() {
    std::vector<VersionRowCase> cases;
    const std::pair<std::string_view, std::span<const VersionRule>> stages[] = {
        {"trigger", kTriggerRows}, {"before the fixed version", kBeforeFixedRows}, {"with the fixed version", kNeedFixedRows},
        {"content", kContentRows}, {"version strings", kFieldRows},         {"adjustment", kAdjustRows},
    };
    for (const auto& [stage, rows] : stages) {
        for (const VersionRule& row : rows) {
            const bool tests = std::any_of(row.when.begin(), row.when.end(), [](const RuleTest& t) {
                return t.subject != Subject::None || t.match == Match::FileExists;
            });
            cases.push_back({stage, row.sample, tests, row.source != Source::Call || row.fn != nullptr});
        }
    }
    return cases;
}

bool IsNonZeroVersion(const std::string& text) { return !text.empty() && Ver(text).IsValid(); }

std::string CleanVersionText(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (IsDigit(ch)) {
            out += ch;
        } else if (ch == '.' || ch == ',') {
            out += '.';
        } else if (ch == ' ') {
            // Spaces are layout (" 2.3", "1, 2"), except between two numbers: "2.5 2019" is 2.5.
            std::size_t next = i;
            while (next < text.size() && text[next] == ' ') ++next;
            if (!out.empty() && IsDigit(out.back()) && next < text.size() && IsDigit(text[next])) break;
            i = next - 1;
        } else {
            break;
        }
    }
    return out;
}

std::string GetChromeVersion(const std::string& path) {
    std::vector<std::string> folders;
    ListFolders(FolderWithSeparator(ToNativeSystemPath(path)), folders);
    std::string best;
    for (const std::string& f : folders) {
        const std::string name = f.substr(f.find_last_of("\\/") + 1);
        if (IsNonZeroVersion(name) && IsDotted(name) && Newer(name, best)) best = name;
    }
    return best;
}

std::string ResolveProductVersion(std::string& path, std::string product, std::string company) {
    // The redirected path; a special identifier is answered by its getter alone.
    path = ToNativeSystemPath(path);
    for (const auto& s : kSpecialVersions) {
        if (s.id == path) return s.get();
    }
    const InProgress guard(path);

    // The facts of the call: base name, folder, product and company.
    VersionCall c;
    c.n.path = path;
    c.n.base_name = FileNameNoExt(path);
    c.n.folder = FolderWithSeparator(path);
    if (product.empty()) {
        const TDisplayedFileInfo info = GetDisplayedFileInfo(path);
        product = info.ProductName;
        company = info.Company;
    }
    c.n.product = std::move(product);
    c.n.company = std::move(company);

    // Read once: the version strings serve the rows on the version strings and tell whether the file has a
    // version resource at all. A program without one (a Linux executable): its package's version.
    c.n.V = ReadVersionInfo(path);
    if (c.n.V == FileVersionInfoRec{}) {
        platform::ProgramIdentity identity;
        if (platform::FindProgramIdentity(path, identity, platform::ProgramIdentityNeed::Versions) && !identity.version.empty())
            return identity.version;
    }

    // Files known by their name, then products whose fixed version is not theirs.
    if (FileExistsNotEmpty(platform::AnsiToWide(path)) && FirstFound(kTriggerRows, c)) return c.n.R;
    if (FirstFound(kBeforeFixedRows, c)) return c.n.R;

    // The fixed version, and the sources that look at it.
    c.fixed = FixedVersionOf(path);
    c.n.R = c.fixed;
    EachFound(kNeedFixedRows, c);

    // The browser that keeps one folder per version.
    if (c.n.R == "0.0.0.0" && c.n.product == "Google Chrome") return GetChromeVersion(path);

    // Versions inside the executable's own bytes.
    EachFound(kContentRows, c);

    // Adobe AIR applications.
    if (c.fixed.empty() && c.n.R.empty()) {
        std::vector<std::string> lines;
        if (ReadTextLines(SiblingPath(c.n.folder, "META-INF\\AIR\\application.xml"), lines)) {
            return GetXmlTagValue(lines, "versionNumber");
        }
    }

    // Products whose version strings say more than the fixed version.
    if (FirstFound(kFieldRows, c)) return c.n.R;

    // The generic reconciliation of the three version texts.
    Reconcile(c);
    if (c.ended) return c.n.R;

    // Adjustments of the final result.
    EachFound(kAdjustRows, c);
    return c.n.R;
}

std::string GetProductVersion(std::string& path, const std::string& product, const std::string& company, bool raw) {
    std::string v = ResolveProductVersion(path, product, company);
    if (IsNonZeroVersion(v) && !raw) v = Ver(v).ToText();
    return v;
}

}  // namespace vanto
