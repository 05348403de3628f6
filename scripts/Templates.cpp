#include "scripts/Templates.h"

#include <array>

#include "platform/Latin1.h"

namespace stovan {

namespace {

// The texts are kept as written, one script line per source line, so that
// what a reader sees here is exactly what the scripts get.

// Unpacks the archive into the temporary drawer, by its extension.
constexpr std::string_view kStandardExtract = R"TEMPLATE(If "{EXTENSION}" EQ ".lha"
 SGauge "EXTRACTING" "{ARCHIVE}" 1 1
 LhA x "{DOWNLOADDIR}{ARCHIVE}" "{TEMPDIR}"
 SGauge "INSTALLING" "{DISPLAYNAME}" 1 1
EndIf
If "{EXTENSION}" EQ ".zip"
 SGauge "EXTRACTING" "{ARCHIVE}" 1 1
 CD "{TEMPDIR}"
 UnZip "{DOWNLOADDIR}{ARCHIVE}"
 SGauge "INSTALLING" "{DISPLAYNAME}" 1 1
EndIf
)TEMPLATE";

// Keeps the icon of an application drawer that is installed already.
constexpr std::string_view kCheckAppIcon = R"TEMPLATE(If EXISTS "{INSTALLDIR}{NAME}/{NAME}.info"
 If EXISTS "{TEMPDIR}{NAME}/{NAME}.info"
  Delete FORCE "{TEMPDIR}{NAME}/{NAME}.info"
 EndIf
EndIf
)TEMPLATE";

// Gives the application drawer an icon when it has none.
constexpr std::string_view kCopyDrawerIcon = R"TEMPLATE(If NOT EXISTS "{INSTALLDIR}{NAME}.info"
 If EXISTS "{TEMPDIR}{NAME}.info"
  Copy "{TEMPDIR}{NAME}.info" "{INSTALLDIR}{NAME}.info"
 Else
  STooltype "{INSTALLDIR}{NAME}" TYPE WBDRAWER
 EndIf
EndIf
)TEMPLATE";

// Copies the unpacked application drawer into place ({COPYALL} and
// {STANDARDCOPY}).
constexpr std::string_view kCopyAll = R"TEMPLATE({CHECKAPPICON}
Copy "{TEMPDIR}{NAME}/#?" "{INSTALLDIR}{NAME}" ALL
{COPYDRAWERICON}
)TEMPLATE";

// Makes a Workbench start-up project icon next to the program.
constexpr std::string_view kCreateWbStartupIcon =
    R"TEMPLATE(If NOT EXISTS "{INSTALLDIR}{NAME}/{NAME}_WBStartup.info"
 If EXISTS "{INSTALLDIR}{NAME}/{NAME}.info"
  Copy "{INSTALLDIR}{NAME}/{NAME}.info" "{INSTALLDIR}{NAME}/{NAME}_WBStartup.info"
  STooltype "{INSTALLDIR}{NAME}/{NAME}_WBStartup" STACK 24576 TYPE WBPROJECT X -1 Y -1 DEFAULTTOOL "{INSTALLDIR}{NAME}/{NAME}"
 EndIf
EndIf
)TEMPLATE";

// Removes the application from SYS:WBStartup.
constexpr std::string_view kDeleteWbStartupIcon =
    R"TEMPLATE(If EXISTS "SYS:WBStartup/{NAME}_WBStartup.info"
 Delete "SYS:WBStartup/{NAME}_WBStartup.info"
EndIf
If EXISTS "SYS:WBStartup/{NAME}_WBStartup"
 Delete "SYS:WBStartup/{NAME}_WBStartup"
EndIf
If EXISTS "SYS:WBStartup/{NAME}.info"
 Delete "SYS:WBStartup/{NAME}.info"
EndIf
If EXISTS "SYS:WBStartup/{NAME}"
 Delete "SYS:WBStartup/{NAME}"
EndIf
)TEMPLATE";

