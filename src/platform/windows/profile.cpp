// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Profile strings on Windows: the system's profile functions (ANSI forms, so that texts stay
// in the ANSI code page).
#include "platform/profile.h"

#include <windows.h>

namespace vanto::platform {

namespace {

constexpr std::size_t kMaxListBuffer = std::size_t{16} * 1024 * 1024;

// Reads a NUL-separated name list with `read` (returning what the profile functions return),
// growing the buffer until the whole list fits, so that the limit applied afterwards keeps
// whole names only.
template <typename Read>
std::vector<std::string> ReadWholeList(Read read) {
    std::vector<char> buf(4096);
    for (;;) {
        DWORD n = read(buf.data(), static_cast<DWORD>(buf.size()));
        // A list that did not fit comes back cut, with the length size - 2.
        if (n + 2 < buf.size() || buf.size() >= kMaxListBuffer) {
            std::vector<std::string> names;
            std::size_t start = 0;
            for (std::size_t i = 0; i < n && i < buf.size(); ++i) {
                if (buf[i] == '\0') {
                    if (i > start) names.emplace_back(buf.data() + start, i - start);
                    start = i + 1;
                }
            }
            if (start < n && n < buf.size()) names.emplace_back(buf.data() + start, n - start);
            return names;
        }
        buf.assign(buf.size() * 4, '\0');
    }
}

}  // namespace

std::vector<std::string> ReadProfileSectionNames(const std::string& file, std::size_t buffer_size) {
    auto names = ReadWholeList([&](char* buf, DWORD size) {
        return GetPrivateProfileSectionNamesA(buf, size, file.c_str());
    });
    return profile_detail::FitNames(std::move(names), buffer_size);
}

std::vector<std::string> ReadProfileEntryNames(const std::string& file, const std::string& section,
                                               std::size_t buffer_size) {
    auto names = ReadWholeList([&](char* buf, DWORD size) {
        return GetPrivateProfileStringA(section.c_str(), nullptr, "", buf, size, file.c_str());
    });
    return profile_detail::FitNames(std::move(names), buffer_size);
}

std::string ReadProfileText(const std::string& file, const std::string& section, const std::string& entry,
                            const std::string& default_text, std::size_t buffer_size) {
    if (buffer_size == 0) return {};
    if (buffer_size > kMaxListBuffer) buffer_size = kMaxListBuffer;
    std::string buf(buffer_size, '\0');
    DWORD n = GetPrivateProfileStringA(section.c_str(), entry.c_str(), default_text.c_str(), buf.data(),
                                       static_cast<DWORD>(buf.size()), file.c_str());
    buf.resize(n < buf.size() ? n : buf.size() - 1);
    return buf;
}

bool WriteProfileText(const std::string& file, const std::string& section, const std::string& entry,
                      const std::string& text) {
    if (!profile_detail::WritableSection(section) || !profile_detail::WritableEntry(entry) ||
        !profile_detail::WritableText(text)) {
        return false;
    }
    return WritePrivateProfileStringA(section.c_str(), entry.c_str(), text.c_str(), file.c_str()) != FALSE;
}

bool WriteProfileEntries(const std::string& file, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries,
                         std::vector<std::string>& refused) {
    for (const auto& [entry, text] : entries) {
        if (!profile_detail::WritableSection(section) || !profile_detail::WritableEntry(entry) ||
            !profile_detail::WritableText(text)) {
            refused.push_back(entry);
            continue;
        }
        if (!WritePrivateProfileStringA(section.c_str(), entry.c_str(), text.c_str(), file.c_str())) return false;
    }
    return true;
}

}  // namespace vanto::platform
