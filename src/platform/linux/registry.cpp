// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The registry on Linux: two hive files in REGEDIT4 text, one per user (read and written) and
// one for the machine (read only). Every change takes the hive's lock, re-reads the file,
// applies itself and replaces the file atomically, so programs running at once lose nothing.
// A user hive that does not parse is moved aside whole, once, to a dated name beside it (never
// deleted, never overwritten); the user is told and the program goes on with a fresh hive. A
// hive that cannot be read is never written: the program sees it empty and says so once.
// The machine hive also takes in the drop-in files of /usr/share/ombrevale/registry.d (installed
// packages put their uninstall entries there) and of "registry.d" beside it (the
// administrator's), read only like the hive itself.
#include "platform/registry.h"

#include "platform/build_info.h"
#include "platform/linux/posix_file_io.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace vanto::platform {

namespace {

constexpr std::size_t kMaxHiveSize = std::size_t{16} * 1024 * 1024;
constexpr std::size_t kMaxKeyDepth = 512;
// A change waits this long for another program's change to the hive, then fails.
constexpr int kLockTimeoutMs = 3000;
constexpr const char* kHiveHeader = "REGEDIT4";

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// The registry's subkey order: names compared with ASCII letters upper-cased, byte by byte.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            auto x = static_cast<unsigned char>(FoldAscii(a[i]));
            auto y = static_cast<unsigned char>(FoldAscii(b[i]));
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

struct NamedValue {
    std::string name;
    RegValue value;
};

struct KeyNode {
    std::string name;
    std::vector<NamedValue> values;
    std::map<std::string, std::unique_ptr<KeyNode>, NoCaseLess> subkeys;

