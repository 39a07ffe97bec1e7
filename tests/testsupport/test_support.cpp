// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "testsupport/test_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace vanto::testing {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto name = "vanto-test-" + std::to_string(rd()) + "-" + std::to_string(counter++);
        auto p = fs::temp_directory_path() / name;
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path TempDir::write(const std::string& name, std::string_view content) const {
    auto p = path_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return p;
}

fs::path TempDir::write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    return write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

namespace {

void SetEnv(const std::string& name, const char* value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value : "");  // an empty value removes it
#else
    if (value) ::setenv(name.c_str(), value, 1);
    else ::unsetenv(name.c_str());
#endif
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    SetEnv(name_, value);
}

ScopedEnv::~ScopedEnv() { SetEnv(name_, old_ ? old_->c_str() : nullptr); }

std::uint32_t Ipv4Field(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    const unsigned char bytes[4] = {a, b, c, d};
    std::uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

std::uint32_t PortField(unsigned port) {
    return Ipv4Field(static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port & 0xFF), 0, 0);
}

bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

#ifndef _WIN32
bool RunInProcessesAtOnce(int processes, const std::function<bool(int process)>& work) {
    int go[2];
    if (::pipe(go) != 0) return false;
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(go[1]);
            char c = 0;
            const bool released = ::read(go[0], &c, 1) == 0;  // end of file once the parent closes its end
            ::_exit(released && work(p) ? 0 : 1);
        }
        if (pid > 0) children.push_back(pid);
    }
    ::close(go[0]);
    ::close(go[1]);
    bool all = static_cast<int>(children.size()) == processes;
    for (pid_t pid : children) {
        int status = 0;
        all = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && all;
    }
    return all;
}
#endif

fs::path fixture(const std::string& relative) { return fs::path(VS_FIXTURES_DIR) / relative; }

}  // namespace vanto::testing
