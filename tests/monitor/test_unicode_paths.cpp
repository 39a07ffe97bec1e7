// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Files in folders whose names the Windows ANSI code page cannot hold ("Ωmega", "日本"), and
// one it can ("café"): the version text, the product name and the process path work end to
// end on both backends. On Windows the 8-bit path of such a file is its short (8.3) form.
#include "monitor/process_identity.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "platform/read_only_file.h"
#include "productinfo/U_OrvoFct.h"
#include "support/U_UnicodeUtils.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#endif

using namespace vanto;
using namespace vanto::testing;
namespace fs = std::filesystem;

namespace {

struct FolderCase {
    const char8_t* name;
    bool in_western_code_page;  // held by Windows-1252
};

constexpr FolderCase kFolders[] = {{u8"\u03A9mega", false}, {u8"\u65E5\u672C", false}, {u8"caf\u00E9", true}};

Bytes ToolExe() {
    VersionInfoSpec spec = VersionWithStrings({{"CompanyName", "Ombrevale"},
                                               {"FileDescription", "Vantoscope network connection monitor"},
                                               {"FileVersion", "1.8.4.23"},
                                               {"ProductName", "Vantoscope"}});
    spec.fileVersionMS = 0x00010008;
    spec.fileVersionLS = 0x00040017;
    return BuildPeWithVersion(EncodeVersionInfo(spec)).bytes;  // PE32: no "(64 bits)" on 64-bit systems
}

// By the path itself: its 8-bit text (TempDir's names) cannot hold every name on Windows.
void WriteFile(const fs::path& file, const Bytes& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The platform's wide form of a path: UTF-16 on Windows; on Linux the code points of its
// UTF-8 bytes (path::wstring() would go through the C library's locale instead).
std::wstring WidePath(const fs::path& p) {
#ifdef _WIN32
    return p.wstring();
#else
    return platform::AnsiToWide(p.string());
#endif
}

std::uint64_t SizeThrough8BitPath(const std::string& path) {
    platform::ReadOnlyFile file;
    return file.open(path) ? file.size() : 0;
}

// A started copy of the wait_child helper; ends when the test lets go of its input.
class Child {
public:
    explicit Child(const fs::path& exe) {
#ifdef _WIN32
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE read_end = nullptr;
        if (!CreatePipe(&read_end, &input_, &sa, 0)) return;
        SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = read_end;
        si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::wstring command = L"\"" + exe.wstring() + L"\"";
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.wstring().c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                           nullptr, &si, &pi)) {
            process_ = pi.hProcess;
            CloseHandle(pi.hThread);
            pid = pi.dwProcessId;
        }
        CloseHandle(read_end);
#else
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        const std::string path = exe.string();
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, path.c_str(), &actions, nullptr, argv, environ) == 0)
            pid = static_cast<std::uint32_t>(child);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[0]);
        input_ = fds[1];
#endif
    }
    ~Child() {
#ifdef _WIN32
        if (input_ != nullptr) CloseHandle(input_);
        if (process_ != nullptr) {
            if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
            CloseHandle(process_);
        }
#else
        if (input_ >= 0) ::close(input_);
        if (pid != 0) ::waitpid(static_cast<pid_t>(pid), nullptr, 0);
#endif
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    std::uint32_t pid = 0;

private:
#ifdef _WIN32
    HANDLE input_ = nullptr;
    HANDLE process_ = nullptr;
#else
    int input_ = -1;
#endif
};

fs::path WaitChildProgram() {
#ifdef _WIN32
    const fs::path self(platform::AnsiToWide(platform::GetExecutablePath()));
#else
    const fs::path self(platform::GetExecutablePath());
#endif
    return self.parent_path() / VS_WAIT_CHILD_NAME;
}

}  // namespace

TEST(PathsOutsideCodePage, VersionTextAndProductNameOfAFile) {
    TempDir dir;
    for (const FolderCase& c : kFolders) {
        const fs::path file = dir.path() / fs::path(c.name) / "tool.exe";
        SCOPED_TRACE(file.string());
        WriteFile(file, ToolExe());
        const std::wstring wide = WidePath(file);

        // The wide path reaches the file directly.
        EXPECT_EQ(GetFileVersionText(wide), L"1.8.4.23");

        // The 8-bit path the platform gives for it opens the same file.
        const std::string narrow = platform::WideToAnsiPath(wide);
#ifdef _WIN32
        if (c.in_western_code_page && GetACP() == 1252) {
            EXPECT_EQ(narrow, platform::WideToAnsi(wide));  // held by the code page: the long name
        }
        EXPECT_EQ(narrow.find('?'), std::string::npos) << narrow;
#else
        EXPECT_EQ(narrow, file.string());  // the UTF-8 bytes themselves
#endif
        EXPECT_EQ(GetFileVersionText(narrow), "1.8.4.23");
        EXPECT_EQ(GetProductName(narrow), "Vantoscope");
        EXPECT_EQ(ReadVersionInfo(narrow).CompanyName, "Ombrevale");
    }
}

TEST(PathsOutsideCodePage, ProcessPathOpensTheProgram) {
    const fs::path helper = WaitChildProgram();
    ASSERT_TRUE(fs::exists(helper)) << helper.string();
    TempDir dir;
    for (const FolderCase& c : kFolders) {
        const fs::path folder = dir.path() / fs::path(c.name);
        fs::create_directories(folder);
        const fs::path copy = folder / helper.filename();
        fs::copy_file(helper, copy);
        SCOPED_TRACE(copy.string());

        Child child(copy);
        ASSERT_NE(child.pid, 0u);
        // Until the new process has loaded its image, only its bare list name is known.
        std::string path;
        for (int i = 0; i < 200; ++i) {
            path = GetProcessPath(child.pid);
            if (path.find(platform::kPathSeparator) != std::string::npos) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        // A full path (not the bare list name) that opens the program that runs.
        EXPECT_NE(path.find(platform::kPathSeparator), std::string::npos) << path;
        EXPECT_EQ(SizeThrough8BitPath(path), fs::file_size(copy)) << path;
        EXPECT_EQ(GetFileVersionText(path), "");  // found, and without a version resource
    }
}
