#pragma once
// The main window: the application list with its context menu, the
// information text of the active item, the command buttons with the mode
// cycle and the install drawer field, the status line with gauge and
// Abort, the search bar, the log pane and the menu strip. Every command
// goes to the engine through EngineRuns; the window adds no engine logic.

#include <QMainWindow>
#include <array>
#include <functional>
#include <string>

#include "engine/Session.h"
#include "ui/ApplicationListModel.h"
#include "ui/Controls.h"
#include "ui/EngineRuns.h"
#include "ui/LogModel.h"
#include "ui/QtFrontend.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTableView;

namespace stovan::ui {

class AboutWindow;
class InfoPanel;
class OutputWindow;
class PreferencesWindow;
struct PreferencesChanges;

// The menu commands by their numbers.
enum MenuCommand : int {
    CommandAbout = 26,
    CommandHide = 27,
    CommandQuit = 28,
    CommandSearch = 29,
    CommandReload = 30,
    CommandCheckUpdates = 31,
    CommandProcessAll = 32,
    CommandPreferences = 34,
};

// The list's item commands (the context menu's user data).
enum ItemCommand : int {
    ItemCheck = 58,
    ItemUpdate = 59,
    ItemInstall = 60,
    ItemUninstall = 61,
    ItemRepair = 62,
    ItemDownload = 63,
    // The "other version" menus of the Install and Repair buttons.
    ItemInstallOtherVersion = 64,
    ItemRepairOtherVersion = 65,
};

// The context menu's entries that act on the active item's drawer.
inline constexpr int kOpenInstallDir = 56;
inline constexpr int kChangeInstallDir = 57;

class MainWindow final : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow(Session& session, QtFrontend& frontend, EngineRuns& runs, QWidget* parent = nullptr);
    ~MainWindow() override;

    ApplicationListModel& list() { return *list_; }
    LogModel& logModel() { return *log_; }
    QTableView* listView() { return listView_; }
    InfoPanel* infoPanel() { return info_; }

    // A menu command by number (MenuCommand).
    void RunCommand(int command);
    // An item command for the active item (ItemCommand); nothing without one.
    void RunItemCommand(int command);
    // The context menu's choices (the list's part of it): user data as the
    // list's table gives it.
    void ContextMenuChoice(int userData);
    // The context menu for the active item, built anew. Each entry's data
    // is its user data.
    QMenu* BuildContextMenu();
    // The "other version" menu of the Install (ItemInstall) or Repair
    // (ItemRepair) button: the versions whose archives are kept, highest
    // first; null without an active item or when the button is disabled.
    QMenu* BuildOtherVersionMenu(int itemCommand);
    // Installs or repairs the active item in a version the user chose
    // (ItemInstallOtherVersion or ItemRepairOtherVersion).
    void RunOtherVersion(int command, const VersionTriple& version);
    // Opens the active item's drawer on the desktop; false when it has none.
    bool OpenInstallDir();

    ApplicationItem* activeItem() const;
    void SetActiveItem(ApplicationItem* item);
    // The enabled state of the controls now.
    ControlStates controlStates() const;
    // The menu entry of a command (tests read its enabled state).
    QAction* menuAction(int command) const;
    QPushButton* commandButton(int itemCommand) const;
    QString statusText() const;
    bool logShown() const;
    // The mode cycle and the drawer field as the user changes them.
    void ChooseMode(ItemMode mode);
    void ChooseDrawer(const std::string& drawer);
    void DoubleClicked(ApplicationItem& item);
    void SetSearchShown(bool shown);
    void AcknowledgeSearch(const QString& text);

    // The script output window (made on first use).
    OutputWindow& outputWindow();
    // The preferences window (made on first use).
    PreferencesWindow& preferencesWindow();
    // What Hide (and the close gadget without CLOSE_IS_QUIT) does: the
    // desktop's iconified state (ui/Commodity.h); unset: the window is
    // minimised.
    void setIconify(std::function<void()> iconify) { iconify_ = std::move(iconify); }

    // Window geometry and splitter positions, kept in the prefs drawer.
    void SaveGeometry();
    void RestoreGeometry();
    // The list's columns into the preferences' listFormat, saved when changed.
    void KeepColumnFormat();

  signals:
    // The window accepted its close: Stovan quits.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenus();
    void BuildWidgets();
    void ConnectFrontend();
    void ActiveRowChanged();
    void RefreshControls();
    void RebuildButtonLabels();
    void SetProcessing(bool active);
    void ShowCounters();
    void AfterRun(ApplicationItem* item);
    void KeepChoices();
    void FinishRun();
    void ShowOutput(const QString& text);
    void ShowAbout();
    void ShowPreferences();
    void PreferencesSaved(const PreferencesChanges& changes);
    void LogContextMenu(const QPoint& position);
    void Iconify();

    Session& session_;
    QtFrontend& frontend_;
    EngineRuns& runs_;
    ApplicationListModel* list_ = nullptr;
    LogModel* log_ = nullptr;

    QTableView* listView_ = nullptr;
    InfoPanel* info_ = nullptr;
    QTableView* logView_ = nullptr;
    QSplitter* verticalSplit_ = nullptr;
    QSplitter* horizontalSplit_ = nullptr;
    QWidget* buttonArea_ = nullptr;
    QPushButton* install_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* check_ = nullptr;
    QPushButton* repair_ = nullptr;
    QPushButton* uninstall_ = nullptr;
    QLabel* modeLabel_ = nullptr;
    QComboBox* mode_ = nullptr;
    QLabel* drawerLabel_ = nullptr;
    QLineEdit* drawer_ = nullptr;
    QStackedWidget* status_ = nullptr;
    QLabel* statusText_ = nullptr;
    QProgressBar* gauge_ = nullptr;
    QPushButton* abort_ = nullptr;
    QPushButton* searchToggle_ = nullptr;
    QPushButton* logToggle_ = nullptr;
    QWidget* searchBar_ = nullptr;
    QLineEdit* search_ = nullptr;
    OutputWindow* output_ = nullptr;
    PreferencesWindow* preferences_ = nullptr;
    AboutWindow* about_ = nullptr;
    std::array<QAction*, 9> commands_{};  // by command number - 26
    bool processing_ = false;
    bool quitAfterRun_ = false;
    std::function<void()> iconify_;
};

}  // namespace stovan::ui
