// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The About window, offscreen: texts from the title and the executable's version, the
// modal result, the three links through the shell seam, and the fixed layout.
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include "platform/shell.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"
#include "update/qt/U_about.h"

using namespace vanto;
namespace vt = vanto::testing;

namespace {

int g_argc = 1;
char g_name[] = "qt_test_U_about";
char* g_argv[] = {g_name, nullptr};

QApplication& App() {
    // Never destroyed: Qt's own statics go first at exit.
    static auto* app = new QApplication(g_argc, g_argv);
    QApplication::setApplicationName(QStringLiteral("Vantoscope"));
    return *app;
}

template <typename T>
T* Child(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

QString Text(const QWidget& w, const char* name) {
    auto* l = Child<QLabel>(w, name);
    return l ? l->text() : QString();
}

// A Windows executable whose version resource says 1.8.4.23.
std::string WriteVersionedExe(const vt::TempDir& dir) {
    vt::VersionInfoSpec info = vt::VersionWithStrings({{"ProductName", "Sample"}});
    info.fileVersionMS = (1u << 16) | 8u;
    info.fileVersionLS = (4u << 16) | 23u;
    return dir.write("sample.exe", vt::BuildPeWithVersion(vt::EncodeVersionInfo(info)).bytes).string();
}

// Runs `fn` once, from the event loop (inside the modal loop of an Execute that follows).
void Soon(QObject* context, std::function<void()> fn) {
    auto* timer = new QTimer(context);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, context, [timer, fn = std::move(fn)] {
        timer->deleteLater();
        fn();
    });
    timer->start(0);
}

// Captures shell requests instead of opening anything.
class ShellCapture {
public:
    ShellCapture() {
        previous_ = platform::SetShellOpenHook([this](const platform::ShellRequest& r) {
            requests.push_back(r);
            return false;  // the shell "fails": the window must not care
        });
    }
    ~ShellCapture() { platform::SetShellOpenHook(previous_); }
    std::vector<platform::ShellRequest> requests;

private:
    platform::ShellOpenHook previous_;
};

}  // namespace

TEST(AboutDlg, TextsFromTitleAndFileVersion) {
    App();
    vt::TempDir dir;
    TAboutDlg dlg;
    dlg.SetExecutablePath(WriteVersionedExe(dir));
    dlg.UpdateTexts();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Vantoscope"));
    EXPECT_EQ(Text(dlg, "appname_lbl"), QStringLiteral("Application Name : Vantoscope"));
    EXPECT_EQ(Text(dlg, "version_lbl"), QStringLiteral("Version : 1.8.4.23"));
}

TEST(AboutDlg, VersionOfTheRunningProgramByDefault) {
    App();
    TAboutDlg dlg;
    dlg.UpdateTexts();
    EXPECT_EQ(Text(dlg, "version_lbl"), QStringLiteral("Version : " VS_PROJECT_VERSION));
}

TEST(AboutDlg, EveryOpeningRereadsTitleAndExecutable) {
    App();
    vt::TempDir dir;
    TAboutDlg dlg;
    dlg.SetExecutablePath((dir.path() / "gone.exe").string());
    QApplication::setApplicationName(QStringLiteral("Renamed <b>Tool</b>"));
    Soon(&dlg, [&] { dlg.reject(); });
    dlg.Execute();
    QApplication::setApplicationName(QStringLiteral("Vantoscope"));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Renamed <b>Tool</b>"));
    EXPECT_EQ(Text(dlg, "appname_lbl"), QStringLiteral("Application Name : Renamed <b>Tool</b>"));
    EXPECT_EQ(Child<QLabel>(dlg, "appname_lbl")->textFormat(), Qt::PlainText) << "a title is never markup";
    EXPECT_EQ(Text(dlg, "version_lbl"), QStringLiteral("Version : File not found"));

    // A file without a version resource shows nothing after the prefix.
    dlg.SetExecutablePath(dir.write("plain.exe", std::string(600, 'x')).string());
    Soon(&dlg, [&] { dlg.reject(); });
    dlg.Execute();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Vantoscope"));
    EXPECT_EQ(Text(dlg, "version_lbl"), QStringLiteral("Version : "));
}

TEST(AboutDlg, ReplacedTextsAreUsedAndUnusedSlotsFallBackToTheKey) {
    App();
    vt::TempDir dir;
    TAboutDlg dlg;
    dlg.SetExecutablePath(WriteVersionedExe(dir));
    dlg.TS_about().SetItems({"A propos de", "Nom :", "unused", "unused"});
    dlg.UpdateTexts();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("A propos de Vantoscope"));
    EXPECT_EQ(Text(dlg, "appname_lbl"), QStringLiteral("Nom : Vantoscope"));
    EXPECT_EQ(Text(dlg, "version_lbl"), QStringLiteral("Version : 1.8.4.23"));
}

