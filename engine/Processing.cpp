#include "engine/Processing.h"

#include <vector>

#include "core/MessageIds.h"
#include "core/Messages.h"
#include "scripts/Placeholders.h"

namespace stovan {

ScopedField::ScopedField(ApplicationItem& item, ItemField field, std::string_view value)
    : item_(item), field_(field), old_(item.List(field)) {
    set_ = item_.SetTextField(field_, value).ok();
}

ScopedField::~ScopedField() {
    if (set_) {
        // The old value fitted before; when even that copy fails the field
        // keeps the temporary value, which names a real file.
        (void)item_.SetListField(field_, std::span<const std::string>(old_));
    }
}

std::string MessageText(MessageId number, std::initializer_list<LogArgument> arguments) {
    const std::span<const LogArgument> packed(arguments.begin(), arguments.size());
    std::optional<std::string> text = FormatText(GetString(number), packed, 4096);
    if (!text) {
        text = FormatText(EnglishString(number), packed, 4096);
    }
    return text.value_or(std::string(EnglishString(number)));
}

}  // namespace stovan
