#include <gtest/gtest.h>
#include <lha_decoder.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "archive/Crc16.h"
#include "archive/Lh5Encoder.h"
#include "archive/LhaDecoder.h"
#include "tests/support/SampleData.h"

namespace stovan::archive {
namespace {

// Writes a -lh4- to -lh7- stream by hand, most significant bit first.
class BitWriter {
  public:
    BitWriter& put(unsigned value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            // Counts beyond 32 write leading zero bits.
            accumulator_ =
                (accumulator_ << 1) | static_cast<unsigned>((std::uint64_t{value} >> i) & 1);
            if (++used_ == 8) {
                bytes_.push_back(static_cast<std::uint8_t>(accumulator_));
                accumulator_ = 0;
                used_ = 0;
            }
        }
        return *this;
    }
    // A block whose three trees hold one symbol each: every code takes no bits.
    BitWriter& singleBlock(unsigned codes, unsigned literal, unsigned slot, unsigned slotBits = 4) {
        return put(codes, 16)
            .put(0, 5)
            .put(0, 5)
            .put(0, 9)
            .put(literal, 9)
            .put(0, slotBits)
            .put(slot, slotBits);
    }
    std::vector<std::uint8_t> bytes() const {
        auto out = bytes_;
        if (used_ != 0) {
            out.push_back(static_cast<std::uint8_t>(accumulator_ << (8 - used_)));
        }
        return out;
    }

  private:
    std::vector<std::uint8_t> bytes_;
    unsigned accumulator_ = 0;
    unsigned used_ = 0;
};

std::string Decoded(LhaMethod method, const std::vector<std::uint8_t>& packed, std::uint64_t size) {
    auto out = DecodeLha(method, packed.data(), packed.size(), size);
    if (!out) {
        return "error: " + out.error();
    }
    return std::string(out->begin(), out->end());
}

TEST(LhaDecoder, HandWrittenStreamsDecodeOrFailCleanly) {
    const unsigned kMatch10 = 256 + 10 - 3;
    // 5000 times 'a', then a match at distance 4352.
    const auto window =
        BitWriter().singleBlock(5000, 'a', 0).singleBlock(1, 256, 13).put(0xFF, 12).bytes();
    // 'x', 'y', then a match at distance two (position slot one, lh6's five-bit slots).
    const auto xy = BitWriter().singleBlock(1, 'x', 0, 5).singleBlock(1, 'y', 0, 5);
    const auto oversubscribed =
        BitWriter().put(1, 16).put(3, 5).put(1, 3).put(1, 3).put(1, 3).put(0, 2).put(0, 40).bytes();
    const std::string invalid = "error: invalid Huffman table";
    const std::string early = "error: the compressed data ends early";
    struct Row {
        const char* name;
        LhaMethod method;
        std::vector<std::uint8_t> packed;
        std::uint64_t size;
        std::string expected;
    };
    const Row rows[] = {
        {"one literal repeated", LhaMethod::Lh5, BitWriter().singleBlock(5, 'A', 0).bytes(), 5,
         "AAAAA"},
        {"empty block skipped", LhaMethod::Lh5,
         BitWriter().singleBlock(0, 'A', 0).singleBlock(3, 'B', 0).bytes(), 3, "BBB"},
        {"run by distance one", LhaMethod::Lh5,
         BitWriter().singleBlock(1, 'x', 0).singleBlock(1, kMatch10, 0).bytes(), 11,
         std::string(11, 'x')},
        {"distance two from slot one", LhaMethod::Lh6,
         BitWriter(xy).singleBlock(1, kMatch10, 1, 5).bytes(), 12, "xyxyxyxyxyxy"},
        {"output stops at the entry size", LhaMethod::Lh5,
         BitWriter().singleBlock(1, 'x', 0).singleBlock(1, kMatch10, 0).bytes(), 4, "xxxx"},
        {"distance within the lh5 window", LhaMethod::Lh5, window, 5003, std::string(5003, 'a')},
        {"distance beyond the lh4 window", LhaMethod::Lh4, window, 5003,
         "error: a match reaches outside the data written"},
        {"match before the first byte reads spaces", LhaMethod::Lh5,
         BitWriter().singleBlock(1, 256, 0).bytes(), 3, "   "},
        {"pre-tree larger than its symbols", LhaMethod::Lh5,
         BitWriter().put(1, 16).put(20, 5).put(0, 30).bytes(), 1, invalid},
        {"literal beyond the last symbol", LhaMethod::Lh5,
         BitWriter().singleBlock(1, 510, 0).bytes(), 1, invalid},
        {"position slot beyond the tree", LhaMethod::Lh5,
         BitWriter().singleBlock(1, 'a', 14).bytes(), 1, invalid},
        {"oversubscribed pre-tree", LhaMethod::Lh5, oversubscribed, 1, invalid},
        {"unary length beyond 16", LhaMethod::Lh5,
         BitWriter().put(1, 16).put(1, 5).put(7, 3).put(0x3FF, 10).put(0, 20).bytes(), 1, invalid},
        {"no data at all", LhaMethod::Lh5, {}, 10, early},
        {"stored data too short", LhaMethod::Stored, {'a', 'b'}, 3, early},
        {"stored data longer than the entry", LhaMethod::Stored, {'a', 'b', 'c'}, 2, "ab"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Decoded(row.method, row.packed, row.size), row.expected);
    }
}

TEST(LhaDecoder, DamagedStreamsNeverGiveMoreOrLessThanTheEntry) {
    const std::string text = test::TextLike(40000, 3) + test::RandomBytes(3000, 4);
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto packed = CompressLh5(data, text.size());
    ASSERT_EQ(Decoded(LhaMethod::Lh5, packed, text.size()), text);

    auto cut = packed;
    cut.resize(packed.size() / 2);
    EXPECT_EQ(Decoded(LhaMethod::Lh5, cut, text.size()), "error: the compressed data ends early");

    std::mt19937 random(11);
    int failures = 0;
    for (int round = 0; round < 300; ++round) {
        auto damaged = packed;
        for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
            damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
        }
        for (const auto method : {LhaMethod::Lh5, LhaMethod::Lh7}) {
            auto out = DecodeLha(method, damaged.data(), damaged.size(), text.size());
            if (out) {
                EXPECT_EQ(out->size(), text.size()) << "round " << round;
            } else {
                EXPECT_FALSE(out.error().empty());
                ++failures;
            }
        }
    }
    EXPECT_GT(failures, 0);  // the checks do catch damage
}

