// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The change stamps both parts of the program index keep; the parts themselves are built in
// name_index.cpp and package_index.cpp.
#include "platform/linux/program_index.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

namespace vanto::platform {

IndexStamp StampOf(const std::string& path) {
    IndexStamp s;
    s.path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.size = static_cast<std::int64_t>(st.st_size);
    return s;
}

void IndexStamps::Start() {
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    built_at_ns = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool IndexStamps::Outdated() const {
    // File times advance in clock ticks of a few milliseconds: a change made in the same tick
    // as the one seen would keep the time, so a time that close to the build is not trusted.
    constexpr std::int64_t kTickNs = 50'000'000;
    return std::any_of(stamps.begin(), stamps.end(), [&](const IndexStamp& s) {
        const bool racy = s.exists && s.mtime_ns + kTickNs >= built_at_ns && s.mtime_ns <= built_at_ns + kTickNs;
        return racy || StampOf(s.path) != s;
    });
}

}  // namespace vanto::platform
