// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The message boxes: the button-set and kind tables, the platform results of the real box's
// buttons (answered offscreen), and the test seam that answers instead of the user.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "app/U_MsgDlg.h"

using namespace vanto;

namespace {

int g_argc = 1;
char g_name[] = "qt_test_U_MsgDlg";
char* g_argv[] = {g_name, nullptr};

QApplication& App() {
    // Never destroyed: Qt's own statics go first at exit.
    static auto* app = new QApplication(g_argc, g_argv);
    return *app;
}

// Runs `answer` on the message box as soon as it is up.
void WhenBoxShows(std::function<void(QMessageBox&)> answer) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
            poll->stop();
            poll->deleteLater();
            answer(*box);
        }
    });
    poll->start();
}

}  // namespace

TEST(MsgDlg, ButtonSetAndKindTables) {
    using B = QMessageBox;
    const struct {
        int set;
        unsigned flag;
        QMessageBox::StandardButtons buttons;
    } sets[] = {
        {0, 0x0, B::Ok},
        {1, 0x4, B::Yes | B::No},
        {2, 0x3, B::Yes | B::No | B::Cancel},
        {3, 0x1, B::Ok | B::Cancel},
        // Outside the table: a box that can still be answered.
        {4, 0x0, B::Ok},
        {-1, 0x0, B::Ok},
    };
    const struct {
        int kind;
        const char* caption;
        unsigned flag;
        QMessageBox::Icon icon;
    } kinds[] = {
        {0, "Message", 0x00, B::NoIcon},    {1, "Warning", 0x30, B::Warning},         {2, "Error", 0x10, B::Critical},
        {3, "Question", 0x20, B::Question}, {4, "Information", 0x40, B::Information}, {5, "Message", 0x00, B::NoIcon},
        {-1, "Message", 0x00, B::NoIcon},
    };
    for (const auto& s : sets) {
        for (const auto& k : kinds) {
            const TMsgBoxStyle style = MsgBoxStyle(s.set, k.kind);
            const std::string where = "set " + std::to_string(s.set) + ", kind " + std::to_string(k.kind);
            EXPECT_EQ(style.flags, s.flag | k.flag) << where;
            EXPECT_EQ(style.buttons, s.buttons) << where;
            EXPECT_EQ(style.caption, QLatin1String(k.caption)) << where;
            EXPECT_EQ(style.icon, k.icon) << where;
        }
    }
}

TEST(MsgDlg, ResultsAreThePlatformValues) {
    EXPECT_EQ(IDOK, 1);
    EXPECT_EQ(IDCANCEL, 2);
    EXPECT_EQ(IDYES, 6);
    EXPECT_EQ(IDNO, 7);
    EXPECT_EQ(MsgBoxResult(QMessageBox::Ok), IDOK);
    EXPECT_EQ(MsgBoxResult(QMessageBox::Cancel), IDCANCEL);
    EXPECT_EQ(MsgBoxResult(QMessageBox::Yes), IDYES);
    EXPECT_EQ(MsgBoxResult(QMessageBox::No), IDNO);
    EXPECT_EQ(MsgBoxResult(QMessageBox::NoButton), IDCANCEL);
}

TEST(MsgDlg, RealBoxAnswersWithThePlatformValueOfTheClickedButton) {
    App();
    const struct {
        int set;
        QMessageBox::StandardButton click;
        int expected;
    } cases[] = {
        {0, QMessageBox::Ok, IDOK},   {1, QMessageBox::Yes, IDYES},       {1, QMessageBox::No, IDNO},
        {2, QMessageBox::Yes, IDYES}, {2, QMessageBox::No, IDNO},         {2, QMessageBox::Cancel, IDCANCEL},
        {3, QMessageBox::Ok, IDOK},   {3, QMessageBox::Cancel, IDCANCEL},
    };
    for (const auto& c : cases) {
        QString caption, text;
        WhenBoxShows([&, c](QMessageBox& box) {
            caption = box.windowTitle();
            text = box.text();
            box.button(c.click)->click();
        });
        EXPECT_EQ(ShowMsg(nullptr, QStringLiteral("Proceed?"), c.set, 4), c.expected) << "set " << c.set;
        EXPECT_EQ(caption, QStringLiteral("Information"));
        EXPECT_EQ(text, QStringLiteral("Proceed?"));
    }
}

TEST(MsgDlg, ClosingTheBoxWithoutAButton) {
    App();
    const struct {
        int set;
        int expected;
    } cases[] = {
        {0, IDOK},      // a lone OK button is also the way out
        {1, IDNO},      // No stands for closing a Yes/No box
        {2, IDCANCEL},  // Cancel does where there is one
        {3, IDCANCEL},
    };
    for (const auto& c : cases) {
        WhenBoxShows([](QMessageBox& box) { box.close(); });
        EXPECT_EQ(ShowMsg(nullptr, QStringLiteral("x"), c.set, 0), c.expected) << "set " << c.set;
    }
}

TEST(MsgDlg, AskYesNoIsAQuestionWithYesAndNo) {
    App();
    QWidget owner;
    int calls = 0;
    const MsgBoxHook previous = SetMsgBoxHook([&](QWidget* o, const QString& text, const TMsgBoxStyle& style) {
        ++calls;
        EXPECT_EQ(o, &owner);
        EXPECT_EQ(text, QStringLiteral("A new version is available. Download now ?"));
        EXPECT_EQ(style.flags, 0x24u);  // MB_YESNO | MB_ICONQUESTION
        EXPECT_EQ(style.caption, QStringLiteral("Question"));
        return calls == 1 ? IDYES : IDNO;
    });
    EXPECT_EQ(AskYesNo(&owner, QStringLiteral("A new version is available. Download now ?")), IDYES);
    EXPECT_EQ(AskYesNo(&owner, QStringLiteral("A new version is available. Download now ?")), IDNO);
    EXPECT_EQ(calls, 2);
    SetMsgBoxHook(previous);

    // Without the hook the real box is shown again.
    WhenBoxShows([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(AskYesNo(nullptr, QStringLiteral("Really?")), IDYES);
}
