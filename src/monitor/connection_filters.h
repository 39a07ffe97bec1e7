// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The two filters of the connection list: system processes (PID 0 or 4) and local
// connections (remote address text "127.0.0.1" or "0.0.0.0", or "::1" or "::" for IPv6). Shared by the window and the
// headless table so both show the same rows.
#pragma once

#include <string>

#include "monitor/connection_snapshot.h"

namespace vanto {

// Exact text comparison: 127.0.0.2 is not local.
bool IsLocalAddress(const std::string& address_text);
bool IsSystemProcess(const TConnection& c);
bool IsShown(const TConnection& c, bool show_system, bool show_local);

}  // namespace vanto
