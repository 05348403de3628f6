#pragma once
// What the companion port does with a message: command 1 downloads a file
// for SDownload, command 2 shows a gauge step (SGauge, SSignal), command 3
// adds a log line (SLog). Keywords compare without regard to case:
//
//   gauge (command 2)                    log (command 3)
//   PROCESSING     410 text n1/n2        BACKUP      321 text Vn1.n2
//   INSTALLING     419 text              BACKUPDONE  322 text
//   UNINSTALLING   421 text              any other   nothing logged
//   WAITINGFORUSER 423
//   EXTRACTING     411 text n1/n2
//   BACKUP         412 text
//   any other      419 text
//
// Any other command number is replied with 0 and does nothing.

#include <functional>
#include <string_view>

#include "core/Frontend.h"
#include "core/Log.h"
#include "core/Status.h"
#include "platform/PortMessage.h"

namespace stovan {

// Downloads url into the file localName (an Amiga path); 0 or the message
// number of the failure. The next layer's transfer code provides it.
using DownloadHandler = std::function<Status(std::string_view url, std::string_view localName)>;

struct PortCommandTargets {
    Frontend& frontend;
    Log& log;
    // Unset: every download fails with msg::CannotConnect.
    DownloadHandler download;
};

// A keyword table row: the keyword, the message shown and how many of the
// message's arguments (text, number1, number2) it takes.
struct PortKeyword {
    std::string_view keyword;
    MessageId message;
    int arguments;
};

// The row for a gauge keyword (the INSTALLING row for an unknown one).
const PortKeyword& GaugeKeyword(std::string_view keyword);
// The row for a log keyword; null for an unknown one.
const PortKeyword* LogKeyword(std::string_view keyword);

// Handles one message of the right length and gives the reply: result 0,
// or for a failed download its message number and its text formatted with
// the last part of the URL (at most 255 characters).
amiga::PortReply HandlePortCommand(const amiga::PortMessage& message, PortCommandTargets& targets);

}  // namespace stovan
