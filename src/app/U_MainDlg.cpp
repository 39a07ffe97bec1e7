// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/U_MainDlg.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QKeyEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <chrono>
#include <exception>
#include <memory>
#include <unordered_map>

#include "app/connection_list_model.h"
#include "app/tray_icon.h"
#include "monitor/connection_filters.h"
#include "monitor/connection_list.h"
#include "monitor/display_name.h"
#include "monitor/naming_service.h"
#include "monitor/process_identity.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "support/U_UnicodeUtils.h"
#include "support/maker_key.h"
#include "support/shell_utils.h"
#include "update/maker_site.h"
#include "update/qt/U_Orvo_Lite.h"
#include "update/qt/U_about.h"

// Resources compiled into a static library are registered by hand.
static void InitResources() { Q_INIT_RESOURCE(vantoscope); }

namespace vanto {

namespace {

constexpr int kClientWidth = 423;
constexpr int kClientHeight = 549;
// The smallest window, frame included.
constexpr int kMinWindowWidth = 410;
constexpr int kMinWindowHeight = 565;
// A sizeable frame with caption, for when the window manager has not told us its own yet.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 39;

constexpr int kHeaderHeight = 57;
constexpr int kRefreshMs = 1000;
constexpr int kProcessColumnWidth = 50;
// Closing waits this long for running snapshot workers, so that the program ends within a second.
constexpr int kWorkerWaitMs = 800;

QString Local8(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

// Our pictures, drawn by the build at the sizes used (one PNG per size: name-16.png, ...).
QIcon PictureIcon(const QString& resource, std::initializer_list<int> sizes) {
    QIcon icon;
    for (const int size : sizes) {
        const QPixmap pixmap(resource + QLatin1Char('-') + QString::number(size) + QLatin1String(".png"));
        if (!pixmap.isNull()) icon.addPixmap(pixmap);
    }
    return icon;
}

// A picture of the shell's image list as an icon; a stand-in of the same kind when the
// shell's picture cannot be drawn here (no icon theme, unreadable file).
QIcon IconFromShell(const platform::ShellIconPicture& picture) {
    if (!picture.argb.empty() && picture.width > 0 && picture.height > 0 &&
        picture.argb.size() >= static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
        const QImage image(reinterpret_cast<const uchar*>(picture.argb.data()), picture.width, picture.height,
                           static_cast<qsizetype>(picture.width) * 4, QImage::Format_ARGB32);
        return QIcon(QPixmap::fromImage(image.copy()));
    }
    if (!picture.theme_name.empty() && QIcon::hasThemeIcon(Local8(picture.theme_name)))
        return QIcon::fromTheme(Local8(picture.theme_name));
    if (!picture.file.empty()) {
        const QPixmap pixmap(Local8(picture.file));
        if (!pixmap.isNull()) return QIcon(pixmap);
    }
    switch (picture.kind) {
    case platform::ShellIconPicture::Kind::Folder:
        return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    case platform::ShellIconPicture::Kind::Program:
        return PictureIcon(QStringLiteral(":/vantoscope/program"), {16, 32});
    case platform::ShellIconPicture::Kind::Generic:
        break;
    }
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

// Picture and caption side by side, with the small margins of a tool button.
QToolButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QIcon& icon, int icon_size) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setIcon(icon);
    b->setIconSize(QSize(icon_size, icon_size));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

}  // namespace

TMaindlg::TMaindlg(TMaindlgServices services, QWidget* parent) : QMainWindow(parent), services_(std::move(services)) {
    InitResources();
    if (!services_.process_path) services_.process_path = [](std::uint32_t pid) { return GetProcessPath(pid); };
    // Company and version: once per executable while it stays the same, and only while their
    // columns are shown.
    const auto cache = std::make_shared<ProductInfoCache>();
    if (!services_.display_name) {
        // Named on a worker thread (the rules may read files and the registry, and a file may
        // hang): the file name until its name is known, the name from the next refresh on.
        auto naming = std::make_shared<NamingService>();
        services_.display_name = [naming](const std::string& path) { return naming->NameOrFileName(path); };
        if (!services_.name_pending)
            services_.name_pending = [naming](const std::string& path) { return naming->Pending(path); };
    }
    if (!services_.company)
        services_.company = [cache](const std::string& path) {
            std::string name;
            return cache->NameOfFile(path, name) ? cache->Company(path) : std::string();
        };
    if (!services_.version)
        services_.version = [cache](const std::string& path) {
            std::string name;
            return cache->NameOfFile(path, name) ? cache->Version(path) : std::string();
        };
    if (!services_.now_ms)
        services_.now_ms = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };

    if (!services_.params) services_.params = QCoreApplication::arguments().mid(1);