TEST(AboutDlg, OkReturnsTrueAndTheCloseBoxFalse) {
    App();
    TAboutDlg dlg;
    bool visible_with_texts = false;
    Soon(&dlg, [&] {
        visible_with_texts =
            dlg.isVisible() && dlg.isModal() && dlg.windowTitle() == QStringLiteral("About Vantoscope");
        Child<QPushButton>(dlg, "ok_btn")->click();
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_TRUE(visible_with_texts) << "texts are set before the window shows, modally";
    EXPECT_FALSE(dlg.isVisible());

    Soon(&dlg, [&] { dlg.close(); });  // the title bar's close box
    EXPECT_FALSE(dlg.Execute());

    // Ok after a close still counts: nothing carries over between openings.
    Soon(&dlg, [&] { Child<QPushButton>(dlg, "ok_btn")->click(); });
    EXPECT_TRUE(dlg.Execute());
}

TEST(AboutDlg, LinkButtonsOpenTheMakersAddressesWithTheWindowAsOwner) {
    App();
    TAboutDlg dlg;
    dlg.show();
    const struct {
        const char* button;
        std::string address;
    } cases[] = {
        {"email_btn", "mailto:contact@ombrevale.com"},
        {"web_btn", "https://www.ombrevale.com/"},
        {"forum_btn", "https://www.ombrevale.com/forum"},
    };
    for (const auto& c : cases) {
        ShellCapture shell;
        Child<QPushButton>(dlg, c.button)->click();
        ASSERT_EQ(shell.requests.size(), 1u) << c.button;
        const platform::ShellRequest& r = shell.requests[0];
        EXPECT_EQ(r.call, platform::ShellRequest::Call::ExecuteWithOwner) << c.button;
        EXPECT_EQ(r.owner, static_cast<platform::WindowHandle>(dlg.winId())) << c.button;
        EXPECT_NE(r.owner, 0u) << c.button;
        EXPECT_EQ(r.verb.value_or("?"), "") << c.button << ": the default verb";
        EXPECT_EQ(r.file, c.address) << c.button;
        EXPECT_EQ(r.parameters.value_or("?"), "") << c.button;
        EXPECT_EQ(r.directory, "") << c.button;
        EXPECT_EQ(r.show_command, 1) << c.button;
    }
    EXPECT_TRUE(dlg.isVisible()) << "a failed open leaves the window as it was";
}

TEST(AboutDlg, FixedLayout) {
    App();
    TAboutDlg dlg;
    EXPECT_EQ(dlg.minimumSize(), QSize(389, 285));
    EXPECT_EQ(dlg.maximumSize(), QSize(389, 285));
    const Qt::WindowFlags flags = dlg.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);

    const struct {
        const char* name;
        const char* parent;
        QRect geometry;
        const char* text;  // group title or button text
    } layout[] = {
        {"Image1", "AboutDlg", {0, 0, 388, 96}, nullptr},
        {"all_grp", "AboutDlg", {1, 97, 384, 184}, ""},
        {"Application_grp", "all_grp", {5, 12, 249, 53}, "Application"},
        {"ombrevale_grp", "all_grp", {260, 12, 113, 117}, "Ombrevale"},
        {"email_btn", "ombrevale_grp", {8, 16, 97, 28}, "Email"},
        {"web_btn", "ombrevale_grp", {8, 48, 97, 28}, "Web Site"},
        {"forum_btn", "ombrevale_grp", {8, 80, 97, 28}, "Forums"},
        {"ok_btn", "all_grp", {274, 139, 81, 33}, "Ok"},
    };
    for (const auto& c : layout) {
        auto* w = Child<QWidget>(dlg, c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), c.geometry) << c.name;
        EXPECT_EQ(w->parentWidget()->objectName(), QLatin1String(c.parent)) << c.name;
        if (c.text == nullptr) continue;
        if (auto* g = qobject_cast<QGroupBox*>(w)) {
            EXPECT_EQ(g->title(), QLatin1String(c.text)) << c.name;
        }
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(b->text(), QLatin1String(c.text)) << c.name;
        }
    }
    EXPECT_EQ(Child<QLabel>(dlg, "appname_lbl")->pos(), QPoint(8, 16));
    EXPECT_EQ(Child<QLabel>(dlg, "version_lbl")->pos(), QPoint(8, 32));
    EXPECT_EQ(Child<QLabel>(dlg, "appname_lbl")->parentWidget()->objectName(), QStringLiteral("Application_grp"));

    // Tab order: the group of links in order, then Ok, and round again.
    std::vector<QString> order;
    QWidget* w = Child<QWidget>(dlg, "email_btn");
    for (int i = 0; i < 5; ++i) {
        order.push_back(w->objectName());
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(order, (std::vector<QString>{"email_btn", "web_btn", "forum_btn", "ok_btn", "email_btn"}));
}

TEST(AboutDlg, BannerIsDrawn) {
    App();
    TAboutDlg dlg;
    auto* image = Child<QLabel>(dlg, "Image1");
    const QImage banner = image->pixmap().toImage();
    ASSERT_FALSE(banner.isNull()) << "the banner resource is missing";
    EXPECT_EQ(banner.deviceIndependentSize().toSize(), QSize(388, 96));
    std::set<QRgb> colours;
    for (int y = 0; y < banner.height(); y += 4)
        for (int x = 0; x < banner.width(); x += 4) colours.insert(banner.pixel(x, y));
    EXPECT_GT(colours.size(), 20u) << "a picture, not a blank area";
    EXPECT_EQ(qAlpha(banner.pixel(banner.width() - 1, banner.height() - 1)), 255) << "opaque to its corners";
}
