// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The publisher table proves itself: every row's own example, run through the whole
// normalisation, comes out as that row's name; every publisher the table is meant to know
// is produced, in table order; every produced name is left alone by a second pass; and the
// short match texts do not swallow other publishers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_rules.h"

using namespace vanto;

namespace {

constexpr const char* kUnrelatedProduct = "Unrelated Product";

// Rows that test the product name carry a product name as their example, with no company.
bool TestsProduct(const ProductRule& row) {
    return std::any_of(row.when.begin(), row.when.end(),
                       [](const RuleTest& t) { return t.subject == Subject::Product; });
}

std::string RunExample(const ProductRule& row) {
    const std::string example(row.example);
    return TestsProduct(row) ? NormaliseCompany("", "", example) : NormaliseCompany(example, "", kUnrelatedProduct);
}

// The publishers the table must produce, in the order their first rows come.
const std::vector<std::string>& ListedPublishers() {
    static const std::vector<std::string> names = [] {
        // clang-format off
        std::vector<std::string> v = {
            "MiniTool Solution Ltd.", "Western Digital", "Antibody Software", "Cyber Power Systems, Inc.",
            "System SoftLab", "Akai", "Invelos Software", "Chemtable Software", "Engelmann Software", "RStudio, PBC",
            "Signal Messenger, LLC", "Grammarly Inc.", "Ramen Software", "Blizzard Entertainment", "dotPDN LLC",
            "Raspberry Pi Ltd", "Sober Lemur S.r.l.", "Balena", "Blueberry Software", "Mintty Team",
            "Exposure Software, LLC", "Superfly Inc.", "OWASP", "Gibson Research Corp.", "Mullvad VPN", "DeepL SE",
            "MetaQuotes Ltd.", "Hauppauge Computer Works, Inc.", "GZ Systems", "O&O Software GmbH", "SysDev Laboratories",
            "SQUARE ENIX", "Screencast-O-Matic", "JailbreakVideo", "Yubico", "Chris P.C. srl", "LibreWolf Team",
            "Pouchin TV Mod Team", "Focusrite Audio Engineering, Ltd.", "Proton Technologies AG",
            "Thesycon Software Solutions GmbH & Co. KG", "Ungoogled-Chromium Authors", "Capture One",
            "National Instruments", "Skylum Software", "MyHeritage", "Cisco Systems, Inc.", "Bartels Media GmbH",
            "ModelMaker Tools", "The Windows Club", "FastStone Corporation", "Unity Technologies", "CoffeeCup Software",
            "Micron Technology, Inc.", "Skymatic GmbH", "Dassault Syst\u00e8mes", "Sapphire Technology",
            "Individual Software", "g10 Code GmbH", "ASRock", "Abelssoft", "Blacksun Software", "Black Tree Gaming",
            "Evernote Corp.", "Greatis Software", "Driver Information Technology Co., Ltd.", "BandLab Technologies",
            "AnyDesk Software GmbH", "ZabKat", "Faithlife, LLC", "NV Access", "KORG Inc.", "Zemana Ltd.",
            "DBeaver Community", "Caramba Tech", "Private Internet Access Incorporated", "Overworlf Ltd.", "BenVista Ltd.",
            "Datpol", "VidCoder", "WinUAE Project Team", "PassMark Software", "SoftMaker Software GmbH",
            "Innovative Solutions", "VIPRE Security", "OpenBoxLab", "IO Bureau SA", "Tenorshare",
            "Paramount Software UK Ltd", "Infonautics GmbH", "ESET", "G&G Software", "Daz 3D, Inc.", "SPAMfighter ApS",
            "Docker Inc.", "Kofax Inc.", "Ubisoft", "FlashPeak Inc.", "NewSoftwares LLC", "Abrites Ltd.", "icecream",
            "Bandicam", "IPVanish", "FastCopy Lab, LLC.", "OpenVPN", "Slack Technologies", "Contaware",
            "ImTOO Software Studio", "NordVPN", "Duplicati Team", "Elaborate Bytes AG", "MediathekView Team",
            "Artifex Software, Inc.", "NSIS Team", "Parallels", "WinMTR Project Team", "Movavi", "Duplicate-Finder",
            "iolo technologies, LLC", "Systools", "Telegram Messenger LLP", "ONE UP LTD.", "nMap Team",
            "Buhl Data Service GmbH", "Resplendence Software Projects", "POIbase", "WebGear Ltd.", "cURL", "Bromium, Inc.",
            "McAfee, Inc.", "Spiceworks, Inc.", "GIGABYTE Technology Co.,Ltd.", "Akademische Arbeitsgemeinschaft Verlag",
            "Lansweeper", "eMule Project", "RapidSolution Software AG", "ImageMagick Studio", "Skymatic UG", "ownCloud",
            "voidtools", "QNAP Systems, Inc.", "Flexera Software", "Steinberg Media Technologies", "icofx software",
            "TeamViewer GmbH", "Geeks3D", "MetaGeek, LLC", "Seagate", "SplitmediaLabs", "Piriform Ltd", "Corsair",
            "Winamp SA", "XRECODE", "The Qt Company Ltd.", "LSoft Technologies Inc", "RealVNC Ltd",
            "Detong Technology Ltd.", "Wacom Co. Ltd.", "EJIE Technology", "Cloanto Corporation", "DxO Labs", "MAGIX",
            "Atmel", "Duplex Secure Ltd.", "Album Art Team", "The LAME Project", "Open-Shell", "ArcSoft, Inc.",
            "BabelStone", "Olympus", "Digiarty Software, Inc.", "MPlayer Team", "Nitro Software, Inc.",
            "MiTAC International Corporation", "Super Flexible Software", "Serif (Europe) Ltd.", "Retrospect, Inc",
            "Inkscape project", "AceBIT GmbH", "Baidu, Inc.", "The UPX Team", "Thuring IT-Consulting", "Activision",
            "Bentley Systems, Inc.", "3Dconnexion", "WinAero", "Astonsoft", "The Audacity Team", "Playdead", "Dell Inc.",
            "ELAN Microelectronics Corp.", "Conexant Systems, Inc.", "Red Gate Software Ltd", "LG Electronics",
            "f.lux Software LLC", "Ritlabs", "MindGems, Inc.", "SRWare", "Xerox", "MSI", "CodeTwo", "mRemoteNG Dev Team",
            "Geek Uninstaller", "Cologne Code Company", "RedFox", "Pulse Secure, LLC", "Plex, Inc.",
            "Eassos Technology Co., Ltd.", "Dell", "The MathWorks, Inc.", "Curse, Inc.", "Dashlane, Inc.", "WonderFox",
            "Rovio Entertainment Ltd.", "CHENGDU YIWO Tech Development Co., Ltd", "Bitvise", "Free Time", "Acronis",
            "Code Sector Inc.", "ActiveState", "Maxis", "SINOVO GmbH & Co. KG", "Huawei", "Tor Project", "Esumsoft",
            "NAPS2 Team", "Handbrake Team", "Autodesk", "Brother Industries, Ltd.", "Mooii Tech",
            "Online Media Technologies Ltd.", "Facebook Technologies, LLC", "CyberGhost S.R.L.", "Dolby Laboratories Inc.",
            "Tencent", "Indigo Rose Corporation", "LucasArts", "Maxthon International ltd.", "Applian Technologies, Inc.",
            "Koyote Soft", "Citrix Systems, Inc.", "Panda Security, S.L.", "FreeFileSync", "Schneider Electric",
            "ConfigFox Team", "Corel Corporation", "Pixelab, Inc.", "7-PDF", "TortoiseGit Team", "TortoiseSVN Team",
            "Tomtom", "Bandisoft", "AT&T", "Qualcomm", "AnchorFree Inc.", "BioWare", "WildTangent, Inc.", "IOBit",
            "Yandex", "GnuWin32", "NETGEAR", "Valve Corporation", "SoftPerfect", "NGWIN", "DigitalVolcano Software Ltd",
            "WinDirStats Team", "Epson", "Sophos Limited", "SurfRight B.V.", "TriSun Software Limited", "Viber Media",
            "JetBrains", "Intuit, Inc.", "Quicken Inc.", "ICQ Inc.", "Anvsoft", "Audible Inc.", "Amazon", "Glarysoft Ltd",
            "Softland", "GARMIN Corp.", "Adguard Software Ltd", "Ruiware", "BlueStack Systems, Inc.", "Team XBMC",
            "Check Point Software Technologies LTD", "AVAST Software", "Almico Software", "Disc Soft Ltd", "Graphisoft",
            "AOMEI Technology Co., Ltd.", "Daum Kakao", "Bopsoft", "Qihoo 360 Technology Co. Ltd.", "Razer Inc.",
            "Neuber Software", "Futuremark", "Gretech Corp.", "PandoraTV", "Sony", "AutoHotkey Foundation LLC",
            "Adblock Plus", "PlotSoft LLC", "Wide Angle Software Ltd", "AppWork GmbH", "SUPERAntiSpyware", "Malwarebytes",
            "Tonec Inc.", "Macecraft Software", "AVG Technologies CZ, s.r.o.", "Xanasoft", "8PECX Studios",
            "G Data Software AG", "OpenSight Software, LLC", "Franmo Software", "Waterfox Project", "Firetrust Ltd",
            "Burnaware", "TOSHIBA", "The Eraser Project", "Songr", "DVDVideoSoft Ltd.", "2BrightSparks", "PDFForge",
            "Greenshot", "Cerious Software Inc.", "MeGUI Team", "Microsoft", "Cyberlink", "Canon Inc.", "Trimble Inc.",
            "Auslogics", "Advanced Micro Devices, Inc.", "dtSearch Corp.", "NVIDIA", "Intel", "Blackmagic Design",
            "Broadcom", "Acer", "Symantec", "Dritek System Inc.", "DTS, Inc", "Realtek", "Skype Technologies",
            "Google Inc.", "Stardock Corporation", "Bitsum Technologies", "Rovi Corporation", "SingularLabs",
            "Hewlett-Packard", "Lenovo", "Nitro PDF", "Electronic Arts", "Creative Technology Ltd", "Logitech, Inc.",
            "The BSPlayer Team", "The GIMP Team", "The FFDShow Team", "Xvid Team", "The Launchy Team", "VideoLAN Team",
            "VSO Software", "Adobe Systems, Inc.", "Mozilla Foundation", "Seamonkey Project", "Siber Systems", "Lavasoft",
            "DivX, Inc.", "POTI, Inc.", "Winzip Computing", "ACD Systems", "MPC-HC Team", "ObviousIdea",
            "Foxit Software Inc.", "Oracle", "MySQL", "Nullsoft, Inc.", "Kaspersky Lab", "Ahead Software AG",
            "BitDefender", "Apple Inc.", "Firebird Project", "SANDBOXIE L.T.D", "Tracker Software Products Ltd.",
            "Safer Networking Limited", "Ghisler Software GmbH", "TuneUp Software", "Ashampoo", "Samsung", "DT Soft Ltd",
            "COMODO", "JRiver, Inc.", "Ipswitch, Inc.", "Synaptics, Inc.", "BitTorrent, Inc.", "UpdateStar GmbH",
            "InstallBuilders Company", "Wondershare", "Uniblue", "Avira GmbH", "GFI Software Ltd.", "Avanquest Software",
            "Solveig Multimedia", "Paragon Software Group", "Kingsoft Corporation", "Emsisoft", "ABBYY", "KMP Media",
            "PrivacyRoot", "AgileBits", "ASUS", "ASUSTeK",
        };
        // clang-format on
        // The one accented name is shown in the platform's code page, plain where it has no such letter.
        for (std::string& n : v) {
            if (n.find('\xC3') == std::string::npos) continue;
            const std::string cp = platform::Utf16ToCodePage(u"Dassault Syst\u00e8mes");
            n = cp.find('?') == std::string::npos ? cp : "Dassault Systemes";
        }
        return v;
    }();
    return names;
}

// Told by the uninstall registry or the file's name rather than by a company text: the
// file row is tested below, the registry rows in the Linux tests, which fake the registry.
bool ToldByFileOrRegistry(const std::string& name) {
    return name == "MiniTool Solution Ltd." || name == "Western Digital" || name == "System SoftLab";
}

// Each name a row can produce, with the first row that produces it.
std::map<std::string, std::size_t> ProducedNames() {
    std::map<std::string, std::size_t> produced;
    const auto rows = PublisherRules();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ProductRule& row = rows[i];
        if (row.then.action == Action::SetTo) {
            produced.emplace(std::string(row.then.text), i);
        } else if (row.then.action == Action::Call && !row.example.empty()) {
            produced.emplace(RunExample(row), i);
        }
    }
    return produced;
}

}  // namespace

