// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The self-pipe: a signal handler may only write a byte; the event loop reads it.
#include "platform/termination.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace vanto::platform {

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request: the byte may be dropped.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

int Install() {
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0) return -1;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
    return g_pipe[0];
}

}  // namespace

int TerminationRequestDescriptor() {
    static const int fd = Install();
    return fd;
}

void ClearTerminationRequests(int descriptor) {
    char buf[64];
    while (::read(descriptor, buf, sizeof buf) > 0) {
    }
}

}  // namespace vanto::platform
