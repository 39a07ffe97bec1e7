// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The update checker: one asynchronous GET to the maker's update service per check, with the
// running program's product name, company and version in the query; the answer arrives on
// the user-interface thread, is logged, sets NewVersionAvailable and ReplyValid, and calls the
// caller back. One check at a time: the caller tests Busy first.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "support/U_Log.h"
#include "update/update_check.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace vanto {

class TOrvoLite {
public:
    using DoneCallback = std::function<void(TOrvoLite& sender)>;

    // Stores the log (borrowed, may be null) and the title that begins the log lines.
    TOrvoLite(TKLog* log, std::string title);
    // No callback follows; a running request is cancelled.
    ~TOrvoLite();
    TOrvoLite(const TOrvoLite&) = delete;
    TOrvoLite& operator=(const TOrvoLite&) = delete;

    // Starts one check of the executable at `exe_path` and returns at once. The client
    // belongs to `owner` too, so it never outlives it. `on_done` runs once, on this thread,
    // when the check ends, whatever its outcome.
    void Check(const std::string& exe_path, QObject* owner, DoneCallback on_done);

    bool Busy = false;
    bool NewVersionAvailable = false;
    bool ReplyValid = false;
    std::uint32_t StartTick = 0;
    std::uint32_t LocalMS = 0;
    std::uint32_t LocalLS = 0;
    std::string Title;
    QByteArray Reply;

    // The service's base (scheme and host, no trailing slash); the maker's by default.
    void SetServiceBase(std::string base) { service_base_ = std::move(base); }
    // Who the program says it is; IdentifyForUpdate by default.
    void SetIdentitySource(TUpdateIdentitySource source) { identity_ = std::move(source); }
    // How long a request may go without progress before it fails.
    void SetTimeoutMs(int ms) { timeout_ms_ = ms; }
    // How long a whole check may take, however slowly a server keeps it going.
    void SetDeadlineMs(int ms) { deadline_ms_ = ms; }
    // The URL of the running or last check, after the https fallback.
    const std::string& LastUrl() const { return last_url_; }

private:
    void Log(const std::string& message, int level);
    void FreeClient();
    void HttpRequestDone(QNetworkReply* reply);
    void Finish();

    TKLog* EventLog;
    DoneCallback OnDone;
    QPointer<QNetworkAccessManager> HttpClient;
    QPointer<QNetworkReply> reply_;
    std::string service_base_;
    TUpdateIdentitySource identity_;
    int timeout_ms_;
    int deadline_ms_;
    std::string last_url_;
    // What the TLS library said about the server's certificate, for the log.
    std::string tls_reason_;
    // Receives the client's signals and queued completions; goes with the checker, so
    // nothing arrives after it.
    std::unique_ptr<QObject> context_;
};

}  // namespace vanto
