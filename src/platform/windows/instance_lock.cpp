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
    HANDLE h = OpenExclusive(wide);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return State::Taken;
        // A folder, a link or a read-only file where the lock belongs: remove it (a link
        // itself, never its target) and try once more.
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return State::Unusable;
        bool removed = false;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            removed = ::RemoveDirectoryW(wide.c_str()) != 0;
        } else {
            if (attributes & FILE_ATTRIBUTE_READONLY)
                ::SetFileAttributesW(wide.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
            removed = ::DeleteFileW(wide.c_str()) != 0;
        }
        if (!removed) return State::Unusable;
        h = OpenExclusive(wide);
        if (h == INVALID_HANDLE_VALUE) {
            return ::GetLastError() == ERROR_SHARING_VIOLATION ? State::Taken : State::Unusable;
        }
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY |
                                                                             FILE_ATTRIBUTE_REPARSE_POINT))) {
        ::CloseHandle(h);
        return State::Unusable;
    }
    handle_ = h;
    return State::Held;
}

}  // namespace vanto::platform
