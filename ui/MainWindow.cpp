#include "ui/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "database/ConfigFiles.h"
#include "database/InstallDir.h"
#include "database/Loader.h"
#include "platform/Catalog.h"
#include "platform/DosFiles.h"
#include "prefs/Preferences.h"
#include "ui/RichText.h"

namespace stovan::ui {

namespace {

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString Message(MessageId number) {
    return Latin1(GetString(number));
}

// A message with arguments, formatted as the log formats it.
QString Formatted(MessageId number, std::initializer_list<LogArgument> arguments) {
    return Latin1(MessageText(number, arguments));
}

// Where the window keeps its geometry (one "key=base64" line per part).
constexpr std::string_view kGeometryFile = "PROGDIR:Prefs/Window.geometry";

// The menu strip's entries: command, label, shortcut message.
struct MenuEntry {
    int command;
    MessageId label;
    MessageId shortcut;
};

// A shortcut message of one character other than "~" is the entry's key.
QKeySequence ShortcutOf(MessageId shortcut) {
    const std::string_view key = GetString(shortcut);
    if (key.size() != 1 || key[0] == '~') {
        return {};
    }
    return QKeySequence(QStringLiteral("Ctrl+") + Latin1(key));
}

}  // namespace

MainWindow::MainWindow(Session& session, QtFrontend& frontend, EngineRuns& runs, QWidget* parent)
    : QMainWindow(parent), session_(session), frontend_(frontend), runs_(runs) {
    setObjectName(QStringLiteral("MAIN"));
    setWindowTitle(Formatted(msg::WindowTitle, {kProgramVersion, kProgramRevision}));
    list_ = new ApplicationListModel(*session.engine, amiga::PreferredLanguages(), this);
    log_ = new LogModel(session.log, this);
    frontend_.setLogDisplay(log_);
    frontend_.setParentWindow(this);
    BuildWidgets();
    BuildMenus();
    ConnectFrontend();
    runs_.setReloaded([this] {
        list_->Rebuild();
        ActiveRowChanged();
    });
    list_->SetUp();
    RebuildButtonLabels();
    if (list_->rowCount() > 0) {
        listView_->selectRow(0);
    }
    ActiveRowChanged();
    ShowCounters();
}

MainWindow::~MainWindow() {
    frontend_.setLogDisplay(nullptr);
    frontend_.setParentWindow(nullptr);
    runs_.setReloaded({});
}

void MainWindow::BuildWidgets() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    listView_ = new QTableView(central);
    listView_->setModel(list_);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setContextMenuPolicy(Qt::CustomContextMenu);
    listView_->setToolTip(Message(msg::ListHelp));
    listView_->verticalHeader()->hide();
    // Rows of one height: the view never measures 10,000 rows.
    listView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    listView_->verticalHeader()->setDefaultSectionSize(listView_->fontMetrics().height() + 6);
    listView_->horizontalHeader()->setSectionsClickable(true);
    listView_->horizontalHeader()->setSortIndicatorShown(false);
    listView_->horizontalHeader()->setStretchLastSection(false);
    listView_->setWordWrap(false);
    connect(listView_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { list_->TitleClicked(column); });
    connect(listView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ActiveRowChanged(); });
    connect(listView_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (ApplicationItem* item = list_->itemAt(index.row())) {
            DoubleClicked(*item);
        }
    });
    connect(listView_, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = BuildContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(listView_->viewport()->mapToGlobal(at));
    });

    info_ = new QTextBrowser(central);
    info_->setOpenExternalLinks(true);

    horizontalSplit_ = new QSplitter(Qt::Horizontal, central);
    horizontalSplit_->addWidget(listView_);
    horizontalSplit_->addWidget(info_);
    horizontalSplit_->setStretchFactor(0, 3);
    horizontalSplit_->setStretchFactor(1, 1);

    logView_ = new QTableView(central);
    logView_->setModel(log_);
    logView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    logView_->verticalHeader()->hide();
    logView_->horizontalHeader()->hide();
    logView_->horizontalHeader()->setStretchLastSection(true);
    logView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    logView_->verticalHeader()->setDefaultSectionSize(logView_->fontMetrics().height() + 4);
    logView_->setWordWrap(false);
    logView_->setContextMenuPolicy(Qt::CustomContextMenu);
    logView_->hide();
    connect(logView_, &QTableView::customContextMenuRequested, this,
            [this](const QPoint& at) { LogContextMenu(at); });
    connect(log_, &LogModel::rowAppended, logView_, [this](int row) {
        if (logView_->isVisible()) {
            logView_->scrollTo(log_->index(row, 1));
        }
    });

    verticalSplit_ = new QSplitter(Qt::Vertical, central);
    verticalSplit_->addWidget(horizontalSplit_);
    verticalSplit_->addWidget(logView_);
    verticalSplit_->setStretchFactor(0, 3);
    verticalSplit_->setStretchFactor(1, 1);
    layout->addWidget(verticalSplit_, 1);

    // The search bar, hidden until the Search toggle is selected.
    searchBar_ = new QWidget(central);
    auto* searchLayout = new QHBoxLayout(searchBar_);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    auto* searchLabel = new QLabel(MnemonicText(GetString(msg::SearchLabel)), searchBar_);
    search_ = new QLineEdit(searchBar_);
    search_->setToolTip(Message(msg::SearchHelp));
    searchLabel->setBuddy(search_);
    searchLayout->addWidget(searchLabel);
    searchLayout->addWidget(search_, 1);
    searchBar_->hide();
    connect(search_, &QLineEdit::returnPressed, this,
            [this] { AcknowledgeSearch(search_->text()); });
    layout->addWidget(searchBar_);

    // The command buttons, the mode cycle and the install drawer.
    buttonArea_ = new QWidget(central);
    auto* buttons = new QHBoxLayout(buttonArea_);
    buttons->setContentsMargins(0, 0, 0, 0);
    auto makeButton = [&](MessageId help, int command) {
        auto* button = new QPushButton(buttonArea_);
        button->setToolTip(Message(help));
        connect(button, &QPushButton::clicked, this, [this, command] { RunItemCommand(command); });
        buttons->addWidget(button);
        return button;
    };
    install_ = makeButton(msg::InstallHelp, ItemInstall);
    update_ = makeButton(msg::UpdateHelp, ItemUpdate);
    check_ = makeButton(msg::CheckHelp, ItemCheck);
    repair_ = makeButton(msg::RepairHelp, ItemRepair);
    uninstall_ = makeButton(msg::UninstallHelp, ItemUninstall);
    modeLabel_ = new QLabel(MnemonicText(GetString(msg::ModeLabel)), buttonArea_);
    mode_ = new QComboBox(buttonArea_);
    mode_->setToolTip(Message(msg::ModeHelp));
    for (MessageId label : {msg::ModeIgnore, msg::ModeNotify, msg::ModeDownload, msg::ModeUpdate}) {
        mode_->addItem(Message(label));
    }
    modeLabel_->setBuddy(mode_);
    // Only the user's choice changes the item; setting the cycle for the
    // active item does not come back here.
    connect(mode_, &QComboBox::activated, this,
            [this](int index) { ChooseMode(static_cast<ItemMode>(index)); });
    drawerLabel_ = new QLabel(MnemonicText(GetString(msg::InstallDirLabel)), buttonArea_);
    drawer_ = new QLineEdit(buttonArea_);
    drawer_->setToolTip(Message(msg::InstallDirHelp));
    drawerLabel_->setBuddy(drawer_);
    connect(drawer_, &QLineEdit::returnPressed, this,
            [this] { ChooseDrawer(drawer_->text().toLatin1().toStdString()); });
    buttons->addWidget(modeLabel_);
    buttons->addWidget(mode_);
    buttons->addWidget(drawerLabel_);
    buttons->addWidget(drawer_, 1);
    layout->addWidget(buttonArea_);

    // The status line: page 0 the counters, page 1 the gauge with Abort;
    // then the Search and Log toggles.
    auto* statusRow = new QHBoxLayout();
    status_ = new QStackedWidget(central);
    statusText_ = new QLabel(status_);
    status_->addWidget(statusText_);
    auto* gaugePage = new QWidget(status_);
    auto* gaugeLayout = new QHBoxLayout(gaugePage);
    gaugeLayout->setContentsMargins(0, 0, 0, 0);
    gauge_ = new QProgressBar(gaugePage);
    gauge_->setRange(0, 1000);
    gauge_->setTextVisible(true);
    gauge_->setFormat(QString());
    abort_ = new QPushButton(MnemonicText(GetString(msg::AbortButton)), gaugePage);
    abort_->setToolTip(Message(msg::AbortHelp));
    connect(abort_, &QPushButton::clicked, this, [this] { frontend_.RequestAbort(); });
    gaugeLayout->addWidget(gauge_, 1);
    gaugeLayout->addWidget(abort_);
    status_->addWidget(gaugePage);
    statusRow->addWidget(status_, 1);
    searchToggle_ = new QPushButton(MnemonicText(GetString(msg::SearchButton)), central);
    searchToggle_->setCheckable(true);
    searchToggle_->setToolTip(Message(msg::SearchButtonHelp));
    connect(searchToggle_, &QPushButton::toggled, this, [this](bool on) { SetSearchShown(on); });
    logToggle_ = new QPushButton(MnemonicText(GetString(msg::LogButton)), central);
    logToggle_->setCheckable(true);
    logToggle_->setToolTip(Message(msg::LogButtonHelp));
    connect(logToggle_, &QPushButton::toggled, this, [this](bool on) {
        logView_->setVisible(on);
        if (on && log_->rowCount() > 0) {
            logView_->scrollToBottom();
        }
    });
    connect(log_, &LogModel::showRequested, logToggle_, [this] { logToggle_->setChecked(true); });
    statusRow->addWidget(searchToggle_);
    statusRow->addWidget(logToggle_);
    layout->addLayout(statusRow);

    setCentralWidget(central);
    buttonArea_->setVisible((session_.preferences.flags & SHOW_BUTTONS) != 0);
}

