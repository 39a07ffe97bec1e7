// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "update/update_check.h"

#include "productinfo/U_OrvoFct.h"
#include "support/U_Version.h"
#include "support/text_utils.h"

namespace vanto {

TUpdateIdentity IdentifyForUpdate(const std::string& path) {
    const TDisplayedFileInfo info = GetDisplayedFileInfo(path);
    TUpdateIdentity id;
    id.ProductName = info.ProductName;
    id.Company = info.Company;
    std::string exe = path;
    id.ProductVersion = GetProductVersion(exe, "", "", false);
    return id;
}

std::string BuildUpdateCheckUrl(std::string_view base, const TUpdateIdentity& identity, std::uint32_t& local_ms,
                                std::uint32_t& local_ls) {
    const TOrvoVersion version = TOrvoVersion::Create(identity.ProductVersion);
    local_ms = version.MS();
    local_ls = version.LS();
    std::string url(base);
    url += kUpdateCheckPath;
    url += "&ProductName=";
    url += UrlEncode(identity.ProductName);
    url += "&Company=";
    url += UrlEncode(identity.Company);
    url += "&VH=";
    url += version.MSText();
    url += "&VL=";
    url += version.LSText();
    return url;
}

std::string SslOrPlainUrlFor(std::string_view url, bool ssl_available) {
    if (!ssl_available && TextStartsWith(url, "https")) return "http" + std::string(url.substr(5));
    return std::string(url);
}

TUpdateReply EvaluateUpdateReply(std::string_view body, std::uint32_t local_ms, std::uint32_t local_ls) {
    const TOrvoVersion version = TOrvoVersion::Create(body);
    TUpdateReply r;
    r.VersionText = version.ToText();
    r.ReplyValid = version.IsValid();
    // Only a valid version can be newer: "-1.0.0.0" would otherwise beat every local version.
    r.NewVersionAvailable = r.ReplyValid && version.IsNewerThanMSLS(local_ms, local_ls);
    return r;
}

}  // namespace vanto