    std::unique_ptr<KeyNode> Clone() const {
        auto copy = std::make_unique<KeyNode>();
        copy->name = name;
        copy->values = values;
        for (const auto& [k, child] : subkeys) copy->subkeys.emplace(k, child->Clone());
        return copy;
    }
    KeyNode* Child(const std::string& child_name) const {
        auto it = subkeys.find(child_name);
        return it == subkeys.end() ? nullptr : it->second.get();
    }
    KeyNode& ChildOrNew(const std::string& child_name) {
        auto& slot = subkeys[child_name];
        if (!slot) {
            slot = std::make_unique<KeyNode>();
            slot->name = child_name;
        }
        return *slot;
    }
    const NamedValue* FindValue(const std::string& value_name) const {
        for (const auto& v : values) {
            if (EqualsNoCase(v.name, value_name)) return &v;
        }
        return nullptr;
    }
    void SetValue(const std::string& value_name, const RegValue& value) {
        for (auto& v : values) {
            if (EqualsNoCase(v.name, value_name)) {
                v.value = value;
                return;
            }
        }
        values.push_back({value_name, value});
    }
};

bool ValidKeyName(const std::string& name) {
    if (name.empty() || name.size() > kRegMaxKeyNameLength) return false;
    for (char c : name) {
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

bool ValidValueName(const std::string& name) {
    if (name.size() > kRegMaxValueNameLength) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

const char* RootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// ---------------------------------------------------------------------------------------------
// REGEDIT4 text

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses a quoted text starting at s[pos] == '"'; only \\ and \" are escapes. On success pos
// is just past the closing quote.
bool ParseQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\') {
            if (pos >= s.size() || (s[pos] != '\\' && s[pos] != '"')) return false;
            out.push_back(s[pos++]);
        } else {
            out.push_back(c);
        }
    }
    return false;
}

bool ParseHexList(std::string_view list, std::string& out) {
    out.clear();
    list = TrimView(list);
    if (list.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = list.find(',', start);
        std::string_view item = TrimView(list.substr(start, comma == std::string_view::npos ? list.size() - start : comma - start));
        if (item.empty() || item.size() > 2) return false;
        int value = 0;
        for (char c : item) {
            int d = HexDigit(c);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        out.push_back(static_cast<char>(value));
        if (out.size() > kRegMaxValueSize) return false;
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

struct ParseOutcome {
    std::unique_ptr<KeyNode> root;
    std::string error;
};

ParseOutcome ParseHive(std::string_view text, const char* root_name) {
    ParseOutcome result;
    auto root = std::make_unique<KeyNode>();
    root->name = root_name;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }

    auto fail = [&](std::size_t line, const std::string& why) {
        result.error = "line " + std::to_string(line + 1) + ": " + why;
        return std::move(result);
    };

    bool header_seen = false;
    KeyNode* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = TrimView(lines[i]);
        if (line.empty()) continue;
        if (!header_seen) {
            if (line != kHiveHeader) return fail(i, "the file does not start with REGEDIT4");
            header_seen = true;
            continue;
        }
        if (line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) return fail(i, "unterminated key line");
            std::string_view inner = line.substr(1, line.size() - 2);
            if (inner.front() == '-') return fail(i, "key deletions are not allowed in a hive");
            std::size_t depth = 0;
            KeyNode* node = nullptr;
            std::size_t start = 0;
            for (;;) {
                std::size_t bs = inner.find('\\', start);
                std::string part(inner.substr(start, bs == std::string_view::npos ? inner.size() - start : bs - start));
                if (node == nullptr) {
                    if (!EqualsNoCase(part, root_name)) return fail(i, "key outside " + std::string(root_name));
                    node = root.get();
                } else {
                    if (!ValidKeyName(part) || ++depth > kMaxKeyDepth) return fail(i, "invalid key name");
                    node = &node->ChildOrNew(part);
                }
                if (bs == std::string_view::npos) break;
                start = bs + 1;
            }
            current = node;
            continue;
        }

        // A value line: @=data or "name"=data.
        if (current == nullptr) return fail(i, "value outside any key");
        std::size_t pos = 0;
        std::string name;
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() == '"') {
            if (!ParseQuoted(line, pos, name)) return fail(i, "bad value name");
            if (!ValidValueName(name)) return fail(i, "invalid value name");
        } else {
            return fail(i, "unrecognised line");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') return fail(i, "missing '='");
        std::string_view data = TrimView(line.substr(pos + 1));

        RegValue value;
        if (!data.empty() && data.front() == '"') {
            std::size_t p = 0;
            std::string s;
            if (!ParseQuoted(data, p, s) || !TrimView(data.substr(p)).empty()) return fail(i, "bad string");
            value = RegValue::String(s);
        } else if (data.substr(0, 6) == "dword:") {
            std::string_view digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) return fail(i, "bad dword");
            std::uint32_t n = 0;
            for (char c : digits) {
                int d = HexDigit(c);
                if (d < 0) return fail(i, "bad dword");
                n = n * 16 + static_cast<std::uint32_t>(d);
            }
            value = RegValue::Dword(n);
        } else if (data.substr(0, 3) == "hex") {
            std::uint32_t type = kRegBinary;
            std::size_t p = 3;
            if (p < data.size() && data[p] == '(') {
                std::size_t close = data.find(')', p);
                if (close == std::string_view::npos || close == p + 1 || close - p - 1 > 8) return fail(i, "bad type");
                type = 0;
                for (std::size_t k = p + 1; k < close; ++k) {
                    int d = HexDigit(data[k]);
                    if (d < 0) return fail(i, "bad type");
                    type = type * 16 + static_cast<std::uint32_t>(d);
                }
                p = close + 1;
            }
            if (p >= data.size() || data[p] != ':') return fail(i, "bad hex value");
            std::string hex(data.substr(p + 1));
            // A trailing backslash continues the byte list on the next line.
            while (!hex.empty() && hex.back() == '\\') {
                hex.pop_back();
                if (i + 1 >= lines.size()) return fail(i, "continuation at end of file");
                hex += std::string(TrimView(lines[++i]));
                if (hex.size() > 3 * kRegMaxValueSize + 16) return fail(i, "value too large");
            }
            value.type = type;
            if (!ParseHexList(hex, value.data)) return fail(i, "bad hex bytes");
        } else {
            return fail(i, "unrecognised value data");
        }
        current->SetValue(name, value);
    }
    result.root = std::move(root);
    return result;
}

