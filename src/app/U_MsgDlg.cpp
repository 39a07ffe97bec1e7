// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/U_MsgDlg.h"

#include <utility>

namespace vanto {

namespace {

// Message-box flags, as the platform numbers them.
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

MsgBoxHook& Hook() {
    static MsgBoxHook hook;
    return hook;
}

}  // namespace

TMsgBoxStyle MsgBoxStyle(int button_set, int kind) {
    TMsgBoxStyle s;
    switch (button_set) {
        case kButtonsYesNo:
            s.flags = MB_YESNO;
            s.buttons = QMessageBox::Yes | QMessageBox::No;
            break;
        case kButtonsYesNoCancel:
            s.flags = MB_YESNOCANCEL;
            s.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
        case kButtonsOkCancel:
            s.flags = MB_OKCANCEL;
            s.buttons = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        default:
            s.flags = MB_OK;
            s.buttons = QMessageBox::Ok;
            break;
    }
    switch (kind) {
        case kMsgWarning:
            s.caption = QStringLiteral("Warning");
            s.flags |= MB_ICONWARNING;
            s.icon = QMessageBox::Warning;
            break;
        case kMsgError:
            s.caption = QStringLiteral("Error");
            s.flags |= MB_ICONERROR;
            s.icon = QMessageBox::Critical;
            break;
        case kMsgQuestion:
            s.caption = QStringLiteral("Question");
            s.flags |= MB_ICONQUESTION;
            s.icon = QMessageBox::Question;
            break;
        case kMsgInformation:
            s.caption = QStringLiteral("Information");
            s.flags |= MB_ICONINFORMATION;
            s.icon = QMessageBox::Information;
            break;
        default:
            s.caption = QStringLiteral("Message");
            s.icon = QMessageBox::NoIcon;
            break;
    }
    return s;
}

int MsgBoxResult(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDCANCEL;
    }
}

int ShowMsg(QWidget* owner, const QString& text, int button_set, int kind) {
    const TMsgBoxStyle style = MsgBoxStyle(button_set, kind);
    if (Hook()) return Hook()(owner, text, style);

    QMessageBox box(style.icon, style.caption, text, style.buttons, owner);
    box.setObjectName(QStringLiteral("msg_box"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return MsgBoxResult(box.standardButton(box.clickedButton()));
}

int AskYesNo(QWidget* owner, const QString& text) { return ShowMsg(owner, text, kButtonsYesNo, kMsgQuestion); }

MsgBoxHook SetMsgBoxHook(MsgBoxHook hook) { return std::exchange(Hook(), std::move(hook)); }

}  // namespace vanto
