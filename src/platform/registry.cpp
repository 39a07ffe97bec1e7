// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The typed reads and writes of a key, the same on every platform: both backends deliver and
// take the raw bytes.
#include "platform/registry.h"

namespace vanto::platform {

bool RegKey::ReadString(const std::string& name, std::string& text) const {
    RegValue v;
    if (!ReadValue(name, v) || v.type != kRegSz) return false;
    text = v.data.substr(0, v.data.find('\0'));
    return true;
}

bool RegKey::ReadDword(const std::string& name, std::uint32_t& number) const {
    RegValue v;
    if (!ReadValue(name, v) || v.type != kRegDword || v.data.size() != 4) return false;
    number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
    return true;
}

bool RegKey::WriteString(const std::string& name, const std::string& text) {
    return WriteValue(name, RegValue::String(text));
}

bool RegKey::WriteDword(const std::string& name, std::uint32_t number) {
    return WriteValue(name, RegValue::Dword(number));
}

}  // namespace vanto::platform
