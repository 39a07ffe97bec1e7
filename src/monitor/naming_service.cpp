// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/naming_service.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "monitor/display_name.h"
#include "productinfo/product_cache.h"

namespace vanto {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> g_running{0};

}  // namespace

struct NamingService::State {
    struct Known {
        std::string name;
        Clock::time_point named{};
        bool given_up = false;  // its naming hung: the file name stands in
    };

    std::mutex mutex;
    std::condition_variable wake;   // work queued, or stop
    std::condition_variable idle;   // a naming ended
    NamerFactory make_namer;
    std::unordered_map<std::string, Known> known;
    std::deque<std::string> queue;
    std::unordered_set<std::string> queued;
    // The path the current worker is naming and since when; empty when none.
    std::string current;
    Clock::time_point current_since{};
    std::uint64_t generation = 0;  // the worker of another generation was given up
    int given_up_workers = 0;
    int alive = 0;  // worker threads of this service still running
    bool stop = false;
};

NamingService::NamingService()
    : NamingService([] {
          auto cache = std::make_shared<ProductInfoCache>();
          return Namer([cache](const std::string& path) { return DisplayName(path, *cache); });
      }) {}

NamingService::NamingService(NamerFactory make_namer) : state_(std::make_shared<State>()) {
    state_->make_namer = std::move(make_namer);
    StartWorker();
}

NamingService::~NamingService() {
    std::unique_lock lock(state_->mutex);
    state_->stop = true;
    state_->wake.notify_all();
    // A naming under way may finish briefly; a hung one is left to end on its own (the
    // worker holds the state, not this object).
    state_->idle.wait_for(lock, std::chrono::seconds(2),
                          [&] { return state_->alive <= state_->given_up_workers; });
}

int NamingService::Running() { return g_running.load(); }

std::string NamingService::FileNameOf(const std::string& path) {
    const auto sep = path.find_last_of("/\\");
    if (sep == std::string::npos || sep + 1 >= path.size()) return path;
    return path.substr(sep + 1);
}

void NamingService::StartWorker() {
    const std::uint64_t generation = ++state_->generation;
    ++g_running;
    ++state_->alive;
    std::thread([state = state_, generation] {
        Namer namer;
        std::unique_lock lock(state->mutex);
        for (;;) {
            state->wake.wait(lock, [&] { return state->stop || generation != state->generation || !state->queue.empty(); });
            if (state->stop || generation != state->generation) break;
            std::string path = std::move(state->queue.front());
            state->queue.pop_front();
            state->queued.erase(path);
            state->current = path;
            state->current_since = Clock::now();
            lock.unlock();
            if (!namer) namer = state->make_namer();
            std::string name = namer(path);
            lock.lock();
            if (generation != state->generation) break;  // given up meanwhile: the answer is late
            state->current.clear();
            state->known[path] = State::Known{std::move(name), Clock::now(), false};
            state->idle.notify_all();
        }
        if (generation != state->generation) {
            --state->given_up_workers;
        } else {
            state->current.clear();
        }
        --state->alive;
        --g_running;
        state->idle.notify_all();
    }).detach();
}

std::string NamingService::NameOrFileName(const std::string& path) {
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(state_->mutex);
    State& s = *state_;
    // One file that never answers must not hold up every other name.
    if (!s.current.empty() && now - s.current_since > kHungAfter && s.given_up_workers < kMaxGivenUp) {
        s.known[s.current] = State::Known{FileNameOf(s.current), now, true};
        s.current.clear();
        ++s.given_up_workers;
        s.wake.notify_all();
        StartWorker();
    }
    const auto it = s.known.find(path);
    const bool fresh = it != s.known.end() &&
                       now - it->second.named < (it->second.given_up ? kRetryHungAfter : kRenameAfter);
    if (!fresh && s.current != path && s.queued.insert(path).second) {
        s.queue.push_back(path);
        s.wake.notify_one();
    }
    return it != s.known.end() ? it->second.name : FileNameOf(path);
}

bool NamingService::Pending(const std::string& path) const {
    std::lock_guard lock(state_->mutex);
    const auto it = state_->known.find(path);
    return it == state_->known.end() || it->second.given_up;
}

bool NamingService::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(state_->mutex);
    return state_->idle.wait_for(lock, timeout, [&] { return state_->queue.empty() && state_->current.empty(); });
}

}  // namespace vanto
