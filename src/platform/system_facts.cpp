// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/system_facts.h"

#include <atomic>

namespace vanto::platform {

namespace {
// -1: ask the system; 0 or 1: the answer a test set.
std::atomic<int> g_wow64_override{-1};
}  // namespace

void SetWow64Override(std::optional<bool> wow64) { g_wow64_override = wow64 ? (*wow64 ? 1 : 0) : -1; }

bool IsWow64() {
    const int forced = g_wow64_override;
    return forced >= 0 ? forced == 1 : system_facts_detail::SystemIsWow64();
}

}  // namespace vanto::platform
