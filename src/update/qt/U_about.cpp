// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "update/qt/U_about.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "platform/files.h"
#include "support/U_UnicodeUtils.h"
#include "support/shell_utils.h"
#include "update/maker_site.h"

// The banner lives in this static library's own resource file; a static library's resources
// must be registered by hand, and only from the global namespace.
static void InitAboutResources() { Q_INIT_RESOURCE(about); }

namespace vanto {

namespace {

constexpr int kClientWidth = 389;
constexpr int kClientHeight = 285;
constexpr QSize kBannerSize(388, 96);

QString Local(const std::string& text) { return QString::fromLocal8Bit(text.data(), qsizetype(text.size())); }

// The banner as the build drew it, at twice its size for screens that scale by more than 1.5.
QPixmap RenderBanner(qreal ratio) {
    const bool big = ratio > 1.5;
    QPixmap picture(big ? QStringLiteral(":/about/about_banner@2x.png") : QStringLiteral(":/about/about_banner.png"));
    if (picture.isNull()) {
        picture = QPixmap(kBannerSize * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        return picture;
    }
    picture.setDevicePixelRatio(big ? 2.0 : 1.0);
    return picture;
}

template <typename W>
W* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(left, top, width, height);
    return w;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, int left, int top, int width,
                        int height) {
    auto* b = Make<QPushButton>(parent, name, left, top, width, height);
    b->setText(text);
    return b;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    // The title comes from outside; never let it be read as markup.
    l->setTextFormat(Qt::PlainText);
    l->move(left, top);
    return l;
}

}  // namespace

TAboutDlg::TAboutDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      TS_about_({"About", "Application Name :", "Version :", "unused"}) {
    InitAboutResources();
    setObjectName(QStringLiteral("AboutDlg"));
    setFixedSize(kClientWidth, kClientHeight);
    setSizeGripEnabled(false);

    // A fixed layout wants a fixed text height; the classic dialog face where it exists.
    QFont f = font();
    if (QGuiApplication::platformName() == QLatin1String("windows")) f.setFamily(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    // The layout puts a group's first line 16 pixels below the group's top, which assumes
    // the caption sits in the frame's top line. Some styles draw it above the frame and
    // would run the frame through that line, so the groups get that classic frame here.
    setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 3px; margin-top: 6px; }"
                       "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                       " left: 7px; padding: 0px 2px; background-color: palette(window); }"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    const QPixmap banner = RenderBanner(devicePixelRatioF());
    Image1->setPixmap(banner);
    Image1->setGeometry(QRect(QPoint(0, 0), banner.deviceIndependentSize().toSize()));

    all_grp = Make<QGroupBox>(this, "all_grp", 1, 97, 384, 184);

    Application_grp = Make<QGroupBox>(all_grp, "Application_grp", 5, 12, 249, 53);
    Application_grp->setTitle(QStringLiteral("Application"));
    appname_lbl = MakeLabel(Application_grp, "appname_lbl", 8, 16);
    version_lbl = MakeLabel(Application_grp, "version_lbl", 8, 32);

    ombrevale_grp = Make<QGroupBox>(all_grp, "ombrevale_grp", 260, 12, 113, 117);
    ombrevale_grp->setTitle(QStringLiteral("Ombrevale"));
    email_btn = MakeButton(ombrevale_grp, "email_btn", QStringLiteral("Email"), 8, 16, 97, 28);
    web_btn = MakeButton(ombrevale_grp, "web_btn", QStringLiteral("Web Site"), 8, 48, 97, 28);
    forum_btn = MakeButton(ombrevale_grp, "forum_btn", QStringLiteral("Forums"), 8, 80, 97, 28);

    ok_btn = MakeButton(all_grp, "ok_btn", QStringLiteral("Ok"), 274, 139, 81, 33);
    ok_btn->setDefault(true);

    QWidget::setTabOrder(email_btn, web_btn);
    QWidget::setTabOrder(web_btn, forum_btn);
    QWidget::setTabOrder(forum_btn, ok_btn);

    connect(email_btn, &QPushButton::clicked, this, &TAboutDlg::email_btnClick);
    connect(web_btn, &QPushButton::clicked, this, &TAboutDlg::web_btnClick);
    connect(forum_btn, &QPushButton::clicked, this, &TAboutDlg::forum_btnClick);
    connect(ok_btn, &QPushButton::clicked, this, &QDialog::accept);
}

bool TAboutDlg::Execute() {
    UpdateTexts();
    return exec() == QDialog::Accepted;
}

void TAboutDlg::UpdateTexts() {
    const std::string title = QCoreApplication::applicationName().toLocal8Bit().toStdString();
    const std::string exe = exe_path_.empty() ? platform::GetExecutablePath() : exe_path_;

    setWindowTitle(Local(TS_about_.GetText("About") + " " + title));
    appname_lbl->setText(Local(TS_about_.GetText("Application Name :") + " " + title));
    appname_lbl->adjustSize();
    version_lbl->setText(Local(TS_about_.GetText("Version :") + " " + GetFileVersionText(exe)));
    version_lbl->adjustSize();
}

void TAboutDlg::OpenLink(const std::string& address) {
    // Default verb, no parameters, no folder, a normal window; a failure shows nothing.
    (void)ShellOpenWnd(static_cast<platform::WindowHandle>(winId()), "", address, "", "", 1);
}

void TAboutDlg::email_btnClick() { OpenLink(MakerContactMail()); }

void TAboutDlg::web_btnClick() { OpenLink(MakerHomePage()); }

void TAboutDlg::forum_btnClick() { OpenLink(MakerForumPage()); }

}  // namespace vanto
