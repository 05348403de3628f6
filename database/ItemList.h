#pragma once
// The item list: owns its items in load order and finds them by key.
//
// The engine's item list, a processing run's queue and a dependency
// collection are all ItemLists; an item is in at most one of them and moves
// between them without being copied. FindItem answers from an index without
// regard to case, in constant time, and still returns the first match in
// list order; the index follows every key change because keys can only be
// written through the item's setters.

#include <cstddef>
#include <iterator>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/Status.h"
#include "database/Item.h"
#include "platform/Latin1.h"

namespace stovan {

class ItemList {
    using Storage = std::list<std::unique_ptr<ApplicationItem>>;

  public:
    template <typename Item, typename Base>
    class Iterator {
      public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = ApplicationItem;
        using difference_type = std::ptrdiff_t;
        using pointer = Item*;
        using reference = Item&;

        Iterator() = default;
        explicit Iterator(Base base) : base_(base) {}
        Item& operator*() const { return **base_; }
        Item* operator->() const { return base_->get(); }
        Iterator& operator++() {
            ++base_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++base_;
            return old;
        }
        Iterator& operator--() {
            --base_;
            return *this;
        }
        Iterator operator--(int) {
            Iterator old = *this;
            --base_;
            return old;
        }
        friend bool operator==(const Iterator&, const Iterator&) = default;

      private:
        Base base_{};
    };
    using iterator = Iterator<ApplicationItem, Storage::iterator>;
    using const_iterator = Iterator<const ApplicationItem, Storage::const_iterator>;

    ItemList() = default;
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    ~ItemList();

    // A new, unlinked item: all zero, no saved mode, name = message 262
    // "<no application name>" in the current language, every other text
    // empty. Null when memory runs out (the caller reports 329).
    static std::unique_ptr<ApplicationItem> CreateItem() noexcept;

    // Links an unlinked item at the tail or the head. Only on success is the
    // item taken from the caller; on failure (329) it stays in `item`.
    Status PushBack(std::unique_ptr<ApplicationItem>&& item) noexcept;
    Status PushFront(std::unique_ptr<ApplicationItem>&& item) noexcept;
    // CreateItem and PushBack in one: the new item, or 329.
    Result<ApplicationItem*> AppendNewItem() noexcept;
    // The same for an item whose name is known already: it is indexed under
    // that name at once (never under the placeholder first).
    Result<ApplicationItem*> AppendNewItem(std::string_view name) noexcept;

    // Takes an item of this list out of it; the caller owns it afterwards.
    std::unique_ptr<ApplicationItem> Unlink(ApplicationItem& item) noexcept;
    // Moves an item of this list to its tail or head.
    void MoveToBack(ApplicationItem& item) noexcept;
    void MoveToFront(ApplicationItem& item) noexcept;
    // Moves an item of this list to the tail or head of `target` (another
    // list, or this one). On failure (329) nothing changes.
    Status TransferToBack(ApplicationItem& item, ItemList& target) noexcept;
    Status TransferToFront(ApplicationItem& item, ItemList& target) noexcept;

    // Unlinks an item of this list and frees it.
    void DisposeItem(ApplicationItem& item) noexcept;
    // Disposes of every item, head first.
    void ClearItems() noexcept;

    // The first item in list order whose key equals `key` without regard to
    // case. byDupeName false: only items without HAS_DUPENAME, by name.
    // byDupeName true: only items with HAS_DUPENAME and a non-empty dupeName,
    // by dupeName. The key ends at a NUL byte.
    ApplicationItem* FindItem(std::string_view key, bool byDupeName) const noexcept;

    // The number of items in the list.
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    bool Contains(const ApplicationItem& item) const { return item.list_ == this; }

    ApplicationItem* front() const { return items_.empty() ? nullptr : items_.front().get(); }
    ApplicationItem* back() const { return items_.empty() ? nullptr : items_.back().get(); }
    // The neighbours of an item of this list, or null at either end.
    ApplicationItem* Next(const ApplicationItem& item) const;
    ApplicationItem* Previous(const ApplicationItem& item) const;

    iterator begin() { return iterator(items_.begin()); }
    iterator end() { return iterator(items_.end()); }
    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }

  private:
    friend class ApplicationItem;

    using Bucket = std::vector<ApplicationItem*>;
    using Index = std::unordered_map<std::string, Bucket, amiga::NoCaseHash, amiga::NoCaseEqual>;

    // Where an item with these key fields belongs in the index.
    struct Slot {
        Index* index = nullptr;  // null: not indexed (HAS_DUPENAME, empty dupeName)
        std::string_view key;
    };
    Slot SlotFor(std::uint32_t flags, std::string_view name, std::string_view dupeName);
    Slot SlotOf(const ApplicationItem& item);
    static bool SameSlot(const Slot& a, const Slot& b);
    // Insert may throw std::bad_alloc and then leaves the index unchanged.
    static void IndexInsert(const Slot& slot, ApplicationItem& item);
    static void IndexErase(const Slot& slot, ApplicationItem& item) noexcept;

    Status Link(std::unique_ptr<ApplicationItem>& item, bool atBack) noexcept;
    Status Transfer(ApplicationItem& item, ItemList& target, bool atBack) noexcept;

    Storage items_;
    Index byName_;
    Index byDupeName_;
    std::int64_t nextBack_ = 0;
    std::int64_t nextFront_ = -1;
};

}  // namespace stovan
