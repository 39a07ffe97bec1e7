// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The two indexes behind program names, versions and icons on Linux (not a platform service of
// their own). The names part: the desktop entries of the XDG data folders and of the Flatpak and
// Snap exports, with the AppStream metadata of their applications. The package part: the files
// of every dpkg package, for which package owns a file. Each is built in one pass from a
// snapshot of the environment and keeps its own change stamps, then is read-only, so lookups
// share it between threads freely. The names part is built in name_index.cpp, the package part
// in package_index.cpp over the table of file_owner_table.h.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/linux/file_owner_table.h"
#include "platform/program_identity.h"

namespace vanto::platform {

// Everything a build of the names part reads from the environment, taken on the caller's thread.
struct NameIndexFacts {
    std::vector<std::string> data_folders;  // XDG data folders, the user's own first
    std::vector<std::string> path_folders;  // PATH
    std::string locale;                     // MessagesLocale()
    std::vector<std::string> appstream_folders;
    std::vector<std::string> flatpak_installations;
    std::string snap_desktop_folder;
    std::string snap_mount_folder;
    bool operator==(const NameIndexFacts&) const = default;
};
NameIndexFacts CurrentNameIndexFacts(const ProgramIdentitySources& sources);

// What a build of the package part reads.
struct PackageIndexFacts {
    std::string dpkg_folder;
    bool operator==(const PackageIndexFacts&) const = default;
};
PackageIndexFacts CurrentPackageIndexFacts(const ProgramIdentitySources& sources);

// One application's desktop entry, with what its AppStream metadata adds.
struct IndexedApplication {
    std::string desktop_id;  // "org.example.Foo.desktop"
    std::string name;
    std::string icon;
    std::string publisher;
    std::string release;     // newest AppStream release
};

// The most items of one folder a build lists (folders anybody may fill).
inline constexpr std::size_t kMaxIndexFolderItems = 50000;

// A folder or file whose change means the index is out of date.
struct IndexStamp {
    std::string path;
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t mtime_ns = 0;
    std::int64_t size = 0;
    bool operator==(const IndexStamp&) const = default;
};
IndexStamp StampOf(const std::string& path);

// The folders and files one build read, and when it started.
struct IndexStamps {
    std::vector<IndexStamp> stamps;
    std::int64_t built_at_ns = 0;  // wall clock when the build started

    void Start();  // sets built_at_ns
    void Add(const std::string& path) { stamps.push_back(StampOf(path)); }
    // True when a folder or file the build read has changed since.
    bool Outdated() const;
};

class NameIndex {
public:
    NameIndexFacts facts;
    std::vector<IndexedApplication> apps;
    std::unordered_map<std::string, std::uint32_t> app_by_path;     // program as written and resolved
    std::unordered_map<std::string, std::uint32_t> app_by_name;     // program file names
    std::unordered_map<std::string, std::uint32_t> app_by_flatpak;  // Flatpak application id
    std::unordered_map<std::string, std::uint32_t> app_by_snap;     // snap name
    std::vector<std::string> flatpak_app_folders;                   // "<installation>/app/", resolved
    std::string snap_mount_folder;                                  // resolved, with a trailing "/"
    IndexStamps stamps;

    // The application that runs `path` (resolved to `real`); nullptr when none does.
    const IndexedApplication* ApplicationOf(const std::string& path, const std::string& real) const;
    // The application run by a bare program name (a process-list name); nullptr when none.
    const IndexedApplication* ApplicationNamed(const std::string& name) const;
    bool Outdated() const { return stamps.Outdated(); }
};

class PackageIndex {
public:
    PackageIndexFacts facts;
    std::vector<std::string> package_versions;  // upstream, one per package
    std::vector<std::string> package_lists;     // the .list texts, kept for the views
    FileOwnerTable package_by_file;
    IndexStamps stamps;

    // The upstream version of the package owning the file; empty when no package owns it.
    std::string VersionOf(const std::string& path, const std::string& real) const;
    bool Outdated() const { return stamps.Outdated(); }
};

// Build one part; each gives up early (with what it has) when `stop` is set.
std::shared_ptr<const NameIndex> BuildNameIndex(const NameIndexFacts& facts, const std::atomic<bool>& stop);
std::shared_ptr<const PackageIndex> BuildPackageIndex(const PackageIndexFacts& facts, const std::atomic<bool>& stop);

// The current part; nullptr until its first build is done. With `wait`, builds it (or brings
// it up to date) first. Without, only starts a build or a change check when one is due.
std::shared_ptr<const NameIndex> CurrentNameIndex(bool wait);
std::shared_ptr<const PackageIndex> CurrentPackageIndex(bool wait);

// For tests: called on the package part's worker before each build, so that a test can hold
// a build there. Empty: none.
void SetPackageIndexBuildHook(std::function<void()> hook);

}  // namespace vanto::platform
