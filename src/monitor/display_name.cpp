// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/display_name.h"

#include "platform/files.h"
#include "productinfo/U_OrvoFct.h"
#include "support/U_UnicodeUtils.h"

namespace vanto {

std::string DisplayName(const std::string& process_path) {
    if (FileExistsNotEmpty(platform::AnsiToWide(process_path))) return GetProductName(process_path);
    return process_path;
}

std::string DisplayName(const std::string& process_path, ProductInfoCache& cache) {
    std::string name;
    return cache.NameOfFile(process_path, name) ? name : process_path;
}

}  // namespace vanto
