#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/MessageIds.h"
#include "database/ItemList.h"
#include "platform/Latin1.h"

// Set by the test: the n-th allocation from now on fails (AllocationFailure.cpp).
extern long gAllocationsUntilFailure;

namespace stovan {
namespace {

ApplicationItem& Add(ItemList& list, std::string_view name) {
    auto created = list.AppendNewItem();
    EXPECT_TRUE(created.ok());
    ApplicationItem& item = **created;
    EXPECT_TRUE(item.SetTextField(ItemField::name, name).ok());
    return item;
}

std::vector<std::string> Names(const ItemList& list) {
    std::vector<std::string> names;
    for (const ApplicationItem& item : list) {
        names.push_back(item.name());
    }
    return names;
}

TEST(ItemList, OwnsItemsInOrderAndMovesThemBetweenLists) {
    ItemList list;
    ApplicationItem& a = Add(list, "A");
    ApplicationItem& b = Add(list, "B");
    ApplicationItem& c = Add(list, "C");
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(list.front(), &a);
    EXPECT_EQ(list.back(), &c);
    EXPECT_EQ(list.Next(a), &b);
    EXPECT_EQ(list.Next(c), nullptr);
    EXPECT_EQ(list.Previous(a), nullptr);
    EXPECT_EQ(list.Previous(c), &b);

    // A queue: STOVAN items at its head, others at its tail.
    ItemList queue;
    ASSERT_TRUE(list.TransferToBack(a, queue).ok());
    ASSERT_TRUE(list.TransferToFront(c, queue).ok());
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B"}));
    EXPECT_EQ(Names(queue), (std::vector<std::string>{"C", "A"}));
    EXPECT_TRUE(queue.Contains(a));
    EXPECT_FALSE(list.Contains(a));
    EXPECT_EQ(a.list(), &queue);
    // Back to the item list's tail in queue order.
    while (!queue.empty()) {
        ASSERT_TRUE(queue.TransferToBack(*queue.front(), list).ok());
    }
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(list.Next(c), &a);

    // Unlink hands the item over; pushing links it again.
    std::unique_ptr<ApplicationItem> owned = list.Unlink(b);
    ASSERT_EQ(owned.get(), &b);
    EXPECT_EQ(b.list(), nullptr);
    EXPECT_EQ(list.FindItem("b", false), nullptr);
    ASSERT_TRUE(b.SetTextField(ItemField::name, "B2").ok());  // no list to tell
    ASSERT_TRUE(list.PushFront(std::move(owned)).ok());
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(list.FindItem("b2", false), &b);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"B2", "C", "A"}));

    // An item of another list is left alone.
    ItemList other;
    EXPECT_EQ(other.Unlink(a), nullptr);
    other.DisposeItem(a);
    EXPECT_EQ(list.size(), 3u);

    list.ClearItems();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.FindItem("A", false), nullptr);
}

// Every operation in random order, checked against a plain walk of the list
// as the lookup rule describes it.
TEST(ItemList, IndexAgreesWithAWalkOfTheList) {
    const std::vector<std::string> keys = {"a", "A", "b", "B", "\xE4", "\xC4", "c", ""};
    std::mt19937 random(20240611);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    ItemList lists[2];
    auto walk = [](const ItemList& list, std::string_view key,
                   bool byDupe) -> const ApplicationItem* {
        for (const ApplicationItem& item : list) {
            const bool hasDupe = item.HasFlags(HAS_DUPENAME);
            if (byDupe ? (hasDupe && !item.dupeName().empty() &&
                          amiga::EqualsNoCase(item.dupeName(), key))
                       : (!hasDupe && amiga::EqualsNoCase(item.name(), key))) {
                return &item;
            }
        }
        return nullptr;
    };
    for (int step = 0; step < 4000; ++step) {
        ItemList& list = lists[pick(2)];
        ItemList& other = &list == &lists[0] ? lists[1] : lists[0];
        ApplicationItem* item =
            list.empty() ? nullptr
                         : &*std::next(list.begin(), static_cast<long>(pick(list.size())));
        const std::size_t operation = pick(9);
        if (item == nullptr && operation >= 2) {
            continue;
        }
        const std::string& key = keys[pick(keys.size())];
        switch (operation) {
            case 0:
            case 1:
                ASSERT_EQ(Add(list, key).list(), &list);
                break;
            case 2:
                ASSERT_TRUE(item->SetTextField(ItemField::name, key).ok());
                break;
            case 3:
                ASSERT_TRUE(item->SetTextField(ItemField::dupeName, key).ok());
                break;
            case 4:
                ASSERT_TRUE(item->SetItemFlags(item->itemFlags() ^ HAS_DUPENAME).ok());
                break;
            case 5:
                list.DisposeItem(*item);
                break;
            case 6:
                if (pick(2) == 0) {
                    list.MoveToBack(*item);
                } else {
                    list.MoveToFront(*item);
                }
                break;
            case 7: {
                const Status moved = pick(2) == 0 ? list.TransferToBack(*item, other)
                                                  : list.TransferToFront(*item, other);
                ASSERT_TRUE(moved.ok());
                break;
            }
            default: {
                auto owned = list.Unlink(*item);
                ASSERT_TRUE(owned->AppendListEntry(ItemField::name, key).ok());
                ASSERT_TRUE(other.PushBack(std::move(owned)).ok());
                break;
            }
        }
        for (const ItemList& checked : lists) {
            for (const std::string& key : keys) {
                for (bool byDupe : {false, true}) {
                    ASSERT_EQ(checked.FindItem(key, byDupe), walk(checked, key, byDupe))
                        << "step " << step << " key '" << key << "'";
                }
            }
        }
    }
}

