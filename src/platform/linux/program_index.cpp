// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/program_index.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <ctime>
#include <cstdlib>
#include <unordered_set>

#include "platform/linux/desktop_entries.h"
#include "platform/linux/package_metadata.h"
#include "platform/linux/posix_file_io.h"

namespace vanto::platform {

namespace {

std::string Join(const std::string& folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += '/';
    path += name;
    return path;
}

// Bounds for folders anybody may fill: files are skipped past these sizes, walks end past
// these counts.
constexpr std::size_t kMaxEntryBytes = std::size_t{64} * 1024;
constexpr std::size_t kMaxMetainfoBytes = std::size_t{1024} * 1024;
constexpr std::size_t kMaxListBytes = std::size_t{16} * 1024 * 1024;
constexpr std::size_t kMaxStatusBytes = std::size_t{128} * 1024 * 1024;
constexpr std::size_t kMaxFolderItems = 50000;   // per folder listed
constexpr int kMaxEntryFiles = 50000;            // desktop entries, all folders together
constexpr int kMaxEntryDepth = 3;                // sub-folders below an applications folder

// Programs that run what their arguments name: an entry that hands one of them an operand
// (a script, a command, an application id) names that, not the program. Compared after
// trailing version digits are cut ("python3.11" is "python").
constexpr std::array<std::string_view, 38> kRunners = {
    "sh",     "bash",   "dash",     "zsh",      "ksh",         "mksh",       "csh",        "tcsh",
    "fish",   "python", "pypy",     "perl",     "ruby",        "node",       "nodejs",     "java",
    "mono",   "wine",   "gjs",      "lua",      "luajit",      "tclsh",      "wish",       "php",
    "Rscript", "flatpak", "snap",   "xdg-open", "gtk-launch",  "sudo",       "pkexec",     "kdesu",
    "gksu",   "x-terminal-emulator", "xterm",   "gnome-terminal", "konsole", "dbus-launch",
};

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

std::vector<std::string> SplitColonList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t colon = text.find(':', start);
        const std::size_t end = colon == std::string::npos ? text.size() : colon;
        if (end > start && text[start] == '/') parts.push_back(text.substr(start, end - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return parts;
}

std::string BaseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) != nullptr ? std::string(buf) : std::string();
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0;
}

bool HandsRunnerAnOperand(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    std::string base = BaseName(args[0]);
    while (!base.empty() && ((base.back() >= '0' && base.back() <= '9') || base.back() == '.')) base.pop_back();
    if (std::find(kRunners.begin(), kRunners.end(), base) == kRunners.end()) return false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!args[i].empty() && args[i][0] != '-' && args[i][0] != '%') return true;
    }
    return false;
}

