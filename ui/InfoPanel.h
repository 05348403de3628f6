#pragma once
// The information panel beside the list: the main window's logo, the active
// item's picture from the image cache and its text (name, description in
// the user's language, author, e-mail, web site, the entry's author). Its
// context menu writes to the author or opens the web site through the
// desktop. The picture area draws a picture file scaled to its size,
// keeping the picture's aspect ratio.

#include <QPixmap>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/Engine.h"
#include "database/Item.h"

class QMenu;
class QTextBrowser;

namespace stovan::ui {

// An author text as database files write it: "Name <user&host$org>".
struct AuthorParts {
    std::string name;   // what stands before "<" (the space before it kept)
    std::string email;  // between "<" and ">", "&" read as "@" and "$" as "."
    std::string text;   // the whole text, with the same replacements after "<"
};
AuthorParts SplitAuthor(std::string_view author);

// The panel's text with the text display's escapes: "No list item is
// selected!" without an item; else the item's fields, "<None>" for each
// empty one.
std::string InfoPanelText(const ApplicationItem* item, std::span<const std::string> languages);

// A picture file drawn scaled into the area, its aspect ratio kept. With
// scaling on, the area takes 160 to 640 pixels across and 120 to 480 down
// and prefers the picture's own size; an empty file name clears it.
class PictureArea final : public QWidget {
    Q_OBJECT

  public:
    explicit PictureArea(QWidget* parent = nullptr);
    // A host file; false (and the area empty) when it is no picture.
    bool SetPicture(const QString& hostFile);
    const QString& pictureFile() const { return file_; }
    bool hasPicture() const { return !pixmap_.isNull(); }
    QSize sizeHint() const override;

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QString file_;
    QPixmap pixmap_;
};

class InfoPanel final : public QWidget {
    Q_OBJECT

  public:
    // busy: true while an engine run is active (no picture is fetched then).
    InfoPanel(Engine& engine, std::vector<std::string> languages, std::function<bool()> busy,
              QWidget* parent = nullptr);

    // Shows an item (or none): the text at once, the picture as the cache
    // has it; a picture never fetched is fetched once, right after.
    void ShowItem(const ApplicationItem* item);
    // The context menu for the item shown; null when it has neither an
    // e-mail address nor a web site. Each entry's data is the link it opens.
    QMenu* BuildContextMenu();

    QTextBrowser* text() const { return text_; }
    PictureArea* picture() const { return picture_; }
    PictureArea* logo() const { return logo_; }

  private:
    void ShowPicture(const std::string& amigaPath);
    void FetchPicture();

    Engine& engine_;
    std::vector<std::string> languages_;
    std::function<bool()> busy_;
    PictureArea* logo_ = nullptr;
    PictureArea* picture_ = nullptr;
    QTextBrowser* text_ = nullptr;
    // The item shown, by its key: a reload may make it anew.
    std::string key_;
    bool byDupeName_ = false;
    std::string webPage_;
    std::string email_;
    bool fetching_ = false;
};

// The link of a web page (as it stands) or, without one, of an e-mail
// address ("mailto:" and the address); empty when both are.
QUrl LinkOf(std::string_view webPage, std::string_view email);
// Opens LinkOf with the desktop's programs; an empty link does nothing.
void OpenLink(std::string_view webPage, std::string_view email);

}  // namespace stovan::ui
