// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The headless table's JSON and CSV read back by independent parsers: Qt's JSON reader on
// the real program's output, and the RFC 4180 rules on a table of awkward cells.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/cli.h"
#include "monitor/process_identity.h"

using namespace vanto;

namespace {

int g_argc = 1;
char g_name[] = "qt_test_cli_json";
char* g_argv[] = {g_name, nullptr};

}  // namespace

TEST(CliJson, ProgramOutputParsesBackWithStableKeys) {
    QCoreApplication app(g_argc, g_argv);
    QProcess p;
    p.start(VS_PROGRAM, {"--list", "--all", "--format", "json"});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    QJsonParseError error{};
    const auto doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    ASSERT_TRUE(doc.isArray());
    const QStringList keys = {"pid",         "protocol",       "state",       "local_address",     "local_port",
                              "remote_address", "remote_port", "remote_port_label", "process",
                              "family",         "bytes_sent",  "bytes_received"};
    for (const auto& v : doc.array()) {
        ASSERT_TRUE(v.isObject());
        const auto o = v.toObject();
        EXPECT_EQ(o.keys().size(), keys.size());
        for (const auto& k : keys) EXPECT_TRUE(o.contains(k)) << k.toStdString();
        // An owner we may not look up has no number.
        EXPECT_TRUE(o["pid"].isDouble() || (o["pid"].isNull() && o["process"].toString() == UnknownOwnerText()));
        EXPECT_TRUE(o["local_port"].isDouble());
        EXPECT_EQ(o["family"].toString(), "IPv4") << "IPv6 rows only with --ipv6";
        // The counts ride along in JSON; UDP rows and listeners have none.
        EXPECT_TRUE(o["bytes_sent"].isDouble() || o["bytes_sent"].isNull());
        EXPECT_TRUE(o["protocol"].toString() != "UDP" || o["bytes_received"].isNull());
        EXPECT_TRUE(o["protocol"].toString() == "TCP" || o["protocol"].toString() == "UDP");
    }
}

TEST(CliJson, AwkwardTextStaysValidJson) {
    cli::Table t;
    t.columns = {{"PID", "pid", true}, {"Process", "process", false}};
    t.rows = {{"12", "C:\\Program Files\\\"quoted\"\tname\n"}, {"7", std::string("bad \xFF\xFE utf8 \x01")},
              {"", "empty pid"}, {"?", "unknown pid"}};
    std::ostringstream out;
    cli::WriteTable(t, cli::Format::Json, out);
    QJsonParseError error{};
    const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(out.str()), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << out.str();
    const auto a = doc.array();
    ASSERT_EQ(a.size(), 4);
    EXPECT_EQ(a[0].toObject()["pid"].toInt(), 12);
    EXPECT_EQ(a[0].toObject()["process"].toString(), QString("C:\\Program Files\\\"quoted\"\tname\n"));
    EXPECT_EQ(a[1].toObject()["process"].toString(), QString::fromUtf8("bad \xEF\xBF\xBD\xEF\xBF\xBD utf8 \x01"));
    EXPECT_EQ(a[2].toObject()["pid"].toString(), QString(""));  // not a number, so kept as text
    EXPECT_TRUE(a[3].toObject()["pid"].isNull());
}
