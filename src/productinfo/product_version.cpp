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

std::string FolderOf(const std::string& path) {
    const std::size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string ParentFolderOf(const std::string& folder) {
    if (folder.size() < 2) return {};
    return FolderOf(folder.substr(0, folder.size() - 1));
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

// The facts of one call: R is the result so far (W), `product` N, `company` K.
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
constexpr Subject N = Subject::Product;
constexpr Subject K = Subject::Company;
constexpr Subject W = Subject::R;
constexpr Subject Base = Subject::BaseName;
constexpr Subject Folder = Subject::Folder;

// Functions of the rows below.

std::string UnlockerInFolder(VersionCall& c) {
    const std::string v = FindUninstallVersion("Unlocker", {}, c.n.folder);
    return IsDottedNumber(v) ? v : std::string();
}
std::string Gimp(VersionCall&) { return GimpVersion(); }
std::string Glimpse(VersionCall&) { return FindInstalledVersion("glimpse"); }
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

std::string ChrisPC(VersionCall& c) { return FindUninstallVersion(c.n.product, {}, c.n.folder); }

std::string PartitionWizard(VersionCall& c) {
    if (!c.fixed.empty()) return {};
    const std::string v = FindVersionInDisplayName("MiniTool Partition Wizard");
    return IsNonZeroVersion(v) ? Ver(v).ToText() : std::string();
}

std::string SeaTools(VersionCall& c) {
    return c.fixed.empty() ? FindUninstallVersion("SeaTools", {}, c.n.folder) : std::string();
}

std::string Nsis(VersionCall& c) {
    return c.n.R.empty() ? FindInstalledVersion("Nullsoft Install System") : std::string();
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
std::string LibreOffice(VersionCall&) { return FindInstalledVersion("libreoffice"); }
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
    {{Is(Base, "unlocker")}, Source::Call, {}, UnlockerInFolder},
    {{BeginsWith(Base, "gimp")}, Source::Call, {}, Gimp},
    {{BeginsWith(Base, "glimpse")}, Source::Call, {}, Glimpse},
    {{BeginsWith(Base, "ff_vfw")}, Source::Call, {}, Ffdshow},
    {{BeginsWith(Base, "xvidvfw")}, Source::Call, {}, Xvid},
    {{Is(Base, "ffdshow"), EndsWith(Subject::Path, ".ax")}, Source::Call, {}, Ffdshow},  // the file "ffdshow.ax"
    {{BeginsWith(Base, "launchy")}, Source::Call, {}, Launchy},
    {{Is(N, "XVid Video Codec")}, Source::Call, {}, Xvid},
    {{Is(Base, "eac")}, Source::Installed, "Exact Audio Copy"},
    {{Contains(N, "ashampoo snap")}, Source::Installed, "ashampoo snap"},
    {{Is(K, "Yamicsoft"), Contains(N, "Manager"), Contains(N, "Windows")}, Source::Call, {}, TweakingSuite},
});

// Products whose fixed version is not theirs: asked before it.
const std::array kBeforeFixedRows = std::to_array<VersionRule>({
    {{Is(K, "Yamicsoft"), Contains(N, "Manager"), Contains(N, "Windows")}, Source::Call, {}, TweakingSuiteLibrary},
    {{Is(N, "JDownloader")}, Source::Call, {}, JDownloader},
    {{Contains(N, "Vuze")}, Source::Installed, "Vuze"},
    {{Contains(N, "SSD Dashboard"), Is(K, "Western Digital")}, Source::InstalledInFolder, "Dashboard"},
    {{BeginsWith(N, "Ashampoo WinOptimizer")}, Source::Installed, "Ashampoo WinOptimizer"},
    {{Contains(N, "MediathekView")}, Source::Installed, "MediathekView"},
    {{Contains(N, "LatencyMon")}, Source::Installed, "LatencyMon"},
    {{BeginsWith(N, "Citrix Workspace")}, Source::Installed, "Citrix Workspace"},
    {{BeginsWith(N, "Zortam Mp3 Media Studio")}, Source::Installed, "Zortam Mp3 Media Studio"},
    {{BeginsWith(N, "Screencast-O-Matic")}, Source::Call, {}, ScreencastOMatic},
    {{Is(N, "Ventoy")}, Source::Call, {}, Ventoy},
    {{BeginsWith(N, "8GadgetPack")}, Source::Installed, "8GadgetPack"},
    {{BeginsWith(N, "IceCream Ebook Reader")}, Source::Installed, "IceCream Ebook Reader"},
    {{Is(K, "Chris P.C. srl")}, Source::Call, {}, ChrisPC},
    {{BeginsWith(N, "StarMoney")}, Source::Installed, "StarMoney"},
    {{BeginsWith(N, "NVIDIA GeForce Experience")}, Source::Installed, "NVIDIA GeForce Experience"},
    {{BeginsWith(N, "AMD Ryzen Master")}, Source::Installed, "AMD Ryzen Master"},
    {{BeginsWith(N, "Radeon Software")}, Source::Installed, "AMD Software"},
    {{BeginsWith(N, "OWASP Zed Attack Proxy")}, Source::Installed, "OWASP ZAP"},
    {{BeginsWith(N, "Waterfox G")}, Source::InstalledInFolder, "Waterfox"},
    {{Contains(N, "ashampoo undeleter")}, Source::Installed, "ashampoo undeleter"},
    {{Is(N, "Plex")}, Source::Installed, "Plex Media Server"},
    {{Is(N, "Plex Media Player")}, Source::Installed, "Plex Media Player"},
    {{Is(Base, "GlyphClient")}, Source::Sibling, "GlyphClientApp.exe"},
    {{Is(Base, "wweb32")}, Source::Sibling, "wwnotray.exe"},
    {{Is(Base, "RevoUPort")}, Source::Call, {}, RevoPortable},
    {{Is(Base, "RevoUPPort")}, Source::Call, {}, RevoPortable},
    {{Is(Base, "RevoUninstallerProPortable")}, Source::Call, {}, RevoPortable},
    {{BeginsWith(N, "Linqpad")}, Source::Installed, "LINQPad"},
    {{Is(N, "StartUI")}, Source::Installed, "StartUI"},
    {{Is(Base, "avcenter")}, Source::Installed, "Avira"},
    {{Is(Base, "WindscribeLauncher")}, Source::Sibling, "Windscribe.exe"},
    {{BeginsWith(N, "Librewolf Portable")}, Source::Sibling, "LibreWolf\\librewolf.exe"},
    {{BeginsWith(N, "Ubisoft Connect")}, Source::Installed, "Ubisoft Connect"},
    {{BeginsWith(N, "Inno Setup")}, Source::Installed, "Inno Setup"},
    {{BeginsWith(N, "CloudBuckit")}, Source::Installed, "CloudBuckit"},
    {{BeginsWith(N, "Airdroid")}, Source::Installed, "AirDroid"},
    {{BeginsWith(N, "O&O Defrag")}, Source::Installed, "O&O Defrag"},
    {{Is(Base, "mbae-test")}, Source::Sibling, "mbae.exe"},
});

// Sources that look at the fixed version B; a found version replaces the result.
const std::array kNeedFixedRows = std::to_array<VersionRule>({
    {{Is(Base, "partitionwizard")}, Source::Call, {}, PartitionWizard},
    {{Is(Base, "seatools")}, Source::Call, {}, SeaTools},
    {{BeginsWith(N, "AudioConverter Studio"), Is(W, "1.0.0.0")}, Source::Installed, "AudioConverter Studio"},
    {{BeginsWith(N, "EaseUS Data Recovery Wizard")}, Source::InstalledInFolder, "EaseUS Data Recovery Wizard"},
    {{Is(N, "GPL Ghostscript"), IsEmpty(W)}, Source::Installed, "GPL Ghostscript"},
    {{Is(N, "Thonny"), IsEmpty(W)}, Source::InstalledInFolder, "Thonny"},
    {{Is(Base, "nsis")}, Source::Call, {}, Nsis},
    {{Contains(N, "ArtMoney")}, Source::Call, {}, ArtMoney},
});

// Versions inside the executable's own bytes.
const std::array kContentRows = std::to_array<VersionRule>({
    {{Is(N, "Paint.NET")}, Source::Call, {}, PaintNet},
    {{Is(N, "photoscape")}, Source::Call, {}, PhotoScape},
    {{Is(Base, "dosbox")}, Source::Call, {}, DosBox},
});

// Products whose version strings say more than the fixed version; the first found ends the call.
const std::array kFieldRows = std::to_array<VersionRule>({
    {{Is(N, "DBeaver Community")}, Source::Call, {}, DBeaver},
    {{BeginsWith(N, "WISO"), ContainsExactly(K, "Buhl")}, Source::Call, {}, TaxLibraries},
    {{Contains(Subject::CompanyName, "NW.JS"), Contains(Subject::ProductName, "NWJS")}, Source::Call, {}, NwJs},
    {{Is(N, "IOBit Unlocker")}, Source::Installed, "IObit Unlocker"},
    {{BeginsWith(N, "BleachBit")}, Source::ProductVersion},
    {{Is(Base, "OpenVPNConnect")}, Source::Call, {}, OpenVpnConnect},
    {{BeginsWith(N, "VirtualDub2")}, Source::Call, {}, VirtualDub2},
    {{BeginsWith(N, "PowerShell"), Contains(Folder, "WindowsPowerShell\\v1.0\\")}, Source::Fixed, "5.1"},
    {{Is(N, "Grammarly")}, Source::ProductVersion},
    {{Is(N, "Brave Portable")}, Source::ProductVersion},
    {{Is(N, "Logitech Media Server")}, Source::ProductVersion},
    {{Is(N, "Dell Display Manager")}, Source::FileVersion},
    {{Is(N, "Trident Z Lighting Control")}, Source::Call, {}, TrimV},
    {{BeginsWith(N, "Ant Download Manager")}, Source::Installed, "Ant Download Manager"},
    {{BeginsWith(N, "WSCC")}, Source::ProductVersion},
    {{BeginsWith(N, "Trader WorkStation")}, Source::Installed, "Trader Workstation"},
    {{BeginsWith(N, "DWG TrueView")}, Source::Installed, "DWG TrueView"},
    {{BeginsWith(N, "iSCSIAgent")}, Source::ProductVersion},
    {{BeginsWith(N, "MiKTeX")}, Source::ProductVersion},
    {{BeginsWith(N, "PowerPanel")}, Source::Installed, "PowerPanel"},
    {{BeginsWith(N, "Password Tech")}, Source::ProductVersion},
    {{BeginsWith(N, "CrystalDiskInfo")}, Source::ProductVersion},
    {{BeginsWith(N, "FastKeys")}, Source::ProductVersion},
    {{BeginsWith(N, "VoodooShield")}, Source::ProductVersion},
    {{BeginsWith(N, "ESET"), Contains(K, "ESET")}, Source::ProductVersion},
    {{BeginsWith(N, "PostBox")}, Source::ProductVersion},
    {{BeginsWith(N, "Dante Virtual Soundcard")}, Source::Installed, "Dante Virtual Soundcard"},
    {{Is(N, "slack")}, Source::ProductVersion},
    {{BeginsWith(N, "NetPhone Client")}, Source::ProductVersion},
    {{BeginsWith(N, "Avidemux")}, Source::ProductVersion},
    {{BeginsWith(N, "Farbar")}, Source::Call, {}, Farbar},
    {{BeginsWith(N, "PotPlayer")}, Source::Call, {}, PotPlayer},
    {{BeginsWith(N, "Advanced SystemCare"), Not(Is(Base, "ASC"))}, Source::Call, {}, AdvancedSystemCare},
    {{BeginsWith(N, "AdwCleaner")}, Source::Call, {}, AdwCleaner},
    {{BeginsWith(N, "Songbird")}, Source::ProductVersion},
    {{BeginsWith(N, "Kobo")}, Source::ProductVersion},
    {{BeginsWith(N, "Firefox"), Contains(K, "Mozilla")}, Source::ProductVersion},
    {{BeginsWith(N, "Instantbird")}, Source::ProductVersion},
    {{BeginsWith(N, "Tag&Rename")}, Source::ProductVersion},
    {{BeginsWith(N, "Directory Opus")}, Source::ProductVersion},
    {{BeginsWith(N, "Thunderbird"), Contains(K, "Mozilla")}, Source::ProductVersion},
    {{BeginsWith(N, "SeaMonkey")}, Source::ProductVersion},
    {{BeginsWith(N, "Sunbird")}, Source::ProductVersion},
    {{BeginsWith(N, "Pale Moon")}, Source::ProductVersion},
    {{Is(Base, "VC10Play")}, Source::Sibling, "VC10Start.exe"},
    {{Is(Base, "vc10Center")}, Source::Sibling, "VC10Start.exe"},
    {{BeginsWith(N, "System Explorer")}, Source::ProductVersion},
    {{Contains(N, "PDF"), Is(K, "Softland")}, Source::FileVersion},
});

// Adjustments of the final result.
const std::array kAdjustRows = std::to_array<VersionRule>({
    {{BeginsWith(N, "ThreatFire")}, Source::ProductVersion},
    {{Is(N, "Thaiphoon Burner"), Is(Base, "Thaiphoon")}, Source::ProductVersion},
    {{Is(N, "Skype"), Contains(K, "Skype")}, Source::Call, {}, SkypeRelease},
    {{Is(N, "Skype Classic"), Contains(K, "Skype")}, Source::Call, {}, SkypeRelease},
    {{BeginsWith(N, "Internet Download Manager")}, Source::Call, {}, InternetDownloadManager},
    {{BeginsWith(N, "TuneUp")}, Source::Installed, "TuneUp Utilities"},
    {{Contains(N, "OpenOffice"), Contains(K, "OpenOffice.org")}, Source::Call, {}, OpenOffice},
    {{Contains(N, "LibreOffice"), Contains(K, "Document Foundation")}, Source::Call, {}, LibreOffice},
    {{BeginsWith(N, "WD Security"), Is(K, "Western Digital")}, Source::Call, {}, InstalledProduct},
    {{BeginsWith(N, "WD Drive Utilities"), Is(K, "Western Digital")}, Source::Call, {}, InstalledProduct},
    {{BeginsWith(N, "Malwarebytes"), Contains(K, "Malwarebytes")}, Source::Call, {}, Malwarebytes},
    {{BeginsWith(N, "Java(TM)")}, Source::ProductVersion},
    {{BeginsWith(N, "JavaFX")}, Source::ProductVersion},
    {{BeginsWith(N, "Wondershare Filmora")}, Source::Installed, "Wondershare Filmora"},
    {{BeginsWith(N, "Ultimate TagScanner")}, Source::ProductVersion},
    {{Is(Base, "reader_sl")}, Source::Sibling, "AcroRd32.exe"},
    {{Is(N, "SIW")}, Source::ProductVersion},
    {{BeginsWith(N, "HiSuite")}, Source::Installed, "HiSuite"},
    {{BeginsWith(N, "BlueGriffon")}, Source::ProductVersion},
    {{BeginsWith(N, "Brave Browser")}, Source::ProductVersion},
    {{BeginsWith(N, "jv16 PowerTools")}, Source::Installed, "jv16 PowerTools"},
    {{BeginsWith(N, "Winmerge"), BeginsWith(W, "0.2011.")}, Source::Call, {}, WinMerge2011},
    {{BeginsWith(N, "Tor Browser")}, Source::Call, {}, TorBrowser},
    {{Is(N, "madVR")}, Source::Call, {}, MadVr},
    {{BeginsWith(K, "SoftMaker ")}, Source::Call, {}, SoftMaker},
});

// clang-format on

// Step 11: the fixed version reconciled with the version strings.
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
    ListFolders(FolderOf(ToNativeSystemPath(path)), folders);
    std::string best;
    for (const std::string& f : folders) {
        const std::string name = f.substr(f.find_last_of("\\/") + 1);
        if (IsNonZeroVersion(name) && IsDotted(name) && Newer(name, best)) best = name;
    }
    return best;
}

