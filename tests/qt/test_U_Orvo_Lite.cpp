// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The update check against a local HTTPS server with its own certificate authority: the
// reply cases and their flags and log lines, the exact request, transport failures (refused,
// untrusted certificate, silence, redirect loop, an endless body), a check that cannot start,
// destruction while a check runs, and the headless --check-update with its exit codes.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QElapsedTimer>
#include <QPointer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "https_test_server.h"
#include "support/U_Log.h"
#include "support/U_Version.h"
#include "testsupport/test_support.h"
#include "update/qt/U_HTTP_Custo.h"
#include "update/qt/U_Orvo_Lite.h"
#include "update/update_check.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

// Wine's Schannel fails the TLS handshake with the tests' own certificate authority (the
// client ends with "Server error (6)" against openssl's own server too, RSA or EC keys, TLS 1.2
// or 1.3), so the checks that need a TLS server only run on Linux and on Windows itself.
constexpr const char* kNoTlsServerUnderWine = "Wine's Schannel cannot complete a handshake with the test's authority";

const TestCertificates& Certs() {
    static const TestCertificates certs;
    return certs;
}

TUpdateIdentity Identity(const std::string& version = "1.8.4.23") { return {"Vantoscope", "Ombrevale", version}; }

// One checker with a verbose log, trusting only the test's own authority.
class OrvoLiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (RunningUnderWine()) GTEST_SKIP() << kNoTlsServerUnderWine;
        ASSERT_TRUE(Certs().ok()) << Certs().error();
        checker_ = std::make_unique<TOrvoLite>(&log_, "Vantoscope");
        checker_->SetIdentitySource([](const std::string&) { return Identity(); });
    }

    // Runs one check against `base` and waits for its callback.
    void RunCheck(const std::string& base, int wait_ms = 8000) {
        checker_->SetServiceBase(base);
        calls_ = 0;
        checker_->Check("/opt/vantoscope/vantoscope", &owner_, [this](TOrvoLite& sender) {
            EXPECT_EQ(&sender, checker_.get());
            EXPECT_FALSE(sender.Busy);
            ++calls_;
        });
        EXPECT_TRUE(checker_->Busy);
        EXPECT_FALSE(checker_->NewVersionAvailable);
        EXPECT_FALSE(checker_->ReplyValid);
        ASSERT_TRUE(PumpUntil([this] { return calls_ > 0; }, wait_ms)) << "no callback";
        PumpUntil([] { return false; }, 50);  // a second callback would arrive here
        EXPECT_EQ(calls_, 1);
        EXPECT_FALSE(checker_->Busy);
    }

    // The log's lines oldest first, without level names and times.
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (auto it = log_.Lines().rbegin(); it != log_.Lines().rend(); ++it) {
            const std::string& l = *it;
            const auto second_tab = l.find('\t', l.find('\t') + 1);
            out.push_back(l.substr(0, l.find('\t')) + " " + l.substr(second_tab + 1));
        }
        return out;
    }

    ScopedEnv cert_file_{"SSL_CERT_FILE", Certs().TrustedAuthorityFile()};
    ScopedEnv cert_dir_{"SSL_CERT_DIR", Certs().EmptyFolder()};
    TKLog log_{std::string(), true, 1000, false};
    QObject owner_;
    std::unique_ptr<TOrvoLite> checker_;
    int calls_ = 0;
};

