// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/maker_key.h"

#include "platform/build_info.h"
#include "platform/registry.h"

namespace vanto {

using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;

std::string MakerKeyPath() { return std::string("SOFTWARE\\") + build::kCompanyName; }

void RegisterProgramPath(const std::string& name, const std::string& path) {
    RegKey key;
    if (key.Create(RegRoot::CurrentUser, MakerKeyPath(), RegAccess::ReadWrite)) key.WriteString(name, path);
}

std::string GetRegisteredProgramPath(const std::string& name) {
    std::string path;
    RegKey key;
    if (key.Create(RegRoot::CurrentUser, MakerKeyPath(), RegAccess::Read) && !key.ReadString(name, path)) path.clear();
    return path;
}

void UnregisterProgramPath(const std::string& name) {
    RegKey key;
    if (key.Create(RegRoot::CurrentUser, MakerKeyPath(), RegAccess::ReadWrite)) key.DeleteValue(name);
}

}  // namespace vanto
