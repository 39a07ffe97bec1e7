// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "update/qt/U_HTTP_Custo.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QSslSocket>

#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "support/versionhelpers.h"
#include "update/update_check.h"

namespace vanto {

namespace {

// OpenSSL 1.1.1 up to the 3.x series.
constexpr long kOpenSslMin = 0x10101000L;
constexpr long kOpenSslEnd = 0x40000000L;

QByteArray Env(const char* name) { return qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray(); }

// The library's compiled-in default file or folder, asked of libcrypto itself.
QString OpenSslDefault(const char* function) {
    using Fn = const char* (*)();
    const long n = QSslSocket::sslLibraryVersionNumber();
    QLibrary crypto(QStringLiteral("crypto"), n >= 0x30000000L ? QStringLiteral("3") : QStringLiteral("1.1"));
    const auto fn = reinterpret_cast<Fn>(crypto.resolve(function));
    const char* path = fn != nullptr ? fn() : nullptr;
    return path != nullptr ? QString::fromLocal8Bit(path) : QString();
}

// Certificates from files, each real file read once: the folders hold links under hashed
// names, and the default file is often one of the folder's own files.
class AuthorityList {
public:
    void AddFile(const QString& file) {
        const QFileInfo info(file);
        if (file.isEmpty() || !info.isFile() || !seen_.insert(info.canonicalFilePath()).second) return;
        list_ += QSslCertificate::fromPath(info.canonicalFilePath(), QSsl::Pem);
    }
    void AddFolder(const QString& folder) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
        for (const QFileInfo& e : QDir(folder).entryInfoList(QDir::Files | QDir::Readable)) AddFile(e.filePath());
    }
    void AddFolders(const QString& folders) {
        for (const QString& d : folders.split(QDir::listSeparator(), Qt::SkipEmptyParts)) AddFolder(d);
    }
    QList<QSslCertificate>& list() { return list_; }

private:
    QList<QSslCertificate> list_;
    std::set<QString> seen_;
};

}  // namespace

void CustomizeHttpClient(QNetworkAccessManager& client, QNetworkRequest& request) {
    client.setProxy(QNetworkProxy::NoProxy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kHttpUserAgent));
    request.setRawHeader("Accept", kHttpAccept);
    request.setRawHeader("Accept-Language", kHttpAcceptLanguage);
    // Without one Qt offers "gzip, deflate" and decodes what comes; "identity" asks for the
    // body as the service writes it (Qt sends an Accept-Encoding in any case).
    request.setRawHeader("Accept-Encoding", "identity");
    // HTTP 1.1, never 2.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kHttpMaxRedirects);
    request.setTransferTimeout(kHttpTimeoutMs);
}

bool IsSslAvailable() {
    if (IsPreVista()) return false;
    if (!QSslSocket::supportsSsl()) return false;
    if (QSslSocket::activeBackend() == QLatin1String("openssl")) {
        const long n = QSslSocket::sslLibraryVersionNumber();
        if (n < kOpenSslMin || n >= kOpenSslEnd) return false;
    }
    return true;
}

std::string SslVersionText() {
    if (!IsSslAvailable()) return "Not Available";
    return QSslSocket::sslLibraryVersionString().toStdString();
}

std::string SslOrPlainUrl(const std::string& url) { return SslOrPlainUrlFor(url, IsSslAvailable()); }

std::optional<QList<QSslCertificate>> AuthoritiesFromEnvironment() {
    const QByteArray file = Env("SSL_CERT_FILE");
    const QByteArray dirs = Env("SSL_CERT_DIR");
    if (file.isNull() && dirs.isNull()) return std::nullopt;
    // Reading a folder of authorities takes a while: kept until the variables change.
    static std::mutex mutex;
    static std::optional<std::pair<QByteArray, QByteArray>> cached_for;
    static QList<QSslCertificate> cached;
    std::lock_guard lock(mutex);
    const auto key = std::make_pair(file, dirs);
    if (cached_for != key) {
        AuthorityList authorities;
        // As OpenSSL: a variable that is set replaces its default, the other keeps its own.
        authorities.AddFile(!file.isNull() ? QString::fromLocal8Bit(file)
                                           : OpenSslDefault("X509_get_default_cert_file"));
        authorities.AddFolders(!dirs.isNull() ? QString::fromLocal8Bit(dirs)
                                              : OpenSslDefault("X509_get_default_cert_dir"));
        cached = authorities.list();
        cached_for = key;
    }
    return cached;
}

QSslConfiguration VerifyingSslConfiguration() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    // Without the variables the TLS layer looks the system's authorities up on demand in
    // OpenSSL's folders. An explicit list also turns that off.
    if (auto authorities = AuthoritiesFromEnvironment()) config.setCaCertificates(*authorities);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return config;
}

}  // namespace vanto
