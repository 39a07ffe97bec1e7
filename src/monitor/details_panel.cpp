// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/details_panel.h"

#include "monitor/connection_filters.h"
#include "monitor/process_identity.h"
#include "support/text_utils.h"

namespace vanto {

TDetailsTexts MakeDetailsTexts(const TConnection& c, const std::string& process_path, const std::string& process_text) {
    TDetailsTexts t;
    t.pid_text = PidToStr(c.pid);
    t.protocol_text = ProtocolText(c);
    t.local_addr_text = LocalAddressText(c);
    t.local_text = EndpointText(t.local_addr_text, c.family, c.local_port);
    t.remote_addr_text = RemoteAddressText(c);
    t.remote_text = EndpointText(t.remote_addr_text, c.family, c.remote_port);
    t.state_text = StateName(c.state);
    t.process_text = process_text;
    t.process_path = process_path;
    t.remote_port_label = PortLabel(static_cast<int>(SwapPort(c.remote_port)));
    return t;
}

TDetailsLabels DetailsLabels(const TDetailsTexts& t) {
    TDetailsLabels l;
    l.pid = "Process ID: " + t.pid_text;
    l.protocol = "Protocol: " + t.protocol_text;
    if (!t.state_text.empty()) l.protocol += " [" + t.state_text + "]";
    l.local = "Local Address/Port: " + t.local_text;
    l.remote = "Remote Address/Port: " + t.remote_text;
    if (!t.remote_name.empty()) l.remote += " (" + t.remote_name + ")";
    l.process = "Process: " + t.process_text;
    return l;
}

TDetailsButtons DetailsButtons(const TDetailsTexts& t) {
    TDetailsButtons b;
    b.openweb = TextContains("HTTP", t.remote_port_label);
    b.openfolder = ProcessFolder(t.process_path).size() > 2;
    b.search = !t.process_text.empty() && t.process_path != UnknownOwnerText();
    b.whois = !t.remote_addr_text.empty() && !IsLocalAddress(t.remote_addr_text);
    return b;
}

std::string ProcessFolder(const std::string& process_path) {
    const std::size_t last = process_path.find_last_of("\\/");
    std::string folder;
    if (last != std::string::npos) folder = process_path.substr(0, last + 1);
    else if (process_path.size() >= 2 && process_path[1] == ':') folder = process_path.substr(0, 2);  // "C:name"
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) {
        // A path written with slashes gets a slash, any other the Windows backslash.
        folder += process_path.find('/') != std::string::npos ? '/' : '\\';
    }
    return folder;
}

std::string WebAddress(const TDetailsTexts& t) {
    const char* scheme = TextContains("https", t.remote_port_label) ? "https" : "http";
    return std::string(scheme) + "://" + t.remote_text;
}

std::string WhoisAddress(const std::string& remote_addr_text) {
    if (remote_addr_text.empty()) return {};
    return std::string("https://") + kWhoisHost + "/" + remote_addr_text;
}

std::string SearchAddress(const std::string& process_text) {
    if (process_text.empty()) return {};
    return std::string("https://") + kSearchHost + "/search?q=" + UrlEncode(process_text);
}

}  // namespace vanto
