// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// What the system itself calls a program that carries no version resource: its name,
// publisher and version as the desktop and the package manager know them. Windows programs
// carry a version resource, so the Windows backend answers nothing. The Linux backend keeps
// one index of the desktop entries (XDG data folders, Flatpak and Snap exports), the AppStream
// metadata and the dpkg database; the desktop's icons come from the same index.
//
// The index is built on first use in a thread of its own and rebuilt, again in the
// background, when one of its folders or the package status file changes. A lookup never
// waits for it: until the first build is done lookups answer from nothing but the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vanto::platform {

struct ProgramIdentity {
    // The name of the desktop entry that runs the program, in the user's language; for an
    // ELF executable that no entry runs, its whole file name.
    std::string name;
    // The developer named by the application's AppStream metadata.
    std::string publisher;
    // The upstream version of the package that owns the file (no epoch, no packaging
    // revision), else the newest release of the application's AppStream metadata.
    std::string version;
};

// The identity of the executable at `exe_path`. False, with `out` empty, when the path is not
// an executable regular file or nothing is known about it.
bool FindProgramIdentity(const std::string& exe_path, ProgramIdentity& out);

// Counts the indexes made so far: 0 before the first is done, one more each time a rebuild
// replaces it. Whoever keeps answers between calls drops them when it changes (Windows: 0).
std::uint64_t ProgramIdentityGeneration();

// Starts building the index in the background unless it is built and current; never waits.
// A command that will wait for it later starts it first, so the build overlaps its own work.
void StartProgramIdentityIndex();

// Builds the index now unless it is built and current, and waits for it: for callers that
// have no window to keep alive (the command line) and for tests.
void WaitForProgramIdentityIndex();

// Starts a rebuild from the folders and environment as they are now, without waiting.
void RefreshProgramIdentityIndex();

// Where the index looks besides the XDG data folders. Tests point it at fixture trees.
struct ProgramIdentitySources {
    std::string dpkg_folder = "/var/lib/dpkg";  // holds "status" and "info/*.list"
    std::vector<std::string> appstream_folders = {"/usr/share/metainfo", "/usr/share/appdata"};
    // System installations; the user's one is always $XDG_DATA_HOME/flatpak.
    std::vector<std::string> flatpak_installations = {"/var/lib/flatpak"};
    std::string snap_desktop_folder = "/var/lib/snapd/desktop/applications";
    std::string snap_mount_folder = "/snap";
};

// Replaces the sources and rebuilds the index (Linux; ignored on Windows).
void SetProgramIdentitySources(const ProgramIdentitySources& sources);

}  // namespace vanto::platform
