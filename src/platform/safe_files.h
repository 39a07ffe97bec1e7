// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Writes and deletes that a link, a mount or a path swapped at the wrong moment cannot turn
// against another file: whole-file replacement through a temporary file and a rename, the
// removal of the temporary files an interrupted replacement left, and a folder clean-up that
// works through open folder handles and stays on its own file system.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vanto::platform {

// Replaces the file at `path` (8-bit text) with `content`: a temporary file beside it
// (".<name>.tmp-…"), then a rename over it. A link at `path` is replaced by the file; what it
// pointed at is never opened. An existing file keeps its permissions (a new one is private
// to the user on Linux). False when anything failed; the old file is then left as it was.
bool ReplaceFileContents(const std::string& path, const std::string& content);

// The prefix of the temporary files ReplaceFileContents (and the hive and ini writers) make
// for `file_name`: "." + file_name + ".tmp-".
std::string TemporaryNamePrefix(const std::string& file_name);

// Removes from `folder` the temporary files left by interrupted replacements of the files
// named in `file_names`: plain files (never links or folders) whose name starts with that
// file's temporary prefix and that were last written at least `min_age_seconds` ago (a
// younger one may belong to a write still under way). Returns how many went.
int RemoveLeftoverTemporaryFiles(const std::string& folder, const std::vector<std::string>& file_names,
                                 std::uint32_t min_age_seconds);

// Deletes the entries of `folder` whose names match `pattern` (a wildcard as a find-first
// search takes it: "*.*" every name, "*.SPK" names ending in ".SPK", letters folded),
// folders that match with what they hold that matches, then `folder` itself once empty.
// A link is removed itself, never entered; a folder on another mount (volume) is not entered
// or removed; every step works relative to an open handle of the folder above, so a folder
// swapped for a link during the clean-up cannot redirect it. `keep` is asked for every
// folder (by its path) before it is entered: true leaves it and all below it. When `folder`
// itself is a link, nothing is done: the link is not ours to judge.
void DeleteFolderTree(const std::string& folder, const std::string& pattern,
                      const std::function<bool(const std::string& folder)>& keep);

}  // namespace vanto::platform
