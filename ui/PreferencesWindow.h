#pragma once
// The preferences window: six pages of controls over the session's live
// preferences record. Opening it shows the record; Save takes the controls
// back into the record, validates it and writes "PROGDIR:Prefs/stovan.prefs";
// Cancel and the close button leave the record as it was.

#include <QDialog>
#include <string>
#include <string_view>

#include "core/Status.h"
#include "engine/Session.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QTabWidget;

namespace stovan::ui {

class DrawerField;
class QtFrontend;

// What a save changed that the main window follows.
struct PreferencesChanges {
    bool typeDrawers = false;    // the finder's drawer scan and a System check
    bool buttons = false;        // the button area follows SHOW_BUTTONS
    bool hideDatabases = false;  // the list is rebuilt
};

class PreferencesWindow final : public QDialog {
    Q_OBJECT

  public:
    // frontend: where the file-system warning is asked (its answerer in
    // tests); none: a message box of its own.
    explicit PreferencesWindow(Session& session, QtFrontend* frontend = nullptr,
                               QWidget* parent = nullptr);

    // Sets every control from the record (also done whenever the window opens).
    void RefreshControls();
    // The Save button: closes the window, takes the controls into the
    // record, validates and saves it, applies the STOVANPATH rule and tells
    // the main window what changed (signal saved). The status of the save:
    // msg::CannotOpen when the file could not be written (the record in
    // memory is changed all the same and stays in force; the Save button
    // logs the failure).
    Status SaveFromControls();
    // The file-system warning for every drawer field, or for the one that
    // edits setting (a string's field name). True when it warned.
    bool CheckFileSystems(std::string_view setting = {});

    // The control that edits a setting, by the setting's name: a flag name
    // ("KEEP_ARCHIVES") gives its QCheckBox, a word ("maxArchives") its
    // QSlider or QComboBox, a string ("tempDir") its DrawerField or
    // QLineEdit. Null for any other name.
    QWidget* control(std::string_view setting) const;
    int currentPage() const;

  signals:
    void saved(stovan::ui::PreferencesChanges changes);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildPages();
    void FollowDependencies();
    void RefillFinderPaths();

    Session& session_;
    QtFrontend* frontend_ = nullptr;
    QTabWidget* pages_ = nullptr;
};

}  // namespace stovan::ui
