// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Whether the program may open its window: any of the display variables, set and not empty.

#include "platform/display.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vanto::platform {
namespace {

TEST(HasDisplay, AnyDisplayVariableThatIsNotEmpty) {
    const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* v = std::getenv(names[i])) saved[i] = v;
    auto set = [&](const char* display, const char* wayland, const char* qpa) {
        const char* values[] = {display, wayland, qpa};
        for (int i = 0; i < 3; ++i) {
            if (values[i] != nullptr) ::setenv(names[i], values[i], 1);
            else ::unsetenv(names[i]);
        }
    };
    set(nullptr, nullptr, nullptr);
    EXPECT_FALSE(HasDisplay());
    set("", "", "");
    EXPECT_FALSE(HasDisplay()) << "set but empty";
    set(":0", nullptr, nullptr);
    EXPECT_TRUE(HasDisplay());
    set(nullptr, "wayland-0", nullptr);
    EXPECT_TRUE(HasDisplay());
    set(nullptr, nullptr, "offscreen");
    EXPECT_TRUE(HasDisplay());
    for (int i = 0; i < 3; ++i) {
        if (saved[i]) ::setenv(names[i], saved[i]->c_str(), 1);
        else ::unsetenv(names[i]);
    }
}

}  // namespace
}  // namespace vanto::platform
