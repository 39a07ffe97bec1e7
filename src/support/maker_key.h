// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The maker key: "SOFTWARE\Ombrevale" under the current user, shared by the maker's programs.
// Each program records its executable's path there in a string value named after its title,
// so that the programs can find each other. Failures are silent.
#pragma once

#include <string>

namespace vanto {

// "SOFTWARE\" and the maker's name from the build, the one its per-user data folder carries.
std::string MakerKeyPath();

// Writes name = path into the maker key, creating the key when absent.
void RegisterProgramPath(const std::string& name, const std::string& path);
// The string value of that name; empty when it or the key cannot be read.
std::string GetRegisteredProgramPath(const std::string& name);
// Deletes the value of that name.
void UnregisterProgramPath(const std::string& name);

}  // namespace vanto
