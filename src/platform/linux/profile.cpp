// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Profile strings on Linux: a plain INI file read line by line. A write keeps every other line
// as it was (comments, blank lines, the line-break style) and replaces the file atomically
// while holding a lock on its folder, so a concurrent writer's entry is not lost.
#include "platform/profile.h"

#include "platform/linux/ini_text.h"
#include "platform/linux/posix_file_io.h"

#include <sys/stat.h>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace vanto::platform {

using linux_backend::Classify;
using linux_backend::IniText;
using linux_backend::Line;
using linux_backend::LineKind;
using linux_backend::ParseIni;
using linux_backend::RenderIni;
using linux_backend::kIniBlanks;

namespace {

constexpr std::size_t kMaxProfileSize = std::size_t{16} * 1024 * 1024;

// The file as it is now; false when it exists but cannot be read whole.
bool LoadIni(const std::string& file, IniText& ini) {
    std::string content;
    switch (posix_io::ReadBoundedFile(file, kMaxProfileSize, content)) {
        case posix_io::ReadResult::Ok:
            ini = ParseIni(content);
            return true;
        case posix_io::ReadResult::Missing:
            ini = IniText{};
            return true;
        case posix_io::ReadResult::TooLarge:
        case posix_io::ReadResult::Failed:
            break;
    }
    return false;
}

// Reads come one entry at a time: the last file parsed is kept while its identity (device,
// inode, size, modification time) is unchanged, so a transfer of n entries parses it once.
// Null when the file exists but cannot be read whole.
std::shared_ptr<const IniText> LoadIniForReading(const std::string& file) {
    struct Cached {
        std::string path;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        struct timespec mtime {};
        std::shared_ptr<const IniText> ini;
    };
    static std::mutex mutex;
    static Cached cached;
    struct stat st {};
    const bool known = ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    std::lock_guard lock(mutex);
    if (known && cached.path == file && cached.dev == st.st_dev && cached.ino == st.st_ino && cached.size == st.st_size &&
        cached.mtime.tv_sec == st.st_mtim.tv_sec && cached.mtime.tv_nsec == st.st_mtim.tv_nsec) {
        return cached.ini;
    }
    auto ini = std::make_shared<IniText>();
    if (!LoadIni(file, *ini)) return nullptr;
    if (known) cached = Cached{file, st.st_dev, st.st_ino, st.st_size, st.st_mtim, ini};
    return ini;
}

// Upper-cased ASCII, for telling repeated names apart in one pass.
std::string FoldKey(const std::string& name) {
    std::string key = name;
    for (char& c : key) c = FoldAscii(c);
    return key;
}

// Appends a name not seen before; false once the names no longer fit the buffer (the rest
// would be cut anyway, so the walk can stop).
bool AddUniqueName(std::vector<std::string>& names, std::unordered_set<std::string>& seen, std::size_t& used,
                   const std::string& name, std::size_t buffer_size) {
    if (!seen.insert(FoldKey(name)).second) return true;
    if (used + name.size() + 1 > buffer_size) return false;
    used += name.size() + 1;
    names.push_back(name);
    return true;
}

std::string EntryText(const Line& line) {
    const std::string& v = line.value;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

}  // namespace

std::vector<std::string> ReadProfileSectionNames(const std::string& file, std::size_t buffer_size) {
    const auto loaded = LoadIniForReading(file);
    if (!loaded) return {};
    const IniText& ini = *loaded;
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    std::size_t used = 1;  // the list's final NUL
    for (const auto& line : ini.lines) {
        if (line.kind != LineKind::Section) continue;
        if (!AddUniqueName(names, seen, used, line.name, buffer_size)) break;
    }
    return profile_detail::FitNames(std::move(names), buffer_size);
}

std::vector<std::string> ReadProfileEntryNames(const std::string& file, const std::string& section,
                                               std::size_t buffer_size) {
    const auto loaded = LoadIniForReading(file);
    if (!loaded) return {};
    const IniText& ini = *loaded;
    std::size_t header = ini.FindSection(std::string(Trim(section, kIniBlanks)));
    if (header == ini.lines.size()) return {};
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    std::size_t used = 1;  // the list's final NUL
    for (std::size_t i = header + 1, end = ini.SectionEnd(header); i < end; ++i) {
        const Line& line = ini.lines[i];
        if (line.kind != LineKind::Entry) continue;
        if (!AddUniqueName(names, seen, used, line.name, buffer_size)) break;
    }
    return profile_detail::FitNames(std::move(names), buffer_size);
}

std::string ReadProfileText(const std::string& file, const std::string& section, const std::string& entry,
                            const std::string& default_text, std::size_t buffer_size) {
    const auto loaded = LoadIniForReading(file);
    const Line* line = loaded ? loaded->FindEntry(std::string(Trim(section, kIniBlanks)), std::string(Trim(entry, kIniBlanks))) : nullptr;
    if (line == nullptr) return profile_detail::DefaultText(default_text, buffer_size);
    if (buffer_size == 0) return {};
    std::string text = EntryText(*line);
    if (text.size() > buffer_size - 1) text.resize(buffer_size - 1);
    return text;
}

bool WriteProfileText(const std::string& file, const std::string& section, const std::string& entry,
                      const std::string& text) {
    if (!profile_detail::WritableSection(section) || !profile_detail::WritableEntry(entry) ||
        !profile_detail::WritableText(text)) {
        return false;
    }
    const std::string sec(Trim(section, kIniBlanks));
    const std::string key(Trim(entry, kIniBlanks));
    if (sec.empty()) return false;

    // Best effort: a folder that cannot be locked (some network file systems) is still written.
    posix_io::ExclusiveLock lock;
    lock.LockFolder(posix_io::ParentFolder(file));

    IniText ini;
    if (!LoadIni(file, ini)) return false;  // never replace a file we could not read whole
    std::size_t header = ini.FindSection(sec);
    if (header == ini.lines.size()) {
        if (!ini.lines.empty() && !Trim(ini.lines.back().text, kIniBlanks).empty()) ini.lines.push_back(Line{});
        ini.lines.push_back(Classify("[" + sec + "]", false));
        ini.lines.push_back(Classify(key + "=" + text, true));
    } else {
        std::size_t end = ini.SectionEnd(header);
        std::size_t insert_at = header + 1;
        bool replaced = false;
        for (std::size_t i = header + 1; i < end; ++i) {
            Line& line = ini.lines[i];
            if (line.kind == LineKind::Entry && EqualsNoCase(line.name, key)) {
                if (line.value == Trim(text, kIniBlanks)) return true;  // already holds it
                const int eol = line.eol;
                line = Classify(line.name + "=" + text, true);
                line.eol = eol;
                replaced = true;
                break;
            }
            if (!Trim(line.text, kIniBlanks).empty()) insert_at = i + 1;
        }
        if (!replaced) ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(insert_at), Classify(key + "=" + text, true));
    }
    std::string out = RenderIni(ini);
    if (out.size() > kMaxProfileSize) return false;
    return posix_io::ReplaceFileAtomically(file, out, 0644, true);
}