TEST(PublisherRules, EveryRowsExampleComesOutAsItsOwnResult) {
    const auto rows = PublisherRules();
    ASSERT_GE(rows.size(), 450u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ProductRule& row = rows[i];
        if (row.then.action != Action::SetTo) continue;
        EXPECT_FALSE(row.example.empty()) << "row " << i << " (" << row.then.text << ") has no example";
        if (row.example.empty()) continue;
        // A row shadowed by an earlier one, or undone by a later one, fails here.
        EXPECT_EQ(RunExample(row), row.then.text) << "row " << i << ", example \"" << row.example << "\"";
    }
}

TEST(PublisherRules, EveryListedPublisherIsProducedInTableOrder) {
    const auto produced = ProducedNames();
    std::size_t previous_row = 0;
    std::string previous_name;
    for (const std::string& name : ListedPublishers()) {
        if (ToldByFileOrRegistry(name)) continue;
        const auto it = produced.find(name);
        if (it == produced.end()) {
            ADD_FAILURE() << "no row produces \"" << name << "\"";
            continue;
        }
        EXPECT_GE(it->second, previous_row) << "\"" << name << "\" (row " << it->second << ") comes before \""
                                            << previous_name << "\" (row " << previous_row << ")";
        previous_row = it->second;
        previous_name = name;
    }
}

