#pragma once
// Item validation: a database entry is accepted only when it carries what
// installing, checking and removing the application need, and when its
// scripts and checks do not use placeholders in ways that would tie them to
// the install drawer or to the downloaded archive where they must not.
// Configuration files are never validated.

#include <string_view>

#include "core/Status.h"

namespace stovan {

class ApplicationItem;
class Engine;

// Checks an entry at its ITEM END line. Returns 0 (accepted) or the message
// number of the first broken rule, in this order:
//   392 no URLARCHIVE
//       (an empty urlPattern becomes the file part of urlArchive here)
//   393 no INSTALLCHECK
//   399 INSTALLCHECK holds "DIR}/"      402 INSTALLCHECK holds {ARCHIVE}/{ARCHIVENAME}
//   400 VERSIONCHECK holds "DIR}/"      403 VERSIONCHECK holds {ARCHIVE}/{ARCHIVENAME}
//   394 no DESCRIPTION                  395 no STOVANAUTHOR
//   396 empty name                      397 name holds "/" or ":"
//   398 no INSTALL script               401 INSTALL holds "DIR}/"
//   405 INSTALL has an unquoted placeholder (only with an UNINSTALL script)
//   398 INSTALL uses {STANDARDCOPY} while the install drawer is disabled
//       and follows no other item
//   404 UNINSTALL holds "DIR}/"         406 UNINSTALL has an unquoted placeholder
//   407 UNINSTALL holds {ARCHIVE}/{ARCHIVENAME}
// Searches are case-sensitive; of INSTALLCHECK and VERSIONCHECK only the
// first entry is searched. 329 when the completed urlPattern cannot be
// stored.
Status ValidateItem(Engine& engine, ApplicationItem& item);
// The same without an engine (validation needs none of its state).
Status ValidateItem(ApplicationItem& item);

// True when the text has a "{" outside double quotes after which none of the
// script-template placeholders ("CHECKAPPICON}", "COPYDRAWERICON}",
// "COPYALL}", "STANDARDCOPY}", "CREATEWBSTARTUPICON}",
// "DELETEWBSTARTUPICON}", "STANDARDEXTRACT}", "STANDARDBACKUP}", any case)
// occurs anywhere in the rest of the text. A double quote toggles the quoted
// state; "*" followed by a double quote is an escaped quote that does not.
bool HasUnquotedPlaceholder(std::string_view text);

}  // namespace stovan
