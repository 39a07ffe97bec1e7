// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The names part of the program index: desktop entries of the XDG data folders and of the
// Flatpak and Snap exports, with the AppStream metadata of their applications.
#include "platform/linux/program_index.h"

#include <cstdlib>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_set>

#include "platform/linux/desktop_entries.h"
#include "platform/linux/package_metadata.h"
#include "platform/linux/posix_file_io.h"

namespace vanto::platform {

using posix_io::Env;
using posix_io::IsExecutableFile;
using posix_io::JoinPath;
using posix_io::RealPath;
using posix_io::SortedFolderNames;

namespace {

// Bounds for folders anybody may fill: files are skipped past these sizes, walks end past
// these counts.
constexpr std::size_t kMaxEntryBytes = std::size_t{64} * 1024;
constexpr std::size_t kMaxMetainfoBytes = std::size_t{1024} * 1024;
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
                std::string candidate = JoinPath(dir, program);
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
        if (seen_ids.count(id) != 0) return;
        std::string text;
        DesktopEntry e;
        // An entry that cannot be read, or whose name is unusable (too long, not UTF-8),
        // claims nothing: neither its id nor its program, which a valid entry then names.
        if (posix_io::ReadBoundedFile(file, kMaxEntryBytes, text) != posix_io::ReadResult::Ok) return;
        if (!ParseDesktopEntry(text, e, facts.locale)) return;
        if (!e.hidden && e.bad_name) return;
        seen_ids.insert(id);
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
        for (const std::string& name : SortedFolderNames(folder, kMaxIndexFolderItems)) {
            if (stop || ++entry_files > kMaxEntryFiles) return;
            const std::string path = JoinPath(folder, name);
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
            for (const std::string& name : SortedFolderNames(folder, kMaxIndexFolderItems)) {
                if (stop) return;
                if (!name.ends_with(".xml")) continue;
                const std::string path = JoinPath(folder, name);
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

}  // namespace

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

std::shared_ptr<const NameIndex> BuildNameIndex(const NameIndexFacts& facts, const std::atomic<bool>& stop) {
    auto index = std::make_shared<NameIndex>();
    index->facts = facts;
    index->stamps.Start();
    NameBuilder b{facts, stop, *index, {}, {}, 0, {}};
    b.Build();
    return index;
}

}  // namespace vanto::platform