TEST(PublisherRules, ProducedNamesAreLeftAloneByASecondPass) {
    for (const auto& [name, row] : ProducedNames()) {
        EXPECT_EQ(NormaliseCompany(name, "", "x"), name) << "row " << row;
        // GetProductCompany cleans the result once more: nothing of a name may look like copyright wording.
        EXPECT_EQ(CleanCompanyName(name), name) << "row " << row;
    }
}

TEST(PublisherRules, ShortMatchTextsDoNotSwallowOtherPublishers) {
    struct Case {
        const char* company;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"AMDA Software", "AMDA Software"},
        {"Rovio Entertainment Ltd.", "Rovio Entertainment Ltd."},  // not Rovi
        {"Intelligent Systems", "Intelligent Systems"},
        {"Intuitive Software", "Intuitive Software"},
        {"Applesoft Ltd", "Applesoft Ltd"},
        {"Canonical Ltd.", "Canonical Ltd."},
        {"Plexus Software", "Plexus Software"},
        {"Acerbis Software", "Acerbis Software"},
        {"Esetech Ltd", "Esetech Ltd"},
        {"Corellium LLC", "Corellium LLC"},
        {"Valvetronic GmbH", "Valvetronic GmbH"},
        {"Sonya Software", "Sonya Software"},
        {"Oracles of Code", "Oracles of Code"},
        {"Razorback Tools", "Razorback Tools"},
        {"Amazonas Software", "Amazonas Software"},
        {"Audible Magic Corporation", "Audible Magic Corporation"},
        {"Maxisoft", "Maxisoft"},
        {"Curlew Labs", "Curlew Labs"},
        {"Microstar Labs", "Microstar Labs"},
        {"MSI Installer Team", "MSI Installer Team"},
        {"Xeroxed Software", "Xeroxed Software"},
        {"Hewlett Packard Enterprise", "Hewlett Packard Enterprise"},
        {"DTS Software", "DTS Software"},
        {"NV Access", "NV Access"},  // not NVIDIA
        // One publisher's two names stay apart.
        {"Dell Inc.", "Dell Inc."},
        {"Nitro PDF", "Nitro PDF"},
        {"Nitro Software, Inc.", "Nitro Software, Inc."},
        {"Skymatic UG", "Skymatic UG"},
        {"Skymatic GmbH", "Skymatic GmbH"},
        {"ASUSTeK", "ASUSTeK"},
        {"ASUS", "ASUS"},
        // VideoLAN's two rows compare case-sensitively.
        {"VIDEOLAN", "VIDEOLAN"},
        {"The VideoLAN team", "The VideoLAN team"},
    };
    for (const Case& c : cases) EXPECT_EQ(NormaliseCompany(c.company, "", kUnrelatedProduct), c.expected) << c.company;
}

