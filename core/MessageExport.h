#pragma once
// The message texts written out for people: one line per message for
// reading, and a catalog description (.cd) from which a translator makes a
// catalog with FlexCat.

#include <string>
#include <string_view>

#include "core/Status.h"

namespace stovan {

// A text on one line: the escape byte as "\e", a line feed as "\n", a
// backslash as "\\". Other bytes stay as they are (ISO-8859-1).
std::string EscapeMessageText(std::string_view text);

// "ProcessingAborted" -> "MSG_PROCESSING_ABORTED".
std::string CatalogDescriptionName(std::string_view name);

// Every message in use (GetString): its number, a tab, the escaped text, a
// line feed.
std::string MessageListing();

// A FlexCat catalog description of the built-in English texts: for each
// message a line "MSG_NAME (number//)" and a line with the escaped text.
std::string CatalogDescription();

}  // namespace stovan