void AppendQuoted(std::string& out, const std::string& s) {
    out.push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// A REG_SZ whose text can stand between quotes: one terminating NUL and no control bytes.
bool PlainString(const RegValue& v) {
    if (v.type != kRegSz || v.data.empty() || v.data.back() != '\0') return false;
    for (std::size_t i = 0; i + 1 < v.data.size(); ++i) {
        if (static_cast<unsigned char>(v.data[i]) < 0x20) return false;
    }
    return true;
}

void AppendValue(std::string& out, const NamedValue& nv) {
    static const char* kHex = "0123456789abcdef";
    if (nv.name.empty()) {
        out.push_back('@');
    } else {
        AppendQuoted(out, nv.name);
    }
    out.push_back('=');
    const RegValue& v = nv.value;
    if (PlainString(v)) {
        AppendQuoted(out, v.data.substr(0, v.data.size() - 1));
    } else if (v.type == kRegDword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
        out += buf;
    } else {
        if (v.type == kRegBinary) {
            out += "hex:";
        } else {
            char buf[24];
            std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
            out += buf;
        }
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            auto b = static_cast<unsigned char>(v.data[i]);
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
            if (i + 1 < v.data.size()) {
                out.push_back(',');
                if ((i + 1) % 25 == 0) out += "\\\n  ";
            }
        }
    }
    out.push_back('\n');
}

void AppendKey(std::string& out, const KeyNode& node, const std::string& path, bool is_root) {
    if (!is_root || !node.values.empty()) {
        out += "[" + path + "]\n";
        for (const auto& v : node.values) AppendValue(out, v);
        out.push_back('\n');
    }
    for (const auto& [name, child] : node.subkeys) AppendKey(out, *child, path + "\\" + child->name, false);
}

std::string SerializeHive(const KeyNode& root, const char* root_name) {
    std::string out = std::string(kHiveHeader) + "\n\n";
    AppendKey(out, root, root_name, true);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Hive files

std::string HivePath(RegRoot root) {
    if (root == RegRoot::CurrentUser) {
        const char* over = std::getenv("VANTOSCOPE_USER_HIVE");
        if (over != nullptr && over[0] != '\0') return over;
        std::string config;
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        if (xdg != nullptr && xdg[0] == '/') {
            config = xdg;
        } else {
            std::string home = posix_io::HomeFolder();
            if (home.empty()) return {};
            config = home + "/.config";
        }
        return config + "/" + build::kCompanyName + "/registry.reg";
    }
    const char* over = std::getenv("VANTOSCOPE_MACHINE_HIVE");
    if (over != nullptr && over[0] != '\0') return over;
    return "/etc/ombrevale/registry.reg";
}

// The drop-in folder of installed packages (files they own and remove with themselves).
// VANTOSCOPE_PACKAGE_REGISTRY_D names another; a machine hive named by VANTOSCOPE_MACHINE_HIVE
// stands alone with its own "registry.d" unless a package folder is named too, so that tests
// never see what is installed on the machine.
std::string PackageDropInFolder() {
    const char* over = std::getenv("VANTOSCOPE_PACKAGE_REGISTRY_D");
    if (over != nullptr && over[0] != '\0') return over;
    const char* hive = std::getenv("VANTOSCOPE_MACHINE_HIVE");
    if (hive != nullptr && hive[0] != '\0') return {};
    return "/usr/share/ombrevale/registry.d";
}

struct FileIdentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtime_sec = 0;
    long mtime_nsec = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity Identify(const std::string& path) {
    FileIdentity id;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        id.exists = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtime_sec = st.st_mtim.tv_sec;
        id.mtime_nsec = st.st_mtim.tv_nsec;
    }
    return id;
}

// A parsed hive as last read. `usable` is false for a file that could not be read or parsed:
// its view is empty and it must not be written.
struct HiveSnapshot {
    std::shared_ptr<const KeyNode> root;
    bool usable = true;
    bool unparsable = false;  // read whole, but not a hive
};

