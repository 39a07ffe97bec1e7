// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The registry on Linux: two hive files in REGEDIT4 text, one per user (read and written) and
// one for the machine (read only). Every change takes the hive's lock, re-reads the file,
// applies itself and replaces the file atomically, so programs running at once lose nothing.
// A user hive that does not parse is moved aside whole, once, to a dated name beside it (never
// deleted, never overwritten); the user is told and the program goes on with a fresh hive. A
// hive that cannot be read is never written: the program sees it empty and says so once.
// The machine hive also takes in the drop-in files of /usr/share/ombrevale/registry.d (installed
// packages put their uninstall entries there) and of "registry.d" beside it (the
// administrator's), read only like the hive itself.
// This file is the key API; the files are kept by hive_store.h, their text read by hive_text.h.
#include "platform/registry.h"
#include "platform/safe_files.h"

#include "platform/linux/hive_store.h"
#include "platform/linux/hive_text.h"
#include "platform/linux/posix_file_io.h"

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace vanto::platform {

using linux_backend::HivePath;
using linux_backend::HiveSnapshot;
using linux_backend::HiveStore;
using linux_backend::KeyNode;
using linux_backend::kMaxKeyDepth;
using linux_backend::NamedValue;
using linux_backend::ValidKeyName;
using linux_backend::ValidValueName;

namespace {

// Splits a key path into its names: one trailing "\" is allowed, empty names are not.
bool SplitPath(const std::string& path, std::vector<std::string>& parts) {
    parts.clear();
    if (path.empty()) return true;
    std::string_view p = path;
    if (p.back() == '\\') p.remove_suffix(1);
    std::size_t start = 0;
    for (;;) {
        std::size_t bs = p.find('\\', start);
        std::string part(p.substr(start, bs == std::string_view::npos ? p.size() - start : bs - start));
        if (part.empty()) return false;
        parts.push_back(std::move(part));
        if (bs == std::string_view::npos) break;
        start = bs + 1;
    }
    return parts.size() <= kMaxKeyDepth;
}

// The 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE lives in its Wow6432Node subkey, as on 64-bit
// Windows; this process is native 64-bit, so the native view is the 64-bit one.
void ApplyView(RegRoot root, RegView view, std::vector<std::string>& parts) {
    if (root != RegRoot::LocalMachine || view != RegView::View32 || parts.empty()) return;
    if (!EqualsNoCase(parts[0], "SOFTWARE")) return;
    if (parts.size() >= 2 && EqualsNoCase(parts[1], "Wow6432Node")) return;
    parts.insert(parts.begin() + 1, "Wow6432Node");
}

KeyNode* Find(const KeyNode& root, const std::vector<std::string>& parts) {
    auto* node = const_cast<KeyNode*>(&root);
    for (const auto& part : parts) {
        node = node->Child(part);
        if (node == nullptr) return nullptr;
    }
    return node;
}

}  // namespace

struct RegKey::Impl {
    RegRoot root = RegRoot::CurrentUser;
    std::vector<std::string> parts;
    RegAccess access = RegAccess::Read;

    // The key in the hive as it is now; null when it was deleted meanwhile.
    bool Snapshot(HiveSnapshot& snap, const KeyNode*& node) const {
        snap = HiveStore::Instance().Load(root);
        node = Find(*snap.root, parts);
        return node != nullptr;
    }

    bool Modify(const std::function<HiveStore::Change(KeyNode&)>& edit) const {
        if (access != RegAccess::ReadWrite) return false;
        return HiveStore::Instance().Modify(root, [&](KeyNode& hive) {
            KeyNode* node = Find(hive, parts);
            return node == nullptr ? HiveStore::Change::Failed : edit(*node);
        });
    }
};

RegKey::RegKey() = default;
RegKey::~RegKey() = default;
RegKey::RegKey(RegKey&& other) noexcept = default;
RegKey& RegKey::operator=(RegKey&& other) noexcept = default;

bool RegKey::Open(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    Close();
    auto impl = std::make_unique<Impl>();
    impl->root = root;
    impl->access = access;
    if (!SplitPath(path, impl->parts)) return false;
    ApplyView(root, view, impl->parts);
    // Nobody writes the machine hive, so asking for write access there is refused.
    if (root == RegRoot::LocalMachine && access == RegAccess::ReadWrite) return false;
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl->Snapshot(snap, node)) return false;
    impl_ = std::move(impl);
    return true;
}

