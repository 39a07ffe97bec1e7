// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The parts of the system facts that are the same on every platform.
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

bool Is64BitSystemFor(int process_bits, bool (*is_wow64)()) {
    // IsWow64 answers for a 32-bit process only; a 64-bit process is never hosted that way.
    return process_bits >= 64 || (is_wow64 != nullptr && is_wow64());
}

bool Is64BitSystem() { return Is64BitSystemFor(static_cast<int>(sizeof(void*) * 8), &IsWow64); }

}  // namespace vanto::platform
