// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The connection list as a power user arranges it (offscreen): sorting, search, marks of
// new, closed and changed rows, more columns, copy, Save As in the three formats and the
// arrangement remembered through the registry and a portable copy's settings.ini.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/cli/table_format.h"
#include "app/connection_list_model.h"
#include "main_dlg_fixture.h"
#include "monitor/list_columns.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "support/portable_mode.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

const std::uint32_t kWeb = Addr(93, 184, 216, 34);

TConnection To(std::uint32_t pid, std::uint32_t remote, unsigned port, unsigned local_port, std::uint32_t state = 5) {
    TConnection c = Tcp(pid, remote, port, state);
    c.local_port = Port(local_port);
    return c;
}

int Col(const char* id) { return ListColumnIndex(id); }

class ListTest : public MainDlgTest {
protected:
    QStringList Column(int c) const {
        QStringList out;
        for (int r = 0; r < rows(); ++r) out << text(r, c);
        return out;
    }
    TRowMark Mark(int row) const {
        return static_cast<TRowMark>(lst_->model()->index(row, 0).data(TConnectionListModel::kMarkRole).toInt());
    }
    int RowOf(const QString& pid) const {
        for (int r = 0; r < rows(); ++r)
            if (text(r, 0) == pid) return r;
        return -1;
    }
    void SortBy(int column, Qt::SortOrder order) { lst_->horizontalHeader()->setSortIndicator(column, order); }
    // A left click on a header section, as the user gives it.
    void ClickHeader(int section) {
        QHeaderView* header = lst_->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, QPointF(at), QPointF(header->viewport()->mapToGlobal(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(header->viewport(), &e);
        }
        QApplication::processEvents();
    }
};

}  // namespace

// ---- Sorting -----------------------------------------------------------------------------

TEST_F(ListTest, HeadersSortByValueAndASecondClickReverses) {
    window_->SetColumnShown(Col("local_port"), true);
    const TConnectionArray snapshot = {To(1000, Addr(10, 0, 0, 9), 443, 9000), To(20, Addr(9, 9, 9, 9), 80, 100),
                                       To(300, Addr(10, 0, 0, 10), 8080, 25)};
    system_.Name(1000, "/opt/b", "beta");
    system_.Name(20, "/opt/a", "Alpha");
    system_.Name(300, "/opt/c", "Gamma");
    window_->UpdateList(snapshot);
    EXPECT_EQ(Column(0), (QStringList{"1000", "20", "300"})) << "unsorted: the snapshot's order";
    EXPECT_EQ(lst_->horizontalHeader()->sortIndicatorSection(), -1);

    const struct {
        const char* column;
        QStringList ascending;  // PIDs
    } cases[] = {
        {"pid", {"20", "300", "1000"}},             // numbers, not texts ("1000" < "20")
        {"remote_address", {"20", "1000", "300"}},  // 9.9.9.9 < 10.0.0.9 < 10.0.0.10
        {"remote_port", {"20", "1000", "300"}},     // 80 < 443 < 8080
        {"local_port", {"300", "20", "1000"}},      // 25 < 100 < 9000
        {"process", {"20", "1000", "300"}},         // Alpha, beta, Gamma: case ignored
    };
    window_->show();
    ASSERT_TRUE(WaitFor([&] { return lst_->horizontalHeader()->isVisible(); }));
    for (const auto& c : cases) {
        // A click on a header sorts by it; a second click reverses.
        QHeaderView* header = lst_->horizontalHeader();
        const int section = Col(c.column);
        ClickHeader(section);
        EXPECT_EQ(header->sortIndicatorSection(), section) << c.column;
        EXPECT_EQ(Column(0), c.ascending) << c.column;
        EXPECT_TRUE(header->isSortIndicatorShown());
        ClickHeader(section);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder) << c.column;
        QStringList descending = c.ascending;
        std::reverse(descending.begin(), descending.end());
        EXPECT_EQ(Column(0), descending) << c.column << " reversed";
    }
}

