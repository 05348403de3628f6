// The information panel and the about window: the author split of the
// database's disguised addresses, the panel text with its "<None>"
// fields, the context menu's links as the desktop gets them, and which
// picture is shown for an item.

#include <gtest/gtest.h>

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QMenu>
#include <QUrl>
#include <memory>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/ImageCache.h"
#include "platform/AmigaPath.h"
#include "platform/DosFiles.h"
#include "tests/ui/ListItems.h"
#include "ui/AboutWindow.h"
#include "ui/InfoPanel.h"

namespace stovan::ui {
namespace {

using test::TestEngine;

TEST(InfoPanel, AuthorTextsSplitIntoNameAndAddress) {
    // Name, address and whole text, each after a "|".
    auto split = [](std::string_view author) {
        const AuthorParts parts = SplitAuthor(author);
        return parts.name + "|" + parts.email + "|" + parts.text;
    };
    EXPECT_EQ(split("Ann Author <ann&mail$example>"),
              "Ann Author |ann@mail.example|Ann Author <ann@mail.example>");
    EXPECT_EQ(split("Ann Author"), "Ann Author||Ann Author");
    EXPECT_EQ(split("A <b&c"), "A |b@c|A <b@c");  // unclosed
    EXPECT_EQ(split("A <b> and more"), "A |b|A <b> and more");
    // The replacements happen only after the bracket.
    EXPECT_EQ(split("A&B$ <x>"), "A&B$ |x|A&B$ <x>");
    // A long address is kept whole: a cut one would write to somebody else.
    const std::string user(200, 'u');
    EXPECT_EQ(SplitAuthor("N <" + user + "&host$org>").email, user + "@host.org");
}

TEST(InfoPanel, ContextMenuOpensTheSiteAndTheAddress) {
    TestEngine fixture;
    fixture.preferences.imageServer.clear();
    ApplicationItem& linked = fixture.Add({.name = "Linked", .author = "Ann <ann&mail$example>"});
    ASSERT_TRUE(linked.SetTextField(ItemField::appWebPage, "https://linked.example/page").ok());
    ApplicationItem& silent = fixture.Add({.name = "Silent", .author = "Nobody"});
    InfoPanel panel(fixture.engine, {}, [] { return false; });

    panel.ShowItem(&silent);
    EXPECT_EQ(panel.BuildContextMenu(), nullptr);
    panel.ShowItem(&linked);
    std::unique_ptr<QMenu> menu(panel.BuildContextMenu());
    ASSERT_NE(menu, nullptr);
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text().toStdString(), GetString(msg::InfoSendMail));
    EXPECT_EQ(actions[0]->data().toUrl(), QUrl(QStringLiteral("mailto:ann@mail.example")));
    EXPECT_EQ(actions[1]->data().toUrl(), QUrl(QStringLiteral("https://linked.example/page")));
    panel.ShowItem(nullptr);
    EXPECT_EQ(panel.BuildContextMenu(), nullptr);
}

// A small picture file at an Amiga path.
void WritePicture(const amiga::DosList& dos, const std::string& path, QColor colour) {
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    ASSERT_TRUE(amiga::CreateDrawerPath(dos, std::string(amiga::PathPart(path))).ok());
    ASSERT_TRUE(amiga::WriteFile(dos, path, bytes.toStdString()).ok());
}

TEST(InfoPanel, PictureComesFromTheCacheElseTheTypePicture) {
    TestEngine fixture;
    fixture.preferences.imageServer.clear();  // nothing is fetched
    WritePicture(fixture.root.dos(), "PROGDIR:Database/Images/game.png", Qt::red);
    WritePicture(fixture.root.dos(), "PROGDIR:Database/Images/noimage.png", Qt::blue);
    ApplicationItem& game = fixture.Add({.name = "Shooter", .type = AppType::GAME});
    ApplicationItem& cachedItem = fixture.Add({.name = "Cached", .type = AppType::GAME});
    ApplicationItem& tool = fixture.Add({.name = "Hammer", .type = AppType::TOOL});
    auto drawer = ImageDrawerPath(fixture.engine);
    ASSERT_TRUE(drawer.has_value());
    std::string cached = *drawer;
    ASSERT_TRUE(amiga::AddPart(cached, "Cached", std::string::npos));
    WritePicture(fixture.root.dos(), cached, Qt::green);
    // A placeholder of a failed fetch counts as no picture.
    std::string placeholder = *drawer;
    ASSERT_TRUE(amiga::AddPart(placeholder, "Shooter", std::string::npos));
    ASSERT_TRUE(amiga::WriteFile(fixture.root.dos(), placeholder, std::string(1, '\0')).ok());

    InfoPanel panel(fixture.engine, {}, [] { return false; });
    // The end of the picture's host path, and " (none)" when none is shown.
    auto shown = [&panel](const ApplicationItem* item) {
        panel.ShowItem(item);
        const QString file = panel.picture()->pictureFile();
        return file.mid(file.lastIndexOf('/')).toStdString() +
               (panel.picture()->hasPicture() ? "" : " (none)");
    };
    EXPECT_EQ(shown(&cachedItem), "/Cached");
    EXPECT_EQ(shown(&game), "/game.png") << "a placeholder: the type picture";
    EXPECT_EQ(shown(&tool), "/noimage.png") << "no type picture: noimage";
    EXPECT_EQ(shown(nullptr), " (none)");
}

TEST(AboutWindow, ShowsNameVersionAndCredits) {
    AboutWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("About Stovan"));
    EXPECT_EQ(AboutVersionText(), "Version 2.18 (08.10.2015)");
    const QString page = window.pageText();
    for (const std::string_view part :
         {std::string_view("Stovan"), GetString(msg::ProgramDescription),
          std::string_view("Version 2.18 (08.10.2015)"), GetString(msg::AboutProgramming),
          GetString(msg::AboutWebsite)}) {
        SCOPED_TRACE(part);
        EXPECT_TRUE(
            page.contains(QString::fromLatin1(part.data(), static_cast<qsizetype>(part.size()))));
    }
}

}  // namespace
}  // namespace stovan::ui