TEST(PublisherRules, ConditionsOnCompanyProductAndFile) {
    struct Case {
        const char* company;
        const char* path;
        const char* product;
        const char* expected;
    };
    const std::vector<Case> cases = {
        // A row by product only when no company is given.
        {"Some Other Co", "", "Plex", "Some Other Co"},
        {"Some Other Co", "", "YubiKey Manager", "Some Other Co"},
        {"", "", "Plex Media Server", ""},
        // A product that names its publisher whatever the file says.
        {"Unknown Vendor", "", "mRemoteNG", "mRemoteNG Dev Team"},
        {"", "", "JavaRa 2", ""},
        // Marks are cut before any row looks at the name.
        {"Microsoft Corporation\xC2\xAE", "", kUnrelatedProduct, "Microsoft"},
        {"Chemtable Software <support@chemtable.example>", "", kUnrelatedProduct, "Chemtable Software"},
        // ArtMoney's executables carry their version in their name.
        {"", "/opt/artmoney/am810.exe", "ArtMoney SE", "System SoftLab"},
        {"", "/opt/artmoney/am.exe", "ArtMoney SE", ""},
        {"", "/opt/artmoney/amx.exe", "ArtMoney SE", ""},
        // Lower-cased prefixes and masks.
        {"nVidia Corp.", "", kUnrelatedProduct, "NVIDIA"},
        {"vso software", "", kUnrelatedProduct, "VSO Software"},
        {"The MathWorks Inc", "", kUnrelatedProduct, "The MathWorks, Inc."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormaliseCompany(c.company, c.path, c.product), c.expected)
            << "company \"" << c.company << "\", product \"" << c.product << "\"";
    }
}