std::string ResolveProductVersion(std::string& path, std::string product, std::string company) {
    // 1.
    path = ToNativeSystemPath(path);
    for (const auto& s : kSpecialVersions) {
        if (s.id == path) return s.get();
    }
    const InProgress guard(path);

    // 2.
    VersionCall c;
    c.n.path = path;
    c.n.base_name = FileNameNoExt(path);
    c.n.folder = FolderOf(path);
    if (product.empty()) {
        const TDisplayedFileInfo info = GetDisplayedFileInfo(path);
        product = info.ProductName;
        company = info.Company;
    }
    c.n.product = std::move(product);
    c.n.company = std::move(company);

    // Read once: the version strings serve the rows of step 10 and tell whether the file has a
    // version resource at all. A program without one (a Linux executable): its package's version.
    c.n.V = ReadVersionInfo(path);
    if (c.n.V == FileVersionInfoRec{}) {
        platform::ProgramIdentity identity;
        if (platform::FindProgramIdentity(path, identity, platform::ProgramIdentityNeed::Versions) && !identity.version.empty())
            return identity.version;
    }

    // 3., 4.
    if (FileExistsNotEmpty(platform::AnsiToWide(path)) && FirstFound(kTriggerRows, c)) return c.n.R;
    if (FirstFound(kBeforeFixedRows, c)) return c.n.R;

    // 5., 6.
    c.fixed = FixedVersionOf(path);
    c.n.R = c.fixed;
    EachFound(kNeedFixedRows, c);

    // 7.
    if (c.n.R == "0.0.0.0" && c.n.product == "Google Chrome") return GetChromeVersion(path);

    // 8.
    EachFound(kContentRows, c);

    // 9. Adobe AIR applications.
    if (c.fixed.empty() && c.n.R.empty()) {
        std::vector<std::string> lines;
        if (ReadTextLines(SiblingPath(c.n.folder, "META-INF\\AIR\\application.xml"), lines)) {
            return GetXmlTagValue(lines, "versionNumber");
        }
    }

    // 10.
    if (FirstFound(kFieldRows, c)) return c.n.R;

    // 11.
    Reconcile(c);
    if (c.ended) return c.n.R;

    // 12.
    EachFound(kAdjustRows, c);
    return c.n.R;
}

std::string GetProductVersion(std::string& path, const std::string& product, const std::string& company, bool raw) {
    std::string v = ResolveProductVersion(path, product, company);
    if (IsNonZeroVersion(v) && !raw) v = Ver(v).ToText();
    return v;
}

}  // namespace vanto
