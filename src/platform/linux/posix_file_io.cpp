// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/posix_file_io.h"

#include "platform/ascii_text.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace vanto::platform::posix_io {

namespace {

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool FlockRetry(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// Tries the lock every 20 ms until `timeout_ms` have passed.
bool FlockWithin(int fd, int timeout_ms) {
    for (int waited = 0;; waited += 20) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (waited >= timeout_ms) return false;
        ::usleep(20 * 1000);
    }
}

}  // namespace

ReadResult ReadBoundedFile(const std::string& path, std::size_t limit, std::string& content) {
    content.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    if (static_cast<unsigned long long>(st.st_size) > limit) {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    // The size may change while we read: read up to limit + 1 to notice growth past the cap.
    std::vector<char> buf(std::size_t{64} * 1024);
    for (;;) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            content.clear();
            return ReadResult::Failed;
        }
        if (n == 0) break;
        content.append(buf.data(), static_cast<std::size_t>(n));
        if (content.size() > limit) {
            ::close(fd);
            content.clear();
            return ReadResult::TooLarge;
        }
    }
    ::close(fd);
    return ReadResult::Ok;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string ParentFolder(const std::string& path) {
    auto pos = path.find_last_of('/');
    if (pos == std::string::npos) return ".";
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) != nullptr ? std::string(buf) : std::string();
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0;
}

bool CanExecuteFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += '/';
    path += name;
    return path;
}

std::vector<std::string> SortedFolderNames(const std::string& folder, std::size_t max_items) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* d = ::readdir(dir)) {
        const std::string_view n = d->d_name;
        if (n == "." || n == "..") continue;
        names.emplace_back(n);
        if (names.size() >= max_items) break;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& content, unsigned mode,
                           bool keep_mode) {
    std::string folder = ParentFolder(path);
    std::string base = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    std::string tmpl = (folder == "/" ? std::string() : folder) + "/." + base + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    std::string tmp(name.data());

    mode_t final_mode = static_cast<mode_t>(mode);
    if (keep_mode) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) final_mode = st.st_mode & 07777;
    }
    bool ok = ::fchmod(fd, final_mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here does not undo the replacement.
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool MakeFolders(const std::string& path, unsigned mode) {
    if (path.empty()) return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string parent = ParentFolder(path);
    if (parent != path && parent != "." && parent != "/" && !MakeFolders(parent, mode)) return false;
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return true;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

ExclusiveLock::~ExclusiveLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the flock
}

bool ExclusiveLock::LockFile(const std::string& path, int timeout_ms) {
    if (fd_ >= 0) return false;
    // A holder may remove the lock file with the store it guards: a lock taken on a file that
    // no longer has its name guards nothing, so it is taken again on the file now there.
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
        if (fd < 0) return false;
        if (!(timeout_ms < 0 ? FlockRetry(fd) : FlockWithin(fd, timeout_ms))) {
            ::close(fd);
            return false;
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            fd_ = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

bool ExclusiveLock::LockFolder(const std::string& path) {
    if (fd_ >= 0) return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    if (!FlockRetry(fd)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    struct passwd pw {};
    struct passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

}  // namespace vanto::platform::posix_io
