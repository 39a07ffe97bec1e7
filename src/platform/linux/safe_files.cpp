// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/safe_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>

#include "platform/linux/posix_file_io.h"

namespace vanto::platform {

namespace {

// Where a folder lives: its device and, since a bind mount of the same file system shares
// the device, the kernel's mount id.
struct Place {
    dev_t device = 0;
    std::uint64_t mount = 0;
    bool has_mount = false;
    bool operator==(const Place& o) const {
        return device == o.device && (!has_mount || !o.has_mount || mount == o.mount);
    }
};

bool PlaceOf(int fd, Place& place) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    place.device = st.st_dev;
#ifdef STATX_MNT_ID
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &sx) == 0 && (sx.stx_mask & STATX_MNT_ID)) {
        place.mount = sx.stx_mnt_id;
        place.has_mount = true;
    }
#endif
    return true;
}

int OpenFolderAt(int dirfd, const char* name) {
    return ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// Deletes the matching entries of the folder open as `fd` (owned here), whose path is `path`.
void CleanFolder(int fd, const std::string& path, const Place& root, const std::string& pattern,
                 const std::function<bool(const std::string&)>& keep, int depth) {
    // Deeper than any real tree: a folder that keeps appearing below itself ends here.
    constexpr int kMaxDepth = 256;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (posix_io::WildcardMatch(pattern, name)) names.push_back(name);
    }
    const int dfd = ::dirfd(dir.get());
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            // A file, a link (the link itself), a FIFO: unlinkat never follows anything.
            ::unlinkat(dfd, name.c_str(), 0);
            continue;
        }
        if (depth >= kMaxDepth) continue;
        const std::string sub_path = path + "/" + name;
        if (keep && keep(sub_path)) continue;
        const int sub = OpenFolderAt(dfd, name.c_str());
        if (sub < 0) continue;  // swapped for a link since: not entered
        Place place;
        if (!PlaceOf(sub, place) || !(place == root)) {
            ::close(sub);  // another mount: neither entered nor removed
            continue;
        }
        CleanFolder(sub, sub_path, root, pattern, keep, depth + 1);
        ::unlinkat(dfd, name.c_str(), AT_REMOVEDIR);  // fails while not empty
    }
}

}  // namespace

std::string TemporaryNamePrefix(const std::string& file_name) { return "." + file_name + ".tmp-"; }

bool ReplaceFileContents(const std::string& path, const std::string& content) {
    return posix_io::ReplaceFileAtomically(path, content, 0600, true);
}

int RemoveLeftoverTemporaryFiles(const std::string& folder, const std::vector<std::string>& file_names,
                                 std::uint32_t min_age_seconds) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return 0;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return 0;
    }
    const std::time_t now = std::time(nullptr);
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        for (const std::string& file : file_names) {
            const std::string prefix = TemporaryNamePrefix(file);
            if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0) {
                names.push_back(name);
                break;
            }
        }
    }
    int removed = 0;
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (st.st_mtime > now || std::uint64_t(now - st.st_mtime) < min_age_seconds) continue;
        if (::unlinkat(::dirfd(dir.get()), name.c_str(), 0) == 0) ++removed;
    }
    return removed;
}

void DeleteFolderTree(const std::string& folder, const std::string& pattern,
                      const std::function<bool(const std::string&)>& keep) {
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (base.empty()) return;
    // O_NOFOLLOW on the last part: a data folder that is itself a link is left alone.
    const int fd = OpenFolderAt(AT_FDCWD, base.c_str());
    if (fd < 0) return;
    Place root;
    if (!PlaceOf(fd, root) || (keep && keep(base))) {
        ::close(fd);
        return;
    }
    struct stat self {};
    ::fstat(fd, &self);
    const std::string wanted = pattern == "*.*" ? "*" : pattern;
    CleanFolder(fd, base, root, wanted, keep, 0);
    // The folder itself, by name, only when it is still the folder we cleaned.
    struct stat now {};
    if (::lstat(base.c_str(), &now) == 0 && S_ISDIR(now.st_mode) && now.st_dev == self.st_dev && now.st_ino == self.st_ino)
        ::rmdir(base.c_str());
}

}  // namespace vanto::platform
