// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/U_Log.h"

#include <algorithm>
#include <ctime>

#include "platform/files.h"
#include "platform/read_only_file.h"
#include "platform/safe_files.h"
#include "platform/system_facts.h"
#include "support/U_UnicodeUtils.h"
#include "support/shell_utils.h"

namespace vanto {

namespace {

// A log file larger than this is not one of ours; loading stops there.
constexpr std::uint64_t kMaxLoadBytes = 64u << 20;

std::string Stamp() {
    const std::time_t now = std::time(nullptr);
    const std::tm tm = platform::LocalTime(now);
    char buf[32];
    std::strftime(buf, sizeof buf, "[%y-%m-%d %H:%M:%S]", &tm);
    return buf;
}

// The folder part of the file's path, without its last separator; empty when there is none.
// The path is 8-bit text in the program's code page, so it goes through the platform's own
// file functions, never through a conversion of the C library's choosing.
std::string FolderWithoutSeparator(const std::string& file_name) {
    std::size_t end = file_name.size();  // just past the last separator
    while (end > 0 && !platform::IsPathSeparator(file_name[end - 1])) --end;
    if (end == 0) return {};
    const std::size_t sep = end - 1;
    return sep == 0 ? file_name.substr(0, 1) : file_name.substr(0, sep);
}

}  // namespace

TKLog::TKLog(std::string file_name, bool verbose, std::int32_t max_lines, bool load_existing)
    : file_name_(std::move(file_name)), max_lines_(max_lines), verbose_(verbose) {
    if (!load_existing) return;
    platform::ReadOnlyFile in;
    if (!in.open(file_name_)) return;
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), kMaxLoadBytes));
    std::string text(size, '\0');
    if (size > 0 && !in.readAt(0, text.data(), size)) return;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(std::move(line));
        start = end + 1;
    }
}

TKLog::~TKLog() { Save(); }

void TKLog::Log(const std::string& message, int level) {
    if (level < 0) level = 0;  // no level below "Verbose"
    if (level == 0 && !verbose_) return;
    if (level > 2) level = 2;
    if (level == 2) ++error_count_;
    static const char* const kNames[] = {"Verbose", "Info", "Error"};
    lines_.push_front(std::string(kNames[level]) + "\t" + Stamp() + "\t" + message);
    if (static_cast<std::int64_t>(lines_.size()) > max_lines_) lines_.pop_back();
    if (verbose_) Save();
}

void TKLog::Save() {
    const std::string folder = FolderWithoutSeparator(file_name_);
    if (folder.empty() || !DirectoryExistsWide(platform::AnsiToWide(folder))) return;
    std::string text;
    for (const auto& l : lines_) {
        text += l;
        text += "\r\n";
    }
    // Never opened for writing in place: a link planted at the log's name (the program may
    // run with another user's folders) is replaced, its target left alone.
    platform::ReplaceFileContents(file_name_, text);
}

void TKLog::OpenLog() {
    Save();
    ShellOpen(file_name_);
}

}  // namespace vanto
