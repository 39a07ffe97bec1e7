// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// System information for the start-up log and for code that adapts to the system: the
// Windows version text (with a separate text for ReactOS), the Linux facts line, the
// 64-bit host, administrator and pre-Vista tests. Read afresh on every call; never fails.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vanto {

// "Unknown" at worst; on Linux always "Unknown" (see GetLinuxVersionText).
std::string GetWindowsVersionText();

// The NT version text for `build`, from the workstation information; "Unknown" when that
// cannot be read.
std::string GetNtVersionText(int build);

// The "CurrentBuildNumber" value of the CurrentVersion key, or empty.
std::string GetBuildNumber();

// Empty on every system that is not ReactOS.
std::string GetReactOSVersionText();

// The Linux facts line: os-release PRETTY_NAME and the kernel release, for example
// "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-25-amd64". Empty on Windows.
std::string GetLinuxVersionText();

// A 32-bit process hosted on 64-bit Windows (the file-system redirection applies).
bool IsWow64();
// A 64-bit operating system, whatever this build is: "64Bits" of the start-up log.
bool Is64BitSystem();
bool IsPreVista();
bool IsUserAdmin();

// The pure rules behind the texts above, separate so they can be checked on any system.

// Major and minor version from the workstation information.
struct NtVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};

// The NT text for workstation version `version` (absent: unreadable) and `build`:
// "%d.%d" and a name by the pair, "10.0.<build> (Windows10)" below build 20000,
// "11.0.<build> (Windows11)" from 20000 on; "Unknown" when the version is absent.
std::string MakeNtVersionText(const std::optional<NtVersion>& version, int build);

// The Windows 95-family text: "%d.%d" and " (95)", " (98)", " (98SE)", " (ME)" or
// " (Unknown)"; 98SE is told by an "A" as the second byte of the service-pack text.
std::string MakeWin9xVersionText(std::uint32_t major, std::uint32_t minor,
                                 std::string_view service_pack);

// The build number text as an integer: 0 when empty or not a number.
int BuildNumberFromText(std::string_view text);

// The ReactOS text from the CurrentVersion values (absent: missing). `file_version` gives
// the file version text of a path (the version of explorer.exe under SystemRoot is used
// when BuildLab says "unknown").
std::string MakeReactOSVersionText(const std::optional<std::string>& product_name,
                                   const std::optional<std::string>& build_lab,
                                   const std::optional<std::string>& system_root,
                                   const std::function<std::string(const std::string&)>& file_version);

// PRETTY_NAME of an os-release text, unquoted and unescaped; "Linux" when absent (the
// os-release default).
std::string OsReleasePrettyName(std::string_view os_release);

// "<pretty name>, kernel <release>"; the kernel part is left out when `kernel` is empty.
std::string MakeLinuxVersionText(std::string_view pretty_name, std::string_view kernel);

}  // namespace vanto
