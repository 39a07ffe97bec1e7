// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The two hive files on Linux (not a platform service): where they are, the parsed tree of
// each as last read (re-read when the file changes), the drop-ins of the machine hive, and the
// one way to change the user hive: under its file lock, re-read, edited, replaced atomically.
// A user hive that does not parse is moved aside; one that cannot be read is never written.
#pragma once

#include "platform/linux/hive_text.h"
#include "platform/linux/posix_file_io.h"
#include "platform/registry.h"

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace vanto::platform::linux_backend {

struct FileIdentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtime_sec = 0;
    long mtime_nsec = 0;
    bool operator==(const FileIdentity&) const = default;
};

// A parsed hive as last read. `usable` is false for a file that could not be read or parsed:
// its view is empty and it must not be written.
struct HiveSnapshot {
    std::shared_ptr<const KeyNode> root;
    bool usable = true;
    bool unparsable = false;  // read whole, but not a hive
};

// The hive file of a root: the override variable, else the standard place; empty when the
// user's home is unknown.
std::string HivePath(RegRoot root);

class HiveStore {
public:
    static HiveStore& Instance();

    // The hive's tree as it is now (with the machine hive's drop-ins merged in).
    HiveSnapshot Load(RegRoot root);
    // What was said to the user since the last call, for the window to show.
    std::vector<std::string> TakeNotices();

    enum class Change { None, Changed, Failed };

    // Applies `edit` to the current contents of the user hive under its file lock and writes
    // the result. Returns false when the edit failed or the hive could not be read or written.
    bool Modify(RegRoot root, const std::function<Change(KeyNode&)>& edit);

    // Removes the user hive and its lock, under the lock, when `is_empty` holds for what it
    // reads now. False when the hive is missing, unreadable or holds anything.
    bool RemoveUserHiveIf(const std::function<bool(const KeyNode&)>& is_empty);

private:
    struct Entry {
        FileIdentity id;
        HiveSnapshot snap;
    };

    bool ModifyOrThrow(RegRoot root, const std::function<Change(KeyNode&)>& edit);
    // Takes the hive's file lock, waiting for it only when no wait failed a moment ago; the
    // first failure is said to the user.
    bool LockHive(posix_io::ExclusiveLock& lock, const std::string& path);
    // `fresh`: read the file even when it looks unchanged. `locked`: the hive's file lock is
    // held, so an unparsable user hive may be moved aside.
    HiveSnapshot LoadLocked(RegRoot root, const std::string& path, bool fresh, bool locked);
    // The drop-in files of the folder "registry.d" beside the hive, "*.reg" in name order,
    // each merged over the hive and the ones before it. A drop-in that does not parse is left
    // out (and said once); the merged view is rebuilt only when one of the files changed.
    HiveSnapshot WithDropIns(RegRoot root, const std::string& hive_path, const HiveSnapshot& hive);
    static void Merge(KeyNode& into, const KeyNode& from);
    void Complain(const std::string& path, const std::string& why);
    // Said to the user: on standard error at once, in the window through TakeRegistryNotices.
    void Tell(const std::string& text);

    std::chrono::steady_clock::time_point lock_busy_until_{};
    bool lock_busy_said_ = false;

    struct Merged {
        std::string hive_path;
        std::vector<std::string> files;
        std::vector<FileIdentity> ids;
        HiveSnapshot snap;
    };

    std::mutex mutex_;
    std::map<std::string, Entry> cache_;
    Merged merged_;
    std::set<std::string> complained_;
    std::vector<std::string> notices_;
};

}  // namespace vanto::platform::linux_backend
