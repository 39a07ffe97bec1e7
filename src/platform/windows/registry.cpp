// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The registry on Windows: the system's own, through the ANSI functions so that names and
// string data arrive in the ANSI code page like every other text of the core.
#include "platform/registry.h"

#include <windows.h>

namespace vanto::platform {

namespace {

HKEY RootHandle(RegRoot root) { return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

REGSAM ViewFlag(RegView view) {
    switch (view) {
        case RegView::View64:
            return KEY_WOW64_64KEY;
        case RegView::View32:
            return KEY_WOW64_32KEY;
        case RegView::Native:
            break;
    }
    return 0;
}

REGSAM AccessMask(RegAccess access) { return access == RegAccess::ReadWrite ? (KEY_READ | KEY_WRITE) : KEY_READ; }

// Splits "a\b\c\" into the parent path "a\b" and the last name "c".
bool SplitLast(const std::string& path, std::string& parent, std::string& last) {
    std::string p = path;
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (p.empty()) return false;
    auto pos = p.find_last_of('\\');
    if (pos == std::string::npos) {
        parent.clear();
        last = p;
    } else {
        parent = p.substr(0, pos);
        last = p.substr(pos + 1);
    }
    return !last.empty();
}

}  // namespace

struct RegKey::Impl {
    HKEY key = nullptr;
    ~Impl() {
        if (key != nullptr) RegCloseKey(key);
    }
};

RegKey::RegKey() = default;
RegKey::~RegKey() = default;
RegKey::RegKey(RegKey&& other) noexcept = default;
RegKey& RegKey::operator=(RegKey&& other) noexcept = default;

bool RegKey::Open(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    Close();
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootHandle(root), path.c_str(), 0, AccessMask(access) | ViewFlag(view), &key) != ERROR_SUCCESS) {
        return false;
    }
    impl_ = std::make_unique<Impl>();
    impl_->key = key;
    return true;
}

bool RegKey::Create(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    Close();
    HKEY key = nullptr;
    if (RegCreateKeyExA(RootHandle(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        AccessMask(access) | ViewFlag(view), nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    impl_ = std::make_unique<Impl>();
    impl_->key = key;
    return true;
}

bool RegKey::IsOpen() const { return impl_ != nullptr; }

void RegKey::Close() { impl_.reset(); }

bool RegKey::GetSubKeyNames(std::vector<std::string>& names) const {
    names.clear();
    if (!impl_) return false;
    for (DWORD index = 0;; ++index) {
        char name[kRegMaxKeyNameLength + 1];
        DWORD len = sizeof name;
        LONG rc = RegEnumKeyExA(impl_->key, index, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return true;
        if (rc == ERROR_MORE_DATA) continue;  // cannot happen with the registry's own limit
        if (rc != ERROR_SUCCESS) return false;
        names.emplace_back(name, len);
    }
}

bool RegKey::GetValueNames(std::vector<std::string>& names) const {
    names.clear();
    if (!impl_) return false;
    std::string name(kRegMaxValueNameLength + 1, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD len = static_cast<DWORD>(name.size());
        LONG rc = RegEnumValueA(impl_->key, index, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return true;
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return false;
        names.emplace_back(name.data(), len);
    }
}

bool RegKey::QueryInfo(std::size_t& sub_keys, std::size_t& values) const {
    sub_keys = values = 0;
    if (!impl_) return false;
    DWORD k = 0;
    DWORD v = 0;
    if (RegQueryInfoKeyA(impl_->key, nullptr, nullptr, nullptr, &k, nullptr, nullptr, &v, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS) {
        return false;
    }
    sub_keys = k;
    values = v;
    return true;
}

bool RegKey::ReadValue(const std::string& name, RegValue& value) const {
    if (!impl_) return false;
    std::string data(256, '\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG rc = RegQueryValueExA(impl_->key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            value.type = type;
            value.data = std::move(data);
            return true;
        }
        // The value may grow between two calls: ask again with the size it reports.
        if (rc != ERROR_MORE_DATA || size > kRegMaxValueSize) return false;
        data.assign(static_cast<std::size_t>(size) + 1, '\0');
    }
    return false;
}

bool RegKey::WriteValue(const std::string& name, const RegValue& value) {
    if (!impl_ || value.data.size() > kRegMaxValueSize) return false;
    return RegSetValueExA(impl_->key, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool RegKey::WriteValues(const std::vector<std::pair<std::string, RegValue>>& values) {
    bool all = true;
    for (const auto& [name, value] : values) all = WriteValue(name, value) && all;
    return all;
}

bool RegKey::DeleteValue(const std::string& name) {
    if (!impl_) return false;
    return RegDeleteValueA(impl_->key, name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> TakeRegistryNotices() { return {}; }  // the system keeps the registry

bool DeleteRegistryTree(RegRoot root, const std::string& path, RegView view) {
    std::string parent_path;
    std::string last;
    if (!SplitLast(path, parent_path, last)) return false;
    // Empty the key in the chosen view, then remove the key itself from its parent in that view.
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootHandle(root), path.c_str(), 0, KEY_READ | KEY_WRITE | DELETE | ViewFlag(view), &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    LONG rc = RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return false;
    HKEY parent = nullptr;
    if (RegOpenKeyExA(RootHandle(root), parent_path.c_str(), 0, KEY_READ | KEY_WRITE | ViewFlag(view), &parent) !=
        ERROR_SUCCESS) {
        return false;
    }
    rc = RegDeleteKeyExA(parent, last.c_str(), ViewFlag(view), 0);
    RegCloseKey(parent);
    return rc == ERROR_SUCCESS;
}

bool RemoveUserStoreIfEmpty() { return false; }  // the system's registry is never removed

int RemoveLeftoverRegistryTemporaryFiles(std::uint32_t) { return 0; }

}  // namespace vanto::platform
