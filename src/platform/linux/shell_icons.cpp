// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux has no shell image list, so this file keeps one for the process: three fixed
// entries (generic file, folder, generic program) and then one entry per distinct icon of
// the desktop entries that name a running program. Indexes never change once given out, so
// the front may keep the pictures it has drawn.

#include "platform/shell_icons.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/linux/desktop_entries.h"
#include "platform/linux/posix_file_io.h"

namespace vanto::platform {

namespace {

constexpr int kGenericIndex = 0;
constexpr int kFolderIndex = 1;
constexpr int kProgramIndex = 2;
constexpr int kFirstEntryIndex = 3;

constexpr ImageListHandle kSmallList = 1;
constexpr ImageListHandle kLargeList = 2;

// Bounds for reading the application folders, which anybody may fill.
constexpr std::size_t kMaxEntryBytes = std::size_t{64} * 1024;
constexpr int kMaxEntries = 50000;  // files and folders walked, all folders together
constexpr int kMaxDepth = 3;
constexpr std::size_t kMaxIcons = 4096;

struct IconTable {
    std::mutex mutex;
    bool loaded = false;
    std::unordered_map<std::string, int> by_path;  // program path (as written and resolved) -> index
    std::unordered_map<std::string, int> by_name;  // program file name -> index
    std::vector<std::string> icons;                // icon of index kFirstEntryIndex + i
    std::unordered_map<std::string, int> icon_index;
};

IconTable& Table() {
    static IconTable table;
    return table;
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t colon = text.find(':', start);
        const std::size_t end = colon == std::string::npos ? text.size() : colon;
        if (end > start) parts.push_back(text.substr(start, end - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return parts;
}

// The XDG data folders in order of precedence: the user's own first.
std::vector<std::string> DataFolders() {
    std::vector<std::string> folders;
    std::string home = Env("XDG_DATA_HOME");
    if (home.empty() || home[0] != '/') {
        const std::string user_home = Env("HOME");
        home = user_home.empty() ? "" : user_home + "/.local/share";
    }
    if (!home.empty()) folders.push_back(home);
    std::string dirs = Env("XDG_DATA_DIRS");
    if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
    for (const auto& d : SplitList(dirs))
        if (d[0] == '/') folders.push_back(d);
    return folders;
}

bool ReadSmallFile(const std::string& path, std::string& text) {
    return posix_io::ReadBoundedFile(path, kMaxEntryBytes, text) == posix_io::ReadResult::Ok;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0;
}

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) != nullptr ? std::string(buf) : std::string();
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Icons named without a path may also lie in the "pixmaps" folders of the data folders,
// where the icon theme does not look.
std::string FindPixmapFile(const std::string& name) {
    if (name.find('/') != std::string::npos || name == "." || name == "..") return {};
    std::vector<std::string> roots;
    for (const auto& folder : DataFolders()) roots.push_back(folder + "/pixmaps/");
    roots.push_back("/usr/share/pixmaps/");
    for (const auto& root : roots) {
        for (const char* ext : {"", ".png", ".svg", ".xpm"}) {
            std::string candidate = root + name + ext;
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return candidate;
        }
    }
    return {};
}

int IconIndexLocked(IconTable& t, const std::string& icon) {
    if (auto it = t.icon_index.find(icon); it != t.icon_index.end()) return it->second;
    if (t.icons.size() >= kMaxIcons) return kProgramIndex;
    const int index = kFirstEntryIndex + static_cast<int>(t.icons.size());
    t.icons.push_back(icon);
    t.icon_index.emplace(icon, index);
    return index;
}

// Makes `program` (as an Exec or TryExec line names it) lead to `index`: by its path, the
// path it resolves to through PATH and symbolic links, and by both file names.
void RegisterProgram(IconTable& t, const std::string& program, const std::vector<std::string>& path_dirs, int index) {
    if (program.empty()) return;
    std::string found;
    if (program.find('/') != std::string::npos) {
        if (program[0] != '/') return;  // relative paths are not allowed in Exec
        found = program;
    } else {
        t.by_name.emplace(program, index);
        for (const auto& dir : path_dirs) {
            std::string candidate = dir;
            candidate += '/';
            candidate += program;
            if (IsExecutableFile(candidate)) {
                found = std::move(candidate);
                break;
            }
        }
    }
    if (found.empty()) return;
    t.by_path.emplace(found, index);
    t.by_name.emplace(BaseName(found), index);
    const std::string real = RealPath(found);
    if (!real.empty()) {
        t.by_path.emplace(real, index);
        t.by_name.emplace(BaseName(real), index);
    }
}

void LoadLocked(IconTable& t) {
    t.by_path.clear();
    t.by_name.clear();
    std::vector<std::string> path_dirs;
    std::string path_env = Env("PATH");
    if (path_env.empty()) path_env = "/usr/local/bin:/usr/bin:/bin";
    for (const auto& d : SplitList(path_env))
        if (d[0] == '/') path_dirs.push_back(d);

    std::unordered_set<std::string> seen_ids;  // a desktop-file id found earlier shadows later ones
    int files = 0;
    for (const auto& data_folder : DataFolders()) {
        namespace fs = std::filesystem;
        const std::string folder = data_folder + "/applications";
        std::error_code ec;
        fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it.depth() >= kMaxDepth) it.disable_recursion_pending();
            if (++files > kMaxEntries) return;
            const fs::path& p = it->path();
            if (p.extension() != ".desktop") continue;
            std::string id = p.lexically_relative(folder).string();
            for (char& c : id)
                if (c == '/') c = '-';
            if (!seen_ids.insert(id).second) continue;
            std::string text;
            DesktopEntry e;
            if (!ReadSmallFile(p.string(), text) || !ParseDesktopEntry(text, e)) continue;
            if (e.hidden || e.type != "Application" || e.icon.empty()) continue;
            const int index = IconIndexLocked(t, e.icon);
            RegisterProgram(t, e.try_exec, path_dirs, index);
            RegisterProgram(t, ExecProgram(e.exec), path_dirs, index);
        }
    }
}

}  // namespace

