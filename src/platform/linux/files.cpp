// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// File-system calls on Linux. Attributes are made up from stat the way Windows would report
// the entry; there is no file-system redirection and no drive letter.
#include "platform/files.h"

#include "platform/ascii_text.h"
#include "platform/linux/posix_file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vanto::platform {

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kEpochDelta = 11644473600ull;

std::uint64_t ToFileTime(const struct timespec& ts) {
    if (ts.tv_sec < 0 && static_cast<std::uint64_t>(-ts.tv_sec) > kEpochDelta) return 0;
    return (static_cast<std::uint64_t>(ts.tv_sec + static_cast<long long>(kEpochDelta)) * 10000000ull) +
           static_cast<std::uint64_t>(ts.tv_nsec / 100);
}

bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

// Attributes of an entry from its own lstat and, for a link, the stat of what it points at.
std::uint32_t Attributes(std::string_view name, const struct stat& own, const struct stat* target) {
    std::uint32_t attrs = 0;
    const struct stat* st = &own;
    if (S_ISLNK(own.st_mode)) {
        attrs |= kAttrReparsePoint;
        st = target;
    }
    if (st != nullptr) {
        if (S_ISDIR(st->st_mode)) {
            attrs |= kAttrDirectory;
        } else if (S_ISREG(st->st_mode)) {
            attrs |= kAttrArchive;
            if ((st->st_mode & 0222) == 0) attrs |= kAttrReadOnly;
        } else {
            attrs |= kAttrDevice;
        }
    }
    if (!name.empty() && name.front() == '.' && !IsDotName(name)) attrs |= kAttrHidden;
    return attrs;
}

// Fills `data` for the entry `name` of the folder open as `dirfd` (AT_FDCWD for a full path).
bool Describe(int dirfd, const std::string& path_for_stat, const std::string& name, FindData& data) {
    struct stat own {};
    if (::fstatat(dirfd, path_for_stat.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) return false;
    struct stat target {};
    bool have_target = S_ISLNK(own.st_mode) && ::fstatat(dirfd, path_for_stat.c_str(), &target, 0) == 0;
    const struct stat& st = S_ISLNK(own.st_mode) && have_target ? target : own;
    data = FindData{};
    data.attributes = Attributes(name, own, have_target ? &target : nullptr);
    data.last_write_time = ToFileTime(st.st_mtim);
    data.last_access_time = ToFileTime(st.st_atim);
    data.creation_time = data.last_write_time;  // no portable birth time; the last write stands in
    data.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    data.name = AnsiToWide(name);
    return true;
}

}  // namespace

struct FindHandle::Impl {
    std::vector<FindData> pending;
    std::size_t next = 0;
};

void FindHandle::ImplDeleter::operator()(Impl* impl) const { delete impl; }

bool FindHandle::Next(FindData& data) {
    if (!impl_ || impl_->next >= impl_->pending.size()) return false;
    data = std::move(impl_->pending[impl_->next++]);
    return true;
}

bool WideApiAvailable() { return true; }

FindHandle FindFirstWide(const std::wstring& pattern, FindData& data) {
    std::string path = WideToAnsi(pattern);
    if (path.empty()) return {};
    std::size_t slash = path.find_last_of('/');
    std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    auto impl = std::make_unique<FindHandle::Impl>();

    if (last.find_first_of("*?") == std::string::npos) {
        FindData one;
        std::string name = last.empty() ? path : last;
        if (!Describe(AT_FDCWD, path, name, one)) return {};
        // A link that leads nowhere is not found, as opening it would fail.
        if ((one.attributes & kAttrReparsePoint) != 0 && (one.attributes & (kAttrDirectory | kAttrArchive | kAttrDevice)) == 0) {
            return {};
        }
        data = std::move(one);
        return FindHandle(impl.release());
    }

    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string wanted = last == "*.*" ? "*" : last;
    int dirfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) return {};
    DIR* dir = ::fdopendir(dirfd);
    if (dir == nullptr) {
        ::close(dirfd);
        return {};
    }
    while (dirent* de = ::readdir(dir)) {
        std::string name = de->d_name;
        if (!posix_io::WildcardMatch(wanted, name)) continue;
        FindData entry;
        if (Describe(dirfd, name, name, entry)) impl->pending.push_back(std::move(entry));
    }
    ::closedir(dir);
    if (impl->pending.empty()) return {};
    data = std::move(impl->pending.front());
    impl->next = 1;
    return FindHandle(impl.release());
}

bool GetFileAttributesSize(const std::wstring& path, std::uint64_t& size) {
    struct stat st {};
    std::string p = WideToAnsi(path);
    if (p.empty() || ::stat(p.c_str(), &st) != 0) return false;
    size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    return true;
}

bool GetFileIdentity(const std::string& path, FileIdentity& identity) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    identity.volume = static_cast<std::uint64_t>(st.st_dev);
    identity.file = static_cast<std::uint64_t>(st.st_ino);
    identity.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;  // a folder has no content
    identity.write_time = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                          static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
    return true;
}

