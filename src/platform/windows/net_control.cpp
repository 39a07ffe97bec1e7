// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// SetTcpEntry with MIB_TCP_STATE_DELETE_TCB: Windows aborts the IPv4 connection (the peer
// sees a reset). Only an administrator may; there is no such call for IPv6.
#include "platform/net_control.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <vector>

namespace vanto::platform {

namespace {

// Whether the IPv4 table still lists the connection: a call that says it succeeded proves
// nothing on a system that only pretends to have it.
bool StillListed(const TcpRowOwnerPid& row) {
    DWORD size = 0;
    GetExtendedTcpTable(nullptr, &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
    for (int attempt = 0; attempt < 4 && size != 0; ++attempt) {
        std::vector<BYTE> buf(size + size / 4);
        size = static_cast<DWORD>(buf.size());
        const DWORD rc = GetExtendedTcpTable(buf.data(), &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
        if (rc == ERROR_INSUFFICIENT_BUFFER) continue;
        if (rc != NO_ERROR) return false;
        const auto* t = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buf.data());
        const std::size_t max = (buf.size() - offsetof(MIB_TCPTABLE_OWNER_PID, table)) / sizeof(MIB_TCPROW_OWNER_PID);
        for (std::size_t i = 0; i < t->dwNumEntries && i < max; ++i) {
            const auto& r = t->table[i];
            if (r.dwLocalAddr == row.local_addr && (r.dwLocalPort & 0xFFFF) == (row.local_port & 0xFFFF) &&
                r.dwRemoteAddr == row.remote_addr && (r.dwRemotePort & 0xFFFF) == (row.remote_port & 0xFFFF) &&
                r.dwState != MIB_TCP_STATE_TIME_WAIT && r.dwState != MIB_TCP_STATE_CLOSED)
                return true;
        }
        return false;
    }
    return false;
}

std::string SystemText(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

}  // namespace

CloseOutcome CloseTcpConnection(const TcpRowOwnerPid& row) {
    if (row.family == kFamilyIPv6) return {CloseResult::NotSupported, {}};
    if (!StillListed(row)) return {CloseResult::NotFound, {}};
    MIB_TCPROW r{};
    r.dwState = MIB_TCP_STATE_DELETE_TCB;
    r.dwLocalAddr = row.local_addr;
    r.dwLocalPort = row.local_port;
    r.dwRemoteAddr = row.remote_addr;
    r.dwRemotePort = row.remote_port;
    const DWORD rc = SetTcpEntry(&r);
    switch (rc) {
    case NO_ERROR:
        for (int i = 0; i < 10; ++i) {
            if (!StillListed(row)) return {CloseResult::Closed, {}};
            Sleep(50);
        }
        return {CloseResult::NotSupported, {}};  // the call said yes and nothing happened (Wine)
    case ERROR_ACCESS_DENIED:
    case ERROR_MR_MID_NOT_FOUND:  // what a standard user gets since Vista
        return {CloseResult::NoRights, {}};
    case ERROR_NOT_FOUND:
        return {CloseResult::NotFound, {}};
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
        return {CloseResult::NotSupported, {}};
    default:
        return {CloseResult::Failed, SystemText(rc)};
    }
}

std::string CloseConnectionRightsText() {
    return "Closing a connection needs administrator rights (start Vantoscope with \"Run as administrator\").";
}

std::string CloseConnectionUnsupportedText(std::uint8_t family) {
    if (family == kFamilyIPv6) return "Windows can close only IPv4 connections.";
    return "This system does not close connections.";
}

}  // namespace vanto::platform
