// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The program's small event log: lines held in memory newest first, capped, and written as
// a whole plain-text file (CR LF after every line, no byte-order mark, the same bytes on
// every platform) when the user opens it, when the log is destroyed and, in verbose mode,
// after every line, each time through a temporary file renamed over it. The log never
// reports its own failures.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace vanto {

class TKLog {
public:
    // Creates no file. With `load_existing` an existing file's lines are read as they stand.
    TKLog(std::string file_name, bool verbose, std::int32_t max_lines, bool load_existing);
    ~TKLog();
    TKLog(const TKLog&) = delete;
    TKLog& operator=(const TKLog&) = delete;

    // Level 0 "Verbose" (dropped unless verbose), 1 "Info", 2 "Error"; above 2 counts as 2.
    void Log(const std::string& message, int level);
    // Writes every line when the file's folder exists; creates no folder; errors swallowed.
    void Save();
    // Saves, then asks the shell to open the file.
    void OpenLog();

    std::int32_t ErrorCount() const { return error_count_; }
    const std::deque<std::string>& Lines() const { return lines_; }
    const std::string& FileName() const { return file_name_; }
    bool Verbose() const { return verbose_; }

private:
    std::int32_t error_count_ = 0;
    std::deque<std::string> lines_;  // newest first
    std::string file_name_;
    std::int32_t max_lines_;
    bool verbose_;
};

// Logging through an absent log does nothing, as callers expect.
inline void LogTo(TKLog* log, const std::string& message, int level) {
    if (log) log->Log(message, level);
}

}  // namespace vanto
