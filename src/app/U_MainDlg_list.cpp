// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The connection list as the user arranges it: copying the selected row, saving the shown
// rows through the writers of --list, and the arrangement (window place, filters, columns,
// sort, marking) kept under the settings key, so that a portable copy carries it in
// settings.ini.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <sstream>

#include "app/U_MainDlg.h"
#include "app/cli/table_format.h"
#include "app/connection_list_model.h"
#include "platform/registry.h"
#include "support/portable_mode.h"

namespace vanto {

namespace {

// Value names under the settings key: texts and DWORDs only, which settings.ini carries.
constexpr const char* kLeftValue = "WindowLeft";
constexpr const char* kTopValue = "WindowTop";
constexpr const char* kWidthValue = "WindowWidth";
constexpr const char* kHeightValue = "WindowHeight";
constexpr const char* kMaximizedValue = "WindowMaximized";
constexpr const char* kSystemValue = "ShowSystemProcesses";
constexpr const char* kLocalValue = "ShowLocalConnections";
constexpr const char* kIpv6Value = "ShowIPv6";
constexpr const char* kResolveValue = "ResolveAddresses";
constexpr const char* kColumnsValue = "Columns";  // "pid:60,protocol:55,...": shown, in order
constexpr const char* kSortColumnValue = "SortColumn";
constexpr const char* kSortDescendingValue = "SortDescending";
constexpr const char* kMarkValue = "HighlightChanges";

constexpr int kMaxWindowSide = 16384;
constexpr int kMinColumnWidth = 8;
constexpr int kMaxColumnWidth = 4000;

// The shown columns in the order the header shows them.
std::vector<int> ShownColumns(const QHeaderView* header) {
    std::vector<int> shown;
    for (int v = 0; v < header->count(); ++v) {
        const int c = header->logicalIndex(v);
        if (!header->isSectionHidden(c)) shown.push_back(c);
    }
    return shown;
}

std::string Utf8(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

}  // namespace

QString TMaindlg::CopyText() const {
    const QModelIndexList selected = lst->selectionModel()->selectedRows();
    if (selected.isEmpty()) return {};
    const std::vector<int> shown = ShownColumns(lst->horizontalHeader());
    QStringList header, cells;
    for (const int c : shown) {
        header << lst_proxy->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        cells << lst_proxy->index(selected.first().row(), c).data().toString();
    }
    return header.join(QLatin1Char('\t')) + QLatin1Char('\n') + cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

void TMaindlg::Copy1Click() {
    const QString text = CopyText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

bool TMaindlg::SaveRows(const QString& path, int format) const {
    cli::Table table;
    const auto columns = ListColumns();
    const std::vector<int> shown = ShownColumns(lst->horizontalHeader());
    for (const int c : shown) {
        const TListColumn& col = columns[static_cast<std::size_t>(c)];
        table.columns.push_back({col.caption, col.id, col.numeric});
    }
    table.rows.reserve(static_cast<std::size_t>(lst_proxy->rowCount()));
    for (int r = 0; r < lst_proxy->rowCount(); ++r) {
        const TListRow& row = lst_model->Row(lst_proxy->mapToSource(lst_proxy->index(r, 0)).row());
        std::vector<std::string> cells;
        cells.reserve(shown.size());
        for (const int c : shown) cells.push_back(Utf8(row.texts[static_cast<std::size_t>(c)]));
        table.rows.push_back(std::move(cells));
    }
    std::ostringstream out;
    cli::WriteTable(table, static_cast<cli::Format>(format), out, "Vantoscope");
    const std::string bytes = out.str();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const bool written = file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
    return file.flush() && written;
}

void TMaindlg::SaveAs1Click() {
    const QString csv = QStringLiteral("CSV (*.csv)");
    const QString json = QStringLiteral("JSON (*.json)");
    const QString html = QStringLiteral("HTML report (*.html)");
    QString filter = csv;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), QStringLiteral("connections.csv"),
                                                csv + QStringLiteral(";;") + json + QStringLiteral(";;") + html, &filter);
    if (path.isEmpty()) return;
    cli::Format format = cli::Format::Csv;
    // The name's extension wins over the filter: a user who types report.html wants HTML.
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)) format = cli::Format::Json;
    else if (path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
             path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive))
        format = cli::Format::Html;
    else if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        format = filter == json ? cli::Format::Json : filter == html ? cli::Format::Html : cli::Format::Csv;
        path += format == cli::Format::Json ? QStringLiteral(".json")
                : format == cli::Format::Html ? QStringLiteral(".html")
                                              : QStringLiteral(".csv");
    }
    if (!SaveRows(path, static_cast<int>(format)))
        statusBar()->showMessage(QStringLiteral("Unable to write ") + path, 5000);
}

// ---- Remembered arrangement ------------------------------------------------------------

