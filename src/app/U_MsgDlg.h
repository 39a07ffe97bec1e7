// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The program's modal message boxes. The button set and the kind choose the buttons, the
// caption and the icon; the answer comes back as the platform's message-box result, so
// callers compare with the same numbers on every system.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace vanto {

// Message-box results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Button sets.
inline constexpr int kButtonsOk = 0;
inline constexpr int kButtonsYesNo = 1;
inline constexpr int kButtonsYesNoCancel = 2;
inline constexpr int kButtonsOkCancel = 3;

// Kinds.
inline constexpr int kMsgPlain = 0;
inline constexpr int kMsgWarning = 1;
inline constexpr int kMsgError = 2;
inline constexpr int kMsgQuestion = 3;
inline constexpr int kMsgInformation = 4;

struct TMsgBoxStyle {
    unsigned flags = 0;  // the platform's button flag combined with its icon flag
    QString caption;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// The box a button set and a kind stand for. A button set or kind outside the tables gets an
// OK button, or the plain "Message" look, so that a box can always be answered.
TMsgBoxStyle MsgBoxStyle(int button_set, int kind);

// The platform's result for the button that closed a box; IDCANCEL for anything else.
int MsgBoxResult(QMessageBox::StandardButton button);

// Shows the box modally over `owner` and returns the result.
int ShowMsg(QWidget* owner, const QString& text, int button_set, int kind);
// ShowMsg with Yes and No as a question; IDYES or IDNO.
int AskYesNo(QWidget* owner, const QString& text);

// Test seam: while installed, ShowMsg hands every box to the hook instead of showing it and
// returns the hook's answer. An empty function removes it; the previous hook is returned.
using MsgBoxHook = std::function<int(QWidget* owner, const QString& text, const TMsgBoxStyle& style)>;
MsgBoxHook SetMsgBoxHook(MsgBoxHook hook);

}  // namespace vanto
