// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/connection_list_model.h"

#include <QColor>
#include <QHeaderView>
#include <QMouseEvent>
#include <QResizeEvent>

#include <algorithm>
#include <unordered_map>

namespace vanto {

namespace {

// A connection is its ends, protocol and owner; its TCP state is what may change.
TConnection Identity(const TConnection& c) { return ConnectionIdentity(c); }

bool SameTraffic(const TConnection& a, const TConnection& b) {
    return a.has_traffic == b.has_traffic && a.bytes_sent == b.bytes_sent && a.bytes_received == b.bytes_received &&
           a.sent_rate == b.sent_rate && a.received_rate == b.received_rate;
}

struct IdentityHash {
    std::size_t operator()(const TConnection& c) const noexcept {
        std::uint64_t h = 0xcbf29ce484222325ull;
        auto mix = [&h](std::uint64_t v) {
            h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
        };
        mix(c.protocol);
        mix((std::uint64_t{c.local_addr} << 32) | c.remote_addr);
        mix((std::uint64_t{c.local_port & 0xFFFFu} << 16) | (c.remote_port & 0xFFFFu));
        mix(c.pid);
        return static_cast<std::size_t>(h);
    }
};

QString Local8(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

TConnectionListModel::TConnectionListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TConnectionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TConnectionListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ListColumns().size());
}

QVariant TConnectionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const TListRow& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return r.texts[static_cast<std::size_t>(index.column())];
    case Qt::DecorationRole:
        if (index.column() == kPid && images_ && r.process) return images_(r.process->image);
        return {};
    case kDataRole:
        return r.data;
    case kMarkRole:
        return static_cast<int>(r.mark);
    case Qt::BackgroundRole:
        // Tints that keep the palette's own text readable, light or dark.
        switch (r.mark) {
        case TRowMark::New: return dark_ ? QColor(0x1E, 0x5C, 0x2E) : QColor(0xC6, 0xEF, 0xCE);
        case TRowMark::Closed: return dark_ ? QColor(0x6E, 0x22, 0x2A) : QColor(0xFF, 0xC7, 0xCE);
        case TRowMark::Changed: return dark_ ? QColor(0x6B, 0x5A, 0x12) : QColor(0xFF, 0xEB, 0x9C);
        case TRowMark::None: return {};
        }
        return {};
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TConnectionListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section >= 0 &&
        static_cast<std::size_t>(section) < header_tips_.size() && !header_tips_[static_cast<std::size_t>(section)].isEmpty())
        return header_tips_[static_cast<std::size_t>(section)];
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(ListColumns().size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(ListColumns()[static_cast<std::size_t>(section)].caption);
}

void TConnectionListModel::Fill(TListRow& row) const {
    static const TProcessFacts kNone;
    const TProcessFacts& p = row.process ? *row.process : kNone;
    const auto columns = ListColumns();
    row.texts.resize(columns.size());
    row.keys.resize(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        row.texts[c] = Local8(columns[c].text(row.connection, p));
        row.keys[c] = columns[c].sort_key(row.connection, p);
    }
    if (remote_namer_) {
        const std::string name = remote_namer_(row.connection);
        if (!name.empty()) row.texts[kRemoteAddress] = Local8(name);
    }
}

void TConnectionListModel::SetRemoteNamer(RemoteNamer namer) {
    remote_namer_ = std::move(namer);
    RefillAll();
}

