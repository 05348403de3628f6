#pragma once
// Where an archive URL leads: "http://" and "https://" URLs go to the
// network transfer; any other URLARCHIVE text is taken as the Amiga path of
// a file on the managed system (a local mirror, a drawer of archives on
// another volume) and copied into the receiving drawer.

#include "engine/Processing.h"

namespace stovan {

// True for a URL the network transfer serves (http:// or https://, any case).
bool IsNetworkUrl(std::string_view url);

// Copies the file the Amiga path names into drawer under its own name.
// Logs 316 "Downloading file '%s'." first; 350 "Unable to find '%s'!" (with
// the path's file part, logged) when it is missing, a drawer or cannot be
// copied.
Status FetchLocalArchive(Engine& engine, std::string_view path, const std::string& drawer,
                         std::string& storedPath);

// Fetches a network URL with DownloadFile into drawer (the gauge on the
// front end, the transfer preferences of the engine), polling `aborted`.
// The transfer's result (already logged).
Status FetchNetworkArchive(Engine& engine, Frontend& frontend, std::string_view url,
                           const std::string& drawer, std::string& storedPath,
                           std::function<bool()> aborted);

// A fetcher for ProcessContext: network URLs to `network` (unset: 344
// "Unknown host!", logged), the rest to FetchLocalArchive.
ArchiveFetcher MakeArchiveFetcher(Engine& engine, ArchiveFetcher network);

}  // namespace stovan