void MainWindow::BuildMenus() {
    struct MenuGroup {
        MessageId title;
        std::vector<MenuEntry> entries;  // command 0: a separator
    };
    const std::vector<MenuGroup> groups{
        {msg::MenuProject,
         {{CommandAbout, msg::MenuAbout, msg::MenuAboutKey},
          {0, 0, 0},
          {CommandHide, msg::MenuHide, msg::MenuHideKey},
          {0, 0, 0},
          {CommandQuit, msg::MenuQuit, msg::MenuQuitKey}}},
        {msg::MenuSearchTitle, {{CommandSearch, msg::MenuSearch, msg::MenuSearchKey}}},
        {msg::MenuDatabase,
         {{CommandReload, msg::MenuReload, msg::MenuReloadKey},
          {CommandCheckUpdates, msg::MenuCheckUpdates, msg::MenuCheckUpdatesKey},
          {0, 0, 0},
          {CommandProcessAll, msg::MenuProcessAll, msg::MenuProcessAllKey}}},
    };
    for (const MenuGroup& group : groups) {
        QMenu* menu = menuBar()->addMenu(Message(group.title));
        for (const MenuEntry& entry : group.entries) {
            if (entry.command == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(Message(entry.label));
            action->setShortcut(ShortcutOf(entry.shortcut));
            const int command = entry.command;
            connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
            commands_[static_cast<std::size_t>(command - CommandAbout)] = action;
        }
    }
}

void MainWindow::ConnectFrontend() {
    connect(&frontend_, &QtFrontend::progressChanged, this, [this](const QString& text) {
        QString format = text;
        gauge_->setFormat(format.replace(QLatin1Char('%'), QStringLiteral("%%")));
    });
    connect(&frontend_, &QtFrontend::gaugeShown, this, [this](bool visible) {
        if (visible) {
            status_->setCurrentIndex(1);
        } else {
            gauge_->setValue(0);
        }
    });
    connect(&frontend_, &QtFrontend::gaugeChanged, gauge_, &QProgressBar::setValue);
    connect(&frontend_, &QtFrontend::busyChanged, this, [this](bool busy) { SetProcessing(busy); });
    connect(&frontend_, &QtFrontend::listChanged, this, [this] { list_->Refresh(); });
    connect(&frontend_, &QtFrontend::outputArrived, this,
            [this](const QString& text) { ShowOutput(text); });
    connect(list_, &ApplicationListModel::countersChanged, this, [this] { ShowCounters(); });
    connect(list_, &ApplicationListModel::itemChanged, this, [this](ApplicationItem* item) {
        if (item == activeItem()) {
            RefreshControls();
        }
    });
    connect(list_, &QAbstractItemModel::modelReset, this, [this] { ActiveRowChanged(); });
}

ApplicationItem* MainWindow::activeItem() const {
    const QModelIndex current = listView_->selectionModel()->currentIndex();
    return current.isValid() ? list_->itemAt(current.row()) : nullptr;
}

void MainWindow::SetActiveItem(ApplicationItem* item) {
    const int row = list_->rowOf(item);
    if (row < 0) {
        listView_->selectionModel()->clearCurrentIndex();
        listView_->clearSelection();
    } else {
        listView_->selectRow(row);
        listView_->selectionModel()->setCurrentIndex(
            list_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    ActiveRowChanged();
}

void MainWindow::ActiveRowChanged() {
    ApplicationItem* item = activeItem();
    if (item == nullptr) {
        if (list_->busy()) {
            return;
        }
        mode_->setCurrentIndex(0);
        drawer_->clear();
        info_->clear();
        RefreshControls();
        return;
    }
    // The information panel (the picture comes with the image cache).
    QString html = QStringLiteral("<h3>%1</h3>").arg(Latin1(item->displayText()).toHtmlEscaped());
    LocalisedOptions options;
    if (const std::string* description =
            LocalisedEntry(*item, ItemField::description, list_->languages(), options)) {
        html += QStringLiteral("<p>%1</p>").arg(RichTextFromEscapes(*description));
    }
    if (!item->appAuthor().empty()) {
        html += QStringLiteral("<p>%1</p>").arg(Latin1(item->appAuthor()).toHtmlEscaped());
    }
    if (!item->appWebPage().empty()) {
        const QString page = Latin1(item->appWebPage()).toHtmlEscaped();
        html += QStringLiteral("<p><a href=\"%1\">%1</a></p>").arg(page);
    }
    info_->setHtml(html);
    RefreshControls();
}

void MainWindow::RefreshControls() {
    ApplicationItem* item = activeItem();
    if (item != nullptr) {
        const auto mode = static_cast<int>(item->mode);
        mode_->setCurrentIndex(mode < mode_->count() ? mode : 0);
        if (item->HasFlags(INSTALLDIR_DISABLED)) {
            drawer_->clear();
        } else {
            drawer_->setText(StyledTextFromEscapes(ItemCell(*session_.engine, *item,
                                                            ColumnDirectory, 0, list_->languages()))
                                 .text);
        }
    }
    const ControlStates states = controlStates();
    install_->setEnabled(states.install);
    update_->setEnabled(states.update);
    check_->setEnabled(states.check);
    repair_->setEnabled(states.repair);
    uninstall_->setEnabled(states.uninstall);
    modeLabel_->setEnabled(states.mode);
    mode_->setEnabled(states.mode);
    drawerLabel_->setEnabled(states.drawer);
    drawer_->setEnabled(states.drawer);
}

ControlStates MainWindow::controlStates() const {
    return ControlStatesFor(activeItem(), processing_ || runs_.active());
}

void MainWindow::RebuildButtonLabels() {
    const std::uint32_t flags = session_.preferences.flags;
    const auto& languages = list_->languages();
    const bool german = !languages.empty() && languages.front() == "deutsch";
    install_->setText(
        MnemonicText(ButtonLabel(msg::InstallButton, (flags & ASK_INSTALL) != 0, german)));
    update_->setText(
        MnemonicText(ButtonLabel(msg::UpdateButton, (flags & ASK_UPDATE) != 0, german)));
    check_->setText(MnemonicText(ButtonLabel(msg::CheckButton, false, german)));
    repair_->setText(
        MnemonicText(ButtonLabel(msg::RepairButton, (flags & ASK_REPAIR) != 0, german)));
    uninstall_->setText(
        MnemonicText(ButtonLabel(msg::UninstallButton, (flags & ASK_UNINSTALL) != 0, german)));
}

void MainWindow::SetProcessing(bool active) {
    processing_ = active;
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        const int command = static_cast<int>(i) + CommandAbout;
        if (commands_[i] != nullptr && command != CommandAbout && command != CommandHide &&
            command != CommandQuit) {
            commands_[i]->setEnabled(!active);
        }
    }
    searchToggle_->setEnabled(!active);
    RefreshControls();
    // While a run is active the status line shows the gauge and Abort.
    status_->setCurrentIndex(active ? 1 : 0);
    if (!active) {
        gauge_->setValue(0);
        gauge_->setFormat(QString());
        ShowCounters();
    }
}

void MainWindow::FinishRun() {
    // A close asked for during the run happens now that it has ended.
    if (quitAfterRun_ && !runs_.active()) {
        close();
    }
}

void MainWindow::ShowCounters() {
    if (!list_->busy()) {
        statusText_->setText(Latin1(list_->CounterText()));
    }
}

QString MainWindow::statusText() const {
    return statusText_->text();
}

bool MainWindow::logShown() const {
    return logToggle_->isChecked();
}

QAction* MainWindow::menuAction(int command) const {
    const int index = command - CommandAbout;
    return index >= 0 && index < static_cast<int>(commands_.size())
               ? commands_[static_cast<std::size_t>(index)]
               : nullptr;
}

QPushButton* MainWindow::commandButton(int itemCommand) const {
    switch (itemCommand) {
        case ItemInstall:
            return install_;
        case ItemUpdate:
            return update_;
        case ItemCheck:
            return check_;
        case ItemRepair:
            return repair_;
        case ItemUninstall:
            return uninstall_;
        default:
            return nullptr;
    }
}

void MainWindow::RunCommand(int command) {
    // Commands that start a run wait for none: while one is active they
    // are ignored (their entries are disabled too).
    const bool running = processing_ || runs_.active();
    switch (command) {
        case CommandAbout:
            ShowAbout();
            break;
        case CommandHide:
            Iconify();
            break;
        case CommandQuit:
            close();
            break;
        case CommandSearch:
            if (!running) {
                searchToggle_->setChecked(true);
                search_->setFocus();
            }
            break;
        case CommandReload:
            (void)runs_.Reload();
            break;
        case CommandCheckUpdates:
            if (!running) {
                (void)runs_.CheckAll(CheckMode::Full);
                AfterRun(nullptr);
            }
            break;
        case CommandProcessAll:
            if (!running) {
                (void)runs_.ProcessAll();
                AfterRun(nullptr);
            }
            break;
        default:
            break;
    }
}

void MainWindow::RunItemCommand(int command) {
    ApplicationItem* item = activeItem();
    if (item == nullptr || processing_ || runs_.active()) {
        return;
    }
    // The item may be made anew by a reload during the run: find it again
    // by its key afterwards.
    const std::string key = item->key();
    const bool byDupeName = item->HasFlags(HAS_DUPENAME);
    switch (command) {
        case ItemCheck: {
            // The check looks at the item as if it were to be installed.
            const ItemMode old = item->mode;
            item->mode = ItemMode::OP_INSTALL;
            (void)runs_.CheckItem(*item, CheckMode::Full);
            item->mode = old;
            break;
        }
        case ItemUpdate:
            (void)runs_.ProcessOne(*item, ItemMode::INSTALL);
            break;
        case ItemInstall:
            (void)runs_.ProcessOne(*item, ItemMode::OP_INSTALL);
            break;
        case ItemUninstall:
            (void)runs_.ProcessOne(*item, ItemMode::OP_UNINSTALL);
            break;
        case ItemRepair:
            (void)runs_.ProcessOne(*item, ItemMode::OP_REPAIR);
            break;
        case ItemDownload:
            (void)runs_.ProcessOne(*item, ItemMode::OP_DOWNLOAD);
            break;
        default:
            return;
    }
    AfterRun(session_.engine->items().FindItem(key, byDupeName));
}

void MainWindow::AfterRun(ApplicationItem* item) {
    list_->Refresh();
    if (item != nullptr) {
        list_->Refilter(*item);
        if (list_->rowOf(item) >= 0) {
            SetActiveItem(item);
        }
    }
    KeepChoices();
    RefreshControls();
    ShowCounters();
    FinishRun();
}

void MainWindow::KeepChoices() {
    // The user's modes and drawers are written at once: a crash or a
    // killed session must not lose them.
    (void)LogFailure(session_, SaveConfiguration(*session_.engine, kPrefsDrawer));
}

void MainWindow::ChooseMode(ItemMode mode) {
    ApplicationItem* item = activeItem();
    if (item == nullptr || !controlStates().mode) {
        return;
    }
    item->mode = mode;
    (void)runs_.CheckItem(*item, CheckMode::Quick);
    list_->Refilter(*item);
    KeepChoices();
    RefreshControls();
    FinishRun();
}

void MainWindow::ChooseDrawer(const std::string& drawer) {
    ApplicationItem* item = activeItem();
    // A fixed drawer is never taken over from the field.
    if (item == nullptr || item->HasFlags(INSTALLDIR_DISABLED) || !controlStates().drawer) {
        return;
    }
    if (LogFailure(session_, item->SetTextField(ItemField::installDir, drawer)).ok()) {
        // The type's default drawer is kept as "the default", not as a copy.
        (void)LogFailure(session_, NormaliseInstallDir(*session_.engine, *item));
    }
    list_->Refilter(*item);
    KeepChoices();
    RefreshControls();
}

void MainWindow::DoubleClicked(ApplicationItem& item) {
    if ((session_.preferences.flags2 & DOUBLECLICK_INSTALL) == 0 || &item != activeItem() ||
        !controlStates().mode) {
        return;
    }
    ChooseMode(item.mode == ItemMode::INSTALL ? ItemMode::IGNORE : ItemMode::INSTALL);
}

void MainWindow::SetSearchShown(bool shown) {
    if (searchToggle_->isChecked() != shown) {
        // The toggle's handler comes back here.
        searchToggle_->setChecked(shown);
        return;
    }
    searchBar_->setVisible(shown);
    if (shown) {
        search_->setFocus();
    } else if (!search_->text().isEmpty() || !list_->filters().search.empty()) {
        search_->clear();
        AcknowledgeSearch(QString());
    }
}

void MainWindow::AcknowledgeSearch(const QString& text) {
    ApplicationItem* active = activeItem();
    list_->SetSearchText(text.toLatin1().toStdString());
    SetActiveItem(list_->rowOf(active) >= 0 ? active : list_->itemAt(0));
}

QMenu* MainWindow::BuildContextMenu() {
    auto* menu = new QMenu(Message(msg::ContextMenuTitle), this);
    ApplicationItem* item = activeItem();
    const ListFilters& filters = list_->filters();
    auto radio = [this](QMenu* parent, QActionGroup* group, const QString& text, int userData,
                        bool checked) {
        QAction* action = parent->addAction(text);
        action->setCheckable(true);
        action->setChecked(checked);
        action->setData(userData);
        group->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, userData] { ContextMenuChoice(userData); });
        return action;
    };
    QMenu* states = menu->addMenu(Message(msg::ContextShowStatus));
    auto* stateGroup = new QActionGroup(states);
    radio(states, stateGroup, Message(msg::ContextStatusAll), 8, filters.stateFilter == 0);
    for (std::uint32_t filter = 2; filter <= 4; ++filter) {
        radio(states, stateGroup, Message(msg::ContextStatusAll + filter),
              static_cast<int>(filter + 8), filters.stateFilter == filter);
    }
    QMenu* modes = menu->addMenu(Message(msg::ContextShowModes));
    auto* modeGroup = new QActionGroup(modes);
    for (std::uint32_t filter = 0; filter <= 4; ++filter) {
        radio(modes, modeGroup, Message(msg::ContextModesAll + filter),
              static_cast<int>(filter + 13), filters.modeFilter == filter);
    }
    QMenu* types = menu->addMenu(Message(msg::ContextFilter));
    auto* typeGroup = new QActionGroup(types);
    radio(types, typeGroup, Message(msg::ContextFilterOff), 18, filters.typeFilter == 0);
    for (AppType type : SortedTypes()) {
        const auto filter = static_cast<std::uint32_t>(type) + 1;
        radio(types, typeGroup, Message(TypeLabel(type)), static_cast<int>(filter + 18),
              filters.typeFilter == filter);
    }
    menu->addSeparator();
    QMenu* sort = menu->addMenu(Message(msg::ContextSortBy));
    auto* sortGroup = new QActionGroup(sort);
    const std::array<std::pair<MessageId, int>, 6> sortEntries{{{msg::ContextSortAge, 50},
                                                                {msg::ContextSortType, 39},
                                                                {msg::ContextSortName, 40},
                                                                {msg::ContextSortDescription, 41},
                                                                {msg::ContextSortMode, 42},
                                                                {msg::ContextSortState, 43}}};
    for (const auto& [label, userData] : sortEntries) {
        const int column = userData == 50 ? kSortByAge : userData - 39;
        radio(sort, sortGroup, Message(label), userData, list_->sortColumn() == column);
    }
    menu->addSeparator();
    QAction* updateAll = menu->addAction(Message(msg::ContextUpdateAll));
    connect(updateAll, &QAction::triggered, this, [this] { ContextMenuChoice(55); });
    const bool running = processing_ || runs_.active();
    updateAll->setEnabled(!running);
    if (item == nullptr || running) {
        return menu;
    }
    const std::string name = item->displayText();
    if (item->type != AppType::STOVAN) {
        menu->addSeparator();
        QMenu* itemModes = menu->addMenu(Formatted(msg::ContextItemModeTitle, {name}));
        auto* itemGroup = new QActionGroup(itemModes);
        for (int mode = 0; mode < 4; ++mode) {
            radio(itemModes, itemGroup,
                  Message(msg::ContextItemModeIgnore + static_cast<MessageId>(mode)), 51 + mode,
                  static_cast<int>(item->mode) == mode);
        }
    }
    const std::uint32_t actions = AvailableActions(*item);
    auto entry = [&](MessageId label, int userData) {
        QAction* action = menu->addAction(Formatted(label, {name}));
        connect(action, &QAction::triggered, this,
                [this, userData] { ContextMenuChoice(userData); });
    };
    if (!item->HasFlags(INSTALLDIR_DISABLED) && item->type != AppType::STOVAN) {
        menu->addSeparator();
        entry(msg::ContextChangeInstallDir, 57);
    }
    menu->addSeparator();
    if ((actions & kOffersUpdate) != 0) {
        entry(msg::ContextUpdateItem, ItemUpdate);
    } else if ((actions & kOffersInstall) != 0) {
        entry(msg::ContextInstallItem, ItemInstall);
    }
    entry(msg::ContextCheckItem, ItemCheck);
    if ((actions & kOffersRepair) != 0) {
        entry(msg::ContextRepairItem, ItemRepair);
    }
    if ((actions & kOffersUninstall) != 0) {
        entry(msg::ContextUninstallItem, ItemUninstall);
    }
    if ((actions & kOffersDownload) != 0) {
        entry(msg::ContextDownloadItem, ItemDownload);
    }
    return menu;
}

