// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Small text helpers shared by product identification, the details panel and the update
// check. Text is 8-bit (ANSI code page on Windows, UTF-8 on Linux); lengths, counts and
// positions are bytes. Case-insensitive comparisons fold the ASCII letters A-Z/a-z only:
// every byte of 0x80 and above must match exactly, so results never depend on the locale.
#pragma once

#include <string>
#include <string_view>

namespace vanto {

// Percent-encodes a query term byte by byte: a space becomes "%20"; A-Z, a-z, 0-9 and
// "-", ".", "_" are copied; every other byte becomes "%" and two upper-case hex digits.
// The bytes are encoded as they are (no conversion to UTF-8 first).
std::string UrlEncode(std::string_view text);

// True when both texts are equal, ASCII case-insensitively.
bool SameText(std::string_view a, std::string_view b);

// `text` with A-Z turned into a-z; every other byte unchanged.
std::string AsciiLowerCase(std::string_view text);

// True when `text` contains `sub`, ASCII case-insensitively. Note the order: the sub-text
// comes first. An empty sub-text gives false.
bool TextContains(std::string_view sub, std::string_view text);

// True when `text` begins with `prefix`, ASCII case-insensitively. An empty prefix gives true.
bool TextStartsWith(std::string_view text, std::string_view prefix);

// True when `text` ends with `suffix`, ASCII case-insensitively. An empty suffix gives true.
bool TextEndsWith(std::string_view text, std::string_view suffix);

// As TextStartsWith, but case-sensitive (bytes compared exactly).
bool StrStartsWith(std::string_view text, std::string_view prefix);

// The first `count` bytes of `text`; a negative count is taken as 0 and a count beyond the
// length as the length.
std::string LeftText(std::string_view text, int count);

// The last `count` bytes of `text`, clamped like LeftText.
std::string RightText(std::string_view text, int count);

// `text` without `prefix` when it starts with it (ASCII case-insensitive); otherwise
// `text` unchanged.
std::string RemovePrefixText(std::string_view text, std::string_view prefix);

// `text` without `suffix` when it ends with it (ASCII case-insensitive); otherwise `text`
// unchanged.
std::string RemoveSuffixText(std::string_view text, std::string_view suffix);

// The part of `text` before the first occurrence of `sub` (case-sensitive search); the
// whole text when `sub` does not occur. An empty `sub` never occurs.
std::string TextBefore(std::string_view text, std::string_view sub);

// The part of `text` after the first occurrence of `sub` (case-sensitive search); the
// whole text when `sub` does not occur. An empty `sub` never occurs.
std::string TextAfter(std::string_view text, std::string_view sub);

// 0 for an empty text; otherwise 1 plus the number of bytes of `text` that occur in
// `delimiters`. Every delimiter byte ends a word, so adjacent delimiters delimit empty
// words ("a  b" with delimiters " " has three words, the middle one empty).
int WordCount(std::string_view text, std::string_view delimiters);

// The word with 0-based `index`, counting words exactly as WordCount does; empty when
// there is no such word (negative or too large index) or when that word is empty.
std::string ExtractWord(std::string_view text, int index, std::string_view delimiters);

// `text` without leading and trailing blanks and control characters (bytes up to 0x20).
std::string TrimText(std::string_view text);

// Removes web addresses from the end of a text: while the text has more than one
// space-delimited word, a last word starting with "http://" is removed (and the rest
// trimmed), then likewise a last word starting with "https://" (prefixes ASCII
// case-insensitive). A single word is returned unchanged even when it is an address.
std::string StripTrailingUrls(std::string_view text);

// The file-name part of `path` (after the last "/", "\" or drive colon, on every platform,
// so Windows-style paths read from hives and resources split the same way on Linux)
// without its last extension: everything before the last "." of the name. A name without
// "." is returned whole; a name whose only "." is its first byte (".profile") gives "".
std::string FileNameNoExt(std::string_view path);

// The folder part of `path` with its trailing separator ("\" or "/", both on every platform,
// as Windows accepts "/" and Linux paths use nothing else); empty for a bare name.
std::string FolderWithSeparator(std::string_view path);

// "Yes" or "No".
std::string BoolToYesNo(bool value);

}  // namespace vanto
