// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/instance_lock.h"

#include <windows.h>

namespace vanto::platform {

namespace {

HANDLE OpenExclusive(const std::wstring& path) {
    // No sharing at all: a second open fails with a sharing violation until this handle is
    // closed, which the system does when the process ends, however it ends.
    return ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Removes what stands where the lock file belongs and cannot be one: a folder (when empty),
// a link or junction (the link itself, never its target), a read-only file.
bool RemoveEntry(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(path.c_str()) != 0;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return ::DeleteFileW(path.c_str()) != 0;
}

}  // namespace

InstanceLock::~InstanceLock() { Unlock(); }

void InstanceLock::Unlock() {
    if (handle_ == kNone) return;
    ::CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = kNone;
}

InstanceLock::State InstanceLock::TryLock(const std::filesystem::path& path) {
    Unlock();
    const std::wstring wide = path.native();
    for (int attempt = 0; attempt < 2; ++attempt) {
        HANDLE h = OpenExclusive(wide);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return State::Taken;
        } else {
            BY_HANDLE_FILE_INFORMATION info{};
            const bool plain = ::GetFileInformationByHandle(h, &info) &&
                               !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
            if (plain) {
                handle_ = h;
                return State::Held;
            }
            ::CloseHandle(h);
        }
        if (attempt > 0 || !RemoveEntry(wide)) break;
    }
    return State::Unusable;
}

}  // namespace vanto::platform
