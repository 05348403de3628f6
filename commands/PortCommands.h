#pragma once
// The companion commands that talk to the running Stovan through its public
// port, and SStartup. Each first checks that Stovan runs and fails with
// "<name>: Failed to locate Stovan interface port" and return code 20 when
// it does not.
//
//   SGauge KEYWORD/A,TEXT,NUMBER1,NUMBER2   a gauge step (command 2)
//   SLog KEYWORD/A,TEXT,NUMBER1,NUMBER2     a log line (command 3)
//   SDownload URL/A,NAME                    a download into NAME (command 1)
//   SSignal TEXT                            "waiting for the user" (command 2)
//   SStartup NAME/A,REMOVE/S                a program in SYS:WBStartup, or out
//
// The numbers of SGauge and SLog are read as StrToLong reads them, and a
// text that holds no number counts as 0: a script whose version
// placeholder is empty still logs its line instead of failing.

#include <string_view>

#include "commands/CommandSupport.h"

namespace stovan::commands {

inline constexpr std::string_view kGaugeTemplate = "KEYWORD/A,TEXT,NUMBER1,NUMBER2";
inline constexpr std::string_view kLogTemplate = "KEYWORD/A,TEXT,NUMBER1,NUMBER2";
inline constexpr std::string_view kDownloadTemplate = "URL/A,NAME";
inline constexpr std::string_view kSignalTemplate = "TEXT";
inline constexpr std::string_view kStartupTemplate = "NAME/A,REMOVE/S";

inline constexpr char kGaugeVersion[] = "$VER: SGauge 1.10 (08.10.15)";
inline constexpr char kLogVersion[] = "$VER: SLog 1.10 (08.10.15)";
inline constexpr char kDownloadVersion[] = "$VER: SDownload 1.10 (08.10.15)";
inline constexpr char kSignalVersion[] = "$VER: SSignal 1.10 (08.10.15)";
inline constexpr char kStartupVersion[] = "$VER: SStartup 1.10 (08.10.15)";

// The gauge keyword SSignal sends.
inline constexpr std::string_view kWaitingForUser = "WAITINGFORUSER";
// Where SStartup puts its start-up icons.
inline constexpr std::string_view kStartupDrawer = "SYS:WBStartup";

int RunSGauge(const CommandContext& context);
int RunSLog(const CommandContext& context);
int RunSDownload(const CommandContext& context);
int RunSSignal(const CommandContext& context);
int RunSStartup(const CommandContext& context);

}  // namespace stovan::commands
