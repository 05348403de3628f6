#include "database/ItemList.h"

#include <algorithm>
#include <new>

#include "core/MessageIds.h"
#include "core/Messages.h"

namespace stovan {

ItemList::~ItemList() {
    ClearItems();
}

std::unique_ptr<ApplicationItem> ItemList::CreateItem() noexcept {
    std::unique_ptr<ApplicationItem> item(new (std::nothrow) ApplicationItem());
    if (!item) {
        return nullptr;
    }
    // Until an ITEM line names it, an item shows the localised placeholder.
    if (!item->SetTextField(ItemField::name, GetString(msg::InfoNoAppName)).ok()) {
        return nullptr;
    }
    return item;
}

Status ItemList::PushBack(std::unique_ptr<ApplicationItem>&& item) noexcept {
    return Link(item, true);
}

Status ItemList::PushFront(std::unique_ptr<ApplicationItem>&& item) noexcept {
    return Link(item, false);
}

Result<ApplicationItem*> ItemList::AppendNewItem() noexcept {
    return AppendNewItem(GetString(msg::InfoNoAppName));
}

Result<ApplicationItem*> ItemList::AppendNewItem(std::string_view name) noexcept {
    std::unique_ptr<ApplicationItem> item(new (std::nothrow) ApplicationItem());
    if (!item) {
        return Failure(msg::NotEnoughMemory);
    }
    if (const Status named = item->SetTextField(ItemField::name, name); !named.ok()) {
        return Failure(named);
    }
    ApplicationItem* created = item.get();
    if (const Status status = PushBack(std::move(item)); !status.ok()) {
        return Failure(status);
    }
    return created;
}

Status ItemList::Link(std::unique_ptr<ApplicationItem>& item, bool atBack) noexcept {
    if (!item || item->list_ != nullptr) {
        return Status::Ok();  // nothing to link; an owned item is never linked
    }
    try {
        const Storage::iterator position =
            items_.insert(atBack ? items_.end() : items_.begin(), nullptr);
        const Slot slot = SlotOf(*item);
        try {
            IndexInsert(slot, *item);
        } catch (...) {
            items_.erase(position);
            throw;
        }
        ApplicationItem& linked = *item;
        *position = std::move(item);
        linked.list_ = this;
        linked.position_ = position;
        linked.order_ = atBack ? nextBack_++ : nextFront_--;
        return Status::Ok();
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
}

std::unique_ptr<ApplicationItem> ItemList::Unlink(ApplicationItem& item) noexcept {
    if (item.list_ != this) {
        return nullptr;
    }
    IndexErase(SlotOf(item), item);
    std::unique_ptr<ApplicationItem> owned = std::move(*item.position_);
    items_.erase(item.position_);
    item.list_ = nullptr;
    item.position_ = {};
    return owned;
}

void ItemList::MoveToBack(ApplicationItem& item) noexcept {
    if (item.list_ != this) {
        return;
    }
    items_.splice(items_.end(), items_, item.position_);
    item.order_ = nextBack_++;
}

void ItemList::MoveToFront(ApplicationItem& item) noexcept {
    if (item.list_ != this) {
        return;
    }
    items_.splice(items_.begin(), items_, item.position_);
    item.order_ = nextFront_--;
}

Status ItemList::TransferToBack(ApplicationItem& item, ItemList& target) noexcept {
    return Transfer(item, target, true);
}

Status ItemList::TransferToFront(ApplicationItem& item, ItemList& target) noexcept {
    return Transfer(item, target, false);
}

Status ItemList::Transfer(ApplicationItem& item, ItemList& target, bool atBack) noexcept {
    if (item.list_ != this) {
        return Status::Ok();
    }
    if (&target == this) {
        atBack ? MoveToBack(item) : MoveToFront(item);
        return Status::Ok();
    }
    try {
        // The target's index entry first: it is the only step that can fail.
        const Slot before = SlotOf(item);
        const Slot after = target.SlotOf(item);
        IndexInsert(after, item);
        IndexErase(before, item);
    } catch (const std::bad_alloc&) {
        return Status(msg::NotEnoughMemory);
    }
    // Splicing moves the node itself, so the item's position stays valid.
    target.items_.splice(atBack ? target.items_.end() : target.items_.begin(), items_,
                         item.position_);
    item.list_ = &target;
    item.order_ = atBack ? target.nextBack_++ : target.nextFront_--;
    return Status::Ok();
}

void ItemList::DisposeItem(ApplicationItem& item) noexcept {
    std::unique_ptr<ApplicationItem> owned = Unlink(item);
    // Leaving scope frees the item and its texts.
}

void ItemList::ClearItems() noexcept {
    while (!items_.empty()) {
        DisposeItem(*items_.front());
    }
}

ApplicationItem* ItemList::FindItem(std::string_view key, bool byDupeName) const noexcept {
    key = key.substr(0, key.find('\0'));
    if (byDupeName && key.empty()) {
        return nullptr;  // items with an empty dupeName are not considered
    }
    const Index& index = byDupeName ? byDupeName_ : byName_;
    const auto found = index.find(key);
    if (found == index.end()) {
        return nullptr;
    }
    const Bucket& bucket = found->second;
    // Keys are unique once the database is loaded, so a bucket holds one item.
    return *std::min_element(
        bucket.begin(), bucket.end(),
        [](const ApplicationItem* a, const ApplicationItem* b) { return a->order_ < b->order_; });
}

ApplicationItem* ItemList::Next(const ApplicationItem& item) const {
    if (item.list_ != this) {
        return nullptr;
    }
    auto next = std::next(Storage::const_iterator(item.position_));
    return next == items_.end() ? nullptr : next->get();
}

ApplicationItem* ItemList::Previous(const ApplicationItem& item) const {
    if (item.list_ != this || Storage::const_iterator(item.position_) == items_.begin()) {
        return nullptr;
    }
    return std::prev(Storage::const_iterator(item.position_))->get();
}

// --- index -------------------------------------------------------------------

ItemList::Slot ItemList::SlotFor(std::uint32_t flags, std::string_view name,
                                 std::string_view dupeName) {
    if ((flags & HAS_DUPENAME) == 0) {
        return {&byName_, name};
    }
    if (dupeName.empty()) {
        return {};
    }
    return {&byDupeName_, dupeName};
}

ItemList::Slot ItemList::SlotOf(const ApplicationItem& item) {
    return SlotFor(item.itemFlags(), item.name(), item.dupeName());
}

bool ItemList::SameSlot(const Slot& a, const Slot& b) {
    return a.index == b.index && (a.index == nullptr || amiga::EqualsNoCase(a.key, b.key));
}

void ItemList::IndexInsert(const Slot& slot, ApplicationItem& item) {
    if (slot.index == nullptr) {
        return;
    }
    auto found = slot.index->find(slot.key);
    if (found != slot.index->end()) {
        found->second.push_back(&item);
        return;
    }
    Bucket bucket;
    bucket.push_back(&item);
    slot.index->emplace(std::string(slot.key), std::move(bucket));
}

void ItemList::IndexErase(const Slot& slot, ApplicationItem& item) noexcept {
    if (slot.index == nullptr) {
        return;
    }
    const auto found = slot.index->find(slot.key);
    if (found == slot.index->end()) {
        return;
    }
    Bucket& bucket = found->second;
    bucket.erase(std::remove(bucket.begin(), bucket.end(), &item), bucket.end());
    if (bucket.empty()) {
        slot.index->erase(found);
    }
}

}  // namespace stovan
