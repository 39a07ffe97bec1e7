// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "update/qt/U_Orvo_Lite.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QTimer>
#include <QUrl>

#include <exception>

#include "update/maker_site.h"
#include "update/qt/U_HTTP_Custo.h"

namespace vanto {

namespace {

// The client's time-out, which here bounds a request that stops making progress.
constexpr int kCheckTimeoutMs = 10000;
// A server that keeps a request alive with a byte now and then still ends it here.
constexpr int kCheckDeadlineMs = 30000;

// Milliseconds since an arbitrary start, as the system's tick count.
std::uint32_t TickCount() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<std::uint32_t>(clock.elapsed());
}

// A response with a status line was transported, whatever its status (400, 407 and 418 come
// back as protocol or proxy errors): its body is read like any other. Errors of the connection
// itself (below 100: refused, cut, aborted for its size or its deadline, redirections refused
// or looping) end the check even when a status line came before them.
bool IsTransportedReply(const QNetworkReply& reply) {
    const int e = reply.error();
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
           (e == QNetworkReply::NoError || e >= QNetworkReply::ProxyConnectionRefusedError);
}

// A text from the server (an address it redirects to) made fit for one log line: printable
// ASCII only, and not longer than a reader needs.
std::string LogSafe(const QString& text) {
    constexpr qsizetype kMaxShown = 200;
    std::string out;
    for (const QChar c : text.left(kMaxShown)) out.push_back(c.unicode() >= 0x20 && c.unicode() < 0x7F ? char(c.unicode()) : '?');
    if (text.size() > kMaxShown) out += "...";
    return out;
}

// A redirect the client would not follow (to another scheme such as file:, or from HTTPS
// down to HTTP): the server answered, but not with something a check may go to.
bool IsRefusedRedirect(const QNetworkReply& reply) {
    const int e = reply.error();
    return (e == QNetworkReply::ProtocolUnknownError || e == QNetworkReply::InsecureRedirectError) &&
           (reply.attribute(QNetworkRequest::RedirectionTargetAttribute).isValid() || reply.hasRawHeader("Location"));
}

// Where a refused redirect pointed, as the server wrote it.
QString RedirectTarget(const QNetworkReply& reply) {
    const QVariant target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute);
    if (target.isValid()) return target.toUrl().toString();
    return QString::fromLatin1(reply.rawHeader("Location"));
}

}  // namespace

TOrvoLite::TOrvoLite(TKLog* log, std::string title)
    : Title(std::move(title)), EventLog(log), service_base_(MakerUpdateServiceBase()), identity_(IdentifyForUpdate),
      timeout_ms_(kCheckTimeoutMs), deadline_ms_(kCheckDeadlineMs), context_(std::make_unique<QObject>()) {}

TOrvoLite::~TOrvoLite() {
    OnDone = nullptr;
    FreeClient();
    context_.reset();  // with it every queued completion
}

void TOrvoLite::Log(const std::string& message, int level) { LogTo(EventLog, message, level); }

void TOrvoLite::FreeClient() {
    // Later, not now: this may run inside one of the reply's own signals.
    if (reply_) {
        QNetworkReply* r = reply_;
        QObject::disconnect(r, nullptr, context_.get(), nullptr);
        r->abort();
        r->deleteLater();
    }
    reply_ = nullptr;
    if (HttpClient) HttpClient->deleteLater();  // gone already when its owner went first
    HttpClient = nullptr;
}

