// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A regular file opened for positioned, bounded reads: the way the file parsers look at
// executables without loading them. Opening never blocks (a FIFO or a device is refused) and
// the file stays shareable for readers and writers, as other programs expect of a monitor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vanto::platform {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens `path` (platform 8-bit text). False when it does not exist, cannot be opened or
    // is not a regular file.
    bool open(const std::string& path);
    // The same for a wide path (platform/files.h), which on Windows reaches every file name,
    // also those the ANSI code page cannot hold.
    bool open(const std::wstring& path);
    bool isOpen() const;
    // The size found at open time.
    std::uint64_t size() const { return size_; }
    // Reads exactly `count` bytes at `offset`; false when the range passes the end of the
    // file or the read fails.
    bool readAt(std::uint64_t offset, void* dst, std::size_t count);
    void close();

private:
#ifdef _WIN32
    // Takes an opened handle when it is a regular file (closing it otherwise).
    bool adopt(std::intptr_t handle);
#endif

    std::intptr_t handle_ = -1;
    std::uint64_t size_ = 0;
};

}  // namespace vanto::platform
