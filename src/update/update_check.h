// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The Qt-free half of the update check: who the running program says it is (product,
// company, version, as product identification reads them from its executable), the request's
// URL, the https-to-http fallback rule and what a reply body means against the local version.
// The checker in update/qt/U_Orvo_Lite.h does the networking around these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vanto {

// The path and fixed start of the query that every check asks.
inline constexpr std::string_view kUpdateCheckPath = "/orvo/check.php?uid=0";
// At most this much of a reply body is read; a version text is a few bytes.
inline constexpr std::size_t kUpdateReplyMaxBytes = 4096;

// What the check sends about the running program.
struct TUpdateIdentity {
    std::string ProductName;
    std::string Company;
    // The product version as read from the executable; parsed as a version number.
    std::string ProductVersion;
};

// Reads the identity of the executable at `path`. May throw (the checker treats that as a
// failed check).
using TUpdateIdentitySource = std::function<TUpdateIdentity(const std::string& path)>;

// The identity product identification gives for `path`.
TUpdateIdentity IdentifyForUpdate(const std::string& path);

// base (no trailing slash), then the path and query with the URL-encoded names and the two
// version words as unsigned decimals.
std::string BuildUpdateCheckUrl(std::string_view base, const TUpdateIdentity& identity, std::uint32_t& local_ms,
                                std::uint32_t& local_ls);

// "http" + the URL without its first five characters when it starts with "https" (ASCII case
// folded) and TLS cannot be used; otherwise the URL unchanged.
std::string SslOrPlainUrlFor(std::string_view url, bool ssl_available);

// The meaning of a whole reply body against the local version words.
struct TUpdateReply {
    std::string VersionText;  // the body parsed as a version, as text
    bool ReplyValid = false;
    bool NewVersionAvailable = false;
};
TUpdateReply EvaluateUpdateReply(std::string_view body, std::uint32_t local_ms, std::uint32_t local_ls);

}  // namespace vanto