// "<hive>.unparsable-2026-12-10", or with "-2", "-3" ... when that name is taken: a free
// name beside the hive, so nothing is ever overwritten. Empty when none could be made.
std::string MoveAside(const std::string& path) {
    char date[16] = "undated";
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (::localtime_r(&now, &tm) != nullptr) std::strftime(date, sizeof date, "%Y-%m-%d", &tm);
    const std::string base = path + ".unparsable-" + date;
    for (int n = 1; n < 100; ++n) {
        std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
        // link() never replaces an existing name; the hive is then unlinked from its own.
        if (::link(path.c_str(), aside.c_str()) == 0) {
            if (::unlink(path.c_str()) == 0) return aside;
            ::unlink(aside.c_str());
            return {};
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

class HiveStore {
public:
    static HiveStore& Instance() {
        static HiveStore store;
        return store;
    }

    HiveSnapshot Load(RegRoot root) {
        std::string path = HivePath(root);
        HiveSnapshot snap;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            snap = LoadLocked(root, path, false, false);
            if (root == RegRoot::LocalMachine && !path.empty()) snap = WithDropIns(root, path, snap);
        }
        if (!snap.unparsable || root != RegRoot::CurrentUser) return snap;
        // Moving it aside needs the lock a change holds, so that no change is lost.
        posix_io::ExclusiveLock lock;
        if (!lock.LockFile(path + ".lock", kLockTimeoutMs)) return snap;
        std::lock_guard<std::mutex> guard(mutex_);
        return LoadLocked(root, path, true, true);
    }

    std::vector<std::string> TakeNotices() {
        std::lock_guard<std::mutex> guard(mutex_);
        return std::exchange(notices_, {});
    }

    enum class Change { None, Changed, Failed };

    // Applies `edit` to the current contents of the user hive under its file lock and writes
    // the result. Returns false when the edit failed or the hive could not be read or written.
    bool Modify(RegRoot root, const std::function<Change(KeyNode&)>& edit) {
        if (root != RegRoot::CurrentUser) return false;  // the machine hive is read only
        std::string path = HivePath(root);
        if (path.empty()) return false;
        std::string folder = posix_io::ParentFolder(path);
        if (!posix_io::MakeFolders(folder, 0700)) return false;
        posix_io::ExclusiveLock lock;
        // Another program holding it for longer is stuck: fail this change, do not freeze.
        if (!lock.LockFile(path + ".lock", kLockTimeoutMs)) return false;

        std::lock_guard<std::mutex> guard(mutex_);
        // What another program wrote a moment ago may share size and time with what we saw:
        // a change always reads the file afresh.
        HiveSnapshot snap = LoadLocked(root, path, true, true);
        if (!snap.usable) return false;
        std::unique_ptr<KeyNode> copy = snap.root->Clone();
        Change change = edit(*copy);
        if (change == Change::Failed) return false;
        if (change == Change::None) return true;
        std::string text = SerializeHive(*copy, RootName(root));
        if (text.size() > kMaxHiveSize) return false;  // it could never be read back
        if (!posix_io::ReplaceFileAtomically(path, text, 0600, false)) return false;
        Entry& e = cache_[path];
        e.id = Identify(path);
        e.snap.root = std::shared_ptr<const KeyNode>(std::move(copy));
        e.snap.usable = true;
        return true;
    }

private:
    struct Entry {
        FileIdentity id;
        HiveSnapshot snap;
    };

    // `fresh`: read the file even when it looks unchanged. `locked`: the hive's file lock is
    // held, so an unparsable user hive may be moved aside.
    HiveSnapshot LoadLocked(RegRoot root, const std::string& path, bool fresh, bool locked) {
        auto empty = [&] {
            auto node = std::make_shared<KeyNode>();
            node->name = RootName(root);
            return node;
        };
        if (path.empty()) return {empty(), false};
        FileIdentity id = Identify(path);
        auto it = cache_.find(path);
        if (!fresh && it != cache_.end() && it->second.id == id) return it->second.snap;

        std::string content;
        HiveSnapshot snap;
        switch (posix_io::ReadBoundedFile(path, kMaxHiveSize, content)) {
            case posix_io::ReadResult::Missing:
                snap = {empty(), true};
                break;
            case posix_io::ReadResult::TooLarge:
                Complain(path, "larger than 16 MiB");
                snap = {empty(), false};
                break;
            case posix_io::ReadResult::Failed:
                Complain(path, "cannot be read");
                snap = {empty(), false};
                break;
            case posix_io::ReadResult::Ok: {
                ParseOutcome parsed = ParseHive(content, RootName(root));
                if (parsed.root) {
                    snap = {std::shared_ptr<const KeyNode>(std::move(parsed.root)), true};
                } else if (locked && root == RegRoot::CurrentUser) {
                    const std::string aside = MoveAside(path);
                    if (aside.empty()) {
                        Complain(path, "does not parse (" + parsed.error + ") and cannot be moved aside");
                        snap = {empty(), false};
                    } else {
                        Tell(std::string("The settings file ") + path + " could not be read (" + parsed.error +
                             "); it was moved aside to " + aside + " and " + build::kProductName +
                             " goes on with fresh settings.");
                        snap = {empty(), true};
                        id = Identify(path);
                    }
                } else {
                    snap = {empty(), false, true};
                    if (root != RegRoot::CurrentUser) Complain(path, "does not parse (" + parsed.error + ")");
                }
                break;
            }
        }
        // The identity is taken before the read; a change in between shows at the next load.
        cache_[path] = Entry{id, snap};
        return snap;
    }

    // The drop-in files of the folder "registry.d" beside the hive, "*.reg" in name order,
    // each merged over the hive and the ones before it. A drop-in that does not parse is left
    // out (and said once); the merged view is rebuilt only when one of the files changed.
    HiveSnapshot WithDropIns(RegRoot root, const std::string& hive_path, const HiveSnapshot& hive) {
        constexpr std::size_t kMaxDropIns = 256;
        // The packages' folder first, then the administrator's beside the hive, whose files win.
        std::vector<std::string> files;
        for (const std::string& folder : {PackageDropInFolder(), posix_io::ParentFolder(hive_path) + "/registry.d"}) {
            if (folder.empty()) continue;
            std::vector<std::string> here;
            if (DIR* dir = ::opendir(folder.c_str())) {
                while (const dirent* de = ::readdir(dir)) {
                    const std::string name = de->d_name;
                    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".reg") == 0 && name.front() != '.') {
                        std::string file = folder;
                        file += '/';
                        file += name;
                        here.push_back(std::move(file));
                    }
                }
                ::closedir(dir);
            }
            std::sort(here.begin(), here.end());
            files.insert(files.end(), here.begin(), here.end());
        }
        if (files.empty()) return hive;
        if (files.size() > kMaxDropIns) files.resize(kMaxDropIns);

        std::vector<FileIdentity> ids = {Identify(hive_path)};
        for (const auto& f : files) ids.push_back(Identify(f));
        if (merged_.snap.root && merged_.hive_path == hive_path && merged_.files == files && merged_.ids == ids)
            return merged_.snap;

        std::unique_ptr<KeyNode> view = hive.root->Clone();
        for (const auto& f : files) {
            const HiveSnapshot part = LoadLocked(root, f, false, false);
            if (part.usable) Merge(*view, *part.root);
        }
        merged_ = Merged{hive_path, files, ids, HiveSnapshot{std::shared_ptr<const KeyNode>(std::move(view)), hive.usable}};
        return merged_.snap;
    }

    static void Merge(KeyNode& into, const KeyNode& from) {
        for (const auto& v : from.values) into.SetValue(v.name, v.value);
        for (const auto& [name, child] : from.subkeys) Merge(into.ChildOrNew(child->name), *child);
    }

    void Complain(const std::string& path, const std::string& why) {
        if (!complained_.insert(path).second) return;
        std::fprintf(stderr, "%s: the registry file %s %s; going on without its contents and leaving it untouched\n",
                     build::kProductName, path.c_str(), why.c_str());
    }

    // Said to the user: on standard error at once, in the window through TakeRegistryNotices.
    void Tell(const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", build::kProductName, text.c_str());
        notices_.push_back(text);
    }

    struct Merged {
        std::string hive_path;
        std::vector<std::string> files;
        std::vector<FileIdentity> ids;
        HiveSnapshot snap;
    };

    std::mutex mutex_;
    std::map<std::string, Entry> cache_;
    Merged merged_;
    std::set<std::string> complained_;
    std::vector<std::string> notices_;
};