    setObjectName(QStringLiteral("Maindlg"));
    setWindowTitle(QStringLiteral("Vantoscope"));
    setWindowIcon(PictureIcon(QStringLiteral(":/vantoscope/vantoscope"), {16, 24, 32, 48, 64}));
    CreateComponents();
    CreateMainMenu();
    // The icon exists from the start but is switched on at the first activation.
    tray_icon = new TTrayIcon(windowIcon(), this);
    tray_icon->setObjectName(QStringLiteral("tray_icon"));
    connect(tray_icon, &TTrayIcon::showRequested, this, &TMaindlg::Show1Click);
    connect(tray_icon, &TTrayIcon::quitRequested, this, &TMaindlg::Quit1Click);
    connect(softupdate_btn, &QPushButton::clicked, this, &TMaindlg::softupdate_btnClick);
    tray_tmr = new QTimer(this);
    tray_tmr->setObjectName(QStringLiteral("tray_tmr"));
    tray_tmr->setSingleShot(true);
    tray_tmr->setInterval(0);
    connect(tray_tmr, &QTimer::timeout, this, [this] {
        if (isMinimized() && isVisible() && !closing_ && CanHideToTray()) HideToTray();
    });

    // The client area is given without the frame; a menu bar, when there is one, comes on top.
    // The sizes suit the classic 8-point dialog font; a wider desktop font widens the window
    // as far as the captions need.
    const int menu_height = menuWidget() != nullptr ? menuWidget()->sizeHint().height() : 0;
    resize(qMax(kClientWidth, centralWidget()->minimumSizeHint().width()), kClientHeight + menu_height);
    setMinimumSize(kMinWindowWidth - kFrameWidth, kMinWindowHeight - kFrameHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    refresh_tmr = new QTimer(this);
    refresh_tmr->setObjectName(QStringLiteral("refresh_tmr"));
    refresh_tmr->setInterval(kRefreshMs);
    connect(refresh_tmr, &QTimer::timeout, this, &TMaindlg::refresh_tmrTimer);
    refresh_tmr->start();
    marks_tmr = new QTimer(this);
    marks_tmr->setObjectName(QStringLiteral("marks_tmr"));
    marks_tmr->setInterval(250);
    connect(marks_tmr, &QTimer::timeout, this, &TMaindlg::MarksTick);

    activation_ = connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) AppEvtActivate();
    });
    startup_tmr = new QTimer(this);
    startup_tmr->setObjectName(QStringLiteral("startup_tmr"));
    startup_tmr->setSingleShot(true);
    connect(startup_tmr, &QTimer::timeout, this, &TMaindlg::AppEvtActivate);
    // However the program ends (a signal, the session's end), the close sequence runs once.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TMaindlg::FormClose);
    FormCreate();
    LoadListSettings();
}

TMaindlg::~TMaindlg() {
    resolver_.reset();  // no name arrives for a window on its way out
    FormDestroy();
    StopRefresh();
    // A worker cannot be interrupted inside the system calls of a snapshot; each is near its
    // end, so wait for them briefly. One that outlives the wait is left to finish alone: it
    // no longer knows this window, and its snapshot goes nowhere.
    const QDeadlineTimer deadline(kWorkerWaitMs);
    for (const auto& w : std::as_const(workers_))
        if (w) w->wait(deadline);
}

