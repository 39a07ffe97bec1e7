// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linked into every Qt test program: before main, a private runtime folder of its own (0700,
// as a desktop session gives one) becomes $XDG_RUNTIME_DIR, and it is removed at exit. The
// one-copy rule keeps its lock and socket there only, so plain `ctest` works without a session,
// and tests running side by side (each test is a process of its own) never meet each other's
// copy. Windows uses a named pipe instead: nothing to do there.
#ifndef _WIN32

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
        pattern += "/vantoscope-test-runtime-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("no private runtime folder for the test");
            return;
        }
        path_ = pattern;
        ::setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
    }
    ~PrivateRuntimeFolder() {
        // remove_all never follows a link: only what the test left inside goes.
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
    PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;

private:
    std::string path_;
};

const PrivateRuntimeFolder kRuntime;

}  // namespace

#endif
