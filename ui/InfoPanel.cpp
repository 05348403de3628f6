#include "ui/InfoPanel.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <filesystem>

#include "core/Log.h"
#include "core/MessageIds.h"
#include "core/Messages.h"
#include "engine/ImageCache.h"
#include "platform/AmigaPath.h"
#include "platform/Catalog.h"
#include "platform/Locks.h"
#include "ui/RichText.h"

namespace stovan::ui {

namespace {

// The logo's page: the maker's donation page, in German for German users.
constexpr std::string_view kLogoPicture = "PROGDIR:Database/Images/stovan.png";
constexpr std::string_view kDonationPage = "https://stovan.example/donate";
constexpr std::string_view kDonationPageGerman = "https://stovan.example/spenden";

constexpr int kMinimumWidth = 160;
constexpr int kMaximumWidth = 640;
constexpr int kMinimumHeight = 120;
constexpr int kMaximumHeight = 480;

std::optional<std::string> HostFile(const amiga::DosList& dos, std::string_view path) {
    auto lock = amiga::Lock(dos, path);
    if (!lock || lock->drawer) {
        return std::nullopt;
    }
    return lock->hostPath;
}

std::uint64_t HostFileSize(const std::optional<std::string>& host) {
    std::error_code error;
    const auto size = host ? std::filesystem::file_size(*host, error) : 0;
    return error ? 0 : size;
}

}  // namespace

AuthorParts SplitAuthor(std::string_view author) {
    // No part is cut short: an address or a name is kept whole.
    AuthorParts parts;
    const std::size_t open = author.find('<');
    parts.name = std::string(author.substr(0, open));
    parts.text = parts.name;
    if (open == std::string_view::npos) {
        return parts;
    }
    bool inAddress = true;
    for (std::size_t i = open; i < author.size(); ++i) {
        char c = author[i];
        if (c == '&') {
            c = '@';
        } else if (c == '$') {
            c = '.';
        }
        parts.text += c;
        if (i == open) {
            continue;
        }
        if (c == '>') {
            inAddress = false;
        } else if (inAddress) {
            parts.email += c;
        }
    }
    return parts;
}

std::string InfoPanelText(const ApplicationItem* item, std::span<const std::string> languages) {
    if (item == nullptr) {
        return std::string(GetString(msg::InfoNoSelection));
    }
    const std::string_view none = GetString(msg::InfoNone);
    auto orNone = [&](std::string_view text) { return text.empty() ? none : text; };
    const std::string& name = item->displayName().empty() ? item->name() : item->displayName();
    LocalisedOptions options;
    const std::string* description =
        LocalisedEntry(*item, ItemField::description, languages, options);
    const AuthorParts author = SplitAuthor(item->appAuthor());
    const AuthorParts entryAuthor = SplitAuthor(item->stovanAuthor());
    const std::array<LogArgument, 7> arguments{
        LogArgument(orNone(name)),
        LogArgument(orNone(description != nullptr ? std::string_view(*description) : "")),
        LogArgument(orNone(author.name)),
        LogArgument(orNone(author.email)),
        LogArgument(orNone(item->appWebPage())),
        LogArgument(orNone(entryAuthor.name)),
        LogArgument(orNone(entryAuthor.email))};
    // The text takes what its parts need, however long a description is.
    std::size_t length = GetString(msg::InfoPanelFormat).size() + 64;
    for (std::string_view part :
         {std::string_view(name), std::string_view(item->appAuthor()),
          std::string_view(item->appWebPage()), std::string_view(item->stovanAuthor())}) {
        length += part.size() + none.size();
    }
    length += description != nullptr ? description->size() : none.size();
    return FormatText(GetString(msg::InfoPanelFormat), arguments, length)
        .value_or(std::string(GetString(msg::InfoNoSelection)));
}

PictureArea::PictureArea(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setMaximumSize(kMaximumWidth, kMaximumHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

bool PictureArea::SetPicture(const QString& hostFile) {
    file_ = hostFile;
    pixmap_ = QPixmap();
    if (!hostFile.isEmpty() && !pixmap_.load(hostFile)) {
        pixmap_ = QPixmap();
    }
    updateGeometry();
    update();
    return !pixmap_.isNull();
}

QSize PictureArea::sizeHint() const {
    const QSize own = pixmap_.isNull() ? QSize(kMinimumWidth, kMinimumHeight) : pixmap_.size();
    return own.expandedTo(minimumSize()).boundedTo(maximumSize());
}

void PictureArea::paintEvent(QPaintEvent* /*event*/) {
    if (pixmap_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize scaled = pixmap_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2),
                       scaled);
    painter.drawPixmap(target, pixmap_);
}

void PictureArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QWidget::mouseReleaseEvent(event);
}

InfoPanel::InfoPanel(Engine& engine, std::vector<std::string> languages, std::function<bool()> busy,
                     QWidget* parent)
    : QWidget(parent), engine_(engine), languages_(std::move(languages)), busy_(std::move(busy)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    logo_ = new PictureArea(this);
    logo_->setCursor(Qt::PointingHandCursor);
    if (auto host = HostFile(engine_.dos(), kLogoPicture)) {
        (void)logo_->SetPicture(Latin1(*host));  // hasPicture below tells
    }
    logo_->setVisible(logo_->hasPicture());
    connect(logo_, &PictureArea::clicked, this, [this] {
        const bool german = !languages_.empty() && languages_.front() == "deutsch";
        OpenLink(german ? kDonationPageGerman : kDonationPage, {});
    });
    picture_ = new PictureArea(this);
    text_ = new QTextBrowser(this);
    text_->setOpenLinks(false);
    text_->setToolTip(Latin1(GetString(msg::InfoPanelHelp)));
    text_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(text_, &QTextBrowser::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QMenu* menu = BuildContextMenu()) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(text_->viewport()->mapToGlobal(at));
        }
    });
    layout->addWidget(logo_, 0, Qt::AlignHCenter);
    layout->addWidget(picture_, 0, Qt::AlignHCenter);
    layout->addWidget(text_, 1);
    ShowItem(nullptr);
}

