// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The name resolver with a lookup the test controls: at most four lookups at once, one per
// address, asking never waits for a slow lookup, answers expire, hostile names are bounded.
#include "monitor/name_resolver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

using namespace vanto;
using namespace std::chrono_literals;

namespace {

TIpAddress V4(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    TIpAddress ip;
    ip.bytes[0] = a;
    ip.bytes[1] = b;
    ip.bytes[2] = c;
    ip.bytes[3] = d;
    return ip;
}

// Lookups that wait until the test opens the gate, counting how many run at once.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    int running = 0, most = 0, calls = 0;
    std::map<int, int> calls_for;  // last byte of the address -> calls

    NameResolver::Lookup Lookup(std::shared_ptr<Gate> self) {
        return [self](const TIpAddress& a) -> std::optional<std::string> {
            std::unique_lock lock(self->m);
            ++self->calls;
            ++self->calls_for[a.bytes[3]];
            self->most = std::max(self->most, ++self->running);
            self->cv.wait(lock, [&] { return self->open; });
            --self->running;
            if (a.bytes[3] % 2) return std::nullopt;
            return "host" + std::to_string(a.bytes[3]) + ".example";
        };
    }
    void Open() {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
    int Running() {
        std::lock_guard lock(m);
        return running;
    }
};

}  // namespace

TEST(NameResolver, AtMostFourAtOnceOnePerAddressAndAskingNeverWaits) {
    auto gate = std::make_shared<Gate>();
    NameResolver r(gate->Lookup(gate));
    // Ten addresses, each asked for three times while the lookups hang.
    for (int round = 0; round < 3; ++round)
        for (unsigned char i = 1; i <= 10; ++i) EXPECT_EQ(r.Get(V4(192, 0, 2, i)).state, NameResolver::State::Pending);
    for (int i = 0; i < 200 && gate->Running() < 4; ++i) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(gate->Running(), 4);
    EXPECT_FALSE(r.WaitIdle(std::chrono::steady_clock::now() + 20ms));  // still busy
    gate->Open();
    ASSERT_TRUE(r.WaitIdle(std::chrono::steady_clock::now() + 10s));
    EXPECT_EQ(gate->most, 4);
    EXPECT_EQ(gate->calls, 10);
    for (const auto& [addr, n] : gate->calls_for) EXPECT_EQ(n, 1) << addr;
    const auto found = r.Get(V4(192, 0, 2, 2));
    EXPECT_EQ(found.state, NameResolver::State::Found);
    EXPECT_EQ(found.name, "host2.example");
    EXPECT_EQ(r.Get(V4(192, 0, 2, 3)).state, NameResolver::State::NotFound);
    EXPECT_EQ(gate->calls, 10);  // answered from the cache
}

TEST(NameResolver, AnswersExpireFoundLaterThanNotFound) {
    auto now = std::make_shared<std::atomic<long long>>(0);
    std::atomic<int> calls{0};
    NameResolver::Settings s;
    s.found_for = 600s;
    s.not_found_for = 60s;
    NameResolver r(
        [&calls](const TIpAddress& a) -> std::optional<std::string> {
            ++calls;
            if (a.bytes[3] == 1) return std::string("one.example");
            return std::nullopt;
        },
        s, [now] { return std::chrono::steady_clock::time_point(std::chrono::seconds(now->load())); });
    auto settle = [&] { ASSERT_TRUE(r.WaitIdle(std::chrono::steady_clock::now() + 10s)); };
    r.Get(V4(10, 0, 0, 1));
    r.Get(V4(10, 0, 0, 2));
    settle();
    EXPECT_EQ(calls, 2);
    *now = 61;  // the "not found" is stale, the name is not
    EXPECT_EQ(r.Get(V4(10, 0, 0, 1)).name, "one.example");
    EXPECT_EQ(r.Get(V4(10, 0, 0, 2)).state, NameResolver::State::NotFound);  // the old answer until the new one
    settle();
    EXPECT_EQ(calls, 3);
    *now = 100;  // neither is stale
    r.Get(V4(10, 0, 0, 1));
    r.Get(V4(10, 0, 0, 2));
    settle();
    EXPECT_EQ(calls, 3);
    *now = 700;  // now the name too
    EXPECT_EQ(r.Get(V4(10, 0, 0, 1)).state, NameResolver::State::Found);
    settle();
    EXPECT_EQ(calls, 4);
}

TEST(NameResolver, AHangingLookupLeavesOthersAnsweredAndTheResolverGoesAway) {
    auto gate = std::make_shared<Gate>();
    std::atomic<int> answered{0};
    {
        auto inner = gate->Lookup(gate);
        NameResolver r([inner](const TIpAddress& a) -> std::optional<std::string> {
            if (a.bytes[3] == 99) return inner(a);  // this one hangs until the end
            return std::string("quick.example");
        });
        r.SetOnAnswer([&answered] { ++answered; });
        r.Get(V4(10, 0, 0, 99));
        for (unsigned char i = 1; i <= 5; ++i) r.Get(V4(10, 0, 0, i));
        for (int i = 0; i < 400 && answered < 5; ++i) std::this_thread::sleep_for(5ms);
        EXPECT_EQ(answered, 5);
        EXPECT_EQ(r.Get(V4(10, 0, 0, 5)).name, "quick.example");
        EXPECT_EQ(r.Get(V4(10, 0, 0, 99)).state, NameResolver::State::Pending);
        // Going away with a lookup still hanging returns at once.
    }
    gate->Open();  // the hung lookup ends later; its answer goes nowhere
    for (int i = 0; i < 400 && gate->Running() > 0; ++i) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(answered, 5);
}

TEST(BoundedHostName, HostileNamesAreEscapedAndCut) {
    EXPECT_EQ(BoundedHostName("www.example.org"), "www.example.org");
    EXPECT_EQ(BoundedHostName(std::string("evil\x1b[2J\n.example", 17)), "evil\\x1b[2J\\x0a.example");
    EXPECT_EQ(BoundedHostName("a b\\c\x7f\xe2\x80\xae"), "a\\x20b\\\\c\\x7f\\xe2\\x80\\xae");
    EXPECT_EQ(BoundedHostName(std::string("nul\0here", 8)), "nul\\x00here");
    const std::string longest(kMaxHostNameLength, 'a');
    EXPECT_EQ(BoundedHostName(longest), longest);
    const std::string cut = BoundedHostName(std::string(5000, 'b'));
    EXPECT_EQ(cut.size(), kMaxHostNameLength);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    // Never cut inside an escape.
    const std::string escapes = BoundedHostName(std::string(300, '\x01'));
    EXPECT_LE(escapes.size(), kMaxHostNameLength);
    EXPECT_EQ((escapes.size() - 3) % 4, 0u);
    EXPECT_EQ(escapes.substr(escapes.size() - 7), "\\x01...");
}

TEST(NameResolver, NamesFromTheLookupAreBoundedBeforeTheyAreKept) {
    NameResolver r([](const TIpAddress&) -> std::optional<std::string> { return std::string(1000, '\n'); });
    r.Get(V4(10, 1, 1, 1));
    ASSERT_TRUE(r.WaitIdle(std::chrono::steady_clock::now() + 10s));
    const auto a = r.Get(V4(10, 1, 1, 1));
    ASSERT_EQ(a.state, NameResolver::State::Found);
    EXPECT_LE(a.name.size(), kMaxHostNameLength);
    EXPECT_EQ(a.name.find('\n'), std::string::npos);
}
