// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/read_only_file.h"

#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vanto::platform {

ReadOnlyFile::~ReadOnlyFile() { close(); }

bool ReadOnlyFile::open(const std::string& path) {
    close();
    if (path.empty()) return false;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused just below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool ReadOnlyFile::open(const std::wstring& path) { return open(WideToAnsi(path)); }

bool ReadOnlyFile::isOpen() const { return handle_ >= 0; }

bool ReadOnlyFile::readAt(std::uint64_t offset, void* dst, std::size_t count) {
    if (handle_ < 0) return false;
    if (offset > size_ || count > size_ - offset) return false;
    auto* out = static_cast<char*>(dst);
    while (count > 0) {
        const ssize_t got = ::pread(static_cast<int>(handle_), out, count, static_cast<off_t>(offset));
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return false;  // the file shrank since it was opened
        out += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

void ReadOnlyFile::close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
    size_ = 0;
}

}  // namespace vanto::platform