void TMaindlg::CreateComponents() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("client"));
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(CreateHeader());

    auto* body = new QVBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    outer->addLayout(body, 1);

    search_edt = new QLineEdit(central);
    search_edt->setObjectName(QStringLiteral("search_edt"));
    search_edt->setPlaceholderText(QStringLiteral("Search (Ctrl+F)"));
    search_edt->setClearButtonEnabled(true);
    connect(search_edt, &QLineEdit::textChanged, this, &TMaindlg::SetSearch);
    search_edt->installEventFilter(this);  // Esc clears it
    body->addWidget(search_edt);

    lst = new TConnectionListView(central);
    lst->setObjectName(QStringLiteral("lst"));
    lst_model = new TConnectionListModel(lst);
    lst_model->setObjectName(QStringLiteral("lst_model"));
    lst_model->SetDarkPalette(palette().color(QPalette::Base).lightness() < 128);
    lst_proxy = new TConnectionListProxy(lst);
    lst_proxy->setObjectName(QStringLiteral("lst_proxy"));
    lst_proxy->setSourceModel(lst_model);
    lst->setModel(lst_proxy);
    QHeaderView* header = lst->horizontalHeader();
    const auto columns = ListColumns();
    for (std::size_t c = 0; c < columns.size(); ++c)
        header->setSectionHidden(static_cast<int>(c), !columns[c].shown_by_default);
    header->resizeSection(TConnectionListModel::kProcess, kProcessColumnWidth);
    // Unsorted until the user clicks a header: rows keep the snapshot's order.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    lst->setSortingEnabled(true);
    lst->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lst, &TConnectionListView::resized, this, &TMaindlg::FormResize);
    connect(lst->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TMaindlg::lstSelectItem);
    // A selected row that goes (its connection closed, or the search hides it) leaves nothing
    // selected, as in the native list view; the item view would move the selection to a
    // neighbour, so the selection is checked against its connection after every change.
    connect(lst_proxy, &QAbstractItemModel::rowsRemoved, this, &TMaindlg::KeepSelection);
    connect(lst_proxy, &QAbstractItemModel::layoutChanged, this, &TMaindlg::KeepSelection);
    body->addWidget(lst, 1);

    columns_mnu = new QMenu(QStringLiteral("&Columns"), this);
    columns_mnu->setObjectName(QStringLiteral("columns_mnu"));
    columns_mnu->menuAction()->setObjectName(QStringLiteral("Columns1"));
    for (std::size_t c = 0; c < columns.size(); ++c) {
        QAction* a = columns_mnu->addAction(QString::fromLatin1(columns[c].caption));
        a->setObjectName(QStringLiteral("column_") + QString::fromLatin1(columns[c].id));
        a->setCheckable(true);
        a->setChecked(columns[c].shown_by_default);
        connect(a, &QAction::toggled, this, [this, c](bool on) { SetColumnShown(static_cast<int>(c), on); });
        column_actions.append(a);
    }
    columns_mnu->addSeparator();
    MarkChanges1 = columns_mnu->addAction(QStringLiteral("Highlight Changes"));
    MarkChanges1->setObjectName(QStringLiteral("MarkChanges1"));
    MarkChanges1->setCheckable(true);
    MarkChanges1->setChecked(mark_changes_);
    connect(MarkChanges1, &QAction::toggled, this, &TMaindlg::SetMarkChanges);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint& pos) { columns_mnu->popup(header->mapToGlobal(pos)); });

    Copy1 = new QAction(QStringLiteral("&Copy"), lst);
    Copy1->setObjectName(QStringLiteral("Copy1"));
    Copy1->setShortcut(QKeySequence::Copy);
    Copy1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(Copy1, &QAction::triggered, this, &TMaindlg::Copy1Click);
    lst->addAction(Copy1);

    GroupBox1 = CreateDetailsPanel();
    body->addWidget(GroupBox1);

    rightclick_mnu = new QMenu(this);
    rightclick_mnu->setObjectName(QStringLiteral("rightclick_mnu"));
    auto add_item = [this](const char* name, const QString& text, void (TMaindlg::*handler)()) {
        QAction* a = rightclick_mnu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setEnabled(false);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    Whois1 = add_item("Whois1", QStringLiteral("Whois..."), &TMaindlg::whois_btnClick);
    Search1 = add_item("Search1", QStringLiteral("Search..."), &TMaindlg::search_btnClick);
    Webpage1 = add_item("Webpage1", QStringLiteral("Open Web Site..."), &TMaindlg::openweb_btnClick);
    Opencontainingfolder1 =
        add_item("Opencontainingfolder1", QStringLiteral("Open containing folder"), &TMaindlg::openfolder_btnClick);
    connect(rightclick_mnu, &QMenu::aboutToShow, this, &TMaindlg::rightclick_mnuPopup);
    connect(lst, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { rightclick_mnu->popup(lst->viewport()->mapToGlobal(pos)); });

    auto* toggles = new QHBoxLayout;
    toggles->setSpacing(4);
    auto toggle = [central](const char* name, const QString& text, const char* picture) {
        QToolButton* b = MakeButton(central, name, text, PictureIcon(QString::fromLatin1(picture), {16, 32}), 16);
        b->setCheckable(true);
        b->setChecked(false);
        // A pressed button reads as pressed in every style: the selection colours, framed.
        b->setStyleSheet(QStringLiteral("QToolButton:checked { background-color: palette(highlight); "
                                        "color: palette(highlighted-text); border: 1px solid palette(shadow); "
                                        "border-radius: 3px; padding: 2px; }"));
        // Captions stay whole: with a font wider than the classic dialog font the window
        // grows instead.
        b->setMinimumWidth(b->sizeHint().width());
        return b;
    };
    freeze_btn = toggle("freeze_btn", QStringLiteral("Freeze Time"), ":/vantoscope/freeze");
    system_btn = toggle("system_btn", QStringLiteral("Show System Processes"), ":/vantoscope/system");
    local_btn = toggle("local_btn", QStringLiteral("Show Local Connections"), ":/vantoscope/local");
    connect(freeze_btn, &QToolButton::clicked, this, &TMaindlg::freeze_btnClick);
    connect(system_btn, &QToolButton::clicked, this, &TMaindlg::system_btnClick);
    connect(local_btn, &QToolButton::clicked, this, &TMaindlg::local_btnClick);
    toggles->addWidget(freeze_btn);
    toggles->addWidget(system_btn);
    toggles->addWidget(local_btn);
    toggles->addStretch(1);
    body->addLayout(toggles);

    setCentralWidget(central);
    count_lbl = new QLabel(this);
    count_lbl->setObjectName(QStringLiteral("count_lbl"));
    frozen_lbl = new QLabel(QStringLiteral("Frozen"), this);
    frozen_lbl->setObjectName(QStringLiteral("frozen_lbl"));
    frozen_lbl->setVisible(false);
    statusBar()->setObjectName(QStringLiteral("status_bar"));
    statusBar()->addWidget(count_lbl, 1);
    statusBar()->addPermanentWidget(frozen_lbl);
    ColumnsChanged();
    ShareColumnWidths();
    ShowCount();
}

