// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "update/C_TextStorage.h"

#include "support/text_utils.h"

namespace vanto {

TTextStorage::TTextStorage(std::vector<std::string> loaded) : items_(loaded), keys_(std::move(loaded)) {}

std::string TTextStorage::GetText(const std::string& key) const {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (!SameText(keys_[i], key)) continue;
        if (i >= items_.size() || items_[i] == "unused") return key;
        return items_[i];
    }
    return key;
}

}  // namespace vanto