// The names of a folder's items, sorted, so equal builds give equal answers.
std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* d = ::readdir(dir)) {
        const std::string_view n = d->d_name;
        if (n == "." || n == "..") continue;
        names.emplace_back(n);
        if (names.size() >= kMaxFolderItems) break;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool IsRealFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct NameBuilder {
    const NameIndexFacts& facts;
    const std::atomic<bool>& stop;
    NameIndex& index;
    std::unordered_set<std::string> seen_ids;      // a desktop-file id found earlier shadows later ones
    std::unordered_set<std::string> seen_folders;  // an applications folder reached twice is read once
    int entry_files = 0;

    void Stamp(const std::string& path) { index.stamps.Add(path); }

    void RegisterProgram(const std::string& program, std::uint32_t app) {
        if (program.empty()) return;
        std::string found;
        if (program.find('/') != std::string::npos) {
            if (program[0] != '/') return;  // relative paths are not allowed in Exec
            found = program;
        } else {
            index.app_by_name.emplace(program, app);
            for (const auto& dir : facts.path_folders) {
                std::string candidate = Join(dir, program);
                if (IsExecutableFile(candidate)) {
                    found = std::move(candidate);
                    break;
                }
            }
        }
        if (found.empty()) return;
        index.app_by_path.emplace(found, app);
        index.app_by_name.emplace(BaseName(found), app);
        const std::string real = RealPath(found);
        if (!real.empty() && real != found) {
            index.app_by_path.emplace(real, app);
            index.app_by_name.emplace(BaseName(real), app);
        }
    }

    enum class Origin { Xdg, Flatpak, Snap };

    void AddEntry(const std::string& file, const std::string& id, Origin origin) {
        if (!seen_ids.insert(id).second) return;
        std::string text;
        DesktopEntry e;
        if (posix_io::ReadBoundedFile(file, kMaxEntryBytes, text) != posix_io::ReadResult::Ok) return;
        if (!ParseDesktopEntry(text, e, facts.locale)) return;
        if (e.hidden || e.type != "Application") return;
        const auto app = static_cast<std::uint32_t>(index.apps.size());
        const std::string stem = id.ends_with(".desktop") ? id.substr(0, id.size() - 8) : id;
        index.apps.push_back({id, e.name, e.icon, {}, {}});
        // Exported entries start their application through the launcher, whose own file must
        // not take their name: they are found by the application id instead.
        if (!e.flatpak.empty() || origin == Origin::Flatpak) {
            index.app_by_flatpak.emplace(e.flatpak.empty() ? stem : e.flatpak, app);
            return;
        }
        if (!e.snap.empty() || origin == Origin::Snap) {
            index.app_by_snap.emplace(e.snap.empty() ? stem.substr(0, stem.find('_')) : e.snap, app);
            return;
        }
        // "/snap/bin/name.app" is a link to snap itself; an entry that runs it is a snap's.
        const std::string program = ExecProgram(e.exec);
        if (program.starts_with("/snap/bin/")) {
            const std::string snap = program.substr(10, program.find('.', 10) - 10);
            if (!snap.empty() && snap.find('/') == std::string::npos) index.app_by_snap.emplace(snap, app);
            return;
        }
        RegisterProgram(e.try_exec, app);
        const std::vector<std::string> args = ExecArguments(e.exec);
        if (!HandsRunnerAnOperand(args)) RegisterProgram(program, app);
    }

    void WalkApplications(const std::string& root, const std::string& folder, int depth, Origin origin) {
        Stamp(folder);
        for (const std::string& name : ListFolder(folder)) {
            if (stop || ++entry_files > kMaxEntryFiles) return;
            const std::string path = Join(folder, name);
            if (name.ends_with(".desktop")) {
                Stamp(path);  // an entry edited in place leaves its folder's time alone
                std::string id = path.substr(root.size() + 1);
                std::replace(id.begin(), id.end(), '/', '-');
                AddEntry(path, id, origin);
            } else if (depth < kMaxEntryDepth && IsRealFolder(path)) {
                WalkApplications(root, path, depth + 1, origin);
            }
        }
    }

    void ReadApplications(const std::string& folder, Origin origin) {
        const std::string real = RealPath(folder);
        if (!real.empty() && !seen_folders.insert(real).second) return;
        WalkApplications(folder, folder, 0, origin);
    }

    // AppStream metadata: publisher and newest release, by the desktop-file id they describe.
    std::unordered_map<std::string, AppStreamComponent> components;

    void AddComponent(const std::string& file) {
        std::string text;
        AppStreamComponent c;
        if (posix_io::ReadBoundedFile(file, kMaxMetainfoBytes, text) != posix_io::ReadResult::Ok) return;
        if (!ParseAppStreamComponent(text, c)) return;
        std::vector<std::string> keys = c.desktop_ids;
        keys.push_back(c.id.ends_with(".desktop") ? c.id : c.id + ".desktop");
        for (const auto& k : keys) components.emplace(k, c);
    }

    void ReadAppStream() {
        for (const auto& folder : facts.appstream_folders) {
            Stamp(folder);
            for (const std::string& name : ListFolder(folder)) {
                if (stop) return;
                if (!name.ends_with(".xml")) continue;
                const std::string path = Join(folder, name);
                Stamp(path);
                AddComponent(path);
            }
        }
        for (auto& app : index.apps) {
            const auto it = components.find(app.desktop_id);
            if (it == components.end()) continue;
            app.publisher = it->second.developer;
            app.release = it->second.newest_release;
        }
    }

    // A Flatpak application carries its metadata inside its own files.
    void ReadFlatpakMetadata(const std::vector<std::string>& installations) {
        for (const auto& [app_id, app] : index.app_by_flatpak) {
            IndexedApplication& a = index.apps[app];
            if (!a.publisher.empty() || !a.release.empty()) continue;
            for (const auto& inst : installations) {
                std::string files = inst;
                files += "/app/";
                files += app_id;
                files += "/current/active/files/share/";
                AppStreamComponent c;
                bool found = false;
                for (const std::string& rel : {"metainfo/" + app_id + ".metainfo.xml",
                                               "metainfo/" + app_id + ".appdata.xml",
                                               "appdata/" + app_id + ".appdata.xml"}) {
                    std::string text;
                    if (posix_io::ReadBoundedFile(files + rel, kMaxMetainfoBytes, text) == posix_io::ReadResult::Ok &&
                        ParseAppStreamComponent(text, c)) {
                        found = true;
                        break;
                    }
                }
                if (!found) continue;
                a.publisher = c.developer;
                a.release = c.newest_release;
                break;
            }
        }
    }

    void Build() {
        for (const auto& folder : facts.data_folders) ReadApplications(folder + "/applications", Origin::Xdg);
        // The exports, where the data folders do not already name them.
        std::vector<std::string> installations;
        if (!facts.data_folders.empty()) installations.push_back(facts.data_folders.front() + "/flatpak");
        for (const auto& inst : facts.flatpak_installations) installations.push_back(inst);
        for (const auto& inst : installations) {
            ReadApplications(inst + "/exports/share/applications", Origin::Flatpak);
            const std::string real = RealPath(inst);
            if (!real.empty()) index.flatpak_app_folders.push_back(real + "/app/");
        }
        ReadApplications(facts.snap_desktop_folder, Origin::Snap);
        if (const std::string real = RealPath(facts.snap_mount_folder); !real.empty())
            index.snap_mount_folder = real + '/';
        ReadAppStream();
        ReadFlatpakMetadata(installations);
    }
};

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
    const std::vector<std::string> lists = ListFolder(info);
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
        if (posix_io::ReadBoundedFile(Join(info, name), kMaxListBytes, text) != posix_io::ReadResult::Ok) continue;
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

void FileOwnerTable::Reserve(std::size_t files) {
    entries_.reserve(files);
    std::size_t capacity = 16;
    while (capacity < files + files / 2) capacity *= 2;  // at most two thirds full
    slots_.assign(capacity, 0);
}

void FileOwnerTable::Insert(std::string_view file, std::uint32_t owner) {
    if (file.size() > UINT32_MAX || entries_.size() >= UINT32_MAX - 1) return;
    if ((entries_.size() + 1) * 3 > slots_.size() * 2) {
        // Grow: rehash what is there into twice the slots.
        std::vector<std::uint32_t> bigger(std::max<std::size_t>(16, slots_.size() * 2), 0);
        const std::size_t mask = bigger.size() - 1;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            std::size_t at = entries_[i].hash & mask;
            while (bigger[at] != 0) at = (at + 1) & mask;
            bigger[at] = static_cast<std::uint32_t>(i + 1);
        }
        slots_ = std::move(bigger);
    }
    const std::uint64_t hash = std::hash<std::string_view>{}(file);
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at] != 0) {
        const Entry& e = entries_[slots_[at] - 1];
        if (e.hash == hash && std::string_view(e.data, e.size) == file) return;
        at = (at + 1) & mask;
    }
    entries_.push_back({file.data(), static_cast<std::uint32_t>(file.size()), owner, hash});
    slots_[at] = static_cast<std::uint32_t>(entries_.size());
}

