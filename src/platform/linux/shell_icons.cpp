// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux has no shell image list, so this file keeps one for the process: three fixed
// entries (generic file, folder, generic program) and then one entry per distinct icon of
// the desktop entries that name a running program, found in the shared program index.
// Indexes never change once given out, so the front may keep the pictures it has drawn.

#include "platform/shell_icons.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "platform/linux/posix_file_io.h"
#include "platform/linux/program_index.h"
#include "platform/program_identity.h"

namespace vanto::platform {

using posix_io::Env;
using posix_io::RealPath;

namespace {

constexpr int kGenericIndex = 0;
constexpr int kFolderIndex = 1;
constexpr int kProgramIndex = 2;
constexpr int kFirstEntryIndex = 3;

constexpr ImageListHandle kSmallList = 1;
constexpr ImageListHandle kLargeList = 2;

constexpr std::size_t kMaxIcons = 4096;

// The icons given out so far; the programs behind them live in the shared program index.
struct IconTable {
    std::mutex mutex;
    std::vector<std::string> icons;  // icon of index kFirstEntryIndex + i
    std::unordered_map<std::string, int> icon_index;
};

IconTable& Table() {
    static IconTable table;
    return table;
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

}  // namespace

int GetShellIconIndex(const std::string& path) {
    if (path.empty()) return kGenericIndex;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return kFolderIndex;
    // Never waits for the index: until it is built, programs get the generic program icon.
    if (const auto index = CurrentNameIndex(false)) {
        const bool bare = path.find('/') == std::string::npos;
        const IndexedApplication* app =
            bare ? index->ApplicationNamed(path) : index->ApplicationOf(path, exists ? RealPath(path) : std::string());
        if (app != nullptr && !app->icon.empty()) {
            IconTable& t = Table();
            std::lock_guard lock(t.mutex);
            return IconIndexLocked(t, app->icon);
        }
    }
    if (exists && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0) return kProgramIndex;
    return kGenericIndex;
}

ImageListHandle GetSystemImageList(bool small_icons) {
    RefreshProgramIdentityIndex(ProgramIdentityNeed::Names);
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