TEST_F(OrvoLiteTest, RepliesSetTheFlagsAndTheLogLines) {
    const struct {
        QByteArray status;
        QByteArray body;
        bool newer;
        bool valid;
        std::string parsed;
        std::string cause;  // the level-0 cause line's reason, when the reply is no version
    } cases[] = {
        {"200 OK", "1.8.5.0", true, true, "1.8.5.0", ""},
        {"200 OK", "1.8.4.23", false, true, "1.8.4.23", ""},
        {"200 OK", "1.8.4.22", false, true, "1.8.4.22", ""},
        // A trailing line break spoils the last number.
        {"200 OK", "1.8.4.24\n", false, true, "1.8.4.0", ""},
        {"404 Not Found", "<html><body>No such page</body></html>", false, false, "0.0.0.0", "Not Found"},
        {"200 OK", "", false, false, "0.0.0.0", "OK"},
        // Not valid, so never newer, however its words compare.
        {"200 OK", "-1.0.0.0", false, false, "-1.0.0.0", "OK"},
        // Every response with a status line is a reply, whatever the status.
        {"400 Bad Request", "9.9.9.9", true, true, "9.9.9.9", ""},
        {"401 Unauthorized", "9.9.9.9", true, true, "9.9.9.9", ""},
        {"407 Proxy Authentication Required", "9.9.9.9", true, true, "9.9.9.9", ""},
        {"418 I'm a teapot", "9.9.9.9", true, true, "9.9.9.9", ""},
        {"503 Service Unavailable", "9.9.9.9", true, true, "9.9.9.9", ""},
        {"400 Bad Request", "", false, false, "0.0.0.0", "Bad Request"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        HttpsTestServer server(Certs(), "trusted",
                               [&](const QByteArray&) { return HttpsTestServer::Response(c.status, c.body); });
        ASSERT_TRUE(server.listening());
        const auto before = log_.Lines().size();
        RunCheck(server.Base());
        EXPECT_EQ(checker_->NewVersionAvailable, c.newer);
        EXPECT_EQ(checker_->ReplyValid, c.valid);
        const std::vector<std::string> all = Messages();
        const std::vector<std::string> lines(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        ASSERT_EQ(lines.size(), c.cause.empty() ? 2u : 3u);
        EXPECT_EQ(lines[0], "Info Vantoscope Update self check : Initialization");
        EXPECT_TRUE(QRegularExpression(QString::fromStdString("^Info Vantoscope Update self check : Server replied " +
                                                              QRegularExpression::escape(QString::fromStdString(c.parsed)).toStdString() +
                                                              " in [0-9]+ms$"))
                        .match(QString::fromStdString(lines[1]))
                        .hasMatch())
            << lines[1];
        if (!c.cause.empty()) {
            EXPECT_EQ(lines[2], "Verbose Vantoscope Update self check : Server error (0 Cause : " + c.cause + ")");
        }
    }
}

TEST_F(OrvoLiteTest, RequestCarriesTheEncodedNamesTheVersionWordsAndTheSharedHeaders) {
    checker_->SetIdentitySource([](const std::string&) {
        // 8-bit text as the system gives it: here UTF-8, "é" is two bytes.
        return TUpdateIdentity{"Mon Produit \xC3\xA9t\xC3\xA9", "Ombre-vale_S.A. & Co", "1.8.4.23"};
    });
    HttpsTestServer server(Certs(), "trusted",
                           [](const QByteArray&) { return HttpsTestServer::Response("200 OK", "1.8.4.23"); });
    ASSERT_TRUE(server.listening());
    RunCheck(server.Base());
    ASSERT_EQ(server.Heads().size(), 1);
    const QByteArray head = server.Heads().first();
    EXPECT_EQ(head.left(head.indexOf("\r\n")).toStdString(),
              "GET /orvo/check.php?uid=0&ProductName=Mon%20Produit%20%C3%A9t%C3%A9"
              "&Company=Ombre-vale_S.A.%20%26%20Co&VH=65544&VL=262167 HTTP/1.1");
    EXPECT_EQ(HeaderValue(head, "Host").toStdString(), server.Host());
    EXPECT_EQ(HeaderValue(head, "User-Agent"), "Mozilla/5.0");
    EXPECT_EQ(HeaderValue(head, "Accept"), "text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8");
    EXPECT_EQ(HeaderValue(head, "Accept-Language"), "fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3");
    EXPECT_TRUE(HeaderValue(head, "Cookie").isEmpty());
    EXPECT_EQ(checker_->LocalMS, 65544u);
    EXPECT_EQ(checker_->LocalLS, 262167u);
    EXPECT_EQ(checker_->LastUrl().rfind("https://", 0), 0u);
}

TEST_F(OrvoLiteTest, RequestHeadHoldsTheSharedHeadersAndWhatQtInsistsOn) {
    checker_->SetIdentitySource([](const std::string&) { return TUpdateIdentity{"Tilde~Tool", "Ombrevale", "1.0"}; });
    HttpsTestServer server(Certs(), "trusted",
                           [](const QByteArray&) { return HttpsTestServer::Response("200 OK", "1.0"); });
    ASSERT_TRUE(server.listening());
    RunCheck(server.Base());
    ASSERT_EQ(server.Heads().size(), 1);
    const QByteArray head = server.Heads().first();
    QStringList names;
    for (const QByteArray& line : head.split('\n').mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) names << QString::fromLatin1(line.left(colon).trimmed().toLower());
    }
    names.sort();
    // Host and Connection are Qt's own; Accept-Encoding it always sends, so it asks for the body as is.
    EXPECT_EQ(names.join(u' ').toStdString(), "accept accept-encoding accept-language connection host user-agent")
        << head.toStdString();
    EXPECT_EQ(HeaderValue(head, "Accept-Encoding"), "identity");
    // The URL carries UrlEncode's "%7E"; Qt writes an unreserved character bare in every URL,
    // so the request line says "~", which a server decodes to the same byte.
    EXPECT_NE(checker_->LastUrl().find("ProductName=Tilde%7ETool&"), std::string::npos) << checker_->LastUrl();
    EXPECT_TRUE(RequestTarget(head).contains("ProductName=Tilde~Tool&")) << RequestTarget(head).toStdString();
}

TEST_F(OrvoLiteTest, UnreadableVersionSendsZerosAndAnyValidReplyIsNewer) {
    checker_->SetIdentitySource([](const std::string&) { return Identity(""); });
    HttpsTestServer server(Certs(), "trusted",
                           [](const QByteArray&) { return HttpsTestServer::Response("200 OK", "0.0.0.1"); });
    RunCheck(server.Base());
    ASSERT_EQ(server.Heads().size(), 1);
    EXPECT_TRUE(RequestTarget(server.Heads().first()).endsWith("&VH=0&VL=0"));
    EXPECT_TRUE(checker_->NewVersionAvailable);
    EXPECT_TRUE(checker_->ReplyValid);
}

TEST_F(OrvoLiteTest, TransportFailuresEndAsFailedChecksWithTheirErrorCode) {
    // A port that was just free: nothing listens there.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const std::string refused = "https://127.0.0.1:" + std::to_string(probe.serverPort());
    probe.close();

    HttpsTestServer untrusted(Certs(), "untrusted",
                              [](const QByteArray&) { return HttpsTestServer::Response("200 OK", "9.9.9.9"); });
    HttpsTestServer silent(Certs(), "trusted", [](const QByteArray&) { return QByteArray(); });
    HttpsTestServer loop(Certs(), "trusted", [&](const QByteArray& head) {
        return HttpsTestServer::Response("302 Found", "", "Location: " + RequestTarget(head) + "\r\n");
    });
    // Far more than any version text; the checker stops reading.
    HttpsTestServer endless(Certs(), "trusted", [](const QByteArray&) {
        return HttpsTestServer::Response("200 OK", "1.8.5.0" + QByteArray(1 << 20, ' '));
    });
    ASSERT_TRUE(untrusted.listening() && silent.listening() && loop.listening() && endless.listening());

    checker_->SetTimeoutMs(1500);
    const struct {
        const char* what;
        std::string base;
    } cases[] = {{"refused", refused},
                 {"untrusted authority", untrusted.Base()},
                 {"never answers", silent.Base()},
                 {"redirect loop", loop.Base()},
                 {"endless body", endless.Base()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log_.Log("--", 1);
        RunCheck(c.base);
        EXPECT_FALSE(checker_->NewVersionAvailable);
        EXPECT_FALSE(checker_->ReplyValid);
        const std::string last = Messages().back();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^Error Vantoscope Update self check : Server error \\([1-9][0-9]*\\)$"))
                        .match(QString::fromStdString(last))
                        .hasMatch())
            << last;
        EXPECT_LE(checker_->Reply.size(), static_cast<qsizetype>(kUpdateReplyMaxBytes));
    }
    // The untrusted server's certificate was refused before any request went out.
    EXPECT_TRUE(untrusted.Heads().isEmpty());
    // The loop was followed a bounded number of times.
    EXPECT_GE(loop.Heads().size(), 2);
    EXPECT_LE(loop.Heads().size(), 20);
}

// The log says why: the TLS library's reason for a refused certificate, and a redirect the
// client refused as such, not as a number that reads like an HTTP status.
TEST_F(OrvoLiteTest, FailuresSayTheirReasonInTheLog) {
    HttpsTestServer untrusted(Certs(), "untrusted",
                              [](const QByteArray&) { return HttpsTestServer::Response("200 OK", "9.9.9.9"); });
    HttpsTestServer to_file(Certs(), "trusted", [](const QByteArray&) {
        return HttpsTestServer::Response("302 Found", "", "Location: file:///etc/passwd\r\n");
    });
    HttpsTestServer to_plain(Certs(), "trusted", [](const QByteArray&) {
        return HttpsTestServer::Response("302 Found", "", "Location: http://127.0.0.1:9/version\r\n");
    });
    ASSERT_TRUE(untrusted.listening() && to_file.listening() && to_plain.listening());
    checker_->SetTimeoutMs(1500);

    RunCheck(untrusted.Base());
    std::vector<std::string> lines = Messages();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "Error Vantoscope Update self check : Server error (6)");
    const std::string& reason = lines[lines.size() - 2];
    EXPECT_EQ(reason.rfind("Error Vantoscope Update self check : Secure connection refused (", 0), 0u) << reason;
    EXPECT_GT(reason.size(), std::string("Error Vantoscope Update self check : Secure connection refused ()").size())
        << "with the library's words";

    const struct {
        const char* what;
        std::string base;
        std::string line;
    } redirects[] = {
        {"to a file", to_file.Base(), "Error Vantoscope Update self check : Redirect refused (to file:///etc/passwd)"},
        {"down to plain HTTP", to_plain.Base(),
         "Error Vantoscope Update self check : Redirect refused (to http://127.0.0.1:9/version)"},
    };
    for (const auto& c : redirects) {
        SCOPED_TRACE(c.what);
        RunCheck(c.base);
        EXPECT_FALSE(checker_->ReplyValid);
        EXPECT_EQ(Messages().back(), c.line);
    }
}

