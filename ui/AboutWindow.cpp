#include "ui/AboutWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <string_view>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "ui/RichText.h"

namespace stovan::ui {

namespace {

constexpr std::string_view kProgramName = "Stovan";
constexpr std::string_view kReleaseDate = "08.10.2015";
constexpr std::string_view kCopyright = "Copyright \xA9 the Stovan developers";

// The credits: a section title and who it thanks.
struct Credit {
    MessageId section;
    std::string_view names;
};
constexpr Credit kCredits[] = {
    {msg::AboutProgramming, "The Stovan developers"},
    {msg::AboutTranslation, "The translators of the catalogs"},
    {msg::AboutGraphics, "The Stovan developers"},
    {msg::AboutThanks, "Everyone who reported a fault or wrote a database entry"},
    {msg::AboutSpecialThanks, "The authors of the applications in the database"},
    {msg::AboutDocumentation, "The Stovan developers"},
    {msg::AboutIcons, "The Stovan developers"},
    {msg::AboutWebsite, "The Stovan developers"},
};

}  // namespace

std::string AboutVersionText() {
    return "Version " + std::to_string(kProgramVersion) + "." + std::to_string(kProgramRevision) +
           " (" + std::string(kReleaseDate) + ")";
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ABOUT"));
    setWindowTitle(Latin1(GetString(msg::AboutTitle)) + QLatin1Char(' ') + Latin1(kProgramName));
    page_ = QStringLiteral("<p align=\"center\"><b><big>%1</big></b><br>%2<br>%3</p>")
                .arg(Latin1(kProgramName).toHtmlEscaped(),
                     Latin1(GetString(msg::ProgramDescription)).toHtmlEscaped(),
                     Latin1(AboutVersionText()).toHtmlEscaped());
    page_ += QStringLiteral("<p align=\"center\">%1</p>").arg(Latin1(kCopyright).toHtmlEscaped());
    for (const Credit& credit : kCredits) {
        page_ += QStringLiteral("<p align=\"center\"><b>%1</b><br>%2</p>")
                     .arg(Latin1(GetString(credit.section)).toHtmlEscaped(),
                          Latin1(credit.names).toHtmlEscaped());
    }

    auto* layout = new QVBoxLayout(this);
    auto* text = new QTextBrowser(this);
    text->setHtml(page_);
    text->setOpenLinks(false);
    layout->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(MnemonicText(GetString(msg::AboutOkButton)),
                                         QDialogButtonBox::AcceptRole);
    ok->setToolTip(Latin1(GetString(msg::AboutOkHelp)));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(420, 460);
}

QString AboutWindow::pageText() const {
    return page_;
}

}  // namespace stovan::ui
