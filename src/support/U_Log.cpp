// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/U_Log.h"

#include <ctime>
#include <filesystem>
#include <fstream>

#include "support/shell_utils.h"

namespace vanto {

namespace {

// A log file larger than this is not one of ours; loading stops there.
constexpr std::uintmax_t kMaxLoadBytes = 64u << 20;

std::string Stamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "[%y-%m-%d %H:%M:%S]", &tm);
    return buf;
}

std::filesystem::path FolderOf(const std::string& file_name) {
    return std::filesystem::path(file_name).parent_path();
}

}  // namespace

TKLog::TKLog(std::string file_name, bool verbose, std::int32_t max_lines, bool load_existing)
    : file_name_(std::move(file_name)), max_lines_(max_lines), verbose_(verbose) {
    if (!load_existing) return;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file_name_, ec)) return;
    std::ifstream in(file_name_, std::ios::binary);
    std::string line;
    std::uintmax_t read = 0;
    while (read < kMaxLoadBytes && std::getline(in, line)) {
        read += line.size() + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(line);
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
    std::error_code ec;
    const auto folder = FolderOf(file_name_);
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return;
    std::string text;
    for (const auto& l : lines_) {
        text += l;
        text += "\r\n";
    }
    std::ofstream out(file_name_, std::ios::binary | std::ios::trunc);
    if (!out) return;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void TKLog::OpenLog() {
    Save();
    ShellOpen(file_name_);
}

}  // namespace vanto