int GetShellIconIndex(const std::string& path) {
    if (path.empty()) return kGenericIndex;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return kFolderIndex;
    IconTable& t = Table();
    {
        std::lock_guard lock(t.mutex);
        if (!t.loaded) {
            LoadLocked(t);
            t.loaded = true;
        }
        const bool bare = path.find('/') == std::string::npos;
        const auto& map = bare ? t.by_name : t.by_path;
        if (auto it = map.find(path); it != map.end()) return it->second;
    }
    if (exists && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0) return kProgramIndex;
    return kGenericIndex;
}

ImageListHandle GetSystemImageList(bool small_icons) {
    IconTable& t = Table();
    std::lock_guard lock(t.mutex);
    LoadLocked(t);
    t.loaded = true;
    return small_icons ? kSmallList : kLargeList;
}

bool GetShellIconPicture(ImageListHandle list, int index, ShellIconPicture& picture) {
    if (list != kSmallList && list != kLargeList) return false;
    picture = {};
    switch (index) {
    case kGenericIndex:
        picture.kind = ShellIconPicture::Kind::Generic;
        picture.theme_name = "text-x-generic";
        return true;
    case kFolderIndex:
        picture.kind = ShellIconPicture::Kind::Folder;
        picture.theme_name = "folder";
        return true;
    case kProgramIndex:
        picture.kind = ShellIconPicture::Kind::Program;
        picture.theme_name = "application-x-executable";
        return true;
    default:
        break;
    }
    IconTable& t = Table();
    std::lock_guard lock(t.mutex);
    if (index < kFirstEntryIndex || static_cast<std::size_t>(index - kFirstEntryIndex) >= t.icons.size()) return false;
    const std::string& icon = t.icons[static_cast<std::size_t>(index - kFirstEntryIndex)];
    picture.kind = ShellIconPicture::Kind::Program;
    if (icon[0] == '/') {
        picture.file = icon;
    } else {
        picture.theme_name = icon;
        picture.file = FindPixmapFile(icon);
    }
    return true;
}

}  // namespace vanto::platform
