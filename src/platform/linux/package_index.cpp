// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The package part of the program index: which dpkg package owns a file, and its version.
#include "platform/linux/program_index.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "platform/linux/package_metadata.h"
#include "platform/linux/posix_file_io.h"

namespace vanto::platform {

using posix_io::JoinPath;
using posix_io::SortedFolderNames;

namespace {

// Bounds for files anybody may fill: files are skipped past these sizes.
constexpr std::size_t kMaxListBytes = std::size_t{16} * 1024 * 1024;
constexpr std::size_t kMaxStatusBytes = std::size_t{128} * 1024 * 1024;

// Which package owns each file: the status file for the installed packages and their versions,
// then every package's .list file.
void ReadPackages(const PackageIndexFacts& facts, const std::atomic<bool>& stop, PackageIndex& index) {
    const std::string& dpkg = facts.dpkg_folder;
    const std::string status_path = dpkg + "/status";
    index.stamps.Add(status_path);
    index.stamps.Add(dpkg + "/info");
    std::string status;
    if (posix_io::ReadBoundedFile(status_path, kMaxStatusBytes, status) != posix_io::ReadResult::Ok) return;
    // "name:arch" for every package, and "name" too (the .list file of a package that is
    // not co-installable carries no architecture).
    std::unordered_map<std::string, std::uint32_t> by_name;
    ParseDpkgStatus(status, [&](std::string_view name, std::string_view arch, std::string_view version) {
        const auto id = static_cast<std::uint32_t>(index.package_versions.size());
        index.package_versions.push_back(UpstreamVersion(version));
        std::string key(name);
        by_name.emplace(key, id);
        key += ':';
        key += arch;
        by_name.emplace(std::move(key), id);
    });
    const std::string info = dpkg + "/info";
    const std::vector<std::string> lists = SortedFolderNames(info, kMaxIndexFolderItems);
    index.package_lists.reserve(lists.size());
    std::vector<std::uint32_t> lists_owner;  // the package of each text kept
    lists_owner.reserve(lists.size());
    std::size_t lines = 0;
    for (const std::string& name : lists) {
        if (stop) return;
        if (!name.ends_with(".list")) continue;
        const auto it = by_name.find(name.substr(0, name.size() - 5));
        if (it == by_name.end()) continue;
        std::string text;
        if (posix_io::ReadBoundedFile(JoinPath(info, name), kMaxListBytes, text) != posix_io::ReadResult::Ok) continue;
        lines += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        index.package_lists.push_back(std::move(text));
        index.package_lists.back().shrink_to_fit();
        lists_owner.push_back(it->second);
    }
    index.package_by_file.Reserve(lines);
    for (std::size_t k = 0; k < index.package_lists.size(); ++k) {
        std::string_view text = index.package_lists[k];
        while (!text.empty()) {
            const std::size_t eol = text.find('\n');
            std::string_view line = text.substr(0, eol);
            text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
            if (line.size() > 2 && line[0] == '/') index.package_by_file.Insert(line, lists_owner[k]);
        }
    }
}

}  // namespace

PackageIndexFacts CurrentPackageIndexFacts(const ProgramIdentitySources& sources) { return {sources.dpkg_folder}; }

std::string PackageIndex::VersionOf(const std::string& path, const std::string& real) const {
    for (const std::string* key : {&real, &path}) {
        if (key->empty()) continue;
        if (const auto owner = package_by_file.Find(*key); owner >= 0)
            return package_versions[static_cast<std::size_t>(owner)];
        // With /bin a link to /usr/bin, a package may list either spelling of the file.
        const std::string_view k = *key;
        const std::string other = k.starts_with("/usr/") ? std::string(k.substr(4)) : "/usr" + *key;
        if (const auto owner = package_by_file.Find(other); owner >= 0)
            return package_versions[static_cast<std::size_t>(owner)];
    }
    return {};
}

std::shared_ptr<const PackageIndex> BuildPackageIndex(const PackageIndexFacts& facts, const std::atomic<bool>& stop) {
    auto index = std::make_shared<PackageIndex>();
    index->facts = facts;
    index->stamps.Start();
    ReadPackages(facts, stop, *index);
    return index;
}

}  // namespace vanto::platform
