#include "engine/Downloads.h"

namespace stovan {

TransferSettings EngineTransferSettings(const Engine& engine) {
    const Preferences& preferences = engine.preferences();
    TransferSettings settings;
    settings.connectTimeout = preferences.connectTimeout;
    settings.transferTimeout = preferences.transferTimeout;
    settings.connectRetries = preferences.connectRetries;
    settings.system = engine.dos().profile().kind;
    return settings;
}

DownloadContext MakeDownloadContext(Engine& engine, std::function<bool()> aborted) {
    DownloadContext download;
    download.dos = &engine.dos();
    download.settings = EngineTransferSettings(engine);
    download.log = &engine.log();
    download.aborted = std::move(aborted);
    return download;
}

}  // namespace stovan