void TConnectionListModel::RefillAll() {
    if (rows_.empty()) return;
    for (auto& row : rows_) Fill(row);
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

void TConnectionListModel::SetHeaderToolTip(int column, const QString& tip) {
    if (column < 0) return;
    if (header_tips_.size() <= static_cast<std::size_t>(column)) header_tips_.resize(static_cast<std::size_t>(column) + 1);
    if (header_tips_[static_cast<std::size_t>(column)] == tip) return;
    header_tips_[static_cast<std::size_t>(column)] = tip;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void TConnectionListModel::SetMark(TListRow& row, TRowMark mark, std::int64_t until) {
    if (row.mark == TRowMark::Closed) --closed_;
    if (row.mark != TRowMark::None) --marked_;
    row.mark = mark;
    row.mark_until = until;
    if (mark != TRowMark::None) ++marked_;
    if (mark == TRowMark::Closed) ++closed_;
}

void TConnectionListModel::Apply(const TConnectionArray& connections, const std::vector<int>& shown,
                                 const Namer& namer, bool mark, std::int64_t now_ms) {
    // Which shown record each live row stands for; records with the same identity (two
    // sockets sharing a port) are matched in turn.
    std::unordered_map<TConnection, int, IdentityHash> first;
    first.reserve(shown.size());
    std::vector<int> same(shown.size(), -1);
    for (int k = static_cast<int>(shown.size()) - 1; k >= 0; --k) {
        const auto [it, added] = first.try_emplace(Identity(connections[static_cast<std::size_t>(shown[k])]), k);
        if (!added) {
            same[static_cast<std::size_t>(k)] = it->second;
            it->second = k;
        }
    }
    std::vector<int> row_of(shown.size(), -1);
    std::vector<int> match(rows_.size(), -1);
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        if (rows_[r].mark == TRowMark::Closed) continue;
        const auto it = first.find(Identity(rows_[r].connection));
        if (it == first.end()) continue;
        int k = it->second;
        while (k >= 0 && row_of[static_cast<std::size_t>(k)] >= 0) k = same[static_cast<std::size_t>(k)];
        if (k < 0) continue;
        row_of[static_cast<std::size_t>(k)] = static_cast<int>(r);
        match[r] = k;
    }

    // New rows are named before anything changes, so a name that fails leaves the list whole.
    std::vector<TListRow> fresh;
    {
        std::unordered_map<std::uint32_t, std::shared_ptr<const TProcessFacts>> named;
        for (std::size_t k = 0; k < shown.size(); ++k) {
            if (row_of[k] >= 0) continue;
            TListRow row;
            row.connection = connections[static_cast<std::size_t>(shown[k])];
            row.data = shown[k];
            auto it = named.find(row.connection.pid);
            if (it == named.end()) it = named.emplace(row.connection.pid, namer(row.connection.pid)).first;
            row.process = it->second;
            Fill(row);
            fresh.push_back(std::move(row));
        }
    }

    // Rows that stay with a name still being worked out are asked again (once per process).
    {
        std::unordered_map<std::uint32_t, std::shared_ptr<const TProcessFacts>> named;
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            TListRow& row = rows_[r];
            if (match[r] < 0 || !row.process || !row.process->pending) continue;
            auto it = named.find(row.connection.pid);
            if (it == named.end()) it = named.emplace(row.connection.pid, namer(row.connection.pid)).first;
            const bool renamed = it->second->name != row.process->name;
            row.process = it->second;
            if (!renamed) continue;
            Fill(row);
            emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), columnCount() - 1),
                             {Qt::DisplayRole});
        }
    }

    // Rows that stay: a changed state is written and marked; nothing else is touched.
    std::vector<int> doomed;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        TListRow& row = rows_[r];
        const int k = match[r];
        if (k < 0) {
            if (row.mark == TRowMark::Closed) continue;
            row.data = -1;
            if (mark) {
                SetMark(row, TRowMark::Closed, now_ms + kMarkMs);
                emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), columnCount() - 1),
                                 {Qt::BackgroundRole, kMarkRole, kDataRole});
            } else {
                doomed.push_back(static_cast<int>(r));
            }
            continue;
        }
        const TConnection& c = connections[static_cast<std::size_t>(shown[static_cast<std::size_t>(k)])];
        row.data = shown[static_cast<std::size_t>(k)];
        if (c.state != row.connection.state) {
            row.connection = c;
            Fill(row);
            if (mark) SetMark(row, TRowMark::Changed, now_ms + kMarkMs);
            emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), columnCount() - 1));
        } else if (!SameTraffic(c, row.connection)) {
            // Moving data is no change of the connection: new counts, no mark.
            row.connection = c;
            Fill(row);
            emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), columnCount() - 1),
                             {Qt::DisplayRole});
        }
    }

    // Where the stayed rows are once the closed ones are gone.
    if (!doomed.empty()) {
        std::vector<int> shift(rows_.size() + 1, 0);
        for (const int r : doomed) shift[static_cast<std::size_t>(r) + 1] = 1;
        for (std::size_t r = 1; r < shift.size(); ++r) shift[r] += shift[r - 1];
        for (int& r : row_of)
            if (r >= 0) r -= shift[static_cast<std::size_t>(r)];
        RemoveRows(doomed);
    }

    // A new row goes right after the row of the record before it in the snapshot, so an
    // unsorted list keeps the snapshot's order while the rows already there stay put.
    struct Group {
        int at;
        int order;
        std::vector<TListRow> rows;
    };
    std::vector<Group> groups;
    int prev = -1;
    std::size_t f = 0;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        if (row_of[k] >= 0) {
            prev = row_of[k];
            continue;
        }
        const int at = prev + 1;
        if (groups.empty() || groups.back().at != at)
            groups.push_back({at, static_cast<int>(groups.size()), {}});
        TListRow& row = fresh[f++];
        if (mark) SetMark(row, TRowMark::New, now_ms + kMarkMs);
        groups.back().rows.push_back(std::move(row));
    }
    std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return a.at != b.at ? a.at > b.at : a.order > b.order;
    });
    for (Group& g : groups) {
        const int n = static_cast<int>(g.rows.size());
        beginInsertRows({}, g.at, g.at + n - 1);
        rows_.insert(rows_.begin() + g.at, std::make_move_iterator(g.rows.begin()),
                     std::make_move_iterator(g.rows.end()));
        endInsertRows();
    }
}

