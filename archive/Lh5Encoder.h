#pragma once
// The -lh5- compressor: LZSS over an 8 KiB window (matches of 3 to 256
// bytes) found with hash chains and one step of lazy evaluation, coded in
// blocks with static Huffman tables as LHarc 2 / LhA define the format.
//
// Streaming: feed data with write() in pieces of any size, then finish().
// Compressed bytes go to the output callback as they are produced.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace stovan::archive {

struct Lh5Options {
    // How many earlier positions with the same 3-byte hash are tried.
    int maxChain = 256;
    // A match at least this long is taken without looking further.
    int niceLength = 128;
    // No lazy look-ahead after a match at least this long.
    int maxLazy = 64;
};

class Lh5Encoder {
  public:
    using Output = std::function<void(const std::uint8_t* data, std::size_t length)>;

    explicit Lh5Encoder(Output output, Lh5Options options = {});
    Lh5Encoder(const Lh5Encoder&) = delete;
    Lh5Encoder& operator=(const Lh5Encoder&) = delete;

    void write(const std::uint8_t* data, std::size_t length);
    // Codes what is left and pads the last byte with zero bits. The encoder
    // must not be used afterwards.
    void finish();

    // Compressed bytes handed to the output so far.
    std::uint64_t compressedSize() const { return compressedSize_; }

  private:
    void process(bool final);
    void insert(std::int64_t position);
    int longestMatch(std::int64_t position, std::int64_t limit, int previousLength,
                     int* distance) const;
    void emitLiteral(std::uint8_t byte);
    void emitMatch(int length, int distance);
    void flushBlock();
    void putBits(int count, std::uint32_t value);
    void flushBytes(bool all);
    std::uint8_t at(std::int64_t position) const {
        return buffer_[static_cast<std::size_t>(position - bufferStart_)];
    }

    Output output_;
    Lh5Options options_;
    std::vector<std::uint8_t> buffer_;    // window plus look-ahead
    std::int64_t bufferStart_ = 0;        // stream offset of buffer_[0]
    std::int64_t position_ = 0;           // next stream offset to code
    std::vector<std::int64_t> head_;      // hash -> latest stream offset
    std::vector<std::int64_t> previous_;  // offset % window -> earlier offset, same hash
    // Lazy evaluation state.
    bool matchAvailable_ = false;
    int previousLength_ = 0;
    int previousDistance_ = 0;
    // Symbols of the current block: character/length codes, and the match
    // distances (minus one) in order.
    std::vector<std::uint16_t> symbols_;
    std::vector<std::uint16_t> offsets_;
    // Bit output.
    std::uint64_t bitBuffer_ = 0;
    int bitCount_ = 0;
    std::vector<std::uint8_t> pending_;
    std::uint64_t compressedSize_ = 0;
};

// Compresses a whole buffer (tests, small inputs).
std::vector<std::uint8_t> CompressLh5(const std::uint8_t* data, std::size_t length,
                                      Lh5Options options = {});

}  // namespace stovan::archive