bool RegKey::Create(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    if (Open(root, path, access, view)) return true;
    if (root != RegRoot::CurrentUser) return false;
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) return false;
    ApplyView(root, view, parts);
    for (const auto& part : parts) {
        if (!ValidKeyName(part)) return false;
    }
    bool ok = HiveStore::Instance().Modify(root, [&](KeyNode& hive) {
        KeyNode* node = &hive;
        bool created = false;
        for (const auto& part : parts) {
            KeyNode* child = node->Child(part);
            if (child == nullptr) {
                child = &node->ChildOrNew(part);
                created = true;
            }
            node = child;
        }
        return created ? HiveStore::Change::Changed : HiveStore::Change::None;
    });
    if (!ok) return false;
    auto impl = std::make_unique<Impl>();
    impl->root = root;
    impl->access = access;
    impl->parts = std::move(parts);
    impl_ = std::move(impl);
    return true;
}

bool RegKey::IsOpen() const { return impl_ != nullptr; }

void RegKey::Close() { impl_.reset(); }

bool RegKey::GetSubKeyNames(std::vector<std::string>& names) const {
    names.clear();
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl_ || !impl_->Snapshot(snap, node)) return false;
    for (const auto& [k, child] : node->subkeys) names.push_back(child->name);
    return true;
}

bool RegKey::GetValueNames(std::vector<std::string>& names) const {
    names.clear();
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl_ || !impl_->Snapshot(snap, node)) return false;
    for (const auto& v : node->values) names.push_back(v.name);
    return true;
}

bool RegKey::QueryInfo(std::size_t& sub_keys, std::size_t& values) const {
    sub_keys = values = 0;
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl_ || !impl_->Snapshot(snap, node)) return false;
    sub_keys = node->subkeys.size();
    values = node->values.size();
    return true;
}

bool RegKey::ReadValue(const std::string& name, RegValue& value) const {
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl_ || !impl_->Snapshot(snap, node)) return false;
    const NamedValue* found = node->FindValue(name);
    if (found == nullptr) return false;
    value = found->value;
    return true;
}

bool RegKey::WriteValue(const std::string& name, const RegValue& value) {
    if (!impl_ || !ValidValueName(name) || value.data.size() > kRegMaxValueSize) return false;
    return impl_->Modify([&](KeyNode& node) {
        const NamedValue* old = node.FindValue(name);
        if (old != nullptr && old->value == value) return HiveStore::Change::None;
        node.SetValue(name, value);
        return HiveStore::Change::Changed;
    });
}

bool RegKey::WriteValues(const std::vector<std::pair<std::string, RegValue>>& values) {
    if (!impl_) return false;
    bool all = true;
    const bool written = impl_->Modify([&](KeyNode& node) {
        HiveStore::Change change = HiveStore::Change::None;
        for (const auto& [name, value] : values) {
            if (!ValidValueName(name) || value.data.size() > kRegMaxValueSize) {
                all = false;
                continue;
            }
            const NamedValue* old = node.FindValue(name);
            if (old != nullptr && old->value == value) continue;
            node.SetValue(name, value);
            change = HiveStore::Change::Changed;
        }
        return change;
    });
    return written && all;
}

bool RegKey::DeleteValue(const std::string& name) {
    if (!impl_) return false;
    return impl_->Modify([&](KeyNode& node) {
        return node.RemoveValue(name) ? HiveStore::Change::Changed : HiveStore::Change::Failed;
    });
}

int RemoveLeftoverRegistryTemporaryFiles(std::uint32_t min_age_seconds) {
    const std::string path = HivePath(RegRoot::CurrentUser);
    const auto slash = path.find_last_of('/');
    if (path.empty() || slash == std::string::npos) return 0;
    return RemoveLeftoverTemporaryFiles(posix_io::ParentFolder(path), {path.substr(slash + 1)}, min_age_seconds);
}

std::vector<std::string> TakeRegistryNotices() { return HiveStore::Instance().TakeNotices(); }

bool RemoveUserStoreIfEmpty() {
    return HiveStore::Instance().RemoveUserHiveIf([](const KeyNode& root) {
        if (!root.values.empty() || root.subkeys.size() > 1) return false;
        if (root.subkeys.empty()) return true;
        const KeyNode* software = root.Child("SOFTWARE");
        return software != nullptr && software->values.empty() && software->subkeys.empty();
    });
}

bool DeleteRegistryTree(RegRoot root, const std::string& path, RegView view) {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts) || parts.empty()) return false;
    ApplyView(root, view, parts);
    return HiveStore::Instance().Modify(root, [&](KeyNode& hive) {
        std::vector<std::string> parent_parts(parts.begin(), parts.end() - 1);
        KeyNode* parent = Find(hive, parent_parts);
        if (parent == nullptr || parent->subkeys.erase(parts.back()) == 0) return HiveStore::Change::Failed;
        return HiveStore::Change::Changed;
    });
}

}  // namespace vanto::platform