// Whole LhA archives from downloads, read entry by entry with our decoder
// and with liblhasa's: our reader must end damaged archives in an error
// without reading or writing outside its buffers, and every entry it does
// accept (length and CRC checked) must hold what liblhasa decodes from it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/LhaEntryReader.h"

namespace {

struct Decoded {
    std::string name;
    std::string data;
    bool ok = false;
};

std::vector<Decoded> ReadAll(const std::string& path, stovan::archive::LhaDecoding decoding) {
    std::vector<Decoded> entries;
    auto reader = stovan::archive::OpenLhaReader(path, decoding);
    if (!reader) {
        return entries;
    }
    std::vector<std::uint8_t> buffer(1 << 16);
    // Bounds on entries and on each entry's bytes, as the extraction limits.
    for (int count = 0; count < 64; ++count) {
        std::size_t total = 0;
        stovan::archive::Entry entry;
        auto more = (*reader)->next(entry);
        if (!more || !*more) {
            break;
        }
        Decoded decoded{entry.name, "", false};
        if (entry.type == stovan::archive::Entry::Type::File) {
            for (;;) {
                auto got = (*reader)->read(buffer.data(), buffer.size());
                if (!got || total > (8u << 20)) {
                    break;
                }
                if (*got == 0) {
                    decoded.ok = (*reader)->verify(entry).ok();
                    break;
                }
                total += *got;
                decoded.data.append(reinterpret_cast<const char*>(buffer.data()), *got);
            }
        }
        entries.push_back(std::move(decoded));
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz-lha-archive-" + std::to_string(::getpid()) + ".lha";
    static const bool removedAtExit = std::atexit([] { std::remove(path.c_str()); }) == 0;
    (void)removedAtExit;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written) {
        return 0;
    }
    const auto ours = ReadAll(path, stovan::archive::LhaDecoding::Own);
    const auto theirs = ReadAll(path, stovan::archive::LhaDecoding::Liblhasa);
    for (std::size_t i = 0; i < ours.size() && i < theirs.size(); ++i) {
        if (ours[i].name != theirs[i].name) {
            __builtin_trap();  // the same header walk gave other entries
        }
        if (ours[i].ok && ours[i].data != theirs[i].data) {
            __builtin_trap();  // an entry we accept decodes otherwise in liblhasa
        }
    }
    return 0;
}
