// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/system_facts.h"

#include <atomic>

namespace vanto::platform {

namespace {
// -1: no override; 0 / 1: the answer. Atomic because workers name processes too.
std::atomic<int> g_wow64_override{-1};
}  // namespace

std::optional<bool> SetWow64Override(std::optional<bool> value) {
    const int old = g_wow64_override.exchange(value ? (*value ? 1 : 0) : -1);
    if (old < 0) return std::nullopt;
    return old == 1;
}

namespace detail {
std::optional<bool> Wow64Override() {
    const int v = g_wow64_override.load();
    if (v < 0) return std::nullopt;
    return v == 1;
}
}  // namespace detail

}  // namespace vanto::platform
