// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/read_only_file.h"

#include <windows.h>

namespace vanto::platform {

namespace {
HANDLE AsHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

ReadOnlyFile::~ReadOnlyFile() { close(); }

bool ReadOnlyFile::open(const std::string& path) {
    close();
    if (path.empty()) return false;
    return adopt(reinterpret_cast<std::intptr_t>(CreateFileA(path.c_str(), GENERIC_READ,
                                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

bool ReadOnlyFile::open(const std::wstring& path) {
    close();
    if (path.empty()) return false;
    return adopt(reinterpret_cast<std::intptr_t>(CreateFileW(path.c_str(), GENERIC_READ,
                                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

bool ReadOnlyFile::adopt(std::intptr_t handle) {
    HANDLE h = AsHandle(handle);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size) || size.QuadPart < 0) {
        CloseHandle(h);
        return false;
    }
    handle_ = handle;
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

bool ReadOnlyFile::isOpen() const { return handle_ != -1; }

bool ReadOnlyFile::readAt(std::uint64_t offset, void* dst, std::size_t count) {
    if (handle_ == -1) return false;
    if (offset > size_ || count > size_ - offset) return false;
    auto* out = static_cast<char*>(dst);
    while (count > 0) {
        const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        OVERLAPPED ov{};
        ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), out, chunk, &got, &ov) || got == 0) return false;
        out += got;
        offset += got;
        count -= got;
    }
    return true;
}

void ReadOnlyFile::close() {
    if (handle_ != -1) CloseHandle(AsHandle(handle_));
    handle_ = -1;
    size_ = 0;
}

}  // namespace vanto::platform