// liblhasa's decoder on a stream in memory: what it gives for size bytes.
std::string LiblhasaDecoded(const char* method, const std::string& packed, std::size_t size) {
    struct Input {
        const std::string* data;
        std::size_t offset;
    } input{&packed, 0};
    const auto feed = [](void* buffer, std::size_t length, void* handle) -> std::size_t {
        auto* in = static_cast<Input*>(handle);
        const std::size_t count = std::min(length, in->data->size() - in->offset);
        std::memcpy(buffer, in->data->data() + in->offset, count);
        in->offset += count;
        return count;
    };
    std::string name = method;
    LHADecoder* decoder = lha_decoder_new(lha_decoder_for_name(name.data()), feed, &input, size);
    std::string out(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const std::size_t got = lha_decoder_read(
            decoder, reinterpret_cast<std::uint8_t*>(out.data()) + done, size - done);
        if (got == 0) {
            break;
        }
        done += got;
    }
    lha_decoder_free(decoder);
    out.resize(done);
    return out;
}

// Every bit string is an -lh1- stream (the adaptive tree is always whole and
// every match lies in the space-filled window), so random bits exercise the
// whole method: long enough to halve the tree's counts many times.
TEST(LhaDecoder, RandomBitsDecodeAsLh1LikeLiblhasa) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const std::string packed = test::RandomBytes(300000, seed);
        const std::size_t size = 900000 + seed * 1000;
        const auto ours = Decoded(LhaMethod::Lh1, {packed.begin(), packed.end()}, size);
        ASSERT_EQ(ours.size(), size) << ours.substr(0, 80);
        EXPECT_TRUE(ours == LiblhasaDecoded("-lh1-", packed, size));
    }
    // Text the other way round: an -lh1- stream of its bits is just as valid.
    const std::string text = test::TextLike(50000, 9);
    EXPECT_TRUE(Decoded(LhaMethod::Lh1, {text.begin(), text.end()}, 20000) ==
                LiblhasaDecoded("-lh1-", text, 20000));
}

}  // namespace
}  // namespace stovan::archive