TEST_F(OrvoLiteTest, ServerDribblingItsReplyIsCutOffAtTheDeadline) {
    // A byte every 100 ms keeps the connection alive but never finishes the reply.
    HttpsTestServer dribble(Certs(), "trusted", [](const QByteArray&) { return QByteArray(); });
    QTimer drip;
    int sent = 0;
    QObject::connect(&drip, &QTimer::timeout, [&] {
        for (QSslSocket* s : dribble.Sockets()) {
            if (sent == 0) s->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
            s->write("1");
        }
        ++sent;
    });
    drip.start(100);
    checker_->SetTimeoutMs(1000);
    checker_->SetDeadlineMs(1500);
    QElapsedTimer t;
    t.start();
    RunCheck(dribble.Base());
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_GT(sent, 5) << "the server kept sending";
    EXPECT_FALSE(checker_->ReplyValid);
    EXPECT_NE(Messages().back().find("Server error ("), std::string::npos);
}

TEST_F(OrvoLiteTest, CheckThatCannotStartFailsAndTheNextOneRuns) {
    checker_->SetIdentitySource([](const std::string&) -> TUpdateIdentity { throw std::runtime_error("unreadable"); });
    RunCheck("https://127.0.0.1:1");
    EXPECT_FALSE(checker_->ReplyValid);

    HttpsTestServer server(Certs(), "trusted",
                           [](const QByteArray&) { return HttpsTestServer::Response("200 OK", "1.8.5.0"); });
    checker_->SetIdentitySource([](const std::string&) { return Identity(); });
    RunCheck(server.Base());
    EXPECT_TRUE(checker_->NewVersionAvailable);
}

