// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vanto::platform {

namespace {

int OpenLockFile(const char* path) {
    return ::open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
}

// Removes what stands where the lock file belongs and cannot be opened as one: a link
// (never followed), a file we may not open, an empty folder. A folder with contents stays.
bool ClearTheWay(const char* path) {
    struct stat st {};
    if (::lstat(path, &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) return ::rmdir(path) == 0;
    return ::unlink(path) == 0;
}

}  // namespace

InstanceLock::~InstanceLock() { Unlock(); }

void InstanceLock::Unlock() {
    if (handle_ == kNone) return;
    ::close(handle_);  // closing the last descriptor releases the flock
    handle_ = kNone;
}

InstanceLock::State InstanceLock::TryLock(const std::filesystem::path& file) {
    Unlock();
    const char* path = file.c_str();
    int fd = OpenLockFile(path);
    if (fd < 0) {
        if (!ClearTheWay(path)) return State::Unusable;
        fd = OpenLockFile(path);
        if (fd < 0) return State::Unusable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A FIFO or device of that name: not ours to lock or to remove blindly.
        ::close(fd);
        return State::Unusable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? State::Taken : State::Unusable;
    }
    handle_ = fd;
    return State::Held;
}

}  // namespace vanto::platform
