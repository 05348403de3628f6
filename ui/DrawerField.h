#pragma once
// A drawer field: a text field holding an Amiga path with a button that
// opens the desktop's folder requester. The requester works on host
// folders; the field keeps Amiga paths, so the chosen folder is named by
// the volume that holds it ("Work:Games/"), and a folder outside every
// volume is not taken.

#include <QUrl>
#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Volumes.h"

class QLineEdit;
class QToolButton;

namespace stovan::ui {

// The host folder an Amiga path names (the nearest existing drawer along
// it), or none when not even its volume can be found.
std::optional<std::string> HostFolderOf(const amiga::DosList& dos, std::string_view amigaPath);

// The Amiga path of a host folder: "Volume:" and the names below the
// volume's host folder that holds it (the deepest one when volumes nest),
// drawers ending in "/". None when no volume holds it.
std::optional<std::string> AmigaPathOfHostFolder(const amiga::DosList& dos,
                                                 std::string_view hostFolder);

// The desktop's link (a file URL) to the host folder of an Amiga path: the
// drawer itself, or the drawer holding it when it names a file. None when
// it does not exist.
std::optional<QUrl> HostFolderLink(const amiga::DosList& dos, std::string_view amigaPath);

class DrawerField final : public QWidget {
    Q_OBJECT

  public:
    DrawerField(const amiga::DosList& dos, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    QToolButton* button() const { return button_; }
    // The text as the record keeps it (ISO-8859-1).
    std::string text() const;
    void setText(std::string_view text);

  signals:
    // Return was pressed in the field.
    void returnPressed();

  private:
    void ChooseFolder();

    const amiga::DosList& dos_;
    QLineEdit* edit_ = nullptr;
    QToolButton* button_ = nullptr;
};

}  // namespace stovan::ui