TEST_F(ListTest, ASortHoldsAcrossTenRefreshesWithEqualKeysInAStableOrder) {
    TConnectionArray snapshot;
    for (std::uint32_t i = 0; i < 30; ++i) snapshot.push_back(Tcp(100 + i, kWeb, i % 3 == 0 ? 80 : 443));
    window_->UpdateList(snapshot);
    SortBy(TConnectionListModel::kRemotePort, Qt::AscendingOrder);
    const QStringList sorted = Column(0);
    EXPECT_EQ(sorted.mid(0, 3), (QStringList{"100", "103", "106"})) << "equal keys keep the snapshot's order";
    int moved = 0;
    QObject::connect(lst_->model(), &QAbstractItemModel::layoutChanged, [&] { ++moved; });
    for (int i = 0; i < 10; ++i) {
        // The kernel hands the same sockets in another order: the list does not move.
        std::rotate(snapshot.begin(), snapshot.begin() + 7, snapshot.end());
        window_->UpdateList(snapshot);
        ASSERT_EQ(Column(0), sorted) << "refresh " << i;
    }
    EXPECT_EQ(moved, 0);
    // A new row joins in its sorted place.
    snapshot.push_back(Tcp(999, kWeb, 22));
    window_->UpdateList(snapshot);
    EXPECT_EQ(text(0, 0), "999");
}

// ---- Search ------------------------------------------------------------------------------

TEST_F(ListTest, SearchKeepsRowsWhereAShownColumnContainsTheTextAndCounts) {
    system_.Name(501, "/usr/bin/firefox", "Firefox Web Browser");
    system_.Name(502, "/usr/bin/ssh", "OpenSSH client");
    const TConnectionArray snapshot = {Tcp(501, kWeb, 443), Tcp(501, Addr(1, 1, 1, 1), 443), Tcp(502, kWeb, 22),
                                       Udp(503, 53)};
    window_->UpdateList(snapshot);
    ASSERT_EQ(rows(), 3);
    auto* count = child<QLabel>("count_lbl");
    EXPECT_EQ(count->text(), "3 of 4 connections shown");

    auto* search = child<QLineEdit>("search_edt");
    const struct {
        const char* text;
        int rows;
    } cases[] = {{"FIREFOX", 2}, {"1.1.1", 1}, {"443 (https)", 2}, {"openssh", 1}, {"nothing like it", 0}, {"", 3}};
    for (const auto& c : cases) {
        search->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(rows(), c.rows) << c.text;
        EXPECT_EQ(count->text(), QStringLiteral("%1 of 4 connections shown").arg(c.rows)) << c.text;
    }
    // Only shown columns count: the path is not searched until its column is shown.
    search->setText(QStringLiteral("usr/bin"));
    EXPECT_EQ(rows(), 0);
    window_->SetColumnShown(Col("path"), true);
    EXPECT_EQ(rows(), 3);
    // New rows of a refresh pass the same search.
    search->setText(QStringLiteral("ssh"));
    TConnectionArray more = snapshot;
    more.push_back(Tcp(502, Addr(8, 8, 8, 8), 22));
    more.push_back(Tcp(600, kWeb, 80));
    window_->UpdateList(more);
    EXPECT_EQ(rows(), 2);

    // Ctrl+F focuses the field and Esc there clears it.
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return window_->isActiveWindow(); }, 5000));
    window_->findChild<QAction*>(QStringLiteral("Find1"))->trigger();
    EXPECT_TRUE(search->hasFocus() || QApplication::focusWidget() == search);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QKeyEvent esc_up(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(search, &esc);
    QApplication::sendEvent(search, &esc_up);
    QApplication::processEvents();
    if (search->text().isEmpty()) EXPECT_EQ(rows(), 5);
    else ADD_FAILURE() << "Esc left the search text " << search->text().toStdString();
}