QWidget* TMaindlg::CreateHeader() {
    top_pnl = new QWidget(this);
    top_pnl->setObjectName(QStringLiteral("top_pnl"));
    top_pnl->setFixedHeight(kHeaderHeight);
    top_pnl->setAutoFillBackground(true);
    QPalette pal = top_pnl->palette();
    pal.setColor(QPalette::Window, QColor(0x10, 0x10, 0x10));  // the window-frame colour
    top_pnl->setPalette(pal);

    auto* row = new QHBoxLayout(top_pnl);
    row->setContentsMargins(12, 0, 10, 0);
    row->setSpacing(10);

    auto* logo = new QLabel(top_pnl);
    logo->setObjectName(QStringLiteral("logo_img"));
    logo->setFixedSize(32, 32);
    logo->setPixmap(PictureIcon(QStringLiteral(":/vantoscope/vantoscope"), {32, 64}).pixmap(32, 32));
    row->addWidget(logo);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addStretch(1);
    QLabel* title = MakeLabel(top_pnl, "title_lbl", QStringLiteral("Vantoscope"));
    QFont title_font = title->font();
    title_font.setBold(true);
    title_font.setPointSizeF(title_font.pointSizeF() * 1.5);
    title->setFont(title_font);
    QLabel* subtitle = MakeLabel(top_pnl, "subtitle_lbl", QStringLiteral("Cybersecurity at your fingertips"));
    QPalette title_pal = title->palette();
    title_pal.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));  // silver
    title->setPalette(title_pal);
    QPalette subtitle_pal = subtitle->palette();
    subtitle_pal.setColor(QPalette::WindowText, Qt::white);
    subtitle->setPalette(subtitle_pal);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    titles->addStretch(1);
    row->addLayout(titles, 1);

    // Its action belongs to the application frame; it is connected there.
    softupdate_btn = new QPushButton(QStringLiteral("Software Update"), top_pnl);
    softupdate_btn->setObjectName(QStringLiteral("softupdate_btn"));
    row->addWidget(softupdate_btn, 0, Qt::AlignVCenter);
    return top_pnl;
}

