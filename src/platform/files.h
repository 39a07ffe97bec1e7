// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The file-system calls the files-and-folders utilities are built on: find-first searches
// with Windows attributes, folder creation and listing, sizes, the 32-bit file-system
// redirection switch, the shell's special folders and the program's own path.
//
// Wide paths are UTF-16 on Windows. On Linux they are UTF-32 and stand for the UTF-8 bytes of
// the file system; bytes that are not UTF-8 travel as U+DC80..U+DCFF, so every name converts
// back to the very bytes it came from.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::platform {

// File attributes as Windows numbers them. On Linux a symbolic link carries kAttrReparsePoint
// (plus kAttrDirectory when it points at a folder) and anything that is neither a regular
// file nor a folder (FIFO, socket, device) carries kAttrDevice.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrDevice = 0x40;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;

// The separator the platform's paths use, and whether a character separates the parts of a
// path here: "\\" and "/" on Windows, "/" elsewhere.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
inline constexpr bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool IsPathSeparator(char c) { return c == '/'; }
inline constexpr bool IsPathSeparator(wchar_t c) { return c == L'/'; }
#endif

// One entry found by a search (WIN32_FIND_DATA). Times are FILETIME counts: 100 ns since 1601.
struct FindData {
    std::uint32_t attributes = 0;
    std::uint64_t creation_time = 0;
    std::uint64_t last_access_time = 0;
    std::uint64_t last_write_time = 0;
    std::uint64_t size = 0;
    std::wstring name;
    std::wstring short_name;
};

// An open find-first search; closes itself.
class FindHandle {
public:
    FindHandle();
    ~FindHandle();
    FindHandle(FindHandle&& other) noexcept;
    FindHandle& operator=(FindHandle&& other) noexcept;
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    bool IsValid() const;
    bool Next(FindData& data);
    void Close();

    struct Impl;
    // Takes over a backend's open search.
    explicit FindHandle(Impl* impl);

private:
    // Deletes the search where its type is known: in the backend.
    struct ImplDeleter {
        void operator()(Impl* impl) const;
    };
    std::unique_ptr<Impl, ImplDeleter> impl_;
};

// Whether the wide file functions work on this system (decided once; always true on Linux).
bool WideApiAvailable();

// FindFirstFile: the entries matching `pattern`, a path whose last part may hold * and ?
// (ASCII letters fold; "*.*" matches every name). A path without wildcards finds that entry.
// An invalid handle when nothing matches.
FindHandle FindFirstWide(const std::wstring& pattern, FindData& data);

// GetFileAttributesEx with the standard level: the size of a file (0 for a folder).
bool GetFileAttributesSize(const std::wstring& path, std::uint64_t& size);

// What tells one file from another and from its own earlier state: the volume and file
// number (device and inode on Linux), size (0 for anything but a regular file) and last
// write time. A replaced or rewritten
// executable gets another identity.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::uint64_t write_time = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at `path` (8-bit text), links followed. False when it cannot be
// had.
bool GetFileIdentity(const std::string& path, FileIdentity& identity);

// CreateDirectory of one level with default security.
bool CreateDirectoryWide(const std::wstring& path);

// Whether the drive letter names a mounted volume (GetDriveType). Always false on Linux.
bool DriveMounted(wchar_t letter);

// Turns the calling thread's 32-bit file-system redirection off (true) or on (false). False
// only when the switch raised an error; nothing to do (and true) where there is none.
bool SetFsRedirectionSuspended(bool suspend);

// One entry of a folder listing: its 8-bit name and attributes.
struct FolderEntry {
    std::string name;
    std::uint32_t attributes = 0;
    // A symbolic link or a junction, which a search must not enter (it may lead back up the
    // tree). Other reparse points, such as cloud-file placeholders and folders where a
    // volume is mounted, are folders like any other.
    bool link = false;
};

// The reparse tags of Windows' two kinds of link. A junction and a folder where a volume is
// mounted share the mount-point tag; only the target tells them apart.
inline constexpr std::uint32_t kReparseTagMountPoint = 0xA0000003u;
inline constexpr std::uint32_t kReparseTagSymlink = 0xA000000Cu;

// Whether an entry with these attributes and reparse tag is a link: a symbolic link, or a
// mount point that `is_volume` (asked for mount points only) does not find to be a volume.
bool IsLinkEntry(std::uint32_t attributes, std::uint32_t reparse_tag, const std::function<bool()>& is_volume);

// The entries of a folder in the file system's enumeration order, "." and ".." included as
// Windows reports them. False (and nothing listed) when the folder cannot be read.
bool ListFolderEntries(const std::string& folder, std::vector<FolderEntry>& entries);

// The shell's special folder for a CSIDL number, without a trailing separator; empty when the
// system has none. On Linux 26 and 28 are $XDG_DATA_HOME (default ~/.local/share), created
// (mode 0700) when missing; every other number is empty.
std::string GetSpecialFolderPath(int csidl);

// The full path of the running program's executable; empty when unknown.
std::string GetExecutablePath();

// Deleting, for the clean-up of a portable copy. Neither call follows a symbolic link or
// junction: a link is removed itself, its target stays.
// DeleteFile: one file (or link).
bool DeleteFileWide(const std::wstring& path);
// RemoveDirectory: an empty folder, or a link or junction that stands for a folder.
bool RemoveDirectoryWide(const std::wstring& path);
// SetFileAttributes. On Linux only kAttrReadOnly has a counterpart (no write permission for
// anyone); a link is left as it is.
bool SetFileAttributesWide(const std::wstring& path, std::uint32_t attributes);

// The absolute path the file system resolves `path` to (links followed, "." and ".."
// gone), without trailing separator except for a root; empty when it does not exist.
std::string ResolvedPath(const std::string& path);
// Whether two paths name the same existing folder, as the file system sees it: Linux by
// device and inode (links followed); Windows by volume and file index, else by their full
// paths with the separators and letter case Windows ignores. False when either is missing.
bool IsSameFolder(const std::string& a, const std::string& b);
// The user's home (profile) folder without trailing separator; empty when unknown.
std::string GetHomeFolderPath();
// The per-user VirtualStore folder with a trailing separator; empty on a system without one
// (Linux).
std::string GetVirtualStoreRoot();

// Conversions between 8-bit text (the ANSI code page on Windows, UTF-8 bytes on Linux) and
// wide text.
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);

}  // namespace vanto::platform
