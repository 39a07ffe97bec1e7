// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The Windows snapshot against the truth: while this test holds a listener, both ends of a
// connection and a UDP endpoint on 127.0.0.1, the IP Helper tables must report them with
// this process's id, and so must the headless program's JSON listing.
#include "monitor/connection_snapshot.h"
#include "monitor/process_identity.h"
#include "testsupport/test_support.h"

// winsock2.h before windows.h, which would otherwise bring the old winsock.h.
#include <winsock2.h>

#include <windows.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

using namespace vanto;
using vanto::testing::RunningUnderWine;

namespace {

class Winsock {
public:
    Winsock() { ok = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~Winsock() {
        if (ok) WSACleanup();
    }
    bool ok = false;

private:
    WSADATA data_{};
};

struct Sock {
    SOCKET s;
    explicit Sock(SOCKET v) : s(v) {}
    ~Sock() {
        if (s != INVALID_SOCKET) closesocket(s);
    }
};

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

sockaddr_in Bound(SOCKET s) {
    sockaddr_in a{};
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    return a;
}

// The sockets of one test: a listener, a connection to it (both ends) and a UDP endpoint.
struct OwnSockets {
    Winsock winsock;
    Sock listener{socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)};
    Sock client{socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)};
    Sock accepted{INVALID_SOCKET};
    Sock udp{socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)};
    sockaddr_in server{}, client_end{}, udp_end{};

    bool Open() {
        if (!winsock.ok || listener.s == INVALID_SOCKET || client.s == INVALID_SOCKET || udp.s == INVALID_SOCKET)
            return false;
        sockaddr_in any = Loopback(0);
        if (bind(listener.s, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 || listen(listener.s, 4) != 0)
            return false;
        server = Bound(listener.s);
        if (connect(client.s, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) return false;
        accepted.s = accept(listener.s, nullptr, nullptr);
        if (accepted.s == INVALID_SOCKET) return false;
        client_end = Bound(client.s);
        sockaddr_in uany = Loopback(0);
        if (bind(udp.s, reinterpret_cast<sockaddr*>(&uany), sizeof uany) != 0) return false;
        udp_end = Bound(udp.s);
        // Traffic on every socket. Wine keeps a socket's Unix descriptor in its server until
        // the process does I/O on it, and it finds a socket's owner by the descriptors the
        // process holds; Windows needs none of this.
        char byte = 'v';
        u_long pending = 0;
        if (send(client.s, &byte, 1, 0) != 1 || recv(accepted.s, &byte, 1, 0) != 1) return false;
        if (send(accepted.s, &byte, 1, 0) != 1 || recv(client.s, &byte, 1, 0) != 1) return false;
        if (sendto(udp.s, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&udp_end), sizeof udp_end) != 1 ||
            recv(udp.s, &byte, 1, 0) != 1)
            return false;
        ioctlsocket(listener.s, FIONREAD, &pending);
        ioctlsocket(accepted.s, FIONREAD, &pending);
        return true;
    }
};

std::wstring OwnFolder() {
    std::wstring buf(MAX_PATH, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    buf.resize(n);
    return buf.substr(0, buf.find_last_of(L"\\/") + 1);
}

// Runs a program with its standard output read into `out`; false when it cannot be started
// or has not ended within 60 s (it is then ended).
bool RunCapture(const std::wstring& exe, const std::wstring& arguments, std::string& out, DWORD& exit_code) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &sa, 0)) return false;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write_end;
    si.hStdError = write_end;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    const BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &si, &pi);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        return false;
    }
    char buf[4096];
    DWORD got = 0;
    // The pipe ends when the child (and everything that inherited it) has closed it.
    while (out.size() < (std::size_t{8} << 20) && ReadFile(read_end, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    CloseHandle(read_end);
    const bool ended = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &exit_code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended;
}

// The line of the JSON listing that holds `needles`, all of them; empty when none does.
std::string LineWith(const std::string& text, const std::vector<std::string>& needles) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (std::all_of(needles.begin(), needles.end(),
                        [&](const std::string& n) { return line.find(n) != std::string::npos; }))
            return line;
    }
    return {};
}

}  // namespace