TEST_F(ListTest, ASelectedRowTheSearchHidesIsNoLongerSelected) {
    window_->UpdateList({Tcp(701, kWeb, 443), Tcp(702, kWeb, 80)});
    lst_->selectRow(1);
    ASSERT_EQ(window_->Details().pid_text, "702");
    window_->SetSearch(QStringLiteral("701"));
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(window_->Details().pid_text, "");
    window_->SetSearch(QString());
    EXPECT_TRUE(lst_->selectionModel()->selectedRows().isEmpty());
}

// ---- Marks of change ---------------------------------------------------------------------

TEST_F(ListTest, NewClosedAndChangedRowsAreMarkedForTwoSecondsButNotOnTheFirstFill) {
    const TConnectionArray first = {Tcp(801, kWeb, 443), Tcp(802, kWeb, 443), Tcp(803, kWeb, 443, 5)};
    window_->UpdateList(first);
    for (int r = 0; r < rows(); ++r) EXPECT_EQ(Mark(r), TRowMark::None) << "first fill, row " << r;
    EXPECT_FALSE(lst_->model()->index(0, 0).data(Qt::BackgroundRole).isValid());

    // 801 closes, 803 goes to CLOSE WAIT, 804 is new.
    const TConnectionArray second = {Tcp(802, kWeb, 443), Tcp(803, kWeb, 443, 8), Tcp(804, kWeb, 443)};
    window_->UpdateList(second);
    ASSERT_EQ(rows(), 4);
    EXPECT_EQ(Mark(RowOf("801")), TRowMark::Closed);
    EXPECT_EQ(Mark(RowOf("802")), TRowMark::None);
    EXPECT_EQ(Mark(RowOf("803")), TRowMark::Changed);
    EXPECT_EQ(Mark(RowOf("804")), TRowMark::New);
    const QColor green = lst_->model()->index(RowOf("804"), 2).data(Qt::BackgroundRole).value<QColor>();
    const QColor red = lst_->model()->index(RowOf("801"), 2).data(Qt::BackgroundRole).value<QColor>();
    const QColor yellow = lst_->model()->index(RowOf("803"), 2).data(Qt::BackgroundRole).value<QColor>();
    EXPECT_GT(green.green(), green.red());
    EXPECT_GT(red.red(), red.green());
    EXPECT_GT(yellow.red(), yellow.blue());
    EXPECT_GT(yellow.green(), yellow.blue());
    EXPECT_EQ(child<QLabel>("count_lbl")->text(), "3 of 3 connections shown") << "the closed row is not counted";

    // Within the two seconds a further refresh keeps the marks, the closed row included.
    system_.Advance(1500);
    window_->UpdateList(second);
    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(Mark(RowOf("804")), TRowMark::New);

    system_.Advance(600);
    ASSERT_TRUE(WaitFor([&] { return rows() == 3; })) << "the closed row goes";
    EXPECT_EQ(RowOf("801"), -1);
    for (int r = 0; r < rows(); ++r) EXPECT_EQ(Mark(r), TRowMark::None) << "row " << r;
}

// The tints keep the palette's own text readable: light tints under dark text, dark ones
// under light text.
TEST_F(ListTest, MarkColoursFollowALightOrDarkPalette) {
    window_->UpdateList({Tcp(951, kWeb, 443)});
    window_->UpdateList({Tcp(951, kWeb, 443), Tcp(952, kWeb, 443)});
    ASSERT_EQ(Mark(1), TRowMark::New);
    for (const bool dark : {true, false}) {
        QPalette p = window_->palette();
        p.setColor(QPalette::Base, dark ? QColor(0x20, 0x20, 0x20) : QColor(0xFF, 0xFF, 0xFF));
        p.setColor(QPalette::Text, dark ? QColor(0xEE, 0xEE, 0xEE) : QColor(0x10, 0x10, 0x10));
        window_->setPalette(p);
        QApplication::processEvents();
        const QColor tint = lst_->model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>();
        const int text = p.color(QPalette::Text).lightness();
        EXPECT_GT(std::abs(tint.lightness() - text), 100) << (dark ? "dark" : "light") << " palette";
    }
}

