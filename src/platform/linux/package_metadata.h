// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Readers of what the package tools leave behind, for the program-identity index: AppStream
// component files (metainfo/appdata XML), the dpkg status file and a Flatpak sandbox's
// instance information. Pure functions on untrusted
// text, so they are tested on hand-made input; a damaged file gives less, never a crash.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::platform {

// What one AppStream component says about the application it describes.
struct AppStreamComponent {
    std::string id;                         // <id>
    std::vector<std::string> desktop_ids;   // <launchable type="desktop-id">
    std::string developer;                  // <developer_name>, else <developer><name>; untranslated
    std::string newest_release;             // version of the latest <release> by timestamp or date,
                                            // else of the first one listed
};

// Reads the first <component> of an AppStream XML text. False when there is none.
bool ParseAppStreamComponent(std::string_view xml, AppStreamComponent& out);

// A Debian package version without its epoch ("1:") and packaging revision ("-2"), as the
// upstream project numbers it: "1:2.36.1-8+deb12u1" gives "2.36.1".
std::string UpstreamVersion(std::string_view debian_version);

// Calls `package` for every stanza of a dpkg status text whose package has its files on disk
// (any state but "not-installed" and "config-files"), with its name, architecture and version.
void ParseDpkgStatus(std::string_view text,
                     const std::function<void(std::string_view name, std::string_view arch,
                                              std::string_view version)>& package);

// The host's path of an executable that a Flatpak sandbox sees at `sandbox_path`, from the
// sandbox's ".flatpak-info": "/app/..." lies in the application's files (app-path), "/usr/..."
// in its runtime's (runtime-path). Empty for any other path or when the info lacks the folder.
std::string FlatpakHostPath(std::string_view sandbox_path, std::string_view flatpak_info);

}  // namespace vanto::platform