QGroupBox* TMaindlg::CreateDetailsPanel() {
    auto* box = new QGroupBox(QStringLiteral("Process Info."), this);
    box->setObjectName(QStringLiteral("GroupBox1"));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(8, 4, 8, 6);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(2);
    pid_lbl = MakeLabel(box, "pid_lbl", QStringLiteral("Process ID:"));
    protocol_lbl = MakeLabel(box, "protocol_lbl", QStringLiteral("Protocol:"));
    local_lbl = MakeLabel(box, "local_lbl", QStringLiteral("Local Address/Port:"));
    remote_lbl = MakeLabel(box, "remote_lbl", QStringLiteral("Remote Address/Port:"));
    process_lbl = MakeLabel(box, "process_lbl", QStringLiteral("Process:"));
    // Fixed size: a long name wraps onto a second line instead of widening the window.
    process_lbl->setWordWrap(true);
    process_lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    process_lbl->setFixedHeight(process_lbl->fontMetrics().lineSpacing() * 2 + 2);
    process_lbl->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    for (QLabel* l : {pid_lbl, protocol_lbl, local_lbl, remote_lbl}) {
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        lines->addWidget(l);
    }
    process_lbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lines->addWidget(process_lbl);
    traffic_lbl = MakeLabel(box, "traffic_lbl", QString());
    traffic_lbl->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    traffic_lbl->setVisible(false);
    lines->addWidget(traffic_lbl);
    row->addLayout(lines, 1);

    auto* buttons = new QGridLayout;
    buttons->setSpacing(4);
    auto action = [box](const char* name, const QString& text, const char* picture) {
        QToolButton* b = MakeButton(box, name, text, PictureIcon(QString::fromLatin1(picture), {24, 48}), 24);
        b->setEnabled(false);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return b;
    };
    whois_btn = action("whois_btn", QStringLiteral("Whois"), ":/vantoscope/whois");
    search_btn = action("search_btn", QStringLiteral("Search"), ":/vantoscope/search");
    openweb_btn = action("openweb_btn", QStringLiteral("Web"), ":/vantoscope/web");
    openfolder_btn = action("openfolder_btn", QStringLiteral("Folder"), ":/vantoscope/folder");
    connect(whois_btn, &QToolButton::clicked, this, &TMaindlg::whois_btnClick);
    connect(search_btn, &QToolButton::clicked, this, &TMaindlg::search_btnClick);
    connect(openweb_btn, &QToolButton::clicked, this, &TMaindlg::openweb_btnClick);
    connect(openfolder_btn, &QToolButton::clicked, this, &TMaindlg::openfolder_btnClick);
    buttons->addWidget(whois_btn, 0, 0);
    buttons->addWidget(search_btn, 0, 1);
    buttons->addWidget(openweb_btn, 1, 0);
    buttons->addWidget(openfolder_btn, 1, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(buttons);
    right->addStretch(1);
    row->addLayout(right);
    return box;
}

bool TMaindlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_edt && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !search_edt->text().isEmpty()) {
        search_edt->clear();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Refresh cycle -------------------------------------------------------------------

void TMaindlg::refresh_tmrTimer() {
    NoteSettingsNotices();
    // The details panel follows with the snapshot the list shows, when it arrives.
    StartRefresh();
}

void TMaindlg::StartRefresh() {
    if (closing_) return;
    workers_.removeAll(nullptr);
    // One snapshot at a time: on a machine too slow for one a second, workers would pile up.
    // A refresh asked for meanwhile is served by the snapshot on its way, which is filtered
    // as the list is when it arrives.
    for (const auto& w : std::as_const(workers_))
        if (w && w->InFlight()) return;
    TConnectionRefreshThd::SnapshotSource source = services_.take_snapshot;
    if (!source) {
        platform::NetTableOptions options;
        options.ipv6 = show_ipv6_;
        options.traffic = TrafficShown();  // the counts cost a little: only while a column shows them
        source = [options, state = traffic_state_](TConnectionArray& snapshot) {
            state->store(static_cast<int>(TakeSnapshot(snapshot, options)));
        };
    }
    auto* worker = new TConnectionRefreshThd(source);
    // Queued: the snapshot is applied on this thread, one at a time, in the order the
    // workers finish. A window that is gone receives nothing.
    connect(worker, &TConnectionRefreshThd::SnapshotTaken, this, &TMaindlg::UpdateList, Qt::QueuedConnection);
    workers_.append(worker);
    worker->start();
}

void TMaindlg::StopRefresh() {
    closing_ = true;
    if (refresh_tmr != nullptr) refresh_tmr->stop();
    if (marks_tmr != nullptr) marks_tmr->stop();
    for (const auto& w : std::as_const(workers_))
        if (w) disconnect(w, nullptr, this, nullptr);
}

std::int64_t TMaindlg::NowMs() const { return services_.now_ms(); }

std::shared_ptr<const TProcessFacts> TMaindlg::NameProcess(std::uint32_t pid) {
    auto facts = std::make_shared<TProcessFacts>();
    facts->path = services_.process_path(pid);
    // Asked first: a name that comes in between is then only asked once more.
    facts->pending = services_.name_pending && services_.name_pending(facts->path);
    facts->name = services_.display_name(facts->path);
    if (process_needs_ & static_cast<std::uint8_t>(TProcessNeed::Company)) facts->company = services_.company(facts->path);
    if (process_needs_ & static_cast<std::uint8_t>(TProcessNeed::Version)) facts->version = services_.version(facts->path);
    facts->image = GetIconIndex(facts->path);
    return facts;
}

void TMaindlg::UpdateList(const TConnectionArray& taken) {
    if (closing_) return;
    TConnectionArray with_rates;
    if (TrafficShown()) {
        with_rates = taken;
        ApplyRates(with_rates);
    }
    const TConnectionArray& snapshot = TrafficShown() ? with_rates : taken;
    const bool first_fill = lst_model->rowCount() == 0;
    std::vector<int> shown;
    shown.reserve(snapshot.size());
    for (std::size_t i = 0; i < snapshot.size(); ++i)
        if (IsShown(snapshot[i], show_system, show_local)) shown.push_back(static_cast<int>(i));
    try {
        keeping_selection_ = true;  // the view may move the selection meanwhile; checked below
        lst_model->Apply(snapshot, shown, [this](std::uint32_t pid) { return NameProcess(pid); },
                         mark_changes_ && mark_next_ && !first_fill, NowMs());
        keeping_selection_ = false;
    } catch (const std::exception&) {
        // A name that could not be worked out ends this update before it changes anything;
        // the next refresh starts afresh.
        keeping_selection_ = false;
        return;
    }
    KeepSelection();
    connections = snapshot;
    mark_next_ = true;
    NoteUnknownOwners();
    if (lst_model->HasMarks() && !marks_tmr->isActive()) marks_tmr->start();
    if (first_fill && !keep_widths_) AutoSizeColumns();
    ++update_count_;
    ShowTrafficTips();
    UpdateDetails();
    ShowCount();
}

void TMaindlg::MarksTick() {
    keeping_selection_ = true;
    const bool more = lst_model->ExpireMarks(NowMs());
    keeping_selection_ = false;
    KeepSelection();
    if (!more) marks_tmr->stop();
    ShowCount();
}

void TMaindlg::SetMarkChanges(bool on) {
    mark_changes_ = on;
    if (MarkChanges1 != nullptr && MarkChanges1->isChecked() != on) MarkChanges1->setChecked(on);
    if (!on) {
        keeping_selection_ = true;
        lst_model->ClearMarks();
        keeping_selection_ = false;
        KeepSelection();
        marks_tmr->stop();
        ShowCount();
    }
}

QString TMaindlg::CountText() const {
    int shown = lst_proxy->rowCount();
    if (lst_model->LiveRows() != lst_model->rowCount()) {
        // Closed rows on their way out are not counted.
        shown = 0;
        for (int r = 0; r < lst_proxy->rowCount(); ++r)
            if (lst_model->Row(lst_proxy->mapToSource(lst_proxy->index(r, 0)).row()).mark != TRowMark::Closed) ++shown;
    }
    return QStringLiteral("%1 of %2 connections shown").arg(shown).arg(connections.size());
}

void TMaindlg::ShowCount() {
    if (count_lbl != nullptr) count_lbl->setText(CountText());
}

void TMaindlg::SetSearch(const QString& text) {
    if (search_edt->text() != text) search_edt->setText(text);  // comes back here through textChanged
    keeping_selection_ = true;
    lst_proxy->SetSearch(text);
    keeping_selection_ = false;
    KeepSelection();
    ShowCount();
}

bool TMaindlg::ColumnShown(int column) const { return !lst->horizontalHeader()->isSectionHidden(column); }

void TMaindlg::SetColumnShown(int column, bool shown) {
    const auto columns = ListColumns();
    if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return;
    QHeaderView* header = lst->horizontalHeader();
    // The last shown column stays: a list without columns could not be brought back.
    if (!shown && ColumnShown(column) && header->count() - header->hiddenSectionCount() <= 1) shown = true;
    if (shown == ColumnShown(column)) {
        column_actions[column]->setChecked(shown);
        return;
    }
    header->setSectionHidden(column, !shown);
    ColumnsChanged();
    if (shown) lst->resizeColumnToContents(column);
    AutoSizeColumns();
}

void TMaindlg::ColumnsChanged() {
    const auto columns = ListColumns();
    std::vector<bool> searched(columns.size());
    std::uint8_t needs = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        searched[c] = ColumnShown(static_cast<int>(c));
        if (searched[c]) needs |= static_cast<std::uint8_t>(columns[c].need);
        if (c < static_cast<std::size_t>(column_actions.size())) {
            const QSignalBlocker block(column_actions[static_cast<int>(c)]);
            column_actions[static_cast<int>(c)]->setChecked(searched[c]);
        }
    }
    lst_proxy->SetSearchedColumns(std::move(searched));
    if ((needs & ~process_needs_) != 0) {
        process_needs_ = needs;
        try {
            lst_model->Rename([this](std::uint32_t pid) { return NameProcess(pid); });
        } catch (const std::exception&) {
            // The rows keep what they had; new rows get the new column's text.
        }
    }
    process_needs_ = needs;
}

