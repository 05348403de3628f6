#include "core/Messages.h"

#include <array>
#include <atomic>
#include <deque>
#include <mutex>

namespace stovan {

namespace {

struct MessageRecord {
    MessageId number;
    std::string_view name;
    std::string_view english;
};

// In ascending number order, one record per message.
constexpr std::array<MessageRecord, msg::kMessageCount> kMessages{{
#include "core/EnglishTexts.inc"
}};

constexpr bool NumberedInOrder() {
    for (std::size_t i = 0; i < kMessages.size(); ++i) {
        if (kMessages[i].number != i + 1 || kMessages[i].english.empty()) {
            return false;
        }
    }
    return true;
}
static_assert(NumberedInOrder(), "the message table must hold 1 to kMessageCount in order");

// Catalogs put in use are never freed (there are one or two per run), so the
// texts handed out stay valid; the pointer names the one in use.
std::atomic<const amiga::Catalog*> gCatalog{nullptr};
std::mutex gCatalogsMutex;

std::deque<amiga::Catalog>& KeptCatalogs() {
    static std::deque<amiga::Catalog> catalogs;
    return catalogs;
}

}  // namespace

std::string_view EnglishString(MessageId number) {
    if (number == 0 || number > msg::kMessageCount) {
        return {};
    }
    return kMessages[number - 1].english;
}

std::string_view MessageName(MessageId number) {
    if (number == 0 || number > msg::kMessageCount) {
        return {};
    }
    return kMessages[number - 1].name;
}

std::string_view GetString(MessageId number) {
    const std::string_view english = EnglishString(number);
    if (english.empty()) {
        return english;
    }
    if (const amiga::Catalog* catalog = gCatalog.load(std::memory_order_acquire)) {
        if (const auto text = catalog->find(number)) {
            return *text;
        }
    }
    return english;
}

bool IsAcceptedCatalog(const amiga::Catalog& catalog) {
    return catalog.version == kProgramVersion && catalog.revision == kProgramRevision;
}

bool UseCatalog(amiga::Catalog catalog) {
    if (!IsAcceptedCatalog(catalog)) {
        CloseCatalog();
        return false;
    }
    std::lock_guard lock(gCatalogsMutex);
    KeptCatalogs().push_back(std::move(catalog));
    gCatalog.store(&KeptCatalogs().back(), std::memory_order_release);
    return true;
}

void CloseCatalog() {
    gCatalog.store(nullptr, std::memory_order_release);
}

const amiga::Catalog* CurrentCatalog() {
    return gCatalog.load(std::memory_order_acquire);
}

std::optional<std::filesystem::path> OpenStovanCatalog(
    const std::vector<std::filesystem::path>& baseFolders,
    const std::vector<std::string>& languages) {
    auto found = amiga::FindCatalog(baseFolders, kCatalogName, languages);
    if (!found || !UseCatalog(std::move(found->catalog))) {
        CloseCatalog();
        return std::nullopt;
    }
    return std::move(found->file);
}

}  // namespace stovan
