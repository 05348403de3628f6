#include "archive/Lh5Encoder.h"

#include <algorithm>
#include <cstring>
#include <queue>
#include <utility>

namespace stovan::archive {

namespace {

// -lh5-: 13-bit dictionary, matches 3..256.
constexpr int kWindowBits = 13;
constexpr std::int64_t kWindow = std::int64_t{1} << kWindowBits;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
// Character/length alphabet: 256 literals then lengths 3..256.
constexpr int kCharCodes = 256 + kMaxMatch - kMinMatch + 1;  // 510
constexpr int kCharBits = 9;
// Code-length alphabet used to send the character table.
constexpr int kTempCodes = 19;
constexpr int kTempBits = 5;
// Position alphabet: bit lengths 0..13 of (distance - 1).
constexpr int kPositionCodes = kWindowBits + 1;  // 14
constexpr int kPositionBits = 4;
constexpr int kMaxCodeLength = 16;
// Symbols per block. The block header counts them in 16 bits; larger blocks
// cost fewer table headers, smaller ones follow the data more closely.
constexpr std::size_t kBlockSymbols = 32768;
constexpr int kHashBits = 15;
// Keep at least this much history in front of the coding position.
constexpr std::size_t kCompactThreshold = std::size_t{1} << 20;

struct Code {
    std::vector<std::uint8_t> lengths;
    std::vector<std::uint16_t> codes;
    int used = 0;        // symbols with non-zero frequency
    int onlySymbol = 0;  // the symbol when used <= 1
};

// Huffman code lengths limited to kMaxCodeLength. When the tree gets too
// deep the frequencies are halved (keeping every used symbol at least 1)
// and the tree is built again; with at most 65535 symbols a block needs at
// most a few rounds.
Code BuildCode(const std::vector<std::uint32_t>& frequencies) {
    const int n = static_cast<int>(frequencies.size());
    Code code;
    code.lengths.assign(static_cast<std::size_t>(n), 0);
    code.codes.assign(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        if (frequencies[static_cast<std::size_t>(i)] != 0) {
            if (code.used == 0) {
                code.onlySymbol = i;
            }
            ++code.used;
        }
    }
    if (code.used <= 1) {
        return code;
    }
    std::vector<std::uint64_t> weights(frequencies.begin(), frequencies.end());
    for (;;) {
        // Nodes 0..n-1 are leaves; parents follow.
        std::vector<int> parent(static_cast<std::size_t>(2 * n), -1);
        using Item = std::pair<std::uint64_t, int>;
        std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
        for (int i = 0; i < n; ++i) {
            if (weights[static_cast<std::size_t>(i)] != 0) {
                queue.emplace(weights[static_cast<std::size_t>(i)], i);
            }
        }
        int next = n;
        while (queue.size() > 1) {
            auto [wa, a] = queue.top();
            queue.pop();
            auto [wb, b] = queue.top();
            queue.pop();
            parent[static_cast<std::size_t>(a)] = next;
            parent[static_cast<std::size_t>(b)] = next;
            queue.emplace(wa + wb, next);
            ++next;
        }
        int deepest = 0;
        for (int i = 0; i < n; ++i) {
            if (weights[static_cast<std::size_t>(i)] == 0) {
                code.lengths[static_cast<std::size_t>(i)] = 0;
                continue;
            }
            int depth = 0;
            for (int node = i; parent[static_cast<std::size_t>(node)] != -1;
                 node = parent[static_cast<std::size_t>(node)]) {
                ++depth;
            }
            code.lengths[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(depth);
            deepest = std::max(deepest, depth);
        }
        if (deepest <= kMaxCodeLength) {
            break;
        }
        for (auto& weight : weights) {
            if (weight != 0) {
                weight = (weight + 1) / 2;
            }
        }
    }
    // Canonical codes: shorter codes first, equal lengths in symbol order,
    // which is how the decoder rebuilds the tree from the lengths alone.
    std::uint32_t count[kMaxCodeLength + 2] = {};
    for (auto length : code.lengths) {
        ++count[length];
    }
    count[0] = 0;
    std::uint32_t start[kMaxCodeLength + 2] = {};
    for (int length = 1; length <= kMaxCodeLength; ++length) {
        start[length + 1] = (start[length] + count[length]) << 1;
    }
    for (int i = 0; i < n; ++i) {
        const auto length = code.lengths[static_cast<std::size_t>(i)];
        if (length != 0) {
            code.codes[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(start[length]++);
        }
    }
    return code;
}

int BitLength(unsigned value) {
    int bits = 0;
    while (value != 0) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

}  // namespace

Lh5Encoder::Lh5Encoder(Output output, Lh5Options options)
    : output_(std::move(output)),
      options_(options),
      head_(std::size_t{1} << kHashBits, -1),
      previous_(static_cast<std::size_t>(kWindow), -1) {
    options_.maxChain = std::max(1, options_.maxChain);
    options_.niceLength = std::clamp(options_.niceLength, kMinMatch, kMaxMatch);
    symbols_.reserve(kBlockSymbols);
    offsets_.reserve(kBlockSymbols);
}

void Lh5Encoder::write(const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        // Drop history the window no longer reaches before growing further.
        const std::size_t keepFrom =
            static_cast<std::size_t>(std::max<std::int64_t>(0, position_ - kWindow - bufferStart_));
        if (keepFrom >= kCompactThreshold) {
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(keepFrom));
            bufferStart_ += static_cast<std::int64_t>(keepFrom);
        }
        const std::size_t piece = std::min<std::size_t>(length, kCompactThreshold);
        buffer_.insert(buffer_.end(), data, data + piece);
        data += piece;
        length -= piece;
        process(false);
    }
}

void Lh5Encoder::finish() {
    process(true);
    if (matchAvailable_) {
        emitLiteral(at(position_ - 1));
        matchAvailable_ = false;
    }
    flushBlock();
    // Pad the last byte with zero bits.
    if (bitCount_ > 0) {
        putBits(8 - bitCount_ % 8 == 8 ? 0 : 8 - bitCount_ % 8, 0);
    }
    flushBytes(true);
}

void Lh5Encoder::insert(std::int64_t position) {
    const std::uint32_t key = (static_cast<std::uint32_t>(at(position)) << 16) |
                              (static_cast<std::uint32_t>(at(position + 1)) << 8) |
                              at(position + 2);
    const std::uint32_t hash = (key * 2654435761u) >> (32 - kHashBits);
    previous_[static_cast<std::size_t>(position & (kWindow - 1))] = head_[hash];
    head_[hash] = position;
}

int Lh5Encoder::longestMatch(std::int64_t position, std::int64_t limit, int previousLength,
                             int* distance) const {
    int best = std::max(previousLength, kMinMatch - 1);
    const int maxLength = static_cast<int>(std::min<std::int64_t>(kMaxMatch, limit));
    if (maxLength < kMinMatch) {
        return 0;
    }
    int chain = options_.maxChain;
    if (previousLength >= options_.niceLength / 2) {
        chain /= 4;  // a good match already: look less hard for a better one
    }
    const std::uint8_t* here = &buffer_[static_cast<std::size_t>(position - bufferStart_)];
    std::int64_t candidate = previous_[static_cast<std::size_t>(position & (kWindow - 1))];
    int found = 0;
    while (candidate >= 0 && candidate >= bufferStart_ && position - candidate < kWindow &&
           chain-- > 0) {
        const std::uint8_t* there = &buffer_[static_cast<std::size_t>(candidate - bufferStart_)];
        if (best < maxLength && there[best] == here[best] && there[0] == here[0] &&
            there[1] == here[1]) {
            int length = 2;
            while (length < maxLength && there[length] == here[length]) {
                ++length;
            }
            if (length > best) {
                best = length;
                found = length;
                *distance = static_cast<int>(position - candidate);
                if (length >= options_.niceLength || length >= maxLength) {
                    break;
                }
            }
        }
        const std::int64_t next = previous_[static_cast<std::size_t>(candidate & (kWindow - 1))];
        if (next >= candidate) {
            break;  // the slot was reused by a newer position: chain ends here
        }
        candidate = next;
    }
    return found;
}

void Lh5Encoder::process(bool final) {
    const std::int64_t end = bufferStart_ + static_cast<std::int64_t>(buffer_.size());
    // Without the final flag keep enough look-ahead for a full match, its
    // lazy successor and the hash of the last inserted position.
    const std::int64_t reserve = final ? 0 : kMaxMatch + kMinMatch + 2;
    while (position_ < end && end - position_ > reserve) {
        const std::int64_t lookahead = end - position_;
        int length = 0;
        int distance = 0;
        if (lookahead >= kMinMatch) {
            insert(position_);
            if (previousLength_ < options_.maxLazy) {
                length = longestMatch(position_, lookahead, matchAvailable_ ? previousLength_ : 0,
                                      &distance);
            }
            // A 3-byte match far away costs more bits than three literals.
            if (length == kMinMatch && distance > 4096) {
                length = 0;
            }
        }
        if (matchAvailable_ && previousLength_ >= kMinMatch && length <= previousLength_) {
            // The match that started one byte earlier wins.
            emitMatch(previousLength_, previousDistance_);
            const std::int64_t matchEnd = position_ - 1 + previousLength_;
            for (std::int64_t p = position_ + 1; p < matchEnd; ++p) {
                if (end - p >= kMinMatch) {
                    insert(p);
                }
            }
            position_ = matchEnd;
            matchAvailable_ = false;
            previousLength_ = 0;
        } else if (matchAvailable_) {
            emitLiteral(at(position_ - 1));
            previousLength_ = length;
            previousDistance_ = distance;
            ++position_;
        } else {
            matchAvailable_ = true;
            previousLength_ = length;
            previousDistance_ = distance;
            ++position_;
        }
    }
}

void Lh5Encoder::emitLiteral(std::uint8_t byte) {
    symbols_.push_back(byte);
    if (symbols_.size() >= kBlockSymbols) {
        flushBlock();
    }
}

void Lh5Encoder::emitMatch(int length, int distance) {
    symbols_.push_back(static_cast<std::uint16_t>(256 + length - kMinMatch));
    offsets_.push_back(static_cast<std::uint16_t>(distance - 1));
    if (symbols_.size() >= kBlockSymbols) {
        flushBlock();
    }
}

void Lh5Encoder::putBits(int count, std::uint32_t value) {
    if (count == 0) {
        return;
    }
    bitBuffer_ = (bitBuffer_ << count) | (value & ((std::uint64_t{1} << count) - 1));
    bitCount_ += count;
    while (bitCount_ >= 8) {
        bitCount_ -= 8;
        pending_.push_back(static_cast<std::uint8_t>(bitBuffer_ >> bitCount_));
    }
    bitBuffer_ &= (std::uint64_t{1} << bitCount_) - 1;
    if (pending_.size() >= 65536) {
        flushBytes(false);
    }
}

void Lh5Encoder::flushBytes(bool /*all*/) {
    if (!pending_.empty()) {
        output_(pending_.data(), pending_.size());
        compressedSize_ += pending_.size();
        pending_.clear();
    }
}

void Lh5Encoder::flushBlock() {
    if (symbols_.empty()) {
        return;
    }
    std::vector<std::uint32_t> charFrequency(kCharCodes, 0);
    std::vector<std::uint32_t> positionFrequency(kPositionCodes, 0);
    for (auto symbol : symbols_) {
        ++charFrequency[symbol];
    }
    for (auto offset : offsets_) {
        ++positionFrequency[static_cast<std::size_t>(BitLength(offset))];
    }
    const Code chars = BuildCode(charFrequency);
    const Code positions = BuildCode(positionFrequency);

    putBits(16, static_cast<std::uint32_t>(symbols_.size()));
    if (chars.used > 1) {
        // The character code lengths, trimmed of trailing zeros, are sent as
        // symbols of a small code: 0 = one zero, 1 = 3..18 zeros (4 bits),
        // 2 = 20.. zeros (9 bits), k + 2 = length k.
        int count = kCharCodes;
        while (count > 0 && chars.lengths[static_cast<std::size_t>(count - 1)] == 0) {
            --count;
        }
        struct Item {
            int symbol;
            int extraBits;
            std::uint32_t extra;
        };
        std::vector<Item> items;
        for (int i = 0; i < count;) {
            const int length = chars.lengths[static_cast<std::size_t>(i++)];
            if (length != 0) {
                items.push_back({length + 2, 0, 0});
                continue;
            }
            int zeros = 1;
            while (i < count && chars.lengths[static_cast<std::size_t>(i)] == 0) {
                ++i;
                ++zeros;
            }
            if (zeros <= 2) {
                for (int z = 0; z < zeros; ++z) {
                    items.push_back({0, 0, 0});
                }
            } else if (zeros <= 18) {
                items.push_back({1, 4, static_cast<std::uint32_t>(zeros - 3)});
            } else if (zeros == 19) {
                items.push_back({0, 0, 0});
                items.push_back({1, 4, 15});
            } else {
                items.push_back({2, kCharBits, static_cast<std::uint32_t>(zeros - 20)});
            }
        }
        std::vector<std::uint32_t> tempFrequency(kTempCodes, 0);
        for (const auto& item : items) {
            ++tempFrequency[static_cast<std::size_t>(item.symbol)];
        }
        const Code temp = BuildCode(tempFrequency);
        if (temp.used > 1) {
            int tempCount = kTempCodes;
            while (tempCount > 0 && temp.lengths[static_cast<std::size_t>(tempCount - 1)] == 0) {
                --tempCount;
            }
            putBits(kTempBits, static_cast<std::uint32_t>(tempCount));
            for (int i = 0; i < tempCount;) {
                const int length = temp.lengths[static_cast<std::size_t>(i++)];
                if (length <= 6) {
                    putBits(3, static_cast<std::uint32_t>(length));
                } else {
                    // 7 and more: (length - 4) one bits, then a zero.
                    putBits(length - 3, (1u << (length - 3)) - 2);
                }
                if (i == 3) {
                    // After the third length: two bits counting zeros that follow.
                    while (i < 6 && temp.lengths[static_cast<std::size_t>(i)] == 0) {
                        ++i;
                    }
                    putBits(2, static_cast<std::uint32_t>(i - 3));
                }
            }
        } else {
            putBits(kTempBits, 0);
            putBits(kTempBits, static_cast<std::uint32_t>(temp.onlySymbol));
        }
        putBits(kCharBits, static_cast<std::uint32_t>(count));
        for (const auto& item : items) {
            const auto symbol = static_cast<std::size_t>(item.symbol);
            putBits(temp.lengths[symbol], temp.codes[symbol]);
            putBits(item.extraBits, item.extra);
        }
    } else {
        putBits(kTempBits, 0);
        putBits(kTempBits, 0);
        putBits(kCharBits, 0);
        putBits(kCharBits, static_cast<std::uint32_t>(chars.onlySymbol));
    }
    if (positions.used > 1) {
        int count = kPositionCodes;
        while (count > 0 && positions.lengths[static_cast<std::size_t>(count - 1)] == 0) {
            --count;
        }
        putBits(kPositionBits, static_cast<std::uint32_t>(count));
        for (int i = 0; i < count; ++i) {
            const int length = positions.lengths[static_cast<std::size_t>(i)];
            if (length <= 6) {
                putBits(3, static_cast<std::uint32_t>(length));
            } else {
                putBits(length - 3, (1u << (length - 3)) - 2);
            }
        }
    } else {
        putBits(kPositionBits, 0);
        putBits(kPositionBits, static_cast<std::uint32_t>(positions.onlySymbol));
    }

    std::size_t nextOffset = 0;
    for (auto symbol : symbols_) {
        putBits(chars.lengths[symbol], chars.codes[symbol]);
        if (symbol >= 256) {
            const unsigned offset = offsets_[nextOffset++];
            const int bits = BitLength(offset);
            putBits(positions.lengths[static_cast<std::size_t>(bits)],
                    positions.codes[static_cast<std::size_t>(bits)]);
            if (bits > 1) {
                putBits(bits - 1, offset);
            }
        }
    }
    symbols_.clear();
    offsets_.clear();
}

std::vector<std::uint8_t> CompressLh5(const std::uint8_t* data, std::size_t length,
                                      Lh5Options options) {
    std::vector<std::uint8_t> result;
    Lh5Encoder encoder(
        [&result](const std::uint8_t* bytes, std::size_t count) {
            result.insert(result.end(), bytes, bytes + count);
        },
        options);
    encoder.write(data, length);
    encoder.finish();
    return result;
}

}  // namespace stovan::archive
