// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Profile strings: entries of an INI file read and written one at a time with the Windows
// profile functions' rules. Windows uses GetPrivateProfileString / WritePrivateProfileString;
// Linux reads and writes the same plain INI text itself.
//
// Rules on both: section and entry names compare case-insensitively (ASCII letters fold);
// names and texts are trimmed of surrounding blanks; a text enclosed in a matching pair of
// single or double quotes is read without them; the first of repeated sections or entries
// wins; a missing file reads as empty and is created by the first write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vanto::platform {

// The buffer sizes the settings transfer reads with.
inline constexpr std::size_t kProfileNamesBufferSize = 16384;
inline constexpr std::size_t kProfileTextBufferSize = 2048;

// Section names in file order: as many whole names as a buffer of `buffer_size` bytes holds,
// each name with its terminating NUL plus one final NUL. A name that would be cut is left out.
std::vector<std::string> ReadProfileSectionNames(const std::string& file,
                                                 std::size_t buffer_size = kProfileNamesBufferSize);

// Entry names of a section in file order, limited the same way.
std::vector<std::string> ReadProfileEntryNames(const std::string& file, const std::string& section,
                                               std::size_t buffer_size = kProfileNamesBufferSize);

// The text of an entry cut to buffer_size - 1 bytes; `default_text` (trailing blanks removed,
// cut the same way) when the file, the section or the entry is missing.
std::string ReadProfileText(const std::string& file, const std::string& section, const std::string& entry,
                            const std::string& default_text, std::size_t buffer_size = kProfileTextBufferSize);

// The text of an entry (read as ReadProfileText does) as an integer; `default_value` when the
// entry is missing or its text is not an integer (see ParseProfileInteger).
std::int32_t ReadProfileInteger(const std::string& file, const std::string& section, const std::string& entry,
                                std::int32_t default_value);

// Writes section / entry = text, creating the file, the section or the entry as needed and
// keeping every other line. False when the file cannot be written, and for names or texts the
// file could not give back: a line break anywhere, an empty or bracketed section name ("]"),
// an empty entry name or one holding "=" or starting with "[" or ";".
bool WriteProfileText(const std::string& file, const std::string& section, const std::string& entry,
                      const std::string& text);

// Writes every section / entry = text pair of `entries` in one go, by the rules of
// WriteProfileText: the file is read and replaced once however many there are (on Linux;
// Windows writes them one by one). A pair that cannot be written (see WriteProfileText) is
// skipped and its entry name added to `refused`; the others are still written. False when the
// file cannot be read or written.
bool WriteProfileEntries(const std::string& file, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries,
                         std::vector<std::string>& refused);

// A signed decimal integer in the 32-bit range, or hexadecimal after "$", "0x" or "0X" (an
// optional sign before it) of at most 32 bits, which reads as the signed 32-bit number of the
// same bits ("$FFFFFFFF" is -1). Surrounding blanks are allowed, nothing else.
bool ParseProfileInteger(std::string_view text, std::int32_t& value);

namespace profile_detail {
// Keeps the leading names that fit a list buffer of `buffer_size` bytes.
std::vector<std::string> FitNames(std::vector<std::string> names, std::size_t buffer_size);
// The rules of WriteProfileText for what can be written.
bool WritableSection(std::string_view section);
bool WritableEntry(std::string_view entry);
bool WritableText(std::string_view text);
// Trailing blanks removed, then cut to buffer_size - 1 bytes.
std::string DefaultText(const std::string& text, std::size_t buffer_size);
}  // namespace profile_detail

}  // namespace vanto::platform
