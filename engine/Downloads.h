#pragma once
// The download context of the engine's fetches: the transfer preferences
// (time-outs, tries), the managed system's kind for the User-Agent line
// and the engine's log for failures.

#include <functional>

#include "database/Engine.h"
#include "net/DownloadFile.h"

namespace stovan {

// A quiet context (no gauge) for DownloadFile; `aborted` is polled while a
// fetch runs.
DownloadContext MakeDownloadContext(Engine& engine, std::function<bool()> aborted);

// The transfer preferences of the engine.
TransferSettings EngineTransferSettings(const Engine& engine);

}  // namespace stovan
