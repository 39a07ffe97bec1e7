// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The main window's actions that change the machine (Close Connection, End Process), the
// View menu's IPv6 and host-name switches, and the traffic columns' rates and tooltips.
#include <QAction>
#include <QHeaderView>
#include <QKeySequence>
#include <QMenu>
#include <QMetaObject>
#include <QTimer>

#include <cstring>

#include "app/U_MainDlg.h"
#include "app/U_MsgDlg.h"
#include "app/connection_list_model.h"

namespace vanto {

namespace {

QString Text8(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

TIpAddress RemoteAddressOf(const TConnection& c) {
    TIpAddress a{c.family, c.remote_addr6};
    if (c.family != platform::kFamilyIPv6) {
        a.bytes.fill(0);
        std::memcpy(a.bytes.data(), &c.remote_addr, 4);
    }
    return a;
}

}  // namespace

void TMaindlg::CreateActionItems(QMenu* view) {
    view->addSeparator();
    ShowIPv61 = view->addAction(QStringLiteral("Show IPv6"));
    ShowIPv61->setObjectName(QStringLiteral("ShowIPv61"));
    ShowIPv61->setCheckable(true);
    ShowIPv61->setChecked(show_ipv6_);
    connect(ShowIPv61, &QAction::toggled, this, &TMaindlg::SetShowIpv6);
    ResolveAddresses1 = view->addAction(QStringLiteral("Resolve Addresses"));
    ResolveAddresses1->setObjectName(QStringLiteral("ResolveAddresses1"));
    ResolveAddresses1->setCheckable(true);
    ResolveAddresses1->setChecked(resolve_names_);
    connect(ResolveAddresses1, &QAction::toggled, this, &TMaindlg::SetResolveNames);

    rightclick_mnu->addSeparator();
    CloseConnection1 = rightclick_mnu->addAction(QStringLiteral("Close Connection"));
    CloseConnection1->setObjectName(QStringLiteral("CloseConnection1"));
    CloseConnection1->setShortcut(QKeySequence::Delete);
    CloseConnection1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    CloseConnection1->setEnabled(false);
    connect(CloseConnection1, &QAction::triggered, this, &TMaindlg::CloseConnection1Click);
    // The Delete key works in the list whether or not the menu is open.
    lst->addAction(CloseConnection1);
    EndProcess1 = rightclick_mnu->addAction(QStringLiteral("End Process..."));
    EndProcess1->setObjectName(QStringLiteral("EndProcess1"));
    EndProcess1->setEnabled(false);
    connect(EndProcess1, &QAction::triggered, this, &TMaindlg::EndProcess1Click);

    names_tmr = new QTimer(this);
    names_tmr->setObjectName(QStringLiteral("names_tmr"));
    names_tmr->setSingleShot(true);
    names_tmr->setInterval(250);
    connect(names_tmr, &QTimer::timeout, this, [this] {
        if (!resolve_names_) return;
        keeping_selection_ = true;
        lst_model->RefillAll();
        keeping_selection_ = false;
        KeepSelection();
        UpdateDetails();
    });
}

bool TMaindlg::TrafficShown() const {
    const auto columns = ListColumns();
    for (std::size_t c = 0; c < columns.size(); ++c)
        if (IsTrafficColumn(columns[c].id) && ColumnShown(static_cast<int>(c))) return true;
    return false;
}

void TMaindlg::SetShowIpv6(bool on) {
    if (ShowIPv61 != nullptr && ShowIPv61->isChecked() != on) ShowIPv61->setChecked(on);  // comes back here
    if (show_ipv6_ == on) return;
    show_ipv6_ = on;
    StartRefresh();
}

void TMaindlg::SetResolveNames(bool on) {
    if (ResolveAddresses1 != nullptr && ResolveAddresses1->isChecked() != on) ResolveAddresses1->setChecked(on);
    if (resolve_names_ == on) return;
    resolve_names_ = on;
    if (on) {
        if (!resolver_) {
            resolver_ = std::make_unique<NameResolver>(services_.name_lookup ? services_.name_lookup
                                                                             : NameResolver::SystemLookup());
            // On a lookup's thread: only a queued request to write the names in.
            resolver_->SetOnAnswer([this] {
                QMetaObject::invokeMethod(
                    this, [this] {
                        if (names_tmr != nullptr && !names_tmr->isActive()) names_tmr->start();
                    },
                    Qt::QueuedConnection);
            });
        }
        lst_model->SetRemoteNamer([this](const TConnection& c) { return RemoteName(c); });
    } else {
        lst_model->SetRemoteNamer({});
    }
    UpdateDetails();
}

std::string TMaindlg::RemoteName(const TConnection& c) {
    if (!resolve_names_ || !resolver_ || RemoteIsUnspecified(c)) return {};
    const NameResolver::Answer a = resolver_->Get(RemoteAddressOf(c));
    return a.state == NameResolver::State::Found ? a.name : std::string();
}

void TMaindlg::ApplyRates(TConnectionArray& snapshot) {
    const std::int64_t now = NowMs();
    const double seconds = last_snapshot_ms_ < 0 ? 0 : static_cast<double>(now - last_snapshot_ms_) / 1000.0;
    last_snapshot_ms_ = now;
    const auto rates = traffic_rates_.Update(snapshot, seconds);
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        if (!rates[i].known) continue;
        snapshot[i].sent_rate = rates[i].sent;
        snapshot[i].received_rate = rates[i].received;
    }
}

void TMaindlg::ShowTrafficTips() {
    QString tip;
    if (TrafficShown()) {
        switch (static_cast<platform::TrafficAvailability>(traffic_state_->load())) {
        case platform::TrafficAvailability::NeedsRights: tip = QString::fromLatin1(kTrafficNeedsRightsNotice); break;
        case platform::TrafficAvailability::Unsupported: tip = QString::fromLatin1(kTrafficUnsupportedNotice); break;
        case platform::TrafficAvailability::Available: break;
        }
    }
    const auto columns = ListColumns();
    for (std::size_t c = 0; c < columns.size(); ++c)
        if (IsTrafficColumn(columns[c].id)) lst_model->SetHeaderToolTip(static_cast<int>(c), tip);
}

void TMaindlg::CloseConnection1Click() {
    const QModelIndexList selected = lst->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    const TListRow& row = lst_model->Row(lst_proxy->mapToSource(selected.first()).row());
    if (row.data < 0) return;  // a row on its way out
    const TConnection c = row.connection;
    const std::string process = row.process ? row.process->name : std::string();
    if (c.protocol != kProtocolTcp || RemoteIsUnspecified(c)) {
        ShowMsg(this, Text8(CloseConnection(c).message), kButtonsOk, kMsgInformation);
        return;
    }
    if (AskYesNo(this, Text8(CloseConnectionQuestion(c, process))) != IDYES) return;
    const TActionResult r = CloseConnection(c);
    if (!r.done) ShowMsg(this, Text8(r.message), kButtonsOk, kMsgWarning);
    StartRefresh();
}

void TMaindlg::EndProcess1Click() {
    const QModelIndexList selected = lst->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    const TListRow& row = lst_model->Row(lst_proxy->mapToSource(selected.first()).row());
    const TConnection c = row.connection;
    if (const auto refusal = EndProcessRefusal(c.pid)) {
        ShowMsg(this, Text8(*refusal), kButtonsOk, kMsgInformation);
        return;
    }
    // The process the question names is the one acted on: pid and start time from now on.
    const TProcessTarget target = ProcessTargetOf(c);
    const std::string name = row.process ? row.process->name : PidToStr(c.pid);
    const std::string path = row.process ? row.process->path : std::string("?");
    if (AskYesNo(this, Text8(EndProcessQuestion(name, c.pid, path))) != IDYES) return;
    const TActionResult r = EndProcessNow(target, false);
    if (!r.done) {
        ShowMsg(this, Text8(r.message), kButtonsOk, kMsgWarning);
        return;
    }
    StartRefresh();
    if (!platform::EndProcessIsRequest()) return;
    QTimer::singleShot(kEndProcessGraceMs, this, [this, target] {
        if (closing_ || !TargetRunning(target)) return;
        if (AskYesNo(this, Text8(EndProcessForceQuestion(target.pid))) != IDYES) return;
        const TActionResult forced = EndProcessNow(target, true);
        if (!forced.done) ShowMsg(this, Text8(forced.message), kButtonsOk, kMsgWarning);
        StartRefresh();
    });
}

}  // namespace vanto