void TOrvoLite::Check(const std::string& exe_path, QObject* owner, DoneCallback on_done) {
    FreeClient();
    Busy = true;
    NewVersionAvailable = false;
    ReplyValid = false;
    Log(Title + " Update self check : Initialization", 1);
    OnDone = std::move(on_done);
    try {
        const TUpdateIdentity identity = identity_(exe_path);
        const std::string url = BuildUpdateCheckUrl(service_base_, identity, LocalMS, LocalLS);
        Reply.clear();
        tls_reason_.clear();
        HttpClient = new QNetworkAccessManager(owner);
        QNetworkRequest request;
        CustomizeHttpClient(*HttpClient, request);
        request.setTransferTimeout(timeout_ms_);
        request.setSslConfiguration(VerifyingSslConfiguration());
        last_url_ = SslOrPlainUrl(url);
        if (last_url_ != url) Log("OrvoLite : No SSL / Back to HTTP", 0);
        request.setUrl(QUrl::fromEncoded(QByteArray::fromStdString(last_url_)));
        StartTick = TickCount();
        reply_ = HttpClient->get(request);
        // The body is read as it comes, and no further than a version text could reach.
        reply_->setReadBufferSize(static_cast<qint64>(kUpdateReplyMaxBytes));
        QNetworkReply* r = reply_;
        QObject::connect(r, &QNetworkReply::readyRead, context_.get(), [this, r] {
            const qint64 room = static_cast<qint64>(kUpdateReplyMaxBytes) - Reply.size();
            if (room > 0) Reply += r->read(room);
            if (r->bytesAvailable() > 0) r->abort();  // more than any version text: refused
        });
        QObject::connect(r, &QNetworkReply::sslErrors, context_.get(), [this](const QList<QSslError>& errors) {
            for (const QSslError& e : errors) {
                if (!tls_reason_.empty()) tls_reason_ += "; ";
                tls_reason_ += LogSafe(e.errorString());
            }
        });
        QObject::connect(r, &QNetworkReply::finished, context_.get(), [this, r] { HttpRequestDone(r); });
        QTimer::singleShot(deadline_ms_, r, [r] { r->abort(); });
    } catch (const std::exception&) {
        // A check that could not start ends as a failed one, so that later checks can run.
        FreeClient();
        QTimer::singleShot(0, context_.get(), [this] { Finish(); });
    }
}

void TOrvoLite::HttpRequestDone(QNetworkReply* reply) {
    // A redirect the client refused carries the redirecting status line, but nothing came from
    // where it pointed: it is no reply.
    const bool refused_redirect = IsRefusedRedirect(*reply);
    const bool transported = IsTransportedReply(*reply) && !refused_redirect;
    if (reply->bytesAvailable() > 0 && transported) {
        const qint64 room = static_cast<qint64>(kUpdateReplyMaxBytes) - Reply.size();
        if (room > 0) Reply += reply->read(room);
    }
    const unsigned code = transported ? 0u : static_cast<unsigned>(reply->error()) & 0xFFFFu;
    if (code != 0 && refused_redirect) {
        // Not an HTTP status: the client's own refusal of where the server sent it.
        Log(Title + " Update self check : Redirect refused (to " + LogSafe(RedirectTarget(*reply)) + ")", 2);
    } else if (code != 0 || reply->operation() != QNetworkAccessManager::GetOperation) {
        if (reply->error() == QNetworkReply::SslHandshakeFailedError) {
            // "Server error (6)" alone hides why: an unknown authority, an expired or
            // mismatched certificate, no common protocol.
            const std::string reason = !tls_reason_.empty() ? tls_reason_ : LogSafe(reply->errorString());
            Log(Title + " Update self check : Secure connection refused (" + reason + ")", 2);
        }
        Log(Title + " Update self check : Server error (" + std::to_string(code) + ")", 2);
    } else {
        const TUpdateReply r =
            EvaluateUpdateReply(std::string_view(Reply.constData(), static_cast<std::size_t>(Reply.size())), LocalMS,
                                LocalLS);
        Log(Title + " Update self check : Server replied " + r.VersionText + " in " +
                std::to_string(TickCount() - StartTick) + "ms",
            1);
        if (!r.ReplyValid) {
            const std::string reason =
                reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
            Log(Title + " Update self check : Server error (" + std::to_string(code) + " Cause : " + reason + ")", 0);
        }
        ReplyValid = r.ReplyValid;
        NewVersionAvailable = r.NewVersionAvailable;
    }
    Finish();
}

void TOrvoLite::Finish() {
    Busy = false;
    if (OnDone) OnDone(*this);
}

}  // namespace vanto
