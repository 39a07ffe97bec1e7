// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// File helpers the Linux backends share (not a platform service): bounded reads of untrusted
// files, atomic replacement (temporary file + rename), advisory locks, and the few questions
// about paths and the environment more than one backend asks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::platform::posix_io {

enum class ReadResult { Ok, Missing, TooLarge, Failed };

// Reads a regular file of at most `limit` bytes. Missing when it does not exist; Failed for
// anything that is not a regular file or cannot be read. Never blocks on a FIFO.
ReadResult ReadBoundedFile(const std::string& path, std::size_t limit, std::string& content);

// Replaces `path` with `content` through a temporary file in the same folder and a rename, so
// readers see the old or the new file, never a mix. The new file gets `mode`, or the old
// file's permission bits when `keep_mode` is set and it existed. A symlink at `path` is
// replaced by the file, its target is left alone.
bool ReplaceFileAtomically(const std::string& path, const std::string& content, unsigned mode,
                           bool keep_mode);

// Creates `path` and its missing parents with `mode` (existing folders are left as they are).
bool MakeFolders(const std::string& path, unsigned mode);

// An exclusive flock held until destruction. Lock() opens (creating it when `create`) the file
// or folder at `path`.
class ExclusiveLock {
public:
    ExclusiveLock() = default;
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    // With `timeout_ms` >= 0, gives up (false) when the lock is not free within that time.
    // The lock is held on the file that has the name when it is taken: one whose name a holder
    // removed meanwhile is let go and the new file locked instead.
    bool LockFile(const std::string& path, int timeout_ms = -1);
    bool LockFolder(const std::string& path);

private:
    int fd_ = -1;
};

// The user's home folder: $HOME when it is absolute, else the password database; empty
// when neither knows.
std::string HomeFolder();

// Windows-style wildcard match: * any run, ? one character, ASCII letters fold.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The folder part of a path ("." when it has none).
std::string ParentFolder(const std::string& path);

// The value of an environment variable; empty when it is not set.
std::string Env(const char* name);

// The path with every link and "." or ".." resolved; empty when it does not resolve.
std::string RealPath(const std::string& path);

// A regular file (after links) with an execute bit for anyone: a program a desktop entry may name.
bool IsExecutableFile(const std::string& path);

// A regular file (after links) this process may run.
bool CanExecuteFile(const std::string& path);

// "folder/name".
std::string JoinPath(const std::string& folder, std::string_view name);

// The names of a folder's items but "." and "..", at most `max_items` of them, sorted, so that
// equal folders give equal answers. Empty when the folder cannot be listed.
std::vector<std::string> SortedFolderNames(const std::string& folder, std::size_t max_items);

}  // namespace vanto::platform::posix_io
