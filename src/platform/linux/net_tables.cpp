// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux socket tables: sock_diag netlink dumps of the IPv4 and IPv6 sockets of each protocol
// (falling back to /proc/net/tcp|udp and tcp6|udp6 where a dump fails), IPv4 traffic on IPv6
// sockets turned into IPv4 rows, and socket owners from /proc/<pid>/fd, kept between
// snapshots so that only new sockets are looked for.
#include "platform/net_tables.h"

#include "platform/linux/net_parsers.h"
#include "platform/linux/posix_file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vanto::platform {

using linux_backend::SocketEntry;

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

constexpr std::uint32_t kLinuxTcpClose = 7;
constexpr std::uint32_t kLinuxTcpListen = 10;

// A dump of a table whose rows never stop coming is cut off here rather than read forever.
constexpr std::size_t kMaxRows = 4'000'000;

// Sends one dump request and reads the dump; false, with `out` as it was, when any of it fails.
bool Dump(const void* request, std::size_t size, std::vector<SocketEntry>& out, bool keep_v6) {
    Fd sock(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (sock.get() < 0) return false;
    timeval tv{2, 0};  // a kernel that stops answering must not hang the worker
    ::setsockopt(sock.get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(sock.get(), request, size, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
        return false;

    std::vector<std::uint8_t> buf(std::size_t{64} * 1024);
    const std::size_t first = out.size();
    for (;;) {
        const ssize_t n = ::recv(sock.get(), buf.data(), buf.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        switch (linux_backend::ParseInetDiagDatagram(buf.data(), static_cast<std::size_t>(n), out, keep_v6)) {
        case linux_backend::DiagParse::Done:
            return true;
        case linux_backend::DiagParse::Error:
            out.resize(first);
            return false;
        case linux_backend::DiagParse::More:
            if (out.size() - first > kMaxRows) {
                out.resize(first);
                return false;
            }
            break;
        }
    }
    out.resize(first);
    return false;
}

// Every state the Windows table knows. A TCP socket in CLOSE is one that is only bound (or
// not even that): Windows does not list those. UDP sockets are CLOSE unless connected.
std::uint32_t WantedStates(std::uint8_t protocol) { return protocol == IPPROTO_TCP ? ~(1u << kLinuxTcpClose) : ~0u; }

// The tcp_info of each TCP socket rides in the same dump: no call per socket for the counts.
std::uint8_t Extensions(std::uint8_t protocol, const NetTableOptions& o) {
    return protocol == IPPROTO_TCP && o.traffic ? static_cast<std::uint8_t>(1u << (INET_DIAG_INFO - 1)) : 0;
}

// The sockets of one family and protocol (sock_diag).
bool DumpNetlink(std::uint8_t family, std::uint8_t protocol, const NetTableOptions& o, std::vector<SocketEntry>& out) {
    struct {
        nlmsghdr nlh;
        inet_diag_req_v2 req;
    } msg{};
    msg.nlh.nlmsg_len = sizeof msg;
    msg.nlh.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    msg.nlh.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    msg.nlh.nlmsg_seq = 1;
    msg.req.sdiag_family = family;
    msg.req.sdiag_protocol = protocol;
    msg.req.idiag_states = WantedStates(protocol);
    msg.req.idiag_ext = Extensions(protocol, o);
    return Dump(&msg, sizeof msg, out, o.ipv6);
}

// The TCP sockets of both families in one walk of the kernel's socket tables, IPv4 ones first:
// the older inet_diag request dumps every family at once, where sock_diag takes one family a
// walk, and each walk goes through every bucket of the table however few sockets there are.
bool DumpTcpBothFamilies(const NetTableOptions& o, std::vector<SocketEntry>& out, std::size_t& first_v6) {
    struct {
        nlmsghdr nlh;
        inet_diag_req req;
    } msg{};
    msg.nlh.nlmsg_len = sizeof msg;
    msg.nlh.nlmsg_type = TCPDIAG_GETSOCK;
    msg.nlh.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    msg.nlh.nlmsg_seq = 1;
    msg.req.idiag_family = AF_INET;  // not looked at: the dump takes every family
    msg.req.idiag_states = WantedStates(IPPROTO_TCP);
    msg.req.idiag_ext = Extensions(IPPROTO_TCP, o);
    const std::size_t first = out.size();
    if (!Dump(&msg, sizeof msg, out, o.ipv6)) return false;
    first_v6 = static_cast<std::size_t>(
        std::stable_partition(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                              [](const SocketEntry& e) { return !e.from_v6; }) -
        out.begin());
    return true;
}

bool ReadTextTable(const char* path, bool keep_v6, std::vector<SocketEntry>& out) {
    std::string text;
    if (posix_io::ReadBoundedFile(path, 512u << 20, text) != posix_io::ReadResult::Ok) return false;
    linux_backend::ParseProcNetTable(text, out, keep_v6);
    return true;
}

// A "::" socket whose source did not say whether it takes IPv4 too (the /proc tables): it
// does, unless an IPv4 socket holds the same port, which the kernel allows only beside a
// socket that is IPv6-only.
void DecideUnknownDualStack(std::vector<SocketEntry>& entries, std::size_t first_v6, bool tcp) {
    std::unordered_set<std::uint32_t> v4_ports;
    for (std::size_t i = 0; i < first_v6; ++i)
        if (!tcp || entries[i].linux_state == kLinuxTcpListen) v4_ports.insert(entries[i].local_port);
    std::size_t kept = first_v6;
    for (std::size_t i = first_v6; i < entries.size(); ++i) {
        if (entries[i].v6_any_unknown && v4_ports.count(entries[i].local_port)) continue;
        entries[kept++] = entries[i];
    }
    entries.resize(kept);
}

// The IPv4 rows of one protocol: IPv4 sockets, then IPv6 sockets that carry IPv4; then, when
// asked for, the IPv6 rows.
bool ReadTable(std::uint8_t protocol, NetTableReader::Source source, const NetTableOptions& o,
               std::vector<SocketEntry>& out) {
    const bool tcp = protocol == IPPROTO_TCP;
    bool read = false;
    if (source != NetTableReader::Source::TextTables) {
        std::size_t first_v6 = 0;
        read = tcp && DumpTcpBothFamilies(o, out, first_v6);
        if (!read) {
            read = DumpNetlink(AF_INET, protocol, o, out);
            first_v6 = out.size();
            // A kernel built without IPv6 has no AF_INET6 sockets to dump either.
            if (read && !DumpNetlink(AF_INET6, protocol, o, out) && ::access("/proc/net/if_inet6", F_OK) == 0) {
                read = false;
                out.clear();
            }
        }
        if (read) DecideUnknownDualStack(out, first_v6, tcp);
    }
    if (!read && source != NetTableReader::Source::Netlink) {
        out.clear();
        read = ReadTextTable(tcp ? "/proc/net/tcp" : "/proc/net/udp", false, out);
        const std::size_t first_v6 = out.size();
        if (read) ReadTextTable(tcp ? "/proc/net/tcp6" : "/proc/net/udp6", o.ipv6, out);  // absent without IPv6
        DecideUnknownDualStack(out, first_v6, tcp);
    }
    if (!read) return false;
    if (o.ipv6) std::stable_partition(out.begin(), out.end(), [](const SocketEntry& e) { return !e.v6; });
    if (tcp) {
        // Only-bound sockets; the text tables do not list them, a dump might.
        std::erase_if(out, [](const SocketEntry& e) { return e.linux_state == kLinuxTcpClose; });
    }
    return true;
}

bool ParsePid(const char* s, std::uint32_t& pid) {
    if (*s == '\0') return false;
    std::uint64_t v = 0;
    for (; *s; ++s) {
        if (*s < '0' || *s > '9') return false;
        v = v * 10 + static_cast<unsigned>(*s - '0');
        if (v > 0x7fffffff) return false;
    }
    pid = static_cast<std::uint32_t>(v);
    return pid > 0;
}

// The start time (field 22 of stat) of the process whose /proc folder is open as `dir`;
// 0 when it is gone. With the pid it names one process even across pid reuse.
std::uint64_t StartTime(int dir) {
    Fd fd(::openat(dir, "stat", O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return 0;
    char buf[1024];
    ssize_t n;
    do n = ::read(fd.get(), buf, sizeof buf - 1);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return 0;
    const std::string_view text(buf, static_cast<std::size_t>(n));
    // The command name may hold anything, ")" too: the fields start after the last one.
    auto pos = text.rfind(')');
    if (pos == std::string_view::npos) return 0;
    for (int field = 2; field < 22; ++field) {
        pos = text.find(' ', pos + 1);
        if (pos == std::string_view::npos) return 0;
    }
    std::uint64_t v = 0;
    for (std::size_t i = pos + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
    return v;
}

// Socket owners kept from one snapshot to the next: a socket seen before keeps its owner
// for as long as that very process (pid and start time) lives, so a refresh looks into
// /proc/<pid>/fd only when a socket is new. A socket whose owner a whole scan did not find
// (a process we may not look into, a socket of the kernel) is looked for again only in
// processes that are new. Sockets not asked for in a snapshot are dropped.
struct OwnerCache {
    struct Owner {
        std::uint32_t pid;
        std::uint64_t start;
        std::uint64_t generation;  // the snapshot that last asked for it; 0: seen in a scan only
    };
    struct NotFound {
        std::uint32_t pid;  // 0 or kUnknownOwnerPid
        std::uint64_t generation;
    };
    std::mutex mutex;
    std::unordered_map<std::uint64_t, Owner> owners;       // socket inode -> owner
    std::unordered_map<std::uint64_t, NotFound> not_found;  // socket inode -> what to show
    std::unordered_set<std::uint32_t> scanned;              // processes looked into for them
    // The processes found owning a new socket, with the snapshot that found it last: where
    // the next new socket most likely comes from.
    std::unordered_map<std::uint32_t, std::uint64_t> opened;  // pid -> generation
    std::uint64_t generation = 0;
};

OwnerCache& Owners() {
    static OwnerCache cache;
    return cache;
}

}  // namespace

struct NetTableReader::State {
    Source source = Source::Auto;
    NetTableOptions options;
    std::uint64_t generation = 0;
    bool resolved = false;  // asked for owners: its end prunes the cache

    // The processes of this snapshot, ascending, and how far the scan of their fds has got.
    bool listed = false;
    std::vector<std::uint32_t> pids;
    std::size_t next = 0;
    // Some process could not be looked into: an owner not found may be one of those.
    bool denied = false;
    std::unordered_map<std::uint32_t, std::uint64_t> start_of;  // pid -> start time, 0: gone
    // The processes that owned sockets before this snapshot, looked into first.
    bool owners_tried = false;
    std::unordered_set<std::uint32_t> tried;
    std::vector<std::uint32_t> partial;  // looked into only until their sockets were found

    State() {
        std::lock_guard lock(Owners().mutex);
        generation = ++Owners().generation;
    }
    // Forgets the sockets this snapshot did not ask for (closed ones, and the sockets of
    // other kinds met in a scan); those a newer snapshot asked for stay.
    ~State() {
        if (!resolved) return;
        OwnerCache& c = Owners();
        std::lock_guard lock(c.mutex);
        std::erase_if(c.owners, [&](const auto& kv) { return kv.second.generation < generation; });
        std::erase_if(c.not_found, [&](const auto& kv) { return kv.second.generation < generation; });
    }

    std::uint64_t StartOf(std::uint32_t pid) {
        const auto it = start_of.find(pid);
        if (it != start_of.end()) return it->second;
        const std::string path = "/proc/" + std::to_string(pid);
        Fd dir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        const std::uint64_t start = dir.get() < 0 ? 0 : StartTime(dir.get());
        start_of.emplace(pid, start);
        return start;
    }

    void ListProcesses() {
        if (listed) return;
        listed = true;
        DIR* proc = ::opendir("/proc");
        if (!proc) {
            denied = true;
            return;
        }
        while (dirent* pe = ::readdir(proc)) {
            std::uint32_t pid;
            if (ParsePid(pe->d_name, pid)) pids.push_back(pid);
        }
        ::closedir(proc);
        std::sort(pids.begin(), pids.end());  // lowest first: the parent of a fork owns a shared socket
        // With hidepid the processes of others are not even listed; the first process always exists.
        if (pids.empty() || pids.front() != 1) denied = true;
    }

    // Every socket of one process goes into the cache; those wanted leave `wanted`. A
    // process that ends meanwhile or that we may not look into is passed over.
    void ScanProcess(std::uint32_t pid, std::unordered_set<std::uint64_t>& wanted, OwnerCache& cache) {
        const std::string path = "/proc/" + std::to_string(pid);
        Fd dir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() < 0) return;
        // The fd folder and the start time come through the same open process folder, so
        // they belong to one process even when the pid is reused meanwhile. The start time is
        // read at the first socket: most processes hold none.
        std::uint64_t start = 0;
        bool has_start = false;
        const int dfd = ::openat(dir.get(), "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd < 0) {
            if (errno == EACCES || errno == EPERM) denied = true;
            return;
        }
        DIR* fds = ::fdopendir(dfd);
        if (!fds) {
            ::close(dfd);
            return;
        }
        char link[64];
        while (dirent* fe = ::readdir(fds)) {
            if (fe->d_name[0] == '.') continue;
            const ssize_t n = ::readlinkat(dfd, fe->d_name, link, sizeof link - 1);
            if (n < 0 && (errno == EACCES || errno == EPERM)) {
                denied = true;  // a folder we may list but whose links we may not read
                break;
            }
            if (n <= 0) continue;
            std::uint64_t inode;
            if (!linux_backend::ParseSocketLink(std::string_view(link, static_cast<std::size_t>(n)), inode)) continue;
            if (!has_start) {
                has_start = true;
                start = StartTime(dir.get());
                start_of[pid] = start;
            }
            const bool want = wanted.erase(inode) > 0;
            const auto it = cache.owners.try_emplace(inode, OwnerCache::Owner{pid, start, 0}).first;
            if (want) {
                it->second.generation = std::max(it->second.generation, generation);
                if (it->second.pid == pid) cache.opened[pid] = generation;
                // The other sockets met here are dropped at the end of the snapshot anyway:
                // a process with thousands of them is not read to its end for nothing. A
                // later read of this snapshot (UDP after TCP) looks into it again.
                if (wanted.empty()) {
                    partial.push_back(pid);
                    break;
                }
            }
        }
        ::closedir(fds);
    }

    // Looks into processes until every wanted inode has an owner: first those that already
    // own sockets, since new sockets mostly come from them (a browser, a server accepting):
    // the ones that opened a socket most recently, then the newest; then the rest, lowest
    // pid first, the parent of a fork before its children, which share its sockets.
    void Scan(std::unordered_set<std::uint64_t>& wanted, OwnerCache& cache) {
        ListProcesses();
        std::vector<std::uint32_t> again;
        again.swap(partial);
        for (const std::uint32_t pid : again)
            if (!wanted.empty()) ScanProcess(pid, wanted, cache);
            else partial.push_back(pid);
        if (!owners_tried) {
            owners_tried = true;
            struct Likely {
                std::uint64_t opened;  // the snapshot that last found it opening one, 0: none
                std::uint64_t start;
                std::uint32_t pid;
                bool operator>(const Likely& o) const {
                    return opened != o.opened ? opened > o.opened : start != o.start ? start > o.start : pid > o.pid;
                }
            };
            std::vector<Likely> likely;
            std::unordered_set<std::uint32_t> seen;
            for (const auto& [inode, owner] : cache.owners) {
                if (owner.start == 0 || !seen.insert(owner.pid).second) continue;
                const auto op = cache.opened.find(owner.pid);
                likely.push_back({op != cache.opened.end() ? op->second : 0, owner.start, owner.pid});
            }
            std::sort(likely.begin(), likely.end(), std::greater<>());
            // Processes that own no socket any more are forgotten.
            std::erase_if(cache.opened, [&seen](const auto& kv) { return !seen.count(kv.first); });
            for (const auto& [opened, start, pid] : likely) {
                if (wanted.empty()) break;
                if (StartOf(pid) != start) continue;  // gone, or its pid taken by another
                ScanProcess(pid, wanted, cache);
                tried.insert(pid);
            }
        }
        while (!wanted.empty() && next < pids.size()) {
            const std::uint32_t pid = pids[next++];
            if (!tried.count(pid)) ScanProcess(pid, wanted, cache);
        }
        if (next == pids.size()) cache.scanned = {pids.begin(), pids.end()};
    }

    // Looks for sockets no whole scan found in the processes started since.
    void ScanNewProcesses(std::unordered_set<std::uint64_t>& wanted, OwnerCache& cache) {
        ListProcesses();
        std::unordered_set<std::uint32_t> now;
        for (const std::uint32_t pid : pids) {
            now.insert(pid);
            if (!wanted.empty() && !cache.scanned.count(pid)) ScanProcess(pid, wanted, cache);
        }
        cache.scanned = std::move(now);
    }

    // The owner of each entry's socket: pid, 0 for none (TIME_WAIT and the like, sockets of
    // the kernel) or kUnknownOwnerPid where a process we may not look into may hold it.
    struct Found {
        std::uint32_t pid;
        std::uint64_t start;
    };
    std::vector<Found> OwnersOf(const std::vector<SocketEntry>& entries) {
        OwnerCache& cache = Owners();
        std::lock_guard lock(cache.mutex);
        resolved = true;
        std::unordered_set<std::uint64_t> wanted, again;
        for (const auto& e : entries) {
            if (e.inode == 0) continue;
            const auto it = cache.owners.find(e.inode);
            if (it != cache.owners.end()) {
                if (it->second.start != 0 && StartOf(it->second.pid) == it->second.start) {
                    it->second.generation = std::max(it->second.generation, generation);
                    continue;
                }
                cache.owners.erase(it);  // its process is gone: whoever holds the socket now is asked anew
            }
            if (const auto nf = cache.not_found.find(e.inode); nf != cache.not_found.end()) {
                nf->second.generation = std::max(nf->second.generation, generation);
                again.insert(e.inode);
            } else {
                wanted.insert(e.inode);
            }
        }
        if (!wanted.empty()) {
            Scan(wanted, cache);
            // Not found in any process there is: say so until a new process shows up with it.
            for (const std::uint64_t inode : wanted)
                cache.not_found[inode] = {denied ? kUnknownOwnerPid : 0, generation};
        }
        if (!again.empty()) ScanNewProcesses(again, cache);
        std::vector<Found> result;
        result.reserve(entries.size());
        for (const auto& e : entries) {
            Found f{0, 0};
            if (e.inode != 0) {
                if (const auto it = cache.owners.find(e.inode); it != cache.owners.end()) {
                    f = {it->second.pid, it->second.start};
                    cache.not_found.erase(e.inode);
                } else if (const auto nf = cache.not_found.find(e.inode); nf != cache.not_found.end()) {
                    f.pid = nf->second.pid;
                }
            }
            result.push_back(f);
        }
        return result;
    }
};

NetTableReader::NetTableReader(Source source, NetTableOptions options) : state_(std::make_unique<State>()) {
    state_->source = source;
    state_->options = options;
}
NetTableReader::~NetTableReader() = default;

bool NetTableReader::ReadTcp(std::vector<TcpRowOwnerPid>& rows) {
    std::vector<SocketEntry> entries;
    if (!ReadTable(IPPROTO_TCP, state_->source, state_->options, entries)) return false;
    const auto owners = state_->OwnersOf(entries);
    rows.reserve(rows.size() + entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        TcpRowOwnerPid r{linux_backend::TableStateFromLinux(e.linux_state), e.local_addr, e.local_port, e.remote_addr,
                         e.remote_port, owners[i].pid};
        if (e.v6) {
            r.family = kFamilyIPv6;
            r.local_addr = r.remote_addr = 0;
            r.local_addr6 = e.local6;
            r.remote_addr6 = e.remote6;
        }
        // A listener moves no data of its own.
        r.has_traffic = e.has_traffic && e.linux_state != kLinuxTcpListen;
        r.bytes_sent = e.bytes_sent;
        r.bytes_received = e.bytes_received;
        r.owner_start = owners[i].start;
        rows.push_back(r);
    }
    return true;
}

bool NetTableReader::ReadUdp(std::vector<UdpRowOwnerPid>& rows) {
    std::vector<SocketEntry> entries;
    if (!ReadTable(IPPROTO_UDP, state_->source, state_->options, entries)) return false;
    const auto owners = state_->OwnersOf(entries);
    rows.reserve(rows.size() + entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        UdpRowOwnerPid r{e.local_addr, e.local_port, owners[i].pid};
        if (e.v6) {
            r.family = kFamilyIPv6;
            r.local_addr = 0;
            r.local_addr6 = e.local6;
        }
        r.owner_start = owners[i].start;
        rows.push_back(r);
    }
    return true;
}

// tcp_info has carried the byte counts since Linux 4.1 (4.2 for the received ones); the text
// tables never carry them, and a dump that lacked them leaves the cells empty.
TrafficAvailability NetTableReader::Traffic() const { return TrafficAvailability::Available; }

}  // namespace vanto::platform
