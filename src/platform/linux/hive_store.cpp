// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/linux/hive_store.h"

#include "platform/build_info.h"
#include "platform/linux/posix_file_io.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

namespace vanto::platform::linux_backend {

namespace {

constexpr std::size_t kMaxHiveSize = std::size_t{16} * 1024 * 1024;
// A change waits this long for another program's change to the hive, then fails.
constexpr int kLockTimeoutMs = 3000;
// After such a wait failed, changes in the next seconds fail at once instead of waiting again.
constexpr int kLockBusyQuietMs = 10000;

const char* RootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

}  // namespace

std::string HivePath(RegRoot root) {
    if (root == RegRoot::CurrentUser) {
        const char* over = std::getenv("VANTOSCOPE_USER_HIVE");
        if (over != nullptr && over[0] != '\0') return over;
        std::string config;
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        if (xdg != nullptr && xdg[0] == '/') {
            config = xdg;
        } else {
            std::string home = posix_io::HomeFolder();
            if (home.empty()) return {};
            config = home + "/.config";
        }
        return config + "/" + build::kCompanyName + "/registry.reg";
    }
    const char* over = std::getenv("VANTOSCOPE_MACHINE_HIVE");
    if (over != nullptr && over[0] != '\0') return over;
    return "/etc/ombrevale/registry.reg";
}

namespace {

// The drop-in folder of installed packages (files they own and remove with themselves).
// VANTOSCOPE_PACKAGE_REGISTRY_D names another; a machine hive named by VANTOSCOPE_MACHINE_HIVE
// stands alone with its own "registry.d" unless a package folder is named too, so that tests
// never see what is installed on the machine.
std::string PackageDropInFolder() {
    const char* over = std::getenv("VANTOSCOPE_PACKAGE_REGISTRY_D");
    if (over != nullptr && over[0] != '\0') return over;
    const char* hive = std::getenv("VANTOSCOPE_MACHINE_HIVE");
    if (hive != nullptr && hive[0] != '\0') return {};
    return "/usr/share/ombrevale/registry.d";
}

FileIdentity Identify(const std::string& path) {
    FileIdentity id;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        id.exists = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtime_sec = st.st_mtim.tv_sec;
        id.mtime_nsec = st.st_mtim.tv_nsec;
    }
    return id;
}

// "<hive>.unparsable-2026-12-10", or with "-2", "-3" ... when that name is taken: a free
// name beside the hive, so nothing is ever overwritten. Empty when none could be made.
std::string MoveAside(const std::string& path) {
    char date[16] = "undated";
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (::localtime_r(&now, &tm) != nullptr) std::strftime(date, sizeof date, "%Y-%m-%d", &tm);
    const std::string base = path + ".unparsable-" + date;
    for (int n = 1; n < 100; ++n) {
        std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
        // link() never replaces an existing name; the hive is then unlinked from its own.
        if (::link(path.c_str(), aside.c_str()) == 0) {
            if (::unlink(path.c_str()) == 0) return aside;
            ::unlink(aside.c_str());
            return {};
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

}  // namespace

HiveStore& HiveStore::Instance() {
    static HiveStore store;
    return store;
}

HiveSnapshot HiveStore::Load(RegRoot root) {
    std::string path = HivePath(root);
    HiveSnapshot snap;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        snap = LoadLocked(root, path, false, false);
        if (root == RegRoot::LocalMachine && !path.empty()) snap = WithDropIns(root, path, snap);
    }
    if (!snap.unparsable || root != RegRoot::CurrentUser) return snap;
    // Moving it aside needs the lock a change holds, so that no change is lost.
    posix_io::ExclusiveLock lock;
    if (!LockHive(lock, path)) return snap;
    std::lock_guard<std::mutex> guard(mutex_);
    return LoadLocked(root, path, true, true);
}

std::vector<std::string> HiveStore::TakeNotices() {
    std::lock_guard<std::mutex> guard(mutex_);
    return std::exchange(notices_, {});
}

bool HiveStore::LockHive(posix_io::ExclusiveLock& lock, const std::string& path) {
    // After one wait that came to nothing, the next changes try without waiting for a while:
    // a start-up or a close makes several changes, and each must not freeze the window again.
    const auto now = std::chrono::steady_clock::now();
    int wait_ms = kLockTimeoutMs;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (now < lock_busy_until_) wait_ms = 0;
    }
    if (lock.LockFile(path + ".lock", wait_ms)) {
        std::lock_guard<std::mutex> guard(mutex_);
        lock_busy_until_ = {};
        lock_busy_said_ = false;
        return true;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    lock_busy_until_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockBusyQuietMs);
    if (!lock_busy_said_) {
        lock_busy_said_ = true;
        Tell(std::string("The settings file ") + path + " is locked by another program; " +
             "changes to the settings are not saved while it holds it.");
    }
    return false;
}

bool HiveStore::Modify(RegRoot root, const std::function<Change(KeyNode&)>& edit) {
    try {
        return ModifyOrThrow(root, edit);
    } catch (const std::bad_alloc&) {
        // A hive too large for the memory at hand: the change fails, the file stays as it was.
        return false;
    }
}

bool HiveStore::ModifyOrThrow(RegRoot root, const std::function<Change(KeyNode&)>& edit) {
    if (root != RegRoot::CurrentUser) return false;  // the machine hive is read only
    std::string path = HivePath(root);
    if (path.empty()) return false;
    std::string folder = posix_io::ParentFolder(path);
    if (!posix_io::MakeFolders(folder, 0700)) return false;
    posix_io::ExclusiveLock lock;
    // Another program holding it for longer is stuck: fail this change, do not freeze.
    if (!LockHive(lock, path)) return false;

    std::lock_guard<std::mutex> guard(mutex_);
    // What another program wrote a moment ago may share size and time with what we saw:
    // a change always reads the file afresh.
    HiveSnapshot snap = LoadLocked(root, path, true, true);
    if (!snap.usable) return false;
    std::unique_ptr<KeyNode> copy = snap.root->Clone();
    Change change = edit(*copy);
    if (change == Change::Failed) return false;
    if (change == Change::None) return true;
    std::string text;
    if (!SerializeHive(*copy, RootName(root), kMaxHiveSize, text)) return false;  // it could never be read back
    if (!posix_io::ReplaceFileAtomically(path, text, 0600, false)) return false;
    Entry& e = cache_[path];
    e.id = Identify(path);
    e.snap.root = std::shared_ptr<const KeyNode>(std::move(copy));
    e.snap.usable = true;
    return true;
}

bool HiveStore::RemoveUserHiveIf(const std::function<bool(const KeyNode&)>& is_empty) {
    const std::string path = HivePath(RegRoot::CurrentUser);
    if (path.empty() || !Identify(path).exists) return false;
    posix_io::ExclusiveLock lock;
    if (!lock.LockFile(path + ".lock", kLockTimeoutMs)) return false;
    std::lock_guard<std::mutex> guard(mutex_);
    const HiveSnapshot snap = LoadLocked(RegRoot::CurrentUser, path, true, true);
    if (!snap.usable || !is_empty(*snap.root) || ::unlink(path.c_str()) != 0) return false;
    cache_.erase(path);
    // A program waiting for the lock finds its file gone and takes a new one.
    ::unlink((path + ".lock").c_str());
    // The maker's own settings folder goes too when nothing else is in it; a hive placed
    // elsewhere by the variable leaves its folder alone.
    const char* over = std::getenv("VANTOSCOPE_USER_HIVE");
    if (over == nullptr || over[0] == '\0') ::rmdir(posix_io::ParentFolder(path).c_str());
    return true;
}

HiveSnapshot HiveStore::LoadLocked(RegRoot root, const std::string& path, bool fresh, bool locked) {
    auto empty = [&] {
        auto node = std::make_shared<KeyNode>();
        node->name = RootName(root);
        return node;
    };
    if (path.empty()) return {empty(), false};
    FileIdentity id = Identify(path);
    auto it = cache_.find(path);
    if (!fresh && it != cache_.end() && it->second.id == id) return it->second.snap;

    std::string content;
    HiveSnapshot snap;
    switch (posix_io::ReadBoundedFile(path, kMaxHiveSize, content)) {
        case posix_io::ReadResult::Missing:
            snap = {empty(), true};
            break;
        case posix_io::ReadResult::TooLarge:
            Complain(path, "larger than 16 MiB");
            snap = {empty(), false};
            break;
        case posix_io::ReadResult::Failed:
            Complain(path, "cannot be read");
            snap = {empty(), false};
            break;
        case posix_io::ReadResult::Ok: {
            ParseOutcome parsed;
            try {
                parsed = ParseHive(content, RootName(root));
            } catch (const std::bad_alloc&) {
                Complain(path, "is too large for the memory at hand");
                snap = {empty(), false};
                break;
            }
            if (parsed.root) {
                snap = {std::shared_ptr<const KeyNode>(std::move(parsed.root)), true};
            } else if (locked && root == RegRoot::CurrentUser) {
                const std::string aside = MoveAside(path);
                if (aside.empty()) {
                    Complain(path, "does not parse (" + parsed.error + ") and cannot be moved aside");
                    snap = {empty(), false};
                } else {
                    Tell(std::string("The settings file ") + path + " could not be read (" + parsed.error +
                         "); it was moved aside to " + aside + " and " + build::kProductName +
                         " goes on with fresh settings.");
                    snap = {empty(), true};
                    id = Identify(path);
                }
            } else {
                snap = {empty(), false, true};
                if (root != RegRoot::CurrentUser) Complain(path, "does not parse (" + parsed.error + ")");
            }
            break;
        }
    }
    // The identity is taken before the read; a change in between shows at the next load.
    cache_[path] = Entry{id, snap};
    return snap;
}

HiveSnapshot HiveStore::WithDropIns(RegRoot root, const std::string& hive_path, const HiveSnapshot& hive) {
    constexpr std::size_t kMaxDropIns = 256;
    // The packages' folder first, then the administrator's beside the hive, whose files win.
    std::vector<std::string> files;
    for (const std::string& folder : {PackageDropInFolder(), posix_io::ParentFolder(hive_path) + "/registry.d"}) {
        if (folder.empty()) continue;
        std::vector<std::string> here;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* de = ::readdir(dir)) {
                const std::string name = de->d_name;
                if (name.size() > 4 && name.compare(name.size() - 4, 4, ".reg") == 0 && name.front() != '.') {
                    std::string file = folder;
                    file += '/';
                    file += name;
                    here.push_back(std::move(file));
                }
            }
            ::closedir(dir);
        }
        std::sort(here.begin(), here.end());
        files.insert(files.end(), here.begin(), here.end());
    }
    if (files.empty()) return hive;
    if (files.size() > kMaxDropIns) files.resize(kMaxDropIns);

    std::vector<FileIdentity> ids = {Identify(hive_path)};
    for (const auto& f : files) ids.push_back(Identify(f));
    if (merged_.snap.root && merged_.hive_path == hive_path && merged_.files == files && merged_.ids == ids)
        return merged_.snap;

    std::unique_ptr<KeyNode> view = hive.root->Clone();
    for (const auto& f : files) {
        const HiveSnapshot part = LoadLocked(root, f, false, false);
        if (part.usable) Merge(*view, *part.root);
    }
    merged_ = Merged{hive_path, files, ids, HiveSnapshot{std::shared_ptr<const KeyNode>(std::move(view)), hive.usable}};
    return merged_.snap;
}

void HiveStore::Merge(KeyNode& into, const KeyNode& from) {
    for (const auto& v : from.values) into.SetValue(v.name, v.value);
    for (const auto& [name, child] : from.subkeys) Merge(into.ChildOrNew(child->name), *child);
}

void HiveStore::Complain(const std::string& path, const std::string& why) {
    if (!complained_.insert(path).second) return;
    std::fprintf(stderr, "%s: the registry file %s %s; going on without its contents and leaving it untouched\n",
                 build::kProductName, path.c_str(), why.c_str());
}

void HiveStore::Tell(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", build::kProductName, text.c_str());
    notices_.push_back(text);
}

}  // namespace vanto::platform::linux_backend
