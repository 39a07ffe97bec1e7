// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/name_resolver.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/name_lookup.h"

namespace vanto {

std::string BoundedHostName(std::string_view raw) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    std::size_t whole = 0;  // length up to the end of the last piece that keeps room for "..."
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto b = static_cast<unsigned char>(raw[i]);
        if (b == '\\') out += "\\\\";
        else if (b > 0x20 && b < 0x7F) out += static_cast<char>(b);
        else out += {'\\', 'x', kHex[b >> 4], kHex[b & 0xF]};
        if (out.size() <= kMaxHostNameLength - 3) whole = out.size();
        if (out.size() > kMaxHostNameLength) {
            // Cut between pieces, never inside an escape.
            out.resize(whole);
            return out + "...";
        }
    }
    return out;
}

namespace {

struct AddressHash {
    std::size_t operator()(const TIpAddress& a) const {
        std::size_t h = a.family;
        for (const auto b : a.bytes) h = h * 131 + b;
        return h;
    }
};

}  // namespace

struct NameResolver::Shared {
    Lookup lookup;
    Settings settings;
    Clock clock;

    struct Entry {
        Answer answer;
        std::chrono::steady_clock::time_point expires;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<TIpAddress> queue;
    std::unordered_set<TIpAddress, AddressHash> waiting;  // queued or being looked up
    std::unordered_map<TIpAddress, Entry, AddressHash> cache;
    std::size_t workers = 0;  // threads alive
    std::size_t running = 0;  // lookups in progress
    bool stopped = false;
    std::function<void()> on_answer;

    std::chrono::steady_clock::time_point Now() const { return clock ? clock() : std::chrono::steady_clock::now(); }

    // One worker: takes addresses until none is left, then ends.
    static void Work(const std::shared_ptr<Shared>& self) {  // std::thread holds a copy: it lives as long as the thread
        std::unique_lock lock(self->mutex);
        while (!self->stopped && !self->queue.empty()) {
            const TIpAddress address = self->queue.front();
            self->queue.pop_front();
            ++self->running;
            lock.unlock();
            std::optional<std::string> name;
            try {
                name = self->lookup(address);
            } catch (...) {
                name.reset();  // a lookup that throws has found nothing
            }
            lock.lock();
            --self->running;
            self->waiting.erase(address);
            self->changed.notify_all();
            if (!self->stopped) {
                Entry e;
                if (name && !name->empty()) {
                    e.answer = {State::Found, BoundedHostName(*name)};
                    e.expires = self->Now() + self->settings.found_for;
                } else {
                    e.answer = {State::NotFound, {}};
                    e.expires = self->Now() + self->settings.not_found_for;
                }
                self->MakeRoom();
                self->cache[address] = std::move(e);
                // Under the lock: once the resolver is gone, no call is on its way.
                if (self->on_answer) self->on_answer();
            }
        }
        --self->workers;
        self->changed.notify_all();
    }

    void MakeRoom() {
        if (cache.size() < settings.max_cached) return;
        const auto now = Now();
        std::erase_if(cache, [&](const auto& kv) { return kv.second.expires <= now; });
        if (cache.size() >= settings.max_cached) cache.clear();
    }
};

NameResolver::Lookup NameResolver::SystemLookup() {
    return [](const TIpAddress& a) -> std::optional<std::string> {
        std::string name;
        if (!platform::ReverseLookup(a.family, a.bytes, name)) return std::nullopt;
        return name;
    };
}

NameResolver::NameResolver(Lookup lookup) : NameResolver(std::move(lookup), Settings()) {}

NameResolver::NameResolver(Lookup lookup, Settings settings, Clock clock) : shared_(std::make_shared<Shared>()) {
    shared_->lookup = std::move(lookup);
    shared_->settings = settings;
    if (shared_->settings.max_in_flight == 0) shared_->settings.max_in_flight = 1;
    shared_->clock = std::move(clock);
}

NameResolver::~NameResolver() {
    std::lock_guard lock(shared_->mutex);
    shared_->stopped = true;
    shared_->queue.clear();
    shared_->on_answer = nullptr;
    shared_->changed.notify_all();
}

NameResolver::Answer NameResolver::Get(const TIpAddress& address) {
    Shared& s = *shared_;
    std::lock_guard lock(s.mutex);
    Answer answer;
    const auto it = s.cache.find(address);
    const bool fresh = it != s.cache.end() && it->second.expires > s.Now();
    if (it != s.cache.end()) answer = it->second.answer;
    if (fresh || s.waiting.count(address) || s.queue.size() >= s.settings.max_queued) return answer;
    s.waiting.insert(address);
    s.queue.push_back(address);
    if (s.workers < s.settings.max_in_flight && s.workers < s.queue.size() + s.running) {
        ++s.workers;
        std::thread(&Shared::Work, shared_).detach();
    }
    return answer;
}

void NameResolver::SetOnAnswer(std::function<void()> on_answer) {
    std::lock_guard lock(shared_->mutex);
    shared_->on_answer = std::move(on_answer);
}

bool NameResolver::WaitIdle(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(shared_->mutex);
    return shared_->changed.wait_until(lock, deadline, [&] {
        return shared_->queue.empty() && shared_->running == 0;
    });
}

}  // namespace vanto
