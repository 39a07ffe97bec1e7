// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A small store of a form's texts. Code asks for a text by the text the form was loaded
// with (its key), so replacing the texts later (another language, say) changes what every
// caller gets without touching the callers.
#pragma once

#include <string>
#include <vector>

namespace vanto {

class TTextStorage {
public:
    TTextStorage() = default;
    // The texts the form is loaded with; they also become the keys.
    explicit TTextStorage(std::vector<std::string> loaded);

    const std::vector<std::string>& Items() const { return items_; }
    // Replaces the texts but not the keys.
    void SetItems(std::vector<std::string> items) { items_ = std::move(items); }
    const std::vector<std::string>& Keys() const { return keys_; }

    // The text stored at the position of the first key equal to `key` (ASCII letters
    // compared without case); the key itself when there is none or the slot says "unused".
    std::string GetText(const std::string& key) const;

private:
    std::vector<std::string> items_;
    std::vector<std::string> keys_;
};

}  // namespace vanto
