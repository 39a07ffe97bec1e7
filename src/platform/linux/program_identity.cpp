// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The process-wide program index, in its two parts, and the lookups on them. Each part has a
// thread of its own in which one build of it runs at a time; a finished part replaces the old
// one in a single step, so lookups never see half of one and never wait for one.

#include "platform/program_identity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/linux/posix_file_io.h"
#include "platform/linux/program_index.h"
#include "platform/read_only_file.h"

namespace vanto::platform {

namespace {

// How often a lookup may have the folders looked at for changes.
constexpr std::chrono::seconds kCheckInterval{2};

// Keeps one part of the index: builds it in a worker thread, replaces it when a build is done
// and has its stamps checked now and then. `Index` has `facts` and `Outdated()`.
template <class Index, class Facts>
class PartKeeper {
public:
    using FactsOf = Facts (*)(const ProgramIdentitySources&);
    using Build = std::shared_ptr<const Index> (*)(const Facts&, const std::atomic<bool>&);

    PartKeeper(FactsOf facts_of, Build build) : facts_of_(facts_of), build_(build) {}

    ~PartKeeper() {
        std::unique_lock lock(mutex_);
        stop_ = true;
        stop_flag_ = true;
        lock.unlock();
        if (worker_.joinable()) worker_.join();
    }

    std::shared_ptr<const Index> Get(bool wait) {
        std::unique_lock lock(mutex_);
        if (wait) {
            // Finish what is running, then make sure the result is current.
            done_.wait(lock, [&] { return !running_; });
            const Facts facts = facts_of_(sources_);
            if (!index_ || !(index_->facts == facts) || index_->Outdated()) {
                StartLocked(facts, false);
                done_.wait(lock, [&] { return !running_; });
            }
            next_check_ = std::chrono::steady_clock::now() + kCheckInterval;
            return index_;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!running_ && (!index_ || now >= next_check_)) {
            next_check_ = now + kCheckInterval;
            StartLocked(facts_of_(sources_), index_ != nullptr);
        }
        return index_;
    }

    std::uint64_t Generation() const { return generation_.load(std::memory_order_acquire); }

    // Has the folders looked at when a check is due, once there is an index to check.
    void Poll() {
        std::unique_lock lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (!index_ || running_ || now < next_check_) return;
        next_check_ = now + kCheckInterval;
        StartLocked(facts_of_(sources_), true);
    }

    void Refresh() {
        std::unique_lock lock(mutex_);
        const Facts facts = facts_of_(sources_);
        if (running_) {
            again_ = true;
            again_facts_ = facts;
            return;
        }
        StartLocked(facts, false);
    }

    void SetSources(const ProgramIdentitySources& sources) {
        {
            std::unique_lock lock(mutex_);
            sources_ = sources;
        }
        Refresh();
    }

    void SetBuildHook(std::function<void()> hook) {
        std::unique_lock lock(mutex_);
        hook_ = std::move(hook);
    }

private:
    // Starts the worker; with `check_first` it rebuilds only when the facts or a folder changed.
    // Called with the lock held: the previous worker has set running_ false under it and
    // needs it no more, so joining it here waits for nothing but its return.
    void StartLocked(Facts facts, bool check_first) {
        running_ = true;
        if (worker_.joinable()) worker_.join();
        worker_ = std::thread([this, facts = std::move(facts), current = index_, check_first]() mutable {
            Work(std::move(facts), current, check_first);
        });
    }

    void Work(Facts facts, const std::shared_ptr<const Index>& current, bool check_first) {
        for (;;) {
            if (!check_first || !current || !(current->facts == facts) || current->Outdated()) {
                std::function<void()> hook;
                {
                    std::lock_guard lock(mutex_);
                    hook = hook_;
                }
                if (hook) hook();
                auto built = build_(facts, stop_flag_);
                std::lock_guard lock(mutex_);
                if (!stop_) {
                    index_ = std::move(built);
                    generation_.fetch_add(1, std::memory_order_release);
                }
            }
            std::lock_guard lock(mutex_);
            if (!again_ || stop_) {
                running_ = false;
                done_.notify_all();
                return;
            }
            again_ = false;
            facts = std::move(again_facts_);
            check_first = false;
        }
    }

