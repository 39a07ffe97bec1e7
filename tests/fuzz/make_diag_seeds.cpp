// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Writes the starting corpus for the netlink datagram harness: datagrams like those of the
// parser's tests (IPv4 and IPv6 sockets, the IPv6-only flag, NLMSG_DONE with and without an
// error, NLMSG_ERROR), so the fuzzer starts from what the kernel sends.
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Message(std::uint8_t family, std::uint8_t state, std::uint8_t fill, int v6only) {
    const std::size_t attr = v6only < 0 ? 0 : RTA_SPACE(1);
    Bytes buf(NLMSG_SPACE(NLMSG_ALIGN(sizeof(inet_diag_msg)) + attr));
    nlmsghdr h{};
    h.nlmsg_len = static_cast<std::uint32_t>(NLMSG_LENGTH(NLMSG_ALIGN(sizeof(inet_diag_msg)) + attr));
    h.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    inet_diag_msg m{};
    m.idiag_family = family;
    m.idiag_state = state;
    m.id.idiag_sport = htons(8080);
    m.id.idiag_dport = htons(50000);
    std::memset(m.id.idiag_src, fill, sizeof m.id.idiag_src);
    if (family == AF_INET6) {
        auto* src = reinterpret_cast<std::uint8_t*>(m.id.idiag_src);
        std::memset(src, 0, 10);
        src[10] = src[11] = 0xFF;  // "::ffff:a.b.c.d"
    }
    m.idiag_inode = 4242;
    std::memcpy(buf.data(), &h, sizeof h);
    std::memcpy(buf.data() + NLMSG_HDRLEN, &m, sizeof m);
    if (v6only >= 0) {
        rtattr a{};
        a.rta_len = RTA_LENGTH(1);
        a.rta_type = INET_DIAG_SKV6ONLY;
        const std::size_t at = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(inet_diag_msg));
        std::memcpy(buf.data() + at, &a, sizeof a);
        buf[at + RTA_LENGTH(0)] = static_cast<std::uint8_t>(v6only);
    }
    return buf;
}

Bytes Control(std::uint16_t type, int code) {
    Bytes buf(NLMSG_SPACE(sizeof(int)));
    nlmsghdr h{};
    h.nlmsg_len = NLMSG_LENGTH(sizeof(int));
    h.nlmsg_type = type;
    std::memcpy(buf.data(), &h, sizeof h);
    std::memcpy(buf.data() + NLMSG_HDRLEN, &code, sizeof code);
    return buf;
}

bool Write(const std::string& dir, const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " CORPUS-FOLDER\n";
        return 2;
    }
    const std::string dir = argv[1];
    Bytes several;
    for (const Bytes& m : {Message(AF_INET, 10, 0x7F, -1), Message(AF_INET6, 1, 0, 0), Message(AF_INET6, 10, 0, 1)})
        several.insert(several.end(), m.begin(), m.end());
    bool ok = Write(dir, "three-messages", several);
    ok &= Write(dir, "v6-unknown-flag", Message(AF_INET6, 10, 0, -1));
    ok &= Write(dir, "done", Control(NLMSG_DONE, 0));
    ok &= Write(dir, "done-with-error", Control(NLMSG_DONE, -ENOENT));
    ok &= Write(dir, "error", Control(NLMSG_ERROR, -EPERM));
    if (!ok) std::cerr << "cannot write the corpus into " << dir << "\n";
    return ok ? 0 : 1;
}