void TMaindlg::NoteUnknownOwners() {
    if (owner_lbl != nullptr || !HasUnknownOwners(connections)) return;
    auto* outer = qobject_cast<QVBoxLayout*>(centralWidget()->layout());
    if (outer == nullptr) return;
    const std::string notice = UnknownOwnerNotice();
    owner_lbl = new QLabel(QString::fromLocal8Bit(notice.c_str()), centralWidget());
    owner_lbl->setObjectName(QStringLiteral("owner_lbl"));
    owner_lbl->setWordWrap(true);
    owner_lbl->setContentsMargins(6, 4, 6, 0);
    outer->insertWidget(1, owner_lbl);  // under the header band, above the list
    LogTo(log.get(), notice, 1);
}

void TMaindlg::NoteSettingsNotices() {
    const std::vector<std::string> notices = platform::TakeRegistryNotices();
    if (notices.empty()) return;
    auto* outer = qobject_cast<QVBoxLayout*>(centralWidget()->layout());
    if (settings_lbl == nullptr && outer != nullptr) {
        settings_lbl = new QLabel(centralWidget());
        settings_lbl->setObjectName(QStringLiteral("settings_lbl"));
        settings_lbl->setWordWrap(true);
        settings_lbl->setContentsMargins(6, 4, 6, 0);
        outer->insertWidget(1, settings_lbl);
    }
    for (const std::string& text : notices) {
        LogTo(log.get(), text, 2);
        if (settings_lbl == nullptr) continue;
        const QString line = QString::fromLocal8Bit(text.c_str());
        settings_lbl->setText(settings_lbl->text().isEmpty() ? line : settings_lbl->text() + QLatin1Char('\n') + line);
    }
}