void TMaindlg::LoadListSettings() {
    platform::RegKey key;
    if (!key.Open(platform::RegRoot::CurrentUser, SettingsKeyPath(kSettingsProduct), platform::RegAccess::Read)) return;
    auto flag = [&key](const char* name, bool& out) {
        std::uint32_t v = 0;
        if (key.ReadDword(name, v)) out = v != 0;
    };

    // The place only when its top edge lies on some screen, so the window can be reached.
    std::uint32_t left = 0, top = 0, width = 0, height = 0;
    if (key.ReadDword(kWidthValue, width) && key.ReadDword(kHeightValue, height)) {
        const int w = qBound(minimumWidth(), static_cast<int>(width), kMaxWindowSide);
        const int h = qBound(minimumHeight(), static_cast<int>(height), kMaxWindowSide);
        if (static_cast<std::int32_t>(width) > 0 && static_cast<std::int32_t>(height) > 0) resize(w, h);
        if (key.ReadDword(kLeftValue, left) && key.ReadDword(kTopValue, top)) {
            const QRect title(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), w, 24);
            for (const QScreen* screen : QGuiApplication::screens()) {
                const QRect seen = screen->availableGeometry().intersected(title);
                if (seen.width() >= 40 && seen.height() >= 8) {
                    move(title.topLeft());
                    break;
                }
            }
        }
    }
    bool maximized = false;
    flag(kMaximizedValue, maximized);
    if (maximized) setWindowState(windowState() | Qt::WindowMaximized);

    flag(kSystemValue, remembered_system_);
    flag(kLocalValue, remembered_local_);
    bool ipv6 = show_ipv6_, resolve = resolve_names_;
    flag(kIpv6Value, ipv6);
    flag(kResolveValue, resolve);
    SetShowIpv6(ipv6);
    SetResolveNames(resolve);
    bool mark = mark_changes_;
    flag(kMarkValue, mark);
    SetMarkChanges(mark);

    std::string text;
    QHeaderView* header = lst->horizontalHeader();
    if (key.ReadString(kColumnsValue, text) && text.size() <= 4096) {
        std::vector<std::pair<int, int>> wanted;  // column, width
        std::istringstream items(text);
        for (std::string item; std::getline(items, item, ',');) {
            const auto colon = item.find(':');
            const int c = ListColumnIndex(item.substr(0, colon));
            if (c < 0) continue;
            bool seen = false;
            for (const auto& w : wanted) seen = seen || w.first == c;
            if (seen) continue;
            int w = 0;
            if (colon != std::string::npos) {
                const QString digits = QString::fromLatin1(item.substr(colon + 1).c_str());
                w = digits.toInt();
            }
            wanted.emplace_back(c, w);
        }
        if (!wanted.empty()) {
            for (int c = 0; c < header->count(); ++c) header->setSectionHidden(c, true);
            for (std::size_t i = 0; i < wanted.size(); ++i) {
                const auto [c, w] = wanted[i];
                header->setSectionHidden(c, false);
                header->moveSection(header->visualIndex(c), static_cast<int>(i));
                if (w > 0) header->resizeSection(c, qBound(kMinColumnWidth, w, kMaxColumnWidth));
            }
            keep_widths_ = true;
            ColumnsChanged();
        }
    }
    if (key.ReadString(kSortColumnValue, text)) {
        const int c = ListColumnIndex(text);
        bool descending = false;
        flag(kSortDescendingValue, descending);
        if (c >= 0) header->setSortIndicator(c, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
}

void TMaindlg::SaveListSettings() const {
    platform::RegKey key;
    if (!key.Create(platform::RegRoot::CurrentUser, SettingsKeyPath(kSettingsProduct), platform::RegAccess::ReadWrite))
        return;
    // The place of the frame (what move() takes) and the size of the client area (what
    // resize() takes); a maximised window keeps its normal place and size.
    QRect place(pos(), size());
    if (isMaximized() && normalGeometry().isValid())
        place = QRect(normalGeometry().topLeft() - (geometry().topLeft() - pos()), normalGeometry().size());
    // Written together: the user hive on Linux is replaced once, not once per value.
    std::vector<std::pair<std::string, platform::RegValue>> values;
    auto dword = [&values](const char* name, std::int64_t v) {
        values.emplace_back(name, platform::RegValue::Dword(static_cast<std::uint32_t>(v)));
    };
    dword(kLeftValue, place.left());
    dword(kTopValue, place.top());
    dword(kWidthValue, place.width());
    dword(kHeightValue, place.height());
    dword(kMaximizedValue, isMaximized() ? 1 : 0);
    dword(kSystemValue, show_system ? 1 : 0);
    dword(kLocalValue, show_local ? 1 : 0);
    dword(kIpv6Value, show_ipv6_ ? 1 : 0);
    dword(kResolveValue, resolve_names_ ? 1 : 0);
    dword(kMarkValue, mark_changes_ ? 1 : 0);
    const QHeaderView* header = lst->horizontalHeader();
    std::string columns;
    for (const int c : ShownColumns(header)) {
        if (!columns.empty()) columns += ',';
        columns += ListColumns()[static_cast<std::size_t>(c)].id;
        columns += ':' + std::to_string(header->sectionSize(c));
    }
    values.emplace_back(kColumnsValue, platform::RegValue::String(columns));
    const int sort = header->sortIndicatorSection();
    const bool sorted = sort >= 0 && sort < static_cast<int>(ListColumns().size());
    values.emplace_back(kSortColumnValue,
                        platform::RegValue::String(sorted ? ListColumns()[static_cast<std::size_t>(sort)].id : ""));
    dword(kSortDescendingValue, sorted && header->sortIndicatorOrder() == Qt::DescendingOrder ? 1 : 0);
    (void)key.WriteValues(values);
}

}  // namespace vanto
