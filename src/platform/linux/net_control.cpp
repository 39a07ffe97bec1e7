// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// SOCK_DESTROY through sock_diag: the kernel aborts the socket found by its four-tuple and
// answers with an acknowledgement that carries the error. It needs CAP_NET_ADMIN and a
// kernel built with CONFIG_INET_DIAG_DESTROY.
#include "platform/net_control.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vanto::platform {

namespace {

// One destroy request; the errno the kernel answers with (0: done), or a local errno.
int Destroy(std::uint8_t family, const std::uint8_t* src, const std::uint8_t* dst, std::size_t addr_len,
            std::uint32_t sport, std::uint32_t dport) {
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0) return errno;
    timeval tv{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    struct {
        nlmsghdr nlh;
        inet_diag_req_v2 req;
    } msg{};
    msg.nlh.nlmsg_len = sizeof msg;
    msg.nlh.nlmsg_type = SOCK_DESTROY;
    msg.nlh.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK;
    msg.nlh.nlmsg_seq = 1;
    msg.req.sdiag_family = family;
    msg.req.sdiag_protocol = IPPROTO_TCP;
    msg.req.idiag_states = ~0u;
    msg.req.id.idiag_sport = static_cast<std::uint16_t>(sport);
    msg.req.id.idiag_dport = static_cast<std::uint16_t>(dport);
    std::memcpy(msg.req.id.idiag_src, src, addr_len);
    std::memcpy(msg.req.id.idiag_dst, dst, addr_len);
    msg.req.id.idiag_cookie[0] = msg.req.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    int result = EIO;
    if (::sendto(fd, &msg, sizeof msg, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0) {
        result = errno;
    } else {
        alignas(nlmsghdr) std::uint8_t buf[1024];
        ssize_t n;
        do n = ::recv(fd, buf, sizeof buf, 0);
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            result = errno;
        } else if (static_cast<std::size_t>(n) >= NLMSG_LENGTH(sizeof(int))) {
            nlmsghdr h;
            std::memcpy(&h, buf, sizeof h);
            if (h.nlmsg_type == NLMSG_ERROR) {
                int code;
                std::memcpy(&code, buf + NLMSG_HDRLEN, sizeof code);
                result = -code;
            }
        }
    }
    ::close(fd);
    return result;
}

}  // namespace

CloseOutcome CloseTcpConnection(const TcpRowOwnerPid& row) {
    int err;
    if (row.family == kFamilyIPv6) {
        err = Destroy(AF_INET6, row.local_addr6.data(), row.remote_addr6.data(), 16, row.local_port, row.remote_port);
    } else {
        err = Destroy(AF_INET, reinterpret_cast<const std::uint8_t*>(&row.local_addr),
                      reinterpret_cast<const std::uint8_t*>(&row.remote_addr), 4, row.local_port, row.remote_port);
        if (err == ENOENT) {
            // IPv4 traffic on a dual-stack IPv6 socket: the kernel knows it by its mapped ends.
            std::uint8_t src[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
            std::uint8_t dst[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
            std::memcpy(src + 12, &row.local_addr, 4);
            std::memcpy(dst + 12, &row.remote_addr, 4);
            const int err6 = Destroy(AF_INET6, src, dst, 16, row.local_port, row.remote_port);
            if (err6 != ENOENT && err6 != EAFNOSUPPORT) err = err6;
        }
    }
    switch (err) {
    case 0: return {CloseResult::Closed, {}};
    case EPERM:
    case EACCES: return {CloseResult::NoRights, {}};
    case EOPNOTSUPP:
    case EAFNOSUPPORT:
    case EINVAL: return {CloseResult::NotSupported, {}};
    case ENOENT: return {CloseResult::NotFound, {}};
    default: return {CloseResult::Failed, std::strerror(err)};
    }
}

std::string CloseConnectionRightsText() {
    return "Closing a connection needs the CAP_NET_ADMIN capability (run as root, or give the program that "
           "capability with setcap cap_net_admin+ep).";
}

std::string CloseConnectionUnsupportedText(std::uint8_t) {
    return "This system's kernel cannot close connections (it was built without CONFIG_INET_DIAG_DESTROY).";
}

}  // namespace vanto::platform
