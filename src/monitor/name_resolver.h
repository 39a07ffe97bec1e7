// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Host names for remote addresses, looked up off the caller's thread. Asking never blocks:
// an address not yet known is queued and answered later. A few worker threads (at most four
// lookups at once, never two for the same address) run the lookup; answers, found and not
// found, are kept for a while. A name is untrusted input: it is cut to length and every byte
// outside printable ASCII is shown escaped.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/net_tables.h"

namespace vanto {

struct TIpAddress {
    std::uint8_t family = platform::kFamilyIPv4;
    platform::Ip6Bytes bytes{};  // IPv4: the four bytes first, network order

    friend bool operator==(const TIpAddress&, const TIpAddress&) = default;
};

// Longest name kept, as DNS allows.
inline constexpr std::size_t kMaxHostNameLength = 253;

// The name as it may be shown: at most kMaxHostNameLength bytes of it (an over-long one ends
// in "..."), every byte outside 0x21..0x7E written as "\xNN" and "\" as "\\".
std::string BoundedHostName(std::string_view raw);

class NameResolver {
public:
    // The lookup itself: the raw name, or nothing when the address has none. It runs on a
    // worker thread and may take as long as it likes; it must stay callable as long as any
    // lookup can still run, so it should own what it uses.
    using Lookup = std::function<std::optional<std::string>(const TIpAddress&)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    struct Settings {
        std::size_t max_in_flight = 4;
        std::chrono::seconds found_for{std::chrono::minutes(10)};
        std::chrono::seconds not_found_for{std::chrono::minutes(1)};
        std::size_t max_queued = 1024;   // addresses waiting beyond this are asked for again later
        std::size_t max_cached = 16384;  // answers beyond this make room by forgetting the expired ones, then all
    };

    enum class State { Pending, Found, NotFound };
    struct Answer {
        State state = State::Pending;
        std::string name;  // bounded, when Found
    };

    // The system's reverse lookup.
    static Lookup SystemLookup();

    explicit NameResolver(Lookup lookup);
    NameResolver(Lookup lookup, Settings settings, Clock clock = {});
    // Returns at once: lookups still running finish on their own and their answers are dropped.
    ~NameResolver();
    NameResolver(const NameResolver&) = delete;
    NameResolver& operator=(const NameResolver&) = delete;

    // The answer known for the address; an unknown or expired one is queued for a lookup (an
    // expired answer is still given until the new one arrives).
    Answer Get(const TIpAddress& address);
    // Called on a worker thread after each answer arrives (for a window to redraw), with the
    // resolver's lock held: it must be quick and must not call back into the resolver.
    void SetOnAnswer(std::function<void()> on_answer);
    // Waits until nothing is queued or running, or until the deadline; true when idle.
    bool WaitIdle(std::chrono::steady_clock::time_point deadline);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace vanto