TEST_F(ListTest, MarkingOffShowsNoMarksAndAFilterChangeMarksNothing) {
    system_.SetSnapshot({Tcp(901, kWeb, 443), Tcp(902, Addr(127, 0, 0, 1), 80)});
    window_->UpdateList({Tcp(901, kWeb, 443)});
    ClickAndWaitForRefresh("local_btn");
    ASSERT_EQ(rows(), 2);
    for (int r = 0; r < rows(); ++r) EXPECT_EQ(Mark(r), TRowMark::None) << "shown by the filter, not new";
    ClickAndWaitForRefresh("local_btn");
    EXPECT_EQ(rows(), 1) << "hidden by the filter: gone at once, not kept as closed";

    window_->UpdateList({Tcp(901, kWeb, 443), Tcp(903, kWeb, 443)});
    ASSERT_EQ(Mark(RowOf("903")), TRowMark::New);
    auto* item = window_->findChild<QAction*>(QStringLiteral("MarkChanges1"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_FALSE(window_->MarkChanges());
    EXPECT_EQ(Mark(RowOf("903")), TRowMark::None) << "switching off ends the marks at once";
    window_->UpdateList({Tcp(903, kWeb, 443), Tcp(904, kWeb, 443)});
    EXPECT_EQ(rows(), 2);
    for (int r = 0; r < rows(); ++r) EXPECT_EQ(Mark(r), TRowMark::None);
}

// ---- Columns -----------------------------------------------------------------------------

TEST_F(ListTest, MoreColumnsShowStateLocalEndsAndTheProcessFacts) {
    system_.Name(4242, "/opt/tool/bin/tool", "Tool");
    system_.SetSnapshot({To(4242, kWeb, 443, 50123, 11), To(0, kWeb, 80, 40000, 11)});
    window_->UpdateList({To(4242, kWeb, 443, 50123, 11), To(0, kWeb, 80, 40000, 11)});
    ClickAndWaitForRefresh("system_btn");
    for (const char* id : {"state", "local_address", "local_port", "company", "version", "path"}) {
        EXPECT_FALSE(window_->ColumnShown(Col(id))) << id << " hidden by default";
        window_->SetColumnShown(Col(id), true);
        EXPECT_TRUE(window_->ColumnShown(Col(id))) << id;
        EXPECT_TRUE(window_->findChild<QAction*>(QStringLiteral("column_") + QLatin1String(id))->isChecked()) << id;
    }
    const int tool = RowOf("4242");
    ASSERT_GE(tool, 0);
    EXPECT_EQ(text(tool, Col("state")), "TIME WAIT");
    EXPECT_EQ(text(tool, Col("local_address")), "10.0.0.7");
    EXPECT_EQ(text(tool, Col("local_port")), "50123");
    EXPECT_EQ(text(tool, Col("company")), "Maker of tool") << "named once the column is shown";
    EXPECT_EQ(text(tool, Col("version")), "9.1");
    EXPECT_EQ(text(tool, Col("path")), "/opt/tool/bin/tool");
    EXPECT_EQ(text(RowOf("0"), Col("state")), "TIME WAIT") << "a PID 0 row reads as what it is";

    // The last shown column cannot be hidden.
    for (int c = 0; c < lst_->model()->columnCount(); ++c) window_->SetColumnShown(c, false);
    int shown = 0;
    for (int c = 0; c < lst_->model()->columnCount(); ++c) shown += window_->ColumnShown(c) ? 1 : 0;
    EXPECT_EQ(shown, 1);
}

// ---- Copy and Save As --------------------------------------------------------------------

TEST_F(ListTest, CopyGivesTheSelectedRowWithEveryShownColumnUnderAHeaderLine) {
    window_->UpdateList({Tcp(1201, kWeb, 443), Tcp(1202, kWeb, 80)});
    EXPECT_EQ(window_->CopyText(), "") << "nothing selected";
    window_->SetColumnShown(Col("state"), true);
    lst_->horizontalHeader()->moveSection(lst_->horizontalHeader()->visualIndex(Col("state")), 0);
    lst_->selectRow(1);
    EXPECT_EQ(window_->CopyText(),
              "State\tPID\tProtocol\tProcess\tRemote Address\tRemote Port\n"
              "ESTABLISHED\t1202\tTCP\tProgram prog1202\t93.184.216.34\t80 (HTTP)\n");
    window_->findChild<QAction*>(QStringLiteral("Copy1"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), window_->CopyText());
}

TEST_F(ListTest, SaveAsWritesTheShownRowsInAllThreeFormats) {
    system_.Name(1301, "/opt/a", "A & <B> \"C\", D");
    window_->UpdateList({Tcp(1301, kWeb, 443), Tcp(1302, kWeb, 80), Tcp(1303, Addr(1, 2, 3, 4), 22)});
    window_->SetColumnShown(Col("local_port"), true);
    SortBy(Col("pid"), Qt::DescendingOrder);
    window_->SetSearch(QStringLiteral("93.184"));  // 1303 is left out
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString csv = dir.filePath(QStringLiteral("rows.csv"));
    const QString json = dir.filePath(QStringLiteral("rows.json"));
    const QString html = dir.filePath(QStringLiteral("rows.html"));
    ASSERT_TRUE(window_->SaveRows(csv, static_cast<int>(cli::Format::Csv)));
    ASSERT_TRUE(window_->SaveRows(json, static_cast<int>(cli::Format::Json)));
    ASSERT_TRUE(window_->SaveRows(html, static_cast<int>(cli::Format::Html)));
    EXPECT_FALSE(window_->SaveRows(dir.filePath(QStringLiteral("no/such/folder/rows.csv")), 1));

    auto read = [](const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    };
    EXPECT_EQ(read(csv), QByteArray("PID,Protocol,Process,Remote Address,Remote Port,Local Port\r\n"
                                    "1302,TCP,Program prog1302,93.184.216.34,80 (HTTP),50302\r\n"
                                    "1301,TCP,\"A & <B> \"\"C\"\", D\",93.184.216.34,443 (HTTPS),50301\r\n"));

    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(read(json), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray a = doc.array();
    ASSERT_EQ(a.size(), 2);
    EXPECT_EQ(a[0].toObject()["pid"].toInt(), 1302);
    EXPECT_EQ(a[1].toObject()["process"].toString(), "A & <B> \"C\", D");
    EXPECT_EQ(a[1].toObject()["local_port"].toInt(), 50301);
    EXPECT_EQ(a[1].toObject()["remote_port"].toString(), "443 (HTTPS)");

    // The report is well-formed markup whose cells give back the texts.
    QXmlStreamReader xml(read(html).replace("<!DOCTYPE html>", ""));
    QStringList cells, headers;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("td")) cells << xml.readElementText();
        else if (xml.name() == QLatin1String("th")) headers << xml.readElementText();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(headers, (QStringList{"PID", "Protocol", "Process", "Remote Address", "Remote Port", "Local Port"}));
    ASSERT_EQ(cells.size(), 12);
    EXPECT_EQ(cells[0], "1302");
    EXPECT_EQ(cells[8], "A & <B> \"C\", D");
}

// ---- Remembered --------------------------------------------------------------------------

namespace {

// What a user arranges, and a check that a new window shows it so.
void Arrange(TMaindlg& w) {
    w.setGeometry(60, 70, 640, 600);
    QApplication::processEvents();
    auto* header = w.findChild<QTableView*>(QStringLiteral("lst"))->horizontalHeader();
    w.SetColumnShown(Col("state"), true);
    w.SetColumnShown(Col("local_port"), true);
    w.SetColumnShown(Col("protocol"), false);
    header->moveSection(header->visualIndex(Col("local_port")), 0);
    header->setSortIndicator(Col("remote_port"), Qt::DescendingOrder);
    w.SetMarkChanges(false);
    w.findChild<QAbstractButton*>(QStringLiteral("local_btn"))->click();  // fits the columns
    header->resizeSection(Col("local_port"), 77);
}

void ExpectArranged(TMaindlg& w) {
    auto* header = w.findChild<QTableView*>(QStringLiteral("lst"))->horizontalHeader();
    EXPECT_TRUE(w.ColumnShown(Col("state")));
    EXPECT_TRUE(w.ColumnShown(Col("local_port")));
    EXPECT_FALSE(w.ColumnShown(Col("protocol")));
    EXPECT_FALSE(w.ColumnShown(Col("path")));
    EXPECT_EQ(header->logicalIndex(0), Col("local_port"));
    EXPECT_EQ(header->sectionSize(Col("local_port")), 77);
    EXPECT_EQ(header->sortIndicatorSection(), Col("remote_port"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_FALSE(w.MarkChanges());
    EXPECT_EQ(w.size(), QSize(640, 600));
    w.AppEvtActivate();  // the filters come back at the first activation
    EXPECT_TRUE(w.ShowLocal());
    EXPECT_FALSE(w.ShowSystem());
}

}  // namespace

TEST_F(ListTest, TheArrangementRoundTripsThroughTheSettingsKey) {
    Arrange(*window_);
    window_->SaveListSettings();
    {
        platform::RegKey key;
        ASSERT_TRUE(key.Open(platform::RegRoot::CurrentUser, SettingsKeyPath(kSettingsProduct),
                             platform::RegAccess::Read));
        std::string columns;
        ASSERT_TRUE(key.ReadString("Columns", columns));
        EXPECT_EQ(columns.rfind("local_port:77,pid:", 0), 0u) << columns;
        // Only texts and DWORDs, which settings.ini carries.
        std::vector<std::string> names;
        ASSERT_TRUE(key.GetValueNames(names));
        for (const std::string& name : names) {
            platform::RegValue v;
            ASSERT_TRUE(key.ReadValue(name, v));
            EXPECT_TRUE(v.type == platform::kRegSz || v.type == platform::kRegDword) << name;
        }
    }
    window_ = std::make_unique<TMaindlg>(system_.Services());
    timer()->stop();
    ExpectArranged(*window_);
}

TEST_F(ListTest, APortableCopyCarriesTheArrangementInSettingsIni) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string exe = QDir(dir.path()).filePath(QStringLiteral("vantoscope")).toStdString();
    const std::string ini = QDir(dir.path()).filePath(QStringLiteral("settings.ini")).toStdString();
    TMaindlgServices s = system_.Services();
    s.exe_path = exe;
    window_ = std::make_unique<TMaindlg>(s);
    timer()->stop();
    Arrange(*window_);
    window_->FormClose();
    window_.reset();
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings_DWORD", "WindowWidth", "?"), "640");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings_DWORD", "ShowLocalConnections", "?"), "1");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "SortColumn", "?"), "remote_port");
    platform::RegKey key;
    EXPECT_FALSE(key.Open(platform::RegRoot::CurrentUser, SettingsKeyPath(kSettingsProduct), platform::RegAccess::Read))
        << "the portable copy took its settings with it";

    window_ = std::make_unique<TMaindlg>(s);
    timer()->stop();
    ExpectArranged(*window_);
}

