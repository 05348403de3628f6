#pragma once
// Our decoder for the LhA methods Amiga archives use: -lh0- (and -lz4-)
// stored data, -lh1- (LZ77 in a 4 KiB window with an adaptive Huffman code,
// as LhA 1.x and LHarc wrote), and the LZ77 + static Huffman methods -lh4- to
// -lh7- (4, 8, 32 and 64 KiB windows). Other methods (-lh2-, -lh3-, -lz5-,
// -pm?-...) stay with liblhasa (see LhaEntryReader).
//
// The decoder pulls compressed bytes from a source and hands out decoded
// bytes on demand. Damaged data ends in an error naming the reason, never in
// a read or write outside its buffers: a Huffman table that is
// oversubscribed or refers to symbols that do not exist, a match reaching
// behind the first byte written or beyond the window, compressed data that
// ends before the entry does. Output stops at the entry's original size.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Expected.h"

namespace stovan::archive {

enum class LhaMethod { Stored, Lh1, Lh4, Lh5, Lh6, Lh7 };

// The method for a header's method id ("-lh5-"), or nothing for the methods
// this decoder does not do.
std::optional<LhaMethod> LhaMethodFromName(std::string_view method);

// Fills buffer with up to size compressed bytes: how many (0 at the end of
// the entry's data), or -1 when reading failed.
using LhaSource = std::function<std::ptrdiff_t(std::uint8_t* buffer, std::size_t size)>;

class LhaDecoder {
  public:
    LhaDecoder();
    ~LhaDecoder();
    LhaDecoder(const LhaDecoder&) = delete;
    LhaDecoder& operator=(const LhaDecoder&) = delete;

    // Starts an entry of originalSize bytes; buffers are kept from entry to
    // entry.
    void start(LhaMethod method, std::uint64_t originalSize, LhaSource source);

    // Up to size decoded bytes; 0 once the entry's originalSize bytes came
    // out. The error is the reason in a few words ("invalid Huffman table").
    amiga::Expected<std::size_t, std::string> read(std::uint8_t* out, std::size_t size);

  private:
    struct Bits {
        std::uint64_t buffer = 0;  // next bits, most significant first
        unsigned available = 0;    // valid bits at the top of buffer
        const std::uint8_t* in = nullptr;
        const std::uint8_t* end = nullptr;
    };
    struct Table {
        std::vector<std::uint32_t> entries;
        unsigned bits = 0;  // bits of the first-level lookup
    };

    std::optional<std::string> fill();
    std::optional<std::string> fillAdaptive(std::size_t stop, std::size_t entryEnd);
    unsigned decodeAdaptive();
    void updateAdaptive(unsigned symbol);
    void rebuildAdaptive();
    std::optional<std::string> readBlockHeader();
    std::optional<std::string> readTreeLengths(unsigned count, unsigned countBits, int special,
                                               Table& table);
    std::optional<std::string> readLiteralLengths();
    void refill();
    bool pullInput();
    std::uint32_t take(unsigned count);
    bool overran() const;

    LhaMethod method_ = LhaMethod::Stored;
    LhaSource source_;
    std::uint64_t remaining_ = 0;  // bytes still to hand out
    std::uint64_t toDecode_ = 0;   // bytes still to decode into the window
    std::string error_;

    // Compressed input.
    std::vector<std::uint8_t> input_;
    Bits bits_;
    bool sourceDone_ = false;
    std::uint64_t padBytes_ = 0;  // zero bytes fed after the input ended

    // Decoded bytes: history, then this round's output.
    std::vector<std::uint8_t> window_;
    std::size_t history_ = 0;     // bytes kept for matches (largest distance)
    std::size_t dictionary_ = 0;  // the method's window: no match reaches further
    std::size_t position_ = 0;    // next byte to decode
    std::size_t handedOut_ = 0;   // next byte to hand out

    unsigned positionCodes_ = 0;  // symbols of the position tree
    unsigned positionBits_ = 0;   // bits of its symbol count
    std::uint32_t blockLeft_ = 0;
    Table literals_;
    Table positions_;
    Table lengthCodes_;

    // -lh1-'s adaptive tree: 314 leaves (bytes, then match lengths 3-60)
    // and their inner nodes, kept sorted by frequency.
    static constexpr unsigned kAdaptiveSymbols = 314;
    static constexpr unsigned kAdaptiveNodes = 2 * kAdaptiveSymbols - 1;
    struct AdaptiveTree {
        unsigned frequency[kAdaptiveNodes + 1];
        unsigned parent[kAdaptiveNodes + kAdaptiveSymbols];
        unsigned child[kAdaptiveNodes];
    };
    std::unique_ptr<AdaptiveTree> adaptive_;
};

// Decodes a whole entry held in memory (tests, fuzzing, benchmarks).
amiga::Expected<std::vector<std::uint8_t>, std::string> DecodeLha(LhaMethod method,
                                                                  const std::uint8_t* packed,
                                                                  std::size_t packedSize,
                                                                  std::uint64_t originalSize);

}  // namespace stovan::archive
