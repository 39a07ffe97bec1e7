// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The HTTP client settings the maker's programs share (headers, HTTP/1.1, time-out, no
// proxy, redirections followed), whether TLS can be used, the https-to-http fallback when it
// cannot, the TLS library's version text, and the certificate authorities a secure request
// trusts: the system's, found as OpenSSL finds them (SSL_CERT_FILE and SSL_CERT_DIR first).
#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>

#include <optional>
#include <string>

class QNetworkAccessManager;
class QNetworkRequest;

namespace vanto {

inline constexpr const char* kHttpUserAgent = "Mozilla/5.0";
inline constexpr const char* kHttpAccept = "text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8";
inline constexpr const char* kHttpAcceptLanguage = "fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3";
// The time-out the shared settings give a request, in milliseconds.
inline constexpr int kHttpTimeoutMs = 3000;
// Redirections followed before a request fails; a loop ends here.
inline constexpr int kHttpMaxRedirects = 10;

// Applies the shared settings to a request, and "no proxy" to its client.
void CustomizeHttpClient(QNetworkAccessManager& client, QNetworkRequest& request);

// True when TLS can be used: not Windows before 6.0, and a TLS library the client's TLS
// layer supports (OpenSSL 1.1.1 to 3.x).
bool IsSslAvailable();
// "Not Available" unless IsSslAvailable; otherwise the library's own version text.
std::string SslVersionText();
// See SslOrPlainUrlFor, with IsSslAvailable.
std::string SslOrPlainUrl(const std::string& url);

// The certificate authorities named by SSL_CERT_FILE and the folders of SSL_CERT_DIR
// (":"-separated), the TLS library's default standing in for the one not set; nullopt when
// neither is set, and the system's authorities serve.
std::optional<QList<QSslCertificate>> AuthoritiesFromEnvironment();
// A client TLS configuration that verifies the peer against those authorities.
QSslConfiguration VerifyingSslConfiguration();

}  // namespace vanto