// Archives the installed application with its ENVARC: settings and a
// restore script, when backups are enabled for the operation. Inside the
// quotes of Echo, "*\"" is a quote and "*N" a line feed. The restore
// script and its data are put together in a staging drawer of their own,
// "{TEMPDIR}StovanBackup/{NAME}", never in "{TEMPDIR}{NAME}": entries that
// unpack their archive before the backup keep the unpacked application
// there, and the staging drawer is deleted when the backup is made. The
// script ends in "{TEMPDIR}" as before, for lines that follow it.
constexpr std::string_view kStandardBackup = R"TEMPLATE(If "{BACKUPMODE}" EQ "ENABLED"
 If EXISTS "{INSTALLDIR}{NAME}"
  SGauge "BACKUP" "{DISPLAYNAME}" 1 1
  If NOT EXISTS "{BACKUPDIR}"
   Makedir "{BACKUPDIR}" ALL
  EndIf
  SLog "BACKUP" "{NAME}" {INSTVERSION} {INSTREVISION}
  If EXISTS "{BACKUPNAME}"
   Delete "{BACKUPNAME}"
  EndIf
  Cd "{INSTALLDIR}"
  Lha a -re "{BACKUPNAME}" "{NAME}" "{NAME}.info"
  Delete >NIL: "{TEMPDIR}StovanBackup" ALL QUIET
  MakeDir "{TEMPDIR}StovanBackup/{NAME}/{RESTORESCRIPT}Data" ALL
  Cd "{TEMPDIR}StovanBackup"
  FailAt 30
  Dir >NIL: "ENVARC:{LOWERNAME}#?"
  If NOT FAIL
   FailAt 10
   If NOT EXISTS "{NAME}/{RESTORESCRIPT}Data/ENVARC"
    MakeDir "{NAME}/{RESTORESCRIPT}Data/ENVARC" ALL
   EndIf
   Copy "ENVARC:{LOWERNAME}#?" "{NAME}/{RESTORESCRIPT}Data/ENVARC" ALL
  EndIf
  FailAt 30
  Dir >NIL: "ENVARC:MUI/{UPPERNAME}{MUIPREFSPATTERN}"
  If NOT FAIL
   FailAt 10
   If NOT EXISTS "{NAME}/{RESTORESCRIPT}Data/ENVARC/MUI"
    MakeDir "{NAME}/{RESTORESCRIPT}Data/ENVARC/MUI" ALL
   EndIf
   Copy "ENVARC:MUI/{UPPERNAME}{MUIPREFSPATTERN}" "{NAME}/{RESTORESCRIPT}Data/ENVARC/MUI/"
  EndIf
  FailAt 10
  Echo "If EQ `RequestChoice TITLE *"{NAME} Restore*" BODY *"If you continue {NAME} will be**Nrestored to '{INSTALLDIR}'!*" GADGETS *"Continue|Cancel*"*` *"1*"" >>"{NAME}/{RESTORESCRIPT}"
  If EXISTS "{INSTALLDIR}{NAME}"
   Echo " FailAt 20"                                          >>"{NAME}/{RESTORESCRIPT}"
   Echo " MakeDir *"{INSTALLDIR}*" ALL"                     >>"{NAME}/{RESTORESCRIPT}"
   Echo " FailAt 10"                                          >>"{NAME}/{RESTORESCRIPT}"
   Echo "*N; restore entire application directory*N"          >>"{NAME}/{RESTORESCRIPT}"
   Echo " Copy FROM *"#?*" TO *"{INSTALLDIR}{NAME}*" ALL" >>"{NAME}/{RESTORESCRIPT}"
   Echo " If EXISTS *"/{NAME}.info*""                       >>"{NAME}/{RESTORESCRIPT}"
   Echo "  Copy *"/{NAME}.info*" TO *"{INSTALLDIR}*""     >>"{NAME}/{RESTORESCRIPT}"
   Echo " EndIf"                                              >>"{NAME}/{RESTORESCRIPT}"
   Echo "*N; remove Stovan backup files from installation*N"              >>"{NAME}/{RESTORESCRIPT}"
   Echo " Delete *"{INSTALLDIR}{NAME}/{RESTORESCRIPT}Data*" ALL FORCE"  >>"{NAME}/{RESTORESCRIPT}"
   Echo " Delete *"{INSTALLDIR}{NAME}/{RESTORESCRIPT}*"         FORCE"  >>"{NAME}/{RESTORESCRIPT}"
   Echo " Delete *"{INSTALLDIR}{NAME}/{RESTORESCRIPT}.info*"    FORCE"  >>"{NAME}/{RESTORESCRIPT}"
  EndIf
  If EXISTS "{NAME}/{RESTORESCRIPT}Data/ENVARC"
   Echo "*N; restore ENVARC: and ENV: files*N"                           >>"{NAME}/{RESTORESCRIPT}"
   Echo " Copy *"{RESTORESCRIPT}Data/ENVARC/#?*" TO *"ENVARC:*" ALL" >>"{NAME}/{RESTORESCRIPT}"
   Echo " Copy *"{RESTORESCRIPT}Data/ENVARC/#?*" TO *"ENV:*"    ALL" >>"{NAME}/{RESTORESCRIPT}"
  EndIf
  Echo "*N; restore done*N"                                              >>"{NAME}/{RESTORESCRIPT}"
  Echo " RequestChoice TITLE *"{NAME} Restore*" BODY *"{NAME} is restored!*" GADGETS *"Ok*"" >>"{NAME}/{RESTORESCRIPT}"
  Echo "EndIf"                                               >>"{NAME}/{RESTORESCRIPT}"
  Protect "{NAME}/{RESTORESCRIPT}" s ADD
  If EXISTS "{STOVANICON}.info" NOREQ
   Copy "{STOVANICON}.info" "{NAME}/{RESTORESCRIPT}.info"
  EndIf
  Lha a -re "{BACKUPNAME}" "{NAME}"
  Delete "{NAME}" ALL
  Cd "{TEMPDIR}"
  If "{INSTALLMODE}" EQ "INSTALL"
   SGauge "INSTALLING" "{DISPLAYNAME}" 1 1
  Else
   SGauge "UNINSTALLING" "{DISPLAYNAME}" 1 1
  EndIf
  SLog "BACKUPDONE" "{NAME}"
 EndIf
