// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The parts of the system facts that are the same on every platform.
#include "platform/system_facts.h"

namespace vanto::platform {

bool Is64BitSystemFor(int process_bits, bool (*is_wow64)()) {
    // IsWow64 answers for a 32-bit process only; a 64-bit process is never hosted that way.
    return process_bits >= 64 || (is_wow64 != nullptr && is_wow64());
}

bool Is64BitSystem() { return Is64BitSystemFor(static_cast<int>(sizeof(void*) * 8), &IsWow64); }

}  // namespace vanto::platform
