#include "ui/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <cstdio>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "core/TerminalText.h"
#include "database/ConfigFiles.h"
#include "database/InstallDir.h"
#include "database/Loader.h"
#include "engine/Archives.h"
#include "engine/Finder.h"
#include "platform/Catalog.h"
#include "platform/DosFiles.h"
#include "prefs/Preferences.h"
#include "prefs/SystemPreferences.h"
#include "scripts/Placeholders.h"
#include "ui/AboutWindow.h"
#include "ui/ColumnFormat.h"
#include "ui/DrawerField.h"
#include "ui/InfoPanel.h"
#include "ui/OutputWindow.h"
#include "ui/PreferencesWindow.h"
#include "ui/RichText.h"

namespace stovan::ui {

namespace {

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
    frontend_.setOutputWait([this] {
        if (output_ != nullptr) {
            output_->WaitUntilClosed();
        }
    });
    runs_.setReloaded([this] {
        list_->Rebuild();
        ActiveRowChanged();
    });
    list_->SetUp();
    ApplyColumnFormat(*listView_->horizontalHeader(), session_.preferences.listFormat);
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
    frontend_.setOutputWait({});
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
    listView_->horizontalHeader()->setSectionsMovable(true);
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

    info_ = new InfoPanel(
        *session_.engine, list_->languages(), [this] { return processing_ || runs_.active(); },
        central);

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
    // Install and Repair offer the versions kept in the download drawer.
    for (const auto& entry :
         {std::pair{install_, int{ItemInstall}}, std::pair{repair_, int{ItemRepair}}}) {
        QPushButton* const button = entry.first;
        const int command = entry.second;
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QPushButton::customContextMenuRequested, this,
                [this, button, command](const QPoint& at) {
                    if (QMenu* menu = BuildOtherVersionMenu(command)) {
                        menu->setAttribute(Qt::WA_DeleteOnClose);
                        menu->popup(button->mapToGlobal(at));
                    }
                });
    }
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
        {msg::MenuSettings,
         {{CommandPreferences, msg::MenuStovanSettings, msg::MenuStovanSettingsKey}}},
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
        info_->ShowItem(nullptr);
        RefreshControls();
        return;
    }
    info_->ShowItem(item);
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
            // Put off during a run, it follows the run's end by itself.
            (void)runs_.Reload();
            break;
        case CommandCheckUpdates:
            if (!running) {
                // The runs put every failure in the log, which the window shows.
                (void)runs_.CheckAll(CheckMode::Full);
                AfterRun(nullptr);
            }
            break;
        case CommandProcessAll:
            if (!running) {
                (void)runs_.ProcessAll();  // as above: its failures are in the log
                AfterRun(nullptr);
            }
            break;
        case CommandPreferences:
            if (!running) {
                ShowPreferences();
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
    // The runs put every failure in the log, which the window shows.
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
    (void)runs_.CheckItem(*item, CheckMode::Quick);  // its failures are in the log
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
        action->setData(userData);
        connect(action, &QAction::triggered, this,
                [this, userData] { ContextMenuChoice(userData); });
    };
    // The drawer can be opened where it is known: its own, a followed
    // item's, or the one the entry names.
    const bool open = (!item->HasFlags(INSTALLDIR_DISABLED) ||
                       item->HasFlags(INSTALLDIR_FOLLOWS | HAS_APPDIRECTORY)) &&
                      (actions & kOffersAnyOperation) != 0 &&
                      ApplicationDirectory(*session_.engine, *item).has_value();
    const bool change = !item->HasFlags(INSTALLDIR_DISABLED) && item->type != AppType::STOVAN;
    if (open || change) {
        menu->addSeparator();
    }
    if (open) {
        entry(msg::ContextOpenInstallDir, kOpenInstallDir);
    }
    if (change) {
        entry(msg::ContextChangeInstallDir, kChangeInstallDir);
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
    } else if (userData == kOpenInstallDir) {
        (void)OpenInstallDir();  // without a file manager nothing opens, which the user sees
    } else if (userData == kChangeInstallDir) {
        buttonArea_->show();
        drawer_->setFocus();
    } else if (userData >= ItemCheck && userData <= ItemDownload) {
        RunItemCommand(userData);
    }
}

QMenu* MainWindow::BuildOtherVersionMenu(int itemCommand) {
    ApplicationItem* item = activeItem();
    const ControlStates states = controlStates();
    const bool install = itemCommand == ItemInstall;
    if (item == nullptr || (install ? !states.install : !states.repair)) {
        return nullptr;
    }
    auto* menu = new QMenu(this);
    QAction* title = menu->addAction(
        Formatted(install ? msg::InstallOtherVersionTitle : msg::RepairOtherVersionTitle,
                  {item->displayText()}));
    title->setEnabled(false);
    menu->addSeparator();
    const int command = install ? ItemInstallOtherVersion : ItemRepairOtherVersion;
    if (auto archives = CollectArchives(*session_.engine, *item)) {
        for (const ArchiveEntry& archive : archives->entries) {
            QAction* action = menu->addAction(Latin1(archive.label));
            const VersionTriple version = archive.triple;
            connect(action, &QAction::triggered, this,
                    [this, command, version] { RunOtherVersion(command, version); });
        }
    }
    return menu;
}