bool CreateDirectoryWide(const std::wstring& path) {
    std::string p = WideToAnsi(path);
    return !p.empty() && ::mkdir(p.c_str(), 0700) == 0;
}

bool DriveMounted(wchar_t /*letter*/) { return false; }

bool SetFsRedirectionSuspended(bool /*suspend*/) { return true; }

bool ListFolderEntries(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    if (folder.empty()) return false;
    int dirfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) return false;
    DIR* dir = ::fdopendir(dirfd);
    if (dir == nullptr) {
        ::close(dirfd);
        return false;
    }
    while (dirent* de = ::readdir(dir)) {
        std::string name = de->d_name;
        struct stat own {};
        if (::fstatat(dirfd, name.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
        struct stat target {};
        bool have_target = S_ISLNK(own.st_mode) && ::fstatat(dirfd, name.c_str(), &target, 0) == 0;
        std::uint32_t attrs = Attributes(name, own, have_target ? &target : nullptr);
        const bool link = S_ISLNK(own.st_mode);
        entries.push_back({std::move(name), attrs, link});
    }
    ::closedir(dir);
    return true;
}

std::string GetSpecialFolderPath(int csidl) {
    constexpr int kAppData = 26;
    constexpr int kLocalAppData = 28;
    if (csidl != kAppData && csidl != kLocalAppData) return {};
    std::string path;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        path = xdg;
    } else {
        std::string home = posix_io::HomeFolder();
        if (home.empty()) return {};
        path = home + "/.local/share";
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    posix_io::MakeFolders(path, 0700);  // a fresh account may not have it yet
    return path;
}

std::string GetExecutablePath() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buf.size()) {
            std::string path(buf.data(), static_cast<std::size_t>(n));
            // The kernel marks a replaced executable; the program's path is still the plain one.
            const std::string deleted = " (deleted)";
            struct stat st {};
            if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0 &&
                ::stat(path.c_str(), &st) != 0) {
                path.resize(path.size() - deleted.size());
            }
            return path;
        }
        if (buf.size() >= 65536) return {};
        buf.resize(buf.size() * 2);
    }
}

std::wstring AnsiToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            out.push_back(static_cast<wchar_t>(b0));
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            len = 2;
            cp = b0 & 0x1Fu;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            len = 3;
            cp = b0 & 0x0Fu;
            if (b0 == 0xE0) lo = 0xA0;  // overlong
            if (b0 == 0xED) hi = 0x9F;  // surrogates
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            len = 4;
            cp = b0 & 0x07u;
            if (b0 == 0xF0) lo = 0x90;
            if (b0 == 0xF4) hi = 0x8F;
        }
        bool ok = len != 0 && i + len <= text.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            auto b = static_cast<unsigned char>(text[i + k]);
            unsigned char min = k == 1 ? lo : 0x80;
            unsigned char max = k == 1 ? hi : 0xBF;
            if (b < min || b > max) ok = false;
            cp = (cp << 6) | (b & 0x3Fu);
        }
        if (ok) {
            out.push_back(static_cast<wchar_t>(cp));
            i += len;
        } else {
            out.push_back(static_cast<wchar_t>(0xDC00u + b0));  // keep the stray byte itself
            ++i;
        }
    }
    return out;
}

std::string WideToAnsi(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        // wchar_t is a signed 32-bit type here; a negative value is no character and ends up as "?".
        auto c = static_cast<std::uint32_t>(static_cast<std::int32_t>(wc));
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out.push_back(static_cast<char>(c - 0xDC00));
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            out.push_back('?');
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool DeleteFileWide(const std::wstring& path) {
    const std::string p = WideToAnsi(path);
    struct stat st {};
    if (p.empty() || ::lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(p.c_str()) == 0;
}

bool RemoveDirectoryWide(const std::wstring& path) {
    std::string p = WideToAnsi(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    struct stat st {};
    if (p.empty() || ::lstat(p.c_str(), &st) != 0) return false;
    // A link to a folder goes as a junction goes on Windows: the link, not the folder.
    if (S_ISLNK(st.st_mode)) return ::unlink(p.c_str()) == 0;
    return S_ISDIR(st.st_mode) && ::rmdir(p.c_str()) == 0;
}

bool SetFileAttributesWide(const std::wstring& path, std::uint32_t attributes) {
    const std::string p = WideToAnsi(path);
    struct stat st {};
    if (p.empty() || ::lstat(p.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) return true;
    mode_t mode = st.st_mode & 07777;
    if ((attributes & kAttrReadOnly) != 0) mode &= ~static_cast<mode_t>(0222);
    else if ((mode & 0222) == 0) mode |= 0200;
    return mode == (st.st_mode & 07777) || ::chmod(p.c_str(), mode) == 0;
}

std::string ResolvedPath(const std::string& path) {
    if (path.empty()) return {};
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

std::string GetHomeFolderPath() {
    std::string home = posix_io::HomeFolder();
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home;
}

std::string GetVirtualStoreRoot() { return {}; }

bool IsSameFolder(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (a.empty() || b.empty() || ::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return S_ISDIR(sa.st_mode) && S_ISDIR(sb.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace vanto::platform
