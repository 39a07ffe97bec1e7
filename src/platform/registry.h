// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The registry: keys under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE holding typed values.
// Windows uses the real registry. Linux keeps one per-user hive file and one machine-wide,
// read-only hive file in REGEDIT4 text (locations in docs/ARCHITECTURE.md).
//
// Names of keys and values compare case-insensitively (ASCII letters fold) and keep the case
// they were created with. Subkeys enumerate in the registry's sorted order, values in the
// order they were first written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vanto::platform {

enum class RegRoot { CurrentUser, LocalMachine };

// Native is what the process sees by default (a 32-bit process on 64-bit Windows sees the
// 32-bit view). View64 and View32 ask for one view explicitly (KEY_WOW64_64KEY / _32KEY).
// The 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE is its "Wow6432Node" subtree; everything
// else is shared between the views.
enum class RegView { Native, View64, View32 };

enum class RegAccess { Read, ReadWrite };

// Value types, numbered as the Windows registry numbers them. Types other than string and
// 32-bit integer are kept and reported by type but not interpreted.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// A value's type and its data bytes exactly as stored: a string value's data ends with its
// terminating NUL, a 32-bit integer is four little-endian bytes.
struct RegValue {
    std::uint32_t type = kRegNone;
    std::string data;

    static RegValue String(const std::string& text) {
        RegValue v;
        v.type = kRegSz;
        v.data = text;
        v.data.push_back('\0');
        return v;
    }
    static RegValue Dword(std::uint32_t number) {
        RegValue v;
        v.type = kRegDword;
        for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<char>((number >> (8 * i)) & 0xFFu));
        return v;
    }
    bool operator==(const RegValue&) const = default;
};

// Longest key name and value name the registry accepts.
inline constexpr std::size_t kRegMaxKeyNameLength = 255;
inline constexpr std::size_t kRegMaxValueNameLength = 16383;
// Largest value data read or written (bounds reads of untrusted data).
inline constexpr std::size_t kRegMaxValueSize = std::size_t{16} * 1024 * 1024;

// An open key. Paths are relative to the root, components separated by "\"; one trailing
// "\" is allowed; the empty path is the root itself. Every operation fails (false) on a
// key that is not open, that was deleted meanwhile, or that lacks the access it needs.
class RegKey {
public:
    RegKey();
    ~RegKey();
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens an existing key.
    bool Open(RegRoot root, const std::string& path, RegAccess access, RegView view = RegView::Native);
    // Opens a key, creating it and its missing parents first.
    bool Create(RegRoot root, const std::string& path, RegAccess access, RegView view = RegView::Native);
    bool IsOpen() const;
    void Close();

    bool GetSubKeyNames(std::vector<std::string>& names) const;
    bool GetValueNames(std::vector<std::string>& names) const;
    bool QueryInfo(std::size_t& sub_keys, std::size_t& values) const;

    // Any type. The empty name is the key's default value.
    bool ReadValue(const std::string& name, RegValue& value) const;
    // A REG_SZ value, up to its first NUL. False for every other type.
    bool ReadString(const std::string& name, std::string& text) const;
    // A REG_DWORD value of exactly four bytes.
    bool ReadDword(const std::string& name, std::uint32_t& number) const;

    bool WriteValue(const std::string& name, const RegValue& value);
    bool WriteString(const std::string& name, const std::string& text);
    bool WriteDword(const std::string& name, std::uint32_t number);
    // Writes each value as WriteValue would, in order, and is false when any of them could
    // not be written (the others are written all the same). On Linux the hive file changes
    // once for all of them instead of once per value.
    bool WriteValues(const std::vector<std::pair<std::string, RegValue>>& values);
    // False when the value does not exist.
    bool DeleteValue(const std::string& name);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What the settings store has had to tell the user since the last call, oldest first: a
// settings file that did not parse and was moved aside. Always empty on Windows.
std::vector<std::string> TakeRegistryNotices();

// Deletes the key with every subkey and value below it. False when the key does not exist,
// for the root itself, and when access is refused.
bool DeleteRegistryTree(RegRoot root, const std::string& path, RegView view = RegView::Native);

// Removes the current user's settings store when nobody's key or value is left in it (at most
// an empty "SOFTWARE"), so a portable copy leaves no file behind; never when anything else is
// in it or it could not be read. On Linux the hive file and its lock go, under the lock. On
// Windows the registry is the system's: nothing is removed. True when the store was removed.
bool RemoveUserStoreIfEmpty();

// Removes the temporary files that writes of the user's registry cut short by a crash left
// beside it (plain files of its own naming, at least `min_age_seconds` old); how many went.
// Windows: the system keeps its registry, nothing to do (0).
int RemoveLeftoverRegistryTemporaryFiles(std::uint32_t min_age_seconds);

}  // namespace vanto::platform