EndIf
)TEMPLATE";

constexpr std::array<TemplatePlaceholder, 8> kTemplatePlaceholders{{
    {"{STANDARDEXTRACT}", ScriptTemplate::STANDARDEXTRACT},
    {"{CHECKAPPICON}", ScriptTemplate::CHECKAPPICON},
    {"{COPYDRAWERICON}", ScriptTemplate::COPYDRAWERICON},
    {"{COPYALL}", ScriptTemplate::COPYALL},
    {"{STANDARDCOPY}", ScriptTemplate::COPYALL},
    {"{CREATEWBSTARTUPICON}", ScriptTemplate::CREATEWBSTARTUPICON},
    {"{DELETEWBSTARTUPICON}", ScriptTemplate::DELETEWBSTARTUPICON},
    {"{STANDARDBACKUP}", ScriptTemplate::STANDARDBACKUP},
}};

}  // namespace

std::string_view TemplateText(ScriptTemplate which) {
    switch (which) {
        case ScriptTemplate::STANDARDEXTRACT:
            return kStandardExtract;
        case ScriptTemplate::CHECKAPPICON:
            return kCheckAppIcon;
        case ScriptTemplate::COPYDRAWERICON:
            return kCopyDrawerIcon;
        case ScriptTemplate::COPYALL:
            return kCopyAll;
        case ScriptTemplate::CREATEWBSTARTUPICON:
            return kCreateWbStartupIcon;
        case ScriptTemplate::DELETEWBSTARTUPICON:
            return kDeleteWbStartupIcon;
        case ScriptTemplate::STANDARDBACKUP:
            return kStandardBackup;
    }
    return {};
}

std::span<const TemplatePlaceholder> TemplatePlaceholders() {
    return kTemplatePlaceholders;
}

std::optional<ScriptTemplate> FindTemplate(std::string_view placeholder) {
    for (const TemplatePlaceholder& entry : kTemplatePlaceholders) {
        if (amiga::EqualsNoCase(entry.placeholder, placeholder)) {
            return entry.which;
        }
    }
    return std::nullopt;
}

}  // namespace stovan
