// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Where the single-instance rule keeps its socket and lock: only in the user's private
// runtime folder. Without one the program runs alone and leaves nothing in a shared folder;
// a lock whose socket cannot listen is given up.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/single_instance.h"
#include "platform/instance_lock.h"
#include "testsupport/test_support.h"

using vanto::TSingleInstance;
using vanto::testing::ScopedEnv;

namespace {

int g_argc = 1;
char g_name[] = "qt_test_single_instance_runtime";
char* g_argv[] = {g_name, nullptr};

QCoreApplication& App() {
    static auto* app = new QCoreApplication(g_argc, g_argv);
    return *app;
}

QString Key() { return QStringLiteral("vs-runtime-test-%1").arg(QCoreApplication::applicationPid()); }

bool NothingNamedInTmp(const QString& key) {
    return QDir(QDir::tempPath()).entryList({key + QLatin1Char('*')}, QDir::AllEntries | QDir::System).isEmpty();
}

}  // namespace

TEST(SingleInstanceRuntime, WithoutAPrivateFolderItRunsAloneAndLeavesNothingInTmp) {
    App();
    QTemporaryDir open_to_all;
    ASSERT_TRUE(open_to_all.isValid());
    ::chmod(open_to_all.path().toLocal8Bit().constData(), 0777);
    const QByteArray not_ours_path = "/";  // exists, but root's and open to everyone
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/dir",
                              "/nonexistent/vantoscope-runtime", not_ours_path.constData()}) {
        ScopedEnv env("XDG_RUNTIME_DIR", value);
        TSingleInstance instance(Key());
        EXPECT_TRUE(instance.ServerName().isEmpty()) << (value ? value : "(unset)");
        EXPECT_EQ(instance.Claim({}), TSingleInstance::Outcome::Alone) << (value ? value : "(unset)");
    }
    {
        ScopedEnv env("XDG_RUNTIME_DIR", open_to_all.path().toStdString());
        TSingleInstance instance(Key());
        EXPECT_EQ(instance.Claim({}), TSingleInstance::Outcome::Alone) << "a folder others may write in";
        EXPECT_TRUE(QDir(open_to_all.path()).isEmpty());
    }
    EXPECT_TRUE(NothingNamedInTmp(Key()));
}

TEST(SingleInstanceRuntime, PrivateFolderHoldsSocketAndLock) {
    App();
    QTemporaryDir runtime;  // made 0700 by Qt
    ASSERT_TRUE(runtime.isValid());
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().toStdString());
    TSingleInstance instance(Key());
    EXPECT_EQ(instance.ServerName(), runtime.path() + QLatin1Char('/') + Key());
    EXPECT_EQ(instance.Claim({}), TSingleInstance::Outcome::First);
    EXPECT_TRUE(QFile::exists(instance.ServerName()));
    EXPECT_TRUE(NothingNamedInTmp(Key()));
}

TEST(SingleInstanceRuntime, ALockWhoseSocketCannotListenIsGivenUp) {
    App();
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().toStdString());
    // Longer than a local socket's path may be: the lock can be made, the socket cannot listen.
    const QString key = QStringLiteral("vs-").append(QString(120, QLatin1Char('k')));
    TSingleInstance instance(key);
    EXPECT_EQ(instance.Claim({}), TSingleInstance::Outcome::Alone);
    vanto::platform::InstanceLock lock;
    EXPECT_EQ(lock.TryLock(QFile::encodeName(instance.LockPath()).toStdString()),
              vanto::platform::InstanceLock::State::Held)
        << "the lock was kept: every later start would end at once";
}
