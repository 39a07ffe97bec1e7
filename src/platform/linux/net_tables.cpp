// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux socket tables: one sock_diag netlink dump per protocol (falling back to
// /proc/net/tcp|udp where netlink is refused), and socket owners from one pass over
// /proc/<pid>/fd shared by both tables of a snapshot.
#include "platform/net_tables.h"

#include "platform/linux/net_parsers.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

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

// A dump of a table whose rows never stop coming is cut off here rather than read forever.
constexpr std::size_t kMaxRows = 4'000'000;

bool DumpNetlink(std::uint8_t protocol, std::vector<SocketEntry>& out) {
    Fd sock(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (sock.get() < 0) return false;
    timeval tv{2, 0};  // a kernel that stops answering must not hang the worker
    ::setsockopt(sock.get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);

    struct {
        nlmsghdr nlh;
        inet_diag_req_v2 req;
    } msg{};
    msg.nlh.nlmsg_len = sizeof msg;
    msg.nlh.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    msg.nlh.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    msg.nlh.nlmsg_seq = 1;
    msg.req.sdiag_family = AF_INET;
    msg.req.sdiag_protocol = protocol;
    msg.req.idiag_states = ~0u;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(sock.get(), &msg, sizeof msg, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
        return false;

    std::vector<std::uint8_t> buf(std::size_t{64} * 1024);
    const std::size_t first = out.size();
    for (;;) {
        const ssize_t n = ::recv(sock.get(), buf.data(), buf.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        switch (linux_backend::ParseInetDiagDatagram(buf.data(), static_cast<std::size_t>(n), out)) {
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

bool ReadWholeFile(const char* path, std::string& text, std::size_t cap) {
    Fd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    text.clear();
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (text.size() + static_cast<std::size_t>(n) > cap) return false;
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

bool ReadTable(std::uint8_t protocol, bool netlink, std::vector<SocketEntry>& out) {
    if (netlink && DumpNetlink(protocol, out)) return true;
    std::string text;
    if (!ReadWholeFile(protocol == IPPROTO_TCP ? "/proc/net/tcp" : "/proc/net/udp", text, 512u << 20)) return false;
    linux_backend::ParseProcNetTable(text, out);
    return true;
}

bool IsPidName(const char* s) {
    if (*s == '\0') return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9') return false;
    return true;
}

}  // namespace

struct NetTableReader::State {
    bool netlink = true;
    bool owners_read = false;
    std::unordered_map<std::uint64_t, std::uint32_t> owner;  // socket inode -> pid

    // Every socket inode of every process we may look at. A process that ends meanwhile or a
    // folder we may not read is skipped: its sockets keep PID 0, as unknown owners do.
    void ReadOwners() {
        owners_read = true;
        DIR* proc = ::opendir("/proc");
        if (!proc) return;
        char link[64];
        while (dirent* pe = ::readdir(proc)) {
            if (!IsPidName(pe->d_name)) continue;
            const long pid = std::strtol(pe->d_name, nullptr, 10);
            if (pid <= 0 || pid > 0x7fffffff) continue;
            std::string path = std::string("/proc/") + pe->d_name + "/fd";
            const int dfd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dfd < 0) continue;
            DIR* fds = ::fdopendir(dfd);
            if (!fds) {
                ::close(dfd);
                continue;
            }
            while (dirent* fe = ::readdir(fds)) {
                if (fe->d_name[0] == '.') continue;
                const ssize_t n = ::readlinkat(dfd, fe->d_name, link, sizeof link - 1);
                if (n <= 0) continue;
                std::uint64_t inode;
                if (linux_backend::ParseSocketLink(std::string_view(link, static_cast<std::size_t>(n)), inode))
                    owner.try_emplace(inode, static_cast<std::uint32_t>(pid));  // lowest pid first: the parent of a fork
            }
            ::closedir(fds);
        }
        ::closedir(proc);
    }

    std::uint32_t OwnerOf(std::uint64_t inode) {
        if (inode == 0) return 0;  // TIME_WAIT and the like belong to nobody any more
        if (!owners_read) ReadOwners();
        const auto it = owner.find(inode);
        return it == owner.end() ? 0 : it->second;
    }
};

NetTableReader::NetTableReader(Source source) : state_(std::make_unique<State>()) {
    state_->netlink = source == Source::Auto;
}
NetTableReader::~NetTableReader() = default;

bool NetTableReader::ReadTcp(std::vector<TcpRowOwnerPid>& rows) {
    std::vector<SocketEntry> entries;
    if (!ReadTable(IPPROTO_TCP, state_->netlink, entries)) return false;
    rows.reserve(rows.size() + entries.size());
    for (const auto& e : entries) {
        rows.push_back({linux_backend::TableStateFromLinux(e.linux_state), e.local_addr, e.local_port, e.remote_addr,
                        e.remote_port, state_->OwnerOf(e.inode)});
    }
    return true;
}

bool NetTableReader::ReadUdp(std::vector<UdpRowOwnerPid>& rows) {
    std::vector<SocketEntry> entries;
    if (!ReadTable(IPPROTO_UDP, state_->netlink, entries)) return false;
    rows.reserve(rows.size() + entries.size());
    for (const auto& e : entries) rows.push_back({e.local_addr, e.local_port, state_->OwnerOf(e.inode)});
    return true;
}

}  // namespace vanto::platform