TEST_F(OrvoLiteTest, DestroyingTheCheckerDuringACheckCallsNothingBack) {
    HttpsTestServer silent(Certs(), "trusted", [](const QByteArray&) { return QByteArray(); });
    checker_->SetServiceBase(silent.Base());
    bool called = false;
    checker_->Check("/x", &owner_, [&](TOrvoLite&) { called = true; });
    ASSERT_TRUE(PumpUntil([&] { return !silent.Heads().isEmpty(); }, 15000));
    checker_.reset();
    // The server hangs up: a request still alive would end now and call back.
    for (QSslSocket* s : silent.Sockets()) s->disconnectFromHost();
    PumpUntil([] { return false; }, 300);
    EXPECT_FALSE(called);
}

TEST(HttpCusto, PlainFallbackChangesOnlyTheScheme) {
    EXPECT_EQ(SslOrPlainUrlFor("https://www.example.org/orvo/check.php?uid=0", false),
              "http://www.example.org/orvo/check.php?uid=0");
    EXPECT_EQ(SslOrPlainUrlFor("HTTPS://h/p", false), "http://h/p");
    EXPECT_EQ(SslOrPlainUrlFor("https://h/p", true), "https://h/p");
    EXPECT_EQ(SslOrPlainUrlFor("http://h/p", false), "http://h/p");
    // This system has a TLS library: its own version text names it.
    ASSERT_TRUE(IsSslAvailable());
#ifdef _WIN32
    EXPECT_EQ(SslVersionText().rfind("Secure Channel", 0), 0u) << SslVersionText();
#else
    EXPECT_EQ(SslVersionText().rfind("OpenSSL ", 0), 0u) << SslVersionText();
#endif
    EXPECT_EQ(SslOrPlainUrl("https://h/p"), "https://h/p");
}

