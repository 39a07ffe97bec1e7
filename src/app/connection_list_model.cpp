// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/connection_list_model.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QResizeEvent>

namespace vanto {

TConnectionListModel::TConnectionListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TConnectionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TConnectionListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant TConnectionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) return {};
    const TListRow& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return r.texts[static_cast<std::size_t>(index.column())];
    case Qt::DecorationRole:
        if (index.column() == kPid && images_) return images_(r.image);
        return {};
    case kDataRole:
        return r.data;
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TConnectionListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case kPid: return QStringLiteral("PID");
    case kProtocol: return QStringLiteral("Protocol");
    case kProcess: return QStringLiteral("Process");
    case kRemoteAddress: return QStringLiteral("Remote Address");
    case kRemotePort: return QStringLiteral("Remote Port");
    default: return {};
    }
}

void TConnectionListModel::WriteRows(std::vector<TListRow>& rows) {
    const std::size_t old_count = rows_.size();
    const std::size_t reused = std::min(old_count, rows.size());
    for (std::size_t i = 0; i < reused; ++i) rows_[i] = std::move(rows[i]);
    // Every reused row is written again, changed or not: one notice covers them all.
    if (reused > 0) emit dataChanged(index(0, 0), index(static_cast<int>(reused) - 1, kColumnCount - 1));
    if (rows.size() > old_count) {
        beginInsertRows({}, static_cast<int>(old_count), static_cast<int>(rows.size()) - 1);
        for (std::size_t i = old_count; i < rows.size(); ++i) rows_.push_back(std::move(rows[i]));
        endInsertRows();
    }
    rows.clear();
}

void TConnectionListModel::TruncateRows(int count) {
    if (count < 0) count = 0;
    if (static_cast<std::size_t>(count) >= rows_.size()) return;
    beginRemoveRows({}, count, static_cast<int>(rows_.size()) - 1);
    rows_.resize(static_cast<std::size_t>(count));
    endRemoveRows();
}

void TConnectionListModel::SetImageSource(ImageSource source) {
    images_ = std::move(source);
    if (!rows_.empty()) emit dataChanged(index(0, kPid), index(rowCount() - 1, kPid), {Qt::DecorationRole});
}

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