void MainWindow::RunOtherVersion(int command, const VersionTriple& version) {
    ApplicationItem* item = activeItem();
    if (item == nullptr || processing_ || runs_.active()) {
        return;
    }
    const bool install = command == ItemInstallOtherVersion;
    if (install ? !controlStates().install : !controlStates().repair) {
        return;
    }
    const std::string key = item->key();
    const bool byDupeName = item->HasFlags(HAS_DUPENAME);
    // The run takes the chosen version as the offered one; the offered
    // one is the item's again afterwards.
    const VersionTriple offered = item->serverVersion;
    item->serverVersion = version;
    // The run puts its failures in the log, which the window shows.
    (void)runs_.ProcessOne(*item, install ? ItemMode::OP_INSTALL : ItemMode::OP_REPAIR, true);
    ApplicationItem* after = session_.engine->items().FindItem(key, byDupeName);
    if (after == item) {
        item->serverVersion = offered;
    }
    AfterRun(after);
}

bool MainWindow::OpenInstallDir() {
    ApplicationItem* item = activeItem();
    if (item == nullptr) {
        return false;
    }
    const auto drawer = ApplicationDirectory(*session_.engine, *item);
    const auto link = drawer ? HostFolderLink(session_.dos, *drawer) : std::nullopt;
    return link && QDesktopServices::openUrl(*link);
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
    outputWindow().Append(text);
}

OutputWindow& MainWindow::outputWindow() {
    if (output_ == nullptr) {
        output_ = new OutputWindow(this);
        connect(&frontend_, &QtFrontend::abortRequestedSignal, output_, &OutputWindow::abort);
    }
    return *output_;
}

void MainWindow::ShowAbout() {
    if (about_ == nullptr) {
        about_ = new AboutWindow(this);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

PreferencesWindow& MainWindow::preferencesWindow() {
    if (preferences_ == nullptr) {
        preferences_ = new PreferencesWindow(session_, &frontend_, this);
        // No run can start under it: a run would read the preferences
        // while they change, and a save asks for runs of its own.
        preferences_->setWindowModality(Qt::WindowModal);
        connect(preferences_, &PreferencesWindow::saved, this,
                [this](const PreferencesChanges& changes) { PreferencesSaved(changes); });
    }
    return *preferences_;
}

void MainWindow::ShowPreferences() {
    // The list's columns go with the next save of the preferences.
    session_.preferences.listFormat = ColumnFormatText(*listView_->horizontalHeader());
    PreferencesWindow& window = preferencesWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

void MainWindow::PreferencesSaved(const PreferencesChanges& changes) {
    RebuildButtonLabels();
    if (changes.buttons) {
        buttonArea_->setVisible((session_.preferences.flags & SHOW_BUTTONS) != 0);
    }
    if (changes.hideDatabases) {
        ApplicationItem* active = activeItem();
        list_->Rebuild();
        SetActiveItem(list_->rowOf(active) >= 0 ? active : list_->itemAt(0));
    }
    if (changes.typeDrawers && !processing_ && !runs_.active()) {
        // New type drawers: look for the applications there and learn
        // their installed versions anew.
        (void)FindApplications(*session_.engine, frontend_);
        (void)runs_.CheckAll(CheckMode::System);
        AfterRun(activeItem());
    }
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
    KeepColumnFormat();
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

void MainWindow::KeepColumnFormat() {
    // The columns are the preferences' listFormat: a change the user made
    // by dragging is saved with the record when the window closes.
    std::string format = ColumnFormatText(*listView_->horizontalHeader());
    if (format != session_.preferences.listFormat) {
        session_.preferences.listFormat = std::move(format);
        // The window is closing, and its log with it: standard error tells
        // a record that could not be written too.
        if (const Status saved = SaveLivePreferences(session_.preferences, session_.dos); !saved) {
            session_.log.AddLogEntry(saved.message(), kPreferencesPath);
            std::fprintf(stderr, "stovan: %s\n",
                         TerminalText(MessageText(saved.message(), {kPreferencesPath})).c_str());
        }
    }
}

void MainWindow::SaveGeometry() {
    const QByteArray text = "window=" + saveGeometry().toBase64() +
                            "\nsplit=" + verticalSplit_->saveState().toBase64() +
                            "\npanel=" + horizontalSplit_->saveState().toBase64() + "\n";
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
                (void)verticalSplit_->restoreState(value);  // one that does not fit: as it is
            } else if (key == "panel") {
                (void)horizontalSplit_->restoreState(value);  // one that does not fit: as it is
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
