// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// What the system itself calls a program that carries no version resource: its name,
// publisher and version as the desktop and the package manager know them. Windows programs
// carry a version resource, so the Windows backend answers nothing. The Linux backend keeps
// an index in two parts: the names part (the desktop entries of the XDG data folders and of the
// Flatpak and Snap exports, and the AppStream metadata) gives names, publishers and the
// desktop's icons; the package part (the dpkg database) gives the version of the package that
// owns a file. Reading every package's file list takes far longer than the desktop entries, so
// a caller that wants names only never waits for it.
//
// Each part is built on first use in a thread of its own and rebuilt, again in the background,
// when one of its folders or files changes. A lookup never waits for either: until a part is
// built, lookups answer without it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vanto::platform {

// What a caller needs of the index: names (the names part alone) or versions too (both parts).
enum class ProgramIdentityNeed { Names, Versions };

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
// an executable regular file or nothing is known about it. With `Names` the package part is
// neither asked nor started and `version` stays empty.
bool FindProgramIdentity(const std::string& exe_path, ProgramIdentity& out,
                         ProgramIdentityNeed need = ProgramIdentityNeed::Versions);

// Counts the parts made so far, both together: 0 before the first is done, one more each time
// a build replaces one. Whoever keeps answers between calls drops them when it changes
// (Windows: 0).
std::uint64_t ProgramIdentityGeneration();

// Starts building the parts `need` takes in the background, unless they are built and
// current; never waits. A command that will wait for them later starts them first, so the
// builds overlap its own work.
void StartProgramIdentityIndex(ProgramIdentityNeed need);

// Builds the parts `need` takes now, unless they are built and current, and waits for them
// (for nothing else: a build of the other part that is running goes on in the background).
// For callers that have no window to keep alive (the command line) and for tests.
void WaitForProgramIdentityIndex(ProgramIdentityNeed need);

// Starts a rebuild of the parts `need` takes from the folders and environment as they are
// now, without waiting.
void RefreshProgramIdentityIndex(ProgramIdentityNeed need);

// Where the index looks besides the XDG data folders. Tests point it at fixture trees.
struct ProgramIdentitySources {
    std::string dpkg_folder = "/var/lib/dpkg";  // holds "status" and "info/*.list"
    std::vector<std::string> appstream_folders = {"/usr/share/metainfo", "/usr/share/appdata"};
    // System installations; the user's one is always $XDG_DATA_HOME/flatpak.
    std::vector<std::string> flatpak_installations = {"/var/lib/flatpak"};
    std::string snap_desktop_folder = "/var/lib/snapd/desktop/applications";
    std::string snap_mount_folder = "/snap";
};

// Replaces the sources and rebuilds both parts (Linux; ignored on Windows).
void SetProgramIdentitySources(const ProgramIdentitySources& sources);

}  // namespace vanto::platform
