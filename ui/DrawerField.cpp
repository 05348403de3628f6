#include "ui/DrawerField.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <filesystem>

#include "platform/AmigaPath.h"
#include "platform/HostFiles.h"
#include "platform/Locks.h"
#include "ui/RichText.h"

namespace stovan::ui {

std::optional<std::string> HostFolderOf(const amiga::DosList& dos, std::string_view amigaPath) {
    // A drawer the user has yet to create is shown from its nearest parent.
    std::string path(amigaPath);
    for (int steps = 0; steps < 256; ++steps) {
        if (auto lock = amiga::Lock(dos, path)) {
            if (lock->drawer) {
                return lock->hostPath;
            }
            auto parent = amiga::ParentDir(dos, *lock);
            return parent ? std::optional<std::string>(parent->hostPath) : std::nullopt;
        }
        while (!path.empty() && path.back() == '/') {
            path.pop_back();
        }
        const std::string_view part = amiga::PathPart(path);
        if (part.size() == path.size() || path.empty() || path.back() == ':') {
            return std::nullopt;
        }
        path.resize(part.size());
    }
    return std::nullopt;
}

std::optional<std::string> AmigaPathOfHostFolder(const amiga::DosList& dos,
                                                 std::string_view hostFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path wanted = fs::weakly_canonical(fs::path(std::string(hostFolder)), error);
    if (error) {
        return std::nullopt;
    }
    const amiga::Volume* best = nullptr;
    fs::path bestRoot;
    for (const amiga::Volume& volume : dos.volumes()) {
        const fs::path root = fs::weakly_canonical(fs::path(volume.hostFolder), error);
        if (error || !amiga::HostPathIsInside(wanted.string(), root.string())) {
            continue;
        }
        if (best == nullptr || root.string().size() > bestRoot.string().size()) {
            best = &volume;
            bestRoot = root;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    std::string path = best->name + ":";
    const fs::path below = wanted.lexically_relative(bestRoot);
    for (const fs::path& name : below) {
        if (name.empty() || name == ".") {
            continue;
        }
        path += name.string();
        path += '/';
    }
    return path;
}

std::optional<QUrl> HostFolderLink(const amiga::DosList& dos, std::string_view amigaPath) {
    auto lock = amiga::Lock(dos, amigaPath);
    if (lock && !lock->drawer) {
        lock = amiga::ParentDir(dos, *lock);
    }
    if (!lock) {
        return std::nullopt;
    }
    return QUrl::fromLocalFile(QString::fromStdString(lock->hostPath));
}

DrawerField::DrawerField(const amiga::DosList& dos, QWidget* parent) : QWidget(parent), dos_(dos) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    edit_ = new QLineEdit(this);
    button_ = new QToolButton(this);
    button_->setText(QStringLiteral("..."));
    layout->addWidget(edit_, 1);
    layout->addWidget(button_);
    setFocusProxy(edit_);
    connect(button_, &QToolButton::clicked, this, [this] { ChooseFolder(); });
    connect(edit_, &QLineEdit::returnPressed, this, &DrawerField::returnPressed);
}

std::string DrawerField::text() const {
    return edit_->text().toLatin1().toStdString();
}

void DrawerField::setText(std::string_view text) {
    edit_->setText(Latin1(text));
}

void DrawerField::ChooseFolder() {
    const QString start = Latin1(HostFolderOf(dos_, text()).value_or(dos_.rootFolder()));
    const QString chosen = QFileDialog::getExistingDirectory(this, QString(), start);
    if (chosen.isEmpty()) {
        return;
    }
    // Host names are UTF-8; the record keeps ISO-8859-1.
    if (auto path = AmigaPathOfHostFolder(dos_, chosen.toStdString())) {
        edit_->setText(QString::fromUtf8(path->data(), static_cast<qsizetype>(path->size())));
    }
}

}  // namespace stovan::ui