void MainWindow::ContextMenuChoice(int userData) {
    ApplicationItem* active = activeItem();
    auto keepActive = [&] { SetActiveItem(list_->rowOf(active) >= 0 ? active : list_->itemAt(0)); };
    if (userData == 8 || (userData >= 10 && userData <= 12)) {
        list_->SetStateFilter(static_cast<std::uint32_t>(userData - 8));
        keepActive();
    } else if (userData >= 13 && userData <= 17) {
        list_->SetModeFilter(static_cast<std::uint32_t>(userData - 13));
        keepActive();
    } else if (userData >= 18 && userData <= 38) {
        list_->SetTypeFilter(static_cast<std::uint32_t>(userData - 18));
        keepActive();
    } else if ((userData >= 39 && userData <= 43) || userData == 50) {
        list_->SortBy(userData == 50 ? kSortByAge : userData - 39);
        keepActive();
    } else if (userData == 55) {
        RunCommand(CommandProcessAll);
    } else if (userData >= 51 && userData <= 54) {
        ChooseMode(static_cast<ItemMode>(userData - 51));
    } else if (userData == 57) {
        buttonArea_->show();
        drawer_->setFocus();
    } else if (userData >= ItemCheck && userData <= ItemDownload) {
        RunItemCommand(userData);
    }
}