// Splits a key path into its names: one trailing "\" is allowed, empty names are not.
bool SplitPath(const std::string& path, std::vector<std::string>& parts) {
    parts.clear();
    if (path.empty()) return true;
    std::string_view p = path;
    if (p.back() == '\\') p.remove_suffix(1);
    std::size_t start = 0;
    for (;;) {
        std::size_t bs = p.find('\\', start);
        std::string part(p.substr(start, bs == std::string_view::npos ? p.size() - start : bs - start));
        if (part.empty()) return false;
        parts.push_back(std::move(part));
        if (bs == std::string_view::npos) break;
        start = bs + 1;
    }
    return parts.size() <= kMaxKeyDepth;
}

// The 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE lives in its Wow6432Node subkey, as on 64-bit
// Windows; this process is native 64-bit, so the native view is the 64-bit one.
void ApplyView(RegRoot root, RegView view, std::vector<std::string>& parts) {
    if (root != RegRoot::LocalMachine || view != RegView::View32 || parts.empty()) return;
    if (!EqualsNoCase(parts[0], "SOFTWARE")) return;
    if (parts.size() >= 2 && EqualsNoCase(parts[1], "Wow6432Node")) return;
    parts.insert(parts.begin() + 1, "Wow6432Node");
}

KeyNode* Find(const KeyNode& root, const std::vector<std::string>& parts) {
    auto* node = const_cast<KeyNode*>(&root);
    for (const auto& part : parts) {
        node = node->Child(part);
        if (node == nullptr) return nullptr;
    }
    return node;
}

}  // namespace