std::int64_t FileOwnerTable::Find(std::string_view file) const {
    if (slots_.empty()) return -1;
    const std::uint64_t hash = std::hash<std::string_view>{}(file);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask; slots_[at] != 0; at = (at + 1) & mask) {
        const Entry& e = entries_[slots_[at] - 1];
        if (e.hash == hash && std::string_view(e.data, e.size) == file) return e.owner;
    }
    return -1;
}

NameIndexFacts CurrentNameIndexFacts(const ProgramIdentitySources& sources) {
    NameIndexFacts f;
    std::string home = Env("XDG_DATA_HOME");
    if (home.empty() || home[0] != '/') {
        const std::string user_home = posix_io::HomeFolder();
        home = user_home.empty() ? "" : user_home + "/.local/share";
    }
    if (!home.empty()) f.data_folders.push_back(home);
    std::string dirs = Env("XDG_DATA_DIRS");
    if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
    for (auto& d : SplitColonList(dirs)) f.data_folders.push_back(std::move(d));
    std::string path = Env("PATH");
    if (path.empty()) path = "/usr/local/bin:/usr/bin:/bin";
    f.path_folders = SplitColonList(path);
    f.locale = MessagesLocale();
    f.appstream_folders = sources.appstream_folders;
    f.flatpak_installations = sources.flatpak_installations;
    f.snap_desktop_folder = sources.snap_desktop_folder;
    f.snap_mount_folder = sources.snap_mount_folder;
    return f;
}