TEST_F(ListTest, DamagedOrOffScreenSettingsAreNotRestored) {
    {
        platform::RegKey key;
        ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, SettingsKeyPath(kSettingsProduct),
                               platform::RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteValue("WindowLeft", platform::RegValue::Dword(static_cast<std::uint32_t>(-30000))));
        ASSERT_TRUE(key.WriteValue("WindowTop", platform::RegValue::Dword(50)));
        ASSERT_TRUE(key.WriteValue("WindowWidth", platform::RegValue::Dword(0xFFFFFFFFu)));
        ASSERT_TRUE(key.WriteValue("WindowHeight", platform::RegValue::Dword(600)));
        ASSERT_TRUE(key.WriteString("Columns", "nonsense,,:,:5,pid:abc,pid:60,unknown:40,state:70,path:999999"));
        ASSERT_TRUE(key.WriteString("SortColumn", "no such column"));
    }
    window_ = std::make_unique<TMaindlg>(system_.Services());
    timer()->stop();
    EXPECT_GT(window_->x(), -1000) << "a place off every screen is not taken";
    EXPECT_LE(window_->width(), 16384);
    EXPECT_TRUE(window_->ColumnShown(Col("pid")));
    EXPECT_TRUE(window_->ColumnShown(Col("path")));
    EXPECT_FALSE(window_->ColumnShown(Col("process")));
    lst_ = window_->findChild<QTableView*>(QStringLiteral("lst"));
    QHeaderView* header = lst_->horizontalHeader();
    EXPECT_EQ(header->sectionSize(Col("state")), 70);
    EXPECT_EQ(header->logicalIndex(0), Col("pid")) << "the first mention of a column counts";
    EXPECT_LE(header->sectionSize(Col("path")), 4000);
    EXPECT_EQ(header->sortIndicatorSection(), -1);
}

