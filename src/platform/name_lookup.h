// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The reverse-DNS name of an address, as the system's resolver gives it. The call blocks
// for as long as the resolver takes: callers run it on a worker thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/net_tables.h"

namespace vanto::platform {

// `family` kFamilyIPv4 (the address in the first four bytes, network order) or kFamilyIPv6.
// False when the address has no name (or the resolver could not be asked); the name comes
// back as the resolver gave it, untrusted.
bool ReverseLookup(std::uint8_t family, const Ip6Bytes& addr, std::string& name);

}  // namespace vanto::platform
