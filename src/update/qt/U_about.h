// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The About window: banner, application name and version, the maker's three links and Ok.
// Created once at start-up and shown modally from the main window; every opening reads the
// application title and the executable's version afresh. Components carry their role names
// as object names.
#pragma once

#include <QDialog>

#include <string>

#include "update/C_TextStorage.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace vanto {

class TAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit TAboutDlg(QWidget* owner = nullptr);

    // Refreshes the texts, shows the window modally; true when it was closed with Ok.
    bool Execute();
    // Caption and labels from the application title and the executable's file version.
    void UpdateTexts();

    // The label prefixes; replace its items to translate the window.
    TTextStorage& TS_about() { return TS_about_; }

    // The executable whose version is shown; empty (the default) means the running program.
    void SetExecutablePath(std::string path) { exe_path_ = std::move(path); }

public slots:
    void email_btnClick();
    void web_btnClick();
    void forum_btnClick();

private:
    void OpenLink(const std::string& address);

    QLabel* Image1 = nullptr;
    QGroupBox* all_grp = nullptr;
    QGroupBox* Application_grp = nullptr;
    QLabel* appname_lbl = nullptr;
    QLabel* version_lbl = nullptr;
    QGroupBox* ombrevale_grp = nullptr;
    QPushButton* email_btn = nullptr;
    QPushButton* web_btn = nullptr;
    QPushButton* forum_btn = nullptr;
    QPushButton* ok_btn = nullptr;
    TTextStorage TS_about_;
    std::string exe_path_;
};

}  // namespace vanto