struct RegKey::Impl {
    RegRoot root = RegRoot::CurrentUser;
    std::vector<std::string> parts;
    RegAccess access = RegAccess::Read;

    // The key in the hive as it is now; null when it was deleted meanwhile.
    bool Snapshot(HiveSnapshot& snap, const KeyNode*& node) const {
        snap = HiveStore::Instance().Load(root);
        node = Find(*snap.root, parts);
        return node != nullptr;
    }

    bool Modify(const std::function<HiveStore::Change(KeyNode&)>& edit) const {
        if (access != RegAccess::ReadWrite) return false;
        return HiveStore::Instance().Modify(root, [&](KeyNode& hive) {
            KeyNode* node = Find(hive, parts);
            return node == nullptr ? HiveStore::Change::Failed : edit(*node);
        });
    }
};

RegKey::RegKey() = default;
RegKey::~RegKey() = default;
RegKey::RegKey(RegKey&& other) noexcept = default;
RegKey& RegKey::operator=(RegKey&& other) noexcept = default;

bool RegKey::Open(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    Close();
    auto impl = std::make_unique<Impl>();
    impl->root = root;
    impl->access = access;
    if (!SplitPath(path, impl->parts)) return false;
    ApplyView(root, view, impl->parts);
    // Nobody writes the machine hive, so asking for write access there is refused.
    if (root == RegRoot::LocalMachine && access == RegAccess::ReadWrite) return false;
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl->Snapshot(snap, node)) return false;
    impl_ = std::move(impl);
    return true;
}

bool RegKey::Create(RegRoot root, const std::string& path, RegAccess access, RegView view) {
    if (Open(root, path, access, view)) return true;
    if (root != RegRoot::CurrentUser) return false;
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) return false;
    ApplyView(root, view, parts);
    for (const auto& part : parts) {
        if (!ValidKeyName(part)) return false;
    }
    bool ok = HiveStore::Instance().Modify(root, [&](KeyNode& hive) {
        KeyNode* node = &hive;
        bool created = false;
        for (const auto& part : parts) {
            KeyNode* child = node->Child(part);
            if (child == nullptr) {
                child = &node->ChildOrNew(part);
                created = true;
            }
            node = child;
        }
        return created ? HiveStore::Change::Changed : HiveStore::Change::None;
    });
    if (!ok) return false;
    auto impl = std::make_unique<Impl>();
    impl->root = root;
    impl->access = access;
    impl->parts = std::move(parts);
    impl_ = std::move(impl);
    return true;
}

