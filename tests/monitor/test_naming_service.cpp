// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Naming off the window's thread: the answer is immediate (the name once known, the file
// name before), the naming happens on a worker, and a file whose naming hangs holds up
// neither the caller nor the other names.
#include "monitor/naming_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using vanto::NamingService;
using namespace std::chrono_literals;

namespace {

// A namer whose file "/share/hung.exe" never answers until released.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool open = false;
    std::atomic<int> calls{0};
    std::atomic<std::thread::id> thread{};
};

NamingService::NamerFactory GatedNamer(const std::shared_ptr<Gate>& gate) {
    return [gate] {
        return NamingService::Namer([gate](const std::string& path) {
            ++gate->calls;
            gate->thread = std::this_thread::get_id();
            if (path == "/share/hung.exe") {
                std::unique_lock lock(gate->mutex);
                gate->cv.wait(lock, [&] { return gate->open; });
                return std::string("Late Name");
            }
            return "Product of " + NamingService::FileNameOf(path);
        });
    };
}

void Release(Gate& gate) {
    {
        std::lock_guard lock(gate.mutex);
        gate.open = true;
    }
    gate.cv.notify_all();
}

TEST(NamingService, AnswersAtOnceWithTheFileNameThenWithTheName) {
    auto gate = std::make_shared<Gate>();
    NamingService naming(GatedNamer(gate));
    EXPECT_EQ(naming.NameOrFileName("/opt/tool/tool.exe"), "tool.exe");
    EXPECT_EQ(naming.NameOrFileName("C:\\Apps\\app.exe"), "app.exe");
    EXPECT_EQ(naming.NameOrFileName("?"), "?");
    ASSERT_TRUE(naming.WaitUntilIdle(5s));
    EXPECT_EQ(naming.NameOrFileName("/opt/tool/tool.exe"), "Product of tool.exe");
    EXPECT_EQ(naming.NameOrFileName("C:\\Apps\\app.exe"), "Product of app.exe");
    EXPECT_NE(gate->thread.load(), std::this_thread::get_id()) << "named on another thread";
    const int calls = gate->calls;
    EXPECT_EQ(naming.NameOrFileName("/opt/tool/tool.exe"), "Product of tool.exe");
    EXPECT_EQ(gate->calls, calls) << "a fresh name is not worked out again";
    Release(*gate);
}

TEST(NamingService, AHungFileHoldsUpNeitherTheCallerNorTheOtherNames) {
    auto gate = std::make_shared<Gate>();
    NamingService naming(GatedNamer(gate));
    EXPECT_EQ(naming.NameOrFileName("/share/hung.exe"), "hung.exe");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(naming.NameOrFileName("/opt/b/other.exe"), "other.exe");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "the caller never waits for a file";

    // The refresh keeps asking; once the hung worker is given up a fresh one names the rest.
    std::string other;
    const auto deadline = std::chrono::steady_clock::now() + NamingService::kHungAfter + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
        other = naming.NameOrFileName("/opt/b/other.exe");
        if (other != "other.exe") break;
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(other, "Product of other.exe");
    EXPECT_EQ(naming.NameOrFileName("/share/hung.exe"), "hung.exe");

    // The late answer of the given-up worker is dropped, and that worker ends.
    Release(*gate);
    ASSERT_TRUE(naming.WaitUntilIdle(5s));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(naming.NameOrFileName("/share/hung.exe"), "hung.exe") << "not asked again for a while";
}

}  // namespace
