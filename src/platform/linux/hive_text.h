// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A registry hive as REGEDIT4 text (not a platform service): the tree of keys and values, the
// parser of untrusted hive text and the writer whose output the parser reads back the same.
// Pure text in, text out, so the fuzzer and the tests feed it anything.
#pragma once

#include "platform/ascii_text.h"
#include "platform/registry.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vanto::platform::linux_backend {

inline constexpr std::size_t kMaxKeyDepth = 512;

struct NamedValue {
    std::string name;
    RegValue value;
};

struct KeyNode {
    std::string name;
    std::vector<NamedValue> values;
    std::map<std::string, std::unique_ptr<KeyNode>, NoCaseLess> subkeys;

    std::unique_ptr<KeyNode> Clone() const {
        auto copy = std::make_unique<KeyNode>();
        copy->name = name;
        copy->values = values;
        for (const auto& [k, child] : subkeys) copy->subkeys.emplace(k, child->Clone());
        return copy;
    }
    KeyNode* Child(const std::string& child_name) const {
        auto it = subkeys.find(child_name);
        return it == subkeys.end() ? nullptr : it->second.get();
    }
    KeyNode& ChildOrNew(const std::string& child_name) {
        auto& slot = subkeys[child_name];
        if (!slot) {
            slot = std::make_unique<KeyNode>();
            slot->name = child_name;
        }
        return *slot;
    }
    const NamedValue* FindValue(const std::string& value_name) const {
        for (const auto& v : values) {
            if (EqualsNoCase(v.name, value_name)) return &v;
        }
        return nullptr;
    }
    void SetValue(const std::string& value_name, const RegValue& value) {
        for (auto& v : values) {
            if (EqualsNoCase(v.name, value_name)) {
                v.value = value;
                return;
            }
        }
        values.push_back({value_name, value});
    }
};

bool ValidKeyName(const std::string& name);
bool ValidValueName(const std::string& name);

struct ParseOutcome {
    std::unique_ptr<KeyNode> root;
    std::string error;
};

// The tree of a hive whose keys lie under `root_name` ("HKEY_CURRENT_USER"); on failure no
// root, and `error` says which line is wrong and why.
ParseOutcome ParseHive(std::string_view text, const char* root_name);
// The REGEDIT4 text of a tree, subkeys in the registry's order, values in theirs.
std::string SerializeHive(const KeyNode& root, const char* root_name);

}  // namespace vanto::platform::linux_backend
