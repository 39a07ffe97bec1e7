// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The rows of the connection list, the proxy that sorts and searches them, and the list
// control. A row stands for one connection (protocol, local and remote ends, PID): a new
// snapshot updates the rows of the connections it still holds in place, adds rows for new
// ones next to their neighbours in the snapshot and removes the rows of closed ones, so the
// selection and the scroll position stay with their connections and the model is never
// reset. Rows can be marked for a while: new (green), closed (red, kept until the mark
// ends) and state changed (yellow).
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/connection_snapshot.h"
#include "monitor/list_columns.h"

namespace vanto {

// What makes a row's connection: ends, protocol and owner. The TCP state, the traffic counts
// and their rates change while it lives.
inline TConnection ConnectionIdentity(TConnection c) {
    c.state = 0;
    c.has_traffic = false;
    c.bytes_sent = c.bytes_received = 0;
    c.sent_rate = c.received_rate = -1;
    c.owner_start = 0;
    return c;
}

// The same connection: ends, protocol and owner; the TCP state may differ.
inline bool SameConnection(const TConnection& a, const TConnection& b) {
    return ConnectionIdentity(a) == ConnectionIdentity(b);
}

enum class TRowMark : std::uint8_t { None, New, Closed, Changed };

struct TListRow {
    TConnection connection;
    int data = -1;  // index of the row's record in the window's connections; -1 once closed
    std::shared_ptr<const TProcessFacts> process;
    std::vector<QString> texts;     // one per column of ListColumns()
    std::vector<std::string> keys;  // the sort key of each column
    TRowMark mark = TRowMark::None;
    std::int64_t mark_until = 0;    // milliseconds of the model's clock
};

class TConnectionListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The Part's five columns keep their places at the front of the table.
    enum Column { kPid, kProtocol, kProcess, kRemoteAddress, kRemotePort };
    // Qt::UserRole on any column: the row's data value.
    static constexpr int kDataRole = Qt::UserRole;
    static constexpr int kMarkRole = Qt::UserRole + 1;
    // How long a mark stays.
    static constexpr std::int64_t kMarkMs = 2000;

    explicit TConnectionListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The one place rows get their process: a row's facts are asked for once, when the row
    // is made (and again for every row when a shown column starts to need more of them).
    using Namer = std::function<std::shared_ptr<const TProcessFacts>(std::uint32_t pid)>;

    // Applies the records `shown` (indexes into `connections`) of a new snapshot. With
    // `mark`, new rows and changed states are marked and closed rows are kept marked; without,
    // closed rows go at once. The namer runs before anything changes: when it throws, the
    // list stays as it was and the exception goes on to the caller.
    void Apply(const TConnectionArray& connections, const std::vector<int>& shown, const Namer& namer, bool mark,
               std::int64_t now_ms);
    // Ends the marks whose time is over; closed rows then go. True while marks remain.
    bool ExpireMarks(std::int64_t now_ms);
    // Drops every mark at once; closed rows go (marking switched off).
    void ClearMarks();
    bool HasMarks() const { return marked_ > 0; }
    // Names every row's process again (a column that needs more of it was shown).
    void Rename(const Namer& namer);

    const TListRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    // Rows not marked closed.
    int LiveRows() const { return static_cast<int>(rows_.size()) - closed_; }

    // Where row pictures come from; without a source (no image list attached) rows show none.
    using ImageSource = std::function<QIcon(int index)>;
    void SetImageSource(ImageSource source);
    // Mark colours suit a light or a dark palette.
    void SetDarkPalette(bool dark);
    // The Remote Address column shows what this gives (a host name) where it is not empty.
    using RemoteNamer = std::function<std::string(const TConnection& c)>;
    void SetRemoteNamer(RemoteNamer namer);
    // Writes every row's texts again (names arrived, the namer changed).
    void RefillAll();
    // The tooltip of a column's header; empty for none.
    void SetHeaderToolTip(int column, const QString& tip);

private:
    void Fill(TListRow& row) const;
    void SetMark(TListRow& row, TRowMark mark, std::int64_t until);
    void RemoveRows(const std::vector<int>& doomed);

    std::vector<TListRow> rows_;
    ImageSource images_;
    RemoteNamer remote_namer_;
    std::vector<QString> header_tips_;
    int marked_ = 0;
    int closed_ = 0;
    bool dark_ = false;
};

// Sorts by the column's keys (equal keys keep the rows' order, so nothing jumps between
// refreshes) and keeps the rows where a searched column contains the search text, ignoring
// ASCII case. Until a column is chosen, rows keep the model's order.
class TConnectionListProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit TConnectionListProxy(QObject* parent = nullptr);
    void SetSearch(const QString& text);
    const QString& Search() const { return search_; }
    // The columns the search looks into: the shown ones.
    void SetSearchedColumns(std::vector<bool> searched);

protected:
    bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QString search_;
    std::vector<bool> searched_;
};

// The list control: a report view with grid lines and whole-row selection. A click into
// the empty space below the rows clears the selection, as the native list view does.
class TConnectionListView : public QTableView {
    Q_OBJECT

public:
    explicit TConnectionListView(QWidget* parent = nullptr);

signals:
    // The list has changed size and has already placed its viewport and scroll bars for
    // it, so the viewport's width is the one the columns must fill.
    void resized();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace vanto
