#pragma once
// Reading an LhA archive entry by entry. liblhasa walks the headers (every
// level, self-extracting Amiga archives, its name clean-up); our LhaDecoder
// decodes the data of the methods Amiga archives use, liblhasa's own decoders
// the rest (-lh2-, -lh3-, -lz5-, -pm?-...).

#include <memory>
#include <string>

#include "archive/EntryReader.h"

namespace stovan::archive {

enum class LhaDecoding {
    Own,       // our decoder wherever it knows the method
    Liblhasa,  // liblhasa's decoders throughout (the reference for comparisons)
};

Expected<std::unique_ptr<EntryReader>, ArchiveError> OpenLhaReader(
    const std::string& path, LhaDecoding decoding = LhaDecoding::Own);

}  // namespace stovan::archive
