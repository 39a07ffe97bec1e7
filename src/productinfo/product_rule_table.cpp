// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The product rows: the early list (run before the generic clean-up) and the late list (run
// on the cleaned name), one row per rule in the order they run, and the publishers' web
// domains the clean-up cuts from a name's end. A row that must read a file beside the
// executable, the executable itself, the uninstall registry or an installed version names
// one of the functions below; every other row is a test and a text. Each row carries the
// case it is meant for; the tests run every one through GetProductName.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_rules.h"
#include "productinfo/uninstall_lookups.h"
#include "support/U_Version.h"
#include "support/text_utils.h"
#include "support/uninstall_entries.h"

namespace vanto {

namespace {

using namespace rules;

constexpr std::int32_t kAnyHigh = 0x7FFFFFFF;
constexpr std::int32_t kAnyLow = -0x7FFFFFFF - 1;

// --- Facts beside the executable ----------------------------------------------------------

// The lines of a file below the executable's folder; false (and no lines) when it is absent
// or unreadable, or when the name has no folder.
bool SiblingLines(const NamingCall& c, std::string_view relative, std::vector<std::string>& lines) {
    lines.clear();
    return !c.folder.empty() && ReadTextLines(SiblingPath(c.folder, relative), lines);
}

// A name read from a file ends at its first NUL, as the system's text readers end it there:
// a NUL inside a shown name would cut it in some places and not in others.
std::string NameText(std::string_view text) { return TrimText(text.substr(0, text.find('\0'))); }

// The value of `key` in `section` of ini-file lines ("" when there is none).
std::string IniValue(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    bool inside = false;
    for (const std::string& raw : lines) {
        const std::string line = TrimText(raw);
        if (!line.empty() && line.front() == '[') {
            inside = line.size() >= 2 && line.back() == ']' &&
                     SameText(TrimText(std::string_view(line).substr(1, line.size() - 2)), section);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (inside && eq != std::string::npos && SameText(TrimText(line.substr(0, eq)), key)) {
            return NameText(std::string_view(line).substr(eq + 1));
        }
    }
    return {};
}

bool AnyLineContains(const std::vector<std::string>& lines, std::string_view text) {
    for (const std::string& line : lines) {
        if (TextContains(text, line)) return true;
    }
    return false;
}

// --- Rows that need more than a test and a text ---------------------------------------

// DVD Flick 2 kept the old product name; only its installed version tells it apart.
void DvdFlickV2(NamingCall& c) {
    std::string path = c.path;
    const std::string version = GetProductVersion(path, "DVD Flick", c.V.CompanyName);
    if (TOrvoVersion::Create(version).IsNewerThan(TOrvoVersion::CreateFromMSLS(0x00010133, 0x02E20000))) {
        c.R = "DVD Flick v2";
    }
}

// Node.js: the release line of the major version, as the changelog beside it lists it.
// The executable itself is never run to ask: any file called "node" that owns a socket would
// run with the monitor's rights.
void NodeReleaseLine(NamingCall& c) {
    std::vector<std::string> lines;
    if (!SiblingLines(c, "CHANGELOG.md", lines)) return;
    const std::string m = std::to_string(TOrvoVersion::Create(c.V.ProductVersion).Major);
    const std::string head = AsciiLowerCase("CHANGELOG_V" + m + ".md\">" + m);
    struct Ending {
        std::string_view text;
        std::string_view marker;
    };
    constexpr std::array<Ending, 4> kEndings{{{"</a><sup>lts</sup>", " (LTS)"},
                                              {"</a> (lts)</th>", " (LTS)"},
                                              {"</a><sup>current</sup>", " (Current)"},
                                              {"</a> (current)</th>", " (Current)"}}};
    // The header and its ending in one piece: a line may hold the headers of several majors.
    for (const std::string& line : lines) {
        if (line.size() < head.size()) continue;
        const std::string lower = AsciiLowerCase(line);
        for (const Ending& e : kEndings) {
            if (lower.find(head + std::string(e.text)) != std::string::npos) {
                c.R += e.marker;
                return;
            }
        }
    }
}

// An uninstall entry of the product at all (either root, either view).
void PartitionWizardByEntry(NamingCall& c) {
    if (IsInstalled("MiniTool Partition Wizard")) c.R = "MiniTool Partition Wizard";
}

// StartIsBack's editions share one executable; its 32-bit helper says which one it is.
std::string StartIsBackHelperDescription(const NamingCall& c) {
    if (!SiblingFileExists(c.folder, "StartIsBack32.dll")) return {};
    return ReadVersionInfo(SiblingPath(c.folder, "StartIsBack32.dll")).FileDescription;
}

void StartIsBackPlusPlus(NamingCall& c) {
    if (TextStartsWith(StartIsBackHelperDescription(c), "StartIsBack++")) c.R = "StartIsBack++";
}

void StartIsBackPlus(NamingCall& c) {
    if (TextStartsWith(StartIsBackHelperDescription(c), "StartIsBack+ ")) c.R = "StartIsBack+";
}

// Long-term releases carry "CU" (cumulative update) in their build information.
void CitrixLtsr(NamingCall& c) {
    std::vector<std::string> lines;
    if (SiblingLines(c, "..\\receiver\\BuildInformation.txt", lines) && !lines.empty() &&
        TextContains("cu", lines.front()) && !TextEndsWith(c.R, " LTSR")) {
        c.R += " LTSR";
    }
}

// ESET's programs share their file names; the installed product is named in an ini file.
void EsetProductName(NamingCall& c) {
    std::vector<std::string> lines;
    if (!SiblingLines(c, "SecurityProductInformation.ini", lines)) return;
    for (const std::string& line : lines) {
        if (TextStartsWith(line, "Name=")) {
            const std::string name = NameText(std::string_view(line).substr(5));
            if (!name.empty()) c.R = name;
            return;
        }
    }
}

// An installed doPDF uses novaPDF's start-up helper.
void DoPdfHelper(NamingCall& c) {
    if (IsInstalled("doPDF")) c.R = "doPDF";
}

// Waterfox's current line writes its generation first in its installed version ("G5.1.2").
void WaterfoxGeneration(NamingCall& c) {
    const std::string version = FindUninstallVersion("Waterfox", {}, c.folder);
    const std::size_t dot = version.find('.');
    if (TextStartsWith(version, "G") && dot != std::string::npos) {
        c.R += ' ';
        c.R.append(version, 0, dot + 1);
    }
}

// An application built on the NW.js shell keeps the shell's version strings; its installer
// registered the application's own name for the folder.
void NwjsApplication(NamingCall& c) {
    std::string name = FindUninstallDisplayName(c.folder);
    if (!name.empty()) c.R = std::move(name);
}

// Later checks win: a machine with both editions listed is named after the free one.
void MacriumHome(NamingCall& c) {
    if (IsInstalled("Macrium Reflect Home")) c.R = "Macrium Reflect Home";
}

void MacriumFree(NamingCall& c) {
    if (IsInstalled("Macrium Reflect Free")) c.R = "Macrium Reflect Free";
}

// The enhanced fork keeps the original's version strings; only its own text tells.
void QBittorrentEnhanced(NamingCall& c) {
    std::uint64_t at = 0;
    if (FindInFile(c.path, "qBittorrent Enhanced Edition", at)) c.R = "qBittorrent Enhanced Edition";
}

// A portable copy of the classic browser whose launcher names a legacy build.
void PortableFirefoxLegacy(NamingCall& c) {
    std::vector<std::string> lines;
    if (!SiblingLines(c, "App\\AppInfo\\appinfo.ini", lines)) return;
    const std::string name = IniValue(lines, "details", "name");
    if (TextContains("Legacy", name)) c.R = name;
}

void RamboxCommunity(NamingCall& c) {
    std::vector<std::string> lines;
    if (SiblingLines(c, "resources\\app-update.yml", lines) && AnyLineContains(lines, "community-edition")) {
        c.R += " CE";
    }
}

// Extended-support releases update from their own channel, named in the update settings.
void FirefoxEsr(NamingCall& c) {
    if (TextEndsWith(c.R, " (ESR)") || c.folder.empty()) return;
    std::string ini = SiblingPath(c.folder, "update-settings.ini");
    if (!SiblingFileExists(c.folder, "update-settings.ini")) {
        std::vector<std::string> found;
        FindFilesBelow(c.folder, "update-settings.ini", 3, 1, found);
        ini = found.empty() ? std::string() : found.front();
    }
    std::vector<std::string> lines;
    if (!ini.empty() && ReadTextLines(ini, lines) && AnyLineContains(lines, "esr")) c.R += " (ESR)";
}

// Known when the machine lists it: a copy that is not installed runs portable.
void MalwarebytesPortable(NamingCall& c) {
    if (!IsInstalled("Malwarebytes Anti-Malware")) c.R = "Malwarebytes Anti-Malware Portable";
}

// CPU-Z's vendor editions ship a readme whose lines name the edition.
void CpuzEdition(NamingCall& c) {
    std::vector<platform::FolderEntry> entries;
    if (c.folder.empty() || !platform::ListFolderEntries(c.folder, entries)) return;
    constexpr std::string_view kEnding = " CPU-Z Readme file";
    std::string edition;
    int files = 0;
    for (const platform::FolderEntry& e : entries) {
        if ((e.attributes & platform::kAttrDirectory) != 0 || !TextEndsWith(FileNameNoExt(e.name), "cpuz_readme")) continue;
        if (++files > 16) break;
        std::vector<std::string> lines;
        if (!ReadTextLines(SiblingPath(c.folder, e.name), lines)) continue;
        for (const std::string& line : lines) {
            if (line.size() > kEnding.size() && TextEndsWith(line, kEnding)) {
                edition = NameText(std::string_view(line).substr(0, line.size() - kEnding.size()));
            }
        }
    }
    if (!edition.empty()) {
        c.R += ' ';
        c.R += edition;
        c.R += " Edition";
    }
}

// clang-format off
const std::array kEarlyRules = std::to_array<ProductRule>({
    // Names read from the wrong field of the version resource.
    {{IsExactly(R, "File Description")}, TakeField(PN), {}, {"app.exe", "D=File Description|P=Foo Viewer", "Foo Viewer"}},
    {{BeginsWith(R, "http://"), Not(Contains(PN, "http://"))}, TakeField(PN), {}, {"app.exe", "D=http://tools.example/|P=Foo Tool", "Foo Tool"}},
    {{Contains(R, "Lists USB Devices")}, TakeField(PN), {}, {"usbview.exe", "D=Lists USB Devices Connected To Your Computer|P=USB Lister", "USB Lister"}},

    {{Is(R, "DVD Flick")}, Call(DvdFlickV2), {}, {"dvdflick.exe", "D=DVD Flick|F=1.308.0.0", "DVD Flick v2"}},
    {{Is(R, "Skype"), MajorIn(PV, kAnyLow, 7)}, SetTo("Skype Classic"), {}, {"Skype.exe", "P=Skype|V=7.41.0.101", "Skype Classic"}},
    {{BeginsWith(R, "ArtMoney SE")}, SetTo("ArtMoney"), {}, {"am810.exe", "P=ArtMoney SE v8.10", "ArtMoney"}},
    {{BeginsWith(R, "ArtMoney PRO")}, SetTo("ArtMoney Pro"), {}, {"am810.exe", "P=ArtMoney PRO v8.10", "ArtMoney Pro"}},
    {{Is(R, "PhotoFiltre"), MajorIn(PV, 7, kAnyHigh)}, SetTo("PhotoFiltre Studio"), {}, {"PhotoFiltre7.exe", "P=PhotoFiltre|V=7.2.1", "PhotoFiltre Studio"}},
    {{Is(R, "Node.js")}, Call(NodeReleaseLine), {}, {"node.exe", "P=Node.js|V=18.12.1", "Node.js (LTS)", "CHANGELOG.md=# Node.js Changelog\n<td><a href=\"doc/changelogs/CHANGELOG_V18.md\">18</a><sup>LTS</sup></td>"}},
    {{Contains(R, "steuer")}, ReplaceText("Steuer:", "Steuer-"), {}, {"app.exe", "P=Steuer:Helfer", "Steuer-Helfer"}},
    {{Is(R, "WISO steuer-Start"), MajorIn(PV, 2001, 2099)}, AppendMajor(PV), {}, {"app.exe", "P=WISO steuer-Start|V=2021.5.0.1", "WISO steuer-Start 2021"}},
    {{Is(R, "WISO steuer-Sparbuch"), MajorIn(PV, 2001, 2099)}, AppendMajor(PV), {}, {"app.exe", "P=WISO steuer-Sparbuch|V=2020.3.0.7", "WISO steuer-Sparbuch 2020"}},
    {{Is(R, "Tax"), MajorIn(FV, 2001, 2099)}, AppendMajor(FV), {}, {"tax.exe", "P=Tax|F=2019.2.0.0", "Tax 2019"}},
    {{Is(R, "H&R Block"), MajorIn(FV, 2001, 2099)}, AppendMajor(FV), {}, {"hrblock.exe", "P=H&R Block|F=2022.1.0.3", "H&R Block 2022"}},
    {{Is(R, "SteuertippsCenter"), BeginsWith(Co, "Akademische Arbeitsgemeinschaft Verlag"), MajorIn(FV, 26, 99)}, AppendMajor(FV, 1994), {}, {"stc.exe", "P=SteuertippsCenter|C=Akademische Arbeitsgemeinschaft Verlag GmbH|F=27.0.0.1", "SteuertippsCenter 2021"}},
    {{Is(R, "ReportTool"), BeginsWith(Co, "Akademische Arbeitsgemeinschaft Verlag"), MajorIn(FV, 26, 99)}, AppendMajor(FV, 1994), {}, {"report.exe", "P=ReportTool|C=Akademische Arbeitsgemeinschaft Verlag|F=28.1.0.0", "ReportTool 2022"}},
    {{Is(R, "AAV4GL-Engine"), BeginsWith(Co, "Akademische Arbeitsgemeinschaft Verlag"), MajorIn(FV, 26, 99)}, AppendMajor(FV, 1994), {}, {"engine.exe", "P=AAV4GL-Engine|C=Akademische Arbeitsgemeinschaft Verlag|F=26.0.0.0", "AAV4GL-Engine 2020"}},
    {{Is(R, "TurboTax"), MajorIn(FV, 2001, 2099)}, AppendMajor(FV), {}, {"turbotax.exe", "P=TurboTax|F=2020.40.1.1", "TurboTax 2020"}},
    {{BeginsWith(R, "SoftMaker FreeOffice")}, SetTo("FreeOffice"), {}, {"textmaker.exe", "P=SoftMaker FreeOffice 2021", "FreeOffice"}},
    {{Contains(Co, "SoftPerfect")}, TakeField(PN), {}, {"netscan.exe", "P=Network Scanner|D=Network Scanner main window|C=SoftPerfect Pty Ltd", "SoftPerfect Network Scanner"}},
    {{Contains(Co, "SoftPerfect"), Not(BeginsWith(R, "SoftPerfect "))}, Prepend("SoftPerfect "), {}, {"wifiguard.exe", "P=WiFi Guard|C=SoftPerfect", "SoftPerfect WiFi Guard"}},
    {{BeginsWith(R, "Grammarly for Microsoft"), Contains(R, "Office")}, SetTo("Grammarly for Microsoft Office Suite"), {}, {"app.exe", "D=Grammarly for Microsoft Office add-in host", "Grammarly for Microsoft Office Suite"}},
    {{BeginsWith(R, "Allway Sync")}, SetTo("Allway Sync"), {}, {"syncappw.exe", "P=Allway Sync 'n' Go", "Allway Sync"}},
    {{Contains(R, "Warcraft"), Contains(Folder, "_classic_era")}, Append(" Classic Era"), {}, {"_classic_era_/Wow.exe", "P=World of Warcraft", "World of Warcraft Classic Era"}},
    {{Contains(R, "Warcraft"), Contains(Folder, "_classic_"), Not(Contains(Folder, "_classic_era"))}, Append(" Classic"), {}, {"_classic_/Wow.exe", "P=World of Warcraft", "World of Warcraft Classic"}},
    {{Contains(R, "Warcraft"), Contains(Folder, "_PTR_")}, Append(" PTR"), {}, {"_PTR_/Wow.exe", "P=World of Warcraft", "World of Warcraft PTR"}},
    {{Contains(R, "Warcraft"), Contains(Folder, "_Beta_")}, Append(" Beta"), {}, {"_beta_/Wow.exe", "P=World of Warcraft", "World of Warcraft Beta"}},
    {{Contains(R, "Warcraft"), Contains(Folder, "_Retail_")}, Append(" Retail"), {}, {"_retail_/Wow.exe", "P=World of Warcraft", "World of Warcraft Retail"}},
    {{BeginsWith(R, "Directory List and Print Pro")}, SetTo("Directory List & Print Pro"), {}, {"DirListPrint.exe", "D=Directory List and Print Pro", "Directory List & Print Pro"}},
    {{Is(R, "Dashboard"), Contains(Folder, "SSD Dashboard")}, SetTo("SSD Dashboard"), {}, {"SSD Dashboard/Dashboard.exe", "P=Dashboard", "SSD Dashboard"}},
    {{Is(R, "Storage Executive"), Contains(Co, "Micron")}, Prepend("Micron "), {}, {"StorageExecutive.exe", "P=Storage Executive|C=Micron Technology", "Micron Storage Executive"}},
    {{IsEmpty(R), Is(Base, "partitionwizard")}, Call(PartitionWizardByEntry), {}, {"partitionwizard.exe", "", "MiniTool Partition Wizard", "", "DisplayName=MiniTool Partition Wizard Free 12.5"}},
    {{Is(R, "ZAL"), Contains(Co, "Zemana")}, SetTo("Zemana AntiLogger"), {}, {"zal.exe", "P=ZAL|C=Zemana Ltd.", "Zemana AntiLogger"}},
    {{Is(R, "ZAM"), Contains(Co, "Zemana")}, SetTo("Zemana AntiMalware"), {}, {"zam.exe", "P=ZAM|C=Zemana Ltd.", "Zemana AntiMalware"}},
    {{BeginsWith(R, "Zoom Meetings")}, SetTo("Zoom"), {}, {"Zoom.exe", "P=Zoom Meetings", "Zoom"}},
    {{BeginsWith(R, "7-Zip"), Is(Base, "7za")}, SetTo("7-Zip Standalone Console"), {}, {"7za.exe", "P=7-Zip", "7-Zip Standalone Console"}},
    {{BeginsWith(R, "ImDisk Virtual Disk Driver")}, SetTo("ImDisk"), {}, {"imdisk.exe", "D=ImDisk Virtual Disk Driver control program", "ImDisk"}},
    {{BeginsWith(R, "TThrottle ")}, SetTo("TThrottle"), {}, {"TThrottle.exe", "D=TThrottle temperature throttle", "TThrottle"}},
    {{IsExactly(R, "Samsung Portable SSD"), Not(Contains(Folder, "T7"))}, SetTo("Samsung Portable SSD Software for T5/X5"), {}, {"Portable SSD/SamsungPortableSSD.exe", "P=Samsung Portable SSD", "Samsung Portable SSD Software for T5/X5"}},
    {{IsExactly(R, "Samsung Portable SSD"), Contains(Folder, "T7")}, SetTo("Samsung Portable SSD Software for T7"), {}, {"Portable SSD T7/SamsungPortableSSD.exe", "P=Samsung Portable SSD", "Samsung Portable SSD Software for T7"}},
    {{BeginsWith(R, "WordWeb")}, SetTo("WordWeb"), {}, {"wweb32.exe", "P=WordWeb Free Dictionary", "WordWeb"}},
    {{BeginsWith(R, "General purpose audio/video downloader")}, SetTo("VSO Downloader"), {}, {"vsodownloader.exe", "D=General purpose audio/video downloader", "VSO Downloader"}},
    {{BeginsWith(R, "VSO PhotoDVD")}, SetTo("PhotoDVD"), {}, {"PhotoDVD.exe", "P=VSO PhotoDVD", "PhotoDVD"}},
    {{BeginsWith(R, "Bandicam ")}, SetTo("Bandicam"), {}, {"bdcam.exe", "D=Bandicam - Bandisoft", "Bandicam"}},
    {{BeginsWith(R, "Trident Z Lighting")}, SetTo("Trident Z Lighting Control"), {}, {"TridentZ.exe", "P=Trident Z Lighting Ctrl", "Trident Z Lighting Control"}},
    {{Contains(R, "HiSuite"), Not(IsExactly(R, "HiSuite"))}, SetTo("HiSuite"), {}, {"HiSuite.exe", "P=Huawei HiSuite", "HiSuite"}},
    {{BeginsWith(R, "O&O ShutUp10"), Not(IsExactly(R, "O&O ShutUp10++"))}, SetTo("O&O ShutUp10++"), {}, {"OOSU10.exe", "P=O&O ShutUp10 antispy", "O&O ShutUp10++"}},
    {{BeginsWith(R, "FRST")}, SetTo("Farbar Recovery Scan Tool"), {}, {"FRST64.exe", "P=FRST64", "Farbar Recovery Scan Tool"}},
    {{Is(R, "Microsoft Edge"), Contains(Folder, "Edge Beta")}, SetTo("Microsoft Edge Beta"), {}, {"Edge Beta/Application/msedge.exe", "P=Microsoft Edge", "Microsoft Edge Beta"}},
    {{Is(R, "Microsoft Edge"), Contains(Folder, "Edge Dev")}, SetTo("Microsoft Edge Dev"), {}, {"Edge Dev/Application/msedge.exe", "P=Microsoft Edge", "Microsoft Edge Dev"}},
    {{Is(R, "Microsoft Edge"), Contains(Folder, "Edge SxS")}, SetTo("Microsoft Edge Canary"), {}, {"Edge SxS/Application/msedge.exe", "P=Microsoft Edge", "Microsoft Edge Canary"}},
    {{IsEmpty(R), Is(Base, "compi32")}, SetTo("Inno Setup"), {}, {"Compi32.exe", "", "Inno Setup"}},
    {{BeginsWith(R, "TagComplete ")}, SetTo("TagComplete"), {}, {"TagComplete.exe", "D=TagComplete tag editor", "TagComplete"}},
    {{BeginsWith(R, "MediaPurge ")}, SetTo("MediaPurge"), {}, {"MediaPurge.exe", "D=MediaPurge media cleaner", "MediaPurge"}},
    {{BeginsWith(R, "Kalkules ")}, SetTo("Kalkules"), {}, {"Kalkules.exe", "D=Kalkules calculator", "Kalkules"}},
    {{BeginsWith(R, "StartIsBack ")}, SetTo("StartIsBack"), {}, {"StartIsBackCfg.exe", "P=StartIsBack Configuration", "StartIsBack"}},
    {{Is(R, "StartIsBack")}, Call(StartIsBackPlusPlus), {}, {"StartIsBackCfg.exe", "P=StartIsBack", "StartIsBack++", "StartIsBack32.dll=PE:D=StartIsBack++ 2.9"}},
    {{Is(R, "StartIsBack")}, Call(StartIsBackPlus), {}, {"StartIsBackCfg.exe", "P=StartIsBack", "StartIsBack+", "StartIsBack32.dll=PE:D=StartIsBack+ 1.7"}},
    {{BeginsWith(R, "AutoCAD LT"), Contains(Base, "acad")}, SetTo("AutoCAD LT"), {}, {"acadlt.exe", "P=AutoCAD LT 2021 - English", "AutoCAD LT"}},
    {{BeginsWith(R, "AcCore"), Contains(Co, "Autodesk")}, SetTo("AutoCAD component"), {}, {"accoreconsole.exe", "P=AcCoreConsole|C=Autodesk, Inc.", "AutoCAD component"}},
    {{BeginsWith(R, "Citrix Workspace")}, Call(CitrixLtsr), {}, {"ICA Client/wfica32.exe", "P=Citrix Workspace", "Citrix Workspace LTSR", "../receiver/BuildInformation.txt=Version 19.12.5000 CU5\nBuild 5"}},
    {{Contains(R, "ESET"), Contains(R, "Security")}, Call(EsetProductName), {}, {"egui.exe", "D=ESET Security", "ESET Smart Security Premium", "SecurityProductInformation.ini=[Product]\nCode=107\nName= ESET Smart Security Premium \nName=Other"}},
    {{Contains(R, "ESET"), Contains(R, "Antivirus")}, Call(EsetProductName), {}, {"egui.exe", "D=ESET NOD32 Antivirus", "ESET NOD32 Antivirus Business", "SecurityProductInformation.ini=Name=ESET NOD32 Antivirus Business"}},
    {{BeginsWith(R, "ESET Main GUI")}, Call(EsetProductName), {}, {"egui.exe", "D=ESET Main GUI", "ESET Endpoint Security", "SecurityProductInformation.ini=Name=ESET Endpoint Security"}},
    {{Is(R, "MSPCManager")}, SetTo("Microsoft PC Manager"), {}, {"MSPCManager.exe", "P=MSPCManager", "Microsoft PC Manager"}},
    {{BeginsWith(R, "RevoUninPort")}, SetTo("Revo Uninstaller Portable"), {}, {"RevoUninPort.exe", "P=RevoUninPort", "Revo Uninstaller Portable"}},
    {{BeginsWith(R, "RevoUninProPort")}, SetTo("Revo Uninstaller Pro Portable"), {}, {"RevoUninProPort.exe", "P=RevoUninProPort", "Revo Uninstaller Pro Portable"}},
    {{BeginsWith(R, "Solidigm"), Contains(R, "Storage Tool"), Not(IsExactly(R, "Solidigm Storage Tool"))}, SetTo("Solidigm Storage Tool"), {}, {"SST.exe", "D=Solidigm Storage Tool GUI", "Solidigm Storage Tool"}},
    {{Is(R, "AbLauncher")}, TakeFieldNoExt(FolderName), {}, {"Space Pirates.v2/AbLauncher.exe", "P=AbLauncher", "Space Pirates"}},
    {{Is(Base, "AbLauncher"), BeginsWith(R, "Console")}, TakeFieldNoExt(FolderName), {}, {"Sky Garden/AbLauncher.exe", "P=Console Host", "Sky Garden"}},
    {{BeginsWith(R, "UFS Explorer"), Contains(FD, "Standard Recovery")}, SetTo("UFS Explorer Standard Recovery"), {}, {"ufsx.exe", "P=UFS Explorer|D=UFS Explorer Standard Recovery main program", "UFS Explorer Standard Recovery"}},
    {{BeginsWith(R, "UFS Explorer"), Contains(FD, "Professional Recovery")}, SetTo("UFS Explorer Professional Recovery"), {}, {"ufsx.exe", "P=UFS Explorer|D=UFS Explorer Professional Recovery main program", "UFS Explorer Professional Recovery"}},
    {{BeginsWith(R, "Abelssoft SSD Fresh")}, SetTo("SSDFresh"), {}, {"SSDFresh.exe", "P=Abelssoft SSD Fresh", "SSDFresh"}},
    {{Is(R, "Terminal"), Is(Base, "mintty")}, SetTo("Mintty"), {}, {"mintty.exe", "P=Terminal", "Mintty"}},
    {{BeginsWith(R, "Uplay")}, SetTo("Ubisoft Connect"), {}, {"upc.exe", "P=Uplay launcher", "Ubisoft Connect"}},
    {{BeginsWith(R, "XnView Classic")}, SetTo("XnView"), {}, {"xnview.exe", "P=XnView Classic", "XnView"}},
    {{BeginsWith(R, "XnViewMP")}, SetTo("XnView MP"), {}, {"xnviewmp.exe", "P=XnViewMP", "XnView MP"}},
    {{Like(R, "Spyder?PRO*")}, SetTo("Spyder Pro"), {}, {"Spyder5PRO.exe", "P=Spyder5PRO", "Spyder Pro"}},
    {{Like(R, "Spyder?EXPRESS*")}, SetTo("Spyder Express"), {}, {"Spyder5EXPRESS.exe", "P=Spyder5EXPRESS", "Spyder Express"}},
    {{Like(R, "Spyder?ELITE*")}, SetTo("Spyder Elite"), {}, {"Spyder5ELITE.exe", "P=Spyder5ELITE", "Spyder Elite"}},
    {{Like(R, "Spyder?Utility*")}, SetTo("SpyderUtility"), {}, {"SpyderUtility.exe", "P=Spyder Utility", "SpyderUtility"}},
    {{Is(R, "EOS Utility"), BeginsWith(PV, "2")}, Append(" 2"), {}, {"EOS Utility.exe", "P=EOS Utility|V=2.14.20", "EOS Utility 2"}},
    {{Is(R, "EOS Utility"), BeginsWith(FV, "2")}, Append(" 2"), {}, {"EOS Utility.exe", "P=EOS Utility|F=2.14.0.0", "EOS Utility 2"}},
    {{Is(R, "EOS Utility"), BeginsWith(PV, "3")}, Append(" 3"), {}, {"EOS Utility.exe", "P=EOS Utility|V=3.15.10", "EOS Utility 3"}},
    {{Is(R, "EOS Utility"), BeginsWith(FV, "3")}, Append(" 3"), {}, {"EOS Utility.exe", "P=EOS Utility|F=3.15.0.0", "EOS Utility 3"}},
    {{BeginsWith(R, "iTwin ")}, SetTo("iTwin"), {}, {"iTwin.exe", "P=iTwin Connect", "iTwin"}},
    {{Is(R, "Remote Utilities"), Contains(FD, "server")}, SetTo("Remote Utilities Server"), {}, {"rutserv.exe", "P=Remote Utilities|D=Remote Utilities Server", "Remote Utilities Server"}},
    {{Is(R, "Remote Utilities"), Contains(FD, "viewer"), Contains(Folder, "viewer")}, SetTo("Remote Utilities Viewer"), {}, {"Remote Utilities Viewer/rutview.exe", "P=Remote Utilities|D=Remote Utilities Viewer", "Remote Utilities Viewer"}},
    {{Is(R, "Remote Utilities"), Contains(FD, "host")}, SetTo("Remote Utilities Host"), {}, {"rfusclient.exe", "P=Remote Utilities|D=Remote Utilities Host", "Remote Utilities Host"}},
    {{Is(R, "CCleaner"), HasFile("portable.dat")}, SetTo("CCleaner Portable"), {}, {"CCleaner64.exe", "P=CCleaner", "CCleaner Portable", "portable.dat=#PORTABLE#"}},
    {{Is(R, "Startup"), IsEmpty(Co), Contains(Folder, "novapdf")}, Call(DoPdfHelper), {}, {"novaPDF/Startup.exe", "P=Startup", "doPDF", "", "DisplayName=doPDF 11 Printer Driver"}},
    {{Is(R, "Startup"), IsEmpty(Co), Contains(Folder, "novapdf")}, SetTo("novaPDF"), {}, {"novaPDF/Startup.exe", "P=Startup", "novaPDF"}},
    {{Is(R, "Malwarebytes Anti-Exploit"), ReleaseIs(PV, 2)}, Append(" Enterprise"), {}, {"mbae.exe", "P=Malwarebytes Anti-Exploit|V=1.13.2.1", "Malwarebytes Anti-Exploit Enterprise"}},
    {{Is(R, "Malwarebytes Anti-Exploit"), ReleaseIs(FV, 2)}, Append(" Enterprise"), {}, {"mbae.exe", "P=Malwarebytes Anti-Exploit|F=1.12.2.0", "Malwarebytes Anti-Exploit Enterprise"}},
    {{Contains(Co, "NW.JS"), Contains(PN, "NWJS")}, Call(NwjsApplication), {}, {"Star Garden/game.exe", "P=nwjs|C=The NW.js Community", "Star Garden Deluxe", "", "DisplayName=Star Garden Deluxe;InstallLocation={dir}"}},
    {{Is(R, "Launcher"), Contains(Co, "Hexaglyph Games")}, SetTo("Hexaglyph Launcher"), {}, {"Launcher.exe", "P=Launcher|C=Hexaglyph Games Ltd", "Hexaglyph Launcher"}},
    {{BeginsWith(R, "FlashPeak ")}, CutPrefix("FlashPeak ", true), {}, {"slimjet.exe", "P=FlashPeak Slimjet", "Slimjet"}},
    {{Is(Base, "msinfo32")}, SetTo("System Information"), {}, {"msinfo32.exe", "D=System Information viewer of the system", "System Information"}},
    {{BeginsWith(R, "System Information for Windows")}, SetTo("SIW"), {}, {"siw.exe", "P=System Information for Windows", "SIW"}},
    {{BeginsWith(R, "Mindjet ")}, CutPrefix("Mindjet ", true), {}, {"MindManager.exe", "P=Mindjet MindManager", "MindManager"}},
    {{Is(R, "ScreenRecorder"), Contains(Co, "Screencast-O-Matic")}, SetTo("Screencast-O-Matic"), {}, {"ScreenRecorder.exe", "P=ScreenRecorder|C=Screencast-O-Matic", "Screencast-O-Matic"}},
    {{BeginsWith(R, "EZCastPro")}, SetTo("EZCast Pro"), {}, {"EZCastPro.exe", "P=EZCastPro", "EZCast Pro"}},
    {{BeginsWith(R, "Freemake Video Converter"), Is(FolderName, "Freemake Downloader")}, SetTo("Freemake Video Downloader"), {}, {"Freemake Downloader/FreemakeVideoDownloader.exe", "P=Freemake Video Converter", "Freemake Video Downloader"}},
    {{Contains(R, "Heroes 3 HD")}, SetTo("HoMM3 HD"), {}, {"HD_Launcher.exe", "D=Heroes 3 HD Mod launcher", "HoMM3 HD"}},
    {{BeginsWith(R, "Textify ")}, SetTo("Textify"), {}, {"Textify.exe", "D=Textify - copy text from dialogs", "Textify"}},
    {{Is(R, "Foxit Reader")}, SetTo("Foxit PDF Reader"), {}, {"FoxitReader.exe", "P=Foxit Reader", "Foxit PDF Reader"}},
    {{Is(R, "Python"), Contains(Co, "ActiveState")}, SetTo("ActivePython"), {}, {"python.exe", "P=Python|C=ActiveState Software Inc.", "ActivePython"}},
    {{Is(R, "Picard"), Contains(Co, "MusicBrainz")}, SetTo("MusicBrainz Picard"), {}, {"picard.exe", "P=Picard|C=MusicBrainz", "MusicBrainz Picard"}},
    {{Is(R, "Waterfox"), BeginsWith(PV, "56.")}, SetTo("Waterfox Classic"), {}, {"waterfox.exe", "P=Waterfox|V=56.6.2022.11", "Waterfox Classic"}},
    {{Is(R, "Waterfox")}, Call(WaterfoxGeneration), {}, {"waterfox.exe", "P=Waterfox|V=5.1.2", "Waterfox G5", "", "DisplayName=Waterfox;DisplayVersion=G5.1.2;InstallLocation={dir}"}},
    {{BeginsWith(R, "Audials ")}, SetTo("Audials"), {}, {"Audials.exe", "P=Audials One", "Audials"}},
    {{BeginsWith(R, "DMDE ")}, SetTo("DMDE"), {}, {"dmde.exe", "D=DMDE - DM Disk Editor and Data Recovery", "DMDE"}},
    {{BeginsWith(R, "Find Same Images OK")}, SetTo("Find.Same.Images.OK"), {}, {"FSIOK.exe", "P=Find Same Images OK", "Find.Same.Images.OK"}},
    {{BeginsWith(R, "IPVanish ")}, SetTo("IPVanish"), {}, {"IPVanish.exe", "P=IPVanish VPN", "IPVanish"}},
    {{Contains(R, "1Password"), Not(IsExactly(R, "1Password"))}, SetTo("1Password"), {}, {"1Password.exe", "P=AgileBits 1Password", "1Password"}},
    {{BeginsWith(R, "TagScanner ")}, SetTo("TagScanner"), {}, {"Tagscan.exe", "D=TagScanner music organizer", "TagScanner"}},
    {{BeginsWith(R, "WinNTSetup"), Not(IsExactly(R, "WinNTSetup"))}, SetTo("WinNTSetup"), {}, {"WinNTSetup_x64.exe", "P=WinNTSetup_x64", "WinNTSetup"}},
    {{IsEmpty(R), BeginsWith(Base, "DBeaver")}, SetTo("DBeaver Community"), {}, {"dbeaver.exe", "", "DBeaver Community"}},
    {{BeginsWith(R, "Audiograbber ")}, SetTo("AudioGrabber"), {}, {"audiograbber.exe", "P=Audiograbber SE", "AudioGrabber"}},
    {{BeginsWith(R, "EaseUS ")}, CutSuffix(" Loader", true), {}, {"Main.exe", "P=EaseUS Todo Backup Loader", "EaseUS Todo Backup"}},
    {{BeginsWith(R, "Banking4"), Not(IsExactly(R, "Banking4"))}, SetTo("Banking4"), {}, {"Banking4W.exe", "P=Banking4W", "Banking4"}},
    {{Is(R, "pwsh")}, SetTo("PowerShell Core"), {}, {"pwsh.exe", "P=pwsh", "PowerShell Core"}},
    {{Is(R, "Windows PowerShell"), Is(Base, "powershell")}, SetTo("PowerShell"), {}, {"powershell.exe", "P=Windows PowerShell", "PowerShell"}},
    {{Like(R, "*ProduKey*"), Not(IsExactly(R, "ProduKey"))}, SetTo("ProduKey"), {}, {"ProduKey.exe", "D=NirSoft ProduKey viewer", "ProduKey"}},
    {{Is(R, "TCP/UDP endpoint viewer")}, SetTo("TCPView"), {}, {"Tcpview.exe", "D=TCP/UDP endpoint viewer", "TCPView"}},
    {{Contains(Co, "Bose"), Contains(R, "Updater")}, SetTo("Bose Device Updater"), {}, {"BoseUpdater.exe", "P=Updater Service|C=Bose Corporation", "Bose Device Updater"}},
    {{BeginsWith(R, "LAME Ain't an MP3 Encoder")}, SetTo("LAME MP3 Encoder"), {}, {"lame.exe", "D=LAME Ain't an MP3 Encoder", "LAME MP3 Encoder"}},
    {{BeginsWith(R, "MailStore Home "), Not(IsExactly(R, "MailStore Home"))}, SetTo("MailStore Home"), {}, {"MailStoreHome.exe", "P=MailStore Home Portable", "MailStore Home"}},
    {{Is(R, "VNC Server"), Contains(Co, "RealVNC")}, SetTo("Real VNC Server"), {}, {"vncserver.exe", "P=VNC Server|C=RealVNC Ltd", "Real VNC Server"}},
    {{Is(R, "VNC Viewer"), Contains(Co, "RealVNC")}, SetTo("Real VNC Viewer"), {}, {"vncviewer.exe", "P=VNC Viewer|C=RealVNC Ltd", "Real VNC Viewer"}},
    {{BeginsWith(R, "UltraVNC Server")}, SetTo("UltraVNC VNCServer"), {}, {"winvnc.exe", "P=UltraVNC Server", "UltraVNC VNCServer"}},
    {{BeginsWith(R, "calibre"), Not(IsExactly(R, "Calibre"))}, SetTo("Calibre"), {}, {"calibre.exe", "D=calibre - E-book management", "Calibre"}},
    {{Is(R, "UltraCompare"), Contains(Base, "lite")}, SetTo("UltraCompare Lite"), {}, {"uclite.exe", "P=UltraCompare", "UltraCompare Lite"}},
    {{BeginsWith(R, "PrivaZer "), Not(IsExactly(R, "PrivaZer"))}, SetTo("PrivaZer"), {}, {"PrivaZer.exe", "D=PrivaZer privacy cleaner", "PrivaZer"}},
    {{BeginsWith(R, "WinContig ")}, SetTo("WinContig"), {}, {"WinContig.exe", "D=WinContig file defragmenter", "WinContig"}},
    {{Is(R, "Macrium Reflect")}, Call(MacriumHome), {}, {"Reflect.exe", "P=Macrium Reflect", "Macrium Reflect Home", "", "DisplayName=Macrium Reflect Home Edition"}},
    {{BeginsWith(R, "Macrium Reflect"), Not(Contains(R, "Server"))}, Call(MacriumFree), {}, {"Reflect.exe", "P=Macrium Reflect", "Macrium Reflect Free", "", "DisplayName=Macrium Reflect Home|DisplayName=Macrium Reflect Free Edition"}},
    {{Contains(R, "Driver & Support Assistant")}, SetTo("Intel Driver & Support Assistant"), {}, {"DSATray.exe", "P=Intel(R) Driver & Support Assistant", "Intel Driver & Support Assistant"}},
    {{BeginsWith(R, "Ashampoo PDF Pro "), Not(IsExactly(R, "Ashampoo PDF Pro"))}, SetTo("Ashampoo PDF Pro"), {}, {"PDFPro.exe", "P=Ashampoo PDF Pro Business", "Ashampoo PDF Pro"}},
    {{BeginsWith(R, "Ashampoo Snap "), Not(IsExactly(R, "Ashampoo Snap"))}, SetTo("Ashampoo Snap"), {}, {"ashsnap.exe", "P=Ashampoo Snap Business", "Ashampoo Snap"}},
    {{BeginsWith(R, "Ashampoo Undeleter "), Not(IsExactly(R, "Ashampoo Undeleter"))}, SetTo("Ashampoo Undeleter"), {}, {"undeleter.exe", "P=Ashampoo Undeleter Free", "Ashampoo Undeleter"}},
    {{BeginsWith(R, "SiSoftware Sandra"), Contains(R, "Lite")}, SetTo("SiSoftware Sandra Lite"), {}, {"sandra.exe", "P=SiSoftware Sandra Lite 2021", "SiSoftware Sandra Lite"}},
    {{BeginsWith(R, "PSPad ")}, SetTo("PSPad"), {}, {"PSPad.exe", "D=PSPad editor", "PSPad"}},
    {{BeginsWith(R, "Open-Shell ")}, SetTo("Open-Shell"), {}, {"StartMenu.exe", "P=Open-Shell Menu", "Open-Shell"}},
    {{BeginsWith(R, "Transcript Snagger")}, SetTo("TranscriptSnagger"), {}, {"TranscriptSnagger.exe", "P=Transcript Snagger", "TranscriptSnagger"}},
    {{BeginsWith(R, "CleanFolder")}, SetTo("Clean Folder"), {}, {"CleanFolder.exe", "P=CleanFolder", "Clean Folder"}},
    {{Is(R, "AxCmd")}, SetTo("Alcohol Command Launcher"), {}, {"AxCmd.exe", "P=AxCmd", "Alcohol Command Launcher"}},
    {{Is(R, "ResHacker")}, SetTo("Resource Hacker"), {}, {"ResourceHacker.exe", "P=ResHacker", "Resource Hacker"}},
    {{Is(R, "Adobe Acrobat"), MajorIn(PV, 15, kAnyHigh)}, SetTo("Adobe Acrobat DC"), {}, {"Acrobat.exe", "P=Adobe Acrobat|V=21.7.20099.454979", "Adobe Acrobat DC"}},
    {{BeginsWith(R, "Intel(R) PROSet/Wireless")}, SetTo("Intel PROSet/Wireless"), {}, {"ZCfgSvc.exe", "P=Intel(R) PROSet/Wireless WiFi Software", "Intel PROSet/Wireless"}},
    {{BeginsWith(R, "Intel(R) PROSet Adapter Configuration")}, SetTo("Intel PROSet Adapter Configuration Utility"), {}, {"IntelACU.exe", "D=Intel(R) PROSet Adapter Configuration Utility", "Intel PROSet Adapter Configuration Utility"}},
    {{Contains(R, "Processor Identification Utility"), Contains(R, "Legacy")}, SetTo("Intel processor utility Legacy"), {}, {"PIU.exe", "D=Intel Processor Identification Utility - Legacy Version", "Intel processor utility Legacy"}},
    {{Is(R, "OfficeTab")}, SetTo("Office Tab"), {}, {"OfficeTabCenter.exe", "P=OfficeTab", "Office Tab"}},
    {{Is(R, "madHcCtrl")}, SetTo("madVR"), {}, {"madHcCtrl.exe", "P=madHcCtrl", "madVR"}},
    {{Is(R, "ZoneAlarm Pro Firewall")}, SetTo("ZoneAlarm Pro"), {}, {"zatray.exe", "P=ZoneAlarm Pro Firewall", "ZoneAlarm Pro"}},
    {{BeginsWith(R, "TRIXX"), Contains(Co, "Sapphire")}, SetTo("Sapphire TRIXX"), {}, {"TRIXX.exe", "P=TRIXX|C=Sapphire Technology", "Sapphire TRIXX"}},
    {{BeginsWith(R, "JumpDesktop")}, SetTo("Jump Desktop"), {}, {"JumpDesktop.exe", "P=JumpDesktop", "Jump Desktop"}},
    {{BeginsWith(R, "Xinorbis ")}, SetTo("Xinorbis"), {}, {"Xinorbis.exe", "D=Xinorbis disk analyser", "Xinorbis"}},
    {{Is(R, "Backup and Sync from Google")}, SetTo("Backup and Sync"), {}, {"googledrivesync.exe", "P=Backup and Sync from Google", "Backup and Sync"}},
    {{Contains(R, "Thunderbolt"), Contains(R, "Software"), Not(IsExactly(R, "Thunderbolt Software"))}, SetTo("Thunderbolt Software"), {}, {"tbtsvc.exe", "P=Thunderbolt(TM) Software", "Thunderbolt Software"}},
    {{BeginsWith(R, "Softmaker ")}, CutPrefix("Softmaker ", true), {}, {"PlanMaker.exe", "P=SoftMaker PlanMaker", "PlanMaker"}},
    {{Is(R, "lessmsi")}, SetTo("Less MSIerables (lessmsi)"), {}, {"lessmsi.exe", "P=lessmsi", "Less MSIerables (lessmsi)"}},
    {{Is(R, "Iron"), Contains(Co, "SRWare")}, SetTo("SRWare Iron"), {}, {"iron.exe", "P=Iron|C=SRWare", "SRWare Iron"}},
    {{BeginsWith(R, "Chromium"), Not(HasFile("eventlog_provider.dll")), Not(HasFile("nacl_irt_x86_64.nexe"))}, SetTo("Ungoogled Chromium"), {}, {"chrome.exe", "P=Chromium", "Ungoogled Chromium"}},
    {{BeginsWith(R, "DOSBOX"), HasFile("Patches.txt")}, SetTo("DOSBox ECE"), {}, {"DOSBox.exe", "P=DOSBox", "DOSBox ECE", "Patches.txt=ECE patches"}},
    {{BeginsWith(R, "qBitTorrent"), Is(Base, "qbittorrent")}, Call(QBittorrentEnhanced), {}, {"qbittorrent.exe", "P=qBittorrent", "qBittorrent Enhanced Edition", "<self>=qBittorrent Enhanced Edition"}},
    {{BeginsWith(R, "Sysinternals ")}, CutPrefix("Sysinternals ", true), {}, {"procexp.exe", "P=Sysinternals Process Explorer", "Process Explorer"}},
    {{BeginsWith(R, "BitComet "), Not(IsExactly(R, "BitComet"))}, SetTo("BitComet"), {}, {"BitComet.exe", "P=BitComet BitTorrent client", "BitComet"}},
    {{BeginsWith(R, "ASoft .NET Version Detector")}, SetTo(".NET Version Detector"), {}, {"netver.exe", "P=ASoft .NET Version Detector", ".NET Version Detector"}},
    {{Is(R, "yubioath-desktop")}, SetTo("Yubico Authenticator"), {}, {"yubioath.exe", "P=yubioath-desktop", "Yubico Authenticator"}},
    {{Is(R, "lossless-cut")}, SetTo("LosslessCut"), {}, {"LosslessCut.exe", "P=lossless-cut", "LosslessCut"}},
    {{Is(R, "Google Earth"), Contains(Folder, "Earth Pro")}, SetTo("Google Earth Pro"), {}, {"Google Earth Pro/client/googleearth.exe", "P=Google Earth", "Google Earth Pro"}},
    {{BeginsWith(R, "JRiver ")}, CutPrefix("JRiver ", true), {}, {"Media Center.exe", "P=JRiver Media Center", "Media Center"}},
    {{BeginsWith(R, "J. River ")}, CutPrefix("J. River ", true), {}, {"Media Jukebox.exe", "P=J. River Media Jukebox", "Media Jukebox"}},
    {{BeginsWith(Base, "tclsh"), Contains(R, "Tcl"), Not(IsExactly(R, "Tcl"))}, SetTo("Tcl"), {}, {"tclsh86.exe", "D=Tcl shell application", "Tcl"}},
    {{BeginsWith(Base, "wish"), Contains(R, "Tk"), Not(IsExactly(R, "Tk"))}, SetTo("Tk"), {}, {"wish86.exe", "D=Tk windowing shell", "Tk"}},
    {{Is(R, "Quick Menu"), Contains(Co, "Canon")}, SetTo("Canon Quick Menu"), {}, {"CNQMMAIN.EXE", "P=Quick Menu|C=Canon Inc.", "Canon Quick Menu"}},
    {{BeginsWith(R, "MSIAfterburner")}, SetTo("MSI Afterburner"), {}, {"MSIAfterburner.exe", "P=MSIAfterburner", "MSI Afterburner"}},
    {{BeginsWith(R, "UCheck ")}, SetTo("UCheck"), {}, {"UCheck.exe", "D=UCheck - software updater", "UCheck"}},
    {{BeginsWith(R, "FreeAudioConverter")}, SetTo("Free Audio Converter"), {}, {"FreeAudioConverter.exe", "P=FreeAudioConverter", "Free Audio Converter"}},
    {{BeginsWith(R, "FreeVideoToFlashConverter")}, SetTo("Free Video to Flash Converter"), {}, {"FreeVideoToFlashConverter.exe", "P=FreeVideoToFlashConverter", "Free Video to Flash Converter"}},
    {{Is(R, "NAPS2")}, SetTo("NAPS2 (Not Another PDF Scanner 2)"), {}, {"NAPS2.exe", "P=NAPS2", "NAPS2 (Not Another PDF Scanner 2)"}},
    {{Is(R, "FreeCommander"), MajorIn(PV, 2009, 2099)}, SetTo("FreeCommander XE"), {}, {"FreeCommander.exe", "P=FreeCommander|V=2023.0.0.880", "FreeCommander XE"}},
    {{BeginsWith(R, "SpiderOak"), Not(IsExactly(R, "SpiderOakONE"))}, SetTo("SpiderOakONE"), {}, {"SpiderOakONE.exe", "P=SpiderOak ONE", "SpiderOakONE"}},
    {{BeginsWith(R, "Typograf ")}, SetTo("Typograf"), {}, {"Typograf.exe", "D=Typograf font manager", "Typograf"}},
    {{BeginsWith(R, "RegRun ")}, SetTo("RegRun Security Suite"), {}, {"rrtray.exe", "P=RegRun Reanimator", "RegRun Security Suite"}},
    {{BeginsWith(R, "Autostart program viewer")}, SetTo("Autoruns"), {}, {"Autoruns.exe", "D=Autostart program viewer", "Autoruns"}},
    {{Is(R, "r2StartupDelayer")}, SetTo("Startup Delayer"), {}, {"r2StartupDelayer.exe", "P=r2StartupDelayer", "Startup Delayer"}},
    {{BeginsWith(R, "Tag&Rename "), Not(IsExactly(R, "Tag&Rename"))}, SetTo("Tag&Rename"), {}, {"TagRename.exe", "D=Tag&Rename music tag editor", "Tag&Rename"}},
    {{BeginsWith(R, "3D Vision Shortcut Handler")}, Prepend("NVIDIA "), {}, {"nvstlink.exe", "D=3D Vision Shortcut Handler", "NVIDIA 3D Vision Shortcut Handler"}},
    {{Is(R, "Configuration Utility"), Contains(Co, "Oculus")}, SetTo("Oculus Configuration Utility"), {}, {"OculusConfigUtil.exe", "P=Configuration Utility|C=Oculus VR, LLC", "Oculus Configuration Utility"}},
    {{Is(R, "thinclient"), Contains(Folder, "Drakensang")}, SetTo("Drakensang Online"), {}, {"Drakensang Online/thinclient.exe", "P=thinclient", "Drakensang Online"}},
    {{Is(R, "PuTTY"), BeginsWith(Base, "kitty")}, SetTo("KiTTY"), {}, {"kitty_portable.exe", "P=PuTTY", "KiTTY"}},
    {{Is(R, "EpicGamesLauncher")}, SetTo("Epic Games Launcher"), {}, {"EpicGamesLauncher.exe", "P=EpicGamesLauncher", "Epic Games Launcher"}},
    {{Is(R, "TBPlus")}, SetTo("Textbausteine Plus"), {}, {"TBPlus.exe", "P=TBPlus", "Textbausteine Plus"}},
    {{Is(R, "CareCenter")}, SetTo("Care Center"), {}, {"CareCenter.exe", "P=CareCenter", "Care Center"}},
    {{BeginsWith(R, "Proton VPN")}, SetTo("ProtonVPN"), {}, {"ProtonVPN.exe", "P=Proton VPN", "ProtonVPN"}},
    {{BeginsWith(R, "Audacity"), Not(IsExactly(R, "Audacity"))}, SetTo("Audacity"), {}, {"audacity.exe", "P=Audacity(R) sound editor", "Audacity"}},
    {{BeginsWith(R, "Punto Switcher ")}, SetTo("Punto Switcher"), {}, {"punto.exe", "D=Punto Switcher keyboard layout switcher", "Punto Switcher"}},
    {{BeginsWith(R, "Internet Download Manager "), Not(IsExactly(R, "Internet Download Manager"))}, SetTo("Internet Download Manager"), {}, {"IDMan.exe", "P=Internet Download Manager (IDM)", "Internet Download Manager"}},
    {{Is(R, "KMPlayer")}, SetTo("The KMPlayer"), {}, {"KMPlayer.exe", "P=KMPlayer", "The KMPlayer"}},
    {{BeginsWith(R, "AIMP"), Not(IsExactly(R, "AIMP"))}, SetTo("AIMP"), {}, {"AIMP.exe", "P=AIMP5", "AIMP"}},
    {{BeginsWith(R, "Apache OpenOffice")}, SetTo("OpenOffice"), {}, {"soffice.exe", "P=Apache OpenOffice", "OpenOffice"}},
    {{BeginsWith(R, "NetWorx "), Not(IsExactly(R, "NetWorx"))}, SetTo("NetWorx"), {}, {"networx.exe", "D=NetWorx bandwidth monitor", "NetWorx"}},
    {{BeginsWith(R, "WinDirStat")}, SetTo("WinDirStats"), {}, {"windirstat.exe", "D=WinDirStat - Directory Statistics", "WinDirStats"}},
    {{BeginsWith(R, "Volume 2")}, SetTo("Volume2"), {}, {"Volume2.exe", "P=Volume 2", "Volume2"}},
    {{BeginsWith(R, "avast! ")}, SetTo("Avast"), {}, {"AvastUI.exe", "P=avast! Antivirus", "Avast"}},
    {{Is(R, "Opera"), Is(Base, "launcher")}, SetTo("Opera Internet Browser"), {}, {"launcher.exe", "P=Opera", "Opera Internet Browser"}},
    {{BeginsWith(R, "Kodi ")}, SetTo("Kodi"), {}, {"kodi.exe", "P=Kodi Entertainment Center", "Kodi"}},
    {{BeginsWith(R, "FileHippo"), Not(IsExactly(R, "FileHippo App Manager"))}, SetTo("FileHippo App Manager"), {}, {"AppManager.exe", "P=FileHippo.com Update Checker", "FileHippo App Manager"}},
    {{BeginsWith(R, "RogueKiller")}, SetTo("Rogue Killer"), {}, {"RogueKiller.exe", "P=RogueKiller", "Rogue Killer"}},
    {{Is(R, "DontSleep")}, SetTo("Don't Sleep"), {}, {"DontSleep.exe", "P=DontSleep", "Don't Sleep"}},
    {{Contains(R, "BoostSpeed"), Not(IsExactly(R, "BoostSpeed"))}, SetTo("BoostSpeed"), {}, {"BoostSpeed.exe", "P=Auslogics BoostSpeed", "BoostSpeed"}},
    {{BeginsWith(R, "Spybot"), Contains(R, "Distributed Testing")}, SetTo("Spybot - Search & Destroy Distributed Testing"), {}, {"SDTesting.exe", "D=Spybot Distributed Testing client", "Spybot - Search & Destroy Distributed Testing"}},
    {{Is(R, "geek")}, SetTo("Geek Uninstaller"), {}, {"geek.exe", "P=geek", "Geek Uninstaller"}},
    {{BeginsWith(R, "Adobe"), Like(R, "Adobe??* CS*"), Like(R, "* * *")}, KeepWordsBefore("CS"), {}, {"Photoshop.exe", "P=Adobe Photoshop CS5 Extended", "Adobe Photoshop"}},
    {{Is(Base, "reader_sl"), HasFile("AcroRd32.exe")}, SetTo("Adobe Reader"), {}, {"reader_sl.exe", "P=Adobe Acrobat SpeedLauncher", "Adobe Reader", "AcroRd32.exe=MZ"}},
    {{BeginsWith(R, "Maxthon Cloud Browser")}, SetTo("Maxthon"), {}, {"Maxthon.exe", "P=Maxthon Cloud Browser", "Maxthon"}},
    {{BeginsWith(R, "Maxthon"), Contains(R, "Nitro"), Not(IsExactly(R, "Maxthon Nitro"))}, SetTo("Maxthon Nitro"), {}, {"Nitro.exe", "P=Maxthon Nitro Browser", "Maxthon Nitro"}},
    {{BeginsWith(R, "LuminarAI")}, SetTo("Luminar AI"), {}, {"LuminarAI.exe", "P=LuminarAI", "Luminar AI"}},
    {{BeginsWith(R, "LuminarNeo")}, SetTo("Luminar Neo"), {}, {"LuminarNeo.exe", "P=LuminarNeo", "Luminar Neo"}},
    {{Is(R, "Perl"), Contains(Folder, "strawberry")}, SetTo("Strawberry Perl"), {}, {"strawberry/perl/bin/perl.exe", "P=Perl", "Strawberry Perl"}},
    {{Is(R, "Resizer"), Contains(Co, "ObviousIdea")}, SetTo("Light Image Resizer"), {}, {"resize.exe", "P=Resizer|C=ObviousIdea", "Light Image Resizer"}},
    {{BeginsWith(R, "IObit Uninstaller"), Not(IsExactly(R, "IOBit Uninstaller"))}, SetTo("IOBit Uninstaller"), {}, {"IObitUninstaler.exe", "P=IObit Uninstaller Pro", "IOBit Uninstaller"}},
    {{BeginsWith(R, "TapinRadio "), Not(IsExactly(R, "TapinRadio"))}, SetTo("TapinRadio"), {}, {"TapinRadio.exe", "D=TapinRadio internet radio", "TapinRadio"}},
    {{BeginsWith(R, "Kaspersky PURE "), Not(IsExactly(R, "Kaspersky PURE"))}, SetTo("Kaspersky PURE"), {}, {"avp.exe", "P=Kaspersky PURE Total Security", "Kaspersky PURE"}},
    {{Is(R, "AIDA64"), BeginsWith(FD, "AIDA64 ")}, TakeField(FD), {}, {"aida64.exe", "P=AIDA64|D=AIDA64 Extreme", "AIDA64 Extreme"}},
    {{Is(R, "Chrome"), Contains(Co, "Google")}, SetTo("Google Chrome"), {}, {"chrome.exe", "P=Chrome|C=Google LLC", "Google Chrome"}},
    {{Is(R, "Google Chrome"), Contains(Folder, "Chrome SxS")}, SetTo("Google Chrome Canary"), {}, {"Chrome SxS/Application/chrome.exe", "P=Google Chrome", "Google Chrome Canary"}},
    {{Is(R, "Google Chrome"), Contains(Folder, "Chrome Beta")}, SetTo("Google Chrome Beta"), {}, {"Chrome Beta/Application/chrome.exe", "P=Google Chrome", "Google Chrome Beta"}},
    {{Is(R, "Google Chrome"), Contains(Folder, "Chrome Dev")}, SetTo("Google Chrome Dev"), {}, {"Chrome Dev/Application/chrome.exe", "P=Google Chrome", "Google Chrome Dev"}},
    {{BeginsWith(R, "OpenOffice.org ")}, SetTo("OpenOffice.org"), {}, {"scalc.exe", "P=OpenOffice.org Calc", "OpenOffice.org"}},
    {{BeginsWith(R, "Stardock Fences")}, SetTo("Fences"), {}, {"Fences.exe", "P=Stardock Fences", "Fences"}},
    {{BeginsWith(R, "WinRAR archiver")}, SetTo("WinRAR"), {}, {"WinRAR.exe", "D=WinRAR archiver", "WinRAR"}},
    {{Contains(IN, "G Data 2nd keyboard blocker")}, TakeField(IN), {}, {"GDKBFltExe.exe", "P=G Data Security|I=G Data 2nd keyboard blocker", "G Data 2nd keyboard blocker"}},
    {{Is(R, "AnyDVDtray")}, SetTo("AnyDVD"), {}, {"AnyDVDtray.exe", "P=AnyDVDtray", "AnyDVD"}},
    {{BeginsWith(R, "Paragon Partition Manager"), Contains(R, "Community")}, SetTo("Paragon Partition Manager Community Edition"), {}, {"launcher.exe", "D=Paragon Partition Manager 17 Community", "Paragon Partition Manager Community Edition"}},
    {{Is(R, "TrueImage"), Contains(Co, "Acronis")}, SetTo("Acronis True Image"), {}, {"TrueImage.exe", "P=TrueImage|C=Acronis International GmbH", "Acronis True Image"}},
    {{BeginsWith(R, "TimeComX "), Not(IsExactly(R, "TimeComX"))}, SetTo("TimeComX"), {}, {"TimeComX.exe", "D=TimeComX Basic", "TimeComX"}},
    {{BeginsWith(R, "SureThing"), Contains(R, "Labeler"), Not(IsExactly(R, "SureThing Disc Labeler"))}, SetTo("SureThing Disc Labeler"), {}, {"SureThing.exe", "P=SureThing CD Labeler Deluxe", "SureThing Disc Labeler"}},
    {{Is(R, "Samsung Magician DC")}, SetTo("Samsung Magician for Enterprise"), {}, {"magician.exe", "P=Samsung Magician DC", "Samsung Magician for Enterprise"}},
    {{Is(R, "Magician"), Contains(Co, "Samsung")}, SetTo("Samsung Magician"), {}, {"SamsungMagician.exe", "P=Magician|C=Samsung Electronics", "Samsung Magician"}},
    {{Is(R, "The curl executable")}, SetTo("cURL"), {}, {"curl.exe", "D=The curl executable", "cURL"}},
    {{BeginsWith(R, "TraXEx "), Not(IsExactly(R, "TraXEx"))}, SetTo("TraXEx"), {}, {"TraXEx.exe", "D=TraXEx file manager", "TraXEx"}},
    {{BeginsWith(R, "Foxmail ")}, SetTo("Foxmail"), {}, {"Foxmail.exe", "D=Foxmail mail client", "Foxmail"}},
    {{BeginsWith(Base, "fose_loader")}, SetTo("Fallout Script Extender"), {}, {"fose_loader.exe", "P=fose_loader", "Fallout Script Extender"}},
    {{Is(R, "VCDDaemon")}, SetTo("VirtualCloneDrive"), {}, {"VCDDaemon.exe", "P=VCDDaemon", "VirtualCloneDrive"}},
    {{BeginsWith(R, "CloneDVDmobile")}, SetTo("CloneDVD Mobile"), {}, {"CloneDVDmobile.exe", "P=CloneDVDmobile", "CloneDVD Mobile"}},
    {{Is(R, "Steam Client Bootstrapper")}, SetTo("Steam"), {}, {"steam.exe", "P=Steam Client Bootstrapper", "Steam"}},
    {{Is(R, "Steam Client Service")}, SetTo("Steam Service"), {}, {"SteamService.exe", "P=Steam Client Service", "Steam Service"}},
    {{Contains(R, "Fiddler"), Contains(R, "Web Debugger")}, SetTo("Fiddler"), {}, {"Fiddler.exe", "P=Telerik Fiddler Web Debugger", "Fiddler"}},
    {{BeginsWith(R, "Epubor "), Contains(R, "Converter")}, CutPrefix("Epubor ", true), {}, {"Ultimate.exe", "P=Epubor Ultimate eBook Converter", "Ultimate eBook Converter"}},
    {{Contains(R, "Catalyst"), Contains(R, "Control Center"), Not(IsExactly(R, "Catalyst Control Center"))}, SetTo("Catalyst Control Center"), {}, {"CCC.exe", "D=Catalyst Control Center: Host application", "Catalyst Control Center"}},
    {{Is(R, "UniExtract")}, SetTo("Universal Extractor"), {}, {"UniExtract.exe", "P=UniExtract", "Universal Extractor"}},
    {{BeginsWith(R, "ThumbsPlus "), Not(IsExactly(R, "ThumbsPlus"))}, SetTo("ThumbsPlus"), {}, {"Thumbs.exe", "D=ThumbsPlus image organizer", "ThumbsPlus"}},
    {{BeginsWith(R, "Treepad"), Contains(Base, "safe"), Not(IsExactly(R, "Treepad Safe"))}, SetTo("Treepad Safe"), {}, {"TreePadSafe.exe", "P=TreePad", "Treepad Safe"}},
    {{BeginsWith(R, "Treepad"), Contains(Base, "business"), Not(IsExactly(R, "Treepad Business"))}, SetTo("Treepad Business"), {}, {"TreePadBusiness.exe", "P=TreePad", "Treepad Business"}},
    {{BeginsWith(R, "Treepad"), Contains(Base, "plus"), Not(IsExactly(R, "Treepad Plus"))}, SetTo("Treepad Plus"), {}, {"TreePadPlus.exe", "P=TreePad", "Treepad Plus"}},
    {{Is(R, "Boxcryptor"), MajorIn(PV, kAnyLow, 1)}, SetTo("BoxCryptor Classic"), {}, {"Boxcryptor.exe", "P=Boxcryptor|V=1.5.4", "BoxCryptor Classic"}},
    {{BeginsWith(R, "inSSIDer Home")}, SetTo("inSSIDer"), {}, {"inSSIDer.exe", "P=inSSIDer Home", "inSSIDer"}},
    {{BeginsWith(R, "inSSIDer Office "), Not(IsExactly(R, "inSSIDer Office"))}, SetTo("inSSIDer Office"), {}, {"inSSIDer.exe", "P=inSSIDer Office Edition", "inSSIDer Office"}},
    {{BeginsWith(R, "CyberLink PowerDVD")}, SetTo("PowerDVD"), {}, {"PowerDVD.exe", "P=CyberLink PowerDVD", "PowerDVD"}},
    {{Is(R, "GodFather")}, SetTo("The GodFather"), {}, {"godfather.exe", "P=GodFather", "The GodFather"}},
    {{Is(R, "Crash Reporter"), Contains(Co, "Mozilla")}, SetTo("Firefox Crash Reporter"), {}, {"crashreporter.exe", "P=Crash Reporter|C=Mozilla Foundation", "Firefox Crash Reporter"}},
    {{Is(R, "Mozilla Firefox, Portable Edition")}, Call(PortableFirefoxLegacy), {}, {"FirefoxPortable.exe", "D=Mozilla Firefox, Portable Edition", "Mozilla Firefox, Portable Edition Legacy 2000", "App/AppInfo/appinfo.ini=[Format]\nType=PortableApps.comFormat\n[Details]\nName=Mozilla Firefox, Portable Edition Legacy 2000"}},
    {{IsExactly(R, "Mozilla Thunderbird")}, SetTo("Thunderbird"), {}, {"thunderbird.exe", "P=Mozilla Thunderbird", "Thunderbird"}},
    {{Is(R, "Rambox")}, Call(RamboxCommunity), {}, {"Rambox.exe", "P=Rambox", "Rambox CE", "resources/app-update.yml=owner: ramboxapp\nrepo: community-edition\nprovider: github"}},
    {{Contains(Co, "mozilla")}, Call(FirefoxEsr), {}, {"firefox.exe", "P=Firefox|C=Mozilla Corporation", "Firefox (ESR)", "update-settings.ini=[Settings]\nACCEPTED_MAR_CHANNEL_IDS=firefox-mozilla-esr"}},
    {{Contains(R, "Mozilla Firefox")}, Call(FirefoxEsr), {}, {"firefox.exe", "P=Mozilla Firefox", "Mozilla Firefox (ESR)", "defaults/pref/update-settings.ini=[Settings]\nACCEPTED_MAR_CHANNEL_IDS=firefox-mozilla-esr"}},
    {{BeginsWith(R, "BS.Player")}, SetTo("BSPlayer"), {}, {"bsplayer.exe", "P=BS.Player FREE", "BSPlayer"}},
    {{Is(R, "UnlockerAssistant")}, SetTo("Unlocker"), {}, {"UnlockerAssistant.exe", "P=UnlockerAssistant", "Unlocker"}},
    {{Is(R, "Unlocker"), Contains(Base, "IObitUnlocker")}, SetTo("IOBit Unlocker"), {}, {"IObitUnlocker.exe", "P=Unlocker", "IOBit Unlocker"}},
    {{Is(R, "Unlocker"), Contains(Co, "IOBit")}, SetTo("IOBit Unlocker"), {}, {"Unlocker.exe", "P=Unlocker|C=IObit", "IOBit Unlocker"}},
    {{IsExactly(R, "GNU Image Manipulation Program")}, SetTo("GIMP"), {}, {"gimp-2.10.exe", "D=GNU Image Manipulation Program", "GIMP"}},
    {{IsEmpty(R), BeginsWith(Base, "gimp")}, SetTo("GIMP"), {}, {"gimp-console.exe", "", "GIMP"}},
    {{IsEmpty(R), BeginsWith(Base, "ff_vfw")}, SetTo("FFDShow"), {}, {"ff_vfw.dll", "", "FFDShow"}},
    {{IsEmpty(R), BeginsWith(Base, "xvid")}, SetTo("Xvid Video Codec"), {}, {"xvidcore.dll", "", "Xvid Video Codec"}},
    {{Contains(FD, "monkey")}, TakeField(FD), {}, {"MAC.exe", "P=Monkey's Audio|D=Monkey's Audio Compressor", "Monkey's Audio Compressor"}},
    {{BeginsWith(R, "Thaiphoon "), Not(IsExactly(R, "Thaiphoon Burner"))}, SetTo("Thaiphoon Burner"), {}, {"Thaiphoon.exe", "P=Thaiphoon SPD editor", "Thaiphoon Burner"}},
    {{IsEmpty(R), BeginsWith(Base, "launchy")}, SetTo("Launchy"), {}, {"Launchy.exe", "", "Launchy"}},
    {{Is(R, "Launchy"), Contains(Folder, "LaunchyQT")}, SetTo("LaunchyQT"), {}, {"LaunchyQT/Launchy.exe", "P=Launchy", "LaunchyQT"}},
    {{Contains(FD, "Flash Player"), Contains(FD, "ActiveX")}, SetTo("Adobe Flash Player for Internet Explorer"), {}, {"Flash32_32_0_0_465.ocx", "P=Shockwave Flash|D=Adobe Flash Player 32.0 r0 ActiveX|F=32.0.0.465", "Adobe Flash Player for Internet Explorer"}},
    {{Contains(FD, "Flash Player"), BeginsWith(Base, "NPSWF")}, SetTo("Adobe Flash Player for Firefox"), {}, {"NPSWF32_32_0_0_465.dll", "P=Shockwave Flash|D=Adobe Flash Player 32.0 r0|F=32.0.0.465", "Adobe Flash Player for Firefox"}},
    {{Contains(FD, "Flash Player"), BeginsWith(Base, "pepflashplayer")}, SetTo("Adobe Flash Player for Opera/Chromium"), {}, {"pepflashplayer32_32_0_0_465.dll", "P=Shockwave Flash|D=Adobe Flash Player 32.0 r0|F=32.0.0.465", "Adobe Flash Player for Opera/Chromium"}},
    {{Contains(FD, "Flash Player"), Contains(Base, "_sa")}, SetTo("Adobe Flash Player Projector"), {}, {"flashplayer_32_sa.exe", "P=Shockwave Flash|D=Adobe Flash Player 32.0 r0", "Adobe Flash Player Projector"}},
    {{BeginsWith(R, "Shockwave"), Contains(FD, "ActiveX")}, SetTo("Shockwave for Internet Explorer"), {}, {"SwDir.dll", "P=Shockwave|D=Shockwave ActiveX Control", "Shockwave for Internet Explorer"}},
    {{BeginsWith(R, "Shockwave"), BeginsWith(Base, "np")}, SetTo("Shockwave for Firefox"), {}, {"np32dsw.dll", "P=Shockwave|D=Shockwave for Director plug-in", "Shockwave for Firefox"}},
    {{BeginsWith(R, "ICQ"), Not(IsExactly(R, "ICQ"))}, SetTo("ICQ"), {}, {"icq.exe", "P=ICQ7.2", "ICQ"}},
    {{Contains(R, "Ad-Aware"), Not(IsExactly(R, "Ad-Aware"))}, SetTo("Ad-Aware"), {}, {"AAWTray.exe", "P=Lavasoft Ad-Aware", "Ad-Aware"}},
    {{BeginsWith(R, "Java(TM) Platform SE "), Not(IsExactly(R, "Java(TM) Platform SE"))}, SetTo("Java(TM) Platform SE"), {}, {"java.exe", "P=Java(TM) Platform SE 8", "Java(TM) Platform SE"}},
    {{BeginsWith(R, "JavaFX "), Not(IsExactly(R, "JavaFX"))}, SetTo("JavaFX"), {}, {"jfxwebkit.dll", "P=JavaFX runtime", "JavaFX"}},
    {{BeginsWith(R, "DivX(R)")}, SetTo("DivX"), {}, {"DivX Player.exe", "P=DivX(R) Player", "DivX"}},
    {{BeginsWith(R, "Songbird "), Not(IsExactly(R, "Songbird"))}, SetTo("Songbird"), {}, {"songbird.exe", "P=Songbird media player", "Songbird"}},
    {{BeginsWith(R, "Awesome Duplicate Photo"), Not(IsExactly(R, "Awesome Duplicate Photo Finder"))}, SetTo("Awesome Duplicate Photo Finder"), {}, {"ADPF.exe", "P=Awesome Duplicate Photo", "Awesome Duplicate Photo Finder"}},
    {{BeginsWith(R, "WinZip"), BeginsWith(Base, "winzip"), Not(IsExactly(R, "Winzip"))}, SetTo("Winzip"), {}, {"WINZIP64.EXE", "P=WinZip 64-bit", "Winzip"}},
    {{Contains(R, "Quick Pick")}, SetTo("Winzip Quick Pick"), {}, {"WzQkPick.exe", "P=WinZip Quick Pick tray", "Winzip Quick Pick"}},
    {{BeginsWith(R, "WinZip Self-Extractor"), Not(IsExactly(R, "WinZip Self-Extractor PE"))}, SetTo("WinZip Self-Extractor PE"), {}, {"wzsepe32.exe", "P=WinZip Self-Extractor", "WinZip Self-Extractor PE"}},
    {{BeginsWith(R, "ACDSee"), Contains(R, "Photo Manager")}, SetTo("ACDSee"), {}, {"ACDSee.exe", "P=ACDSee Photo Manager 12", "ACDSee"}},
    {{BeginsWith(R, "ACDSee Photo Editor "), Not(IsExactly(R, "ACDSee Photo Editor"))}, SetTo("ACDSee Photo Editor"), {}, {"ACDSeePhotoEditor.exe", "P=ACDSee Photo Editor 10", "ACDSee Photo Editor"}},
    {{BeginsWith(R, "ACDSee Ultimate "), Not(IsExactly(R, "ACDSee Ultimate"))}, SetTo("ACDSee Ultimate"), {}, {"ACDSeeUltimate.exe", "P=ACDSee Ultimate 2020", "ACDSee Ultimate"}},
    {{BeginsWith(R, "ACDSee Luxea "), Not(IsExactly(R, "ACDSee Luxea"))}, SetTo("ACDSee Luxea"), {}, {"Luxea.exe", "P=ACDSee Luxea Video Editor", "ACDSee Luxea"}},
    {{BeginsWith(R, "ACDSee Home "), Not(IsExactly(R, "ACDSee Home"))}, SetTo("ACDSee Home"), {}, {"ACDSeeHome.exe", "P=ACDSee Home 2023", "ACDSee Home"}},
    {{BeginsWith(R, "ACDSee Video Studio "), Not(IsExactly(R, "ACDSee Video Studio"))}, SetTo("ACDSee Video Studio"), {}, {"VideoStudio.exe", "P=ACDSee Video Studio 4", "ACDSee Video Studio"}},
    {{Contains(R, "StartSmart"), Not(IsExactly(R, "Nero StartSmart"))}, SetTo("Nero StartSmart"), {}, {"StartSmart.exe", "P=Nero StartSmart Essentials", "Nero StartSmart"}},
    {{BeginsWith(R, "MPC-BE")}, SetTo("Media Player Classic - Black Edition"), {}, {"mpc-be.exe", "P=MPC-BE", "Media Player Classic - Black Edition"}},
    {{BeginsWith(R, "MPC-HC")}, SetTo("Media Player Classic - Home Cinema"), {}, {"mpc-hc.exe", "P=MPC-HC", "Media Player Classic - Home Cinema"}},
    {{BeginsWith(R, "FileZilla FTP Client")}, SetTo("FileZilla"), {}, {"filezilla.exe", "P=FileZilla FTP Client", "FileZilla"}},
    {{BeginsWith(R, "FileZilla Pro "), Not(IsExactly(R, "FileZilla Pro"))}, SetTo("FileZilla Pro"), {}, {"filezilla.exe", "P=FileZilla Pro FTP Client", "FileZilla Pro"}},
    {{BeginsWith(R, "COMODO System Cleaner")}, SetTo("COMODO System-Cleaner"), {}, {"CSCUI.exe", "P=COMODO System Cleaner", "COMODO System-Cleaner"}},
    {{Contains(R, "Malwarebytes"), Contains(R, "Ransomware"), Not(IsExactly(R, "Malwarebytes Anti-Ransomware"))}, SetTo("Malwarebytes Anti-Ransomware"), {}, {"mbarw.exe", "P=Malwarebytes Anti-Ransomware Beta", "Malwarebytes Anti-Ransomware"}},
    {{Is(R, "CCE"), Contains(Co, "COMODO")}, SetTo("COMODO Cleaning Essentials"), {}, {"CCE.exe", "P=CCE|C=COMODO", "COMODO Cleaning Essentials"}},
    {{BeginsWith(R, "Malwarebytes' Anti-Malware")}, SetTo("Malwarebytes Anti-Malware"), {}, {"mbam.exe", "P=Malwarebytes' Anti-Malware", "Malwarebytes Anti-Malware", "", "DisplayName=Malwarebytes Anti-Malware version 1.75.0.1300"}},
    {{IsExactly(R, "Malwarebytes Anti-Malware"), Contains(FD, "Corporate")}, SetTo("Malwarebytes Anti-Malware (Corporate)"), {}, {"mbam.exe", "P=Malwarebytes Anti-Malware|D=Malwarebytes Anti-Malware Corporate client", "Malwarebytes Anti-Malware (Corporate)"}},
    {{IsExactly(R, "Malwarebytes Anti-Malware")}, Call(MalwarebytesPortable), {}, {"mbam.exe", "P=Malwarebytes Anti-Malware", "Malwarebytes Anti-Malware Portable"}},
    {{BeginsWith(R, "Malwarebytes Anti-Malware"), BeginsWith(Base, "mbam-clean")}, SetTo("Malwarebytes Anti-Malware Clean"), {}, {"mbam-clean-2.3.exe", "P=Malwarebytes Anti-Malware", "Malwarebytes Anti-Malware Clean"}},
    {{BeginsWith(R, "FILEminimizer "), Not(IsExactly(R, "FILEminimizer"))}, SetTo("FILEminimizer"), {}, {"FILEminimizer.exe", "P=FILEminimizer Suite", "FILEminimizer"}},
    {{Is(R, "VirtualDub"), Contains(Base, "mod")}, SetTo("VirtualDubMod"), {}, {"VirtualDubMod.exe", "P=VirtualDub", "VirtualDubMod"}},
    {{Is(Base, "WScilex")}, SetTo("Scilab"), {}, {"WScilex.exe", "P=Scilab Console", "Scilab"}},
    {{BeginsWith(R, "Cobian Backup "), Not(IsExactly(R, "Cobian Backup"))}, SetTo("Cobian Backup"), {}, {"Cobian.exe", "P=Cobian Backup 11 Gravity", "Cobian Backup"}},
    {{BeginsWith(R, "Quick Restore Maker")}, SetTo("QuickRestoreMaker"), {}, {"QRM.exe", "P=Quick Restore Maker", "QuickRestoreMaker"}},
    {{BeginsWith(R, "Intel"), Contains(R, "Rapid Storage Technology"), Not(IsExactly(R, "Intel Rapid Storage Technology Driver"))}, SetTo("Intel Rapid Storage Technology Driver"), {}, {"IAStorIcon.exe", "P=Intel(R) Rapid Storage Technology", "Intel Rapid Storage Technology Driver"}},
    {{BeginsWith(R, "Intel"), Contains(R, "Memory and Storage Tool"), Not(IsExactly(R, "Intel Memory and Storage Tool"))}, SetTo("Intel Memory and Storage Tool"), {}, {"IntelMAS.exe", "D=Intel(R) Memory and Storage Tool GUI", "Intel Memory and Storage Tool"}},
    {{Is(R, "Winamp"), Contains(Co, "WACUP")}, SetTo("WACUP (WinAmp Community Update Project)"), {}, {"winamp.exe", "P=Winamp|C=WACUP project", "WACUP (WinAmp Community Update Project)"}},
});

const std::array kLateRules = std::to_array<ProductRule>({
    {{BeginsWith(R, "Plex"), Is(Base, "Plex")}, SetTo("Plex"), {}, {"Plex.exe", "P=Plex for Windows", "Plex"}},
    {{BeginsWith(R, "Plex"), Is(Base, "PlexMediaPlayer")}, SetTo("Plex Media Player"), {}, {"PlexMediaPlayer.exe", "P=Plex", "Plex Media Player"}},
    {{BeginsWith(R, "AOMEI Backupper Pro"), Not(IsExactly(R, "AOMEI Backupper Professional"))}, SetTo("AOMEI Backupper Professional"), {}, {"Backupper.exe", "P=AOMEI Backupper Pro", "AOMEI Backupper Professional"}},
    {{BeginsWith(R, "AOMEI Partition Assistant"), Contains(R, "installer")}, SetTo("AOMEI Partition Assistant Installer"), {}, {"PA_setup.exe", "D=AOMEI Partition Assistant Setup", "AOMEI Partition Assistant Installer"}},
    {{BeginsWith(R, "AOMEI Partition Assistant"), Not(Contains(R, "installer"))}, SetTo("AOMEI Partition Assistant"), {}, {"PartAssist.exe", "P=AOMEI Partition Assistant Standard", "AOMEI Partition Assistant"}},
    {{IsExactly(R, "AOMEI Partition Assistant"), Contains(Path, " Lite")}, Append(" Lite"), {}, {"AOMEI Partition Assistant Lite/PartAssist.exe", "P=AOMEI Partition Assistant", "AOMEI Partition Assistant Lite"}},
    {{Is(R, "RestartToUEFI")}, SetTo("ASRock Restart to UEFI"), {}, {"RestartToUEFI.exe", "", "ASRock Restart to UEFI"}},
    {{Is(R, "AXTU")}, SetTo("ASRock Extreme Tuning Utility"), {}, {"AXTU.exe", "", "ASRock Extreme Tuning Utility"}},
    {{BeginsWith(R, "Timing Configurator"), Contains(Co, "ASRock")}, SetTo("ASRock Timing Configurator"), {}, {"AsrTC.exe", "P=Timing Configurator|C=ASRock Inc.", "ASRock Timing Configurator"}},
    {{BeginsWith(R, "ASRPolychrome")}, SetTo("ASRock Polychrome RGB"), {}, {"ASRPolychromeRGB.exe", "", "ASRock Polychrome RGB"}},
    {{Is(R, "AsrRGBLED")}, SetTo("ASRock RGB LED"), {}, {"AsrRGBLED.exe", "", "ASRock RGB LED"}},
    {{BeginsWith(R, "CPU-Z"), BeginsWith(Base, "cpuz_")}, Call(CpuzEdition), {}, {"cpuz_x32.exe", "P=CPU-Z", "CPU-Z ROG Edition", "asus_cpuz_readme.txt=ROG CPU-Z Readme file\n\nVersion history"}},
    {{BeginsWith(R, "CPU-Z"), Is(Base, "cpuz")}, Call(CpuzEdition), {}, {"cpuz.exe", "P=CPU-Z", "CPU-Z MSI Edition", "msi_cpuz_readme.txt=MSI CPU-Z Readme file"}},
    {{Is(R, "ykman-gui")}, SetTo("Yubikey Manager"), {}, {"ykman-gui.exe", "", "Yubikey Manager"}},
    {{BeginsWith(R, "bleachbit"), Not(BeginsWith(R, "BleachBit Portable"))}, SetTo("BleachBit"), {}, {"bleachbit_console.exe", "", "BleachBit"}},
    {{IsExactly(R, "BleachBit"), HasFile("BleachBit.ini")}, SetTo("BleachBit Portable"), {}, {"bleachbit.exe", "", "BleachBit Portable", "BleachBit.ini=[Portable]"}},
    {{BeginsWith(R, "adwcleaner"), Not(IsExactly(R, "AdwCleaner"))}, SetTo("AdwCleaner"), {}, {"adwcleaner_8.3.2.exe", "", "AdwCleaner"}},
    {{BeginsWith(R, "POILoader")}, SetTo("POI Loader"), {}, {"POILoader.exe", "", "POI Loader"}},
});
// clang-format on

// Web domains of publishers whose names end some file descriptions ("Foo Tool
// quillsoft.org"); the "www." form of a domain comes before its bare form.
constexpr std::array<std::string_view, 14> kPublisherDomains{
    "www.ombrevale.com", "ombrevale.com",        "www.quillsoft.org",   "quillsoft.org",   "kestrelware.net",
    "brightbyte-soft.com", "lumenapps.io",       "northwind-tools.com", "pixelforge.net",  "cobaltlabs.org",
    "softorchard.com",   "mirelasoft.de",        "tundraware.net",      "paperkite.app",
};

}  // namespace

std::span<const ProductRule> EarlyProductRules() { return kEarlyRules; }
std::span<const ProductRule> LateProductRules() { return kLateRules; }
std::span<const std::string_view> PublisherDomainSuffixes() { return kPublisherDomains; }

}  // namespace vanto