// ---- The strip under the buttons -----------------------------------------------------------

TEST_F(ListTest, TheStatusStripCountsAndSaysFrozen) {
    auto* frozen = child<QLabel>("frozen_lbl");
    timer()->start();
    window_->show();
    window_->UpdateList({Tcp(1401, kWeb, 443), Udp(1402, 53)});
    EXPECT_EQ(child<QLabel>("count_lbl")->text(), "1 of 2 connections shown");
    EXPECT_FALSE(frozen->isVisible());
    child<QAbstractButton>("freeze_btn")->click();
    EXPECT_TRUE(frozen->isVisible());
    EXPECT_EQ(frozen->text(), "Frozen");
    child<QAbstractButton>("freeze_btn")->click();
    EXPECT_FALSE(frozen->isVisible());
}

VS_QT_TEST_MAIN()

// ---- Names worked out in the background ----------------------------------------------------

TEST_F(ListTest, ARowNamedByItsFileNameTakesItsNameWhenItIsKnown) {
    // The naming service's answer before its worker is done: the file name, said to be pending.
    std::set<std::string> named;
    TMaindlgServices s = system_.Services();
    s.display_name = [&named](const std::string& path) {
        const std::string file = path.substr(path.rfind('/') + 1);
        return named.count(path) ? "Named " + file : file;
    };
    s.name_pending = [&named](const std::string& path) { return named.count(path) == 0; };
    window_ = std::make_unique<TMaindlg>(s);
    timer()->stop();
    lst_ = window_->findChild<QTableView*>(QStringLiteral("lst"));
    ASSERT_NE(lst_, nullptr);
    system_.Name(7, "/opt/slow", "unused");
    system_.Name(8, "/opt/quick", "unused");
    named.insert("/opt/quick");
    const TConnectionArray snapshot = {To(7, kWeb, 443, 5000), To(8, kWeb, 80, 5001), To(7, kWeb, 8443, 5002)};
    window_->UpdateList(snapshot);
    const int process = Col("process");
    EXPECT_EQ(Column(process), (QStringList{"slow", "Named quick", "slow"}));

    window_->UpdateList(snapshot);
    EXPECT_EQ(Column(process), (QStringList{"slow", "Named quick", "slow"})) << "still pending: unchanged";
    named.insert("/opt/slow");
    window_->UpdateList(snapshot);
    EXPECT_EQ(Column(process), (QStringList{"Named slow", "Named quick", "Named slow"}))
        << "the next refresh shows the name, on every row of the process";
}
