// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "support/versionhelpers.h"

#include <charconv>

#include "platform/files.h"
#include "platform/system_facts.h"
#include "support/U_UnicodeUtils.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

constexpr int kFirstWindows11Build = 20000;

std::optional<std::string> CurrentVersionValue(const std::string& name) {
    std::string value;
    if (!platform::ReadCurrentVersionValue(name, value)) return std::nullopt;
    return value;
}

// Keeps a text from the system fit for one log line.
std::string WithoutControlBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) out += c;
    }
    return out;
}

// The value of one os-release assignment: quotes removed and, inside double quotes, the
// shell escapes \" \\ \$ \` undone. An unterminated quote runs to the end of the line.
std::string OsReleaseValue(std::string_view raw) {
    if (raw.empty() || (raw.front() != '"' && raw.front() != '\'')) return std::string(raw);
    const char quote = raw.front();
    raw.remove_prefix(1);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == quote) break;
        if (quote == '"' && c == '\\' && i + 1 < raw.size()) {
            const char next = raw[i + 1];
            if (next == '"' || next == '\\' || next == '$' || next == '`') {
                out += next;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace

std::string MakeNtVersionText(const std::optional<NtVersion>& version, int build) {
    if (!version.has_value()) return "Unknown";
    const std::uint32_t major = version->major;
    const std::uint32_t minor = version->minor;
    std::string text = std::to_string(major) + "." + std::to_string(minor);
    if (major == 10 && minor == 0) {
        return build < kFirstWindows11Build ? "10.0." + std::to_string(build) + " (Windows10)"
                                            : "11.0." + std::to_string(build) + " (Windows11)";
    }
    if (major == 5 && minor == 0) return text + " (Windows 2000)";
    if (major == 5 && minor == 1) return text + " (Windows XP)";
    if (major == 5 && minor == 2) return text + " (Windows 2003)";
    if (major == 6 && minor == 0) return text + " (Vista)";
    if (major == 6 && minor == 1) return text + " (Seven)";
    if (major == 6 && minor == 2) return text + " (Windows8)";
    if (major == 6 && minor == 3) return text + " (Windows8.1)";
    return text;
}

std::string MakeWin9xVersionText(std::uint32_t major, std::uint32_t minor,
                                 std::string_view service_pack) {
    std::string text = std::to_string(major) + "." + std::to_string(minor);
    if (major == 4 && minor == 0) return text + " (95)";
    if (major == 4 && minor == 10) {
        return text + (service_pack.size() >= 2 && service_pack[1] == 'A' ? " (98SE)" : " (98)");
    }
    if (major == 4 && minor == 90) return text + " (ME)";
    return text + " (Unknown)";
}

int BuildNumberFromText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return (ec == std::errc() && ptr == end) ? value : 0;
}

std::string MakeReactOSVersionText(const std::optional<std::string>& product_name,
                                   const std::optional<std::string>& build_lab,
                                   const std::optional<std::string>& system_root,
                                   const std::function<std::string(const std::string&)>& file_version) {
    if (!product_name.has_value() || !build_lab.has_value()) return {};
    if (!SameText(*product_name, "ReactOS")) return {};
    if (!TextContains("unknown", *build_lab) || !system_root.has_value()) return *build_lab;

    std::string explorer = *system_root;
    if (explorer.empty() || (explorer.back() != '\\' && explorer.back() != '/')) explorer += '\\';
    explorer += "explorer.exe";
    const std::string version = file_version ? file_version(explorer) : std::string();
    return version + " (" + *build_lab + ")";
}

std::string OsReleasePrettyName(std::string_view os_release) {
    std::string pretty;
    while (!os_release.empty()) {
        const std::size_t eol = os_release.find('\n');
        std::string_view line = os_release.substr(0, eol);
        os_release.remove_prefix(eol == std::string_view::npos ? os_release.size() : eol + 1);

        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        constexpr std::string_view kKey = "PRETTY_NAME=";
        if (line.substr(0, kKey.size()) != kKey) continue;
        // Like the shell that the file is written for, the last assignment wins.
        pretty = WithoutControlBytes(OsReleaseValue(line.substr(kKey.size())));
    }
    return pretty.empty() ? "Linux" : pretty;
}

std::string MakeLinuxVersionText(std::string_view pretty_name, std::string_view kernel) {
    std::string text(pretty_name);
    if (!kernel.empty()) text += ", kernel " + WithoutControlBytes(kernel);
    return text;
}

std::string GetNtVersionText(int build) {
    std::optional<NtVersion> version;
    NtVersion read;
    if (platform::QueryWorkstationVersion(read.major, read.minor)) version = read;
    return MakeNtVersionText(version, build);
}

std::string GetBuildNumber() {
    return CurrentVersionValue("CurrentBuildNumber").value_or(std::string());
}

std::string GetWindowsVersionText() {
    platform::ClassicVersion classic;
    if (!platform::QueryClassicVersion(classic)) return "Unknown";
    switch (classic.platform_id) {
        case 1:
            return MakeWin9xVersionText(classic.major, classic.minor, classic.service_pack);
        case 2:
            return GetNtVersionText(BuildNumberFromText(GetBuildNumber()));
        default:
            return "Unknown";
    }
}

std::string GetReactOSVersionText() {
    const std::optional<std::string> product = CurrentVersionValue("ProductName");
    if (!product.has_value()) return {};
    return MakeReactOSVersionText(product, CurrentVersionValue("BuildLab"),
                                  CurrentVersionValue("SystemRoot"),
                                  [](const std::string& path) {
                                      return platform::WideToAnsi(GetFileVersionText(platform::AnsiToWide(path)));
                                  });
}

std::string GetLinuxVersionText() {
    std::string os_release;
    std::string kernel;
    const bool have_os_release = platform::ReadOsRelease(os_release);
    const bool have_kernel = platform::GetKernelRelease(kernel);
    if (!have_os_release && !have_kernel) return {};
    return MakeLinuxVersionText(OsReleasePrettyName(have_os_release ? os_release : std::string()),
                                kernel);
}

bool IsWow64() {
    return platform::IsWow64();
}

bool Is64BitSystem() {
    return platform::Is64BitSystem();
}

bool IsPreVista() {
    return platform::IsPreVista();
}

bool IsUserAdmin() {
    return platform::IsUserAdmin();
}

}  // namespace vanto