PackageIndexFacts CurrentPackageIndexFacts(const ProgramIdentitySources& sources) { return {sources.dpkg_folder}; }

IndexStamp StampOf(const std::string& path) {
    IndexStamp s;
    s.path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.size = static_cast<std::int64_t>(st.st_size);
    return s;
}

void IndexStamps::Start() {
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    built_at_ns = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool IndexStamps::Outdated() const {
    // File times advance in clock ticks of a few milliseconds: a change made in the same tick
    // as the one seen would keep the time, so a time that close to the build is not trusted.
    constexpr std::int64_t kTickNs = 50'000'000;
    return std::any_of(stamps.begin(), stamps.end(), [&](const IndexStamp& s) {
        const bool racy = s.exists && s.mtime_ns + kTickNs >= built_at_ns && s.mtime_ns <= built_at_ns + kTickNs;
        return racy || StampOf(s.path) != s;
    });
}

const IndexedApplication* NameIndex::ApplicationOf(const std::string& path, const std::string& real) const {
    const std::string& p = real.empty() ? path : real;
    for (const std::string& folder : flatpak_app_folders) {
        if (!p.starts_with(folder)) continue;
        const std::string id = p.substr(folder.size(), p.find('/', folder.size()) - folder.size());
        if (auto it = app_by_flatpak.find(id); it != app_by_flatpak.end()) return &apps[it->second];
        return nullptr;
    }
    const std::string& snaps = snap_mount_folder;
    if (!snaps.empty() && p.starts_with(snaps)) {
        const std::string snap = p.substr(snaps.size(), p.find('/', snaps.size()) - snaps.size());
        // "name_key" is a parallel install of snap "name"; its entries carry the full name.
        if (auto it = app_by_snap.find(snap); it != app_by_snap.end()) return &apps[it->second];
        return nullptr;
    }
    for (const std::string* key : {&path, &real}) {
        if (key->empty()) continue;
        if (auto it = app_by_path.find(*key); it != app_by_path.end()) return &apps[it->second];
    }
    return nullptr;
}

const IndexedApplication* NameIndex::ApplicationNamed(const std::string& name) const {
    if (auto it = app_by_name.find(name); it != app_by_name.end()) return &apps[it->second];
    return nullptr;
}

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

std::shared_ptr<const NameIndex> BuildNameIndex(const NameIndexFacts& facts, const std::atomic<bool>& stop) {
    auto index = std::make_shared<NameIndex>();
    index->facts = facts;
    index->stamps.Start();
    NameBuilder b{facts, stop, *index, {}, {}, 0, {}};
    b.Build();
    return index;
}

std::shared_ptr<const PackageIndex> BuildPackageIndex(const PackageIndexFacts& facts, const std::atomic<bool>& stop) {
    auto index = std::make_shared<PackageIndex>();
    index->facts = facts;
    index->stamps.Start();
    ReadPackages(facts, stop, *index);
    return index;
}

}  // namespace vanto::platform
