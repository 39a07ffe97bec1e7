// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The details panel under the connection list: the texts it holds for the selected
// connection, its label lines, which of its four actions are possible, and the address each
// action opens. Pure functions; the window shows what they give and hands the addresses to
// the shell, so what is shown is exactly what the actions use.
#pragma once

#include <string>

#include "monitor/connection_snapshot.h"

namespace vanto {

// The whois service: "https://" host "/" address.
inline constexpr const char* kWhoisHost = "whois.domaintools.com";
// The web search: "https://" host "/search?q=" encoded term.
inline constexpr const char* kSearchHost = "www.google.com";

// Everything the panel knows about the selected connection; all empty when none is selected.
struct TDetailsTexts {
    std::string pid_text;
    std::string protocol_text;
    std::string local_addr_text;
    std::string local_text;        // address ":" port
    std::string remote_text;       // address ":" port, no label
    std::string remote_addr_text;
    std::string state_text;        // empty for UDP
    std::string process_text;      // display name
    std::string process_path;
    std::string remote_port_label; // " (HTTPS)" and the like, or empty
    std::string remote_name;       // the remote end's host name when names are shown and known
};

TDetailsTexts MakeDetailsTexts(const TConnection& c, const std::string& process_path, const std::string& process_text);

// The five label lines, each its prefix followed by the text ("Process ID: 1234").
struct TDetailsLabels {
    std::string pid;
    std::string protocol;  // "Protocol: TCP [ESTABLISHED]"; no brackets without a state
    std::string local;
    std::string remote;    // "Remote Address/Port: [::1]:443", then " (name)" when one is known
    std::string process;
};

TDetailsLabels DetailsLabels(const TDetailsTexts& t);

// Which actions the texts allow.
struct TDetailsButtons {
    bool whois = false;       // a remote address that is not local
    bool search = false;      // a process text
    bool openweb = false;     // the remote port's label names HTTP (80, 443, 8080)
    bool openfolder = false;  // the process path has a folder part
};

TDetailsButtons DetailsButtons(const TDetailsTexts& t);

// The folder part of a path with a trailing separator: everything up to the last "\" or
// "/" (or a drive's colon: "C:"). A path without one gives just a separator, so a bare executable
// name or "?" has no folder worth opening (length 2 or less).
std::string ProcessFolder(const std::string& process_path);

// "http://" or, for a label naming HTTPS, "https://", followed by the remote text with its port.
std::string WebAddress(const TDetailsTexts& t);
// The whois page of a remote address; empty for an empty address.
std::string WhoisAddress(const std::string& remote_addr_text);
// The web search for a process text, URL-encoded; empty for an empty text.
std::string SearchAddress(const std::string& process_text);

}  // namespace vanto