void TConnectionListModel::RemoveRows(const std::vector<int>& doomed) {
    // From the end, one notice per run of neighbouring rows.
    std::size_t i = doomed.size();
    while (i > 0) {
        std::size_t j = i - 1;
        while (j > 0 && doomed[j - 1] == doomed[j] - 1) --j;
        const int from = doomed[j];
        const int to = doomed[i - 1];
        beginRemoveRows({}, from, to);
        for (int r = from; r <= to; ++r) SetMark(rows_[static_cast<std::size_t>(r)], TRowMark::None, 0);
        rows_.erase(rows_.begin() + from, rows_.begin() + to + 1);
        endRemoveRows();
        i = j;
    }
}

bool TConnectionListModel::ExpireMarks(std::int64_t now_ms) {
    if (marked_ == 0) return false;
    std::vector<int> doomed;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        TListRow& row = rows_[r];
        if (row.mark == TRowMark::None || row.mark_until > now_ms) continue;
        if (row.mark == TRowMark::Closed) {
            doomed.push_back(static_cast<int>(r));
            continue;
        }
        SetMark(row, TRowMark::None, 0);
        emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), columnCount() - 1),
                         {Qt::BackgroundRole, kMarkRole});
    }
    if (!doomed.empty()) RemoveRows(doomed);
    return marked_ > 0;
}

void TConnectionListModel::ClearMarks() {
    // Every mark ends now.
    for (TListRow& row : rows_)
        if (row.mark != TRowMark::None) row.mark_until = 0;
    ExpireMarks(0);
}

void TConnectionListModel::Rename(const Namer& namer) {
    if (rows_.empty()) return;
    std::unordered_map<std::uint32_t, std::shared_ptr<const TProcessFacts>> named;
    for (TListRow& row : rows_) {
        auto it = named.find(row.connection.pid);
        if (it == named.end()) it = named.emplace(row.connection.pid, namer(row.connection.pid)).first;
        row.process = it->second;
        Fill(row);
    }
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void TConnectionListModel::SetImageSource(ImageSource source) {
    images_ = std::move(source);
    if (!rows_.empty()) emit dataChanged(index(0, kPid), index(rowCount() - 1, kPid), {Qt::DecorationRole});
}

void TConnectionListModel::SetDarkPalette(bool dark) {
    if (dark == dark_) return;
    dark_ = dark;
    if (marked_ > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

// ---- Sorting and search ----------------------------------------------------------------

TConnectionListProxy::TConnectionListProxy(QObject* parent) : QSortFilterProxyModel(parent) {
    setDynamicSortFilter(true);
}

void TConnectionListProxy::SetSearch(const QString& text) {
    if (text == search_) return;
    search_ = text;
    invalidateFilter();
}

void TConnectionListProxy::SetSearchedColumns(std::vector<bool> searched) {
    if (searched == searched_) return;
    searched_ = std::move(searched);
    if (!search_.isEmpty()) invalidateFilter();
}

bool TConnectionListProxy::filterAcceptsRow(int source_row, const QModelIndex&) const {
    if (search_.isEmpty()) return true;
    const auto* m = static_cast<const TConnectionListModel*>(sourceModel());
    const TListRow& row = m->Row(source_row);
    for (std::size_t c = 0; c < row.texts.size(); ++c) {
        if (c < searched_.size() && !searched_[c]) continue;
        if (row.texts[c].contains(search_, Qt::CaseInsensitive)) return true;
    }
    return false;
}

bool TConnectionListProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const auto* m = static_cast<const TConnectionListModel*>(sourceModel());
    const auto c = static_cast<std::size_t>(left.column());
    const std::string& a = m->Row(left.row()).keys[c];
    const std::string& b = m->Row(right.row()).keys[c];
    return a < b;  // equal keys: the sort is stable, so rows keep the model's order
}

// ---- The list control ------------------------------------------------------------------

TConnectionListView::TConnectionListView(QWidget* parent) : QTableView(parent) {
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setIconSize(QSize(16, 16));
    verticalHeader()->hide();
    // Fixed row heights let the view place 10,000 rows without measuring any of them.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(qMax(18, fontMetrics().height() + 4));
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsMovable(true);
}

void TConnectionListView::mousePressEvent(QMouseEvent* event) {
    if (!indexAt(event->position().toPoint()).isValid()) {
        clearSelection();
        setCurrentIndex({});
        return;
    }
    QTableView::mousePressEvent(event);
}

// The scroll area lays out its viewport before the resize event reaches this handler; an
// event filter on the list would still see the old viewport.
void TConnectionListView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    emit resized();
}

}  // namespace vanto