void MainWindow::LogContextMenu(const QPoint& position) {
    auto* menu = new QMenu(Message(msg::LogMenuTitle), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QMenu* show = menu->addMenu(Message(msg::LogMenuShow));
    auto* group = new QActionGroup(show);
    const std::array<std::pair<MessageId, MessageId>, 3> filters{
        {{msg::LogFilterAll, kSeverityInfo},
         {msg::LogFilterErrors, kSeverityError},
         {msg::LogFilterWarnings, kSeverityWarning}}};
    for (const auto& [label, severity] : filters) {
        QAction* action = show->addAction(Message(label));
        action->setCheckable(true);
        action->setChecked(log_->filter() == severity);
        group->addAction(action);
        const MessageId chosen = severity;
        connect(action, &QAction::triggered, this, [this, chosen] { log_->SetLogFilter(chosen); });
    }
    show->addSeparator();
    connect(show->addAction(Message(msg::LogMenuClear)), &QAction::triggered, this,
            [this] { session_.log.ClearLog(); });
    menu->popup(logView_->viewport()->mapToGlobal(position));
}

void MainWindow::ShowOutput(const QString& text) {
    if (output_ == nullptr) {
        output_ = new QDialog(this);
        output_->setWindowTitle(QStringLiteral("Stovan Output Window"));
        auto* layout = new QVBoxLayout(output_);
        outputText_ = new QPlainTextEdit(output_);
        outputText_->setReadOnly(true);
        layout->addWidget(outputText_);
        output_->resize(640, 360);
    }
    outputText_->moveCursor(QTextCursor::End);
    outputText_->insertPlainText(text);
    output_->show();
}

void MainWindow::ShowAbout() {
    QMessageBox::about(this, Message(msg::MenuAbout),
                       RichTextFromEscapes(GetString(msg::ProgramCredit)));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (processing_ || runs_.active()) {
        // The run ends first (its wait returns 315); the window closes then.
        quitAfterRun_ = true;
        frontend_.RequestAbort();
        event->ignore();
        return;
    }
    if ((session_.preferences.flags2 & CLOSE_IS_QUIT) == 0 && !quitAfterRun_ &&
        event->spontaneous()) {
        // The close gadget hides the window when the preferences say so.
        Iconify();
        event->ignore();
        return;
    }
    SaveGeometry();
    event->accept();
    emit closed();
}

void MainWindow::Iconify() {
    if (iconify_) {
        iconify_();
    } else {
        showMinimized();
    }
}

void MainWindow::SaveGeometry() {
    const QByteArray text = "window=" + saveGeometry().toBase64() +
                            "\nsplit=" + verticalSplit_->saveState().toBase64() +
                            "\npanel=" + horizontalSplit_->saveState().toBase64() +
                            "\nlist=" + listView_->horizontalHeader()->saveState().toBase64() +
                            "\n";
    // Losing the window's size is no reason to bother the user.
    (void)amiga::WriteFile(session_.dos, kGeometryFile, text.toStdString());
}

void MainWindow::RestoreGeometry() {
    auto text = amiga::ReadFile(session_.dos, kGeometryFile);
    bool restored = false;
    if (text && text->size() < 65536) {
        for (const QByteArray& line : QByteArray::fromStdString(*text).split('\n')) {
            const qsizetype equals = line.indexOf('=');
            if (equals <= 0) {
                continue;
            }
            const QByteArray key = line.left(equals);
            const QByteArray value = QByteArray::fromBase64(line.mid(equals + 1));
            if (key == "window") {
                restored = restoreGeometry(value);
            } else if (key == "split") {
                (void)verticalSplit_->restoreState(value);
            } else if (key == "panel") {
                (void)horizontalSplit_->restoreState(value);
            } else if (key == "list") {
                (void)listView_->horizontalHeader()->restoreState(value);
            }
        }
    }
    if (!restored) {
        // Half the screen at first.
        if (const QScreen* screen = QApplication::primaryScreen()) {
            resize(screen->availableSize() / 2);
        }
    }
}

}  // namespace stovan::ui