TEST(HttpCusto, AuthoritiesComeFromTheOpenSslVariables) {
    ASSERT_TRUE(Certs().ok()) << Certs().error();
    {
        ScopedEnv file("SSL_CERT_FILE", nullptr);
        ScopedEnv dir("SSL_CERT_DIR", nullptr);
        EXPECT_FALSE(AuthoritiesFromEnvironment().has_value()) << "the system's own, looked up on demand";
    }
    {
        ScopedEnv file("SSL_CERT_FILE", Certs().TrustedAuthorityFile());
        ScopedEnv dir("SSL_CERT_DIR", Certs().EmptyFolder());
        const auto list = AuthoritiesFromEnvironment();
        ASSERT_TRUE(list.has_value());
        ASSERT_EQ(list->size(), 1);
        EXPECT_TRUE(list->first().subjectInfo(QSslCertificate::CommonName).first().contains(QStringLiteral("trusted")));
    }
#ifndef _WIN32  // hashed links are OpenSSL's convention on Unix
    {
        // A folder of hashed links: each certificate once. The file variable names nothing
        // usable, so only the folder counts.
        TempDir folder;
        const std::filesystem::path real = folder.path() / "ca.pem";
        std::filesystem::copy_file(Certs().TrustedAuthorityFile(), real);
        std::filesystem::create_symlink(real, folder.path() / "0a1b2c3d.0");
        ScopedEnv file("SSL_CERT_FILE", (folder.path() / "missing.pem").string());
        ScopedEnv dir("SSL_CERT_DIR", Certs().EmptyFolder() + ":" + folder.str());
        const auto list = AuthoritiesFromEnvironment();
        ASSERT_TRUE(list.has_value());
        EXPECT_EQ(list->size(), 1);
    }
#endif
}

// The program itself, once, against the test server: its output and exit code.
class CheckUpdateCommandTest : public OrvoLiteTest {
protected:
    int RunProgram(const std::string& base, std::string& output) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SSL_CERT_FILE"), QString::fromStdString(Certs().TrustedAuthorityFile()));
        env.insert(QStringLiteral("SSL_CERT_DIR"), QString::fromStdString(Certs().EmptyFolder()));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(VS_PROGRAM),
                {QStringLiteral("--check-update"), QStringLiteral("--update-url"), QString::fromStdString(base)});
        // The server answers from this process's event loop.
        EXPECT_TRUE(PumpUntil([&] { return p.state() == QProcess::NotRunning; }, 20000));
        output = p.readAll().toStdString();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

TEST_F(CheckUpdateCommandTest, ExitCodeTellsTheOutcome) {
    const TOrvoVersion own = TOrvoVersion::Create(VS_PROJECT_VERSION);
    const struct {
        QByteArray body;
        int code;
        const char* outcome;
    } cases[] = {
        {"999.0.0.0", cli::kExitNewerVersion, "A new version of Vantoscope is available."},
        {QByteArray(VS_PROJECT_VERSION), cli::kExitUpToDate, "Vantoscope is already up to date."},
        {"<html>gone</html>", cli::kExitCheckFailed, "The update check failed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        HttpsTestServer server(Certs(), "trusted",
                               [&](const QByteArray&) { return HttpsTestServer::Response("200 OK", c.body); });
        std::string output;
        EXPECT_EQ(RunProgram(server.Base() + "/", output), c.code) << output;
        EXPECT_NE(output.find("Vantoscope Update self check : Initialization"), std::string::npos) << output;
        EXPECT_NE(output.find(c.outcome), std::string::npos) << output;
        ASSERT_EQ(server.Heads().size(), 1);
        // The program names itself from its own executable.
        EXPECT_EQ(RequestTarget(server.Heads().first()).toStdString(),
                  "/orvo/check.php?uid=0&ProductName=Vantoscope&Company=Ombrevale&VH=" + own.MSText() +
                      "&VL=" + own.LSText());
    }
    std::string output;
    EXPECT_EQ(RunProgram("https://127.0.0.1:1", output), cli::kExitCheckFailed) << output;
    EXPECT_NE(output.find("Server error ("), std::string::npos) << output;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
