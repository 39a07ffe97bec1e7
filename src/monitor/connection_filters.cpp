// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/connection_filters.h"

namespace vanto {

bool IsLocalAddress(const std::string& address_text) {
    return address_text == "127.0.0.1" || address_text == "0.0.0.0" || address_text == "::1" || address_text == "::";
}

bool IsSystemProcess(const TConnection& c) { return c.pid == 0 || c.pid == 4; }

bool IsShown(const TConnection& c, bool show_system, bool show_local) {
    return (!IsSystemProcess(c) || show_system) && (!IsLocalAddress(RemoteAddressText(c)) || show_local);
}

}  // namespace vanto
