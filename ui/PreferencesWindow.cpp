#include "ui/PreferencesWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <span>
#include <vector>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/Launch.h"
#include "engine/Processing.h"
#include "platform/FileSystemKind.h"
#include "prefs/PreferencesSettings.h"
#include "prefs/SystemPreferences.h"
#include "ui/DrawerField.h"
#include "ui/QtFrontend.h"
#include "ui/RichText.h"

namespace stovan::ui {

namespace {

// A title Qt would read "&" in (tabs, frames): the "&" shown as it is.
QString TitleText(std::string_view text) {
    return Latin1(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::string ToLatin1(const QString& text) {
    return text.toLatin1().toStdString();
}

// One control of a page, in the page's order. Consecutive rows of the same
// group stand in one frame titled by the group's message.
struct Row {
    enum class Kind { Check, Cycle, Slider, Drawer, Text } kind;
    std::string_view setting;  // the flag, word or string it edits
    MessageId label;           // its help text is the message after it
    MessageId group = 0;
    // Cycles: the first entry's message and the number of entries;
    // sliders: the range and the message that shows the value.
    MessageId first = 0;
    int count = 0;
    int minimum = 0;
    int maximum = 0;
};

struct Page {
    MessageId title;
    std::vector<Row> rows;
};

using Kind = Row::Kind;

Row Check(std::string_view flag, MessageId label, MessageId group = 0) {
    return {Kind::Check, flag, label, group};
}
Row Drawer(std::string_view setting, MessageId label, MessageId group = 0) {
    return {Kind::Drawer, setting, label, group};
}
Row Slider(std::string_view word, MessageId label, MessageId group, int minimum, int maximum,
           MessageId format) {
    return {Kind::Slider, word, label, group, format, 0, minimum, maximum};
}
Row Cycle(std::string_view word, MessageId label, MessageId group, MessageId first, int count) {
    return {Kind::Cycle, word, label, group, first, count};
}

const std::vector<Page>& Pages() {
    static const std::vector<Page> pages{
        {msg::PrefsPageAtLaunch,
         {Cycle("launchAction", msg::PrefsLaunchActionLabel, 0, msg::LaunchActionNothing, 3),
          Check("SCAN_MISSING_IMAGES", msg::PrefsScanMissingImages),
          Check("OPEN_ON_UPDATES", msg::PrefsOpenOnUpdates),
          Check("QUIT_AFTER_CHECK", msg::PrefsQuitAfterCheck),
          Check("STORE_PATH", msg::PrefsStorePathInEnv)}},
        {msg::PrefsPageMiscellaneous,
         {Drawer("tempDir", msg::PrefsTempDirLabel),
          Check("KEEP_ARCHIVES", msg::PrefsKeepArchives, msg::PrefsGroupArchives),
          Check("COMMENT_ARCHIVES", msg::PrefsSetArchiveComment, msg::PrefsGroupArchives),
          Slider("maxArchives", msg::PrefsMaxArchivesLabel, msg::PrefsGroupArchives, 2, 32,
                 msg::PrefsNumberFormat),
          Drawer("downloadDir", msg::PrefsDownloadDirLabel, msg::PrefsGroupArchives),
          Check("BACKUP_BEFORE_INSTALL", msg::PrefsBackupBeforeInstall, msg::PrefsGroupBackups),
          Check("BACKUP_BEFORE_UNINSTALL", msg::PrefsBackupBeforeUninstall, msg::PrefsGroupBackups),
          Drawer("backupDir", msg::PrefsBackupDirLabel, msg::PrefsGroupBackups),
          Drawer("imageDir", msg::PrefsImageDirLabel),
          {Kind::Text, "imageServer", msg::PrefsImageServerLabel}}},
        {msg::PrefsPagePath,
         {Drawer("installDirAudio", msg::PrefsAudioDirLabel),
          Drawer("installDirVideo", msg::PrefsVideoDirLabel),
          Drawer("installDirText", msg::PrefsTextDirLabel),
          Drawer("installDirPicture", msg::PrefsPictureDirLabel),
          Drawer("installDirGame", msg::PrefsGameDirLabel),
          Drawer("installDirEmulator", msg::PrefsEmulatorDirLabel),
          Drawer("installDirNetwork", msg::PrefsNetworkDirLabel),
          Drawer("installDirTool", msg::PrefsToolDirLabel),
          Drawer("installDirUtility", msg::PrefsUtilityDirLabel),
          Drawer("installDirApplication", msg::PrefsApplicationDirLabel),
          Drawer("installDirDesktop", msg::PrefsDesktopDirLabel)}},
        {msg::PrefsPageRequests,
         {Check("WARN_NEW_DATABASE", msg::PrefsAskNewDatabase, msg::PrefsGroupAskBefore),
          Check("ASK_STOVAN_UPDATE", msg::PrefsAskStovanUpdate, msg::PrefsGroupAskBefore),
          Check("ASK_DATABASE_UPDATE", msg::PrefsAskDatabaseUpdate, msg::PrefsGroupAskBefore),
          Check("ASK_DOWNLOAD", msg::PrefsAskDownload, msg::PrefsGroupAskBefore),
          Check("ASK_UPDATE", msg::PrefsAskUpdate, msg::PrefsGroupAskBefore),
          Check("ASK_INSTALL", msg::PrefsAskInstall, msg::PrefsGroupAskBefore),
          Check("ASK_REPAIR", msg::PrefsAskRepair, msg::PrefsGroupAskBefore),
          Check("ASK_UNINSTALL", msg::PrefsAskUninstall, msg::PrefsGroupAskBefore)}},
        {msg::PrefsPageLogDebug,
         {Check("LOG_ON_DATABASE_ERROR", msg::PrefsLogOnDatabaseError, msg::PrefsGroupOpenLogOn),
          Check("LOG_ON_DATA_DOWNLOAD_ERROR", msg::PrefsLogOnDataDownloadError,
                msg::PrefsGroupOpenLogOn),
          Check("LOG_ON_APPLICATION_DOWNLOAD_ERROR", msg::PrefsLogOnAppDownloadError,
                msg::PrefsGroupOpenLogOn),
          Check("SHOW_SHELL_OUTPUT", msg::PrefsShowShellOutput),
          Check("SHOW_CHANGELOG", msg::PrefsShowChangelog)}},
        {msg::PrefsPageExpert,
         {Slider("connectTimeout", msg::PrefsConnectTimeoutLabel, msg::PrefsGroupNetwork, 1, 30,
                 msg::PrefsSecondsFormat),
          Slider("transferTimeout", msg::PrefsTransmitTimeoutLabel, msg::PrefsGroupNetwork, 1, 30,
                 msg::PrefsSecondsFormat),
          Slider("connectRetries", msg::PrefsRetriesLabel, msg::PrefsGroupNetwork, 1, 30,
                 msg::PrefsNumberFormat),
          Cycle("stateFilterPreset", msg::PrefsShowStateLabel, msg::PrefsGroupUserInterface,
                msg::PrefsStateAll, 4),
          Cycle("modeFilterPreset", msg::PrefsShowModeLabel, msg::PrefsGroupUserInterface,
                msg::PrefsModeAll, 5),
          Check("SHOW_BUTTONS", msg::PrefsShowButtons, msg::PrefsGroupUserInterface),
          Check("CLOSE_IS_QUIT", msg::PrefsCloseIsQuit, msg::PrefsGroupUserInterface),
          Check("ALWAYS_NOTIFY", msg::PrefsAlwaysNotify, msg::PrefsGroupUserInterface),
          Check("HIDE_STOVAN_DATABASES", msg::PrefsHideStovanDatabases,
                msg::PrefsGroupUserInterface),
          Check("DOUBLECLICK_INSTALL", msg::PrefsDoubleClickInstall, msg::PrefsGroupUserInterface),
          Check("FILESYSTEM_WARNING", msg::PrefsGroupFilesystemWarning,
                msg::PrefsGroupUserInterface),
          Check("FIND_APPLICATIONS", msg::PrefsFindApps, msg::PrefsGroupAppFinder),
          {Kind::Text, "finderPaths", msg::PrefsFinderPathsLabel, msg::PrefsGroupAppFinder}}},
    };
    return pages;
}

// The drawers the file-system warning looks at, in its order.
constexpr std::string_view kCheckedDrawers[] = {
    "installDirAudio",       "installDirVideo",   "installDirText",
    "installDirPicture",     "installDirGame",    "installDirEmulator",
    "installDirNetwork",     "installDirTool",    "installDirUtility",
    "installDirApplication", "installDirDesktop", "tempDir",
    "downloadDir",           "imageDir",
};

const PreferencesFlagName* FlagNamed(std::string_view name) {
    for (const PreferencesFlagName& flag : PreferencesFlagNames()) {
        if (flag.name == name) {
            return &flag;
        }
    }
    return nullptr;
}

std::size_t WordIndex(std::string_view name) {
    for (const PreferencesWordName& word : PreferencesWordNames()) {
        if (word.name == name) {
            return word.index;
        }
    }
    return kPreferencesWordCount;
}

std::size_t StringIndex(std::string_view name) {
    const auto names = PreferencesStringNames();
    return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

bool IsTypeDrawer(std::string_view setting) {
    return setting.starts_with("installDir");
}

QString SliderText(MessageId format, int value) {
    return Latin1(MessageText(format, {value}));
}

}  // namespace

PreferencesWindow::PreferencesWindow(Session& session, QtFrontend* frontend, QWidget* parent)
    : QDialog(parent), session_(session), frontend_(frontend) {
    setObjectName(QStringLiteral("PREF"));
    setWindowTitle(Latin1(GetString(msg::PrefsWindowTitle)));
    BuildPages();
    RefreshControls();
    // Wide enough for the tabs and a drawer path, tall enough for the
    // longest page without scrolling on common screens.
    resize(sizeHint().expandedTo(QSize(600, 560)));
}

void PreferencesWindow::BuildPages() {
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    layout->addWidget(pages_, 1);
    for (const Page& page : Pages()) {
        auto* scroll = new QScrollArea(pages_);
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setFrameShape(QFrame::NoFrame);
        auto* content = new QWidget(scroll);
        auto* pageLayout = new QVBoxLayout(content);
        QFormLayout* form = nullptr;
        MessageId group = ~MessageId{0};
        for (const Row& row : page.rows) {
            if (form == nullptr || row.group != group) {
                group = row.group;
                form = new QFormLayout();
                if (group == 0) {
                    pageLayout->addLayout(form);
                } else {
                    auto* box = new QGroupBox(TitleText(GetString(group)), content);
                    box->setLayout(form);
                    pageLayout->addWidget(box);
                }
            }
            const QString label = MnemonicText(GetString(row.label));
            const QString help = Latin1(GetString(row.label + 1));
            QWidget* control = nullptr;
            switch (row.kind) {
                case Kind::Check: {
                    auto* box = new QCheckBox(label, content);
                    form->addRow(box);
                    control = box;
                    break;
                }
                case Kind::Cycle: {
                    auto* cycle = new QComboBox(content);
                    for (int entry = 0; entry < row.count; ++entry) {
                        cycle->addItem(
                            Latin1(GetString(row.first + static_cast<MessageId>(entry))));
                    }
                    control = cycle;
                    break;
                }
                case Kind::Slider: {
                    auto* holder = new QWidget(content);
                    auto* line = new QHBoxLayout(holder);
                    line->setContentsMargins(0, 0, 0, 0);
                    auto* slider = new QSlider(Qt::Horizontal, holder);
                    slider->setRange(row.minimum, row.maximum);
                    auto* value = new QLabel(holder);
                    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(
                        SliderText(row.first, row.maximum) + QStringLiteral("  ")));
                    const MessageId format = row.first;
                    connect(slider, &QSlider::valueChanged, value, [value, format](int number) {
                        value->setText(SliderText(format, number));
                    });
                    line->addWidget(slider, 1);
                    line->addWidget(value);
                    form->addRow(label, holder);
                    if (auto* title = qobject_cast<QLabel*>(form->labelForField(holder))) {
                        title->setBuddy(slider);
                    }
                    slider->setObjectName(Latin1(row.setting));
                    slider->setToolTip(help);
                    continue;
                }
                case Kind::Drawer: {
                    auto* field = new DrawerField(session_.dos, content);
                    const std::string setting(row.setting);
                    // Return in the temporary, download or a type drawer
                    // field checks that drawer's file system.
                    if (setting == "tempDir" || setting == "downloadDir" || IsTypeDrawer(setting)) {
                        // The warning, when there is one, is all it has to say.
                        connect(field, &DrawerField::returnPressed, this,
                                [this, setting] { (void)CheckFileSystems(setting); });
                    }
                    control = field;
                    break;
                }
                case Kind::Text:
                    control = new QLineEdit(content);
                    break;
            }
            control->setObjectName(Latin1(row.setting));
            control->setToolTip(help);
            if (row.kind != Kind::Check) {
                form->addRow(label, control);
                if (auto* title = qobject_cast<QLabel*>(form->labelForField(control))) {
                    title->setBuddy(control);
                }
            }
        }
        pageLayout->addStretch(1);
        scroll->setWidget(content);
        pages_->addTab(scroll, TitleText(GetString(page.title)));
    }

    auto* buttons = new QDialogButtonBox(this);
    auto* save = buttons->addButton(MnemonicText(GetString(msg::PrefsSaveButton)),
                                    QDialogButtonBox::AcceptRole);
    save->setToolTip(Latin1(GetString(msg::PrefsSaveHelp)));
    save->setObjectName(QStringLiteral("save"));
    auto* cancel = buttons->addButton(MnemonicText(GetString(msg::PrefsCancelButton)),
                                      QDialogButtonBox::RejectRole);
    cancel->setToolTip(Latin1(GetString(msg::PrefsCancelHelp)));
    cancel->setObjectName(QStringLiteral("cancel"));
    // A file that cannot be written keeps the settings only until Stovan
    // quits: the log says so.
    connect(save, &QPushButton::clicked, this, [this] {
        if (const Status saved = SaveFromControls(); !saved.ok()) {
            session_.log.AddLogEntry(saved.message(), kPreferencesPath);
        }
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);

    for (const char* name : {"KEEP_ARCHIVES", "BACKUP_BEFORE_INSTALL", "BACKUP_BEFORE_UNINSTALL",
                             "FIND_APPLICATIONS"}) {
        connect(qobject_cast<QCheckBox*>(control(name)), &QCheckBox::toggled, this,
                [this] { FollowDependencies(); });
    }
    connect(qobject_cast<QLineEdit*>(control("finderPaths")), &QLineEdit::textChanged, this,
            [this](const QString& text) {
                if (text.isEmpty()) {
                    RefillFinderPaths();
                }
            });
}

QWidget* PreferencesWindow::control(std::string_view setting) const {
    if (setting.empty()) {
        return nullptr;
    }
    return findChild<QWidget*>(Latin1(setting));
}

int PreferencesWindow::currentPage() const {
    return pages_->currentIndex();
}

void PreferencesWindow::RefreshControls() {
    const Preferences& record = session_.preferences;
    for (const Page& page : Pages()) {
        for (const Row& row : page.rows) {
            QWidget* widget = control(row.setting);
            switch (row.kind) {
                case Kind::Check:
                    if (const PreferencesFlagName* flag = FlagNamed(row.setting)) {
                        const std::uint32_t bits = flag->second ? record.flags2 : record.flags;
                        qobject_cast<QCheckBox*>(widget)->setChecked((bits & flag->mask) != 0);
                    }
                    break;
                case Kind::Cycle: {
                    auto value = static_cast<int>(record.word(WordIndex(row.setting)));
                    // The state cycle has no entry for "unknown" (1).
                    if (row.setting == "stateFilterPreset" && value != 0) {
                        value -= 1;
                    }
                    auto* cycle = qobject_cast<QComboBox*>(widget);
                    cycle->setCurrentIndex(std::clamp(value, 0, cycle->count() - 1));
                    break;
                }
                case Kind::Slider: {
                    auto* slider = qobject_cast<QSlider*>(widget);
                    const auto value =
                        static_cast<std::int64_t>(record.word(WordIndex(row.setting)));
                    slider->setValue(static_cast<int>(
                        std::clamp<std::int64_t>(value, slider->minimum(), slider->maximum())));
                    // The value label follows valueChanged only.
                    emit slider->valueChanged(slider->value());
                    break;
                }
                case Kind::Drawer:
                    qobject_cast<DrawerField*>(widget)->setText(
                        record.string(StringIndex(row.setting)));
                    break;
                case Kind::Text:
                    qobject_cast<QLineEdit*>(widget)->setText(
                        Latin1(record.string(StringIndex(row.setting))));
                    break;
            }
        }
    }
    FollowDependencies();
}

void PreferencesWindow::FollowDependencies() {
    auto checked = [this](const char* name) {
        return qobject_cast<QCheckBox*>(control(name))->isChecked();
    };
    auto enable = [this](const char* name, bool on) {
        QWidget* widget = control(name);
        widget->setEnabled(on);
        // A slider stands in a holder beside its value.
        if (qobject_cast<QSlider*>(widget) != nullptr) {
            widget->parentWidget()->setEnabled(on);
        }
        for (QLabel* label : findChildren<QLabel*>()) {
            if (label->buddy() == widget) {
                label->setEnabled(on);
            }
        }
    };
    const bool keep = checked("KEEP_ARCHIVES");
    enable("COMMENT_ARCHIVES", keep);
    enable("maxArchives", keep);
    enable("backupDir", checked("BACKUP_BEFORE_INSTALL") || checked("BACKUP_BEFORE_UNINSTALL"));
    enable("finderPaths", checked("FIND_APPLICATIONS"));
}

void PreferencesWindow::RefillFinderPaths() {
    if (auto paths = DefaultFinderPaths(session_.dos)) {
        qobject_cast<QLineEdit*>(control("finderPaths"))->setText(Latin1(*paths));
    }
}

Status PreferencesWindow::SaveFromControls() {
    hide();
    Preferences& record = session_.preferences;
    const Preferences old = record;

    std::uint32_t flags = old.flags & DATABASE_WARNING_SHOWN;
    std::uint32_t flags2 = 0;
    for (const Page& page : Pages()) {
        for (const Row& row : page.rows) {
            QWidget* widget = control(row.setting);
            switch (row.kind) {
                case Kind::Check: {
                    const PreferencesFlagName* flag = FlagNamed(row.setting);
                    if (flag != nullptr && qobject_cast<QCheckBox*>(widget)->isChecked()) {
                        (flag->second ? flags2 : flags) |= flag->mask;
                    }
                    break;
                }
                case Kind::Cycle: {
                    auto value = static_cast<std::uint32_t>(
                        qobject_cast<QComboBox*>(widget)->currentIndex());
                    if (row.setting == "stateFilterPreset" && value != 0) {
                        value += 1;
                    }
                    record.word(WordIndex(row.setting)) = value;
                    break;
                }
                case Kind::Slider:
                    record.word(WordIndex(row.setting)) =
                        static_cast<std::uint32_t>(qobject_cast<QSlider*>(widget)->value());
                    break;
                case Kind::Drawer:
                    record.string(StringIndex(row.setting)) =
                        ApplyPathRule(qobject_cast<DrawerField*>(widget)->text());
                    break;
                case Kind::Text:
                    record.string(StringIndex(row.setting)) =
                        ToLatin1(qobject_cast<QLineEdit*>(widget)->text());
                    break;
            }
        }
    }
    record.flags = flags;
    record.flags2 = flags2;

    PreferencesChanges changes;
    for (const Row& row : Pages()[2].rows) {
        const std::size_t index = StringIndex(row.setting);
        changes.typeDrawers = changes.typeDrawers || record.string(index) != old.string(index);
    }
    changes.buttons = ((record.flags ^ old.flags) & SHOW_BUTTONS) != 0;
    changes.hideDatabases = ((record.flags2 ^ old.flags2) & HIDE_STOVAN_DATABASES) != 0;

    // A file that cannot be written leaves the record in force for this
    // run; the caller reports the save (the Save button logs a failure).
    const Status status = SaveLivePreferences(record, session_.dos);
    if (session_.engine) {
        ApplyStovanPathRule(*session_.engine);
    }
    emit saved(changes);
    done(QDialog::Accepted);
    return status;
}

bool PreferencesWindow::CheckFileSystems(std::string_view setting) {
    if ((session_.preferences.flags & FILESYSTEM_WARNING) == 0) {
        return false;
    }
    for (std::string_view drawer : kCheckedDrawers) {
        if (!setting.empty() && drawer != setting) {
            continue;
        }
        auto* field = qobject_cast<DrawerField*>(control(drawer));
        const std::string path = ApplyPathRule(field->text());
        const auto host = HostFolderOf(session_.dos, path);
        if (!host || !amiga::OnLimitedFileSystem(*host)) {
            continue;
        }
        if (setting.empty()) {
            for (int page = 0; page < pages_->count(); ++page) {
                if (pages_->widget(page)->isAncestorOf(field)) {
                    pages_->setCurrentIndex(page);
                }
            }
        }
        const std::string text = MessageText(msg::FilesystemWarning, {path});
        if (frontend_ != nullptr) {
            // One button: the answer is always OK.
            (void)frontend_->Request(GetString(msg::RequesterTitle), text,
                                     GetString(msg::RequesterOk));
        } else {
            QMessageBox::warning(this, Latin1(GetString(msg::RequesterTitle)), Latin1(text));
        }
        field->setFocus();
        return true;
    }
    return false;
}

void PreferencesWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        RefreshControls();
        // After the window is drawn, so the page it switches to shows.
        QMetaObject::invokeMethod(
            this, [this] { (void)CheckFileSystems(); }, Qt::QueuedConnection);
    }
}

}  // namespace stovan::ui