void TMaindlg::AutoSizeColumns() {
    // Each shown column as wide as the wider of its contents and its header; the last one
    // on screen also takes whatever width is left, as the native list view does.
    QHeaderView* header = lst->horizontalHeader();
    int total = 0;
    int last = -1;
    for (int v = 0; v < header->count(); ++v) {
        const int c = header->logicalIndex(v);
        if (header->isSectionHidden(c)) continue;
        lst->resizeColumnToContents(c);
        total += header->sectionSize(c);
        last = c;
    }
    const int spare = lst->viewport()->width() - total;
    if (last >= 0 && spare > 0) header->resizeSection(last, header->sectionSize(last) + spare);
}

void TMaindlg::ShareColumnWidths() {
    // Process keeps its width; the other shown columns share what it leaves, the first taking the remainder.
    QHeaderView* header = lst->horizontalHeader();
    std::vector<int> others;
    for (int v = 0; v < header->count(); ++v) {
        const int c = header->logicalIndex(v);
        if (!header->isSectionHidden(c) && c != TConnectionListModel::kProcess) others.push_back(c);
    }
    if (others.empty()) return;
    const int process = ColumnShown(TConnectionListModel::kProcess) ? header->sectionSize(TConnectionListModel::kProcess) : 0;
    const int free = qMax(0, lst->viewport()->width() - process);
    const int n = static_cast<int>(others.size());
    const int share = free / n;
    for (const int c : others) header->resizeSection(c, c == others.front() ? free - (n - 1) * share : share);
}

// The list fills the middle of the window, so every change of the window's size reaches
// it; handling the list's own resize also sees the size the layout has just given it, and
// the viewport the list has placed for that size.
void TMaindlg::FormResize() {
    // Remembered widths survive the window's first layout; a resize by the user fits again.
    if (keep_widths_ && !(isVisible() && update_count_ > 0)) return;
    keep_widths_ = false;
    ShareColumnWidths();
    AutoSizeColumns();
}

void TMaindlg::freeze_btnClick() {
    if (refresh_tmr->isActive()) refresh_tmr->stop();
    else if (!closing_) refresh_tmr->start();
    freeze_btn->setChecked(!refresh_tmr->isActive());
    frozen_lbl->setVisible(!refresh_tmr->isActive());
}

void TMaindlg::system_btnClick() {
    show_system = !show_system;
    system_btn->setChecked(show_system);
    mark_next_ = false;  // rows a filter brings or takes are no new or closed connections
    keep_widths_ = false;
    StartRefresh();
    AutoSizeColumns();
}

void TMaindlg::local_btnClick() {
    show_local = !show_local;
    local_btn->setChecked(show_local);
    mark_next_ = false;
    keep_widths_ = false;
    StartRefresh();
    AutoSizeColumns();
}

// ---- Details panel -------------------------------------------------------------------

void TMaindlg::lstSelectItem() {
    // While the rows change, the view's own moves of the selection are not the user's choice.
    if (keeping_selection_) return;
    const QModelIndexList selected = lst->selectionModel()->selectedRows();
    selected_.reset();
    if (!selected.isEmpty()) selected_ = lst_model->Row(lst_proxy->mapToSource(selected.first()).row()).connection;
    UpdateDetails();
}

