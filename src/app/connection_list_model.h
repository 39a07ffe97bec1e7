// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The rows of the connection list and the list control that shows them. Rows are rewritten
// by position and only surplus rows are removed, from the end, so a refresh that finds the
// same connections changes texts in place and keeps the selection where it was.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QTableView>

#include <array>
#include <functional>
#include <vector>

namespace vanto {

struct TListRow {
    int data = -1;                  // index of the row's record in the window's connections
    std::array<QString, 5> texts;   // the caption (PID), then sub-items 0 to 3
    int image = 0;                  // index into the small system image list
};

class TConnectionListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kPid, kProtocol, kProcess, kRemoteAddress, kRemotePort, kColumnCount };
    // Qt::UserRole on any column: the row's data value.
    static constexpr int kDataRole = Qt::UserRole;

    explicit TConnectionListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Writes `rows` over the list's first rows.size() rows, appending the rows it lacks;
    // rows after them are left as they are. `rows` is emptied.
    void WriteRows(std::vector<TListRow>& rows);
    // Deletes rows from the end until `count` remain.
    void TruncateRows(int count);
    const TListRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }

    // Where row pictures come from; without a source (no image list attached) rows show none.
    using ImageSource = std::function<QIcon(int index)>;
    void SetImageSource(ImageSource source);

private:
    std::vector<TListRow> rows_;
    ImageSource images_;
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