bool WriteProfileEntries(const std::string& file, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries,
                         std::vector<std::string>& refused) {
    std::vector<std::pair<std::string, std::string>> wanted;
    for (const auto& [entry, text] : entries) {
        if (!profile_detail::WritableSection(section) || !profile_detail::WritableEntry(entry) ||
            !profile_detail::WritableText(text) || Trim(section, kIniBlanks).empty()) {
            refused.push_back(entry);
        } else {
            wanted.emplace_back(std::string(Trim(entry, kIniBlanks)), text);
        }
    }
    if (wanted.empty()) return true;
    const std::string sec(Trim(section, kIniBlanks));

    posix_io::ExclusiveLock lock;
    lock.LockFolder(posix_io::ParentFolder(file));
    IniText ini;
    if (!LoadIni(file, ini)) return false;  // never replace a file we could not read whole

    // One pass over the section, then one look-up per entry: linear in the file and the batch.
    std::size_t header = ini.FindSection(sec);
    if (header == ini.lines.size()) {
        if (!ini.lines.empty() && !Trim(ini.lines.back().text, kIniBlanks).empty()) ini.lines.push_back(Line{});
        ini.lines.push_back(Classify("[" + sec + "]", false));
        header = ini.lines.size() - 1;
    }
    const std::size_t end = ini.SectionEnd(header);
    std::size_t insert_at = header + 1;
    std::unordered_map<std::string, std::size_t> existing;  // folded name -> line
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line& line = ini.lines[i];
        if (line.kind == LineKind::Entry) existing.emplace(FoldKey(line.name), i);
        if (!Trim(line.text, kIniBlanks).empty()) insert_at = i + 1;
    }
    std::vector<Line> added;
    std::unordered_map<std::string, std::size_t> added_at;  // folded name -> index in `added`
    bool changed = false;
    for (const auto& [key, text] : wanted) {
        const std::string folded = FoldKey(key);
        if (const auto it = existing.find(folded); it != existing.end()) {
            Line& line = ini.lines[it->second];
            if (line.value == Trim(text, kIniBlanks)) continue;  // already holds it
            const int eol = line.eol;
            line = Classify(line.name + "=" + text, true);
            line.eol = eol;
            changed = true;
        } else if (const auto at = added_at.find(folded); at != added_at.end()) {
            added[at->second] = Classify(added[at->second].name + "=" + text, true);
        } else {
            added_at.emplace(folded, added.size());
            added.push_back(Classify(key + "=" + text, true));
            changed = true;
        }
    }
    if (!changed) return true;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(insert_at), std::make_move_iterator(added.begin()),
                     std::make_move_iterator(added.end()));
    const std::string out = RenderIni(ini);
    if (out.size() > kMaxProfileSize) return false;
    return posix_io::ReplaceFileAtomically(file, out, 0644, true);
}

}  // namespace vanto::platform