void TMaindlg::KeepSelection() {
    if (keeping_selection_) return;
    keeping_selection_ = true;
    const QModelIndexList selected = lst->selectionModel()->selectedRows();
    const bool same = !selected.isEmpty() && selected_ &&
                      SameConnection(lst_model->Row(lst_proxy->mapToSource(selected.first()).row()).connection, *selected_);
    if (!same && (!selected.isEmpty() || lst->selectionModel()->currentIndex().isValid())) {
        lst->selectionModel()->clear();
        selected_.reset();
    }
    keeping_selection_ = false;
    if (!same) UpdateDetails();
}

void TMaindlg::UpdateDetails() {
    details = {};
    const QModelIndexList selected = lst->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        // The row itself holds its connection and process, as the list shows them.
        const TListRow& row = lst_model->Row(lst_proxy->mapToSource(selected.first()).row());
        static const TProcessFacts kNone;
        const TProcessFacts& p = row.process ? *row.process : kNone;
        details = MakeDetailsTexts(row.connection, p.path, p.name);
        details.remote_name = RemoteName(row.connection);
        can_close_ = row.data >= 0 && row.connection.protocol == kProtocolTcp && !RemoteIsUnspecified(row.connection);
        can_end_ = row.data >= 0 && !EndProcessRefusal(row.connection.pid);
        const TProcessTraffic t = ProcessTraffic(connections, row.connection.pid);
        traffic_lbl->setVisible(t.counted);
        if (t.counted)
            traffic_lbl->setText(QStringLiteral("Process Traffic: %1 sent, %2 received")
                                     .arg(QString::fromLatin1(FormatBytes(t.sent).c_str()),
                                          QString::fromLatin1(FormatBytes(t.received).c_str())));
    } else {
        can_close_ = can_end_ = false;
        traffic_lbl->setVisible(false);
    }
    const TDetailsLabels labels = DetailsLabels(details);
    pid_lbl->setText(Local8(labels.pid));
    protocol_lbl->setText(Local8(labels.protocol));
    local_lbl->setText(Local8(labels.local));
    remote_lbl->setText(Local8(labels.remote));
    process_lbl->setText(Local8(labels.process));
    const TDetailsButtons b = DetailsButtons(details);
    openweb_btn->setEnabled(b.openweb);
    openfolder_btn->setEnabled(b.openfolder);
    search_btn->setEnabled(b.search);
    whois_btn->setEnabled(b.whois);
    // An open context menu follows the buttons at once.
    rightclick_mnuPopup();
}

void TMaindlg::openweb_btnClick() {
    if (details.remote_text.empty()) return;
    ShellOpen(WebAddress(details));
}

void TMaindlg::whois_btnClick() {
    const std::string address = WhoisAddress(details.remote_addr_text);
    if (!address.empty()) ShellOpen(address);
}

void TMaindlg::search_btnClick() {
    const std::string address = SearchAddress(details.process_text);
    if (!address.empty()) ShellOpen(address);
}

void TMaindlg::openfolder_btnClick() {
    const std::string folder = ProcessFolder(details.process_path);
    if (folder.size() > 2 && QFileInfo(Local8(folder)).isDir()) ShellOpen(folder);
}

void TMaindlg::rightclick_mnuPopup() {
    Whois1->setEnabled(whois_btn->isEnabled());
    Search1->setEnabled(search_btn->isEnabled());
    Webpage1->setEnabled(openweb_btn->isEnabled());
    Opencontainingfolder1->setEnabled(openfolder_btn->isEnabled());
    if (CloseConnection1 != nullptr) CloseConnection1->setEnabled(can_close_);
    if (EndProcess1 != nullptr) EndProcess1->setEnabled(can_end_);
}

// ---- Icons ---------------------------------------------------------------------------

int TMaindlg::GetIconIndex(const std::string& path) { return platform::GetShellIconIndex(path); }

void TMaindlg::LoadSystemImageLists() {
    if (const auto large = platform::GetSystemImageList(false); large != 0) large_image_list_handle = large;
    if (const auto small = platform::GetSystemImageList(true); small != 0) {
        image_list_handle = small;
        images.clear();  // pictures are drawn again from the list now attached
        lst_model->SetImageSource([this](int index) { return ImageAt(index); });
    }
}

QIcon TMaindlg::ImageAt(int index) {
    if (index < 0 || image_list_handle == 0) return {};
    // Drawn on first use: the shell's list can hold thousands of pictures, a window shows a few.
    if (index >= images.size()) images.resize(index + 1);
    QIcon& icon = images[index];
    if (icon.isNull()) {
        platform::ShellIconPicture picture;
        if (platform::GetShellIconPicture(image_list_handle, index, picture)) icon = IconFromShell(picture);
        else if (index != 0) icon = ImageAt(0);
    }
    return icon;
}

}  // namespace vanto