    const FactsOf facts_of_;
    const Build build_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::shared_ptr<const Index> index_;
    ProgramIdentitySources sources_;
    std::thread worker_;
    bool running_ = false;
    bool again_ = false;
    Facts again_facts_;
    bool stop_ = false;
    std::atomic<bool> stop_flag_{false};
    std::atomic<std::uint64_t> generation_{0};
    std::chrono::steady_clock::time_point next_check_{};
    std::function<void()> hook_;
};

using NameKeeper = PartKeeper<NameIndex, NameIndexFacts>;
using PackageKeeper = PartKeeper<PackageIndex, PackageIndexFacts>;

NameKeeper& Names() {
    static NameKeeper keeper(&CurrentNameIndexFacts, &BuildNameIndex);
    return keeper;
}

PackageKeeper& Packages() {
    static PackageKeeper keeper(&CurrentPackageIndexFacts, &BuildPackageIndex);
    return keeper;
}

std::string RealPathOf(const std::string& path) {
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) != nullptr ? std::string(buf) : std::string();
}

bool IsElfFile(const std::string& path) {
    ReadOnlyFile f;
    unsigned char magic[4] = {};
    return f.open(path) && f.readAt(0, magic, 4) && std::memcmp(magic, "\x7F" "ELF", 4) == 0;
}

// The version line of a snap's own description, "<mount>/<snap>/<revision>/meta/snap.yaml";
// `mount` ends in "/".
std::string SnapVersion(const std::string& real, const std::string& mount) {
    if (mount.empty() || !real.starts_with(mount)) return {};
    const std::size_t snap_end = real.find('/', mount.size());
    if (snap_end == std::string::npos) return {};
    const std::size_t rev_end = real.find('/', snap_end + 1);
    if (rev_end == std::string::npos) return {};
    std::string text;
    if (posix_io::ReadBoundedFile(real.substr(0, rev_end) + "/meta/snap.yaml", std::size_t{256} * 1024, text) !=
        posix_io::ReadResult::Ok)
        return {};
    std::string_view t = text;
    while (!t.empty()) {
        const std::size_t eol = t.find('\n');
        std::string_view line = t.substr(0, eol);
        t = eol == std::string_view::npos ? std::string_view{} : t.substr(eol + 1);
        if (!line.starts_with("version:")) continue;
        line.remove_prefix(8);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\'' || line.front() == '"')) line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\'' || line.back() == '"'))
            line.remove_suffix(1);
        if (line.size() > 64) return {};
        return std::string(line);
    }
    return {};
}

}  // namespace

std::shared_ptr<const NameIndex> CurrentNameIndex(bool wait) { return Names().Get(wait); }

std::shared_ptr<const PackageIndex> CurrentPackageIndex(bool wait) { return Packages().Get(wait); }

void SetPackageIndexBuildHook(std::function<void()> hook) { Packages().SetBuildHook(std::move(hook)); }

bool FindProgramIdentity(const std::string& exe_path, ProgramIdentity& out, ProgramIdentityNeed need) {
    out = {};
    struct stat st {};
    if (exe_path.empty() || ::stat(exe_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0111) == 0)
        return false;
    const std::string real = RealPathOf(exe_path);
    const bool versions = need == ProgramIdentityNeed::Versions;
    const auto names = CurrentNameIndex(false);
    if (names) {
        if (const IndexedApplication* app = names->ApplicationOf(exe_path, real)) {
            out.name = app->name;
            out.publisher = app->publisher;
            if (versions) out.version = app->release;
        }
    }
    if (versions) {
        std::string version;
        if (const auto packages = CurrentPackageIndex(false)) version = packages->VersionOf(exe_path, real);
        if (version.empty() && names) version = SnapVersion(real, names->snap_mount_folder);
        if (!version.empty()) out.version = std::move(version);
    }
    if (out.name.empty() && IsElfFile(exe_path)) {
        const std::size_t slash = exe_path.rfind('/');
        out.name = exe_path.substr(slash + 1);
    }
    return !out.name.empty() || !out.publisher.empty() || !out.version.empty();
}

std::uint64_t ProgramIdentityGeneration() {
    // Callers that keep answers ask this instead of looking up again: it drives the change checks.
    Names().Poll();
    Packages().Poll();
    return Names().Generation() + Packages().Generation();
}

void StartProgramIdentityIndex(ProgramIdentityNeed need) {
    Names().Get(false);
    if (need == ProgramIdentityNeed::Versions) Packages().Get(false);
}

void WaitForProgramIdentityIndex(ProgramIdentityNeed need) {
    // Both parts build at once; the wait for the names part is the shorter one.
    StartProgramIdentityIndex(need);
    Names().Get(true);
    if (need == ProgramIdentityNeed::Versions) Packages().Get(true);
}

void RefreshProgramIdentityIndex(ProgramIdentityNeed need) {
    Names().Refresh();
    if (need == ProgramIdentityNeed::Versions) Packages().Refresh();
}

void SetProgramIdentitySources(const ProgramIdentitySources& sources) {
    Names().SetSources(sources);
    Packages().SetSources(sources);
}

}  // namespace vanto::platform
