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
#include <unordered_map>
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
    // Position in `values` of each value by its upper-cased name, once the key holds enough
    // values for a scan per look-up to cost: a key of 100,000 values is read and written in
    // linear time. Kept by SetValue and RemoveValue, the only writers of `values` once set up.
    std::unordered_map<std::string, std::size_t> value_index;

    static constexpr std::size_t kIndexFrom = 32;

    std::unique_ptr<KeyNode> Clone() const {
        auto copy = std::make_unique<KeyNode>();
        copy->name = name;
        copy->values = values;
        copy->value_index = value_index;
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
        if (IndexInUse()) {
            const auto it = value_index.find(Folded(value_name));
            return it == value_index.end() ? nullptr : &values[it->second];
        }
        for (const auto& v : values) {
            if (EqualsNoCase(v.name, value_name)) return &v;
        }
        return nullptr;
    }
    void SetValue(const std::string& value_name, const RegValue& value) {
        if (values.size() >= kIndexFrom && !IndexInUse()) RebuildIndex();
        if (IndexInUse()) {
            const auto [it, added] = value_index.emplace(Folded(value_name), values.size());
            if (added) values.push_back({value_name, value});
            else values[it->second].value = value;
            return;
        }
        for (auto& v : values) {
            if (EqualsNoCase(v.name, value_name)) {
                v.value = value;
                return;
            }
        }
        values.push_back({value_name, value});
    }
    // False when there is no value of that name.
    bool RemoveValue(const std::string& value_name) {
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (EqualsNoCase(it->name, value_name)) {
                values.erase(it);
                value_index.clear();  // positions moved; rebuilt when next needed
                return true;
            }
        }
        return false;
    }

private:
    bool IndexInUse() const { return !value_index.empty() && value_index.size() == values.size(); }
    void RebuildIndex() {
        value_index.clear();
        value_index.reserve(values.size() * 2);
        for (std::size_t i = 0; i < values.size(); ++i) value_index.emplace(Folded(values[i].name), i);
    }
    static std::string Folded(std::string_view text) {
        std::string out(text);
        for (char& c : out) c = FoldAscii(c);
        return out;
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
// The same into `out`, given up (false, `out` emptied) as soon as the text would pass
// `limit` bytes: a tree of deep keys with long names spells long paths, and its text is never
// built whole only to be refused.
bool SerializeHive(const KeyNode& root, const char* root_name, std::size_t limit, std::string& out);

}  // namespace vanto::platform::linux_backend