// When memory runs out in the middle of a change, the item and the index stay
// as they were; once memory is there again the change goes through.
TEST(ItemList, OutOfMemoryLeavesEverythingAsItWas) {
    ItemList list;
    ApplicationItem& item = Add(list, "Old name");
    Add(list, "Neighbour");
    const std::string longName(200, 'N');
    bool succeeded = false;
    for (long failAt = 0; failAt < 100 && !succeeded; ++failAt) {
        SCOPED_TRACE(failAt);
        gAllocationsUntilFailure = failAt;
        const Status status = item.SetTextField(ItemField::name, longName);
        gAllocationsUntilFailure = -1;
        if (status.ok()) {
            succeeded = true;
            EXPECT_EQ(item.name(), longName);
            EXPECT_EQ(list.FindItem(longName, false), &item);
            EXPECT_EQ(list.FindItem("old name", false), nullptr);
        } else {
            EXPECT_EQ(status.message(), msg::NotEnoughMemory);
            EXPECT_EQ(item.name(), "Old name");
            EXPECT_EQ(list.FindItem("old name", false), &item);
            EXPECT_EQ(list.FindItem(longName, false), nullptr);
        }
    }
    EXPECT_TRUE(succeeded);

    // Linking and moving between lists.
    ItemList queue;
    succeeded = false;
    for (long failAt = 0; failAt < 100 && !succeeded; ++failAt) {
        SCOPED_TRACE(failAt);
        gAllocationsUntilFailure = failAt;
        const Status status = list.TransferToBack(item, queue);
        gAllocationsUntilFailure = -1;
        succeeded = status.ok();
        ApplicationItem* const inList = list.FindItem(longName, false);
        ApplicationItem* const inQueue = queue.FindItem(longName, false);
        EXPECT_EQ(succeeded ? inQueue : inList, &item);
        EXPECT_EQ(succeeded ? inList : inQueue, nullptr);
        EXPECT_EQ(list.size() + queue.size(), 2u);
    }
    EXPECT_TRUE(succeeded);

    for (long failAt = 0; failAt < 100; ++failAt) {
        SCOPED_TRACE(failAt);
        gAllocationsUntilFailure = failAt;
        auto created = list.AppendNewItem();
        gAllocationsUntilFailure = -1;
        if (created.ok()) {
            EXPECT_EQ(list.back(), *created);
            break;
        }
        EXPECT_EQ(created.error(), msg::NotEnoughMemory);
        EXPECT_EQ(list.size(), 1u);
    }
    EXPECT_EQ(list.size(), 2u);

    std::unique_ptr<ApplicationItem> loose = ItemList::CreateItem();
    ApplicationItem* const looseItem = loose.get();
    for (long failAt = 0; failAt < 100 && loose; ++failAt) {
        gAllocationsUntilFailure = failAt;
        const Status status = list.PushBack(std::move(loose));
        gAllocationsUntilFailure = -1;
        EXPECT_EQ(status.ok(), loose == nullptr) << "the caller keeps the item on failure";
    }
    EXPECT_EQ(list.back(), looseItem);
}

}  // namespace
}  // namespace stovan
