// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Whether the program may open its window: a display server must answer where the display
// variables point, or Qt must have been told to use a platform that needs none.

#include "platform/display.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "testsupport/test_support.h"

namespace vanto::platform {
namespace {

using vanto::testing::ScopedEnv;
using vanto::testing::TempDir;

// A listening local socket, by path or (leading NUL) in the abstract namespace.
class Listener {
public:
    explicit Listener(const std::string& name) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, name.data(), name.size());
        ok_ = fd_ >= 0 &&
              ::bind(fd_, reinterpret_cast<sockaddr*>(&a),
                     static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size())) == 0 &&
              ::listen(fd_, 4) == 0;
    }
    ~Listener() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return ok_; }

private:
    int fd_ = -1;
    bool ok_ = false;
};

struct Displays {
    ScopedEnv x{"DISPLAY", nullptr};
    ScopedEnv wayland{"WAYLAND_DISPLAY", nullptr};
    ScopedEnv qpa{"QT_QPA_PLATFORM", nullptr};
};

TEST(HasDisplay, NoVariablesOrEmptyOnesMeanNoDisplay) {
    Displays d;
    EXPECT_FALSE(HasDisplay());
    EXPECT_EQ(DisplayUnavailableReason(), "no display found");
    ScopedEnv x("DISPLAY", ""), w("WAYLAND_DISPLAY", ""), q("QT_QPA_PLATFORM", "");
    EXPECT_FALSE(HasDisplay()) << "set but empty";
}

TEST(HasDisplay, AnXDisplayCountsOnlyWhenItsServerAnswers) {
    Displays d;
    // An abstract socket is what an X server on display 57013 listens on first; nothing
    // listens on 57014.
    Listener server(std::string(1, '\0') + "/tmp/.X11-unix/X57013");
    ASSERT_TRUE(server.ok());
    for (const char* display : {":57013", ":57013.0", "unix:57013"}) {
        ScopedEnv x("DISPLAY", display);
        EXPECT_TRUE(HasDisplay()) << display;
    }
    for (const char* display : {":57014", ":57014.0", "nonsense", ":", ":x1", "127.0.0.1:57014"}) {
        ScopedEnv x("DISPLAY", display);
        EXPECT_FALSE(HasDisplay()) << display;
        EXPECT_EQ(DisplayUnavailableReason(), std::string("the display ") + display + " cannot be opened");
    }
}

TEST(HasDisplay, WaylandSocketInTheRuntimeFolder) {
    Displays d;
    TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().string());
    ScopedEnv w("WAYLAND_DISPLAY", "wayland-test");
    EXPECT_FALSE(HasDisplay());
    EXPECT_EQ(DisplayUnavailableReason(), "the Wayland display wayland-test cannot be opened");
    Listener server((dir.path() / "wayland-test").string());
    ASSERT_TRUE(server.ok());
    EXPECT_TRUE(HasDisplay());
    // Asked for X alone, Qt would not use the Wayland socket.
    ScopedEnv q("QT_QPA_PLATFORM", "xcb");
    EXPECT_FALSE(HasDisplay());
    ScopedEnv q2("QT_QPA_PLATFORM", "xcb;wayland");
    EXPECT_TRUE(HasDisplay()) << "the second choice answers";
}

TEST(HasDisplay, PlatformsWithoutADisplayServerAreAlwaysUsable) {
    Displays d;
    ScopedEnv x("DISPLAY", ":57014");  // no server
    for (const char* qpa : {"offscreen", "minimal", "vnc:size=800x600", "xcb;offscreen"}) {
        ScopedEnv q("QT_QPA_PLATFORM", qpa);
        EXPECT_TRUE(HasDisplay()) << qpa;
    }
    ScopedEnv q("QT_QPA_PLATFORM", "xcb");
    EXPECT_FALSE(HasDisplay());
}

}  // namespace
}  // namespace vanto::platform
