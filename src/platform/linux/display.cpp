// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "platform/display.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace vanto::platform {

namespace {

constexpr int kConnectTimeoutMs = 2000;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// Connects `fd` within the time bound; the socket is left open for the caller to close.
bool ConnectBounded(int fd, const sockaddr* address, socklen_t length) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
    if (::connect(fd, address, length) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, kConnectTimeoutMs) != 1) return false;
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

// A local socket, by file name or (leading NUL) in the abstract namespace.
bool LocalSocketAnswers(const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.empty() || name.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, name.data(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ConnectBounded(fd, reinterpret_cast<const sockaddr*>(&address),
                                   static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size()));
    ::close(fd);
    return ok;
}

bool TcpAnswers(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool ok = false;
    for (const addrinfo* a = found; a != nullptr && !ok; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        ok = ConnectBounded(fd, a->ai_addr, a->ai_addrlen);
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return ok;
}

// Whether an X server answers at DISPLAY ("[host]:number[.screen]"): its local socket (the
// abstract name first, as the X libraries try it) or, with a host, TCP port 6000 + number.
// Only that something listens is checked; the handshake and its authorisation are Qt's.
bool XServerAnswers(const std::string& display) {
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    std::string number = display.substr(colon + 1);
    if (const std::size_t dot = number.find('.'); dot != std::string::npos) number.resize(dot);
    if (number.empty() || number.size() > 5 || number.find_first_not_of("0123456789") != std::string::npos)
        return false;
    if (!host.empty() && host.front() == '/') return LocalSocketAnswers(display.substr(0, colon));  // a socket path
    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + number;
        return LocalSocketAnswers(std::string(1, '\0') + path) || LocalSocketAnswers(path);
    }
    return TcpAnswers(host, 6000 + std::atoi(number.c_str()));
}

// WAYLAND_DISPLAY is a socket name in the runtime folder, or an absolute path.
bool WaylandAnswers(const std::string& name) {
    if (name.front() == '/') return LocalSocketAnswers(name);
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    if (runtime.empty() || runtime.front() != '/') return false;
    return LocalSocketAnswers(runtime + "/" + name);
}

}  // namespace

std::string DisplayUnavailableReason() {
    const std::string x = Env("DISPLAY");
    const std::string wayland = Env("WAYLAND_DISPLAY");
    const std::string qpa = Env("QT_QPA_PLATFORM");
    if (!qpa.empty()) {
        // An explicit choice: Qt tries its platforms in order ("wayland;xcb"). One that needs
        // no display server (offscreen, minimal, vnc, eglfs ...) is always usable.
        std::string_view rest = qpa;
        while (!rest.empty()) {
            const std::size_t semi = rest.find(';');
            std::string_view item = rest.substr(0, semi);
            rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
            const std::string_view name = item.substr(0, item.find(':'));  // "xcb:option=..." carries options
            if (name.empty()) continue;
            if (name == "xcb") {
                if (!x.empty() && XServerAnswers(x)) return {};
            } else if (name.substr(0, 7) == "wayland") {
                if (!wayland.empty() && WaylandAnswers(wayland)) return {};
            } else {
                return {};
            }
        }
    } else {
        if (!wayland.empty() && WaylandAnswers(wayland)) return {};
        if (!x.empty() && XServerAnswers(x)) return {};
    }
    if (!x.empty()) return "the display " + x + " cannot be opened";
    if (!wayland.empty()) return "the Wayland display " + wayland + " cannot be opened";
    if (!qpa.empty()) return "no display found for QT_QPA_PLATFORM=" + qpa;
    return "no display found";
}

bool HasDisplay() { return DisplayUnavailableReason().empty(); }

void UseParentConsole() {}

}  // namespace vanto::platform
