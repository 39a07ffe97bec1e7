// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A lock the system releases when its holder ends, however it ends: the single-instance rule
// holds one for the life of the program, so a crashed copy never leaves a lock behind that
// stops later starts. Linux: `flock` on a file; Windows: the file opened with no sharing.
#pragma once

#include <filesystem>

namespace vanto::platform {

class InstanceLock {
public:
    enum class State {
        Held,      // this object holds the lock
        Taken,     // another holder (another process, or another object here) has it
        Unusable,  // nothing at that path can be made into a lock
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Tries once, without waiting. What a crash leaves at `path` (an empty file, any bytes, a
    // file we may not open, a dangling link, an empty folder) is replaced by a fresh lock
    // file; a link is never followed.
    State TryLock(const std::filesystem::path& path);
    // Gives the lock up (also done by the destructor). The file stays: removing it could take
    // it from under a copy that opened it a moment ago.
    void Unlock();
    bool IsHeld() const { return handle_ != kNone; }

private:
#ifdef _WIN32
    static constexpr void* kNone = nullptr;
    void* handle_ = kNone;
#else
    static constexpr int kNone = -1;
    int handle_ = kNone;
#endif
};

}  // namespace vanto::platform