TEST(WindowsSnapshot, FindsOwnListenerConnectionAndUdpEndpoint) {
    OwnSockets own;
    ASSERT_TRUE(own.Open()) << "WSA error " << WSAGetLastError();

    TConnectionArray snap;
    TakeSnapshot(snap);
    const auto me = static_cast<std::uint32_t>(GetCurrentProcessId());
    auto find = [&](auto pred) { return std::find_if(snap.begin(), snap.end(), pred); };

    const auto listen_row = find([&](const TConnection& c) {
        return c.protocol == kProtocolTcp && c.local_port == own.server.sin_port && c.state == 2;
    });
    ASSERT_NE(listen_row, snap.end());
    EXPECT_EQ(StateName(listen_row->state), "LISTENING");
    EXPECT_EQ(IpToStr(listen_row->local_addr), "127.0.0.1");
    EXPECT_EQ(SwapPort(listen_row->local_port), ntohs(own.server.sin_port));
    EXPECT_EQ(listen_row->pid, me);

    const auto client_row = find([&](const TConnection& c) {
        return c.protocol == kProtocolTcp && c.local_port == own.client_end.sin_port &&
               c.remote_port == own.server.sin_port;
    });
    ASSERT_NE(client_row, snap.end());
    EXPECT_EQ(StateName(client_row->state), "ESTABLISHED");
    EXPECT_EQ(IpToStr(client_row->remote_addr), "127.0.0.1");
    EXPECT_EQ(client_row->pid, me);

    const auto server_row = find([&](const TConnection& c) {
        return c.protocol == kProtocolTcp && c.local_port == own.server.sin_port &&
               c.remote_port == own.client_end.sin_port;
    });
    ASSERT_NE(server_row, snap.end());
    EXPECT_EQ(StateName(server_row->state), "ESTABLISHED");
    if (RunningUnderWine()) {
        // Wine 8 never hands the accepted end's descriptor to the process (its server keeps
        // it), so it reports no owner for that row: PID 0, as for any socket of unknown owner.
        EXPECT_TRUE(server_row->pid == me || server_row->pid == 0) << server_row->pid;
    } else {
        EXPECT_EQ(server_row->pid, me);
    }

    const auto udp_row =
        find([&](const TConnection& c) { return c.protocol == kProtocolUdp && c.local_port == own.udp_end.sin_port; });
    ASSERT_NE(udp_row, snap.end());
    EXPECT_EQ(IpToStr(udp_row->local_addr), "127.0.0.1");
    EXPECT_EQ(udp_row->state, 0u);
    EXPECT_EQ(udp_row->remote_port, 0u);
    EXPECT_EQ(udp_row->pid, me);

    // Every TCP row precedes every UDP row.
    const auto first_udp = find([](const TConnection& c) { return c.protocol == kProtocolUdp; });
    EXPECT_TRUE(std::all_of(first_udp, snap.end(), [](const TConnection& c) { return c.protocol == kProtocolUdp; }));
}

TEST(WindowsSnapshot, OwnProcessIdentity) {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    const std::string path = GetProcessPath(GetCurrentProcessId());
    ASSERT_FALSE(path.empty());
    // The path the system reports for the process, in the 8-bit text of the core.
    EXPECT_EQ(path.substr(path.find_last_of('\\') + 1), "monitor_test_snapshot_own_sockets.exe");
    EXPECT_EQ(FindProcessExeName(GetCurrentProcessId()), "monitor_test_snapshot_own_sockets.exe");
    // An id no process has (Windows ids are multiples of 4).
    EXPECT_EQ(GetProcessPath(0x7FFFFFF1u), "?");
    EXPECT_EQ(FindProcessExeName(0x7FFFFFF1u), "?");
}

TEST(WindowsSnapshot, HeadlessListingShowsOwnSockets) {
    OwnSockets own;
    ASSERT_TRUE(own.Open()) << "WSA error " << WSAGetLastError();
    const std::wstring exe = OwnFolder() + L"..\\vantoscope.exe";
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "vantoscope.exe not built";

    std::string out;
    DWORD exit_code = 1;
    ASSERT_TRUE(RunCapture(exe, L"--list --all --format json", out, exit_code));
    EXPECT_EQ(exit_code, 0u);
    const std::string pid = "\"pid\": " + std::to_string(GetCurrentProcessId()) + ",";
    auto port = [](const sockaddr_in& a) { return std::to_string(ntohs(a.sin_port)); };
    EXPECT_NE(LineWith(out, {pid, "\"protocol\": \"TCP\"", "\"state\": \"LISTENING\"",
                             "\"local_address\": \"127.0.0.1\"", "\"local_port\": " + port(own.server) + ","}),
              "")
        << out;
    EXPECT_NE(LineWith(out, {pid, "\"state\": \"ESTABLISHED\"", "\"local_port\": " + port(own.client_end) + ",",
                             "\"remote_port\": " + port(own.server) + ","}),
              "")
        << out;
    EXPECT_NE(LineWith(out, {pid, "\"protocol\": \"UDP\"", "\"local_port\": " + port(own.udp_end) + ","}), "") << out;
    // The process column names this test program.
    EXPECT_NE(LineWith(out, {pid, "monitor_test_snapshot_own_sockets"}), "") << out;
}
