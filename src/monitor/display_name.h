// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The text the connection list and the details panel show for a process: the product name
// of its executable when that file can be looked at, else the process path as it came.
#pragma once

#include <string>

#include "productinfo/product_cache.h"

namespace vanto {

// GetProductName of `process_path` when it names an existing file of more than 0 bytes (on
// Linux, a program without a version resource is named as its desktop entry names it);
// otherwise `process_path` unchanged (a bare executable name, or "?"). A bare name is
// looked up relative to the current folder, where it normally is not, so it stays as it is.
// Computed afresh on every call: nothing is cached.
std::string DisplayName(const std::string& process_path);

// The same, with the names kept in `cache` while the file stays the same.
std::string DisplayName(const std::string& process_path, ProductInfoCache& cache);

}  // namespace vanto
