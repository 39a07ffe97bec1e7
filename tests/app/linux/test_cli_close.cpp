// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// --close on a connection the test holds: the peer sees a reset where the rights allow, and a
// user without CAP_NET_ADMIN gets the reason and exit code 1. --list --ipv6 in JSON.
#include "app/cli/cli.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

using namespace vanto;

namespace {

struct Sock {
    int fd;
    explicit Sock(int f) : fd(f) {}
    ~Sock() {
        if (fd >= 0) ::close(fd);
    }
};

std::uint16_t Port(int fd) {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&a)->sin6_port
                                         : reinterpret_cast<sockaddr_in*>(&a)->sin_port);
}

// A held connection from 127.0.0.1 to a listener on 127.0.0.3.
struct Held {
    Sock listener{::socket(AF_INET, SOCK_STREAM, 0)};
    Sock client{::socket(AF_INET, SOCK_STREAM, 0)};
    Sock server{-1};
    bool ok = false;
    Held() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, "127.0.0.3", &a.sin_addr);
        if (::bind(listener.fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener.fd, 2) != 0) return;
        a.sin_port = htons(Port(listener.fd));
        if (::connect(client.fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return;
        server.fd = ::accept(listener.fd, nullptr, nullptr);
        ok = server.fd >= 0;
    }
    std::string Local() const { return "127.0.0.1:" + std::to_string(Port(client.fd)); }
    std::string Remote() const { return "127.0.0.3:" + std::to_string(Port(listener.fd)); }
};

int RunCli(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int rc = cli::Main(args, o, e, nullptr);
    out = o.str();
    err = e.str();
    return rc;
}

}  // namespace

TEST(CliClose, WithoutCapNetAdminTheReasonAndExitOne) {
    Held h;
    ASSERT_TRUE(h.ok);
    const pid_t child = ::fork();
    if (child == 0) {
        // nobody has no capabilities at all
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        std::string out, err;
        const int rc = RunCli({"--close", h.Local(), h.Remote()}, out, err);
        const bool said = err.find("could not be closed") != std::string::npos &&
                          err.find("CAP_NET_ADMIN") != std::string::npos && out.empty() &&
                          err.find('\n') == err.size() - 1;
        ::_exit(rc == 1 && said ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Still open: a byte gets through.
    ASSERT_EQ(::send(h.client.fd, "a", 1, 0), 1);
    char c;
    EXPECT_EQ(::recv(h.server.fd, &c, 1, 0), 1);
}

TEST(CliClose, ClosesAHeldConnectionAndThePeerSeesAReset) {
    Held h;
    ASSERT_TRUE(h.ok);
    std::string out, err;
    const int rc = RunCli({"--close", h.Local(), h.Remote()}, out, err);
    if (rc == 1 && err.find("CAP_NET_ADMIN") != std::string::npos) GTEST_SKIP() << "no CAP_NET_ADMIN here: " << err;
    if (rc == 1 && err.find("CONFIG_INET_DIAG_DESTROY") != std::string::npos)
        GTEST_SKIP() << "this kernel has no SOCK_DESTROY: " << err;
    ASSERT_EQ(rc, 0) << err;
    EXPECT_EQ(out, "Closed the connection from " + h.Local() + " to " + h.Remote() + ".\n");
    char c;
    errno = 0;
    EXPECT_EQ(::recv(h.server.fd, &c, 1, 0), -1);
    EXPECT_EQ(errno, ECONNRESET);
    // Gone now: closing it again is refused with the reason.
    EXPECT_EQ(RunCli({"--close", h.Local(), h.Remote()}, out, err), 1);
    EXPECT_NE(err.find("no TCP connection"), std::string::npos) << err;
}

TEST(CliClose, BadEndsAndMissingConnectionsExitOne) {
    std::string out, err;
    EXPECT_EQ(RunCli({"--close", "localhost:80", "127.0.0.1:81"}, out, err), 1);
    EXPECT_NE(err.find("127.0.0.1:5000"), std::string::npos) << err;
    EXPECT_EQ(RunCli({"--close", "127.0.0.1:1", "127.0.0.9:2"}, out, err), 1);
    EXPECT_EQ(err, "vantoscope: no TCP connection from 127.0.0.1:1 to 127.0.0.9:2\n");
    EXPECT_EQ(RunCli({"--close", "127.0.0.1:1"}, out, err), 2);  // one end is no command
}

TEST(CliList, Ipv6RowsWithFamilyAndByteFieldsInJson) {
    Sock listener(::socket(AF_INET6, SOCK_STREAM, 0));
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    if (::bind(listener.fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) GTEST_SKIP() << "no IPv6 loopback";
    ASSERT_EQ(::listen(listener.fd, 2), 0);
    a.sin6_port = htons(Port(listener.fd));
    Sock client(::socket(AF_INET6, SOCK_STREAM, 0));
    ASSERT_EQ(::connect(client.fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    Sock server(::accept(listener.fd, nullptr, nullptr));
    ASSERT_EQ(::send(client.fd, "hello", 5, 0), 5);
    char buf[5];
    ASSERT_EQ(::recv(server.fd, buf, 5, MSG_WAITALL), 5);

    std::string out, err;
    ASSERT_EQ(RunCli({"--list", "--all", "--format", "json"}, out, err), 0);
    EXPECT_EQ(out.find("TCPv6"), std::string::npos);
    EXPECT_NE(out.find("\"family\": \"IPv4\""), std::string::npos);
    ASSERT_EQ(RunCli({"--list", "--all", "--ipv6", "--format", "json"}, out, err), 0);
    const std::string pid = std::to_string(::getpid());
    const std::string row = "{\"pid\": " + pid + ", \"protocol\": \"TCPv6\", \"state\": \"ESTABLISHED\", "
                            "\"local_address\": \"::1\", \"local_port\": " + std::to_string(Port(server.fd)) +
                            ", \"remote_address\": \"::1\", \"remote_port\": " + std::to_string(Port(client.fd));
    const auto at = out.find(row);
    ASSERT_NE(at, std::string::npos) << out;
    const std::string rest = out.substr(at, out.find('}', at) - at);
    EXPECT_NE(rest.find("\"family\": \"IPv6\", \"bytes_sent\": 0, \"bytes_received\": 5"), std::string::npos) << rest;
    // The text table has no such fields, IPv6 rows or not.
    ASSERT_EQ(RunCli({"--list", "--all", "--ipv6"}, out, err), 0);
    EXPECT_NE(out.find("TCPv6"), std::string::npos);
    EXPECT_EQ(out.find("bytes_sent"), std::string::npos);
    EXPECT_EQ(out.substr(0, out.find('\n')).find("Sent"), std::string::npos);
    // With names: the loopback rows are still there, by name or by number.
    ASSERT_EQ(RunCli({"--list", "--all", "--ipv6", "--resolve", "--format", "json"}, out, err), 0);
    EXPECT_NE(out.find("\"remote_name\": "), std::string::npos);
    EXPECT_NE(out.find(row), std::string::npos);  // the number stays in remote_address
}
