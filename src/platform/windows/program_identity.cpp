// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Windows programs are named by their version resources: there is no index to keep.

#include "platform/program_identity.h"

namespace vanto::platform {

bool FindProgramIdentity(const std::string&, ProgramIdentity& out, ProgramIdentityNeed) {
    out = {};
    return false;
}

std::uint64_t ProgramIdentityGeneration() { return 0; }

void StartProgramIdentityIndex(ProgramIdentityNeed) {}

void WaitForProgramIdentityIndex(ProgramIdentityNeed) {}

void RefreshProgramIdentityIndex(ProgramIdentityNeed) {}

void SetProgramIdentitySources(const ProgramIdentitySources&) {}

}  // namespace vanto::platform