bool RegKey::IsOpen() const { return impl_ != nullptr; }

void RegKey::Close() { impl_.reset(); }

bool RegKey::GetSubKeyNames(std::vector<std::string>& names) const {
    names.clear();
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl_ || !impl_->Snapshot(snap, node)) return false;
    for (const auto& [k, child] : node->subkeys) names.push_back(child->name);
    return true;
}

bool RegKey::GetValueNames(std::vector<std::string>& names) const {
    names.clear();
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl_ || !impl_->Snapshot(snap, node)) return false;
    for (const auto& v : node->values) names.push_back(v.name);
    return true;
}

bool RegKey::QueryInfo(std::size_t& sub_keys, std::size_t& values) const {
    sub_keys = values = 0;
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl_ || !impl_->Snapshot(snap, node)) return false;
    sub_keys = node->subkeys.size();
    values = node->values.size();
    return true;
}

bool RegKey::ReadValue(const std::string& name, RegValue& value) const {
    HiveSnapshot snap;
    const KeyNode* node = nullptr;
    if (!impl_ || !impl_->Snapshot(snap, node)) return false;
    const NamedValue* found = node->FindValue(name);
    if (found == nullptr) return false;
    value = found->value;
    return true;
}

bool RegKey::WriteValue(const std::string& name, const RegValue& value) {
    if (!impl_ || !ValidValueName(name) || value.data.size() > kRegMaxValueSize) return false;
    return impl_->Modify([&](KeyNode& node) {
        const NamedValue* old = node.FindValue(name);
        if (old != nullptr && old->value == value) return HiveStore::Change::None;
        node.SetValue(name, value);
        return HiveStore::Change::Changed;
    });
}

bool RegKey::WriteValues(const std::vector<std::pair<std::string, RegValue>>& values) {
    if (!impl_) return false;
    bool all = true;
    const bool written = impl_->Modify([&](KeyNode& node) {
        HiveStore::Change change = HiveStore::Change::None;
        for (const auto& [name, value] : values) {
            if (!ValidValueName(name) || value.data.size() > kRegMaxValueSize) {
                all = false;
                continue;
            }
            const NamedValue* old = node.FindValue(name);
            if (old != nullptr && old->value == value) continue;
            node.SetValue(name, value);
            change = HiveStore::Change::Changed;
        }
        return change;
    });
    return written && all;
}

bool RegKey::WriteString(const std::string& name, const std::string& text) {
    return WriteValue(name, RegValue::String(text));
}

bool RegKey::WriteDword(const std::string& name, std::uint32_t number) {
    return WriteValue(name, RegValue::Dword(number));
}

bool RegKey::DeleteValue(const std::string& name) {
    if (!impl_) return false;
    return impl_->Modify([&](KeyNode& node) {
        for (auto it = node.values.begin(); it != node.values.end(); ++it) {
            if (EqualsNoCase(it->name, name)) {
                node.values.erase(it);
                return HiveStore::Change::Changed;
            }
        }
        return HiveStore::Change::Failed;
    });
}

std::vector<std::string> TakeRegistryNotices() { return HiveStore::Instance().TakeNotices(); }

bool DeleteRegistryTree(RegRoot root, const std::string& path, RegView view) {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts) || parts.empty()) return false;
    ApplyView(root, view, parts);
    return HiveStore::Instance().Modify(root, [&](KeyNode& hive) {
        std::vector<std::string> parent_parts(parts.begin(), parts.end() - 1);
        KeyNode* parent = Find(hive, parent_parts);
        if (parent == nullptr || parent->subkeys.erase(parts.back()) == 0) return HiveStore::Change::Failed;
        return HiveStore::Change::Changed;
    });
}

}  // namespace vanto::platform