void InfoPanel::ShowItem(const ApplicationItem* item) {
    text_->setHtml(RichTextFromEscapes(InfoPanelText(item, languages_)));
    if (item == nullptr) {
        key_.clear();
        webPage_.clear();
        email_.clear();
        ShowPicture("");
        return;
    }
    key_ = item->key();
    byDupeName_ = item->HasFlags(HAS_DUPENAME);
    webPage_ = item->appWebPage();
    email_ = SplitAuthor(item->appAuthor()).email;

    // What the cache has now; a picture never fetched comes after.
    std::optional<std::string> cached;
    if (amiga::IsValidName(item->name())) {
        if (auto drawer = ImageDrawerPath(engine_)) {
            cached = *drawer;
            (void)amiga::AddPart(*cached, item->name(), std::string::npos);  // no size limit
        }
    }
    const std::uint64_t size = cached ? HostFileSize(HostFile(engine_.dos(), *cached)) : 0;
    ShowPicture(cached && size >= kMinImageSize ? *cached : ShippedPicture(engine_, *item));
    const bool rescan = (engine_.preferences().flags & SCAN_MISSING_IMAGES) != 0;
    if (cached && (size == 0 || (rescan && size < kRescanImageSize))) {
        QTimer::singleShot(0, this, [this] { FetchPicture(); });
    }
}

void InfoPanel::ShowPicture(const std::string& amigaPath) {
    const auto host = amigaPath.empty() ? std::nullopt : HostFile(engine_.dos(), amigaPath);
    // A file that does not load leaves the area empty, as no picture does.
    (void)picture_->SetPicture(host ? Latin1(*host) : QString());
}

void InfoPanel::FetchPicture() {
    if (fetching_ || key_.empty() || (busy_ && busy_())) {
        return;
    }
    const ApplicationItem* item = engine_.items().FindItem(key_, byDupeName_);
    if (item == nullptr) {
        return;
    }
    fetching_ = true;
    const std::string key = key_;
    // The window keeps drawing while the picture comes; the user's input
    // waits, so nothing can replace the item under the fetch.
    ImageContext context{engine_,
                         [] {
                             QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                             return false;
                         },
                         [this, key](const std::string& picture) {
                             if (key == key_) {
                                 ShowPicture(picture);
                             }
                         }};
    // A failed fetch is in the log, and the shipped picture shows instead.
    (void)ShowItemImage(context, item, true);
    fetching_ = false;
}

QMenu* InfoPanel::BuildContextMenu() {
    if (email_.empty() && webPage_.empty()) {
        return nullptr;
    }
    auto* menu = new QMenu(this);
    auto entry = [&](MessageId label, const QUrl& link) {
        QAction* action = menu->addAction(Latin1(GetString(label)));
        action->setData(link);
        // Without a program for the link nothing opens, which the user sees.
        connect(action, &QAction::triggered, this,
                [link] { (void)QDesktopServices::openUrl(link); });
    };
    if (!email_.empty()) {
        entry(msg::InfoSendMail, LinkOf({}, email_));
    }
    if (!webPage_.empty()) {
        entry(msg::InfoVisitWebsite, LinkOf(webPage_, {}));
    }
    return menu;
}

QUrl LinkOf(std::string_view webPage, std::string_view email) {
    if (!webPage.empty()) {
        return QUrl(Latin1(webPage));
    }
    if (!email.empty()) {
        return QUrl(QStringLiteral("mailto:") + Latin1(email));
    }
    return {};
}

void OpenLink(std::string_view webPage, std::string_view email) {
    const QUrl link = LinkOf(webPage, email);
    if (!link.isEmpty()) {
        (void)QDesktopServices::openUrl(link);  // as above: nothing opens, nothing lost
    }
}

}  // namespace stovan::ui
