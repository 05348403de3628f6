#include "tests/ui/ListItems.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace stovan::ui::test {

ApplicationItem& AddItem(Engine& engine, const ItemSpec& spec) {
    auto added = engine.items().AppendNewItem();
    EXPECT_TRUE(added);
    ApplicationItem& item = **added;
    EXPECT_TRUE(item.SetTextField(ItemField::name, spec.name).ok());
    item.type = spec.type;
    item.state = spec.state;
    item.mode = spec.mode;
    item.archiveSize = spec.archiveSize;
    if (!spec.description.empty()) {
        EXPECT_TRUE(
            item.SetListField(ItemField::description, {std::string_view(spec.description)}).ok());
    }
    if (!spec.author.empty()) {
        EXPECT_TRUE(item.SetTextField(ItemField::appAuthor, spec.author).ok());
    }
    EXPECT_TRUE(item.SetTextField(ItemField::installScript, "copy x y").ok());
    EXPECT_TRUE(item.SetTextField(ItemField::uninstallScript, "delete y").ok());
    return item;
}

void TestEngine::AddMany(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "App%05zu", i);
        ApplicationItem& item = Add({.name = name,
                                     .type = static_cast<AppType>(i % (kAppTypeCount - 1)),
                                     .state = static_cast<ItemState>(i % kItemStateCount),
                                     .mode = static_cast<ItemMode>(i % 4),
                                     .description = "Tool number " + std::to_string(i),
                                     .archiveSize = static_cast<std::uint32_t>(i * 977)});
        item.installedVersion = {static_cast<std::uint32_t>(i % 7),
                                 static_cast<std::uint32_t>(i % 13), 0};
        item.entryDate.days = static_cast<std::int32_t>(i % 5000);
    }
}

}  // namespace stovan::ui::test
